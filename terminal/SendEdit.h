#pragma once

// The edit of every send area. Users paste hex dumps of a megabyte on one
// line without a space; laying out such a line costs seconds, and a plain
// text edit lays out the whole line again at every key. So this edit never
// holds a block longer than kBlockLimit characters: a longer line is cut
// into blocks that continue one another without a line break (a soft join,
// marked in the block's format, so undo and redo keep it). Only the screen
// sees the cut, as an early wrap: typedText(), copying, Backspace and Delete
// work on the text as it was typed or pasted.

#include <QPlainTextEdit>

class QMimeData;

namespace viz {

class CSendEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    // Long enough that a cut is rare in typed text, short enough that one
    // block lays out well within a key press in any script.
    static constexpr int kBlockLimit = 2048;

    explicit CSendEdit(QWidget* parent = nullptr);

    // The text as typed or pasted, lines separated by '\n' (what
    // toPlainText() gives a plain text edit without the cuts).
    QString typedText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    // The text of [from, to), soft joins left out.
    QString TextBetween(int from, int to) const;
    // Inserts `text` at the cursor as a paste does, cut into blocks as it goes in.
    void InsertTyped(const QString& text);
    // Backspace or Delete next to a soft join removes the character beyond it.
    bool DeleteAcrossJoin(bool backward);
    void ContentsChanged(int from, int removed, int added);
    void NormalizeChanged();
    // Cuts blocks in [from, to] longer than the limit and removes empty
    // continuations; `cursor` is in an edit block the caller opened, or
    // opens one joined to the last edit when `join` is set.
    void Normalize(QTextCursor& cursor, int from, int to, bool join);

    // Edits of this class's own are no user edits to look at again.
    bool normalizing_ = false;
    // The range user edits touched since the last normalization, or none.
    int dirtyFrom_ = -1;
    int dirtyTo_ = -1;
};

}  // namespace viz

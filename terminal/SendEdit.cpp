#include "terminal/SendEdit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace viz {
namespace {

// In a block's format: the block continues the one before without a line break.
constexpr int kSoftJoin = QTextFormat::UserProperty + 1;

bool IsSoft(const QTextBlock& block) {
    return block.blockFormat().boolProperty(kSoftJoin);
}

// What a paste turns into a block break, as QTextCursor::insertText does.
bool IsBlockBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) ||
           c == QChar(0xfdd1);
}

// Where the next cut of `text` after `from` goes: after a space near the
// limit if there is one (the cut then looks like any wrap), never inside a
// surrogate pair or before a combining mark.
int CutPoint(const QString& text, int from, int limit) {
    const int cut = from + limit;
    for (int at = cut; at > from + limit * 3 / 4; --at) {
        if (text[at - 1].isSpace()) return at;
    }
    int at = cut;
    while (at > from + 1 && (text[at].isLowSurrogate() || text[at].isMark())) --at;
    return at;
}

// What toPlainText() makes of the characters a block may hold.
void AsPlainText(QString& text) {
    for (QChar& c : text) {
        if (c == QChar::LineSeparator) {
            c = u'\n';
        } else if (c == QChar::Nbsp) {
            c = u' ';
        }
    }
}

class Flag {
public:
    explicit Flag(bool& flag) : flag_(flag) { flag_ = true; }
    ~Flag() { flag_ = false; }
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

private:
    bool& flag_;
};

}  // namespace

CSendEdit::CSendEdit(QWidget* parent) : QPlainTextEdit(parent) {
    connect(document(), &QTextDocument::contentsChange, this, &CSendEdit::ContentsChanged);
}

QString CSendEdit::typedText() const {
    return TextBetween(0, document()->characterCount() - 1);
}

QString CSendEdit::TextBetween(int from, int to) const {
    QString text;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const int start = block.position();
        if (start > from && !IsSoft(block)) text += u'\n';
        const int begin = std::max(from, start) - start;
        const int end = std::min(to, start + block.length() - 1) - start;
        if (end > begin) text += QStringView(block.text()).mid(begin, end - begin);
    }
    AsPlainText(text);
    return text;
}

void CSendEdit::keyPressEvent(QKeyEvent* event) {
    const bool backspace = event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
    if ((backspace || event->matches(QKeySequence::Delete)) && !isReadOnly() && DeleteAcrossJoin(backspace)) {
        event->accept();
        return;
    }
    const bool newLine = event->matches(QKeySequence::InsertParagraphSeparator);
    QPlainTextEdit::keyPressEvent(event);
    // The new block took the format of the one it was split from, soft join and all.
    QTextCursor cursor = textCursor();
    if (newLine && IsSoft(cursor.block())) {
        const Flag own(normalizing_);
        QTextBlockFormat format = cursor.blockFormat();
        format.clearProperty(kSoftJoin);
        cursor.joinPreviousEditBlock();
        cursor.setBlockFormat(format);
        cursor.endEditBlock();
    }
}

bool CSendEdit::DeleteAcrossJoin(bool backward) {
    // A copy: the edit's own cursor stays where the user sees it.
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) return false;
    if (backward) {
        if (!cursor.atBlockStart() || !IsSoft(cursor.block())) return false;
        while (cursor.atBlockStart() && IsSoft(cursor.block())) {
            if (!cursor.movePosition(QTextCursor::PreviousCharacter)) break;
        }
        cursor.deletePreviousChar();
        return true;
    }
    const auto beforeJoin = [&cursor] {
        const QTextBlock next = cursor.block().next();
        return cursor.atBlockEnd() && next.isValid() && IsSoft(next);
    };
    if (!beforeJoin()) return false;
    while (beforeJoin()) cursor.movePosition(QTextCursor::NextCharacter);
    cursor.deleteChar();
    return true;
}

void CSendEdit::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText()) return;
    InsertTyped(source->text());
    ensureCursorVisible();
}

QMimeData* CSendEdit::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* selected = new QMimeData;
    selected->setText(TextBetween(cursor.selectionStart(), cursor.selectionEnd()));
    return selected;
}

// The text goes in already cut, in one edit block: the layout then sees a
// run of short blocks, never one long one.
void CSendEdit::InsertTyped(const QString& text) {
    const Flag own(normalizing_);
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const int from = cursor.position();
    QTextBlockFormat lineStart = cursor.blockFormat();
    lineStart.clearProperty(kSoftJoin);
    qsizetype start = 0;
    for (qsizetype at = 0;; ++at) {
        if (at < text.size() && !IsBlockBreak(text[at])) continue;
        cursor.insertText(text.mid(start, at - start));
        if (at == text.size()) break;
        if (text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n') ++at;
        cursor.insertBlock(lineStart);
        start = at + 1;
    }
    // A cursor of its own: this one stays at the end of the paste, moved on by the cuts.
    QTextCursor cuts(document());
    Normalize(cuts, from, cursor.position(), false);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void CSendEdit::ContentsChanged(int from, int removed, int added) {
    if (normalizing_) return;
    if (dirtyFrom_ < 0) {
        dirtyFrom_ = from;
        dirtyTo_ = from + added;
        QMetaObject::invokeMethod(this, &CSendEdit::NormalizeChanged, Qt::QueuedConnection);
        return;
    }
    // The range so far, moved by this change.
    const int delta = added - removed;
    const auto moved = [&](int position, int inside) {
        if (position < from) return position;
        return position >= from + removed ? position + delta : inside;
    };
    dirtyFrom_ = std::min(moved(dirtyFrom_, from), from);
    dirtyTo_ = std::max(moved(dirtyTo_, from + added), from + added);
}

// After the event that changed the text, so the key press or drop it came
// from has finished its own edit; joined to that edit, so one undo takes both.
void CSendEdit::NormalizeChanged() {
    if (dirtyFrom_ < 0) return;
    const int from = dirtyFrom_;
    const int to = dirtyTo_;
    dirtyFrom_ = dirtyTo_ = -1;
    const Flag own(normalizing_);
    QTextCursor cursor(document());
    Normalize(cursor, from, to, true);
}

void CSendEdit::Normalize(QTextCursor& cursor, int from, int to, bool join) {
    bool editing = !join;
    const auto edit = [&] {
        if (!editing) cursor.joinPreviousEditBlock();
        editing = true;
    };
    QTextBlock block = document()->findBlock(std::max(from, 0));
    while (block.isValid() && block.position() <= to) {
        if (IsSoft(block) && !block.previous().isValid()) {
            edit();
            QTextBlockFormat format = block.blockFormat();
            format.clearProperty(kSoftJoin);
            cursor.setPosition(block.position());
            cursor.setBlockFormat(format);
        } else if (IsSoft(block) && block.length() == 1) {
            // An empty continuation: nothing to keep apart.
            edit();
            const QTextBlock previous = block.previous();
            cursor.setPosition(block.position());
            cursor.deletePreviousChar();
            --to;
            block = previous;
        } else if (block.length() - 1 > kBlockLimit) {
            edit();
            const QString text = block.text();
            std::vector<int> cuts;
            for (int at = 0; text.size() - at > kBlockLimit;) {
                at = CutPoint(text, at, kBlockLimit);
                cuts.push_back(at);
            }
            QTextBlockFormat soft = block.blockFormat();
            soft.setProperty(kSoftJoin, true);
            const int start = block.position();
            // From the back, so the offsets ahead stay where they were.
            for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut) {
                cursor.setPosition(start + *cut);
                cursor.insertBlock(soft);
            }
            to += static_cast<int>(cuts.size());
        }
        block = block.next();
    }
    if (editing && join) cursor.endEditBlock();
}

}  // namespace viz

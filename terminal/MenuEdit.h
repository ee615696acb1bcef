#pragma once

// The receive area's edit control: a read-only text view whose right-click
// menu offers clear, pause, output and browse, reported as the page's four
// command numbers (2024..2027 on the serial page), then "save now", which a
// double-click and Ctrl+S also ask for.
//
//   auto* edit = new CMenuEdit(parent);
//   edit->SetCommands({2024, 2025, 2026, 2027});
//   connect(edit, &CMenuEdit::Command, page, &Page::OnReceiveCommand);
//   connect(edit, &CMenuEdit::SaveRequested, page, &Page::SaveCapture);
//
// CReceiveArea sets this up itself; use CMenuEdit alone only for an area
// that is not a receive area.

#include <QPlainTextEdit>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QMenu;

namespace viz {

class CMenuEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    // Clear, pause, output, browse.
    using Commands = std::array<int, 4>;

    explicit CMenuEdit(QWidget* parent = nullptr);

    void SetCommands(Commands commands) { commands_ = commands; }
    const Commands& commands() const { return commands_; }

    // The menu the right button (or the menu key) pops up: the four
    // commands, which emit Command, then "save now".
    QMenu* CreateMenu(QWidget* parent);

    // What a copy of the selection from `start` to `end` (document
    // positions) gives; none: the text as shown.
    using SelectionText = std::function<std::optional<QString>(int start, int end)>;
    void setSelectionText(SelectionText selectionText) { selectionText_ = std::move(selectionText); }

signals:
    void Command(int number);
    // A double-click while the area has the focus, Ctrl+S, or the menu's "save now".
    void SaveRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    Commands commands_{};
    SelectionText selectionText_;
    QAction* save_;
};

}  // namespace viz

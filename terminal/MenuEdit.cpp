#include "terminal/MenuEdit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextCursor>

#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

CMenuEdit::CMenuEdit(QWidget* parent) : QPlainTextEdit(parent) {
    // What the area shows is what capture and output files hold; typing
    // into it would make them differ.
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Saving is otherwise a double-click only.
    save_ = new QAction(QString::fromUtf16(t::kMenuSave), this);
    save_->setShortcut(QKeySequence::Save);
    save_->setShortcutContext(Qt::WidgetShortcut);
    addAction(save_);
    connect(save_, &QAction::triggered, this, &CMenuEdit::SaveRequested);
}

QMenu* CMenuEdit::CreateMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    const char16_t* const texts[] = {t::kMenuClear, t::kMenuPause, t::kMenuOutput, t::kMenuBrowse};
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        const int number = commands_[i];
        connect(menu->addAction(QString::fromUtf16(texts[i])), &QAction::triggered, this,
                [this, number] { emit Command(number); });
    }
    menu->addAction(save_);
    return menu;
}

void CMenuEdit::contextMenuEvent(QContextMenuEvent* event) {
    setFocus(Qt::MouseFocusReason);
    QMenu* menu = CreateMenu(this);
    menu->exec(event->globalPos());
    delete menu;
}

QMimeData* CMenuEdit::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    if (selectionText_) {
        if (const std::optional<QString> text = selectionText_(cursor.selectionStart(), cursor.selectionEnd())) {
            auto* mime = new QMimeData;
            mime->setText(*text);
            return mime;
        }
    }
    return QPlainTextEdit::createMimeDataFromSelection();
}

void CMenuEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    if (hasFocus()) emit SaveRequested();
}

}  // namespace viz

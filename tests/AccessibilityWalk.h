#pragma once

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMap>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>

namespace viz::testing {

// Where a widget sits, for failure messages: its class and object name and
// those of its ancestors up to the window.
inline QString WidgetPath(const QObject* object) {
    QStringList parts;
    for (; object; object = object->parent()) {
        const QString name = object->objectName();
        parts.prepend(QString::fromLatin1(object->metaObject()->className()) +
                      (name.isEmpty() ? QString() : QLatin1Char('#') + name));
        if (object->isWidgetType() && static_cast<const QWidget*>(object)->isWindow()) break;
    }
    return parts.join(QStringLiteral(" > "));
}

// Walks what the accessibility interface presents below `root`, as a screen
// reader sees it, and lists every shown control that takes the keyboard
// focus but has no name to be read out, or the same name as another such
// control, so the two cannot be told apart (a list box is named by its
// current entry on this platform and is left out of that comparison, as are
// parts of a control, such as the tabs of a tab strip).
inline QStringList UnnamedFocusableControls(QWidget* root) {
    QStringList faults;
    QMap<QString, QString> named;
    const auto walk = [&](auto&& self, QAccessibleInterface* node) -> void {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (!child || child->state().invisible) continue;
            if (child->state().focusable) {
                const QString name = child->text(QAccessible::Name).trimmed();
                const QString where = WidgetPath(child->object());
                if (name.isEmpty()) {
                    faults.append(where + QStringLiteral(": no name"));
                } else if (child->role() != QAccessible::ComboBox && child->object() &&
                           child->object() != node->object()) {
                    if (named.contains(name))
                        faults.append(where + QStringLiteral(": same name as ") + named[name] + ": " + name);
                    named.insert(name, where);
                }
            }
            self(self, child);
        }
    };
    walk(walk, QAccessible::queryAccessibleInterface(root));
    return faults;
}

// What a screen reader says for `object`: its name, then its description.
inline QString SpokenText(QObject* object) {
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(object);
    if (!node) return {};
    return (node->text(QAccessible::Name) + QLatin1Char('\n') + node->text(QAccessible::Description))
        .trimmed();
}

// Lists every shown label below `root` whose text a screen reader cannot
// hear: neither its accessible name nor its description holds what it shows.
inline QStringList UnheardLabels(QWidget* root) {
    QStringList faults;
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (!label->isVisible()) continue;
        QString shown = label->text();
        if (label->textFormat() == Qt::RichText ||
            (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(shown))) {
            QTextDocument document;
            document.setHtml(shown);
            shown = document.toPlainText();
        }
        // Mnemonic markers are not read out.
        shown.remove(QLatin1Char('&'));
        shown = shown.trimmed();
        QString spoken = SpokenText(label);
        spoken.remove(QLatin1Char('&'));
        if (!shown.isEmpty() && !spoken.contains(shown))
            faults.append(WidgetPath(label) + QStringLiteral(": shows \"") + shown +
                          QStringLiteral("\", says \"") + spoken + QLatin1Char('"'));
    }
    return faults;
}

// Whether `widget` is the only place Tab can go in its window.
inline bool OnlyTabStop(QWidget* widget) {
    for (QWidget* other : widget->window()->findChildren<QWidget*>()) {
        if (other != widget && other->isVisible() && other->isEnabled() &&
            (other->focusPolicy() & Qt::TabFocus) && !widget->isAncestorOf(other))
            return false;
    }
    return true;
}

// Gives each shown, enabled multi-line edit below `root` the focus and
// presses Tab, then Shift+Tab: both must move the focus elsewhere and leave
// the text as it was (an edit alone in its window has nowhere to go). Lists the edits where
// that fails. The window of `root` must be shown and active.
inline QStringList EditsThatKeepTab(QWidget* root) {
    QStringList failures;
    QList<QAbstractScrollArea*> edits;
    for (auto* edit : root->findChildren<QPlainTextEdit*>()) edits.append(edit);
    for (auto* edit : root->findChildren<QTextEdit*>()) edits.append(edit);
    for (QAbstractScrollArea* edit : edits) {
        if (!edit->isVisible() || !edit->isEnabled() || edit->focusPolicy() == Qt::NoFocus ||
            OnlyTabStop(edit))
            continue;
        const auto text = [edit] {
            if (auto* plain = qobject_cast<QPlainTextEdit*>(edit)) return plain->toPlainText();
            return static_cast<QTextEdit*>(edit)->toPlainText();
        };
        for (const auto key : {Qt::Key_Tab, Qt::Key_Backtab}) {
            edit->setFocus(Qt::TabFocusReason);
            // A receive area redraws itself shortly after it is first shown
            // (its lines are cut to its width); that is not the key's doing.
            QTest::qWait(30);
            const QString before = text();
            if (!edit->hasFocus()) {
                failures.append(WidgetPath(edit) + QStringLiteral(": cannot take the focus"));
                break;
            }
            QTest::keyClick(edit, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            if (edit->hasFocus() || text() != before) {
                failures.append(
                    WidgetPath(edit) +
                    (key == Qt::Key_Tab ? QStringLiteral(": Tab") : QStringLiteral(": Shift+Tab")) +
                    QStringLiteral(" stays in the edit"));
                break;
            }
        }
    }
    return failures;
}

}  // namespace viz::testing

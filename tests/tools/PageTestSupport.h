#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "TempDir.h"
#include "app/PageContext.h"
#include "app/SettingsStore.h"

namespace viz::testing {

// What a page needs around it: a settings store in a fresh folder.
struct PageHost {
    TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    PageContext context{store};
};

template <typename Widget = QAbstractButton>
Widget* ButtonWithText(QWidget& page, const QString& text) {
    for (auto* button : page.findChildren<Widget*>()) {
        if (button->text() == text) return button;
    }
    return nullptr;
}

// Clicks `button` and answers every message box it opens, returning their texts.
inline QStringList ClickAnsweringMessages(QAbstractButton* button) {
    QStringList messages;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&messages] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->accept();
        }
    });
    answer.start(10);
    QTest::mouseClick(button, Qt::LeftButton);
    return messages;
}

}  // namespace viz::testing

#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <functional>

#include "ModalCatcher.h"
#include "TempDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"

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

// Clicks `button` as the user does and answers every message box it opens,
// returning their texts.
inline QStringList ClickAnsweringMessages(QAbstractButton* button) {
    ModalCatcher catcher;
    // A check box reacts on its box and text only, which sit at its left.
    const bool box = qobject_cast<QCheckBox*>(button) != nullptr;
    const QPoint at = box ? QPoint(std::min(8, button->width() / 2), button->height() / 2) : QPoint();
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
    return catcher.texts();
}

// The longest a test lets the window wait. The window may wait for the
// machine (tests run beside each other and under sanitizers), never for a
// link: a wait for a link that does not take data lasts seconds.
inline constexpr qint64 kWellUnderASecond = 500;

// Runs the event loop until `condition` holds or `limitMs` passed, and
// measures the longest time the loop could not run meanwhile: what a user
// would feel as a frozen window.
struct LoopRun {
    bool reached = false;
    qint64 longestStallMs = 0;
};
inline LoopRun RunLoopUntil(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    LoopRun run;
    qint64 last = 0;
    while (!(run.reached = condition()) && clock.elapsed() < limitMs) {
        QTest::qWait(1);
        const qint64 now = clock.elapsed();
        run.longestStallMs = std::max(run.longestStallMs, now - last);
        last = now;
    }
    return run;
}

}  // namespace viz::testing

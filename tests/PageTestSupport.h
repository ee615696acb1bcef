#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "ModalCatcher.h"
#include "Patience.h"
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

// Runs the event loop until everything posted before the call has been
// handled: the point after which a posted wake-up or update would have shown.
inline bool HandlePostedEvents() {
    bool handled = false;
    QMetaObject::invokeMethod(
        qApp, [&handled] { handled = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&] { return handled; }, 20000);
}

// Waits until every other thread sleeps again and what they posted to the
// window has been handled: the point after which news handed to a thread
// (a device event, a read) would have shown.
inline bool Settled() {
    return WaitUntilOthersSleep() && HandlePostedEvents();
}

// Waits until `taken` holds (the program has read what the test sent it)
// and then until the program has settled.
inline bool HandledAfter(const std::function<bool()>& taken) {
    const auto end = std::chrono::steady_clock::now() + kHangLimit;
    while (!taken()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QTest::qWait(1);
    }
    return Settled();
}

// Runs the event loop through `count` ticks of a timer of `periodMs`: a
// page's timer of that period has had as many chances to tick, however busy
// the machine, which a fixed wait cannot promise.
inline void RunTimerTicks(int periodMs, int count) {
    QTimer ticker;
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(periodMs);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= count; }, 60000)) << "the loop runs no timers";
}

// The longest a test lets the window wait. The window may wait for the
// machine (tests run beside each other and under sanitizers), never for a
// link: a wait for a link that does not take data lasts as long as the test
// runs the loop, so run it for several times this.
inline constexpr qint64 kStallLimitMs = 1000;

// How long this thread has waited for a processor while ready to run, in
// nanoseconds: the part of a stall that a busy machine causes, not the window.
inline qint64 WaitedForProcessorNs() {
    std::ifstream stat("/proc/thread-self/schedstat");
    qint64 running = 0;
    qint64 waiting = 0;
    stat >> running >> waiting;
    return waiting;
}

// Runs the event loop until `condition` holds or `limitMs` passed, and
// measures the longest time the loop could not run meanwhile, less the time
// the machine gave the thread no processor: what a user would feel as a
// frozen window on an idle machine.
struct LoopRun {
    bool reached = false;
    qint64 longestStallMs = 0;
};
inline LoopRun RunLoopUntil(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    LoopRun run;
    qint64 last = 0;
    qint64 lastWaited = WaitedForProcessorNs();
    while (!(run.reached = condition()) && clock.elapsed() < limitMs) {
        QTest::qWait(1);
        const qint64 now = clock.elapsed();
        const qint64 waited = WaitedForProcessorNs();
        run.longestStallMs = std::max(run.longestStallMs, now - last - (waited - lastWaited) / 1000000);
        last = now;
        lastWaited = waited;
    }
    return run;
}

}  // namespace viz::testing

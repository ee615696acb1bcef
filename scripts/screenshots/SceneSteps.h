#pragma once

// The small steps every scene takes: find a control the way a user finds it,
// click it, wait for a state, say what went wrong.
//
//     Click(ButtonShowing(page, QStringLiteral("查找USB")), "查找USB");
//     if (!WaitFor([&] { return page->isOpen(); })) return Failed("did not open");
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <functional>

namespace viz::screenshots {

// A control found by what it shows or is called.
template <typename Widget>
Widget* Find(QWidget* page, const std::function<bool(Widget*)>& matches) {
    for (Widget* widget : page->findChildren<Widget*>()) {
        if (matches(widget)) return widget;
    }
    return nullptr;
}

inline QAbstractButton* ButtonShowing(QWidget* page, const QString& text) {
    return Find<QAbstractButton>(page, [&](QAbstractButton* button) { return button->text() == text; });
}

inline QAbstractButton* ButtonNamed(QWidget* page, const QString& name) {
    return Find<QAbstractButton>(page,
                                 [&](QAbstractButton* button) { return button->accessibleName() == name; });
}

inline void Click(QAbstractButton* button, const char* what) {
    if (button) {
        button->click();
    } else {
        std::fprintf(stderr, "screenshots: no control %s\n", what);
    }
}

inline bool WaitFor(const std::function<bool()>& reached, int limitMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!reached()) {
        if (clock.elapsed() > limitMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

inline bool Failed(const char* what) {
    std::fprintf(stderr, "screenshots: %s\n", what);
    return false;
}

}  // namespace viz::screenshots

#pragma once

// The learning board's output parts as drawn widgets, each fed its part of a
// BoardSnapshot. Show() redraws only when the part changed and keeps the
// accessible description the part's state: an LED "亮"/"灭", the display its
// digits, the LCD its two lines.
//
//   CDigitsView* digits = new CDigitsView(parent);
//   digits->Show(snapshot.digits);   // repaints when the digits changed
//   digits->accessibleDescription() -> "20261208"

#include <QWidget>

#include "board/parts/BoardSnapshot.h"

namespace viz {

class CLedLamp : public QWidget {
    Q_OBJECT

public:
    CLedLamp(int number, QWidget* parent);
    void Show(Glow glow, bool lit);
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Glow glow_ = 0;
    bool lit_ = false;
    bool shown_ = false;
};

// Eight seven-segment digits; a segment lit for part of its digit's time
// is drawn dimmer, as the eye sees it.
class CDigitsView : public QWidget {
    Q_OBJECT

public:
    explicit CDigitsView(QWidget* parent);
    void Show(const DigitsSnapshot& digits);
    QSize sizeHint() const override { return {8 * 34 + 12, 64}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DigitsSnapshot digits_;
    bool shown_ = false;
};

// The LCD1602's two lines of 16 characters, drawn from the controller's
// glyph rows (user characters included), with its cursor.
class CLcdView : public QWidget {
    Q_OBJECT

public:
    explicit CLcdView(QWidget* parent);
    void Show(const LcdSnapshot& lcd);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LcdSnapshot lcd_;
    bool shown_ = false;
};

}  // namespace viz

#include "board/learn/LearnParts.h"

#include <QAccessible>
#include <QPainter>
#include <QPainterPath>

#include "board/learn/LearnTexts.h"
#include "board/parts/PartsTexts.h"

namespace viz {
namespace {

namespace t = texts::learn;

void TellDescription(QWidget* widget, const QString& description) {
    if (widget->accessibleDescription() == description) return;
    widget->setAccessibleDescription(description);
    QAccessibleEvent event(widget, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

QColor Glowing(QColor off, QColor on, Glow glow) {
    const double f = glow / 255.0;
    return QColor::fromRgbF(static_cast<float>(off.redF() + (on.redF() - off.redF()) * f),
                            static_cast<float>(off.greenF() + (on.greenF() - off.greenF()) * f),
                            static_cast<float>(off.blueF() + (on.blueF() - off.blueF()) * f));
}

// A trailing run of spaces is padding, not text, to a screen reader.
QString TrimmedLine(const std::string& line) {
    QString text = QString::fromStdString(line);
    while (text.endsWith(QLatin1Char(' '))) text.chop(1);
    return text;
}

// Segment a..g of a digit in a 20x36 box as polygons, dp as a dot.
QPolygonF SegmentShape(int segment) {
    const double w = 20, h = 36, m = h / 2, t = 3;
    auto bar = [&](double x1, double y1, double x2, double y2) {
        if (y1 == y2)
            return QPolygonF({{x1 + t, y1},
                              {x1 + 2 * t, y1 - t},
                              {x2 - 2 * t, y2 - t},
                              {x2 - t, y2},
                              {x2 - 2 * t, y2 + t},
                              {x1 + 2 * t, y1 + t}});
        return QPolygonF({{x1, y1 + t},
                          {x1 + t, y1 + 2 * t},
                          {x2 + t, y2 - 2 * t},
                          {x2, y2 - t},
                          {x2 - t, y2 - 2 * t},
                          {x1 - t, y1 + 2 * t}});
    };
    switch (segment) {
        case 0:
            return bar(0, 0, w, 0);
        case 1:
            return bar(w, 0, w, m);
        case 2:
            return bar(w, m, w, h);
        case 3:
            return bar(0, h, w, h);
        case 4:
            return bar(0, m, 0, h);
        case 5:
            return bar(0, 0, 0, m);
        default:
            return bar(0, m, w, m);
    }
}

}  // namespace

CLedLamp::CLedLamp(int number, QWidget* parent) : QWidget(parent) {
    setAccessibleName(QString::fromUtf8(t::kLedName).arg(number));
    setAccessibleDescription(QString::fromUtf8(parts_texts::kDark));
    setMinimumSize(sizeHint());
}

void CLedLamp::Show(Glow glow, bool lit) {
    if (shown_ && glow == glow_ && lit == lit_) return;
    shown_ = true;
    glow_ = glow;
    lit_ = lit;
    TellDescription(this, QString::fromUtf8(lit ? parts_texts::kLit : parts_texts::kDark));
    update();
}

void CLedLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 4;
    painter.setPen(QPen(QColor(90, 30, 30), 1));
    painter.setBrush(Glowing(QColor(70, 20, 20), QColor(255, 40, 40), glow_));
    painter.drawEllipse(QRect((width() - side) / 2, (height() - side) / 2, side, side));
}

CDigitsView::CDigitsView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QString::fromUtf8(t::kDigitsName));
    setMinimumSize(sizeHint());
}

void CDigitsView::Show(const DigitsSnapshot& digits) {
    if (shown_ && digits == digits_) return;
    shown_ = true;
    digits_ = digits;
    TellDescription(this, QString::fromStdString(digits.text));
    update();
}

void CDigitsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(20, 20, 20));
    painter.setPen(Qt::NoPen);
    const double scale = std::min(width() / (8.0 * 34 + 12), height() / 64.0);
    painter.scale(scale, scale);
    for (std::size_t digit = 0; digit < digits_.segments.size(); ++digit) {
        painter.save();
        painter.translate(12 + 34.0 * static_cast<double>(digit), 12);
        painter.shear(-0.08, 0);
        for (std::size_t segment = 0; segment < 8; ++segment) {
            painter.setBrush(
                Glowing(QColor(50, 15, 15), QColor(255, 50, 30), digits_.segments[digit][segment]));
            if (segment == 7)
                painter.drawEllipse(QPointF(25, 36), 2.5, 2.5);
            else
                painter.drawPolygon(SegmentShape(static_cast<int>(segment)));
        }
        painter.restore();
    }
}

namespace {

constexpr int kDot = 3;                // one LCD pixel, in screen pixels
constexpr int kCellWidth = 6 * kDot;   // 5 pixels and a gap
constexpr int kCellHeight = 9 * kDot;  // 8 rows and a gap
constexpr int kMargin = 10;

}  // namespace

CLcdView::CLcdView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QString::fromUtf8(t::kLcdName));
    setMinimumSize(sizeHint());
}

QSize CLcdView::sizeHint() const {
    return {2 * kMargin + Hd44780::kColumns * kCellWidth, 2 * kMargin + 2 * kCellHeight};
}

void CLcdView::Show(const LcdSnapshot& lcd) {
    if (shown_ && lcd == lcd_) return;
    shown_ = true;
    lcd_ = lcd;
    TellDescription(this, TrimmedLine(lcd.lines[0]) + QLatin1Char('\n') + TrimmedLine(lcd.lines[1]));
    update();
}

void CLcdView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(120, 170, 40));
    const QColor dark(20, 40, 10), faint(110, 158, 38);
    for (std::size_t line = 0; line < 2; ++line) {
        for (std::size_t column = 0; column < Hd44780::kColumns; ++column) {
            const int x0 = kMargin + static_cast<int>(column) * kCellWidth;
            const int y0 = kMargin + static_cast<int>(line) * kCellHeight;
            const bool cursorHere = lcd_.cursor.shown && lcd_.cursor.line == static_cast<int>(line) &&
                                    lcd_.cursor.column == static_cast<int>(column);
            const GlyphRows& rows = lcd_.cells[line][column];
            for (int row = 0; row < 8; ++row) {
                std::uint8_t bits = lcd_.displayOn ? rows[static_cast<std::size_t>(row)] : 0;
                if (cursorHere && (lcd_.cursor.blink || (lcd_.cursor.underline && row == 7))) bits = 0x1F;
                for (int pixel = 0; pixel < 5; ++pixel) {
                    const bool on = (bits >> (4 - pixel)) & 1;
                    painter.fillRect(x0 + pixel * kDot, y0 + row * kDot, kDot - 1, kDot - 1,
                                     on ? dark : faint);
                }
            }
        }
    }
}

}  // namespace viz

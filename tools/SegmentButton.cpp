#include "tools/SegmentButton.h"

#include <QPainter>
#include <QPainterPath>

#include "tools/ToolsTexts.h"

namespace viz {
namespace {

namespace t = texts::tools;

// Segment images: bars 48 x 8 (across) and 8 x 48 (upright), the point 8 x 8.
constexpr int kLength = 48;
constexpr int kThickness = 8;

bool Horizontal(Segment segment) {
    return segment == Segment::A || segment == Segment::D || segment == Segment::G;
}

// A bar with pointed ends, as segments of a display are shaped.
QPainterPath Bar(const QRectF& box, bool horizontal) {
    const qreal half = (horizontal ? box.height() : box.width()) / 2;
    QPainterPath path;
    if (horizontal) {
        path.moveTo(box.left(), box.center().y());
        path.lineTo(box.left() + half, box.top());
        path.lineTo(box.right() - half, box.top());
        path.lineTo(box.right(), box.center().y());
        path.lineTo(box.right() - half, box.bottom());
        path.lineTo(box.left() + half, box.bottom());
    } else {
        path.moveTo(box.center().x(), box.top());
        path.lineTo(box.right(), box.top() + half);
        path.lineTo(box.right(), box.bottom() - half);
        path.lineTo(box.center().x(), box.bottom());
        path.lineTo(box.left(), box.bottom() - half);
        path.lineTo(box.left(), box.top() + half);
    }
    path.closeSubpath();
    return path;
}

}  // namespace

CSegmentButton::CSegmentButton(Segment segment, QWidget* parent)
    : QAbstractButton(parent), segment_(segment) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    const QString letter =
        segment == Segment::Dot ? QStringLiteral("h") : QString(QChar(u'a' + static_cast<int>(segment)));
    setToolTip(letter);
    setAccessibleName(segment == Segment::Dot ? QString::fromUtf16(t::kDotName)
                                              : QString::fromUtf16(t::kSegmentName).arg(letter));
    setFixedSize(sizeHint());
}

QSize CSegmentButton::sizeHint() const {
    if (segment_ == Segment::Dot) return {kThickness, kThickness};
    return Horizontal(segment_) ? QSize(kLength, kThickness) : QSize(kThickness, kLength);
}

void CSegmentButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor lit(0xE0, 0x20, 0x20);
    const QColor unlit(0xD8, 0xD8, 0xD8);
    painter.setPen(QPen(isChecked() ? lit.darker(130) : unlit.darker(125), 1));
    painter.setBrush(isChecked() ? lit : unlit);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (segment_ == Segment::Dot) {
        painter.drawEllipse(box);
    } else {
        painter.drawPath(Bar(box, Horizontal(segment_)));
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

}  // namespace viz

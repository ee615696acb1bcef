#include "board/learn/WaveCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace viz {
namespace {

constexpr int kTop = 6;

}  // namespace

CWaveCanvas::CWaveCanvas(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(kRowHeight * 2);
}

QSize CWaveCanvas::sizeHint() const {
    const int rows = trace_ ? static_cast<int>(trace_->channels().size()) : 2;
    return {600, 2 * kTop + std::max(rows, 2) * kRowHeight};
}

void CWaveCanvas::SetTrace(LogicTrace trace, SimNanos end) {
    edges_.clear();
    for (std::size_t channel = 0; channel < trace.channels().size(); ++channel)
        edges_.push_back(trace.Edges(channel));
    end_ = std::max(end, trace.start());
    trace_ = std::move(trace);
    cursors_ = {};
    updateGeometry();
    update();
    emit cursorsMoved();
}

void CWaveCanvas::SetWindow(SimNanos start, SimNanos span) {
    start_ = start;
    span_ = std::max<SimNanos>(span, 1);
    update();
}

SimNanos CWaveCanvas::TimeAt(int x) const {
    const int plot = std::max(1, width() - kNameWidth);
    const double fraction = std::clamp(static_cast<double>(x - kNameWidth) / plot, 0.0, 1.0);
    return start_ + static_cast<SimNanos>(std::llround(fraction * static_cast<double>(span_)));
}

int CWaveCanvas::XOf(SimNanos at) const {
    const int plot = std::max(1, width() - kNameWidth);
    const double offset = static_cast<double>(at) - static_cast<double>(start_);
    return kNameWidth + static_cast<int>(std::lround(offset / static_cast<double>(span_) * plot));
}

std::optional<std::size_t> CWaveCanvas::RowAt(int y) const {
    if (!trace_ || y < kTop) return std::nullopt;
    const auto row = static_cast<std::size_t>((y - kTop) / kRowHeight);
    if (row >= trace_->channels().size()) return std::nullopt;
    return row;
}

bool CWaveCanvas::PlaceCursor(int cursor, std::size_t channel, SimNanos at) {
    if (!trace_ || channel >= trace_->channels().size() || cursor < 0 || cursor > 1) return false;
    const std::optional<SimNanos> edge = NearestEdge(*trace_, channel, at);
    if (!edge) return false;
    cursors_[static_cast<std::size_t>(cursor)] = edge;
    update();
    emit cursorsMoved();
    return true;
}

std::optional<CursorMeasure> CWaveCanvas::Measure() const {
    if (!cursors_[0] || !cursors_[1]) return std::nullopt;
    return MeasureCursors(*cursors_[0], *cursors_[1]);
}

void CWaveCanvas::mousePressEvent(QMouseEvent* event) {
    const std::optional<std::size_t> row = RowAt(event->position().toPoint().y());
    if (!row || event->position().x() < kNameWidth) return QWidget::mousePressEvent(event);
    const int cursor = event->button() == Qt::RightButton ? 1 : 0;
    PlaceCursor(cursor, *row, TimeAt(event->position().toPoint().x()));
}

void CWaveCanvas::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) return QWidget::wheelEvent(event);
    emit zoomRequested(std::pow(0.8, steps), TimeAt(event->position().toPoint().x()));
    event->accept();
}

void CWaveCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(18, 18, 24));
    if (!trace_) return;
    for (std::size_t channel = 0; channel < trace_->channels().size(); ++channel)
        PaintRow(painter, channel, kTop + static_cast<int>(channel) * kRowHeight);
    const std::array<QColor, 2> colours{QColor(80, 160, 255), QColor(255, 160, 40)};
    for (std::size_t i = 0; i < cursors_.size(); ++i) {
        if (!cursors_[i]) continue;
        const int x = XOf(*cursors_[i]);
        if (x < kNameWidth || x > width()) continue;
        painter.setPen(QPen(colours[i], 1, Qt::DashLine));
        painter.drawLine(x, 0, x, height());
    }
}

void CWaveCanvas::PaintRow(QPainter& painter, std::size_t channel, int top) const {
    painter.setPen(QColor(200, 200, 200));
    painter.drawText(QRect(4, top, kNameWidth - 8, kRowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromStdString(trace_->channels()[channel].name));
    const std::vector<SimNanos>& edges = edges_[channel];
    const bool initial = trace_->InitialLevel(channel);
    const int high = top + 5, low = top + kRowHeight - 5;
    painter.setPen(QColor(60, 220, 90));
    // Per pixel column: the level at its end, and whether any edge fell in it.
    auto before = std::lower_bound(edges.begin(), edges.end(), TimeAt(kNameWidth));
    int lastY = -1;
    const SimNanos last = std::max(end_, edges.empty() ? end_ : edges.back());
    for (int x = kNameWidth; x < width(); ++x) {
        const SimNanos columnEnd = TimeAt(x + 1);
        if (TimeAt(x) > last) break;
        if (columnEnd < trace_->start()) continue;
        const auto after = std::upper_bound(before, edges.end(), columnEnd);
        const bool level = initial ^ ((after - edges.begin()) % 2 == 1);
        const int y = level ? high : low;
        if (after != before || (lastY >= 0 && lastY != y)) {
            painter.drawLine(x, high, x, low);
        } else {
            painter.drawPoint(x, y);
        }
        lastY = y;
        before = after;
    }
}

}  // namespace viz

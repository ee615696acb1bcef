#pragma once

// The logic analyser's waveform rows: one row per recorded pin over a window
// of simulated time, and two cursors that snap to the nearest edge of the
// row they are placed on. Drawing costs a binary search per pixel column,
// however many changes the trace holds.
//
//   CWaveCanvas canvas(parent);
//   canvas.SetTrace(std::move(trace), end);
//   canvas.SetWindow(start, span);
//   canvas.PlaceCursor(0, channel, t);   // left button does the same
//   canvas.Measure() -> CursorMeasure between the cursors, when both are placed

#include <QWidget>

#include <array>
#include <optional>
#include <vector>

#include "board/parts/LogicTrace.h"

namespace viz {

class CWaveCanvas : public QWidget {
    Q_OBJECT

public:
    static constexpr int kNameWidth = 70;
    static constexpr int kRowHeight = 28;

    explicit CWaveCanvas(QWidget* parent);

    void SetTrace(LogicTrace trace, SimNanos end);
    const std::optional<LogicTrace>& trace() const { return trace_; }
    SimNanos end() const { return end_; }

    void SetWindow(SimNanos start, SimNanos span);
    SimNanos windowStart() const { return start_; }
    SimNanos windowSpan() const { return span_; }

    // Cursor 0 or 1 on the edge of `channel` nearest to `at`; false (the
    // cursor unmoved) when the channel never changed.
    bool PlaceCursor(int cursor, std::size_t channel, SimNanos at);
    std::optional<SimNanos> cursor(int which) const { return cursors_[static_cast<std::size_t>(which)]; }
    std::optional<CursorMeasure> Measure() const;

    // The time at pixel column `x` and the row at height `y` (nothing outside the rows).
    SimNanos TimeAt(int x) const;
    std::optional<std::size_t> RowAt(int y) const;
    int XOf(SimNanos at) const;

    QSize sizeHint() const override;

signals:
    void cursorsMoved();
    // The wheel asks for a zoom around `at` (factor < 1 zooms in).
    void zoomRequested(double factor, SimNanos at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void PaintRow(QPainter& painter, std::size_t channel, int top) const;

    std::optional<LogicTrace> trace_;
    std::vector<std::vector<SimNanos>> edges_;  // per channel, in time order
    SimNanos end_ = 0;
    SimNanos start_ = 0;
    SimNanos span_ = 1;
    std::array<std::optional<SimNanos>, 2> cursors_;
};

}  // namespace viz

#pragma once

// The plot of a PlotFeed's samples: a curve per channel with a legend of
// check boxes beside it (a click hides or shows a channel, and so does the
// keyboard). It draws only when Redraw() is called (the window's frame
// timer), never as data arrives, and then only what changed since.
//
// The view follows the newest `windowPoints` samples until the user zooms
// (wheel; Ctrl+wheel for Y) or pans (drag, arrow keys; + and - zoom X,
// Ctrl with them Y); ResetView() (or Home) follows again. Each curve gets
// about one point per pixel column (PlotSamples::Extract), so the cost of a
// frame does not grow with the samples shown.

#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "plot/PlotFeed.h"

class QCheckBox;
class QCustomPlot;
class QVBoxLayout;

namespace viz {

class CPlotView : public QWidget {
    Q_OBJECT

public:
    static constexpr std::size_t kDefaultWindowPoints = 1000;

    explicit CPlotView(QWidget* parent = nullptr);

    void setAxis(PlotAxis axis);
    PlotAxis axis() const { return axis_; }
    void setWindowPoints(std::size_t points);
    std::size_t windowPoints() const { return windowPoints_; }
    // A fixed Y range, or nullopt: Y fits what is shown.
    void setFixedY(std::optional<std::pair<double, double>> range);
    // Back to following the newest samples, Y by its setting.
    void ResetView();
    bool following() const { return !manualX_ && !manualY_; }

    // Draws what `feed` holds when it or the view changed since the last
    // draw. True when it drew.
    bool Redraw(const PlotFeed& feed);

    QCustomPlot* plot() const { return plot_; }
    std::pair<double, double> xRange() const;
    std::pair<double, double> yRange() const;
    // The legend entry of a channel; null for a channel not seen yet.
    QCheckBox* legendEntry(std::size_t channel) const;
    // The points the curve of `channel` shows now.
    std::size_t shownPoints(std::size_t channel) const;

signals:
    // The user zoomed or panned.
    void viewChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SyncChannels(const std::vector<std::u16string>& names);
    void FollowX(const PlotSamples& samples);
    void FitY(double lowest, double highest);
    void Zoom(Qt::Orientation orientation, double factor, std::optional<double> center);
    void Pan(Qt::Orientation orientation, double fraction);
    void MarkManual(bool x, bool y);
    bool KeyPressed(int key, Qt::KeyboardModifiers modifiers);

    QCustomPlot* plot_;
    QWidget* legend_;
    QVBoxLayout* legendLayout_;
    std::vector<QCheckBox*> entries_;
    std::vector<std::u16string> names_;
    std::vector<PlotPoint> points_;

    PlotAxis axis_ = PlotAxis::SampleNumber;
    std::size_t windowPoints_ = kDefaultWindowPoints;
    std::optional<std::pair<double, double>> fixedY_;
    bool manualX_ = false;
    bool manualY_ = false;
    bool dirty_ = true;
    std::uint64_t drawnVersion_ = 0;
    bool dragging_ = false;
    QPointF dragAt_;
};

}  // namespace viz

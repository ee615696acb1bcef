#include "plot/PlotView.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <qcustomplot.h>

#include <array>
#include <cmath>
#include <limits>

#include "base/QtText.h"
#include "plot/PlotTexts.h"

namespace viz {
namespace {

namespace t = plot_texts;

// Sixteen colours told apart on a white ground.
constexpr std::array<QRgb, kPlotChannels> kColours{
    0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b, 0xe377c2, 0x7f7f7f,
    0xbcbd22, 0x17becf, 0x000080, 0x800000, 0x008080, 0x808000, 0xff00ff, 0x000000,
};
// What one wheel step or + / - does to a range.
constexpr double kZoomStep = 0.85;
// What one arrow key moves, of the shown range.
constexpr double kPanStep = 0.1;
// Time ranges shorter than this show milliseconds.
constexpr double kFineTimeSeconds = 10;

}  // namespace

CPlotView::CPlotView(QWidget* parent) : QWidget(parent) {
    plot_ = new QCustomPlot(this);
    plot_->setObjectName(QStringLiteral("plot"));
    plot_->setAccessibleName(Text(t::kPlotName));
    plot_->setToolTip(Text(t::kTipPlot));
    plot_->setFocusPolicy(Qt::StrongFocus);
    plot_->setMinimumSize(320, 200);
    // Thin, unsmoothed lines: a frame of 16 full curves stays a few milliseconds.
    plot_->setNotAntialiasedElements(QCP::aeAll);
    plot_->setPlottingHint(QCP::phFastPolylines, true);
    plot_->xAxis->setRange(1, static_cast<double>(windowPoints_));
    plot_->yAxis->setRange(-1, 1);
    plot_->installEventFilter(this);

    legend_ = new QWidget(this);
    legend_->setObjectName(QStringLiteral("legend"));
    legend_->setAccessibleName(Text(t::kLegendName));
    legendLayout_ = new QVBoxLayout(legend_);
    legendLayout_->setContentsMargins(0, 0, 0, 0);
    legendLayout_->addStretch(1);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(plot_, 1);
    row->addWidget(legend_);
}

void CPlotView::setAxis(PlotAxis axis) {
    if (axis == axis_) return;
    axis_ = axis;
    if (axis == PlotAxis::ReceiveTime) {
        plot_->xAxis->setTicker(QSharedPointer<QCPAxisTickerDateTime>::create());
    } else {
        plot_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
    }
    // The old range means nothing on the new axis.
    manualX_ = false;
    dirty_ = true;
}

void CPlotView::setWindowPoints(std::size_t points) {
    windowPoints_ = std::max<std::size_t>(points, 2);
    dirty_ = true;
}

void CPlotView::setFixedY(std::optional<std::pair<double, double>> range) {
    fixedY_ = range;
    manualY_ = false;
    dirty_ = true;
}

void CPlotView::ResetView() {
    manualX_ = false;
    manualY_ = false;
    dirty_ = true;
}

std::pair<double, double> CPlotView::xRange() const {
    return {plot_->xAxis->range().lower, plot_->xAxis->range().upper};
}

std::pair<double, double> CPlotView::yRange() const {
    return {plot_->yAxis->range().lower, plot_->yAxis->range().upper};
}

QCheckBox* CPlotView::legendEntry(std::size_t channel) const {
    return channel < entries_.size() ? entries_[channel] : nullptr;
}

std::size_t CPlotView::shownPoints(std::size_t channel) const {
    if (channel >= static_cast<std::size_t>(plot_->graphCount())) return 0;
    return static_cast<std::size_t>(plot_->graph(static_cast<int>(channel))->dataCount());
}

void CPlotView::SyncChannels(const std::vector<std::u16string>& names) {
    if (names == names_) return;
    const bool grown =
        names.size() > names_.size() && std::equal(names_.begin(), names_.end(), names.begin());
    if (!grown) {
        // Cleared and begun anew.
        plot_->clearGraphs();
        for (QCheckBox* entry : entries_) delete entry;
        entries_.clear();
        names_.clear();
    }
    for (std::size_t c = names_.size(); c < names.size(); ++c) {
        const QColor colour(kColours[c % kColours.size()]);
        QCPGraph* graph = plot_->addGraph();
        // Cosmetic: one pixel whatever the scale, drawn by the fast stroker.
        QPen pen(colour, 0);
        pen.setCosmetic(true);
        graph->setPen(pen);
        graph->setAdaptiveSampling(false);
        QPixmap swatch(12, 12);
        swatch.fill(colour);
        auto* entry = new QCheckBox(QString::fromStdU16String(names[c]), legend_);
        entry->setObjectName(QStringLiteral("channel%1").arg(c + 1));
        entry->setIcon(QIcon(swatch));
        entry->setChecked(true);
        entry->setToolTip(Text(t::kTipLegend));
        connect(entry, &QCheckBox::toggled, this, [this] { dirty_ = true; });
        legendLayout_->insertWidget(legendLayout_->count() - 1, entry);
        entries_.push_back(entry);
    }
    names_ = names;
}

void CPlotView::FollowX(const PlotSamples& samples) {
    const std::size_t count = samples.size();
    const auto window = static_cast<double>(windowPoints_);
    if (axis_ == PlotAxis::SampleNumber) {
        const auto first = static_cast<double>(samples.firstNumber());
        const double last = count == 0 ? first : static_cast<double>(samples.number(count - 1));
        // Fewer samples than the window: they grow from the left edge.
        const double lower = std::max(first, last - window + 1);
        plot_->xAxis->setRange(lower, lower + window - 1);
        return;
    }
    if (count == 0) {
        // The last ten seconds until the first sample comes.
        const double now = static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000;
        plot_->xAxis->setRange(now - 10, now);
        return;
    }
    const std::size_t from = count > windowPoints_ ? count - windowPoints_ : 0;
    const double lower = samples.X(from, axis_);
    const double upper = samples.X(count - 1, axis_);
    plot_->xAxis->setRange(lower, std::max(upper, lower + 1e-3));
}

void CPlotView::FitY(double lowest, double highest) {
    if (lowest > highest) {
        plot_->yAxis->setRange(-1, 1);
    } else if (lowest == highest) {
        plot_->yAxis->setRange(lowest - 1, highest + 1);
    } else {
        const double margin = (highest - lowest) * 0.05;
        plot_->yAxis->setRange(lowest - margin, highest + margin);
    }
}

bool CPlotView::Redraw(const PlotFeed& feed) {
    if (!dirty_ && feed.version() == drawnVersion_) return false;
    drawnVersion_ = feed.version();
    dirty_ = false;
    SyncChannels(feed.names());
    const PlotSamples& samples = feed.samples();
    if (!manualX_) FollowX(samples);
    const QCPRange x = plot_->xAxis->range();
    const auto [first, end] = samples.RowsBetween(x.lower, x.upper, axis_);
    // A lowest and a highest point per two pixel columns: dense data draws
    // as the same band as with every point, at the cost of a few strokes.
    const auto buckets = static_cast<std::size_t>(std::max(plot_->axisRect()->width() / 2, 100));
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    QVector<QCPGraphData> curve;
    for (int c = 0; c < plot_->graphCount(); ++c) {
        QCPGraph* graph = plot_->graph(c);
        const bool shown = entries_[static_cast<std::size_t>(c)]->isChecked();
        graph->setVisible(shown);
        if (!shown) {
            graph->data()->clear();
            continue;
        }
        samples.Extract(static_cast<std::size_t>(c), first, end, buckets, axis_, points_);
        curve.resize(static_cast<qsizetype>(points_.size()));
        for (std::size_t i = 0; i < points_.size(); ++i) {
            const PlotPoint& point = points_[i];
            curve[static_cast<qsizetype>(i)] = QCPGraphData(point.x, point.y);
            // The points just outside the edges do not widen Y.
            if (point.x >= x.lower && point.x <= x.upper) {
                lowest = std::min(lowest, point.y);
                highest = std::max(highest, point.y);
            }
        }
        graph->data()->set(curve, true);
    }
    if (!manualY_) {
        if (fixedY_) {
            plot_->yAxis->setRange(fixedY_->first, fixedY_->second);
        } else {
            FitY(lowest, highest);
        }
    }
    if (axis_ == PlotAxis::ReceiveTime) {
        auto ticker = plot_->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
        if (ticker)
            ticker->setDateTimeFormat(x.size() < kFineTimeSeconds ? QStringLiteral("HH:mm:ss.zzz")
                                                                  : QStringLiteral("HH:mm:ss"));
    }
    plot_->replot(QCustomPlot::rpQueuedRefresh);
    return true;
}

void CPlotView::Zoom(Qt::Orientation orientation, double factor, std::optional<double> center) {
    QCPAxis* axis = orientation == Qt::Horizontal ? plot_->xAxis : plot_->yAxis;
    axis->scaleRange(factor, center.value_or(axis->range().center()));
    MarkManual(orientation == Qt::Horizontal, orientation == Qt::Vertical);
}

void CPlotView::Pan(Qt::Orientation orientation, double fraction) {
    QCPAxis* axis = orientation == Qt::Horizontal ? plot_->xAxis : plot_->yAxis;
    axis->moveRange(axis->range().size() * fraction);
    MarkManual(orientation == Qt::Horizontal, orientation == Qt::Vertical);
}

void CPlotView::MarkManual(bool x, bool y) {
    manualX_ = manualX_ || x;
    manualY_ = manualY_ || y;
    dirty_ = true;
    emit viewChanged();
}

bool CPlotView::KeyPressed(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::Orientation zoomed = (modifiers & Qt::ControlModifier) ? Qt::Vertical : Qt::Horizontal;
    switch (key) {
        case Qt::Key_Left:
            Pan(Qt::Horizontal, -kPanStep);
            break;
        case Qt::Key_Right:
            Pan(Qt::Horizontal, kPanStep);
            break;
        case Qt::Key_Up:
            Pan(Qt::Vertical, kPanStep);
            break;
        case Qt::Key_Down:
            Pan(Qt::Vertical, -kPanStep);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            Zoom(zoomed, kZoomStep, std::nullopt);
            break;
        case Qt::Key_Minus:
            Zoom(zoomed, 1 / kZoomStep, std::nullopt);
            break;
        case Qt::Key_Home:
            ResetView();
            emit viewChanged();
            break;
        default:
            return false;
    }
    return true;
}

bool CPlotView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != plot_) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::Wheel: {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            const double steps = wheel->angleDelta().y() / 120.0;
            if (steps == 0) return true;
            const bool vertical = (wheel->modifiers() & Qt::ControlModifier) != 0;
            const QCPAxis* axis = vertical ? plot_->yAxis : plot_->xAxis;
            const double at = vertical ? wheel->position().y() : wheel->position().x();
            Zoom(vertical ? Qt::Vertical : Qt::Horizontal, std::pow(kZoomStep, steps),
                 axis->pixelToCoord(at));
            return true;
        }
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            dragging_ = true;
            dragAt_ = mouse->position();
            plot_->setFocus(Qt::MouseFocusReason);
            return true;
        }
        case QEvent::MouseMove: {
            if (!dragging_) return false;
            const QPointF at = static_cast<QMouseEvent*>(event)->position();
            plot_->xAxis->moveRange(plot_->xAxis->pixelToCoord(dragAt_.x()) -
                                    plot_->xAxis->pixelToCoord(at.x()));
            plot_->yAxis->moveRange(plot_->yAxis->pixelToCoord(dragAt_.y()) -
                                    plot_->yAxis->pixelToCoord(at.y()));
            dragAt_ = at;
            MarkManual(true, true);
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (!dragging_) return false;
            dragging_ = false;
            return true;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            return KeyPressed(key->key(), key->modifiers());
        }
        default:
            return QWidget::eventFilter(watched, event);
    }
}

}  // namespace viz

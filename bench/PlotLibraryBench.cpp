// Which plotting library draws the plot window's frames within budget:
// QCustomPlot (what the window uses) against Qt Charts, given the same
// points. Built only with -DVIZ_PLOT_LIBRARY_BENCH=ON, which also needs
// qt6-charts-dev; the program itself never links Qt Charts.
//
// Each case draws frames of 16 curves in a 900 x 500 widget and times each
// frame from handing over the points to the end of a synchronous repaint:
//   follow  - the window's default: the newest 1,000 samples, 33 new
//             samples per frame (1,000 lines/s at 30 frames/s);
//   ring    - all of a full ring of 100,000 samples, thinned as the window
//             does to about one point per pixel column;
//   raw     - 10,000 samples per curve handed over unthinned (what a
//             library copes with on its own).
// Frames are timed by the thread's CPU time (what the drawing costs, which a
// busy machine changes less than the wall clock) and by the wall clock.
// Prints mean, 99th percentile and longest frame in ms per library and case,
// and first the same without a library: the cost of taking the points out
// of the ring, which both pay.
//
//   plot_library_bench [--frames N]     (default 300 per case)
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QValueAxis>

#include <qcustomplot.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchOptions.h"
#include "plot/PlotSamples.h"

namespace {

constexpr int kChannels = 16;
constexpr int kWidth = 900;
constexpr int kHeight = 500;

using Curves = std::vector<std::vector<viz::PlotPoint>>;

// One pixel wide whatever the scale (cosmetic), as the window draws.
QPen Pen(int channel) {
    QPen pen(QColor::fromHsv(channel * 22, 255, 200), 0);
    pen.setCosmetic(true);
    return pen;
}

// One library's widget, given every frame's points and ranges.
class Surface {
public:
    virtual ~Surface() = default;
    virtual QWidget* widget() = 0;
    // Hands over the points and draws them before returning.
    virtual void Draw(const Curves& curves, double x0, double x1, double y0, double y1) = 0;
};

class CustomPlotSurface : public Surface {
public:
    CustomPlotSurface() {
        // As CPlotView sets it up.
        plot_.setNotAntialiasedElements(QCP::aeAll);
        plot_.setPlottingHint(QCP::phFastPolylines, true);
        for (int c = 0; c < kChannels; ++c) {
            QCPGraph* graph = plot_.addGraph();
            graph->setPen(Pen(c));
            graph->setAdaptiveSampling(false);
        }
    }
    QWidget* widget() override { return &plot_; }
    void Draw(const Curves& curves, double x0, double x1, double y0, double y1) override {
        QVector<QCPGraphData> data;
        for (int c = 0; c < kChannels; ++c) {
            const auto& points = curves[static_cast<std::size_t>(c)];
            data.resize(static_cast<qsizetype>(points.size()));
            for (std::size_t i = 0; i < points.size(); ++i)
                data[static_cast<qsizetype>(i)] = QCPGraphData(points[i].x, points[i].y);
            plot_.graph(c)->data()->set(data, true);
        }
        plot_.xAxis->setRange(x0, x1);
        plot_.yAxis->setRange(y0, y1);
        plot_.replot(QCustomPlot::rpImmediateRefresh);
    }

private:
    QCustomPlot plot_;
};

class ChartsSurface : public Surface {
public:
    ChartsSurface() {
        auto* chart = new QChart;
        chart->legend()->hide();
        chart->setAnimationOptions(QChart::NoAnimation);
        auto* x = new QValueAxis;
        auto* y = new QValueAxis;
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        for (int c = 0; c < kChannels; ++c) {
            auto* series = new QLineSeries;
            series->setPen(Pen(c));
            chart->addSeries(series);
            series->attachAxis(x);
            series->attachAxis(y);
            series_.push_back(series);
        }
        x_ = x;
        y_ = y;
        view_.setChart(chart);
        view_.setRenderHint(QPainter::Antialiasing, false);
    }
    QWidget* widget() override { return &view_; }
    void Draw(const Curves& curves, double x0, double x1, double y0, double y1) override {
        QList<QPointF> points;
        for (int c = 0; c < kChannels; ++c) {
            const auto& curve = curves[static_cast<std::size_t>(c)];
            points.resize(static_cast<qsizetype>(curve.size()));
            for (std::size_t i = 0; i < curve.size(); ++i)
                points[static_cast<qsizetype>(i)] = QPointF(curve[i].x, curve[i].y);
            series_[static_cast<std::size_t>(c)]->replace(points);
        }
        x_->setRange(x0, x1);
        y_->setRange(y0, y1);
        // The chart lays out its items from posted events before it paints.
        QApplication::processEvents();
        view_.repaint();
    }

private:
    QChartView view_;
    std::vector<QLineSeries*> series_;
    QValueAxis* x_ = nullptr;
    QValueAxis* y_ = nullptr;
};

// No library: what taking the points out of the ring costs on its own.
class NoSurface : public Surface {
public:
    QWidget* widget() override { return &widget_; }
    void Draw(const Curves&, double, double, double, double) override {}

private:
    QWidget widget_;
};

double ThreadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Frames {
    std::vector<double> cpu;
    std::vector<double> wall;
};

struct Times {
    double mean = 0;
    double p99 = 0;
    double longest = 0;
};

Times Summary(std::vector<double> frames) {
    std::sort(frames.begin(), frames.end());
    Times times;
    for (const double frame : frames) times.mean += frame;
    times.mean /= static_cast<double>(frames.size());
    times.p99 = frames[frames.size() * 99 / 100];
    times.longest = frames.back();
    return times;
}

void Add(viz::PlotSamples& samples, std::uint64_t row) {
    viz::PlotValues values;
    values.present = 0xFFFF;
    for (int c = 0; c < kChannels; ++c)
        values.value[static_cast<std::size_t>(c)] =
            c % 2 == 0 ? 100 * std::sin(static_cast<double>(row) / (50.0 + c))
                       : static_cast<double>((row * (c + 1)) % 1000);
    samples.Add(std::chrono::system_clock::time_point(std::chrono::milliseconds(row)), values, kChannels);
}

// Frames of one case: `window` newest rows of a ring of `capacity`, `step`
// new rows per frame, thinned to the widget's width or not.
Frames Run(Surface& surface, std::size_t capacity, std::size_t window, std::size_t step, bool thin,
           int frames) {
    viz::PlotSamples samples(capacity);
    std::uint64_t row = 0;
    while (row < window) Add(samples, row++);
    Curves curves(kChannels);
    Frames times;
    for (int frame = 0; frame < frames; ++frame) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = ThreadCpuMs();
        for (std::size_t i = 0; i < step; ++i) Add(samples, row++);
        const std::size_t end = samples.size();
        const std::size_t first = end > window ? end - window : 0;
        for (int c = 0; c < kChannels; ++c)
            samples.Extract(static_cast<std::size_t>(c), first, end, thin ? kWidth / 2 : 0,
                            viz::PlotAxis::SampleNumber, curves[static_cast<std::size_t>(c)]);
        surface.Draw(curves, samples.X(first, viz::PlotAxis::SampleNumber),
                     samples.X(end - 1, viz::PlotAxis::SampleNumber), -110, 1010);
        times.cpu.push_back(ThreadCpuMs() - cpu);
        times.wall.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const int frames = static_cast<int>(bench::NumberOption(argc, argv, "--frames", 300));
    struct Case {
        const char* name;
        std::size_t capacity;
        std::size_t window;
        std::size_t step;
        bool thin;
    };
    const Case cases[] = {{"follow", 100'000, 1'000, 33, true},
                          {"ring", 100'000, 100'000, 33, true},
                          {"raw", 10'000, 10'000, 33, false}};
    for (const std::string library : {"points_only", "qcustomplot", "qtcharts"}) {
        std::unique_ptr<Surface> surface;
        if (library == "qcustomplot") {
            surface = std::make_unique<CustomPlotSurface>();
        } else if (library == "qtcharts") {
            surface = std::make_unique<ChartsSurface>();
        } else {
            surface = std::make_unique<NoSurface>();
        }
        surface->widget()->resize(kWidth, kHeight);
        surface->widget()->show();
        QApplication::processEvents();
        for (const Case& run : cases) {
            const Frames measured = Run(*surface, run.capacity, run.window, run.step, run.thin, frames);
            const Times cpu = Summary(measured.cpu);
            const Times wall = Summary(measured.wall);
            std::printf("%s %s cpu_ms mean %.2f p99 %.2f longest %.2f  wall_ms mean %.2f p99 %.2f\n",
                        library.c_str(), run.name, cpu.mean, cpu.p99, cpu.longest, wall.mean, wall.p99);
            std::fflush(stdout);
        }
    }
    return 0;
}

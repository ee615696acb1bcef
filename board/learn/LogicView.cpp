#include "board/learn/LogicView.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <string>

#include "board/learn/LearnTexts.h"
#include "board/learn/WaveCanvas.h"

namespace viz {
namespace {

namespace t = texts::learn;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

// Pan positions in steps of a hundredth of the window: an int scroll bar
// then covers any trace length.
constexpr int kStepsPerWindow = 100;

}  // namespace

QString DurationText(SimNanos nanos) {
    struct Unit {
        double nanos;
        const char* name;
    };
    static constexpr Unit kUnits[] = {{1e9, "s"}, {1e6, "ms"}, {1e3, "us"}, {1, "ns"}};
    const auto value = static_cast<double>(nanos);
    for (const Unit& unit : kUnits) {
        if (value < unit.nanos && unit.nanos > 1) continue;
        const double scaled = value / unit.nanos;
        const int decimals = unit.nanos == 1 ? 0 : (scaled < 10 ? 3 : scaled < 100 ? 2 : 1);
        return QStringLiteral("%1 %2").arg(scaled, 0, 'f', decimals).arg(QLatin1String(unit.name));
    }
    return QStringLiteral("0 ns");
}

CLogicView::CLogicView(QWidget* parent) : QWidget(parent) {
    setWindowTitle(Utf8(t::kLogicTitle));
    auto* layout = new QVBoxLayout(this);
    auto* tools = new QHBoxLayout;
    zoomIn_ = new QPushButton(Utf8(t::kZoomIn), this);
    zoomOut_ = new QPushButton(Utf8(t::kZoomOut), this);
    zoomAll_ = new QPushButton(Utf8(t::kZoomAll), this);
    export_ = new QPushButton(Utf8(t::kExportVcd), this);
    for (QPushButton* button : {zoomIn_, zoomOut_, zoomAll_}) tools->addWidget(button);
    tools->addStretch();
    tools->addWidget(export_);
    layout->addLayout(tools);

    canvas_ = new CWaveCanvas(this);
    canvas_->setAccessibleName(Utf8(t::kWavesName));
    canvas_->setToolTip(Utf8(t::kMeasureHint));
    layout->addWidget(canvas_, 1);
    pan_ = new QScrollBar(Qt::Horizontal, this);
    pan_->setAccessibleName(Utf8(t::kPanName));
    layout->addWidget(pan_);
    measure_ = new QLabel(Utf8(t::kMeasureHint), this);
    measure_->setAccessibleName(Utf8(t::kMeasureName));
    layout->addWidget(measure_);
    status_ = new QLabel(Utf8(t::kNoTrace), this);
    layout->addWidget(status_);

    const auto centre = [this] { return canvas_->windowStart() + canvas_->windowSpan() / 2; };
    connect(zoomIn_, &QPushButton::clicked, this, [this, centre] { Zoom(0.5, centre()); });
    connect(zoomOut_, &QPushButton::clicked, this, [this, centre] { Zoom(2.0, centre()); });
    connect(zoomAll_, &QPushButton::clicked, this, &CLogicView::ZoomAll);
    connect(export_, &QPushButton::clicked, this, &CLogicView::AskExportPath);
    connect(canvas_, &CWaveCanvas::cursorsMoved, this, &CLogicView::ShowMeasure);
    connect(canvas_, &CWaveCanvas::zoomRequested, this, &CLogicView::Zoom);
    connect(pan_, &QScrollBar::valueChanged, this, &CLogicView::Panned);
    export_->setEnabled(false);
}

CLogicView::~CLogicView() {
    if (writer_.joinable()) writer_.join();
}

void CLogicView::SetTrace(LogicTrace trace, SimNanos end) {
    const bool full = trace.full();
    canvas_->SetTrace(std::move(trace), end);
    status_->setText(full ? Utf8(t::kTraceFull) : QString());
    export_->setEnabled(true);
    ZoomAll();
}

void CLogicView::ZoomAll() {
    const auto& trace = canvas_->trace();
    if (!trace) return;
    canvas_->SetWindow(trace->start(), canvas_->end() - trace->start());
    SyncPan();
}

void CLogicView::Zoom(double factor, SimNanos at) {
    const auto& trace = canvas_->trace();
    if (!trace) return;
    const SimNanos whole = std::max<SimNanos>(canvas_->end() - trace->start(), 1);
    const double span =
        std::clamp(static_cast<double>(canvas_->windowSpan()) * factor, 10.0, static_cast<double>(whole));
    const double share = static_cast<double>(at - std::min(at, canvas_->windowStart())) /
                         static_cast<double>(canvas_->windowSpan());
    const double start =
        std::clamp(static_cast<double>(at) - share * span, static_cast<double>(trace->start()),
                   static_cast<double>(canvas_->end()) - span);
    canvas_->SetWindow(static_cast<SimNanos>(std::llround(start)), static_cast<SimNanos>(std::llround(span)));
    SyncPan();
}

SimNanos CLogicView::PanStep() const {
    return std::max<SimNanos>(1, canvas_->windowSpan() / kStepsPerWindow);
}

void CLogicView::SyncPan() {
    const auto& trace = canvas_->trace();
    const QSignalBlocker block(pan_);
    const SimNanos step = PanStep();
    const SimNanos hidden =
        canvas_->end() - trace->start() - std::min(canvas_->end() - trace->start(), canvas_->windowSpan());
    pan_->setRange(0, static_cast<int>(std::min<SimNanos>(hidden / step, 1'000'000'000)));
    pan_->setPageStep(kStepsPerWindow);
    pan_->setValue(static_cast<int>((canvas_->windowStart() - trace->start()) / step));
}

void CLogicView::Panned(int value) {
    const auto& trace = canvas_->trace();
    if (!trace) return;
    const SimNanos start = trace->start() + static_cast<SimNanos>(value) * PanStep();
    canvas_->SetWindow(std::min(start, canvas_->end() - std::min(canvas_->end(), canvas_->windowSpan())),
                       canvas_->windowSpan());
}

void CLogicView::ShowMeasure() {
    const std::optional<CursorMeasure> measure = canvas_->Measure();
    const QString text =
        measure ? Utf8(t::kMeasure)
                      .arg(DurationText(measure->nanos),
                           QStringLiteral("%1 Hz").arg(measure->hertz, 0, 'f', measure->hertz < 100 ? 2 : 1))
                : Utf8(t::kMeasureHint);
    measure_->setText(text);
    canvas_->setAccessibleDescription(text);
}

void CLogicView::AskExportPath() {
    const QString path =
        QFileDialog::getSaveFileName(this, Utf8(t::kVcdDialogTitle), QString(), Utf8(t::kVcdFilter));
    if (!path.isEmpty()) ExportVcd(path);
}

void CLogicView::ExportVcd(const QString& path) {
    const auto& trace = canvas_->trace();
    if (!trace) return;
    if (writer_.joinable()) writer_.join();
    export_->setEnabled(false);
    // A trace can hold a million changes: its text is built off the window's thread.
    writer_ = std::thread([this, trace = *trace, end = canvas_->end(), path] {
        std::string error;
        const bool ok = WriteVcdFile(path.toStdString(), trace.Vcd(end), &error);
        QMetaObject::invokeMethod(
            this, [this, path, ok, error] { Exported(path, ok, QString::fromStdString(error)); },
            Qt::QueuedConnection);
    });
}

void CLogicView::Exported(const QString& path, bool ok, const QString& error) {
    export_->setEnabled(true);
    status_->setText(ok ? Utf8(t::kVcdSaved).arg(path) : Utf8(t::kVcdFailed).arg(error));
}

}  // namespace viz

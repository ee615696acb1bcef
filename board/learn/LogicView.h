#pragma once

// "逻辑分析": the recorded pins as waveform rows with zoom (buttons or the
// wheel), panning (the scroll bar), two cursors measuring the time between
// edges, and "导出VCD", which writes the dump on a thread of its own.
//
//   auto* logic = new CLogicView(parent);
//   logic->SetTrace(*shared.Trace(), shared.now());
//   logic->ExportVcd("/tmp/run.vcd");      // status() says when it is written

#include <QWidget>

#include <thread>

#include "board/parts/LogicTrace.h"

class QLabel;
class QPushButton;
class QScrollBar;

namespace viz {

class CWaveCanvas;

class CLogicView : public QWidget {
    Q_OBJECT

public:
    explicit CLogicView(QWidget* parent);
    ~CLogicView() override;

    // Shows the whole trace, up to `end`.
    void SetTrace(LogicTrace trace, SimNanos end);
    // Zooms by `factor` (< 1 in) keeping `at` where it is on the screen.
    void Zoom(double factor, SimNanos at);
    void ZoomAll();
    void ExportVcd(const QString& path);

    CWaveCanvas* canvas() const { return canvas_; }
    QScrollBar* pan() const { return pan_; }
    QLabel* measure() const { return measure_; }
    QLabel* status() const { return status_; }
    QPushButton* exportButton() const { return export_; }

private:
    void ShowMeasure();
    void SyncPan();
    void Panned(int value);
    void AskExportPath();
    void Exported(const QString& path, bool ok, const QString& error);
    SimNanos PanStep() const;

    CWaveCanvas* canvas_ = nullptr;
    QScrollBar* pan_ = nullptr;
    QLabel* measure_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* zoomIn_ = nullptr;
    QPushButton* zoomOut_ = nullptr;
    QPushButton* zoomAll_ = nullptr;
    QPushButton* export_ = nullptr;
    // Writes the dump; joined before a new export and on closing.
    std::thread writer_;
};

// "1.250 ms", "20.00 us", "3.000 s": a duration for the cursor readout.
QString DurationText(SimNanos nanos);

}  // namespace viz

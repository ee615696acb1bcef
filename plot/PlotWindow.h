#pragma once

// A terminal page's plot window ("波形显示"): the numbers in the lines its
// receive areas get, as curves (see PlotFeed.h for how lines become
// samples, PlotView.h for the plot). One per page, made at the first use
// of the page's button and kept until the page ends; it takes lines from
// when it is shown until it is closed, and keeps its samples meanwhile.
//
// It repaints on its own frame timer (at most kFrameRate times a second,
// less when frames are costly), never when data arrives. "导出CSV" and "保存图片" write on a thread of
// their own, from a copy taken when pressed, both through WritePlotExport. Its
// place and size are saved per page, and it opens there again while that is
// on a screen.

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "base/SettingsStore.h"
#include "plot/PlotExport.h"
#include "plot/PlotFeed.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace viz {

class CPlotView;
class CReceiveArea;
class CStatusLabel;

class CPlotWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFrameRate = 30;
    // Asks where a file goes: (suggested path, filter) -> chosen path, or
    // empty when the user cancelled.
    using FileChooser = std::function<QString(const QString& suggested, const QString& filter)>;

    CPlotWindow(SettingsStore& settings, MoreSendKind page, std::vector<CReceiveArea*> areas,
                QWidget* parent);
    ~CPlotWindow() override;

    const PlotFeed& feed() const { return feed_; }
    CPlotView* view() const { return view_; }
    // Whether the receive areas' lines reach the plot now.
    bool attached() const { return attached_; }
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    void TogglePause();
    void Clear();
    void ExportCsv();
    void SavePicture();
    // Whether an export or a picture is being written.
    bool writing() const { return writing_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* CreateControls();
    void Attach();
    void Detach();
    void Frame();
    // Takes the rate (status timer), then shows the status line.
    void RefreshStatus();
    void ShowStatus();
    void YAutoClicked(bool on);
    bool ApplyYRange();
    void Restore();
    void SavePlace();
    // The exports (PlotWindowExport.cpp): the chosen path, or empty (the
    // user cancelled, or an export is being written).
    QString ChooseExportPath(const char16_t* file, const char16_t* filter);
    using ExportContent = std::function<void(PlotExportOut& out)>;
    // Makes and writes `content` on the writer thread; the message line then
    // says `done`, or `failed` with the system's reason.
    void StartExport(const QString& path, ExportContent content, QString done, const char16_t* failed);

    SettingsStore& settings_;
    const MoreSendKind page_;
    const QString pageName_;
    std::vector<QPointer<CReceiveArea>> areas_;
    PlotFeed feed_;
    // The feed's sink for each area.
    std::vector<ReceivedLineSink*> inputs_;
    bool attached_ = false;
    bool placed_ = false;

    CPlotView* view_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* resetView_ = nullptr;
    QComboBox* axis_ = nullptr;
    QSpinBox* window_ = nullptr;
    QCheckBox* yAuto_ = nullptr;
    QLineEdit* yMin_ = nullptr;
    QLineEdit* yMax_ = nullptr;
    QPushButton* yApply_ = nullptr;
    QPushButton* exportCsv_ = nullptr;
    QPushButton* savePicture_ = nullptr;
    CStatusLabel* status_ = nullptr;
    CStatusLabel* message_ = nullptr;

    QTimer frameTimer_;
    // A costly frame (many dense curves) delays the next one, so drawing
    // takes at most a third of the window's time.
    std::chrono::steady_clock::time_point nextFrame_;
    QTimer statusTimer_;
    // Samples taken at the last few status refreshes, for the rate.
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::uint64_t>> rateHistory_;
    std::uint64_t rate_ = 0;
    FileChooser chooser_;

    bool writing_ = false;
    std::atomic<bool> cancelWriting_{false};
    // Last: joined before anything it could reach goes.
    std::jthread writer_;
};

}  // namespace viz

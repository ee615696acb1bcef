#pragma once

// A terminal page's receive area: the group box whose title is the receive
// status line, the CMenuEdit inside it with the area's "时间戳" box below,
// and the receive pipeline behind them, with capture file (double-click),
// text output file, pause and browse.
//
//   ReceiveAreaConfig config;
//   config.countsFormat = u"接收区：已接收%d字节，速度%d字节/秒，";
//   config.initialTitle = u"接收区：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）";
//   config.resetTitle = u"接收区：已接收0字节";
//   config.captureFile = u"串口数据接收记录.txt";
//   config.captureMessage = u"保存串口数据接收记录成功,并保存在该软件的当前目录！";
//   config.outputFile = u"串口数据输出记录.txt";
//   config.commands = {2024, 2025, 2026, 2027};
//   config.textForm = ReceivePipeline::TextForm::Serial;
//   area_ = new CReceiveArea(config, this);
//   pump_->setDelivery([this](const Chunk& c) { area_->Receive(c); }, {});
//   area_->setHexDisplay(hexBox->isChecked());      // on every toggle
//   area_->setFrameBreak(on, ms);
//   area_->setEncoding(TextEncoding::Utf8);          // the page's "编码" (CTextOptions does this)
//   area_->AttachMonitor(monitor_);                  // once the monitor window exists
//   area_->StartStatusTimer();  / StopStatusTimer(); // link opened / closed
//   area_->ResetCounters();                          // "重新计数"
//
// Receive() only updates the model; the widget follows by itself when
// control returns to the event loop, at most once per pass and at most every
// kFlushInterval (a screen need not be redrawn faster), or at once on Flush().

#include <QGroupBox>
#include <QPointer>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

#include "terminal/MenuEdit.h"

class QCheckBox;
class QTextDocument;
#include "terminal/ReceivePipeline.h"

namespace viz {

class CPortMonitorDialog;

struct ReceiveAreaConfig {
    QString countsFormat;    // status line; its two "%d" are total and rate
    QString initialTitle;    // from creation until the first refresh
    QString resetTitle;      // after "重新计数"
    QString captureFile;     // written on double-click, in the current directory
    QString captureMessage;  // shown after the capture file was written
    QString outputFile;      // text output file, in the current directory
    CMenuEdit::Commands commands{};
    ReceivePipeline::TextForm textForm = ReceivePipeline::TextForm::Plain;
    // An area that only shows the page's own notes has no "时间戳" box.
    bool timeStampBox = true;
    // What a screen reader calls the box when the page has more than one area.
    QString timeStampName;
};

class CReceiveArea : public QGroupBox {
    Q_OBJECT

public:
    CReceiveArea(ReceiveAreaConfig config, QWidget* parent = nullptr);

    CMenuEdit* edit() const { return edit_; }
    ReceivePipeline& pipeline() { return pipeline_; }
    // Null when the area has none.
    QCheckBox* timeStampBox() const { return timeStampBox_; }

    // One delivered chunk (see ReceivePipeline::Receive for prefix, suffix
    // and source).
    void Receive(const Chunk& chunk, std::u16string_view prefix = {}, std::u16string_view suffix = {},
                 std::uint64_t source = 0);
    // Shows what the chunks since the last flush produced, now.
    void Flush();
    static constexpr int kFlushInterval = 20;
    // Screen lines one flush lays out at most; more kept lines follow in
    // the next flushes, the newest first. When more came since the last
    // flush, the area starts over with the newest kFlushRestartLines.
    static constexpr std::size_t kFlushLines = 2000;
    static constexpr std::size_t kFlushRestartLines = 250;

    // Replaces the whole text (notes at start, a ping result).
    void SetText(const QString& text);
    // Adds text of the page's own (device listings, events) at the end.
    void AppendText(const QString& text);
    void Clear();

    void setHexDisplay(bool on) { pipeline_.setHexDisplay(on); }
    void setFrameBreak(bool on, std::uint32_t milliseconds) { pipeline_.setFrameBreak(on, milliseconds); }
    // The page's encoding, for the area, its files and its monitor window.
    void setEncoding(TextEncoding encoding);
    // Switches time stamps and shows it in the box.
    void setTimeStamps(bool on);
    // R records go to this monitor window from now on (none: nullptr).
    void AttachMonitor(CPortMonitorDialog* monitor);

    void RefreshStatus();
    // Zero the rate bookkeeping and refresh every 100 ms / stop refreshing.
    void StartStatusTimer();
    void StopStatusTimer();
    void ResetCounters();

    // The context menu's commands; numbers that are not this area's are ignored.
    void HandleCommand(int number);
    void TogglePause();
    void ToggleOutput();
    void BrowseOutput();
    void SaveCapture();

    // How the output file is shown to the user (the desktop's "open" by default).
    void setOpener(std::function<void(const QString& path)> opener) { opener_ = std::move(opener); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ScheduleFlush();
    // Shows `text` alone; a long document goes to retired_.
    void StartOver(const QString& text);
    void EmptyRetired();
    void UpdateColumns();
    std::optional<QString> SelectedText(int start, int end) const;

    const ReceiveAreaConfig config_;
    CMenuEdit* edit_;
    QCheckBox* timeStampBox_ = nullptr;
    ReceivePipeline pipeline_;
    QTimer statusTimer_;
    QPointer<CPortMonitorDialog> monitor_;
    std::function<void(const QString&)> opener_;
    QTimer flushTimer_;
    QElapsedTimer sinceFlush_;
    // Documents the edit showed before starting over, emptied a slice per flush.
    std::deque<std::unique_ptr<QTextDocument>> retired_;
};

// A file of the program's working directory, as the file functions take it.
std::string CurrentDirectoryFile(const QString& name);
// The platform's description of a file error, with the file named.
QString FileErrorText(const QString& file, const std::string& error);

}  // namespace viz

#pragma once

// A terminal page's send area: the group box whose title shows the sent
// counters, the send edit (Enter makes a new line, a double-click loads a
// file), typed sending as hex or text, continuous sending on a timer, and
// file sending in blocks with the progress window. One area may serve
// several links (the network page: TCP and UDP), each with its own write
// function, counter, send-ready guard, timer and progress window.
//
//   SendAreaConfig config;
//   config.countsFormat = u"发送区：已发送%d字节";      // one "%d" per link
//   config.initialTitle = u"发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）";
//   config.resetTitle = u"发送区：已发送0字节";
//   config.links = {{.write = [this](const std::uint8_t* p, std::size_t n) { return serial_.Write(p, n); },
//                    .isOpen = [this] { return serial_.IsOpen(); },
//                    .blockSize = 1024,               // the USB page: 64
//                    .progressTitle = u"串口发送文件进度"}};
//   sendArea_ = new CSendArea(config, this);
//   sendArea_->setHexSend(hexBox->isChecked());        // on every toggle
//   connect(sendButton, &QPushButton::clicked, sendArea_, [this] { sendArea_->Send(0); });
//   sendArea_->StartContinuous(0, period);  / StopContinuous(0);
//   sendArea_->AttachMonitor(0, monitor_);
//   sendArea_->ResetCounters();                         // "重新计数"

#include <QGroupBox>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "terminal/LoadedFile.h"
#include "terminal/SendLink.h"

class QPlainTextEdit;
class QTimer;

namespace viz {

class CPortMonitorDialog;
class CProcessDlg;

struct SendLinkSetup {
    SendLink::WriteFn write{};
    // A send while this returns false does nothing; none means always open.
    std::function<bool()> isOpen{};
    std::size_t blockSize = 1024;
    QString progressTitle{};
};

struct SendAreaConfig {
    QString countsFormat;
    QString initialTitle;
    QString resetTitle;
    std::vector<SendLinkSetup> links;
};

class CSendArea : public QGroupBox {
    Q_OBJECT

public:
    CSendArea(SendAreaConfig config, QWidget* parent = nullptr);
    ~CSendArea() override;

    QPlainTextEdit* edit() const { return edit_; }
    // The edit's text with the line breaks it sends (CR LF).
    std::u16string text() const;

    void setHexSend(bool on) { hexSend_ = on; }

    // "发送" on `link`: the loaded file, else the typed text.
    void Send(int link = 0);
    // A send only when the link is open and no send on it is in progress.
    void Tick(int link = 0);
    void StartContinuous(int link, int periodMs);
    void StopContinuous(int link);
    bool continuous(int link) const;

    void ResetCounters();
    void UpdateTitle();

    // The open-file dialog, then the file into memory (double-click).
    void LoadFile();
    // Replaces the open-file dialog (tests, or a page with its own chooser).
    void setFileChooser(std::function<QString()> chooser) { chooser_ = std::move(chooser); }

    void AttachMonitor(int link, CPortMonitorDialog* monitor);

    SendLink& link(int index);
    const LoadedFile& file() const { return file_; }
    CProcessDlg* progressWindow(int link) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Link;
    void SendFile(Link& link);

    const SendAreaConfig config_;
    QPlainTextEdit* edit_;
    std::vector<std::unique_ptr<Link>> links_;
    LoadedFile file_;
    bool hexSend_ = false;
    std::function<QString()> chooser_;
};

}  // namespace viz

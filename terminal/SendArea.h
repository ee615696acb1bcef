#pragma once

// A terminal page's send area: the group box whose title shows the sent
// counters, the send edit (Enter makes a new line, Tab leaves it, a
// double-click, Ctrl+O or its context menu loads a file), typed sending as
// hex or text, continuous sending on a timer, multi-send entries, and file
// sending with the progress window. One area may serve several links (the
// network page: TCP and UDP), each with its own writer, counter, send-ready
// guard, timer and progress window.
//
// Every send is queued to the link's writer and returns at once; counters,
// S records, progress and the completion text follow on this thread as the
// link takes the data.
//
//   SendAreaConfig config;
//   config.countsFormat = u"发送区：已发送%d字节";      // one "%d" per link
//   config.initialTitle = u"发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）";
//   config.resetTitle = u"发送区：已发送0字节";
//   config.links = {{.write = [this](auto data, auto size, auto wait) { return serial_.Write(data, size, wait); },
//                    .isOpen = [this] { return serial_.IsOpen(); },
//                    .blockSize = 1024,               // the USB page: 64
//                    .progressTitle = u"串口发送文件进度"}};
//   config.notice = [this](int, const QString& text) { receive_->AppendText(text); };
//   sendArea_ = new CSendArea(config, this);
//   sendArea_->setHexSend(hexBox->isChecked());        // on every toggle
//   connect(sendButton, &QPushButton::clicked, sendArea_, [this] { sendArea_->Send(0); });
//   sendArea_->StartContinuous(0, period);  / StopContinuous(0);
//   sendArea_->AttachMonitor(0, monitor_);
//   sendArea_->LinkClosed(0);                           // before the channel closes
//   sendArea_->ResetCounters();                         // "重新计数"
//
// A page deletes its send area first in its destructor, before its
// channels: the writers' threads call the channels until they end.

#include <QGroupBox>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "terminal/LoadedFile.h"
#include "terminal/SendEdit.h"
#include "terminal/SendLink.h"

namespace viz {

class CPortMonitorDialog;
class CProcessDlg;

struct SendLinkSetup {
    LinkWriteFn write{};
    UndeliveredFn undelivered{};
    // A send while this returns false does nothing; none means always open.
    std::function<bool()> isOpen{};
    std::size_t blockSize = 1024;
    // A report link: typed data is cut to one report.
    std::size_t typedLimit = 0;
    QString progressTitle{};
    // Said once per send the link has stopped taking (empty: nothing).
    QString stallHint{};
};

struct SendAreaConfig {
    QString countsFormat;
    QString initialTitle;
    QString resetTitle;
    std::vector<SendLinkSetup> links;
    // Where a link's notes go (the stall hint): the page's receive area.
    std::function<void(int link, const QString& text)> notice{};
    LinkWriter::Limits limits{};
};

class CSendArea : public QGroupBox {
    Q_OBJECT

public:
    CSendArea(SendAreaConfig config, QWidget* parent = nullptr);
    ~CSendArea() override;

    CSendEdit* edit() const { return edit_; }
    // The edit's text with the line breaks it sends (CR LF).
    std::u16string text() const;

    void setHexSend(bool on) { hexSend_ = on; }
    // How typed text and continuous sends become bytes (the page's encoding).
    void setEncoding(TextEncoding encoding);

    // "发送" on `link`: the loaded file, else the typed text.
    void Send(int link = 0);
    // A send only when the link is open and no send on it is in progress.
    void Tick(int link = 0);
    // A multi-send entry; a cycle step only when no send is in progress.
    void SendEntry(int link, Bytes bytes, bool cycleStep);
    // The link is closing: what is queued or being written on it ends now.
    void LinkClosed(int link, SendEnd why = SendEnd::LinkClosed);

    void StartContinuous(int link, int periodMs);
    void StopContinuous(int link);
    bool continuous(int link) const;

    void ResetCounters();
    void UpdateTitle();

    // The open-file dialog, then the file is opened for sending.
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
    void StartFile(Link& link);
    void Collect(int index);
    void FileEnded(Link& link, const SendResult& result);
    void Paint(Link& link);
    void ShowEditMenu(const QPoint& at);

    const SendAreaConfig config_;
    CSendEdit* edit_;
    std::vector<std::unique_ptr<Link>> links_;
    LoadedFile file_;
    bool hexSend_ = false;
    std::function<QString()> chooser_;
};

}  // namespace viz

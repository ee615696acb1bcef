#pragma once

// A terminal page over the in-memory loopback link, wired the way the real
// pages wire the shared components: receive area fed through the chunk
// pump, send area with continuous sending, multi-send dialog and traffic
// monitor created on first use. Pages copy this wiring.

#include <QWidget>

#include "LoopbackChannel.h"
#include "base/SettingsStore.h"
#include "terminal/LinkWrite.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace viz {

class CChunkPump;
class CMoreSendDialog;
class CPortMonitorDialog;
class CReceiveArea;
class CSendArea;
class CTextOptions;

namespace testing {

class LoopbackPage : public QWidget {
public:
    // The link hands back what was written in reads of at most `chunkSize` bytes.
    LoopbackPage(SettingsStore& settings, QWidget* parent = nullptr, std::size_t chunkSize = 1024);
    ~LoopbackPage() override;

    void ToggleOpen();
    void ShowMonitor();
    void ShowMoreSend();
    bool isOpen() const { return channel_.IsOpen(); }

    CReceiveArea* receiveArea() const { return receive_; }
    CSendArea* sendArea() const { return send_; }
    CPortMonitorDialog* monitor() const { return monitor_; }
    CMoreSendDialog* moreSend() const { return moreSend_; }
    CTextOptions* textOptions() const { return textOptions_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* sendButton() const { return sendButton_; }
    QCheckBox* hexSend() const { return hexSend_; }
    QCheckBox* hexDisplay() const { return hexDisplay_; }

private:
    WriteStep Write(const std::uint8_t* bytes, std::size_t count);

    SettingsStore& settings_;
    LoopbackChannel channel_;
    CChunkPump* pump_;
    CReceiveArea* receive_;
    CSendArea* send_;
    CTextOptions* textOptions_;
    CPortMonitorDialog* monitor_ = nullptr;
    CMoreSendDialog* moreSend_ = nullptr;
    QPushButton* open_;
    QPushButton* sendButton_;
    QCheckBox* hexSend_;
    QCheckBox* hexDisplay_;
    QCheckBox* continuous_;
    QLineEdit* period_;
};

}  // namespace testing
}  // namespace viz

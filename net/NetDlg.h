#pragma once

#include <QPointer>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "base/Page.h"
#include "net/Pinger.h"
#include "net/TCPClient.h"
#include "net/UDPClient.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"

class QLabel;
class QPixmap;
class QLineEdit;
class QPushButton;

namespace viz {

class CChunkPump;
class CReceiveArea;
class CSendArea;
class CTerminalOptions;

// The TCP/UDP debug page: a TCP client terminal and a UDP terminal side by
// side, sharing the destination address, the send area and the display
// options, each with its own ports, open button, receive area, counters,
// continuous sending and monitor window, plus a ping of the destination.
//
// Received data reaches the page through one chunk pump per link; the
// channels' notices come on their threads and are posted to the page, which
// ignores those about a link it has already closed.
class CNetDlg : public CPage {
    Q_OBJECT

public:
    // Link numbers as the send area, the multi-send dialog and the page's
    // controls count them.
    enum Side { kTcp = 0, kUdp = 1 };
    // The lamp beside each open button: its icon number when closed and open.
    static constexpr int kLampClosed = 161;
    static constexpr int kLampOpen = 163;

    CNetDlg(PageContext& context, QWidget* parent);
    ~CNetDlg() override;

    // What the controls do, also for tests that drive the page.
    void ToggleLink(int side);
    void Ping();
    // Puts a TCP destination into the address and destination port boxes.
    void SetTcpDestination(const QString& address, int port);
    // Puts the TCP source port into its box (0: the system chooses).
    void SetTcpSource(int port);

    bool isOpen(int side) const { return sides_[static_cast<std::size_t>(side)].open; }
    CReceiveArea* receiveArea(int side) const { return sides_[static_cast<std::size_t>(side)].area; }
    CSendArea* sendArea() const { return sendArea_; }
    CPortMonitorDialog* monitor(int side) const { return sides_[static_cast<std::size_t>(side)].monitor; }
    CMoreSendDialog* moreSend() const { return moreSend_; }
    // The TCP channel, so a test can bound its connect wait.
    CTCPClient& tcpChannel() { return tcp_; }

private:
    class Notices;
    class PumpSink;

    // The controls and state one link owns on the page.
    struct LinkSide {
        QLineEdit* sourcePort = nullptr;
        QLineEdit* destPort = nullptr;
        QPushButton* openButton = nullptr;
        QLabel* lamp = nullptr;
        QPushButton* sendButton = nullptr;
        CReceiveArea* area = nullptr;
        CChunkPump* pump = nullptr;
        std::shared_ptr<PumpSink> sink;
        std::shared_ptr<Notices> notices;
        QPointer<CPortMonitorDialog> monitor;
        bool open = false;
        // The ports of the last open attempt, for the reason it failed.
        int triedSource = 0;
        int triedDest = 0;
    };

    // Layout and wiring (NetDlgLayout.cpp).
    void BuildControls();
    void BuildOptions();
    void BuildLayout();
    void ConnectControls();
    void SetToolTips();

    // Settings (NetDlgSettings.cpp).
    void ReadSettings();
    void WriteSettings();

    // Opening and closing (NetDlgLinks.cpp).
    void OpenLink(int side);
    bool StartChannel(int side, const std::string& address, int sourcePort, int destPort);
    void CloseChannel(int side);
    void LinkOpened(int side);
    void ShowClosed(int side);
    void SetLamp(int side, int icon);
    static QPixmap LampPixmap(int icon);
    void ReportOpenFailure(int side, int error);
    void OnConnected(int side, std::uint64_t link, int error);
    void OnClosed(int side, std::uint64_t link);
    std::uint64_t ChannelLink(int side) const;
    // On the send area's writer threads.
    WriteStep Write(int side, const std::uint8_t* bytes, std::size_t size, const WriteWait& wait);
    std::optional<std::string> Destination() const;

    // Monitors and multi-send (NetDlgOptions.cpp).
    void ShowMonitor(int side);
    void ShowMoreSend();
    void PingFinished(const QString& text);

    CTCPClient tcp_;
    CUDPClient udp_;
    Pinger pinger_;
    std::thread pingThread_;
    std::array<LinkSide, 2> sides_;

    QLineEdit* address_ = nullptr;
    QPushButton* ping_ = nullptr;
    QPushButton* moreSendButton_ = nullptr;
    CSendArea* sendArea_ = nullptr;
    CTerminalOptions* options_ = nullptr;
    QPointer<CMoreSendDialog> moreSend_;
};

}  // namespace viz

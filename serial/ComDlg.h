#pragma once

#include <QPointer>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "base/DownloadPorts.h"
#include "base/ExtraSerialPorts.h"
#include "base/Page.h"
#include "platform/Hotplug.h"
#include "serial/ModemLines.h"
#include "serial/Serial.h"
#include "serial/SerialReconnect.h"
#include "terminal/LinkWriter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace viz {

class CChunkPump;
class CMoreSendDialog;
class CPortMonitorDialog;
class CReceiveArea;
class CSendArea;
class CTerminalOptions;

// Where the serial page finds its ports, their modem lines and news of
// ports arriving and leaving. Tests give sysfs and /dev trees of their own,
// fake modem lines (pseudo-terminals have none) and their own hot-plug news.
struct ComDlgDevices {
    std::filesystem::path ttyClassRoot = "/sys/class/tty";
    std::filesystem::path deviceRoot = "/dev";
    ModemLinesFactory modemLines = MakeTermiosModemLines;
    HotplugEventSourceFactory hotplug = [] { return MakeUdevHotplugEvents("tty"); };
};

// The serial debug page: port and line parameters, the receive and send
// areas, output lines DTR/RTS/BREAK, input lines CTS/DSR/RING/RLSD, the
// traffic monitor and the multi-send dialog. A port that goes away while
// open is waited for and reopened when it comes back ("自动重连"); the port
// list follows ports arriving and leaving.
class CComDlg : public CPage, private SerialListener {
    Q_OBJECT

public:
    // How often a port that went away is looked for besides hot-plug news
    // (links and pseudo-terminals have none).
    static constexpr int kRetryMs = 250;

    CComDlg(PageContext& context, QWidget* parent, ComDlgDevices devices = {});
    ~CComDlg() override;

    bool isOpen() const { return reconnect_.state() == PortState::Open; }
    // The port went away and is waited for.
    bool isWaitingForDevice() const { return reconnect_.state() == PortState::Waiting; }
    // The path of the port the box names: a listed entry's path or what was typed.
    QString portPath() const;
    // The rate the baud box shows.
    std::uint32_t baud() const;
    // The port was closed for a download tool and is reopened when it is free.
    bool isHandedToDownload() const { return reconnect_.handedOver(); }
    CReceiveArea* receiveArea() const { return receive_; }
    CSendArea* sendArea() const { return send_; }
    // Created at the first use of their buttons; null before.
    CPortMonitorDialog* monitor() const;
    CMoreSendDialog* moreSendDialog() const;

    void ToggleOpen();
    // Put a port path and a rate into the boxes as if chosen there (for a
    // start from the command line); the port shows as its listed entry, or
    // as typed when none is listed; a rate the list lacks joins it.
    void ChoosePort(const QString& path);
    void ChooseBaud(std::uint32_t baud);
    // Chooses the port at `path` (a simulated board's), sets `baud` and opens
    // it, closing the port that was open.
    void OpenBoardPort(const QString& path, quint32 baud);
    void ShowMonitor();
    void ShowMoreSend();
    void ResetCounts();

signals:
    // The "虚拟开发板" button.
    void virtualBoardRequested();
    // The "下载程序" button: the download window, for this page's port and rate.
    void downloadRequested(const QString& port, quint32 baud);

private:
    // Construction, by group.
    QWidget* CreateConfigGroup();
    QWidget* CreateLineGroups();
    QWidget* CreateHelperGroup();
    void CreateAreas();
    void SetToolTips();

    using PortState = SerialReconnect::State;

    // Settings.
    void FillLists();
    void LoadSettings();
    void SaveSettings();

    // The port list.
    SerialSystem system() const { return {devices_.ttyClassRoot, devices_.deviceRoot}; }
    void AddPortEntries();
    void RefreshPorts(bool arrival);

    // The port.
    void OpenPort();
    SerialOpenResult StartChannel(const SerialPortConfig& config,
                                  CSerial::Queues queues = CSerial::Queues::Discard);
    void StopChannel(SendEnd why);
    void PortOpened();
    void ClosePort(SendEnd why = SendEnd::LinkClosed);
    void ShowPortState();
    void SetLamp(PortState state);
    void OutputLineClicked(QCheckBox* box);
    void InputLineClicked(QCheckBox* box);
    void ShowInputLine(std::uint64_t session, std::uint32_t line, std::uint32_t value);
    void ClearInputLines();

    // A port that goes away and comes back.
    void StartHotplugWatch();
    void HotplugArrived(const HotplugEvent& event);
    void DeviceLost(std::uint64_t session);
    void TryReconnect();
    // The output lines the user set, set on a port opened again.
    void RestoreOutputLines();
    void AutoReconnectClicked(bool on);

    // A download tool taking the port and giving it back (ComDlgDownload.cpp).
    bool PortReserved(const std::string& path);
    // Tells the user the port is the download's; true when it is.
    bool RefuseReservedPort(const std::string& path);
    void DownloadPortsChanged();

    // Called on the channel's threads.
    void OnLineChanged(std::uint32_t line, std::uint32_t value) override;
    void OnDeviceLost() override;

    const ComDlgDevices devices_;
    CSerial serial_;
    // Counts closings, so news of a session already closed is dropped.
    std::atomic<std::uint64_t> session_{0};
    // The open (or awaited) port: its state, who it is and the line settings it had.
    SerialReconnect reconnect_;
    // Set once the user picked or typed a port (or the saved one was listed):
    // a newly plugged adapter is then not selected for them.
    bool portChosen_ = false;
    std::unique_ptr<HotplugWatch> hotplug_;
    ExtraSerialPorts::Subscription extraPortsChanged_;
    DownloadPorts::Subscription downloadPortsChanged_;
    QTimer* retry_ = nullptr;
    // CTS, DSR, RING, RLSD as last reported.
    std::array<std::uint32_t, 4> lineStates_{};

    CChunkPump* pump_ = nullptr;
    CReceiveArea* receive_ = nullptr;
    CSendArea* send_ = nullptr;
    CTerminalOptions* options_ = nullptr;
    QPointer<CPortMonitorDialog> monitor_;
    QPointer<CMoreSendDialog> moreSend_;

    QComboBox* port_ = nullptr;
    QComboBox* baud_ = nullptr;
    QComboBox* dataBits_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    QComboBox* parity_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* boardButton_ = nullptr;
    QPushButton* downloadButton_ = nullptr;
    QLabel* lamp_ = nullptr;
    QCheckBox* autoReconnect_ = nullptr;
    QCheckBox* dtr_ = nullptr;
    QCheckBox* rts_ = nullptr;
    QCheckBox* break_ = nullptr;
    std::array<QCheckBox*, 4> inputLines_{};
    QPushButton* sendButton_ = nullptr;
    QPushButton* moreSendButton_ = nullptr;
};

}  // namespace viz

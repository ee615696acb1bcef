#pragma once

#include <QPointer>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>

#include "base/Page.h"
#include "serial/ModemLines.h"
#include "serial/Serial.h"
#include "terminal/LinkWriter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace viz {

class CChunkPump;
class CMoreSendDialog;
class CPortMonitorDialog;
class CReceiveArea;
class CSendArea;
class CTextOptions;

// Where the serial page finds its ports and their modem lines. Tests give a
// sysfs tree of their own and fake modem lines (pseudo-terminals have none).
struct ComDlgDevices {
    std::filesystem::path ttyClassRoot = "/sys/class/tty";
    ModemLinesFactory modemLines = MakeTermiosModemLines;
};

// The serial debug page: port and line parameters, the receive and send
// areas, output lines DTR/RTS/BREAK, input lines CTS/DSR/RING/RLSD, the
// traffic monitor and the multi-send dialog.
class CComDlg : public CPage, private SerialListener {
    Q_OBJECT

public:
    CComDlg(PageContext& context, QWidget* parent, ComDlgDevices devices = {});
    ~CComDlg() override;

    bool isOpen() const { return open_; }
    CReceiveArea* receiveArea() const { return receive_; }
    CSendArea* sendArea() const { return send_; }
    // Created at the first use of their buttons; null before.
    CPortMonitorDialog* monitor() const;
    CMoreSendDialog* moreSendDialog() const;

    void ToggleOpen();
    void ShowMonitor();
    void ShowMoreSend();
    void ResetCounts();

private:
    // Construction, by group.
    QWidget* CreateConfigGroup();
    QWidget* CreateLineGroups();
    QWidget* CreateHelperGroup();
    void CreateAreas();
    void SetToolTips();

    // Settings.
    void FillLists();
    void LoadSettings();
    void SaveSettings();

    // The port.
    void OpenPort();
    void ClosePort(SendEnd why = SendEnd::LinkClosed);
    void ShowPortState();
    void SetLamp(bool open);
    void OutputLineClicked(QCheckBox* box);
    void InputLineClicked(QCheckBox* box);
    void ShowInputLine(std::uint64_t session, std::uint32_t line, std::uint32_t value);
    void DeviceLost(std::uint64_t session);

    // Helper group.
    void ContinuousClicked(bool checked);
    void PeriodChanged();

    // Called on the channel's threads.
    void OnLineChanged(std::uint32_t line, std::uint32_t value) override;
    void OnDeviceLost() override;

    const ComDlgDevices devices_;
    CSerial serial_;
    // Counts closings, so news of a session already closed is dropped.
    std::atomic<std::uint64_t> session_{0};
    bool open_ = false;
    int period_ = 1000;
    // CTS, DSR, RING, RLSD as last reported.
    std::array<std::uint32_t, 4> lineStates_{};

    CChunkPump* pump_ = nullptr;
    CReceiveArea* receive_ = nullptr;
    CSendArea* send_ = nullptr;
    CTextOptions* textOptions_ = nullptr;
    QPointer<CPortMonitorDialog> monitor_;
    QPointer<CMoreSendDialog> moreSend_;

    QComboBox* port_ = nullptr;
    QComboBox* baud_ = nullptr;
    QComboBox* dataBits_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    QComboBox* parity_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QLabel* lamp_ = nullptr;
    QCheckBox* dtr_ = nullptr;
    QCheckBox* rts_ = nullptr;
    QCheckBox* break_ = nullptr;
    std::array<QCheckBox*, 4> inputLines_{};
    QCheckBox* hexSend_ = nullptr;
    QCheckBox* hexDisplay_ = nullptr;
    QCheckBox* continuous_ = nullptr;
    QLineEdit* periodEdit_ = nullptr;
    QCheckBox* frameBreakBox_ = nullptr;
    QLineEdit* frameTimeEdit_ = nullptr;
    QPushButton* clearSend_ = nullptr;
    QPushButton* clearReceive_ = nullptr;
    QPushButton* monitorButton_ = nullptr;
    QPushButton* resetCounts_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QPushButton* moreSendButton_ = nullptr;
};

}  // namespace viz

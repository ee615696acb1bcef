#pragma once

#include <QPointer>

#include <atomic>
#include <cstdint>
#include <vector>

#include "base/Page.h"
#include "terminal/LinkWriter.h"
#include "usb/HidUsb.h"

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
class CTerminalOptions;

// The USB debug page: a terminal for a board that is a USB HID device. The
// user searches the HID devices present, picks one, opens it and exchanges
// 64-byte reports: typed text, hex or a file go out as output reports, input
// reports appear in the EP2 area. The EP1 area holds notes, the device
// listing, the information gathered at open and arrival/removal lines. The
// layout keeps the controls of a second device type with two endpoints,
// which is not offered: they stay disabled or send nothing.
class CUsbDlg : public CPage, private HidListener {
    Q_OBJECT

public:
    // The send area's links: EP1 belongs to the second device type and never
    // opens; EP2 is the HID device.
    enum Endpoint { kEp1 = 0, kEp2 = 1 };
    // The lamp beside the open button: its icon number when closed and open.
    static constexpr int kLampClosed = 161;
    static constexpr int kLampOpen = 163;

    CUsbDlg(PageContext& context, QWidget* parent, HidSystem system = {});
    ~CUsbDlg() override;

    bool isOpen() const { return open_; }
    CReceiveArea* receiveArea(int endpoint) const { return endpoint == kEp1 ? ep1_ : ep2_; }
    CSendArea* sendArea() const { return send_; }
    // Created at the first use of their buttons; null before.
    CPortMonitorDialog* monitor() const;
    CMoreSendDialog* moreSendDialog() const;
    const std::vector<HidDeviceRecord>& devices() const { return devices_; }

    void Search();
    void ToggleOpen();
    void ShowMonitor();
    void ShowMoreSend();
    void ResetCounts();

private:
    // Construction (UsbDlg.cpp).
    void CreateAreas();
    QWidget* CreateConfigGroup();
    QWidget* CreateOptionsGroup();
    void SetToolTips();
    void SetTabOrder();

    // Continuous sending follows the device (UsbDlg.cpp).
    void ApplyContinuous();

    // The device (UsbDlgDevice.cpp).
    void LoadSettings();
    void SaveSettings();
    void ShowRecord(int index);
    void OpenDevice();
    void CloseDevice(SendEnd why);
    void ResetRates();
    void SetLamp(int icon);
    void DeviceLost(std::uint64_t session);
    void DeviceEvent(const HotplugEvent& event);

    // Called on the channel's threads.
    void OnDeviceLost() override;
    void OnDeviceEvent(const HotplugEvent& event) override;

    CHIDUSB hid_;
    // Counts closings, so news of a session already closed is dropped.
    std::atomic<std::uint64_t> session_{0};
    bool open_ = false;
    // The reader already reported the open device gone; udev's removal of it
    // is then no news.
    bool lossShown_ = false;
    std::vector<HidDeviceRecord> devices_;

    CChunkPump* pump_ = nullptr;
    CReceiveArea* ep1_ = nullptr;
    CReceiveArea* ep2_ = nullptr;
    CSendArea* send_ = nullptr;
    CTerminalOptions* options_ = nullptr;
    QPointer<CPortMonitorDialog> monitor_;
    QPointer<CMoreSendDialog> moreSend_;

    QComboBox* type_ = nullptr;
    QLabel* deviceCount_ = nullptr;
    QComboBox* deviceList_ = nullptr;
    QLineEdit* pid_ = nullptr;
    QLineEdit* vid_ = nullptr;
    QLineEdit* pvn_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QLabel* lamp_ = nullptr;
    QPushButton* ep1Send_ = nullptr;
    QPushButton* ep2Send_ = nullptr;
    QPushButton* moreSendButton_ = nullptr;
};

}  // namespace viz

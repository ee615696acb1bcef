// A serial port that goes away while open: the page closes the channel and,
// with "自动重连", waits for the same device (SerialPortIdentity) and opens
// it again with the same line settings. News comes from the channel (the
// device hung up), from udev (ports arriving and leaving), from the registry
// of extra ports, and from a slow timer for ports nobody announces.
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

#include <system_error>

#include "serial/ComDlg.h"
#include "serial/ComDlgTexts.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"

namespace viz {
namespace {

namespace t = texts::comdlg;

}  // namespace

// Without udev the list is filled once and the timer alone finds ports again.
void CComDlg::StartHotplugWatch() {
    if (!devices_.hotplug) return;
    std::unique_ptr<HotplugEventSource> source = devices_.hotplug();
    if (!source) return;
    try {
        hotplug_ = std::make_unique<HotplugWatch>(std::move(source), [this](const HotplugEvent& event) {
            QMetaObject::invokeMethod(
                this, [this, event] { HotplugArrived(event); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        hotplug_.reset();
    }
}

void CComDlg::HotplugArrived(const HotplugEvent& event) {
    const bool arrival = event.kind == HotplugEvent::Kind::Arrived;
    RefreshPorts(arrival);
    if (!arrival && isOpen() && IsSerialPortRemoval(identity_, event.devicePath)) DeviceLost(session_.load());
    if (arrival) TryReconnect();
}

// Chunks read before the loss were posted earlier and are shown first.
void CComDlg::DeviceLost(std::uint64_t session) {
    if (session != session_.load() || !isOpen()) return;
    if (!autoReconnect_->isChecked() || !identity_.CanReturn()) {
        const std::string device = serial_.device();
        ClosePort(SendEnd::DeviceRemoved);
        receive_->AppendText(QString::fromStdString(SerialDeviceLostText(device)));
        return;
    }
    StopChannel(SendEnd::DeviceRemoved);
    state_ = PortState::Waiting;
    ShowPortState();
    ClearInputLines();
    receive_->AppendText(QString::fromUtf16(t::kWaitingForDevice));
    retry_->start();
}

// Quietly waits on when the device is not back or cannot be opened yet.
void CComDlg::TryReconnect() {
    if (state_ != PortState::Waiting) return;
    const std::vector<ExtraSerialPort>& extras = context().extraSerialPorts().ports();
    const std::string path = FindSerialPort(identity_, system(), extras);
    if (path.empty()) return;
    SerialPortConfig config = lineConfig_;
    config.device = path;
    if (!StartChannel(config).ok()) return;

    retry_->stop();
    // The box follows a port it named that came back under another name.
    if (path != lineConfig_.device && portPath().toStdString() == lineConfig_.device)
        ChoosePort(QString::fromStdString(path));
    identity_ = IdentifyReopenedSerialPort(identity_, path, system(), extras);
    lineConfig_ = config;
    PortOpened();
    if (dtr_->isChecked()) serial_.SetDtr(true);
    if (rts_->isChecked()) serial_.SetRts(true);
    if (break_->isChecked()) serial_.SetBreak(true);
    receive_->AppendText(QString::fromUtf16(t::kReconnected).arg(QString::fromStdString(path)));
}

// Turning it off while waiting ends the wait.
void CComDlg::AutoReconnectClicked(bool on) {
    if (!on && state_ == PortState::Waiting) ClosePort();
}

void CComDlg::OnDeviceLost() {
    const std::uint64_t session = session_.load();
    QMetaObject::invokeMethod(
        this, [this, session] { DeviceLost(session); }, Qt::QueuedConnection);
}

}  // namespace viz

// A serial port that goes away while open: the page closes the channel and,
// with "自动重连", waits while SerialReconnect looks for the same device and
// opens it again; the page shows the state and sets the output lines again.
// News comes from the channel (the device hung up), from udev (ports
// arriving and leaving), from the registry of extra ports, and from a slow
// timer for ports nobody announces.
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

#include <optional>
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
    if (!arrival && reconnect_.IsRemovalOfOpenPort(event.devicePath)) DeviceLost(session_.load());
    if (arrival) TryReconnect();
}

// Chunks read before the loss were posted earlier and are shown first.
void CComDlg::DeviceLost(std::uint64_t session) {
    if (session != session_.load()) return;
    const std::string device = serial_.device();
    switch (reconnect_.Lost(autoReconnect_->isChecked())) {
        case SerialReconnect::Loss::NotOpen:
            return;
        case SerialReconnect::Loss::Closed:
            StopChannel(SendEnd::DeviceRemoved);
            ClosePort();
            receive_->AppendText(QString::fromStdString(SerialDeviceLostText(device)));
            return;
        case SerialReconnect::Loss::Waiting:
            StopChannel(SendEnd::DeviceRemoved);
            ShowPortState();
            ClearInputLines();
            receive_->AppendText(QString::fromUtf16(t::kWaitingForDevice));
            retry_->start();
            return;
    }
}

// Quietly waits on when the device is not back or cannot be opened yet.
void CComDlg::TryReconnect() {
    const std::string before = reconnect_.lineConfig().device;
    const std::optional<std::string> path =
        reconnect_.Retry(context().extraSerialPorts().ports(),
                         [this](const SerialPortConfig& config) { return StartChannel(config).ok(); });
    if (!path) return;

    retry_->stop();
    // The box follows a port it named that came back under another name.
    if (*path != before && portPath().toStdString() == before) ChoosePort(QString::fromStdString(*path));
    PortOpened();
    RestoreOutputLines();
    receive_->AppendText(QString::fromUtf16(t::kReconnected).arg(QString::fromStdString(*path)));
}

void CComDlg::RestoreOutputLines() {
    if (dtr_->isChecked()) serial_.SetDtr(true);
    if (rts_->isChecked()) serial_.SetRts(true);
    if (break_->isChecked()) serial_.SetBreak(true);
}

// Turning it off while waiting ends the wait.
void CComDlg::AutoReconnectClicked(bool on) {
    if (!on && isWaitingForDevice()) ClosePort();
}

void CComDlg::OnDeviceLost() {
    const std::uint64_t session = session_.load();
    QMetaObject::invokeMethod(
        this, [this, session] { DeviceLost(session); }, Qt::QueuedConnection);
}

}  // namespace viz

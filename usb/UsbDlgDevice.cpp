// The USB page's device: the search and the device table, the saved
// numbers, opening and closing, and devices that come and go.
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/QtText.h"
#include "base/TextFormat.h"
#include "terminal/ChunkPump.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"
#include "terminal/TextOptions.h"
#include "usb/HidOpenResult.h"
#include "usb/UsbDlg.h"
#include "usb/UsbDlgTexts.h"

namespace viz {
namespace {

namespace t = texts::usbdlg;

constexpr QSize kLampSize{24, 24};

QString Number(std::uint32_t value) {
    return QString::fromStdU16String(HidNumberText(value));
}

QString Counted(const char16_t* format, std::size_t count) {
    return QString::fromStdU16String(FormatCounts(format, {static_cast<std::int64_t>(count)}));
}

// What the send area holds after an open: one full report's worth of
// two-digit numbers, which "Hex发送" reads as the bytes 00-09, 10-19, ... 60-63.
QString ReportNumbers() {
    QString numbers;
    for (int i = 0; i < static_cast<int>(CHIDUSB::kReportData); ++i)
        numbers += QStringLiteral("%1 ").arg(i, 2, 10, QLatin1Char('0'));
    return numbers;
}

// Device node names are compared as the device paths always were, without regard to case.
bool SameDevice(const std::string& a, const std::string& b) {
    return !a.empty() &&
           QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

void CUsbDlg::LoadSettings() {
    HidIdentifiers ids;
    context().settings().ReadHid(ids);
    pid_->setText(Number(ids.productId));
    vid_->setText(Number(ids.vendorId));
    pvn_->setText(Number(ids.version));
    options_->textOptions()->Load();
}

void CUsbDlg::SaveSettings() {
    HidIdentifiers ids;
    ids.productId = HexToUint16(pid_->text().toStdU16String());
    ids.vendorId = HexToUint16(vid_->text().toStdU16String());
    ids.version = HexToUint16(pvn_->text().toStdU16String());
    context().settings().WriteHid(ids);
    options_->textOptions()->Save();
}

void CUsbDlg::Search() {
    devices_ = hid_.ListDevices();
    deviceList_->clear();
    // A count left from an earlier search would contradict the empty list.
    deviceCount_->setText(Counted(t::kDeviceCount, devices_.size()));
    if (devices_.empty()) return;
    QString listing = Counted(t::kFoundDevices, devices_.size());
    for (const HidDeviceRecord& record : devices_) {
        const QString product = QString::fromStdU16String(record.product);
        listing += product + QStringLiteral("\r\n");
        deviceList_->addItem(product);
    }
    ep1_->SetText(listing);
    deviceList_->setCurrentIndex(0);
}

void CUsbDlg::ShowRecord(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= devices_.size()) {
        ep1_->AppendText(Text(t::kNoDeviceSelected));
        return;
    }
    const HidDeviceRecord& record = devices_[static_cast<std::size_t>(index)];
    pid_->setText(Number(record.productId));
    vid_->setText(Number(record.vendorId));
    pvn_->setText(Number(record.version));
}

void CUsbDlg::ToggleOpen() {
    ResetRates();
    if (open_) {
        CloseDevice(SendEnd::LinkClosed);
    } else {
        OpenDevice();
    }
}

void CUsbDlg::ResetRates() {
    ep1_->pipeline().ResetRate();
    ep2_->pipeline().ResetRate();
}

// A failed open says why in the EP1 area, with the remedy when access was
// denied, instead of leaving the user with a button that did nothing.
void CUsbDlg::OpenDevice() {
    const int index = deviceList_->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= devices_.size()) {
        ep1_->AppendText(Text(t::kNoDeviceSelected));
        return;
    }
    const HidDeviceRecord& record = devices_[static_cast<std::size_t>(index)];
    pump_->Open();
    const bool opened = hid_.Open(pump_->sink(), *this, record.vendorId, record.productId);
    const QString information = QString::fromStdU16String(hid_.information() + HidOpenNote(hid_.lastOpen()));
    if (!opened) {
        ep1_->AppendText(information);
        return;
    }
    if (monitor_) monitor_->LinkChanged(true);
    open_ = true;
    lossShown_ = false;
    deviceList_->setEnabled(false);
    search_->setEnabled(false);
    openButton_->setText(Text(t::kClose));
    send_->edit()->setPlainText(ReportNumbers());
    SetLamp(kLampOpen);
    ep1_->AppendText(information);
    ep1_->StartStatusTimer();
    ep2_->StartStatusTimer();
    ApplyContinuous();
}

void CUsbDlg::CloseDevice(SendEnd why) {
    open_ = false;
    send_->LinkClosed(kEp2, why);
    pump_->Close();
    hid_.Close();
    ++session_;
    if (monitor_) monitor_->LinkChanged(false);
    deviceList_->setEnabled(true);
    search_->setEnabled(true);
    openButton_->setText(Text(t::kOpen));
    SetLamp(kLampClosed);
    ep1_->StopStatusTimer();
    ep2_->StopStatusTimer();
    ApplyContinuous();
}

void CUsbDlg::SetLamp(int icon) {
    const QIcon lamp(icon == kLampOpen ? QStringLiteral(":/usb/lamp_open.svg")
                                       : QStringLiteral(":/usb/lamp_closed.svg"));
    lamp_->setProperty("icon", icon);
    lamp_->setPixmap(lamp.pixmap(kLampSize));
    const QString name = Text(icon == kLampOpen ? t::kLampOpenName : t::kLampClosedName);
    lamp_->setAccessibleName(name);
    lamp_->setToolTip(name);
}

// The open device stopped answering: closed as the button does, then said
// in the EP1 area. Reports read before were posted earlier and are shown first.
void CUsbDlg::DeviceLost(std::uint64_t session) {
    if (session != session_.load() || !open_) return;
    ResetRates();
    CloseDevice(SendEnd::DeviceRemoved);
    lossShown_ = true;
    ep1_->AppendText(Text(t::kRemoved));
}

// Only the device last opened counts. Its removal closes the link and its
// arrival opens it again; an arrival while open or a removal while closed
// does not turn the link the wrong way.
void CUsbDlg::DeviceEvent(const HotplugEvent& event) {
    if (!SameDevice(hid_.devicePath(), event.devicePath)) return;
    if (event.kind == HotplugEvent::Kind::Removed) {
        if (open_) {
            ResetRates();
            CloseDevice(SendEnd::DeviceRemoved);
        } else if (lossShown_) {
            lossShown_ = false;
            return;
        }
        ep1_->AppendText(Text(t::kRemoved));
        return;
    }
    lossShown_ = false;
    if (open_) return;
    ToggleOpen();
    ep1_->AppendText(Text(t::kArrived));
}

void CUsbDlg::OnDeviceLost() {
    const std::uint64_t session = session_.load();
    QMetaObject::invokeMethod(
        this, [this, session] { DeviceLost(session); }, Qt::QueuedConnection);
}

void CUsbDlg::OnDeviceEvent(const HotplugEvent& event) {
    QMetaObject::invokeMethod(
        this, [this, event] { DeviceEvent(event); }, Qt::QueuedConnection);
}

}  // namespace viz

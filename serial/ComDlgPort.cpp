// The serial page's port: its lists and saved settings, opening and closing,
// the output and input lines, and a device that goes away while open.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include "serial/ComDlg.h"
#include "serial/ComDlgTexts.h"
#include "serial/SerialPorts.h"
#include "terminal/ChunkPump.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TextFormat.h"
#include "terminal/TextOptions.h"

namespace viz {
namespace {

namespace t = texts::comdlg;

constexpr int kBaud9600 = 3;
constexpr int kEightDataBits = 3;
constexpr QSize kLampSize{24, 24};

int ListInteger(const QComboBox* list) {
    return FieldInteger(list->currentText().toStdU16String());
}

// The port box's text as a device path: a listed or typed absolute path, or a
// name under /dev such as "ttyUSB0" or "pts/3". Empty when nothing is chosen.
std::string DevicePath(const QString& shown) {
    const QString text = shown.trimmed();
    if (text.isEmpty() || text.startsWith(u'/')) return text.toStdString();
    return "/dev/" + text.toStdString();
}

}  // namespace

void CComDlg::FillLists() {
    for (const std::string& port : ListSerialPorts(devices_.ttyClassRoot))
        port_->addItem(QString::fromStdString(port));
    for (const char16_t* baud : t::kBaudRates) baud_->addItem(QString::fromUtf16(baud));
    for (const char16_t* bits : t::kDataBits) dataBits_->addItem(QString::fromUtf16(bits));
    for (const char16_t* bits : t::kStopBits) stopBits_->addItem(QString::fromUtf16(bits));
    for (const char16_t* parity : t::kParities) parity_->addItem(QString::fromUtf16(parity));
    port_->setCurrentIndex(0);
    baud_->setCurrentIndex(kBaud9600);
    dataBits_->setCurrentIndex(kEightDataBits);
    stopBits_->setCurrentIndex(0);
    parity_->setCurrentIndex(0);
}

// A saved value that is no longer in its list falls back to a fixed entry.
void CComDlg::LoadSettings() {
    textOptions_->Load();
    SerialSettings saved;
    if (context().settings().ReadSerial(saved) != 0) return;
    const auto entryOr = [](const QComboBox* list, const QString& text, int fallback) {
        const int found = list->findText(text);
        return found >= 0 ? found : fallback;
    };
    port_->setCurrentIndex(entryOr(port_, QString::fromStdU16String(saved.port), 0));
    parity_->setCurrentIndex(entryOr(parity_, QString::fromStdU16String(saved.parity), 0));
    int baud = 0;
    for (int i = 0; i < baud_->count(); ++i) {
        if (static_cast<std::uint32_t>(FieldInteger(baud_->itemText(i).toStdU16String())) == saved.baud)
            baud = i;
    }
    baud_->setCurrentIndex(baud);
    dataBits_->setCurrentIndex(entryOr(dataBits_, QString::number(saved.dataBits), kEightDataBits));
    stopBits_->setCurrentIndex(entryOr(stopBits_, QString::number(saved.stopBits), 0));
}

void CComDlg::SaveSettings() {
    SerialSettings settings;
    settings.port = port_->currentText().toStdU16String();
    settings.parity = parity_->currentText().toStdU16String();
    settings.baud = static_cast<std::uint32_t>(ListInteger(baud_));
    settings.dataBits = static_cast<std::uint32_t>(ListInteger(dataBits_));
    settings.stopBits = static_cast<std::uint32_t>(ListInteger(stopBits_));
    context().settings().WriteSerial(settings);
    textOptions_->Save();
}

void CComDlg::ToggleOpen() {
    if (open_) {
        ClosePort();
    } else {
        OpenPort();
    }
}

void CComDlg::OpenPort() {
    SerialPortConfig config;
    config.device = DevicePath(port_->currentText());
    if (config.device.empty()) return;
    config.baud = static_cast<std::uint32_t>(ListInteger(baud_));
    const int dataBits = dataBits_->currentIndex();
    config.dataBits = dataBits >= 0 && dataBits <= 2 ? 5 + dataBits : 8;
    config.stopBits = stopBits_->currentIndex() == 1 ? StopBits::Two : StopBits::One;
    const int parity = parity_->currentIndex();
    config.parity = parity == 1 ? Parity::Odd : parity == 2 ? Parity::Even : Parity::None;

    pump_->Open();
    const SerialOpenResult result = serial_.Open(config, pump_->sink(), *this);
    if (!result.ok()) {
        QMessageBox::warning(this, QCoreApplication::applicationName(),
                             QString::fromStdString(SerialOpenFailureText(result)));
        return;
    }
    open_ = true;
    ShowPortState();
    if (monitor_) monitor_->LinkChanged(true);
    receive_->StartStatusTimer();
    if (continuous_->isChecked()) {
        send_->StartContinuous(0, period_);
    } else {
        send_->StopContinuous(0);
    }
}

// The continuous-send timer may run on: its ticks send nothing while closed.
void CComDlg::ClosePort(SendEnd why) {
    open_ = false;
    send_->LinkClosed(0, why);
    pump_->Close();
    serial_.Close();
    ++session_;
    ShowPortState();
    if (monitor_) monitor_->LinkChanged(false);
    receive_->StopStatusTimer();
    for (QCheckBox* line : {dtr_, rts_, break_}) line->setChecked(false);
    for (QCheckBox* line : inputLines_) line->setChecked(false);
    lineStates_ = {};
}

void CComDlg::ShowPortState() {
    openButton_->setText(QString::fromUtf16(open_ ? t::kClosePort : t::kOpenPort));
    for (QComboBox* list : {port_, baud_, dataBits_, stopBits_, parity_}) list->setEnabled(!open_);
    SetLamp(open_);
}

void CComDlg::SetLamp(bool open) {
    const QIcon lamp(open ? QStringLiteral(":/serial/lamp_open.svg")
                          : QStringLiteral(":/serial/lamp_closed.svg"));
    lamp_->setPixmap(lamp.pixmap(kLampSize));
}

void CComDlg::OutputLineClicked(QCheckBox* box) {
    if (!open_) {
        box->setChecked(false);
        return;
    }
    const bool on = box->isChecked();
    if (box == dtr_) serial_.SetDtr(on);
    if (box == rts_) serial_.SetRts(on);
    if (box == break_) serial_.SetBreak(on);
}

// The input lines only show what the port reports.
void CComDlg::InputLineClicked(QCheckBox* box) {
    const auto at = std::find(inputLines_.begin(), inputLines_.end(), box) - inputLines_.begin();
    box->setChecked(open_ && lineStates_[static_cast<std::size_t>(at)] != 0);
}

void CComDlg::ShowInputLine(std::uint64_t session, std::uint32_t line, std::uint32_t value) {
    if (session != session_.load() || !open_) return;
    const auto at = static_cast<std::size_t>(std::find(kInputLines.begin(), kInputLines.end(), line) -
                                             kInputLines.begin());
    if (at >= lineStates_.size()) return;
    lineStates_[at] = value;
    inputLines_[at]->setChecked(value != 0);
}

// Closes the port as the close button does, then says why in the receive
// area. Chunks read before the loss were posted earlier and are shown first.
void CComDlg::DeviceLost(std::uint64_t session) {
    if (session != session_.load() || !open_) return;
    const std::string device = serial_.device();
    ClosePort(SendEnd::DeviceRemoved);
    receive_->AppendText(QString::fromStdString(SerialDeviceLostText(device)));
}

void CComDlg::OnLineChanged(std::uint32_t line, std::uint32_t value) {
    const std::uint64_t session = session_.load();
    QMetaObject::invokeMethod(
        this, [this, session, line, value] { ShowInputLine(session, line, value); }, Qt::QueuedConnection);
}

void CComDlg::OnDeviceLost() {
    const std::uint64_t session = session_.load();
    QMetaObject::invokeMethod(
        this, [this, session] { DeviceLost(session); }, Qt::QueuedConnection);
}

}  // namespace viz

// The serial page's port: its lists and saved settings, opening and closing,
// the output and input lines.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include "base/TextFormat.h"
#include "serial/ComDlg.h"
#include "serial/ComDlgTexts.h"
#include "serial/SerialPorts.h"
#include "terminal/ChunkPump.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"
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

}  // namespace

void CComDlg::FillLists() {
    AddPortEntries();
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
    options_->textOptions()->Load();
    std::uint32_t autoReconnect = 1;
    if (context().settings().ReadSerialAutoReconnect(autoReconnect) == 0)
        autoReconnect_->setChecked(autoReconnect != 0);
    SerialSettings saved;
    if (context().settings().ReadSerial(saved) != 0) return;
    const auto entryOr = [](const QComboBox* list, const QString& text, int fallback) {
        const int found = list->findText(text);
        return found >= 0 ? found : fallback;
    };
    const int port = port_->findData(QString::fromStdU16String(saved.port));
    portChosen_ = port >= 0;
    port_->setCurrentIndex(std::max(port, 0));
    parity_->setCurrentIndex(entryOr(parity_, QString::fromStdU16String(saved.parity), 0));
    // A rate outside the list was chosen on the command line and comes back.
    if (saved.baud >= kMinBaud && saved.baud <= kMaxBaud) {
        ChooseBaud(saved.baud);
    } else {
        baud_->setCurrentIndex(0);
    }
    dataBits_->setCurrentIndex(entryOr(dataBits_, QString::number(saved.dataBits), kEightDataBits));
    stopBits_->setCurrentIndex(entryOr(stopBits_, QString::number(saved.stopBits), 0));
}

void CComDlg::SaveSettings() {
    SerialSettings settings;
    settings.port = portPath().toStdU16String();
    settings.parity = parity_->currentText().toStdU16String();
    settings.baud = static_cast<std::uint32_t>(ListInteger(baud_));
    settings.dataBits = static_cast<std::uint32_t>(ListInteger(dataBits_));
    settings.stopBits = static_cast<std::uint32_t>(ListInteger(stopBits_));
    context().settings().WriteSerial(settings);
    options_->textOptions()->Save();
    context().settings().WriteSerialAutoReconnect(autoReconnect_->isChecked() ? 1 : 0);
}

void CComDlg::ChooseBaud(std::uint32_t baud) {
    int at = 0;
    while (at < baud_->count()) {
        const auto listed = static_cast<std::uint32_t>(FieldInteger(baud_->itemText(at).toStdU16String()));
        if (listed == baud) break;
        if (listed > baud) {
            baud_->insertItem(at, QString::number(baud));
            break;
        }
        ++at;
    }
    if (at == baud_->count()) baud_->addItem(QString::number(baud));
    baud_->setCurrentIndex(at);
}

// The board's port was just offered: the list is brought up to date at once
// (its own refresh is queued), then the port is chosen and opened.
void CComDlg::OpenBoardPort(const QString& path, quint32 baud) {
    if (reconnect_.state() != PortState::Closed) ClosePort();
    RefreshPorts(false);
    ChoosePort(path);
    ChooseBaud(baud);
    OpenPort();
}

std::uint32_t CComDlg::baud() const {
    return static_cast<std::uint32_t>(ListInteger(baud_));
}

// While a download has the port, the button neither opens it nor ends the
// wait to reopen it afterwards.
void CComDlg::ToggleOpen() {
    if (reconnect_.handedOver()) {
        RefuseReservedPort(reconnect_.lineConfig().device);
    } else if (reconnect_.state() == PortState::Closed) {
        OpenPort();
    } else {
        ClosePort();
    }
}

void CComDlg::OpenPort() {
    SerialPortConfig config;
    config.device = portPath().toStdString();
    if (config.device.empty() || RefuseReservedPort(config.device)) return;
    config.baud = static_cast<std::uint32_t>(ListInteger(baud_));
    const int dataBits = dataBits_->currentIndex();
    config.dataBits = dataBits >= 0 && dataBits <= 2 ? 5 + dataBits : 8;
    config.stopBits = stopBits_->currentIndex() == 1 ? StopBits::Two : StopBits::One;
    const int parity = parity_->currentIndex();
    config.parity = parity == 1 ? Parity::Odd : parity == 2 ? Parity::Even : Parity::None;

    const SerialOpenResult result = StartChannel(config);
    if (!result.ok()) {
        QMessageBox::warning(this, QCoreApplication::applicationName(),
                             QString::fromStdString(SerialOpenFailureText(result)));
        return;
    }
    reconnect_.Opened(config, context().extraSerialPorts().ports());
    PortOpened();
}

SerialOpenResult CComDlg::StartChannel(const SerialPortConfig& config, CSerial::Queues queues) {
    pump_->Open();
    return serial_.Open(config, pump_->sink(), *this, queues);
}

// Ends the sends with `why`, then the channel; news of it is dropped from now on.
void CComDlg::StopChannel(SendEnd why) {
    send_->LinkClosed(0, why);
    pump_->Close();
    serial_.Close();
    ++session_;
    if (monitor_) monitor_->LinkChanged(false);
}

void CComDlg::PortOpened() {
    ShowPortState();
    if (monitor_) monitor_->LinkChanged(true);
    receive_->StartStatusTimer();
    options_->ApplyContinuous(0);
}

// Also ends the wait for a port that went away. The continuous-send timer
// may run on: its ticks send nothing while closed.
void CComDlg::ClosePort(SendEnd why) {
    if (isOpen()) StopChannel(why);
    reconnect_.Close();
    retry_->stop();
    ShowPortState();
    receive_->StopStatusTimer();
    for (QCheckBox* line : {dtr_, rts_, break_}) line->setChecked(false);
    ClearInputLines();
}

void CComDlg::ShowPortState() {
    const bool closed = reconnect_.state() == PortState::Closed;
    openButton_->setText(QString::fromUtf16(closed ? t::kOpenPort : t::kClosePort));
    for (QComboBox* list : {port_, baud_, dataBits_, stopBits_, parity_}) list->setEnabled(closed);
    SetLamp(reconnect_.state());
}

void CComDlg::SetLamp(PortState state) {
    const QIcon lamp(state == PortState::Open      ? QStringLiteral(":/serial/lamp_open.svg")
                     : state == PortState::Waiting ? QStringLiteral(":/serial/lamp_waiting.svg")
                                                   : QStringLiteral(":/serial/lamp_closed.svg"));
    lamp_->setPixmap(lamp.pixmap(kLampSize));
    const char16_t* name = state == PortState::Open      ? t::kLampOpen
                           : state == PortState::Waiting ? t::kLampWaiting
                                                         : t::kLampClosed;
    lamp_->setAccessibleName(QString::fromUtf16(name));
    lamp_->setToolTip(QString::fromUtf16(name));
}

// While a port that went away is waited for, the output lines keep what
// the user sets; they are set on the port when it is back.
void CComDlg::OutputLineClicked(QCheckBox* box) {
    if (reconnect_.state() == PortState::Closed) {
        box->setChecked(false);
        return;
    }
    if (reconnect_.state() != PortState::Open) return;
    const bool on = box->isChecked();
    if (box == dtr_) serial_.SetDtr(on);
    if (box == rts_) serial_.SetRts(on);
    if (box == break_) serial_.SetBreak(on);
}

// The input lines only show what the port reports.
void CComDlg::InputLineClicked(QCheckBox* box) {
    const auto at = std::find(inputLines_.begin(), inputLines_.end(), box) - inputLines_.begin();
    box->setChecked(isOpen() && lineStates_[static_cast<std::size_t>(at)] != 0);
}

void CComDlg::ShowInputLine(std::uint64_t session, std::uint32_t line, std::uint32_t value) {
    if (session != session_.load() || !isOpen()) return;
    const auto at = static_cast<std::size_t>(std::find(kInputLines.begin(), kInputLines.end(), line) -
                                             kInputLines.begin());
    if (at >= lineStates_.size()) return;
    lineStates_[at] = value;
    inputLines_[at]->setChecked(value != 0);
}

void CComDlg::ClearInputLines() {
    for (QCheckBox* line : inputLines_) line->setChecked(false);
    lineStates_ = {};
}

void CComDlg::OnLineChanged(std::uint32_t line, std::uint32_t value) {
    const std::uint64_t session = session_.load();
    QMetaObject::invokeMethod(
        this, [this, session, line, value] { ShowInputLine(session, line, value); }, Qt::QueuedConnection);
}

}  // namespace viz

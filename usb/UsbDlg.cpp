#include "usb/UsbDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/QtText.h"
#include "plot/PlotLauncher.h"
#include "terminal/ChunkPump.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"
#include "terminal/TextOptions.h"
#include "usb/UsbDlgTexts.h"

namespace viz {
namespace {

namespace t = texts::usbdlg;

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1StringView(name));
    return widget;
}

ReceiveAreaConfig AreaConfig(const char16_t* counts, const char16_t* initial, const char16_t* reset,
                             const char16_t* capture, const char16_t* saved, const char16_t* output,
                             CMenuEdit::Commands commands, bool receives) {
    ReceiveAreaConfig config;
    config.countsFormat = Text(counts);
    config.initialTitle = Text(initial);
    config.resetTitle = Text(reset);
    config.captureFile = Text(capture);
    config.captureMessage = Text(saved);
    config.outputFile = Text(output);
    config.commands = commands;
    config.timeStampBox = receives;
    return config;
}

}  // namespace

CUsbDlg::CUsbDlg(PageContext& context, QWidget* parent, HidSystem system)
    : CPage(context, parent), hid_(std::move(system)) {
    CreateAreas();
    auto* left = new QVBoxLayout;
    left->addWidget(CreateConfigGroup());
    left->addWidget(CreateOptionsGroup());
    left->addStretch(1);

    ep1Send_ = Named(new QPushButton(Text(t::kEp1Send), this), "ep1Send");
    ep1Send_->setEnabled(false);
    ep2Send_ = Named(new QPushButton(Text(t::kEp2Send), this), "ep2Send");
    moreSendButton_ = Named(new QPushButton(Text(t::kMoreSend), this), "moreSend");
    auto* sendButtons = new QVBoxLayout;
    sendButtons->addStretch(1);
    for (QPushButton* button : {ep1Send_, ep2Send_, moreSendButton_}) sendButtons->addWidget(button);
    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(send_, 1);
    sendRow->addLayout(sendButtons);

    auto* right = new QVBoxLayout;
    right->addWidget(ep1_, 2);
    right->addWidget(ep2_, 3);
    right->addLayout(sendRow, 2);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(ep2Send_, &QPushButton::clicked, send_, [this] { send_->Send(kEp2); });
    connect(moreSendButton_, &QPushButton::clicked, this, &CUsbDlg::ShowMoreSend);
    SetToolTips();
    SetTabOrder();
    LoadSettings();
    SetLamp(kLampClosed);
}

CUsbDlg::~CUsbDlg() {
    // The send area's writer calls the channel until it is gone.
    delete send_;
    // The hand-off first: a reader waiting in it would otherwise keep the
    // channel's Close waiting for this thread.
    pump_->Close();
    hid_.Close();
    hid_.EndNotifications();
    ++session_;
    if (!context().settings().defaultsRestored()) SaveSettings();
}

CPortMonitorDialog* CUsbDlg::monitor() const {
    return monitor_;
}

CMoreSendDialog* CUsbDlg::moreSendDialog() const {
    return moreSend_;
}

void CUsbDlg::CreateAreas() {
    ep1_ = Named(
        new CReceiveArea(AreaConfig(t::kEp1Counts, t::kEp1InitialTitle, t::kEp1ResetTitle, t::kEp1CaptureFile,
                                    t::kEp1CaptureSaved, t::kEp1OutputFile, {2024, 2025, 2026, 2027}, false),
                         this),
        "ep1Area");
    ep1_->SetText(Text(t::kNotes));
    ep2_ = Named(
        new CReceiveArea(AreaConfig(t::kEp2Counts, t::kEp2InitialTitle, t::kEp2ResetTitle, t::kEp2CaptureFile,
                                    t::kEp2CaptureSaved, t::kEp2OutputFile, {2028, 2029, 2030, 2031}, true),
                         this),
        "ep2Area");

    SendAreaConfig send;
    send.countsFormat = Text(t::kSendCounts);
    send.initialTitle = Text(t::kSendInitialTitle);
    send.resetTitle = Text(t::kSendResetTitle);
    // Endpoint 1 belongs to the device type that is not offered: its link
    // never opens, so its counter stays 0 and its timer's ticks send nothing.
    send.links = {
        {.write = [](const std::uint8_t*, std::size_t, const WriteWait&) { return FailedStep(ENOTCONN); },
         .isOpen = [] { return false; }},
        {.write = [this](const std::uint8_t* bytes, std::size_t count,
                         const WriteWait& wait) { return hid_.Write(bytes, count, wait); },
         .isOpen = [this] { return open_; },
         .blockSize = CHIDUSB::kReportData,
         .typedLimit = CHIDUSB::kReportData,
         .progressTitle = Text(t::kProgressTitle)}};
    send_ = Named(new CSendArea(send, this), "sendArea");

    pump_ = new CChunkPump(this);
    pump_->setDelivery([this](const Chunk& chunk) { ep2_->Receive(chunk); }, {});
}

QWidget* CUsbDlg::CreateConfigGroup() {
    auto* group = new QGroupBox(Text(t::kConfigGroup), this);
    type_ = Named(new QComboBox(group), "type");
    type_->addItem(Text(t::kTypeHid));
    type_->setCurrentIndex(0);
    type_->setEnabled(false);
    deviceCount_ = Named(new QLabel(Text(t::kDeviceCountInitial), group), "deviceCount");
    deviceList_ = Named(new QComboBox(group), "deviceList");
    deviceList_->setAccessibleName(Text(t::kDeviceListName));
    deviceCount_->setBuddy(deviceList_);
    pid_ = Named(new QLineEdit(group), "pid");
    vid_ = Named(new QLineEdit(group), "vid");
    pvn_ = Named(new QLineEdit(group), "pvn");
    search_ = Named(new QPushButton(Text(t::kSearch), group), "search");
    openButton_ = Named(new QPushButton(Text(t::kOpen), group), "open");
    lamp_ = Named(new QLabel(group), "lamp");

    auto* grid = new QGridLayout(group);
    auto* typeLabel = new QLabel(Text(t::kTypeLabel), group);
    typeLabel->setBuddy(type_);
    grid->addWidget(typeLabel, 0, 0);
    grid->addWidget(type_, 0, 1, 1, 2);
    grid->addWidget(deviceCount_, 1, 0, 1, 3);
    grid->addWidget(deviceList_, 2, 0, 1, 3);
    const std::array<std::pair<const char16_t*, QLineEdit*>, 3> numbers{
        {{t::kPidLabel, pid_}, {t::kVidLabel, vid_}, {t::kPvnLabel, pvn_}}};
    for (int row = 0; row < static_cast<int>(numbers.size()); ++row) {
        auto* label = new QLabel(Text(numbers[row].first), group);
        label->setBuddy(numbers[row].second);
        numbers[row].second->setReadOnly(true);
        numbers[row].second->setMaxLength(4);
        grid->addWidget(label, 3 + row, 0);
        grid->addWidget(numbers[row].second, 3 + row, 1, 1, 2);
    }
    grid->addWidget(search_, 6, 0, 1, 3);
    grid->addWidget(lamp_, 7, 0, Qt::AlignCenter);
    grid->addWidget(openButton_, 7, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(deviceList_, &QComboBox::currentIndexChanged, this, &CUsbDlg::ShowRecord);
    connect(search_, &QPushButton::clicked, this, &CUsbDlg::Search);
    connect(openButton_, &QPushButton::clicked, this, &CUsbDlg::ToggleOpen);
    return group;
}

QWidget* CUsbDlg::CreateOptionsGroup() {
    auto* group = new QGroupBox(this);
    TerminalOptionsConfig config;
    config.kind = MoreSendKind::Usb;
    config.plotButton = PlotButtonMaker(context().settings(), config.kind, {ep2_});
    config.continuous = {{.text = t::kEp1Continuous,
                          .name = "ep1Continuous",
                          .periodName = "ep1Period",
                          .periodAccessibleName = t::kEp1PeriodName,
                          .tip = t::kTipEp1Continuous},
                         {.text = t::kEp2Continuous,
                          .name = "ep2Continuous",
                          .periodName = "ep2Period",
                          .periodAccessibleName = t::kEp2PeriodName,
                          .tip = t::kTipEp2Continuous}};
    config.periodRule = PeriodRule::TypedWhileRunning;
    config.digitsOnly = false;
    config.monitors = {
        {.text = t::kMonitorCh37x, .name = "monitorCh37x", .tip = t::kTipMonitorCh37x, .enabled = false},
        {.text = t::kMonitorHid, .name = "monitorHid", .tip = t::kTipMonitorHid}};
    config.canSend = [this](int) { return open_; };
    // Only endpoint 2 receives; endpoint 1 shows the page's own notes.
    options_ = new CTerminalOptions(context().settings(), std::move(config), {send_, {ep2_}, {ep1_}}, this);
    auto* column = new QVBoxLayout(group);
    column->addWidget(options_);
    connect(options_->monitorButton(1), &QPushButton::clicked, this, &CUsbDlg::ShowMonitor);
    return group;
}

void CUsbDlg::SetToolTips() {
    const std::pair<QWidget*, const char16_t*> tips[] = {
        {type_, t::kTipType},       {deviceList_, t::kTipDeviceList},
        {pid_, t::kTipPid},         {vid_, t::kTipVid},
        {pvn_, t::kTipPvn},         {search_, t::kTipSearch},
        {openButton_, t::kTipOpen}, {ep1Send_, t::kTipEp1Send},
        {ep2Send_, t::kTipEp2Send}, {moreSendButton_, t::kTipMoreSend},
    };
    // Tool tips break lines at LF alone.
    for (const auto& [widget, tip] : tips)
        widget->setToolTip(Text(tip).replace(QStringLiteral("\r\n"), "\n"));
}

// The keyboard goes down the left column first, then through the areas and
// the send buttons, as the eye reads the page.
void CUsbDlg::SetTabOrder() {
    std::vector<QWidget*> chain =
        std::initializer_list<QWidget*>{type_, deviceList_, pid_, vid_, pvn_, search_, openButton_};
    const std::vector<QWidget*> options = options_->focusOrder();
    chain.insert(chain.end(), options.begin(), options.end());
    chain.insert(chain.end(),
                 std::initializer_list<QWidget*>{ep1_->edit(), ep2_->edit(), ep2_->timeStampBox(),
                                                 send_->edit(), ep1Send_, ep2Send_, moreSendButton_});
    for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void CUsbDlg::ApplyContinuous() {
    for (const int endpoint : {kEp1, kEp2}) options_->ApplyContinuous(endpoint);
}

void CUsbDlg::ResetCounts() {
    options_->ResetCounts();
}

void CUsbDlg::ShowMonitor() {
    if (!monitor_) {
        monitor_ = new CPortMonitorDialog(Text(t::kMonitorTitle), Text(t::kMonitorPort), this);
        ep2_->AttachMonitor(monitor_);
        send_->AttachMonitor(kEp2, monitor_);
    }
    monitor_->show();
}

void CUsbDlg::ShowMoreSend() {
    if (!moreSend_) {
        // One report per entry through the HID link, behind any send in
        // progress; the page's counters stay as they are.
        auto send = [this](Bytes bytes, bool cycleStep) {
            send_->SendEntry(kEp2, std::move(bytes), cycleStep);
        };
        moreSend_ = new CMoreSendDialog(context().settings(), MoreSendKind::Usb, Text(t::kMoreSendTitle),
                                        send, send, this);
        options_->textOptions()->AddMoreSend(moreSend_);
    }
    moreSend_->show();
}

}  // namespace viz

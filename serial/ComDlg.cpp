#include "serial/ComDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "base/QtText.h"
#include "plot/PlotLauncher.h"
#include "serial/ComDlgTexts.h"
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

// A loaded file goes out in blocks of this size, the progress bar moving after each.
constexpr std::size_t kFileBlock = 1024;
// Room for "/dev/ttyUSB10" and a little more.
constexpr int kPortBoxCharacters = 16;

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1StringView(name));
    return widget;
}

}  // namespace

CComDlg::CComDlg(PageContext& context, QWidget* parent, ComDlgDevices devices)
    : CPage(context, parent),
      devices_(std::move(devices)),
      serial_(devices_.modemLines),
      reconnect_(system(),
                 [&context](const std::string& path) { return context.downloadPorts().IsReserved(path); }) {
    CreateAreas();
    auto* left = new QVBoxLayout;
    left->addWidget(CreateConfigGroup());
    left->addWidget(CreateLineGroups());
    left->addWidget(CreateHelperGroup());
    left->addStretch(1);

    sendButton_ = Named(new QPushButton(Text(t::kSend), this), "send");
    moreSendButton_ = Named(new QPushButton(Text(t::kMoreSend), this), "moreSend");
    auto* sendButtons = new QVBoxLayout;
    sendButtons->addStretch(1);
    sendButtons->addWidget(sendButton_);
    sendButtons->addWidget(moreSendButton_);
    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(send_, 1);
    sendRow->addLayout(sendButtons);

    auto* right = new QVBoxLayout;
    right->addWidget(receive_, 3);
    right->addLayout(sendRow, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(sendButton_, &QPushButton::clicked, send_, [this] { send_->Send(0); });
    connect(moreSendButton_, &QPushButton::clicked, this, &CComDlg::ShowMoreSend);
    SetToolTips();

    retry_ = new QTimer(this);
    retry_->setInterval(kRetryMs);
    connect(retry_, &QTimer::timeout, this, &CComDlg::TryReconnect);

    FillLists();
    LoadSettings();
    SetLamp(PortState::Closed);
    StartHotplugWatch();
    // Queued: the registry's owner may be in the middle of its own work.
    extraPortsChanged_ = context.extraSerialPorts().Subscribe([this] {
        QTimer::singleShot(0, this, [this] {
            RefreshPorts(false);
            TryReconnect();
        });
    });
    // At once, not queued: the download window starts its tool right after
    // reserving, so the port must be closed by then.
    downloadPortsChanged_ = context.downloadPorts().Subscribe([this] { DownloadPortsChanged(); });
}

CComDlg::~CComDlg() {
    downloadPortsChanged_ = {};
    // No hot-plug news after this.
    hotplug_.reset();
    // The send area's writer calls the port until it is gone.
    delete send_;
    // The hand-off first: a reader waiting in it would otherwise keep the
    // channel's Close waiting for this thread.
    pump_->Close();
    serial_.Close();
    ++session_;
    if (!context().settings().defaultsRestored()) SaveSettings();
}

CPortMonitorDialog* CComDlg::monitor() const {
    return monitor_;
}

CMoreSendDialog* CComDlg::moreSendDialog() const {
    return moreSend_;
}

void CComDlg::CreateAreas() {
    ReceiveAreaConfig receive;
    receive.countsFormat = Text(t::kReceiveCounts);
    receive.initialTitle = Text(t::kReceiveInitialTitle);
    receive.resetTitle = Text(t::kReceiveResetTitle);
    receive.captureFile = Text(t::kCaptureFile);
    receive.captureMessage = Text(t::kCaptureSaved);
    receive.outputFile = Text(t::kOutputFile);
    receive.commands = {2024, 2025, 2026, 2027};
    receive.textForm = ReceivePipeline::TextForm::Serial;
    receive_ = Named(new CReceiveArea(receive, this), "receiveArea");
    receive_->SetText(Text(t::kNotes));

    SendAreaConfig send;
    send.countsFormat = Text(t::kSendCounts);
    send.initialTitle = Text(t::kSendInitialTitle);
    send.resetTitle = Text(t::kSendResetTitle);
    send.links = {{.write = [this](const std::uint8_t* bytes, std::size_t count,
                                   const WriteWait& wait) { return serial_.Write(bytes, count, wait); },
                   .isOpen = [this] { return isOpen(); },
                   .blockSize = kFileBlock,
                   .progressTitle = Text(t::kProgressTitle),
                   .stallHint = Text(t::kSendStalled)}};
    send.notice = [this](int, const QString& text) { receive_->AppendText(text); };
    send_ = Named(new CSendArea(send, this), "sendArea");

    pump_ = new CChunkPump(this);
    pump_->setDelivery([this](const Chunk& chunk) { receive_->Receive(chunk); }, {});
}

QWidget* CComDlg::CreateConfigGroup() {
    auto* group = new QGroupBox(Text(t::kConfigGroup), this);
    port_ = Named(new QComboBox(group), "port");
    // Virtual ports (pseudo-terminals, socat links) are not in the system's
    // list: the user types their path.
    port_->setEditable(true);
    port_->setInsertPolicy(QComboBox::NoInsert);
    // Completing a typed "/dev/ttyS1" to a listed "/dev/ttyS10" would open the wrong port.
    port_->setCompleter(nullptr);
    // Entries carry long product names: the box keeps the column's width and
    // the opened list is as wide as its entries.
    port_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    port_->setMinimumContentsLength(kPortBoxCharacters);
    // The typed path is the port box's own edit; it reads out as the port.
    port_->lineEdit()->setAccessibleName(Text(t::kPortLabel).chopped(1));
    baud_ = Named(new QComboBox(group), "baud");
    dataBits_ = Named(new QComboBox(group), "dataBits");
    stopBits_ = Named(new QComboBox(group), "stopBits");
    parity_ = Named(new QComboBox(group), "parity");
    openButton_ = Named(new QPushButton(Text(t::kOpenPort), group), "open");
    lamp_ = Named(new QLabel(group), "lamp");
    autoReconnect_ = Named(new QCheckBox(Text(t::kAutoReconnect), group), "autoReconnect");
    autoReconnect_->setChecked(true);
    boardButton_ = Named(new QPushButton(Text(t::kVirtualBoard), group), "virtualBoard");
    downloadButton_ = Named(new QPushButton(Text(t::kDownload), group), "download");

    auto* grid = new QGridLayout(group);
    const std::array<std::pair<const char16_t*, QComboBox*>, 5> rows{{{t::kPortLabel, port_},
                                                                      {t::kBaudLabel, baud_},
                                                                      {t::kDataBitsLabel, dataBits_},
                                                                      {t::kStopBitsLabel, stopBits_},
                                                                      {t::kParityLabel, parity_}}};
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        auto* label = new QLabel(Text(rows[row].first), group);
        label->setBuddy(rows[row].second);
        grid->addWidget(label, row, 0);
        grid->addWidget(rows[row].second, row, 1);
    }
    grid->addWidget(lamp_, 5, 0, Qt::AlignCenter);
    grid->addWidget(openButton_, 5, 1);
    grid->addWidget(autoReconnect_, 6, 0, 1, 2);
    auto* windows = new QHBoxLayout;
    windows->addWidget(boardButton_);
    windows->addWidget(downloadButton_);
    grid->addLayout(windows, 7, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    connect(openButton_, &QPushButton::clicked, this, &CComDlg::ToggleOpen);
    connect(autoReconnect_, &QCheckBox::clicked, this, &CComDlg::AutoReconnectClicked);
    connect(boardButton_, &QPushButton::clicked, this, &CComDlg::virtualBoardRequested);
    connect(downloadButton_, &QPushButton::clicked, this,
            [this] { emit downloadRequested(portPath(), baud()); });
    // What the user picks or types is theirs: a port plugged in later does not replace it.
    connect(port_, &QComboBox::activated, this, [this] { portChosen_ = true; });
    connect(port_->lineEdit(), &QLineEdit::textEdited, this, [this] { portChosen_ = true; });
    // A chosen entry shows its path first; the product name follows as far as there is room.
    connect(port_, &QComboBox::currentIndexChanged, this,
            [this] { port_->lineEdit()->setCursorPosition(0); });
    return group;
}

QWidget* CComDlg::CreateLineGroups() {
    auto* box = new QWidget(this);
    auto* control = new QGroupBox(Text(t::kLineControlGroup), box);
    dtr_ = Named(new QCheckBox(Text(t::kDtr), control), "dtr");
    rts_ = Named(new QCheckBox(Text(t::kRts), control), "rts");
    break_ = Named(new QCheckBox(Text(t::kBreak), control), "break");
    auto* controlRow = new QHBoxLayout(control);
    for (QCheckBox* line : {dtr_, rts_, break_}) {
        controlRow->addWidget(line);
        connect(line, &QCheckBox::clicked, this, [this, line] { OutputLineClicked(line); });
    }

    auto* state = new QGroupBox(Text(t::kLineStateGroup), box);
    const std::array<std::pair<const char16_t*, const char*>, 4> inputs{
        {{t::kCts, "cts"}, {t::kDsr, "dsr"}, {t::kRing, "ring"}, {t::kRlsd, "rlsd"}}};
    auto* stateRow = new QHBoxLayout(state);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        QCheckBox* line = Named(new QCheckBox(Text(inputs[i].first), state), inputs[i].second);
        QPalette red = line->palette();
        red.setColor(QPalette::WindowText, QColor(255, 0, 0));
        red.setColor(QPalette::ButtonText, QColor(255, 0, 0));
        line->setPalette(red);
        inputLines_[i] = line;
        stateRow->addWidget(line);
        connect(line, &QCheckBox::clicked, this, [this, line] { InputLineClicked(line); });
    }

    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(control);
    column->addWidget(state);
    return box;
}

QWidget* CComDlg::CreateHelperGroup() {
    auto* group = new QGroupBox(Text(t::kHelperGroup), this);
    TerminalOptionsConfig config;
    config.kind = MoreSendKind::Serial;
    config.plotButton = PlotButtonMaker(context().settings(), config.kind, {receive_});
    config.continuous = {{.periodAccessibleName = t::kPeriodName}};
    config.periodRule = PeriodRule::TypedWhileRunning;
    config.digitsOnly = false;
    config.monitors = {{.text = t::kMonitor, .name = "monitor", .tip = t::kTipMonitor}};
    config.recountName = "resetCounts";
    // While a port that went away is waited for, continuous sending stays
    // set up and resumes with the port.
    config.canSend = [this](int) { return reconnect_.state() != PortState::Closed; };
    options_ = new CTerminalOptions(context().settings(), std::move(config), {send_, {receive_}}, this);
    auto* column = new QVBoxLayout(group);
    column->addWidget(options_);
    connect(options_->monitorButton(0), &QPushButton::clicked, this, &CComDlg::ShowMonitor);
    return group;
}

void CComDlg::SetToolTips() {
    const std::pair<QWidget*, const char16_t*> tips[] = {
        {openButton_, t::kTipOpen},
        {autoReconnect_, t::kTipAutoReconnect},
        {boardButton_, t::kVirtualBoardTip},
        {downloadButton_, t::kDownloadTip},
        {port_, t::kTipPort},
        {baud_, t::kTipBaud},
        {dataBits_, t::kTipDataBits},
        {stopBits_, t::kTipStopBits},
        {parity_, t::kTipParity},
        {sendButton_, t::kTipSend},
        {moreSendButton_, t::kTipMoreSend},
        {dtr_, t::kTipDtr},
        {rts_, t::kTipRts},
        {break_, t::kTipBreak},
        {inputLines_[0], t::kTipCts},
        {inputLines_[1], t::kTipDsr},
        {inputLines_[2], t::kTipRing},
        {inputLines_[3], t::kTipRlsd},
    };
    // Tool tips break lines at LF alone.
    for (const auto& [widget, tip] : tips)
        widget->setToolTip(Text(tip).replace(QStringLiteral("\r\n"), "\n"));
}

void CComDlg::ResetCounts() {
    options_->ResetCounts();
}

void CComDlg::ShowMonitor() {
    if (!monitor_) {
        monitor_ = new CPortMonitorDialog(Text(t::kMonitorTitle), portPath(), this);
        receive_->AttachMonitor(monitor_);
        send_->AttachMonitor(0, monitor_);
    }
    monitor_->show();
}

void CComDlg::ShowMoreSend() {
    if (!moreSend_) {
        // Through the send area's link, behind any send in progress; the
        // page's counters stay as they are.
        auto send = [this](Bytes bytes, bool cycleStep) { send_->SendEntry(0, std::move(bytes), cycleStep); };
        moreSend_ = new CMoreSendDialog(context().settings(), MoreSendKind::Serial, Text(t::kMoreSendTitle),
                                        send, send, this);
        options_->textOptions()->AddMoreSend(moreSend_);
    }
    moreSend_->show();
}

}  // namespace viz

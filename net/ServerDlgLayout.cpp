// The page's controls, their arrangement, tool tips and signal wiring.
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
#include "net/PageWidgets.h"
#include "net/RecordArea.h"
#include "net/ServerDlg.h"
#include "net/ServerDlgTexts.h"
#include "plot/PlotLauncher.h"
#include "terminal/FrameBreakSwitch.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TextOptions.h"

namespace viz {

namespace t = serverdlg_texts;

void CServerDlg::BuildControls() {
    port_ = NumberEdit(QStringLiteral("port"), 5, this);
    createButton_ = Button(t::kCreate, QStringLiteral("create"), this);
    hexSend_ = Box(t::kHexSend, QStringLiteral("hexSend"), this);
    hexDisplay_ = Box(t::kHexDisplay, QStringLiteral("hexDisplay"), this);
    showAddress_ = Box(t::kShowAddress, QStringLiteral("showAddress"), this);
    continuous_ = Box(t::kContinuous, QStringLiteral("continuous"), this);
    period_ = NumberEdit(QStringLiteral("period"), 5, this);
    period_->setText(Text(t::kDefaultPeriod));
    period_->setAccessibleName(Text(t::kPeriodName));
    frameBreak_ = Box(t::kFrameBreak, QStringLiteral("frameBreak"), this);
    frameTime_ = NumberEdit(QStringLiteral("frameTime"), 4, this);
    frameTime_->setText(Text(t::kDefaultFrameTime));
    frameTime_->setAccessibleName(Text(t::kFrameTimeName));
    clearSend_ = Button(t::kClearSend, QStringLiteral("clearSend"), this);
    clearReceive_ = Button(t::kClearReceive, QStringLiteral("clearReceive"), this);
    recount_ = Button(t::kRecount, QStringLiteral("recount"), this);
    chooser_ = new QComboBox(this);
    chooser_->setObjectName(QStringLiteral("clients"));
    chooser_->setMinimumContentsLength(22);
    sendButton_ = Button(t::kSend, QStringLiteral("send"), this);
    moreSendButton_ = Button(t::kMoreSend, QStringLiteral("moreSend"), this);

    ReceiveAreaConfig receive;
    receive.countsFormat = Text(t::kReceiveCounts);
    receive.initialTitle = Text(t::kReceiveInitialTitle);
    receive.resetTitle = Text(t::kReceiveResetTitle);
    receive.captureFile = Text(t::kCaptureFile);
    receive.captureMessage = Text(t::kCaptureSaved);
    receive.outputFile = Text(t::kOutputFile);
    receive.commands = {2024, 2025, 2026, 2027};
    receive_ = new CReceiveArea(receive, this);
    receive_->setObjectName(QStringLiteral("receive"));

    SendAreaConfig send;
    send.countsFormat = Text(t::kSendCounts);
    send.initialTitle = Text(t::kSendInitialTitle);
    send.resetTitle = Text(t::kSendResetTitle);
    send.links = {{.write = [this](const std::uint8_t* bytes, std::size_t size,
                                   const WriteWait& wait) { return Write(bytes, size, wait); },
                   .undelivered = [this] { return Undelivered(); },
                   .isOpen = [this] { return created_; },
                   .blockSize = 1024,
                   .progressTitle = Text(t::kProgressTitle)}};
    send_ = new CSendArea(send, this);
    send_->setObjectName(QStringLiteral("send"));

    textOptions_ = new CTextOptions(context().settings(), MoreSendKind::Server, this);
    textOptions_->AddReceiveArea(receive_);
    textOptions_->AddSendArea(send_);
    plot_ = new CPlotLauncher(context().settings(), MoreSendKind::Server, this);
    plot_->AddReceiveArea(receive_);

    record_ = new CRecordArea(this);
    record_->setObjectName(QStringLiteral("record"));
    record_->setAccessibleName(Text(t::kRecordGroup));
}

void CServerDlg::BuildLayout() {
    auto* serverGroup = new QGroupBox(Text(t::kServerGroup), this);
    auto* serverRow = new QHBoxLayout(serverGroup);
    auto* portLabel = new QLabel(Text(t::kPortLabel), serverGroup);
    portLabel->setBuddy(port_);
    serverRow->addWidget(portLabel);
    serverRow->addWidget(port_, 1);
    serverRow->addWidget(createButton_);

    auto* options = new QGridLayout;
    options->addWidget(hexSend_, 0, 0);
    options->addWidget(hexDisplay_, 0, 1, 1, 2);
    options->addWidget(showAddress_, 1, 0);
    options->addWidget(textOptions_->encodingChoice(), 1, 1, 1, 2);
    options->addWidget(continuous_, 2, 0);
    options->addWidget(period_, 2, 1);
    options->addWidget(new QLabel(Text(t::kMilliseconds), this), 2, 2);
    options->addWidget(frameBreak_, 3, 0);
    options->addWidget(frameTime_, 3, 1);
    options->addWidget(new QLabel(Text(t::kMilliseconds), this), 3, 2);
    options->addWidget(clearSend_, 4, 0);
    options->addWidget(clearReceive_, 4, 1, 1, 2);
    options->addWidget(recount_, 5, 0);
    options->addWidget(plot_->button(), 5, 1, 1, 2);

    auto* recordGroup = new QGroupBox(Text(t::kRecordGroup), this);
    auto* recordBox = new QVBoxLayout(recordGroup);
    recordBox->addWidget(record_);

    auto* controls = new QVBoxLayout;
    controls->addWidget(serverGroup);
    controls->addLayout(options);
    controls->addWidget(recordGroup, 1);

    auto* clientsLabel = new QLabel(Text(t::kClientsLabel), this);
    clientsLabel->setBuddy(chooser_);
    auto* sendButtons = new QVBoxLayout;
    sendButtons->addStretch(1);
    sendButtons->addWidget(clientsLabel);
    sendButtons->addWidget(chooser_);
    sendButtons->addWidget(sendButton_);
    sendButtons->addWidget(moreSendButton_);

    auto* layout = new QGridLayout(this);
    layout->addWidget(receive_, 0, 0);
    layout->addWidget(send_, 1, 0);
    layout->addLayout(controls, 0, 1);
    layout->addLayout(sendButtons, 1, 1);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(0, 3);
    layout->setRowStretch(1, 1);

    // Tab follows the page as it reads: the two areas, then the controls beside them.
    QWidget* const order[] = {receive_->edit(),
                              receive_->timeStampBox(),
                              send_->edit(),
                              port_,
                              createButton_,
                              hexSend_,
                              hexDisplay_,
                              showAddress_,
                              textOptions_->encodingBox(),
                              continuous_,
                              period_,
                              frameBreak_,
                              frameTime_,
                              clearSend_,
                              clearReceive_,
                              recount_,
                              plot_->button(),
                              record_,
                              chooser_,
                              sendButton_,
                              moreSendButton_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void CServerDlg::SetToolTips() {
    const std::pair<QWidget*, const char16_t*> tips[] = {
        {createButton_, t::kTipCreate},   {hexSend_, t::kTipHexSend},
        {hexDisplay_, t::kTipHexDisplay}, {continuous_, t::kTipContinuous},
        {frameBreak_, t::kTipFrameBreak}, {showAddress_, t::kTipShowAddress},
        {clearSend_, t::kTipClearSend},   {clearReceive_, t::kTipClearReceive},
        {recount_, t::kTipRecount},       {sendButton_, t::kTipSend},
        {chooser_, t::kTipClients},
    };
    for (const auto& [widget, tip] : tips) widget->setToolTip(ToolTip(tip));
}

void CServerDlg::ConnectControls() {
    connect(createButton_, &QPushButton::clicked, this, &CServerDlg::ToggleServer);
    connect(sendButton_, &QPushButton::clicked, this, &CServerDlg::Send);
    connect(moreSendButton_, &QPushButton::clicked, this, &CServerDlg::ShowMoreSend);
    connect(hexSend_, &QCheckBox::toggled, send_, &CSendArea::setHexSend);
    connect(hexDisplay_, &QCheckBox::toggled, receive_, &CReceiveArea::setHexDisplay);
    connect(continuous_, &QCheckBox::clicked, this, &CServerDlg::ContinuousClicked);
    connect(period_, &QLineEdit::textChanged, this, &CServerDlg::PeriodChanged);
    new CFrameBreakSwitch(
        frameBreak_, frameTime_, [this](bool on, std::uint32_t ms) { receive_->setFrameBreak(on, ms); },
        this);
    connect(clearSend_, &QPushButton::clicked, send_->edit(), &QPlainTextEdit::clear);
    connect(clearReceive_, &QPushButton::clicked, receive_, &CReceiveArea::Clear);
    connect(recount_, &QPushButton::clicked, this, &CServerDlg::Recount);
    connect(&continuousTimer_, &QTimer::timeout, this, &CServerDlg::ContinuousTick);
    connect(chooser_, &QComboBox::activated, this, &CServerDlg::ClientChosen);
}

}  // namespace viz

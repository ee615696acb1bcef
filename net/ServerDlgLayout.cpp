// The page's controls, their arrangement, tool tips and signal wiring.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/QtText.h"
#include "net/PageWidgets.h"
#include "net/RecordArea.h"
#include "net/ServerDlg.h"
#include "net/ServerDlgTexts.h"
#include "plot/PlotLauncher.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"

namespace viz {

namespace t = serverdlg_texts;

void CServerDlg::BuildControls() {
    port_ = NumberEdit(QStringLiteral("port"), 5, this);
    createButton_ = Button(t::kCreate, QStringLiteral("create"), this);
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

    TerminalOptionsConfig options;
    options.kind = MoreSendKind::Server;
    options.plotButton = PlotButtonMaker(context().settings(), options.kind, {receive_});
    options.continuous = {{.periodAccessibleName = t::kPeriodName}};
    options.besideEncoding = {{.text = t::kShowAddress, .name = "showAddress", .tip = t::kTipShowAddress}};
    options.frameTimeName = t::kFrameTimeName;
    // Continuous sending goes to the chosen client on a timer of the page's own.
    options.canSend = [this](int) { return !clients_.empty(); };
    options.startContinuous = [this](int, int milliseconds) { continuousTimer_.start(milliseconds); };
    options.stopContinuous = [this](int) { continuousTimer_.stop(); };
    options_ = new CTerminalOptions(context().settings(), std::move(options), {send_, {receive_}}, this);

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

    auto* recordGroup = new QGroupBox(Text(t::kRecordGroup), this);
    auto* recordBox = new QVBoxLayout(recordGroup);
    recordBox->addWidget(record_);

    auto* controls = new QVBoxLayout;
    controls->addWidget(serverGroup);
    controls->addWidget(options_);
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
    std::vector<QWidget*> order = std::initializer_list<QWidget*>{receive_->edit(), receive_->timeStampBox(),
                                                                  send_->edit(), port_, createButton_};
    const std::vector<QWidget*> options = options_->focusOrder();
    order.insert(order.end(), options.begin(), options.end());
    order.insert(order.end(),
                 std::initializer_list<QWidget*>{record_, chooser_, sendButton_, moreSendButton_});
    for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void CServerDlg::SetToolTips() {
    const std::pair<QWidget*, const char16_t*> tips[] = {
        {createButton_, t::kTipCreate},
        {sendButton_, t::kTipSend},
        {chooser_, t::kTipClients},
    };
    for (const auto& [widget, tip] : tips) widget->setToolTip(ToolTip(tip));
}

void CServerDlg::ConnectControls() {
    connect(createButton_, &QPushButton::clicked, this, &CServerDlg::ToggleServer);
    connect(sendButton_, &QPushButton::clicked, this, &CServerDlg::Send);
    connect(moreSendButton_, &QPushButton::clicked, this, &CServerDlg::ShowMoreSend);
    connect(&continuousTimer_, &QTimer::timeout, this, &CServerDlg::ContinuousTick);
    connect(chooser_, &QComboBox::activated, this, &CServerDlg::ClientChosen);
}

}  // namespace viz

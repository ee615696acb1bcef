// The page's controls, their arrangement, tool tips and signal wiring.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "base/QtText.h"
#include "net/NetDlg.h"
#include "net/NetDlgTexts.h"
#include "net/PageWidgets.h"
#include "plot/PlotLauncher.h"
#include "terminal/ChunkPump.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalOptions.h"

namespace viz {

namespace t = netdlg_texts;

namespace {

ReceiveAreaConfig AreaConfig(int side) {
    const bool tcp = side == CNetDlg::kTcp;
    ReceiveAreaConfig config;
    config.countsFormat = Text(tcp ? t::kTcpCounts : t::kUdpCounts);
    config.initialTitle = Text(tcp ? t::kTcpInitialTitle : t::kUdpInitialTitle);
    config.resetTitle = Text(tcp ? t::kTcpResetTitle : t::kUdpResetTitle);
    config.captureFile = Text(tcp ? t::kTcpCaptureFile : t::kUdpCaptureFile);
    config.captureMessage = Text(tcp ? t::kTcpCaptureMessage : t::kUdpCaptureMessage);
    config.outputFile = Text(tcp ? t::kTcpOutputFile : t::kUdpOutputFile);
    config.commands =
        tcp ? CMenuEdit::Commands{2024, 2025, 2026, 2027} : CMenuEdit::Commands{2028, 2029, 2030, 2031};
    config.timeStampName = Text(tcp ? t::kTcpTimeStampsName : t::kUdpTimeStampsName);
    return config;
}

}  // namespace

QPixmap CNetDlg::LampPixmap(int icon) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool lit = icon == kLampOpen;
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    QRadialGradient glow(QPointF(6, 6), 8);
    glow.setColorAt(0, lit ? QColor(190, 255, 190) : QColor(200, 200, 200));
    glow.setColorAt(1, lit ? QColor(0, 170, 0) : QColor(90, 90, 90));
    painter.setBrush(glow);
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return pixmap;
}

void CNetDlg::BuildControls() {
    address_ = new QLineEdit(this);
    address_->setObjectName(QStringLiteral("address"));
    address_->setMaxLength(15);
    address_->setMinimumWidth(address_->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255  ")));
    // Four dotted fields of 0..255 as they are typed.
    const QString field = QStringLiteral("(25[0-5]|2[0-4][0-9]|[01]?[0-9]?[0-9])");
    address_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("(%1(\\.(%1)?){0,3})?").arg(field)), address_));
    ping_ = Button(t::kPing, QStringLiteral("ping"), this);

    const std::array<QString, 2> prefixes{QStringLiteral("tcp"), QStringLiteral("udp")};
    for (int side : {kTcp, kUdp}) {
        const bool tcp = side == kTcp;
        const QString& prefix = prefixes[side];
        LinkSide& link = sides_[side];
        link.sourcePort = NumberEdit(prefix + QStringLiteral("SourcePort"), 5, this);
        link.destPort = NumberEdit(prefix + QStringLiteral("DestPort"), 5, this);
        link.openButton = Button(tcp ? t::kOpenTcp : t::kOpenUdp, prefix + QStringLiteral("Open"), this);
        link.lamp = new QLabel(this);
        link.lamp->setObjectName(prefix + QStringLiteral("Lamp"));
        link.sourcePort->setAccessibleName(Text(tcp ? t::kTcpSourcePortName : t::kUdpSourcePortName));
        link.destPort->setAccessibleName(Text(tcp ? t::kTcpDestPortName : t::kUdpDestPortName));
        link.sendButton = Button(tcp ? t::kTcpSend : t::kUdpSend, prefix + QStringLiteral("Send"), this);
        link.area = new CReceiveArea(AreaConfig(side), this);
        link.area->setObjectName(prefix + QStringLiteral("Receive"));
        link.pump = new CChunkPump(this);
        CReceiveArea* area = link.area;
        link.pump->setDelivery([area](const Chunk& chunk) { area->Receive(chunk); }, {});
        SetLamp(side, kLampClosed);
    }

    moreSendButton_ = Button(t::kMoreSend, QStringLiteral("moreSend"), this);

    SendAreaConfig send;
    send.countsFormat = Text(t::kSendCounts);
    send.initialTitle = Text(t::kSendInitialTitle);
    send.resetTitle = Text(t::kSendResetTitle);
    for (int side : {kTcp, kUdp}) {
        send.links.push_back(
            {.write = [this, side](const std::uint8_t* bytes, std::size_t size,
                                   const WriteWait& wait) { return Write(side, bytes, size, wait); },
             .undelivered = side == kTcp ? UndeliveredFn([this] { return tcp_.Undelivered(); }) : nullptr,
             .isOpen = [this, side] { return sides_[side].open; },
             .blockSize = 1024,
             .progressTitle = Text(side == kTcp ? t::kTcpProgressTitle : t::kUdpProgressTitle)});
    }
    sendArea_ = new CSendArea(send, this);
    sendArea_->setObjectName(QStringLiteral("send"));
    sendArea_->edit()->setPlainText(Text(t::kInitialSendText));
    BuildOptions();
}

void CNetDlg::BuildOptions() {
    TerminalOptionsConfig config;
    config.kind = MoreSendKind::Network;
    config.plotButton =
        PlotButtonMaker(context().settings(), config.kind, {sides_[kTcp].area, sides_[kUdp].area});
    config.continuous = {{.text = t::kTcpContinuous,
                          .name = "tcpContinuous",
                          .periodName = "tcpPeriod",
                          .periodAccessibleName = t::kTcpPeriodName,
                          .tip = t::kTipTcpContinuous},
                         {.text = t::kUdpContinuous,
                          .name = "udpContinuous",
                          .periodName = "udpPeriod",
                          .periodAccessibleName = t::kUdpPeriodName,
                          .tip = t::kTipUdpContinuous}};
    config.monitors = {{.text = t::kTcpMonitor, .name = "tcpMonitor", .tip = t::kTipTcpMonitor},
                       {.text = t::kUdpMonitor, .name = "udpMonitor", .tip = t::kTipUdpMonitor}};
    config.canSend = [this](int side) { return isOpen(side); };
    options_ = new CTerminalOptions(context().settings(), std::move(config),
                                    {sendArea_, {sides_[kTcp].area, sides_[kUdp].area}}, this);
}

void CNetDlg::BuildLayout() {
    auto* addressGroup = new QGroupBox(Text(t::kAddressGroup), this);
    auto* addressRow = new QHBoxLayout(addressGroup);
    addressRow->addWidget(address_, 1);
    addressRow->addWidget(ping_);

    auto* controls = new QVBoxLayout;
    controls->addWidget(addressGroup);
    for (int side : {kTcp, kUdp}) {
        LinkSide& link = sides_[side];
        auto* group = new QGroupBox(Text(side == kTcp ? t::kTcpGroup : t::kUdpGroup), this);
        auto* grid = new QGridLayout(group);
        grid->addWidget(new QLabel(Text(t::kSourcePort), group), 0, 0);
        grid->addWidget(link.sourcePort, 0, 1, 1, 2);
        grid->addWidget(new QLabel(Text(t::kDestPort), group), 1, 0);
        grid->addWidget(link.destPort, 1, 1, 1, 2);
        grid->addWidget(link.openButton, 2, 0, 1, 2);
        grid->addWidget(link.lamp, 2, 2, Qt::AlignCenter);
        controls->addWidget(group);
    }

    controls->addWidget(options_);
    controls->addStretch(1);

    auto* sendButtons = new QVBoxLayout;
    sendButtons->addStretch(1);
    sendButtons->addWidget(sides_[kTcp].sendButton);
    sendButtons->addWidget(sides_[kUdp].sendButton);
    sendButtons->addWidget(moreSendButton_);

    auto* layout = new QGridLayout(this);
    layout->addWidget(sides_[kTcp].area, 0, 0);
    layout->addWidget(sides_[kUdp].area, 1, 0);
    layout->addWidget(sendArea_, 2, 0);
    layout->addLayout(controls, 0, 1, 2, 1);
    layout->addLayout(sendButtons, 2, 1);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(0, 2);
    layout->setRowStretch(1, 2);
    layout->setRowStretch(2, 1);
}

void CNetDlg::SetToolTips() {
    ping_->setToolTip(ToolTip(t::kTipPing));
    sides_[kTcp].openButton->setToolTip(ToolTip(t::kTipOpenTcp));
    sides_[kUdp].openButton->setToolTip(ToolTip(t::kTipOpenUdp));
    sides_[kTcp].sendButton->setToolTip(ToolTip(t::kTipTcpSend));
    sides_[kUdp].sendButton->setToolTip(ToolTip(t::kTipUdpSend));
    moreSendButton_->setToolTip(ToolTip(t::kTipMoreSend));
}

void CNetDlg::ConnectControls() {
    connect(ping_, &QPushButton::clicked, this, &CNetDlg::Ping);
    for (int side : {kTcp, kUdp}) {
        LinkSide& link = sides_[side];
        connect(link.openButton, &QPushButton::clicked, this, [this, side] { ToggleLink(side); });
        connect(link.sendButton, &QPushButton::clicked, this, [this, side] { sendArea_->Send(side); });
        connect(options_->monitorButton(side), &QPushButton::clicked, this,
                [this, side] { ShowMonitor(side); });
    }
    connect(moreSendButton_, &QPushButton::clicked, this, &CNetDlg::ShowMoreSend);
}

}  // namespace viz

#include "LoopbackPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "base/TextFormat.h"
#include "terminal/ChunkPump.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TextOptions.h"

namespace viz::testing {

LoopbackPage::LoopbackPage(SettingsStore& settings, QWidget* parent, std::size_t chunkSize)
    : QWidget(parent), settings_(settings), channel_(chunkSize) {
    ReceiveAreaConfig receive;
    receive.countsFormat = QStringLiteral("接收区：已接收%d字节，速度%d字节/秒，");
    receive.initialTitle =
        QStringLiteral("接收区：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）");
    receive.resetTitle = QStringLiteral("接收区：已接收0字节");
    receive.captureFile = QStringLiteral("回环数据接收记录.txt");
    receive.captureMessage = QStringLiteral("保存回环数据接收记录成功,并保存在该软件的当前目录！");
    receive.outputFile = QStringLiteral("回环数据输出记录.txt");
    receive.commands = {2024, 2025, 2026, 2027};
    receive_ = new CReceiveArea(receive, this);

    SendAreaConfig send;
    send.countsFormat = QStringLiteral("发送区：已发送%d字节");
    send.initialTitle = QStringLiteral("发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）");
    send.resetTitle = QStringLiteral("发送区：已发送0字节");
    send.links = {{.write = [this](const std::uint8_t* bytes, std::size_t count,
                                   const WriteWait&) { return Write(bytes, count); },
                   .isOpen = [this] { return channel_.IsOpen(); },
                   .blockSize = 1024,
                   .progressTitle = QStringLiteral("回环发送文件进度")}};
    send_ = new CSendArea(send, this);

    pump_ = new CChunkPump(this);
    pump_->setDelivery([this](const Chunk& chunk) { receive_->Receive(chunk); }, {});

    textOptions_ = new CTextOptions(settings, MoreSendKind::Serial, this);
    textOptions_->AddReceiveArea(receive_);
    textOptions_->AddSendArea(send_);

    open_ = new QPushButton(QStringLiteral("打开"), this);
    sendButton_ = new QPushButton(QStringLiteral("发送"), this);
    auto* monitorButton = new QPushButton(QStringLiteral("监视"), this);
    auto* moreSendButton = new QPushButton(QStringLiteral("多项发送"), this);
    hexSend_ = new QCheckBox(QStringLiteral("Hex发送"), this);
    hexDisplay_ = new QCheckBox(QStringLiteral("Hex显示"), this);
    continuous_ = new QCheckBox(QStringLiteral("连续发送"), this);
    period_ = new QLineEdit(QStringLiteral("1000"), this);
    period_->setMaxLength(5);

    connect(open_, &QPushButton::clicked, this, &LoopbackPage::ToggleOpen);
    connect(sendButton_, &QPushButton::clicked, this, [this] { send_->Send(0); });
    connect(monitorButton, &QPushButton::clicked, this, &LoopbackPage::ShowMonitor);
    connect(moreSendButton, &QPushButton::clicked, this, &LoopbackPage::ShowMoreSend);
    connect(hexSend_, &QCheckBox::toggled, send_, &CSendArea::setHexSend);
    connect(hexDisplay_, &QCheckBox::toggled, this, [this](bool on) { receive_->setHexDisplay(on); });
    connect(continuous_, &QCheckBox::toggled, this, [this](bool on) {
        if (on && !isOpen()) {
            continuous_->setChecked(false);
        } else if (on) {
            send_->StartContinuous(0, FieldInteger(period_->text().toStdU16String()));
        } else {
            send_->StopContinuous(0);
        }
    });

    auto* layout = new QGridLayout(this);
    layout->addWidget(receive_, 0, 0, 1, 4);
    layout->addWidget(send_, 1, 0, 1, 4);
    layout->addWidget(hexSend_, 2, 0);
    layout->addWidget(hexDisplay_, 2, 1);
    layout->addWidget(continuous_, 2, 2);
    layout->addWidget(period_, 2, 3);
    layout->addWidget(textOptions_->encodingChoice(), 2, 4);
    layout->addWidget(open_, 3, 0);
    layout->addWidget(sendButton_, 3, 1);
    layout->addWidget(monitorButton, 3, 2);
    layout->addWidget(moreSendButton, 3, 3);
}

LoopbackPage::~LoopbackPage() {
    delete send_;
    pump_->Close();
    channel_.Close();
}

WriteStep LoopbackPage::Write(const std::uint8_t* bytes, std::size_t count) {
    if (!channel_.IsOpen()) return FailedStep(ENOTCONN);
    return WrittenStep(channel_.Write(bytes, count));
}

void LoopbackPage::ToggleOpen() {
    if (isOpen()) {
        send_->LinkClosed(0);
        pump_->Close();
        channel_.Close();
        open_->setText(QStringLiteral("打开"));
        if (monitor_) monitor_->LinkChanged(false);
        receive_->StopStatusTimer();
        return;
    }
    pump_->Open();
    if (!channel_.Open(pump_->sink())) return;
    open_->setText(QStringLiteral("关闭"));
    if (monitor_) monitor_->LinkChanged(true);
    receive_->StartStatusTimer();
}

void LoopbackPage::ShowMonitor() {
    if (!monitor_) {
        monitor_ = new CPortMonitorDialog(QStringLiteral("回环监视器"), QStringLiteral("LOOP"), this);
        receive_->AttachMonitor(monitor_);
        send_->AttachMonitor(0, monitor_);
    }
    monitor_->show();
}

void LoopbackPage::ShowMoreSend() {
    if (!moreSend_) {
        auto send = [this](Bytes bytes, bool cycleStep) { send_->SendEntry(0, std::move(bytes), cycleStep); };
        moreSend_ = new CMoreSendDialog(settings_, MoreSendKind::Serial, QStringLiteral("回环多项发送"), send,
                                        send, this);
        textOptions_->AddMoreSend(moreSend_);
    }
    moreSend_->show();
}

}  // namespace viz::testing

#include "Scenes.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "SceneSteps.h"
#include "app/CommandLine.h"
#include "app/VizuruvDlg.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "board/VirtualBoardDlg.h"
#include "net/NetDlg.h"
#include "net/ServerDlg.h"
#include "platform/CodePage.h"
#include "plot/PlotFeed.h"
#include "plot/PlotLauncher.h"
#include "plot/PlotWindow.h"
#include "serial/ComDlg.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/SendEdit.h"
#include "tools/Bmp2HexDlg.h"

namespace viz::screenshots {
namespace {

template <typename Page>
Page* PageOf(CVizuruvDlg& window, StartPage which) {
    return qobject_cast<Page*>(window.page(which));
}

void Choose(QWidget* page, const char* listName, const QString& entry) {
    auto* list = page->findChild<QComboBox*>(QLatin1String(listName));
    const int index = list ? list->findText(entry) : -1;
    if (index < 0) {
        std::fprintf(stderr, "screenshots: no entry %s in %s\n", qPrintable(entry), listName);
        return;
    }
    list->setCurrentIndex(index);
}

// What a board prints, in the page's default code page (GBK).
std::string BoardText(const char16_t* text) {
    return EncodeText(text, CodePage::Ansi);
}

}  // namespace

void Scenes::PrepareSettings(SettingsStore& store) {
    serverPort_ = Peers::FreeTcpPort();
    udpPort_ = Peers::FreeUdpPort();
    store.WriteIpAddress(u"127.0.0.1");
    // Source port 0: the system chooses one, as the page allows.
    store.WriteTcpPorts({0, static_cast<std::uint32_t>(serverPort_)});
    // UDP to its own port, so the page receives what it sends.
    store.WriteUdpPorts({static_cast<std::uint32_t>(udpPort_), static_cast<std::uint32_t>(udpPort_)});
    store.WriteServerPort(static_cast<std::uint32_t>(serverPort_));
}

bool Scenes::Stage(CVizuruvDlg& window, PageContext& context) {
    context_ = &context;
    if (serverPort_ == 0 || udpPort_ == 0) return Failed("no free port on 127.0.0.1");
    // The server first: the network page and the boards connect to it.
    if (!StageServer(window) || !StageNet(window) || !ServerAnswers(window) || !StageSerial(window) ||
        !StageUsb(window) || !StageMonitor(window))
        return false;
    StageTools(window);
    StageC51(window);
    StageAvr(window);
    StageCheck(window);
    StageEncoding(window);
    return StageBitmap(window);
}

bool Scenes::StageServer(CVizuruvDlg& window) {
    auto* page = PageOf<CServerDlg>(window, StartPage::Server);
    Click(ButtonShowing(page, QStringLiteral("清接收区")), "清接收区");
    Click(ButtonShowing(page, QStringLiteral("显示IP")), "显示IP");
    page->ToggleServer();
    return page->created() || Failed("the server page did not create its server");
}

bool Scenes::StageNet(CVizuruvDlg& window) {
    auto* page = PageOf<CNetDlg>(window, StartPage::Net);
    Click(ButtonShowing(page, QStringLiteral("清接收区")), "清接收区");
    page->sendArea()->edit()->setPlainText(QStringLiteral("GET STATUS\n"));
    page->ToggleLink(CNetDlg::kTcp);
    page->ToggleLink(CNetDlg::kUdp);
    if (!WaitFor([page] { return page->isOpen(CNetDlg::kTcp) && page->isOpen(CNetDlg::kUdp); }))
        return Failed("the network page did not open TCP and UDP on 127.0.0.1");
    Click(ButtonShowing(page, QStringLiteral("TCP发送")), "TCP发送");
    Click(ButtonShowing(page, QStringLiteral("UDP发送")), "UDP发送");
    for (const char16_t* line : {u"板2：温度=24.8\r\n", u"板3：温度=26.1\r\n"}) {
        if (!peers_.ConnectBoard(serverPort_, BoardText(line)))
            return Failed("a board could not connect to the server page");
    }
    return true;
}

bool Scenes::ServerAnswers(CVizuruvDlg& window) {
    auto* page = PageOf<CServerDlg>(window, StartPage::Server);
    if (!WaitFor([page] { return page->chooser()->count() == 3; }))
        return Failed("the boards did not connect");
    // The network page connected first: answer it.
    page->chooser()->setCurrentIndex(0);
    emit page->chooser()->activated(0);
    page->sendArea()->edit()->setPlainText(QStringLiteral("LED=ON\n"));
    page->Send();
    auto* net = PageOf<CNetDlg>(window, StartPage::Net);
    return WaitFor([net] { return net->receiveArea(CNetDlg::kTcp)->pipeline().receivedTotal() > 0; }) ||
           Failed("the network page received nothing from the server page");
}

bool Scenes::StageSerial(CVizuruvDlg& window) {
    auto* page = PageOf<CComDlg>(window, StartPage::Serial);
    const std::string path = peers_.OpenBoardTerminal();
    if (path.empty()) return Failed("no pseudo-terminal for the serial page");
    // Listed as a USB serial adapter is, with its model and maker.
    const QString label =
        QStringLiteral("/dev/ttyUSB0  CP2102N USB to UART Bridge Controller (Silicon Labs)");
    context_->extraSerialPorts().Put({"adapter", path, label.toStdString()});
    // The page brings its list up to date once the registry's change is done.
    const auto listed = [page, &label] {
        return Find<QComboBox>(page, [&label](QComboBox* list) { return list->findText(label) >= 0; });
    };
    if (!WaitFor([&listed] { return listed() != nullptr; }))
        return Failed("the serial page did not list the adapter");
    page->ChoosePort(QString::fromStdString(path));
    page->ChooseBaud(115200);
    // Each line the board prints with the time it arrived.
    Click(ButtonShowing(page, QStringLiteral("时间戳")), "时间戳");
    page->ToggleOpen();
    if (!page->isOpen()) return Failed("the serial page did not open its pseudo-terminal");
    // A line at a time, some time apart, so each line has its own time stamp.
    for (const char16_t* line : {u"8051 开发板已启动，固件 V1.2\r\n", u"温度=25.6 湿度=48%\r\n",
                                 u"温度=25.7 湿度=48%\r\n", u"温度=25.7 湿度=47%\r\n"}) {
        const std::string bytes = BoardText(line);
        const std::int64_t before = page->receiveArea()->pipeline().receivedTotal();
        if (!peers_.WriteToTerminal(bytes)) return Failed("the board could not write");
        if (!WaitFor([page, until = before + static_cast<std::int64_t>(bytes.size())] {
                return page->receiveArea()->pipeline().receivedTotal() >= until;
            }))
            return Failed("the serial page received nothing");
        WaitFor([] { return false; }, 350);
    }
    page->sendArea()->edit()->setPlainText(QStringLiteral("READ TEMP"));
    Click(ButtonShowing(page, QStringLiteral("发送")), "发送");
    return true;
}

void Scenes::StageTools(CVizuruvDlg& window) {
    QWidget* page = window.page(StartPage::Tools);
    for (const int bit : {7, 5, 2, 0}) {
        const QString name = QStringLiteral("第%1位").arg(bit);
        Click(ButtonNamed(page, name), qPrintable(name));
    }
    // The digit 2 on the seven-segment display.
    for (const char segment : {'a', 'b', 'g', 'e', 'd'}) {
        const QString name = QStringLiteral("数码管%1段").arg(QChar::fromLatin1(segment));
        Click(ButtonNamed(page, name), qPrintable(name));
    }
    Click(ButtonShowing(page, QStringLiteral("生成")), "生成");
}

void Scenes::StageC51(CVizuruvDlg& window) {
    QWidget* page = window.page(StartPage::C51);
    // The usual first program: a UART at 9600 baud from timer 1 with an 11.0592 MHz crystal.
    Choose(page, "crystal", QStringLiteral("11.0592"));
    Choose(page, "timer1Mode", QStringLiteral("3:波特率发生器"));
    Choose(page, "serialMode", QStringLiteral("1:8位可变波特率"));
    Choose(page, "baud", QStringLiteral("9600"));
    for (const char* name : {"timer1Run", "serialReceive", "globalInterrupt", "serialInterrupt"})
        Click(page->findChild<QAbstractButton*>(QLatin1String(name)), name);
}

void Scenes::StageAvr(CVizuruvDlg& window) {
    QWidget* page = window.page(StartPage::Avr);
    if (auto* frequency = page->findChild<QLineEdit*>(QStringLiteral("frequency")))
        frequency->setText(QStringLiteral("8000000"));
    Choose(page, "baud", QStringLiteral("9600"));
    Click(ButtonShowing(page, QStringLiteral("计算")), "计算");
    Click(ButtonShowing(page, QStringLiteral("生成代码")), "生成代码");
}

void Scenes::StageCheck(CVizuruvDlg& window) {
    QWidget* page = window.page(StartPage::Check);
    if (auto* input = page->findChild<QPlainTextEdit*>(QStringLiteral("input")))
        input->setPlainText(QStringLiteral("01 03 00 00 00 0A"));
    Click(ButtonShowing(page, QStringLiteral("计算")), "计算");
}

void Scenes::StageEncoding(CVizuruvDlg& window) {
    QWidget* page = window.page(StartPage::Encoding);
    if (auto* input = page->findChild<QPlainTextEdit*>(QStringLiteral("input")))
        input->setPlainText(QStringLiteral("单片机 AVR"));
}

bool Scenes::StageBitmap(CVizuruvDlg& window) {
    auto* page = PageOf<CBmp2HexDlg>(window, StartPage::Bitmap);
    // A 32 x 16 one-bit picture, as for a small LCD.
    QImage picture(32, 16, QImage::Format_Mono);
    picture.fill(0);
    {
        QPainter painter(&picture);
        painter.setPen(Qt::color1);
        painter.drawRect(0, 0, 31, 15);
        painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("8051"));
    }
    const QString path = work_.filePath(QStringLiteral("logo.bmp"));
    if (!picture.save(path, "BMP")) return Failed("cannot write the BMP picture");
    page->setFileChooser([path] { return path; });
    Click(ButtonShowing(page, QStringLiteral("选择BMP")), "选择BMP");
    Click(ButtonShowing(page, QStringLiteral("生成代码")), "生成代码");
    return WaitFor([page] { return !page->converting(); }) || Failed("the bitmap conversion did not end");
}

QWidget* Scenes::RunBoard(CVizuruvDlg& window) {
    CVirtualBoardDlg* board = window.Board();
    board->resize(760, 560);
    QWidget* page = window.page(StartPage::C51);
    Click(page->findChild<QAbstractButton*>(QStringLiteral("runOnBoard")), "runOnBoard");
    // Compiling with sdcc and starting s51 take a few seconds.
    if (!WaitFor([board] { return board->running(); }, 30000)) {
        Failed("the virtual board did not start (sdcc and s51: scripts/setup.sh)");
        return nullptr;
    }
    // The picture shows s51's greeting (it has loaded the program) and the
    // lamps with the port levels once s51 has told them; on a busy machine
    // either may take a while.
    WaitFor(
        [board] {
            const PinSnapshot pins = board->session().pins().Snapshot();
            return board->output()->toPlainText().contains(QStringLiteral("words read")) && !pins.known.empty() &&
                   std::all_of(pins.known.begin(), pins.known.end(), [](bool known) { return known; });
        },
        30000);
    // The lamps follow the levels on a short timer.
    WaitFor([] { return false; }, 300);
    return board;
}

QWidget* Scenes::ShowPlot(CVizuruvDlg& window) {
    auto* page = PageOf<CComDlg>(window, StartPage::Serial);
    Click(ButtonShowing(page, QStringLiteral("波形显示")), "波形显示");
    auto* plot = page->findChild<CPlotWindow*>();
    if (!plot || !plot->attached()) {
        Failed("the serial page's plot window did not open");
        return nullptr;
    }
    // A line without numbers first, as a board prints when it starts: the
    // status line counts it as skipped.
    if (!peers_.WriteToTerminal("boot ok\r\n")) {
        Failed("the board could not write");
        return nullptr;
    }
    // The newest 300 points fill the plot's width.
    if (auto* points = plot->findChild<QSpinBox*>(QStringLiteral("plotWindowPoints"))) points->setValue(300);
    // About 300 lines a second, in pieces the page takes before the next.
    constexpr std::size_t kLines = 300;
    constexpr std::size_t kPiece = 30;
    for (std::size_t first = 0; first < kLines; first += kPiece) {
        std::string text;
        for (std::size_t i = first; i < first + kPiece; ++i) {
            char line[64];
            std::snprintf(line, sizeof line, "temp:%.1f,adc=%d,pwm=%zu\r\n", 21.5 + 3 * std::sin(i / 30.0),
                          300 + static_cast<int>(120 * std::cos(i / 45.0) + i * 7919 % 9), i * 4 % 256);
            text += line;
        }
        if (!peers_.WriteToTerminal(text) ||
            !WaitFor([plot, taken = first + kPiece] { return plot->feed().samples().size() == taken; })) {
            Failed("the plot did not take the board's lines");
            return nullptr;
        }
        WaitFor([] { return false; }, 100);
    }
    plot->TogglePause();
    // A few frames and a status refresh (every 250 ms).
    WaitFor([] { return false; }, 300);
    return plot;
}

}  // namespace viz::screenshots

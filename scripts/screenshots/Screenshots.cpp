// Writes one PNG of the main window per tab into the folder given as the
// first argument, using the settings of $XDG_CONFIG_HOME like the program;
// then one of the serial page's plot window with three channels of lines
// put through its receive area as if a board had sent them.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <string>

#include "base/PageContext.h"
#include "base/Page.h"
#include "base/SettingsStore.h"
#include "app/VizuruvDlg.h"
#include "board/VirtualBoardDlg.h"
#include "platform/SettingsPath.h"
#include "platform/Signals.h"
#include "serial/ComDlg.h"
#include "terminal/PlotWindow.h"
#include "terminal/ReceiveArea.h"

namespace {

// The plot window of the serial page after a board printed a sine, a ramp
// and a noisy cosine, a line it cannot read among them.
QWidget* ShowPlotWindow(viz::CVizuruvDlg& window) {
    viz::CComDlg* serial = window.findChild<viz::CComDlg*>();
    if (!serial) return nullptr;
    serial->findChild<QPushButton*>(QStringLiteral("plot"))->click();
    std::string lines = "boot ok\r\n";
    for (int i = 0; i < 1500; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "temp:%.3f,ramp=%d,adc:%.1f\r\n", 20 + 5 * std::sin(i / 40.0),
                      i % 500, 300 * std::cos(i / 90.0) + (i * 7919 % 13));
        lines += line;
    }
    serial->receiveArea()->Receive(viz::Chunk::JustRead(viz::Bytes(lines.begin(), lines.end())));
    return serial->findChild<viz::CPlotWindow*>();
}

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

}  // namespace

int main(int argc, char** argv) {
    viz::IgnoreBrokenPipeSignal();
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    viz::SettingsStore store(viz::DefaultSettingsPath());
    viz::PageContext context(store);
    viz::CVizuruvDlg window(context, nullptr);
    window.show();
    Settle();
    for (int i = 0; i < window.tabs()->count(); ++i) {
        window.tabs()->setCurrentIndex(i);
        Settle();
        const QString name = QString("%1-%2.png")
                                 .arg(i, 2, 10, QChar('0'))
                                 .arg(window.page(i)->metaObject()->className())
                                 .remove("viz::");
        if (!window.grab().save(out.filePath(name))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(name)));
            return 1;
        }
        std::printf("%s\n", qPrintable(out.filePath(name)));
    }
    // The virtual board's window, running the C51 wizard's code when s51 is there.
    viz::CVirtualBoardDlg* board = window.Board();
    board->show();
    if (auto* run = window.page(6)->findChild<QPushButton*>(QStringLiteral("runOnBoard"))) run->click();
    for (int i = 0; i < 100 && !board->running(); ++i) Settle();
    for (int i = 0; i < 20; ++i) Settle();
    const QString name = out.filePath(QStringLiteral("12-CVirtualBoardDlg.png"));
    if (!board->grab().save(name)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
        return 1;
    }
    std::printf("%s\n", qPrintable(name));
    if (QWidget* plot = ShowPlotWindow(window)) {
        Settle();
        const QString plotName = out.filePath(QStringLiteral("13-CPlotWindow.png"));
        if (!plot->grab().save(plotName)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(plotName));
            return 1;
        }
        std::printf("%s\n", qPrintable(plotName));
    }
    return 0;
}

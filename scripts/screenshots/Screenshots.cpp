// Writes one PNG of the main window per tab, named after the page's command
// line name (serial.png, net.png, ...), one of the virtual board's window
// (board.png), one of the serial page's plot window (plot.png) and one of the
// download window after a download (flash.png) into the
// folder given as the only argument. Every picture is made the same way wherever it
// runs: offscreen, with throw-away settings and working folder, automatic update off, one window size, one
// style and the fonts of the package fonts-wqy-microhei.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#include "Scenes.h"
#include "app/CommandLine.h"
#include "app/VizuruvDlg.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "platform/SettingsPath.h"
#include "platform/Signals.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 700;
const char kFamily[] = "WenQuanYi Micro Hei";
const char kFixedFamily[] = "WenQuanYi Micro Hei Mono";

// The system's font configuration with both generic families bound to the
// WenQuanYi fonts, so the pages' fixed-width areas do not depend on which
// other fonts a machine has.
bool WriteFontConfig(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray text =
        QStringLiteral(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
            "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n"
            "  <match target=\"pattern\"><test name=\"family\"><string>monospace</string></test>"
            "<edit name=\"family\" mode=\"prepend_first\" binding=\"strong\"><string>%1</string>"
            "</edit></match>\n"
            "  <match target=\"pattern\"><test name=\"family\"><string>sans-serif</string></test>"
            "<edit name=\"family\" mode=\"prepend_first\" binding=\"strong\"><string>%2</string>"
            "</edit></match>\n"
            "</fontconfig>\n")
            .arg(QLatin1String(kFixedFamily), QLatin1String(kFamily))
            .toUtf8();
    return file.write(text) == text.size();
}

void Settle(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

// The offscreen platform says what it cannot do for a window (size hints,
// raising); it changes nothing in the pictures.
QtMessageHandler standardHandler = nullptr;
void DropPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        standardHandler(type, context, message);
}

QString PictureName(int tab) {
    if (tab >= viz::kPageCount) return QStringLiteral("tab-%1.png").arg(tab);
    const std::string_view name = viz::kPages[static_cast<std::size_t>(tab)].name;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())) + QStringLiteral(".png");
}

}  // namespace

int main(int argc, char** argv) {
    viz::IgnoreBrokenPipeSignal();
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1])));
    const QTemporaryDir settings;
    const QTemporaryDir work;
    if (!settings.isValid() || !work.isValid() || !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s or a temporary folder\n", argv[1]);
        return 1;
    }
    const QString fontConfig = settings.filePath(QStringLiteral("fonts.conf"));
    if (!WriteFontConfig(fontConfig)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(fontConfig));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("FONTCONFIG_FILE", QFile::encodeName(fontConfig));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    // Nothing listens there: should anything ask for updates, it stays on this machine.
    qputenv("VIZURUV_UPDATE_PRIMARY", "http://127.0.0.1:9");
    qputenv("VIZURUV_UPDATE_MIRROR", "http://127.0.0.1:9");

    standardHandler = qInstallMessageHandler(DropPlatformNotes);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Duvezer"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font{QString::fromLatin1(kFamily)};
    font.setPixelSize(12);
    QApplication::setFont(font);
    if (QFontInfo(font).family() != QLatin1String(kFamily)) {
        std::fprintf(stderr,
                     "the font %s is missing (Debian package fonts-wqy-microhei, see scripts/setup.sh)\n",
                     kFamily);
        return 1;
    }
    // Files the pages write (the bitmap's .h) land in the throw-away folder.
    QDir::setCurrent(work.path());

    viz::SettingsStore store(viz::DefaultSettingsPath());
    store.WriteFirstRunDefaults();
    store.WriteAutoUpdate(0);
    viz::screenshots::Scenes scenes{QDir(work.path())};
    scenes.PrepareSettings(store);

    viz::PageContext context(store);
    viz::CVizuruvDlg window(context, nullptr);
    window.resize(kWidth, kHeight);
    window.show();
    Settle(100);
    if (!scenes.Stage(window, context)) return 1;
    Settle(300);
    for (int i = 0; i < window.tabs()->count(); ++i) {
        window.tabs()->setCurrentIndex(i);
        // No blinking text cursor in the picture.
        window.tabs()->tabBar()->setFocus();
        // The receive areas' status lines refresh every 100 ms.
        Settle(150);
        const QString path = out.filePath(PictureName(i));
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    // The plot first: the board takes the serial page to its own port.
    QWidget* plot = scenes.ShowPlot(window);
    if (!plot) return 1;
    const QString plotPath = out.filePath(QStringLiteral("plot.png"));
    if (!plot->grab().save(plotPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(plotPath));
        return 1;
    }
    std::printf("%s\n", qPrintable(plotPath));
    QWidget* board = scenes.RunBoard(window);
    if (!board) return 1;
    const QString boardPath = out.filePath(QStringLiteral("board.png"));
    if (!board->grab().save(boardPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(boardPath));
        return 1;
    }
    std::printf("%s\n", qPrintable(boardPath));
    QWidget* flash = scenes.ShowFlash(window);
    if (!flash) return 1;
    const QString flashPath = out.filePath(QStringLiteral("flash.png"));
    if (!flash->grab().save(flashPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(flashPath));
        return 1;
    }
    std::printf("%s\n", qPrintable(flashPath));
    QWidget* learn = scenes.RunLearnBoard(window);
    if (!learn) return 1;
    const QString learnPath = out.filePath(QStringLiteral("learn.png"));
    if (!learn->grab().save(learnPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(learnPath));
        return 1;
    }
    std::printf("%s\n", qPrintable(learnPath));
    return 0;
}

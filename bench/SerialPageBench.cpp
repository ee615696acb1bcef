// Receive throughput of the serial page: a writer on the master side of a
// pseudo-terminal streams pattern bytes into the open page (shown offscreen,
// hex display and text output on). First the raw pty rate is measured on a
// pair of its own, for comparison on the same machine in the same run.
// Prints input MB/s (10^6 bytes), bytes lost (received counter and output
// file against what was written) and the longest lateness of a 5 ms timer on
// the UI thread. The output file goes to the current directory.
//
//   serial_page_bench [--mb N]   (default 64 MB)
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <termios.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "app/PageContext.h"
#include "app/SettingsStore.h"
#include "serial/ComDlg.h"
#include "terminal/ReceiveArea.h"

namespace {

constexpr int kTickMs = 5;

struct Pty {
    int master = -1;
    std::string slave;
};

Pty OpenPty() {
    Pty pty;
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0 ||
        ::ptsname_r(pty.master, name, sizeof name) != 0) {
        std::perror("pty");
        std::exit(2);
    }
    pty.slave = name;
    return pty;
}

std::uint8_t PatternByte(std::size_t at) {
    return static_cast<std::uint8_t>(at % 251);
}

// Writes `total` pattern bytes into the master, blocking while the far side is behind.
std::thread StartWriter(int master, std::size_t total) {
    return std::thread([master, total] {
        std::vector<std::uint8_t> block(64 * 1024 + 251);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = PatternByte(i);
        std::size_t done = 0;
        while (done < total) {
            const std::size_t size = std::min<std::size_t>(64 * 1024, total - done);
            const ssize_t n = ::write(master, block.data() + done % 251, size);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
    });
}

double MegabytesPerSecond(std::size_t bytes, double seconds) {
    return static_cast<double>(bytes) / 1e6 / seconds;
}

double RawPtyRate(std::size_t total) {
    Pty pty = OpenPty();
    const int slave = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    termios line{};
    ::tcgetattr(slave, &line);
    ::cfmakeraw(&line);
    ::tcsetattr(slave, TCSANOW, &line);
    std::vector<std::uint8_t> buffer(64 * 1024);
    QElapsedTimer clock;
    clock.start();
    std::thread writer = StartWriter(pty.master, total);
    std::size_t got = 0;
    while (got < total) {
        const ssize_t n = ::read(slave, buffer.data(), buffer.size());
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    writer.join();
    ::close(slave);
    ::close(pty.master);
    return MegabytesPerSecond(got, seconds);
}

// Bytes of the output file that do not match the "%02X " text of the pattern.
std::size_t OutputMismatches(const std::filesystem::path& path, std::size_t total) {
    std::ifstream file(path, std::ios::binary);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::size_t wrong = 0;
    std::vector<char> buffer(3 * 64 * 1024);
    std::size_t at = 0;
    while (file) {
        file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto n = static_cast<std::size_t>(file.gcount());
        for (std::size_t i = 0; i + 2 < n; i += 3, ++at) {
            const std::uint8_t byte = PatternByte(at);
            wrong += buffer[i] != kDigits[byte >> 4] || buffer[i + 1] != kDigits[byte & 15] ||
                     buffer[i + 2] != ' ';
        }
    }
    return wrong + (at < total ? total - at : at - total);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    std::size_t megabytes = 64;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--mb") == 0) megabytes = std::strtoul(argv[i + 1], nullptr, 10);
    }
    const std::size_t total = megabytes * 1000 * 1000;

    const double rawRate = RawPtyRate(total);

    QTemporaryDir settingsDir;
    viz::SettingsStore store(settingsDir.filePath(QStringLiteral("Vizuruv.conf")).toStdString());
    viz::PageContext context(store);
    viz::ComDlgDevices devices;
    devices.ttyClassRoot = settingsDir.path().toStdString();
    viz::CComDlg page(context, nullptr, devices);
    page.resize(1000, 680);
    page.show();

    Pty pty = OpenPty();
    page.findChild<QComboBox*>(QStringLiteral("port"))->setEditText(QString::fromStdString(pty.slave));
    page.findChild<QComboBox*>(QStringLiteral("baud"))->setCurrentText(QStringLiteral("115200"));
    page.ToggleOpen();
    if (!page.isOpen()) {
        std::printf("the page could not open %s\n", pty.slave.c_str());
        return 2;
    }
    page.findChild<QCheckBox*>(QStringLiteral("hexDisplay"))->setChecked(true);
    viz::CReceiveArea* area = page.receiveArea();
    area->ToggleOutput();

    // How late a 5 ms timer on the UI thread fires: the longest time the
    // event loop could not paint, take input or run timers.
    qint64 longestLateNs = 0;
    QElapsedTimer tickClock;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestLateNs = std::max(longestLateNs, tickClock.nsecsElapsed() - kTickMs * 1000000LL);
        tickClock.restart();
    });

    QElapsedTimer elapsed;
    double seconds = 0;
    std::thread writer;
    QTimer::singleShot(200, [&] {
        tickClock.start();
        heartbeat.start(kTickMs);
        elapsed.start();
        writer = StartWriter(pty.master, total);
    });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (static_cast<std::size_t>(area->pipeline().receivedTotal()) >= total) {
            seconds = elapsed.nsecsElapsed() / 1e9;
            QApplication::quit();
        }
    });
    done.start(kTickMs);
    QTimer::singleShot(600000, [] { QApplication::quit(); });
    application.exec();
    if (seconds == 0) seconds = elapsed.nsecsElapsed() / 1e9;

    const auto received = static_cast<std::size_t>(area->pipeline().receivedTotal());
    area->ToggleOutput();
    page.ToggleOpen();
    ::close(pty.master);
    if (writer.joinable()) writer.join();
    const std::size_t mismatches =
        OutputMismatches(std::filesystem::current_path() / "串口数据输出记录.txt", total);

    std::printf("input_bytes %zu\n", total);
    std::printf("raw_pty_mb_per_s %.1f\n", rawRate);
    std::printf("serial_page_mb_per_s %.1f\n", MegabytesPerSecond(received, seconds));
    std::printf("bytes_lost %zu\n", total - std::min(total, received));
    std::printf("output_file_mismatches %zu\n", mismatches);
    std::printf("longest_ui_stall_ms %.1f\n", longestLateNs / 1e6);
    return received == total && mismatches == 0 ? 0 : 1;
}

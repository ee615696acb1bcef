// Input reports into the USB page. There is no HID device here, so the
// page opens a pretend board: a sysfs tree of one vendor-defined 64-byte
// device and a SEQPACKET socket pair in place of its /dev/hidraw node (one
// read is one report, as with hidraw). A thread plays the board and sends
// 64-byte reports as fast as the socket takes them into the open page
// (shown offscreen, hex display and the EP2 output file on). Prints
// reports/s, reports lost (received counter and output file against what
// was sent) and the longest lateness of a 5 ms timer on the UI thread. The
// output file goes to the current directory.
//
//   usb_page_bench [--reports N]   (default 100000)
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "terminal/ReceiveArea.h"
#include "terminal/TextCodec.h"
#include "usb/UsbDlg.h"

namespace {

namespace fs = std::filesystem;
constexpr int kTickMs = 5;
constexpr std::size_t kReport = 64;

// One vendor-defined report of 64 bytes each way, not numbered.
const std::string kDescriptor = {'\x06', '\x00', '\xFF', '\x09', '\x01', '\xA1', '\x01', '\x09', '\x02',
                                 '\x15', '\x00', '\x26', '\xFF', '\x00', '\x75', '\x08', '\x95', '\x40',
                                 '\x81', '\x02', '\x09', '\x03', '\x91', '\x02', '\xC0'};

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// /sys/class/hidraw/hidraw0 for a USB board 0472:0002.
fs::path MakeSysfs(const fs::path& root) {
    const fs::path usb = root / "devices" / "usb1" / "1-1";
    const fs::path hid = usb / "1-1:1.0" / "0003:0472:0002.0001";
    const fs::path node = hid / "hidraw" / "hidraw0";
    fs::create_directories(node);
    fs::create_directories(root / "class" / "hidraw");
    fs::create_directory_symlink("../..", node / "device");
    fs::create_directory_symlink(node, root / "class" / "hidraw" / "hidraw0");
    WriteFile(hid / "uevent", "HID_ID=0003:00000472:00000002\nHID_NAME=Bench Board\n");
    WriteFile(hid / "report_descriptor", kDescriptor);
    WriteFile(usb / "bcdDevice", "0200\n");
    WriteFile(usb / "product", "Bench Board\n");
    return root / "class" / "hidraw";
}

std::thread StartBoard(int fd, std::size_t reports) {
    return std::thread([fd, reports] {
        std::uint8_t report[kReport];
        for (std::size_t i = 0; i < reports; ++i) {
            for (std::size_t j = 0; j < kReport; ++j) report[j] = bench::PatternByte(i * kReport + j);
            if (::send(fd, report, kReport, MSG_NOSIGNAL) != static_cast<ssize_t>(kReport)) return;
        }
    });
}

// Reports whose "%02X " text in the output file differs from what was sent,
// counting missing and surplus ones.
std::size_t OutputReportsWrong(const fs::path& path, std::size_t reports) {
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    const std::size_t perReport = 3 * kReport;
    const std::size_t written = text.size() / perReport;
    std::size_t wrong = written > reports ? written - reports : reports - written;
    std::vector<std::uint8_t> report(kReport);
    for (std::size_t i = 0; i < std::min(written, reports); ++i) {
        for (std::size_t j = 0; j < kReport; ++j) report[j] = bench::PatternByte(i * kReport + j);
        const std::u16string hex = viz::BytesToHexDisplay(report);
        wrong +=
            !std::equal(hex.begin(), hex.end(), text.begin() + static_cast<std::ptrdiff_t>(i * perReport));
    }
    return wrong;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const auto reports = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--reports", 100000));

    const bench::WorkDir workDir;
    const fs::path& root = workDir.path();
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        std::perror("socketpair");
        return 2;
    }
    viz::HidSystem system;
    system.classRoot = MakeSysfs(root / "sys");
    system.open = [node = ends[0]](const std::string&, int) { return ::fcntl(node, F_DUPFD_CLOEXEC, 0); };
    system.events = {};

    viz::SettingsStore store(root / "Vizuruv.conf");
    viz::PageContext context(store);
    viz::CUsbDlg page(context, nullptr, system);
    page.resize(1000, 680);
    page.show();
    page.Search();
    page.ToggleOpen();
    if (!page.isOpen()) {
        std::printf("the page could not open the pretend board\n");
        return 2;
    }
    page.findChild<QCheckBox*>(QStringLiteral("hexDisplay"))->setChecked(true);
    viz::CReceiveArea* area = page.receiveArea(viz::CUsbDlg::kEp2);
    area->ToggleOutput();

    const auto total = static_cast<std::int64_t>(reports * kReport);
    bench::UiStallMeter meter(kTickMs);
    QElapsedTimer elapsed;
    double seconds = 0;
    std::thread board;
    QTimer::singleShot(200, [&] {
        meter.Start();
        elapsed.start();
        board = StartBoard(ends[1], reports);
    });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (area->pipeline().receivedTotal() >= total) {
            seconds = elapsed.nsecsElapsed() / 1e9;
            QApplication::quit();
        }
    });
    done.start(kTickMs);
    QTimer::singleShot(600000, [] { QApplication::quit(); });
    application.exec();
    if (seconds == 0) seconds = elapsed.nsecsElapsed() / 1e9;

    const auto received = static_cast<std::size_t>(area->pipeline().receivedTotal()) / kReport;
    area->ToggleOutput();
    page.ToggleOpen();
    ::close(ends[1]);
    if (board.joinable()) board.join();
    ::close(ends[0]);
    const std::size_t wrong = OutputReportsWrong(fs::current_path() / "端点2数据输出记录.txt", reports);

    std::printf("reports %zu of %zu bytes\n", reports, kReport);
    std::printf("usb_page_reports_per_s %.0f\n", static_cast<double>(received) / seconds);
    std::printf("reports_lost %zu\n", reports - std::min(reports, received));
    std::printf("output_file_reports_wrong %zu\n", wrong);
    std::printf("longest_ui_stall_ms %.1f\n", meter.longestMs());
    return received == reports && wrong == 0 ? 0 : 1;
}

// Throughput of the advanced serial monitor: the page (offscreen, hex
// display) starts the real helper and watches a pseudo-terminal that stands
// in for the real port. A watched program on the alias writes N MB to the
// board and reads N MB from it at the same time. First the raw pty rate is
// measured on a pair of its own, for comparison in the same run.
// Prints MB/s (10^6 bytes) through the helper, bytes lost at each end,
// bytes missing from the S and R rows (and rows whose hex does not match the
// stream), the longest lateness of a 5 ms timer on the UI thread, and the
// most CPU time the UI thread spent on one event (its own share of a stall
// on a machine where other work takes the processor).
//
//   sermon_bench [--mb N]   (default 64)
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "serial/ComAdvanceMonitorDlg.h"
#include "serial/SerMonClient.h"
#include "terminal/ListCtrlEx.h"

namespace {

using bench::PatternByte;
constexpr int kTickMs = 5;

// The UI thread's own work in the longest single event it handled, in CPU
// time, so a busy machine that takes the processor away does not count.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    void Measure(bool on) { measuring_ = on; }
    double longestEventCpuMs() const { return longestNs_ / 1e6; }

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        const std::int64_t start = ThreadCpuNs();
        const bool handled = QApplication::notify(receiver, event);
        if (measuring_) longestNs_ = std::max(longestNs_, ThreadCpuNs() - start);
        --depth_;
        return handled;
    }

private:
    static std::int64_t ThreadCpuNs() {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
    }

    int depth_ = 0;
    bool measuring_ = false;
    std::int64_t longestNs_ = 0;
};

// Reads `total` pattern bytes from `fd` on a thread of its own.
struct PatternReader {
    std::atomic<std::size_t> bytes{0};
    std::atomic<std::size_t> wrong{0};
    std::atomic<double> seconds{0};
    std::thread thread;

    void Start(int fd, std::size_t total, const QElapsedTimer& clock) {
        thread = std::thread([this, fd, total, &clock] {
            std::vector<std::uint8_t> buffer(64 * 1024);
            std::size_t at = 0;
            std::size_t mismatches = 0;
            while (at < total) {
                const ssize_t n = ::read(fd, buffer.data(), std::min(buffer.size(), total - at));
                if (n <= 0) break;
                for (ssize_t i = 0; i < n; ++i)
                    mismatches += buffer[static_cast<std::size_t>(i)] != PatternByte(at + i);
                at += static_cast<std::size_t>(n);
                bytes.store(at);
            }
            wrong.store(mismatches);
            seconds.store(clock.nsecsElapsed() / 1e9);
        });
    }
};

// What the S or R rows hold, checked against the stream as their hex says.
struct RowTally {
    std::size_t bytes = 0;
    std::size_t wrongRows = 0;

    void Add(const viz::MonitorRow& row) {
        const std::u16string& data = row[3];
        const std::size_t count = std::stoul(std::string(row[2].begin(), row[2].end()));
        bool intact = data.size() == 5 + 3 * count;
        for (std::size_t i = 0; intact && i < count; ++i) {
            const auto digit = [&](std::size_t at) {
                return data[at] <= u'9' ? data[at] - u'0' : data[at] - u'a' + 10;
            };
            intact = digit(5 + 3 * i) * 16 + digit(6 + 3 * i) == PatternByte(bytes + i);
        }
        wrongRows += !intact;
        bytes += count;
    }
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TimedApplication application(argc, argv);
    const std::size_t total = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", 64)) * 1000 * 1000;

    const bench::RawRead raw = bench::ReadRawPty(total, 64 * 1024);

    const bench::WorkDir dir;
    viz::SettingsStore store(dir / "Vizuruv.conf");
    viz::PageContext context(store);
    viz::SerMonSetup setup;
    setup.helper = VIZ_SERMON_HELPER;
    setup.socket = dir / "run/sermon.sock";
    setup.ttyClassRoot = dir.path();
    viz::CComAdvanceMonitorDlg page(context, nullptr, setup);
    page.resize(1000, 600);
    page.show();

    // The page reports installing and removing the helper in message boxes.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
    });
    answer.start(10);
    page.Install();
    if (!bench::WaitFor([&] { return viz::sermon::Probe(setup.socket) == 0; }, 5000)) {
        std::printf("the helper did not start\n");
        return 2;
    }
    bench::Pty board = bench::OpenPty();
    page.findChild<QComboBox*>(QStringLiteral("port"))->setEditText(QString::fromStdString(board.slave));
    page.findChild<QCheckBox*>(QStringLiteral("hexDisplay"))->setChecked(true);
    page.StartWatch();
    if (!bench::WaitFor([&] { return page.watching(); }, 5000)) {
        std::printf("the page could not watch %s\n", board.slave.c_str());
        return 2;
    }
    const int program = ::open(page.alias().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (program < 0) {
        std::perror("alias");
        return 2;
    }

    RowTally sent;
    RowTally received;
    std::size_t tallied = 0;
    const auto tally = [&] {
        const std::vector<viz::MonitorRow>& rows = page.list()->rows();
        for (; tallied < rows.size(); ++tallied) {
            if (rows[tallied][1] == u"S") sent.Add(rows[tallied]);
            if (rows[tallied][1] == u"R") received.Add(rows[tallied]);
        }
        return sent.bytes >= total && received.bytes >= total;
    };

    bench::UiStallMeter meter(kTickMs);
    QElapsedTimer clock;
    PatternReader atBoard;
    PatternReader atProgram;
    std::thread programWriter;
    std::thread boardWriter;
    double rowsSeconds = 0;
    QTimer::singleShot(200, [&] {
        meter.Start();
        application.Measure(true);
        clock.start();
        atBoard.Start(board.master, total, clock);
        atProgram.Start(program, total, clock);
        programWriter = bench::StartPatternWriter(program, total);
        boardWriter = bench::StartPatternWriter(board.master, total);
    });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (clock.isValid() && tally()) {
            rowsSeconds = clock.nsecsElapsed() / 1e9;
            QApplication::quit();
        }
    });
    done.start(20);
    QTimer::singleShot(600000, [] { QApplication::quit(); });
    application.exec();
    meter.Stop();
    application.Measure(false);

    ::close(program);
    for (std::thread* thread : {&programWriter, &boardWriter, &atBoard.thread, &atProgram.thread}) {
        if (thread->joinable()) thread->join();
    }
    bench::WaitFor([&] { return !page.watchedPortOpen(); }, 2000);
    page.StopWatch();
    page.Uninstall();
    bench::WaitFor([&] { return viz::sermon::Probe(setup.socket) != 0; }, 5000);

    const double slower = std::max(atBoard.seconds.load(), atProgram.seconds.load());
    const std::size_t lostAtBoard = total - atBoard.bytes.load() + atBoard.wrong.load();
    const std::size_t lostAtProgram = total - atProgram.bytes.load() + atProgram.wrong.load();
    const std::size_t missingSent = total - std::min(total, sent.bytes);
    const std::size_t missingReceived = total - std::min(total, received.bytes);
    std::printf("bytes_each_way %zu\n", total);
    std::printf("raw_pty_mb_per_s %.1f\n", bench::MegabytesPerSecond(raw.bytes, raw.seconds));
    std::printf("through_helper_program_to_board_mb_per_s %.1f\n",
                bench::MegabytesPerSecond(total, atBoard.seconds.load()));
    std::printf("through_helper_board_to_program_mb_per_s %.1f\n",
                bench::MegabytesPerSecond(total, atProgram.seconds.load()));
    std::printf("through_helper_both_ways_mb_per_s %.1f\n", bench::MegabytesPerSecond(2 * total, slower));
    std::printf("all_rows_shown_after_s %.2f\n", rowsSeconds);
    std::printf("rows %zu\n", page.list()->rows().size());
    std::printf("bytes_lost_at_board %zu\n", lostAtBoard);
    std::printf("bytes_lost_at_program %zu\n", lostAtProgram);
    std::printf("bytes_missing_from_s_rows %zu\n", missingSent);
    std::printf("bytes_missing_from_r_rows %zu\n", missingReceived);
    std::printf("rows_not_matching_the_stream %zu\n", sent.wrongRows + received.wrongRows);
    std::printf("longest_ui_stall_ms %.1f\n", meter.longestMs());
    std::printf("longest_ui_event_cpu_ms %.1f\n", application.longestEventCpuMs());
    const bool intact = lostAtBoard == 0 && lostAtProgram == 0 && missingSent == 0 && missingReceived == 0 &&
                        sent.wrongRows + received.wrongRows == 0;
    return intact ? 0 : 1;
}

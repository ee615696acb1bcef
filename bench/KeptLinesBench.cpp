// What keeping many lines costs a shown receive area: memory per kept screen
// line and the receive rate with 200 lines against 100,000 kept, in one run.
// A producer thread pushes 333-byte reads, each shown in hex display as one
// line of 999 characters and CR LF (wrapped into several screen lines); the
// UI thread runs two areas as a page does, one keeping 200 lines and one
// many. The rounds alternate between them, so a machine that gets busier
// slows both alike.
//
//   kept_lines_bench [--mb N] [--rounds N] [--kept LINES]
//
// --mb: megabytes per rate measurement (default 16); --rounds: measurements
// of each setting (default 5; the median is printed); --kept: the many
// lines (default 100,000). Memory is the resident size after filling the
// area of many lines less the one before (the 200-line area running), over
// its kept lines; the peak is the highest resident size less the one before,
// after filling and again after the rounds.
#include <QApplication>
#include <QEventLoop>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "WorkDir.h"
#include "base/ReceiveHistory.h"
#include "terminal/ChunkPump.h"
#include "terminal/ReceiveArea.h"

namespace {

constexpr std::size_t kReadBytes = 333;

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
double StatusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string name;
    while (status >> name) {
        if (name == field + ":") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        std::getline(status, name);
    }
    return 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class Stream {
public:
    explicit Stream(viz::CReceiveArea& area) : area_(area) {
        pump_.setDelivery([this](const viz::Chunk& chunk) { area_.Receive(chunk, {}, u"\r\n"); },
                          [this] { area_.Flush(); });
    }
    ~Stream() { pump_.Close(); }

    // Pushes `bytes` in reads from another thread; returns the rate in MB/s
    // (10^6 bytes) at which the area took them. Then, off the clock, waits
    // until the widget shows all kept lines, so the next measurement (of
    // either area) starts from a settled window.
    double Push(std::size_t bytes) {
        const auto target = area_.pipeline().receivedTotal() + static_cast<std::int64_t>(bytes);
        const auto start = std::chrono::steady_clock::now();
        std::thread producer([this, bytes] {
            std::vector<std::uint8_t> read(kReadBytes);
            for (std::size_t i = 0; i < read.size(); ++i) read[i] = static_cast<std::uint8_t>(i * 13);
            for (std::size_t sent = 0; sent < bytes; sent += read.size()) {
                if (!pump_.sink().Push(viz::Chunk::JustRead(read))) return;
            }
        });
        RunUntil([&] { return area_.pipeline().receivedTotal() >= target; });
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        producer.join();
        RunUntil([&] { return !area_.pipeline().area().hasUpdate(); });
        return static_cast<double>(bytes) / 1e6 / seconds.count();
    }

private:
    template <typename Done>
    static void RunUntil(Done done) {
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (done()) loop.quit();
        });
        check.start(1);
        loop.exec();
    }

    viz::CReceiveArea& area_;
    viz::CChunkPump pump_;
};

// A shown area of its own page, keeping `lines` lines (200: emptied when full).
std::unique_ptr<QWidget> ShownArea(std::uint32_t lines, viz::CReceiveArea*& area) {
    auto page = std::make_unique<QWidget>();
    viz::ReceiveAreaConfig config;
    config.countsFormat = QStringLiteral("接收区：已接收%d字节，速度%d字节/秒，");
    config.captureFile = QStringLiteral("串口数据接收记录.txt");
    config.outputFile = QStringLiteral("串口数据输出记录.txt");
    config.commands = {2024, 2025, 2026, 2027};
    area = new viz::CReceiveArea(config, page.get());
    auto* layout = new QVBoxLayout(page.get());
    layout->addWidget(area);
    page->resize(900, 500);
    page->show();
    area->setHexDisplay(true);
    area->pipeline().setKeptLines(lines);
    return page;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const auto megabytes = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", 16));
    const auto rounds = static_cast<int>(bench::NumberOption(argc, argv, "--rounds", 5));
    const auto many = static_cast<std::uint32_t>(bench::NumberOption(argc, argv, "--kept", 100000));
    const bench::WorkDir workDir;
    const std::size_t bytes = megabytes * 1000 * 1000;

    viz::CReceiveArea* fewArea = nullptr;
    viz::CReceiveArea* manyArea = nullptr;
    const auto fewPage = ShownArea(viz::kDefaultReceiveKeptLines, fewArea);
    const auto manyPage = ShownArea(many, manyArea);
    Stream fewStream(*fewArea);
    Stream manyStream(*manyArea);

    fewStream.Push(bytes);
    const double rssFew = StatusBytes("VmRSS");
    // Enough lines to fill the area four times over: a store that lets go of
    // dropped text in batches has reached its largest size by then.
    const std::size_t columns = std::max<std::size_t>(manyArea->pipeline().area().columns(), 1);
    const std::size_t screenLinesPerRead = (3 * kReadBytes + columns - 1) / columns;
    manyStream.Push(4 * (many / screenLinesPerRead + 1) * kReadBytes);
    const double rssMany = StatusBytes("VmRSS");
    const double peak = StatusBytes("VmHWM");
    const viz::AreaText& kept = manyArea->pipeline().area();
    const std::size_t keptLines = kept.lineCount();

    std::vector<double> fewRates;
    std::vector<double> manyRates;
    for (int round = 0; round < rounds; ++round) {
        fewRates.push_back(fewStream.Push(bytes));
        manyRates.push_back(manyStream.Push(bytes));
    }
    const double rssEnd = StatusBytes("VmRSS");
    const double peakEnd = StatusBytes("VmHWM");
    const double fewRate = Median(fewRates);
    const double manyRate = Median(manyRates);

    std::printf("columns %zu\n", columns);
    std::printf("kept_lines %zu\n", keptLines);
    std::printf("lines_shown %d\n", manyArea->edit()->document()->blockCount());
    std::printf("area_text_bytes_per_kept_line %.0f\n", static_cast<double>(kept.heldBytes()) / keptLines);
    std::printf("rss_with_200_mb %.1f\n", rssFew / 1e6);
    std::printf("rss_steady_added_mb %.1f\n", (rssMany - rssFew) / 1e6);
    std::printf("rss_peak_added_mb %.1f\n", (peak - rssFew) / 1e6);
    std::printf("bytes_per_kept_line %.0f\n", (rssMany - rssFew) / static_cast<double>(keptLines));
    std::printf("rss_after_rounds_added_mb %.1f\n", (rssEnd - rssFew) / 1e6);
    std::printf("rss_peak_after_rounds_added_mb %.1f\n", (peakEnd - rssFew) / 1e6);
    std::printf("rate_200_lines_mb_per_s %.2f\n", fewRate);
    std::printf("rate_%u_lines_mb_per_s %.2f\n", many, manyRate);
    std::printf("rate_ratio_percent %.0f\n", 100 * manyRate / fewRate);
    return 0;
}

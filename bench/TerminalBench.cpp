// Receive throughput of a terminal page: a producer thread pushes chunks as
// fast as the hand-off takes them; the UI thread runs the receive pipeline
// and a shown receive area (hex display, text output on), as a page does.
// Prints input MB/s, bytes lost and the longest event-loop stall.
//
//   terminal_bench [--mb N] [--chunk BYTES] [--kept LINES]
//
// Default 64 MB in 4096-byte chunks; --kept: the lines the area keeps
// ("接收区保留行数", default 200).
#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "BenchOptions.h"
#include "UiStallMeter.h"
#include "WorkDir.h"
#include "base/ReceiveHistory.h"
#include "terminal/ChunkPump.h"
#include "terminal/ReceiveArea.h"

namespace {

struct Options {
    std::size_t megabytes = 64;
    std::size_t chunk = 4096;
    std::uint32_t kept = viz::kDefaultReceiveKeptLines;
};

Options Parse(int argc, char** argv) {
    Options options;
    options.megabytes = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--mb", options.megabytes));
    options.chunk = static_cast<std::size_t>(bench::NumberOption(argc, argv, "--chunk", options.chunk));
    options.kept = static_cast<std::uint32_t>(bench::NumberOption(argc, argv, "--kept", options.kept));
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const Options options = Parse(argc, argv);
    const bench::WorkDir workDir;

    viz::CReceiveHistory::instance().setKeptLines(options.kept);
    QWidget page;
    viz::ReceiveAreaConfig config;
    config.countsFormat = QStringLiteral("接收区：已接收%d字节，速度%d字节/秒，");
    config.captureFile = QStringLiteral("串口数据接收记录.txt");
    config.outputFile = QStringLiteral("串口数据输出记录.txt");
    config.commands = {2024, 2025, 2026, 2027};
    auto* area = new viz::CReceiveArea(config, &page);
    auto* layout = new QVBoxLayout(&page);
    layout->addWidget(area);
    page.resize(900, 500);
    page.show();
    area->setHexDisplay(true);
    area->setFrameBreak(true, 40);
    area->ToggleOutput();
    area->StartStatusTimer();

    qint64 longestPassNs = 0;
    qint64 passNs = 0;
    std::size_t passes = 0;
    QElapsedTimer passClock;
    bool inPass = false;
    viz::CChunkPump pump;
    pump.setDelivery(
        [&](const viz::Chunk& chunk) {
            if (!inPass) {
                inPass = true;
                passClock.start();
            }
            area->Receive(chunk);
        },
        [&] {
            inPass = false;
            const qint64 pass = passClock.nsecsElapsed();
            longestPassNs = std::max(longestPassNs, pass);
            passNs += pass;
            ++passes;
        });

    bench::UiStallMeter meter(1);

    const std::size_t total = options.megabytes * 1024 * 1024;
    std::atomic<std::size_t> pushed = 0;
    QElapsedTimer elapsed;
    std::thread producer;
    QTimer::singleShot(200, [&] {
        meter.Start();
        elapsed.start();
        producer = std::thread([&] {
            std::vector<std::uint8_t> data(options.chunk);
            for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13);
            while (pushed < total) {
                const std::size_t size = std::min(options.chunk, total - pushed);
                viz::Chunk chunk =
                    viz::Chunk::JustRead(std::vector<std::uint8_t>(data.begin(), data.begin() + size));
                if (!pump.sink().Push(std::move(chunk))) return;
                pushed += size;
            }
        });
    });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (pushed == total && static_cast<std::size_t>(area->pipeline().receivedTotal()) == total) {
            QApplication::quit();
        }
    });
    done.start(5);
    QTimer::singleShot(600000, [] { QApplication::quit(); });
    application.exec();
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    pump.Close();
    if (producer.joinable()) producer.join();
    area->ToggleOutput();

    const auto received = static_cast<std::size_t>(area->pipeline().receivedTotal());
    const auto outputSize = std::filesystem::file_size(workDir / "串口数据输出记录.txt");
    // Hex display writes three characters per byte, plus CR LF per frame break.
    const bool outputComplete = outputSize >= 3 * total;
    std::printf("input_bytes %zu\n", total);
    std::printf("chunk_bytes %zu\n", options.chunk);
    std::printf("kept_lines %u\n", viz::CReceiveHistory::instance().keptLines());
    std::printf("lines_shown %d\n", area->edit()->document()->blockCount());
    std::printf("input_mb_per_s %.1f\n", total / 1048576.0 / seconds);
    std::printf("bytes_lost %zu\n", total - std::min(total, received));
    std::printf("output_file_complete %s\n", outputComplete ? "yes" : "no");
    std::printf("longest_event_loop_stall_ms %.1f\n", meter.longestMs());
    std::printf("longest_pass_ms %.1f\n", longestPassNs / 1e6);
    std::printf("passes %zu\n", passes);
    std::printf("ui_time_in_passes_percent %.0f\n", 100.0 * passNs / elapsed.nsecsElapsed());
    return received == total && outputComplete ? 0 : 1;
}

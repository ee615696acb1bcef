#include "plot/PlotFeed.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "ChinaTime.h"
#include "IconvReference.h"
#include "PlotFuzzDriver.h"
#include "TempDir.h"
#include "plot/PlotCsv.h"
#include "plot/PlotExport.h"
#include "terminal/ReceivePipeline.h"

namespace viz {
namespace {

using namespace std::chrono_literals;
using WallClock = std::chrono::system_clock;

// 2024-03-05 13:04:05.067 UTC.
const WallClock::time_point kWallStart =
    std::chrono::sys_days{std::chrono::year{2024} / 3 / 5} + 13h + 4min + 5s + 67ms;

// One kept row as channel name -> value, with its read time.
struct Row {
    WallClock::time_point time;
    std::map<std::u16string, double> values;
    bool operator==(const Row&) const = default;
};

std::vector<Row> Rows(const PlotFeed& feed) {
    std::vector<Row> rows;
    const PlotSamples& samples = feed.samples();
    for (std::size_t row = 0; row < samples.size(); ++row) {
        Row kept{WallClock::time_point(std::chrono::microseconds(samples.microseconds(row))), {}};
        for (std::size_t c = 0; c < samples.channels(); ++c) {
            if (!std::isnan(samples.value(c, row))) kept.values[feed.names()[c]] = samples.value(c, row);
        }
        rows.push_back(kept);
    }
    return rows;
}

Chunk At(std::string_view bytes, std::chrono::milliseconds offset = 0ms) {
    return Chunk{Bytes(bytes.begin(), bytes.end()), std::chrono::steady_clock::now(), kWallStart + offset};
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A receive pipeline in UTF-8 feeding a plot, as a page wires them.
struct Wired {
    Wired() {
        pipeline.setEncoding(TextEncoding::Utf8);
        pipeline.AddLineSink(&feed);
    }
    ~Wired() { pipeline.RemoveLineSink(&feed); }
    ReceivePipeline pipeline;
    PlotFeed feed{1000};
};

TEST(PlotFeed, EveryFormSplitAtEveryByteAcrossTwoReadsGivesTheSameSamples) {
    const std::string stream = "温度:21.5,湿度=40\r\n1.5e3 -0x1F;7\n\nhello\n-2.5E-1\r\n0x7fffffff\t.5\n";
    for (std::size_t split = 0; split <= stream.size(); ++split) {
        Wired wired;
        wired.pipeline.Receive(At(stream.substr(0, split), 0ms));
        wired.pipeline.Receive(At(stream.substr(split), 10ms));
        // A line's time is that of the read that completed its first character.
        const auto time = [&](std::size_t lineStart, std::size_t firstCharacter = 1) {
            return lineStart + firstCharacter <= split ? kWallStart : kWallStart + 10ms;
        };
        const std::vector<Row> expected{
            {time(0, 3), {{u"温度", 21.5}, {u"湿度", 40}}},
            {time(stream.find("1.5e3")), {{u"通道3", 1500}, {u"通道4", -31}, {u"通道5", 7}}},
            {time(stream.find("-2.5")), {{u"通道3", -0.25}}},
            {time(stream.find("0x7f")), {{u"通道3", 2147483647}, {u"通道4", 0.5}}},
        };
        ASSERT_EQ(Rows(wired.feed), expected) << "split after byte " << split;
        EXPECT_EQ(wired.feed.skipped(), 1u) << "only \"hello\"; the blank line is no data line";
    }
}

TEST(PlotFeed, LongAndEndlessLinesAreCutAndCountedNeverParsed) {
    Wired wired;
    // 70,000 characters of numbers without a line end, read 1000 at a time.
    std::string digits;
    while (digits.size() < 70'000) digits += "1,";
    for (std::size_t at = 0; at < digits.size(); at += 1000)
        wired.pipeline.Receive(At(digits.substr(at, 1000)));
    EXPECT_EQ(wired.feed.skipped(), 16u) << "each 4096 characters counts as it comes";
    EXPECT_EQ(wired.feed.samples().size(), 0u);
    wired.pipeline.Receive(At("1,2,3\n5,6\n"));
    EXPECT_EQ(wired.feed.skipped(), 18u) << "70,005 characters begin 18 pieces of 4096";
    ASSERT_EQ(Rows(wired.feed).size(), 1u) << "the long line's end is not a line of its own";
    EXPECT_EQ(Rows(wired.feed)[0].values, (std::map<std::u16string, double>{{u"通道1", 5}, {u"通道2", 6}}));

    // A line of exactly 4096 characters is read; one more and it is cut.
    std::string edge = "9";
    edge.resize(PlotFeed::kMaxLineUnits, ' ');
    wired.pipeline.Receive(At(edge + "\n" + edge + " \n"));
    EXPECT_EQ(wired.feed.samples().size(), 2u);
    EXPECT_EQ(wired.feed.skipped(), 20u);

    // On the server page clients' lines interleave: one client's long line
    // does not swallow another's.
    std::string piece(70'000, 'x');
    wired.pipeline.Receive(At(piece), {}, {}, 1);
    wired.pipeline.Receive(At("7\n"), {}, {}, 2);
    wired.pipeline.Receive(At("8\n"), {}, {}, 1);
    EXPECT_EQ(wired.feed.samples().size(), 3u);
    EXPECT_EQ(wired.feed.samples().value(0, 2), 7);

    // Nor on the network page, whose two areas both have stream 0.
    ReceivePipeline udp;
    ReceivedLineSink& udpInput = wired.feed.AddInput();
    udp.AddLineSink(&udpInput);
    wired.pipeline.Receive(At(piece));
    udp.Receive(At("9\n"));
    EXPECT_EQ(wired.feed.samples().size(), 4u);
    udp.RemoveLineSink(&udpInput);
}

TEST(PlotFeed, PauseDropsLinesUncountedAndClearForgetsEverything) {
    Wired wired;
    wired.pipeline.Receive(At("a:1\nnoise\n"));
    wired.feed.setPaused(true);
    wired.pipeline.Receive(At("a:2\nnoise\nb:3\n"));
    EXPECT_EQ(wired.feed.samples().size(), 1u);
    EXPECT_EQ(wired.feed.skipped(), 1u);
    EXPECT_EQ(wired.feed.names().size(), 1u) << "no channel is made while paused";
    wired.feed.setPaused(false);
    wired.pipeline.Receive(At("a:4\n"));
    EXPECT_EQ(wired.feed.taken(), 2u);
    wired.feed.Clear();
    EXPECT_EQ(wired.feed.samples().size(), 0u);
    EXPECT_EQ(wired.feed.skipped(), 0u);
    wired.pipeline.Receive(At("5\n"));
    EXPECT_EQ(wired.feed.names(), (std::vector<std::u16string>{u"通道1"}));
    EXPECT_EQ(wired.feed.samples().number(0), 1u) << "numbers start again after a clear";
}

TEST(PlotSamples, RingKeepsTheNewestRowsAndFindsRowsByNumberOrTime) {
    PlotSamples samples(4);
    PlotValues values;
    for (int i = 1; i <= 6; ++i) {
        values.present = i >= 5 ? 0b11 : 0b01;
        values.value = {double(i), double(i * 10)};
        samples.Add(kWallStart + i * 1s, values, i >= 5 ? 2 : 1);
    }
    ASSERT_EQ(samples.size(), 4u);
    EXPECT_EQ(samples.firstNumber(), 3u);
    EXPECT_EQ(samples.value(0, 0), 3);
    EXPECT_EQ(samples.value(0, 3), 6);
    EXPECT_TRUE(std::isnan(samples.value(1, 1))) << "a channel that came later has no earlier points";
    EXPECT_EQ(samples.value(1, 2), 50);

    EXPECT_EQ(samples.RowsBetween(4.5, 5.2, PlotAxis::SampleNumber),
              std::make_pair(std::size_t{1}, std::size_t{4}))
        << "the rows in range and one more on each side";
    const double fourth = samples.X(1, PlotAxis::ReceiveTime);
    EXPECT_EQ(samples.RowsBetween(fourth + 0.5, fourth + 0.9, PlotAxis::ReceiveTime),
              std::make_pair(std::size_t{1}, std::size_t{3}));
    EXPECT_EQ(samples.RowsBetween(100, 200, PlotAxis::SampleNumber),
              std::make_pair(std::size_t{3}, std::size_t{4}));

    std::vector<PlotPoint> points;
    samples.Extract(1, 0, 4, 100, PlotAxis::SampleNumber, points);
    ASSERT_EQ(points.size(), 2u) << "absent values are left out, not drawn as zero";
    EXPECT_EQ(points[0].x, 5);
    EXPECT_EQ(points[1].y, 60);

    // A line read before the last row (another client's, finished later) does not go back in time.
    samples.Add(kWallStart, values, 2);
    EXPECT_EQ(samples.microseconds(3), samples.microseconds(2));
}

TEST(PlotSamples, ThinnedPointsKeepEveryRunsExtremesInOrder) {
    PlotSamples samples(10'000);
    PlotValues values;
    values.present = 1;
    for (int i = 0; i < 10'000; ++i) {
        values.value[0] = std::sin(i / 100.0) + (i == 4321 ? 50 : 0) - (i == 7777 ? 60 : 0);
        samples.Add(kWallStart, values, 1);
    }
    std::vector<PlotPoint> points;
    samples.Extract(0, 0, samples.size(), 100, PlotAxis::SampleNumber, points);
    EXPECT_LE(points.size(), 200u);
    EXPECT_GE(points.size(), 100u);
    double highest = -1e9;
    double lowest = 1e9;
    for (std::size_t i = 0; i < points.size(); ++i) {
        highest = std::max(highest, points[i].y);
        lowest = std::min(lowest, points[i].y);
        if (i > 0) {
            EXPECT_LT(points[i - 1].x, points[i].x);
        }
    }
    EXPECT_EQ(highest, samples.value(0, 4321)) << "a one-sample spike survives thinning";
    EXPECT_EQ(lowest, samples.value(0, 7777));
}

using testing::ChinaTime;

TEST(PlotCsv, EveryKeptSampleWithItsTimeInThePagesEncodingReadsBackTheSame) {
    const ChinaTime china;
    const testing::TempDir dir;
    PlotFeed feed(3);
    const std::u16string lines[] = {u"ignored:1", u"\"q\":0.1 温度=-2e-7", u"3 1e300",
                                    u"\"q\":1.7976931348623157e308"};
    for (std::size_t i = 0; i < std::size(lines); ++i)
        feed.OnLine({0, kWallStart + std::chrono::milliseconds(i * 1001), lines[i]});
    const std::atomic<bool> cancel{false};
    const PlotCsvResult result =
        WritePlotCsv(dir / "plot.csv", feed.samples(), feed.names(), TextEncoding::Utf8, cancel);
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.rows, 3u) << "the ring of three dropped the first line";
    EXPECT_EQ(ReadFile(dir / "plot.csv"),
              "序号,时间,ignored,\"\"\"q\"\"\",温度,通道4,通道5\r\n"
              "2,2024-03-05 21:04:06.068,,0.1,-2e-07,,\r\n"
              "3,2024-03-05 21:04:07.069,,,,3,1e+300\r\n"
              "4,2024-03-05 21:04:08.070,,1.7976931348623157e+308,,,\r\n");

    ASSERT_EQ(WritePlotCsv(dir / "gbk.csv", feed.samples(), feed.names(), TextEncoding::Gbk, cancel).error,
              "");
    EXPECT_EQ(ReadFile(dir / "gbk.csv").substr(0, 9), testing::Gbk("序号,时间"));

    const PlotCsvResult failed =
        WritePlotCsv(dir / "missing" / "plot.csv", feed.samples(), feed.names(), TextEncoding::Gbk, cancel);
    EXPECT_NE(failed.error, "");

    PlotFeed big(10'000);
    for (int i = 0; i < 10'000; ++i) big.OnLine({0, kWallStart, u"1,2"});
    const std::atomic<bool> cancelled{true};
    const PlotCsvResult stopped =
        WritePlotCsv(dir / "big.csv", big.samples(), big.names(), TextEncoding::Gbk, cancelled);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_FALSE(std::filesystem::exists(dir / "big.csv")) << "a cancelled export leaves no half file";
}

// Both exports take this road: a write that fails half-way (here the file
// size limit) says why in the system's words, removes what it wrote and
// leaves the file it was to replace as it was; a complete one replaces it.
TEST(PlotExport, AWriteThatFailsHalfWayLeavesTheEarlierFileAndNoPart) {
    const testing::TempDir dir;
    const std::filesystem::path target = dir / "plot.csv";
    std::ofstream(target, std::ios::binary) << "earlier";
    PlotFeed big(20'000);
    for (int i = 0; i < 20'000; ++i) big.OnLine({0, kWallStart, u"1,2"});
    const std::atomic<bool> cancel{false};

    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 64 * 1024;
    const auto signal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const PlotCsvResult failed = WritePlotCsv(target, big.samples(), big.names(), TextEncoding::Gbk, cancel);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, signal);
    EXPECT_EQ(failed.error, std::strerror(EFBIG));
    EXPECT_EQ(ReadFile(target), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no part left";

    const PlotExportResult picture = WritePlotExport(target, cancel, [](PlotExportOut& out) {
        out.Write("\x89PNG");
        out.Fail("no memory");
    });
    EXPECT_EQ(picture.error, "no memory") << "content that cannot be made says so";
    EXPECT_EQ(ReadFile(target), "earlier");

    const PlotCsvResult written = WritePlotCsv(target, big.samples(), big.names(), TextEncoding::Gbk, cancel);
    ASSERT_EQ(written.error, "");
    EXPECT_EQ(written.rows, 20'000u);
    EXPECT_TRUE(ReadFile(target).starts_with(testing::Gbk("序号,时间,通道1,通道2\r\n1,")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Random input, seeded so a failure repeats: bytes that look like the
// numbers, labels and separators of real streams mixed with binary noise,
// line ends, zero bytes and long runs without a break.
TEST(PlotFeed, SeededRandomStreamsNeverBreakThePlot) {
    static const char* const kPieces[] = {"1.5",
                                          "-3",
                                          "2e3",
                                          "0x1F",
                                          "nan",
                                          "inf",
                                          "1e999",
                                          "1e-999",
                                          "a:",
                                          "b=",
                                          "温度:",
                                          ",",
                                          " ",
                                          "\t",
                                          ";",
                                          "\r\n",
                                          "\n",
                                          "\r",
                                          ":",
                                          "=",
                                          ".",
                                          "e",
                                          "-",
                                          "0x",
                                          "\xE6\xB8",
                                          "\xA9",
                                          "\xB0\xA1",
                                          "\xFF",
                                          "999999999999999999999999",
                                          "abc"};
    std::mt19937 random(26);
    for (int round = 0; round < 40; ++round) {
        std::string bytes(1, static_cast<char>(random() & 0xFF));
        const std::size_t target = 5'000 + random() % 60'000;
        while (bytes.size() < target) {
            const unsigned kind = random() % 1000;
            if (kind < 850) {
                bytes += std::string(kPieces[random() % std::size(kPieces)]);
            } else if (kind < 998) {
                bytes.push_back(static_cast<char>(random() & 0xFF));
            } else {
                bytes.append(random() % 9'000, static_cast<char>('0' + random() % 10));
            }
        }
        PlotFeed feed(1 + random() % 40);
        testing::DrivePlotFeed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), feed);
        EXPECT_EQ(testing::PlotFeedBroken(feed), "") << "round " << round;
    }
}

}  // namespace
}  // namespace viz

// The logic trace: a dump that sigrok reads back with the edges where they
// were, and the cursor measurement.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "TempDir.h"
#include "board/parts/LogicTrace.h"
#include "wizards/ToolRunner.h"

namespace viz {
namespace {

constexpr BoardPin kBuzzerPin{1, 5};
constexpr BoardPin kKeyPin{3, 2};

// A 1 kHz square wave on P1.5 for 20 ms, with P3.2 going low once; the
// trace starts at an odd time, as it does when the user starts it.
LogicTrace ToggleTrace(SimNanos start) {
    std::array<std::uint8_t, kBoardPorts> levels;
    levels.fill(0xFF);
    LogicTrace trace({{"P1.5", kBuzzerPin}, {"K3", kKeyPin}}, levels, start);
    std::uint8_t p1 = 0xFF;
    for (int half = 1; half <= 40; ++half) {
        p1 ^= 0x20;
        trace.SetPort(1, p1, start + static_cast<SimNanos>(half) * 500'000);
        if (half == 14) trace.SetPin(kKeyPin, false, start + 7'000'000);
        if (half == 16) trace.SetPin(kKeyPin, false, start + 8'000'000);  // no change, no edge
    }
    return trace;
}

struct ReadBack {
    double unitNanos = 0;
    std::vector<double> edges;  // of the channel asked for, in ns
};

// The edges of `name` in a dump as sigrok writes it.
ReadBack ParseVcd(const std::string& text, const std::string& name) {
    ReadBack back;
    std::smatch match;
    const std::regex timescale(R"(\$timescale\s+(\d+)\s*(s|ms|us|ns)\s*\$end)");
    if (std::regex_search(text, match, timescale)) {
        const std::map<std::string, double> units{{"s", 1e9}, {"ms", 1e6}, {"us", 1e3}, {"ns", 1}};
        back.unitNanos = std::stod(match[1]) * units.at(match[2]);
    }
    std::string varPattern = R"(\$var\s+wire\s+1\s+(\S+)\s+)";
    varPattern += name;
    varPattern += R"(\s+\$end)";
    const std::regex var(varPattern);
    if (!std::regex_search(text, match, var)) return back;
    const std::string id = match[1];
    std::istringstream words(text.substr(text.find("$enddefinitions")));
    std::string word;
    double now = 0;
    int last = -1;
    while (words >> word) {
        if (word[0] == '#') {
            now = std::stod(word.substr(1)) * back.unitNanos;
        } else if ((word[0] == '0' || word[0] == '1') && word.substr(1) == id) {
            const int level = word[0] - '0';
            if (last >= 0 && level != last) back.edges.push_back(now);
            last = level;
        }
    }
    return back;
}

TEST(LogicTrace, SigrokReadsTheDumpWithTheEdgesWhereTheyWere) {
    const std::filesystem::path sigrok = testing::FindOnPath("sigrok-cli");
    ASSERT_FALSE(sigrok.empty()) << "sigrok-cli is not installed (scripts/setup.sh installs it)";
    testing::TempDir dir;
    const LogicTrace trace = ToggleTrace(3'000'017);
    std::string error;
    ASSERT_TRUE(WriteVcdFile(dir / "trace.vcd", trace.Vcd(trace.start() + 21'000'000), &error)) << error;

    std::string command = "'";
    command += sigrok.string();
    command += "' -I vcd -i trace.vcd -O vcd -o back.vcd";
    const auto run = testing::RunIn(dir.path(), command);
    ASSERT_TRUE(run.ok) << run.output;
    const ReadBack back = ParseVcd(testing::ReadFile(dir / "back.vcd"), "P1.5");
    ASSERT_GT(back.unitNanos, 0);
    ASSERT_EQ(back.edges.size(), 40u) << testing::ReadFile(dir / "back.vcd");
    const double period = (back.edges.back() - back.edges.front()) / 39 * 2;
    EXPECT_NEAR(1e9 / period, 1000.0, 10.0);
    EXPECT_NEAR(back.edges.front(), 500'000, 5'000);

    const ReadBack key = ParseVcd(testing::ReadFile(dir / "back.vcd"), "K3");
    ASSERT_EQ(key.edges.size(), 1u);
    EXPECT_NEAR(key.edges[0], 7'000'000, 70'000);
}

TEST(LogicTrace, KeepsEveryNanosecondAndStopsAtItsLimitSayingSo) {
    std::array<std::uint8_t, kBoardPorts> levels{};
    LogicTrace trace({{"E", {2, 7}}}, levels, 100, 3);
    trace.SetPin({2, 7}, true, 1'100);
    trace.SetPin({2, 7}, false, 1'333);
    const std::string vcd = trace.Vcd(5'000);
    EXPECT_NE(vcd.find("$timescale 1 ns $end"), std::string::npos);
    EXPECT_NE(vcd.find("#1000\n1!\n#1233\n0!\n#4900\n"), std::string::npos) << vcd;
    EXPECT_NE(vcd.find("$dumpvars\n0!\n$end"), std::string::npos) << vcd;

    trace.SetPin({2, 7}, true, 2'000);
    EXPECT_FALSE(trace.full());
    trace.SetPin({2, 7}, false, 3'000);
    EXPECT_TRUE(trace.full());
    EXPECT_EQ(trace.changes().size(), 3u);

    // Reported late, a change still keeps the dump's times going forward.
    LogicTrace late({{"E", {2, 7}}, {"RS", {2, 6}}}, levels, 0);
    late.SetPin({2, 7}, true, 2'000);
    late.SetPin({2, 6}, true, 1'500);
    EXPECT_NE(late.Vcd(3'000).find("#2\n1!\n1\"\n#3\n"), std::string::npos) << late.Vcd(3'000);

    std::string error;
    EXPECT_FALSE(WriteVcdFile("/nonexistent-folder/trace.vcd", vcd, &error));
    EXPECT_FALSE(error.empty());
}

TEST(LogicTrace, CursorsSnapToEdgesAndMeasureTheTimeBetween) {
    const LogicTrace trace = ToggleTrace(0);
    EXPECT_EQ(NearestEdge(trace, 0, 1'230'000), 1'000'000u);
    EXPECT_EQ(NearestEdge(trace, 0, 2'800'000), 3'000'000u);
    EXPECT_EQ(NearestEdge(trace, 1, 0), 7'000'000u);
    const CursorMeasure period =
        MeasureCursors(*NearestEdge(trace, 0, 3'100'000), *NearestEdge(trace, 0, 900'000));
    EXPECT_EQ(period.nanos, 2'000'000u);
    EXPECT_DOUBLE_EQ(period.hertz, 500.0);
    EXPECT_EQ(MeasureCursors(5, 5).hertz, 0.0);

    std::array<std::uint8_t, kBoardPorts> levels{};
    const LogicTrace quiet({{"P0.0", {0, 0}}}, levels, 0);
    EXPECT_FALSE(NearestEdge(quiet, 0, 10));
}

}  // namespace
}  // namespace viz

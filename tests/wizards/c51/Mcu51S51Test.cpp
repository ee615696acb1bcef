// The 8051 wizard's programs, compiled with sdcc and run in the s51
// simulator: timer periods, baud rates, delay loops and a serial echo as a
// chip would show them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "Mcu51Scenarios.h"
#include "S51Program.h"
#include "TempDir.h"
#include "wizards/ToolRunner.h"
#include "wizards/c51/Mcu51CodeGen.h"
#include "wizards/c51/Mcu51Delay.h"
#include "wizards/c51/Mcu51Model.h"

namespace viz {
namespace {

using testing::S51Options;
using testing::S51Program;
using testing::S51Stop;

constexpr int kCrystal4_608 = 7;
constexpr int kCrystal6 = 9;
constexpr int kCrystal7_3728 = 10;
constexpr int kCrystal11_0592 = 14;
constexpr int kCrystal12 = 15;
constexpr int kCrystal22_1184 = 20;
constexpr int kCrystal24 = 21;
constexpr int kBaud9600 = 3;
constexpr int kBaud19200 = 5;
constexpr int kBaud115200 = 9;

bool ToolsMissing() {
    return testing::FindOnPath("sdcc").empty() || testing::FindOnPath("s51").empty();
}
#define SKIP_WITHOUT_SIMULATOR()                                                                         \
    if (ToolsMissing())                                                                                  \
    GTEST_SKIP() << "sdcc or s51 is not installed (Debian packages sdcc, sdcc-ucsim); the setup script " \
                    "installs them"

// Runs every item at once, each on a thread that mostly waits for the
// compiler and simulator it starts; returns what each reports, in order.
template <typename Item, typename Check>
std::vector<std::string> CheckAll(const std::vector<Item>& items, Check check) {
    std::vector<std::future<std::string>> running;
    for (const Item& item : items) running.push_back(std::async(std::launch::async, check, item));
    std::vector<std::string> failures;
    for (auto& result : running) failures.push_back(result.get());
    return failures;
}

// Puts the user's lines where the routine or loop opened by `head` says "添加你的代码".
std::string WithUserCode(const std::string& code, const std::string& head, const std::string& lines) {
    const std::size_t routine = code.find(head);
    const std::size_t slot = code.find("//添加你的代码", routine);
    if (routine == std::string::npos || slot == std::string::npos) return {};
    return code.substr(0, slot) + lines + "\r\n    " + code.substr(slot);
}

std::string Describe(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Timer interrupts: for each timer, where its period can be read and how.
struct TimerProbe {
    const char* routine;
    std::uint32_t vector;
    int low, high;  // count register addresses
    int reloadLow, reloadHigh;
};
constexpr TimerProbe kProbes[3] = {
    {"_T0Isr", 0x0B, 0x8A, 0x8C, 0x8A, 0x8C},
    {"_T1Isr", 0x1B, 0x8B, 0x8D, 0x8B, 0x8D},
    {"_T2Isr", 0x2B, 0xCC, 0xCD, 0xCA, 0xCB},
};

struct TimerCase {
    int crystal;
    std::array<int, 3> mode;    // -1: the timer is not used
    std::array<int, 3> micros;  // count times
    bool gate0 = false;         // timer 0 waits for INT0, which the user does not tick
};

bool AutoReload(int timer, int mode) {
    return timer == 2 ? mode == 0 : mode == 2;
}

// Cycles from the overflow to this stop, read from the counter itself.
std::int64_t SinceOverflow(const TimerProbe& probe, int timer, int mode, const S51Stop& stop) {
    const int low = stop.Sfr(probe.low);
    const int high = stop.Sfr(probe.high);
    if (AutoReload(timer, mode)) {
        if (timer == 2)
            return ((high << 8 | low) - (stop.Sfr(probe.reloadHigh) << 8 | stop.Sfr(probe.reloadLow))) &
                   0xFFFF;
        return (low - high) & 0xFF;  // TH holds the reload
    }
    if (timer == 0 && mode == 3) return low;
    if (timer < 2 && mode == 0) return high << 5 | (low & 0x1F);
    return high << 8 | low;
}

// Measures the period of one timer's interrupt and compares it with the
// count time. Auto-reloading timers are stopped at their vector; timers the
// routine reloads are stopped at the reload, and the cycles lost from the
// overflow to the reload (the reload latency) are read from the counter,
// which runs on from zero until it is written.
std::string CheckTimerPeriod(const S51Program& program, const TimerCase& c, int timer) {
    const TimerProbe& probe = kProbes[timer];
    const int mode = c.mode[timer];
    const bool automatic = AutoReload(timer, mode);
    std::uint32_t breakpoint = probe.vector;
    // The counter restarts from the reload one cycle before the last write
    // ends: after 3 cycles for TH then TL, after 1 when only TL0 is written.
    int restart = 3;
    if (!automatic) {
        const char* const first = timer == 0   ? (mode == 3 ? "mov\t_TL0,#" : "mov\t_TH0,#")
                                  : timer == 1 ? "mov\t_TH1,#"
                                               : "mov\t_TH2,#";
        if (timer == 0 && mode == 3) restart = 1;
        const auto address = program.FindInstruction(probe.routine, first);
        if (!address) return Describe("timer %d: no reload instruction in %s; ", timer, probe.routine);
        breakpoint = *address;
    }
    const std::uint32_t frequency = kCrystalHz[c.crystal];
    const auto run = program.Run(S51Options{
        "52", frequency, {breakpoint}, 5, {probe.low, probe.high, probe.reloadLow, probe.reloadHigh}, {}});
    if (run.stops.size() < 5) return Describe("timer %d stopped only %zu times; ", timer, run.stops.size());

    const double wanted = static_cast<double>(c.micros[timer]) * frequency / 12e6;
    std::ostringstream failures;
    // The first period counts from the reload too (timer 2 once counted 65536
    // first); the start-up code before main's set-up takes about 830 cycles.
    const S51Stop& first = run.stops[0];
    const std::int64_t firstOverflow =
        static_cast<std::int64_t>(first.cycles()) - SinceOverflow(probe, timer, mode, first);
    if (static_cast<double>(firstOverflow) > wanted + 1000) {
        failures << "timer " << timer << " mode " << mode << ": first overflow after " << firstOverflow
                 << " cycles for " << wanted << "; ";
    }
    for (std::size_t k = 1; k + 1 < run.stops.size(); ++k) {
        const S51Stop& stop = run.stops[k];
        const S51Stop& next = run.stops[k + 1];
        const std::int64_t nextOverflow =
            static_cast<std::int64_t>(next.cycles()) - SinceOverflow(probe, timer, mode, next);
        const std::int64_t start =
            automatic ? static_cast<std::int64_t>(stop.cycles()) - SinceOverflow(probe, timer, mode, stop)
                      : static_cast<std::int64_t>(stop.cycles()) + restart;
        const std::int64_t period = nextOverflow - start;
        if (std::abs(static_cast<double>(period) - wanted) > 1.0) {
            failures << "timer " << timer << " mode " << mode << ": " << period << " cycles for " << wanted
                     << "; ";
        }
    }
    return failures.str();
}

std::string CheckTimerCase(const TimerCase& c) {
    Mcu51Model model;
    model.SelectCrystal(c.crystal);
    model.Toggle(Mcu51Switch::GlobalInterrupt);
    constexpr Mcu51Switch kInterrupt[3] = {Mcu51Switch::Timer0Interrupt, Mcu51Switch::Timer1Interrupt,
                                           Mcu51Switch::Timer2Interrupt};
    constexpr Mcu51Switch kRun[3] = {Mcu51Switch::Timer0Run, Mcu51Switch::Timer1Run, Mcu51Switch::Timer2Run};
    for (int timer = 0; timer < 3; ++timer) {
        if (c.mode[timer] < 0) continue;
        model.Toggle(kInterrupt[timer]);
        model.Toggle(kRun[timer]);
        if (timer == 0) model.SelectTimer0Mode(c.mode[0]);
        if (timer == 1) model.SelectTimer1Mode(c.mode[1]);
        if (timer == 2) model.SelectTimer2Mode(c.mode[2]);
        model.SetCountText(timer, std::to_string(c.micros[timer]));
    }
    if (c.gate0) model.Toggle(Mcu51Switch::Timer0Gate);
    const std::string code = BuildMcu51Code(model, Mcu51Compiler::Sdcc);

    testing::TempDir dir;
    const S51Program program(dir.path(), code);
    if (!program.compiled()) return "sdcc: " + program.compilerOutput();
    std::string failures;
    for (int timer = 0; timer < 3; ++timer) {
        if (c.mode[timer] < 0) continue;
        if (model.image().overflow[timer] != 0) {
            // Too long for the mode: the page says so instead of a period.
            const std::string item = Describe("设置定时时间%dus已溢出！", c.micros[timer]);
            if (code.find(item) == std::string::npos)
                failures += "timer " + std::to_string(timer) + ": no overflow item; ";
            continue;
        }
        failures += CheckTimerPeriod(program, c, timer);
    }
    return failures;
}

TEST(Mcu51S51, TimerInterruptsComeEveryCountTimeAtEachCrystal) {
    SKIP_WITHOUT_SIMULATOR();
    // Each crystal runs every mode of every timer once. Timer 0 split in
    // two takes timer 1's flag, so timer 1 rests then. Count times vary with
    // the crystal; some do not fit their mode at the faster crystals.
    const int crystals[] = {kCrystal4_608, kCrystal6,       kCrystal7_3728, kCrystal11_0592,
                            kCrystal12,    kCrystal22_1184, kCrystal24};
    const std::array<int, 3> thirteenBit = {1000, 2500, 5000};
    const std::array<int, 3> sixteenBit = {1000, 20000, 50000};
    const std::array<int, 3> eightBit = {100, 200, 250};
    const std::array<int, 3> timer2 = {5000, 10000, 30000};
    std::vector<TimerCase> cases;
    for (int i = 0; i < 7; ++i) {
        const int crystal = crystals[i];
        cases.push_back({crystal, {0, 0, 0}, {thirteenBit[i % 3], thirteenBit[(i + 1) % 3], timer2[i % 3]}});
        cases.push_back(
            {crystal, {1, 1, 1}, {sixteenBit[i % 3], sixteenBit[(i + 2) % 3], timer2[(i + 1) % 3]}, true});
        cases.push_back({crystal, {2, 2, 0}, {eightBit[i % 3], eightBit[(i + 1) % 3], timer2[(i + 2) % 3]}});
        cases.push_back({crystal, {3, -1, 1}, {eightBit[(i + 2) % 3], 0, timer2[i % 3]}});
    }
    const std::vector<std::string> failures = CheckAll(cases, CheckTimerCase);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(failures[i], "") << kCrystalLabels[cases[i].crystal] << " MHz, modes " << cases[i].mode[0]
                                   << "/" << cases[i].mode[1] << "/" << cases[i].mode[2];
    }
}

// When "波特率倍增" is clicked: not at all, before the rate and the timer
// are chosen, or after them.
enum class Doubling { Off, First, Last };

struct BaudCase {
    int crystal;
    int baudIndex;
    int timer;  // 1 or 2
    Doubling doubling = Doubling::Off;
};

// Sends bytes from the main loop and times one from the write to SBUF until
// TI is seen. The serial port shifts a start bit, eight data bits and a stop
// bit, each sixteen baud-clock ticks long, counted from the tick nearest the
// write; the loop sees TI a few cycles late.
std::string CheckBaudCase(const BaudCase& c) {
    Mcu51Model model;
    model.SelectCrystal(c.crystal);
    if (c.doubling == Doubling::First) model.Toggle(Mcu51Switch::DoubleBaud);
    model.SelectSerialMode(1);
    model.Toggle(Mcu51Switch::SerialReceive);
    model.SelectBaud(c.baudIndex);
    if (c.timer == 1) {
        model.SelectTimer1Mode(3);
        model.Toggle(Mcu51Switch::Timer1Run);
    } else {
        model.SelectTimer2Mode(2);
        model.Toggle(Mcu51Switch::Timer2Run);
    }
    if (c.doubling == Doubling::Last) model.Toggle(Mcu51Switch::DoubleBaud);
    const std::string code = WithUserCode(BuildMcu51Code(model, Mcu51Compiler::Sdcc), "void main(void)",
                                          "SBUF=0x55;\r\n    while(!TI);\r\n    TI=0;\r\n    P2=0x5A;");

    testing::TempDir dir;
    const S51Program program(dir.path(), code);
    if (!program.compiled()) return "sdcc: " + program.compilerOutput();
    const auto write = program.FindInstruction("_main", "mov\t_SBUF,#0x55");
    const auto seen = program.FindInstruction("_main", "mov\t_P2,#0x5a");
    if (!write || !seen) return "no send loop in the listing";
    const std::uint32_t frequency = kCrystalHz[c.crystal];
    // The first byte waits for the baud clock's phase, so a later one is timed.
    const auto run =
        program.Run(S51Options{c.timer == 1 ? "51" : "52", frequency, {*write, *seen}, 6, {}, {}});
    if (run.stops.size() < 6) return Describe("only %zu stops", run.stops.size());
    const double byteClocks = static_cast<double>(run.stops[5].clocks - run.stops[4].clocks);

    const Mcu51Image& image = model.image();
    const bool doubled = c.doubling != Doubling::Off;
    const double bitClocks = c.timer == 1 ? (doubled ? 16.0 : 32.0) * 12 * (256 - image.TH1)
                                          : 32.0 * (65536 - (image.RCAP2H << 8 | image.RCAP2L));
    std::string failures;
    const double slack = bitClocks / 16 + 8 * 12;
    if (std::abs(byteClocks - 10 * bitClocks) > slack) {
        failures += Describe("one byte took %.0f clocks, %.0f expected; ", byteClocks, 10 * bitClocks);
    }
    // The page's verdict on the rate it set, and the rate the chip ran at.
    const double actual = frequency / bitClocks;
    const double requested = std::stod(kBaudLabels[c.baudIndex]);
    const double error = (actual - requested) * 100 / requested;
    const std::string item =
        Describe("无法准确产生%u波特率：实际%u，误差%+.1f%%", static_cast<unsigned>(requested),
                 static_cast<unsigned>(std::lround(actual)), error);
    const bool flagged = code.find(item) != std::string::npos;
    if (flagged != (std::abs(error) > 2.0)) {
        failures += Describe("error %+.2f%% %s diagnostic; ", error, flagged ? "with a" : "without the");
    }
    if (!flagged && std::abs(10 * frequency / requested - byteClocks) > 0.02 * byteClocks + slack) {
        failures +=
            Describe("one byte took %.0f clocks, %.0f asked for; ", byteClocks, 10 * frequency / requested);
    }
    // The rates clicked last are ones the doubling makes exact: the reload
    // must have followed the click.
    if (c.doubling == Doubling::Last && flagged) failures += "the reload did not follow the doubling; ";
    return failures;
}

TEST(Mcu51S51, BaudGeneratorsRunAtTheirRateAndReportWhatTheyMiss) {
    SKIP_WITHOUT_SIMULATOR();
    const std::vector<BaudCase> cases = {
        {kCrystal11_0592, kBaud9600, 1},
        {kCrystal11_0592, kBaud19200, 1},
        {kCrystal11_0592, kBaud19200, 1, Doubling::First},
        {kCrystal11_0592, kBaud19200, 1, Doubling::Last},
        {kCrystal11_0592, kBaud9600, 1, Doubling::Last},
        {kCrystal11_0592, kBaud115200, 1},
        {kCrystal22_1184, kBaud115200, 1, Doubling::First},
        {kCrystal22_1184, kBaud115200, 1, Doubling::Last},
        {kCrystal12, kBaud9600, 1},
        {kCrystal24, kBaud9600, 1, Doubling::First},
        {kCrystal4_608, kBaud9600, 1},
        {kCrystal11_0592, kBaud9600, 2},
        {kCrystal11_0592, kBaud115200, 2},
        {kCrystal12, kBaud9600, 2},
        {kCrystal12, kBaud19200, 2},
        {kCrystal12, kBaud115200, 2},
        {kCrystal24, kBaud115200, 2},
        {kCrystal22_1184, kBaud19200, 2},
        {kCrystal7_3728, kBaud115200, 2},
        {kCrystal6, kBaud9600, 2},
    };
    const std::vector<std::string> failures = CheckAll(cases, CheckBaudCase);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(failures[i], "") << kCrystalLabels[cases[i].crystal] << " MHz, "
                                   << kBaudLabels[cases[i].baudIndex] << " baud, timer " << cases[i].timer
                                   << (cases[i].doubling == Doubling::First  ? " doubled first"
                                       : cases[i].doubling == Doubling::Last ? " doubled last"
                                                                             : "");
    }
}

// The serial port as a user sets it up, no port box ticked; the routine
// answers each byte with the next one.
TEST(Mcu51S51, SerialPortReceivesAndAnswersAByte) {
    SKIP_WITHOUT_SIMULATOR();
    Mcu51Model model;
    testing::SetUpSerialPort(model);
    const std::string code = BuildMcu51Code(model, Mcu51Compiler::Sdcc);
    // The pins the serial port needs are set and the header says so.
    EXPECT_NE(code.find("  P3=0x03;\r\n"), std::string::npos);
    EXPECT_NE(code.find("        1.串行口已启用：P3.0(RXD)、P3.1(TXD)已置1，否则串口无法收发！\r\n"),
              std::string::npos);

    testing::TempDir dir;
    const S51Program program(dir.path(), WithUserCode(code, "void SerialIsr(void)", "SBUF=SBUF+1;"));
    ASSERT_TRUE(program.compiled()) << program.compilerOutput();
    // The routine runs once for the byte received and once for the answer sent.
    constexpr std::uint32_t kSerialVector = 0x23;
    const auto run = program.Run(S51Options{"51", kCrystalHz[kCrystal11_0592], {kSerialVector}, 2, {}, "A"});
    ASSERT_EQ(run.stops.size(), 2u) << run.log;
    EXPECT_EQ(run.serialOutput, "B");
    // The answer takes one byte time at 9600 baud.
    const double byteClocks = 10.0 * kCrystalHz[kCrystal11_0592] / 9600;
    EXPECT_NEAR(static_cast<double>(run.stops[1].clocks - run.stops[0].clocks), byteClocks,
                0.02 * byteClocks);
}

struct DelayCase {
    int micros;
    int crystal;
    int speed;
};

// main() calls the generated Delay() once; the time from the call to the
// next statement is the delay plus the call and return (4 cycles).
std::string CheckDelayCase(const DelayCase& c) {
    Mcu51Model model;
    model.SelectCrystal(c.crystal);
    model.SelectSpeed(c.speed);
    const std::uint32_t frequency = model.image().frequency;
    const std::optional<std::string> delay = BuildDelayCode(c.micros, frequency);
    if (!delay) return "no loop counts found";
    testing::TempDir dir;
    const S51Program program(
        dir.path(), "#include <8052.h>\r\n\r\n" + *delay +
                        "\r\nvoid main(void)\r\n{\r\n  Delay();\r\n  P1=0x01;\r\n  while(1);\r\n}\r\n");
    if (!program.compiled()) return "sdcc: " + program.compilerOutput();
    const auto call = program.FindInstruction("_main", "lcall\t_Delay");
    const auto after = program.FindInstruction("_main", "mov\t_P1,#0x01");
    if (!call || !after) return "no call in the listing";
    // A 1T core runs the same cycles F / 12 times a second; s51 is told F.
    const auto run = program.Run(S51Options{"52", frequency, {*call, *after}, 2, {}, {}});
    if (run.stops.size() < 2) return "the delay never returned";
    const double cycles = static_cast<double>(run.stops[1].cycles() - run.stops[0].cycles());
    const double wanted = c.micros * (frequency / 12e6);
    constexpr double kCallAndReturn = 4;
    if (cycles < wanted - 1 || cycles > wanted + 1 + kCallAndReturn) {
        return Describe("%.0f cycles for %.2f", cycles, wanted);
    }
    return {};
}

TEST(Mcu51S51, DelayLoopsLastTheRequestedTime) {
    SKIP_WITHOUT_SIMULATOR();
    constexpr int k1T = 0;
    constexpr int k12T = 4;
    const std::vector<DelayCase> cases = {
        {1000, kCrystal12, k12T},      {1000, kCrystal11_0592, k12T}, {1000, kCrystal12, k1T},
        {10, kCrystal12, k12T},        {50000, kCrystal24, k12T},     {20000, kCrystal4_608, k12T},
        {2500, kCrystal22_1184, k12T},
    };
    const std::vector<std::string> failures = CheckAll(cases, CheckDelayCase);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(failures[i], "") << cases[i].micros << " us at " << kCrystalLabels[cases[i].crystal]
                                   << " MHz, speed " << kSpeedLabels[cases[i].speed];
    }
}

}  // namespace
}  // namespace viz

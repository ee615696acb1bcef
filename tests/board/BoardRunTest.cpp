// Virtual boards running real firmware in s51 and the AVR runner: serial
// echo at the baud rate in real time, pin levels, build failures, missing
// programs, and stopping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "BoardTestSupport.h"
#include "Patience.h"
#include "TempDir.h"
#include "board/BoardPins.h"
#include "board/AvrBoardRun.h"
#include "board/BoardChip.h"
#include "wizards/avr/AvrUartWizard.h"

namespace viz {
namespace {

using namespace std::chrono_literals;

BoardChip Chip8051() {
    return Mcs51Chips().front();
}

BoardConfig FileBoard(const BoardChip& chip, std::uint32_t clock, const std::filesystem::path& file) {
    BoardConfig config;
    config.chip = chip;
    config.clockHz = clock;
    config.file = file;
    config.search = testing::TestToolSearch();
    return config;
}

BoardConfig WizardBoard(const BoardChip& chip, std::uint32_t clock, std::string source) {
    BoardConfig config;
    config.chip = chip;
    config.clockHz = clock;
    config.wizardCode = true;
    config.source = std::move(source);
    config.search = testing::TestToolSearch();
    return config;
}

// blink.c in `dir`: what `model` sets up, with the wizard's timer 0
// interrupting every 10000 cycles and P1.0 toggled every 25th time.
std::filesystem::path WriteBlinkingLed(Mcu51Model model, const testing::TempDir& dir) {
    model.SelectTimer0Mode(1);
    model.SetCountText(0, "10000");
    model.Toggle(Mcu51Switch::Timer0Run);
    model.Toggle(Mcu51Switch::Timer0Interrupt);
    std::string code = BuildMcu51Code(model, Mcu51Compiler::Sdcc);
    code = testing::InsertBefore(code, "\r\n\r\nvoid main", "\r\nunsigned char ticks;");
    code = testing::InsertBefore(code, "//添加你的代码", "if(++ticks==25){ticks=0; P1_0=!P1_0;}\r\n  ", 1);
    const std::filesystem::path file = dir / "blink.c";
    std::ofstream(file, std::ios::binary) << code;
    return file;
}

bool ProcessGone(int pid) {
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Sends the pattern through the running board and expects every byte back,
// never faster than the line allows (1,000 bytes at 9600 baud: 1.04 s).
void ExpectEchoAtWireSpeed(const std::string& port, double wireSeconds = 1.0) {
    testing::BoardPort line(port);
    ASSERT_TRUE(line.ok()) << port;
    const std::string sent = testing::EchoPattern();
    double seconds = 0;
    const std::string received = line.Exchange(sent, testing::kHangLimit, seconds);
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent)
        << "first difference at "
        << std::mismatch(sent.begin(), sent.end(), received.begin(), received.end()).first - sent.begin();
    // Never faster than the wire: the simulated UART keeps its baud rate in wall time.
    EXPECT_GE(seconds, wireSeconds);
    ::testing::Test::RecordProperty("echo_seconds", std::to_string(seconds));
}

// Processor seconds a process has used so far.
double CpuSeconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(field);
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Runs `source` on an 8051 or 8052 at 11.0592 MHz and echoes the pattern through it.
void ExpectWholeEcho(const BoardChip& chip, const std::string& source, double wireSeconds) {
    testing::TempDir dir;
    std::ofstream(dir / "echo.c", std::ios::binary) << source;
    testing::BoardRecorder recorder;
    BoardSession board(recorder);
    ASSERT_TRUE(board.Start(FileBoard(chip, 11059200, dir / "echo.c")));
    const std::string port = recorder.WaitReady();
    ASSERT_FALSE(port.empty()) << recorder.output();
    ExpectEchoAtWireSpeed(port, wireSeconds);
    board.Stop();
    ASSERT_TRUE(recorder.WaitEnded(5s));
}

// A byte stream arriving back to back reaches the chip one frame apart, as
// on a wire: the receive interrupt's echo of each byte leaves before the
// next byte comes, and the 8052's polled echo at 115200 keeps up too.
TEST(VirtualBoard, ContinuousStreamsReachTheChipAtTheLineRate) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 (packages sdcc, sdcc-ucsim) are not installed";
    ExpectWholeEcho(Chip8051(), testing::C51InterruptEchoProgram(), 1.0);
    ExpectWholeEcho(Mcs51Chips()[1], testing::Polled8052Echo(), 0.085);
}

// The UART on and idle, a timer interrupt blinking an LED: s51 spends far
// less processor time than the time it simulates, so a small machine keeps
// real time. Looking at the serial input on every cycle while nothing comes
// costs three times as much (here 0.36 against 0.12 processor seconds per
// simulated second; 2.4 against 0.24 on a slower machine).
TEST(VirtualBoard, AnIdleSerialLineCostsTheSimulatorLittle) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 (packages sdcc, sdcc-ucsim) are not installed";
    Mcu51Model model;
    testing::SetUpSerialPort(model);
    testing::TempDir dir;
    const std::filesystem::path blink = WriteBlinkingLed(model, dir);
    testing::BoardRecorder recorder;
    BoardSession board(recorder);
    ASSERT_TRUE(board.Start(FileBoard(Chip8051(), 11059200, blink)));
    ASSERT_FALSE(recorder.WaitReady().empty()) << recorder.output();
    const int simulator = board.simulatorPid();
    std::vector<double> edges;
    for (auto start = testing::Clock::now(); edges.size() < 9 && testing::Clock::now() - start < 60s;) {
        std::this_thread::sleep_for(100ms);
        edges = BitEdges(board.pins().History(), 1, 0);
    }
    const double cpu = CpuSeconds(simulator);
    board.Stop();
    ASSERT_GE(edges.size(), 9u) << recorder.output();
    EXPECT_LT(cpu / edges.back(), 0.25) << cpu << " processor seconds for " << edges.back() << " s simulated";
}

// A firmware that meets an opcode the chip does not have stops there: the
// run ends as halted, naming the address once.
TEST(VirtualBoard, AFirmwareThatHaltsEndsTheRunOnce) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "s51 (package sdcc-ucsim) is not installed";
    testing::TempDir dir;
    std::ofstream(dir / "bad.ihx") << testing::InvalidOpcodeHex();
    testing::BoardRecorder recorder;
    BoardSession board(recorder);
    ASSERT_TRUE(board.Start(FileBoard(Chip8051(), 11059200, dir / "bad.ihx")));
    const auto ended = recorder.WaitEnded(20s);
    ASSERT_TRUE(ended) << recorder.output();
    EXPECT_EQ(ended->kind, BoardOutcome::Kind::FirmwareHalted) << ended->message;
    EXPECT_NE(ended->message.find("0x0024"), std::string::npos) << ended->message;
    const std::string output = recorder.output();
    const std::size_t first = output.find("Erroneous instruction: 0x0024");
    ASSERT_NE(first, std::string::npos) << output;
    EXPECT_EQ(output.find("Erroneous instruction", first + 1), std::string::npos) << output;
    EXPECT_EQ(board.simulatorPid(), 0);
}

TEST(VirtualBoard, C51WizardSerialEchoRunsAtTheBaudRate) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 (packages sdcc, sdcc-ucsim) are not installed";
    testing::TempDir dir;
    std::ofstream(dir / "main.c", std::ios::binary) << testing::C51EchoProgram();
    testing::BoardRecorder recorder;
    BoardSession board(recorder);
    ASSERT_TRUE(board.Start(FileBoard(Chip8051(), 11059200, dir / "main.c")));
    const std::string port = recorder.WaitReady();
    ASSERT_FALSE(port.empty()) << recorder.output();
    ExpectEchoAtWireSpeed(port);

    const int simulator = board.simulatorPid();
    board.Stop();
    const auto ended = recorder.WaitEnded();
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->kind, BoardOutcome::Kind::Stopped);
    EXPECT_TRUE(ProcessGone(simulator)) << simulator;
}

TEST(VirtualBoard, AvrWizardProgramEchoesAtTheBaudRate) {
    ASSERT_TRUE(testing::HaveAvrTools()) << "avr-gcc (packages gcc-avr, avr-libc) is not installed";
    const std::vector<BoardChip> parts = ListAvrParts(VIZ_AVRSIM_RUNNER);
    const auto mega16 = std::find_if(parts.begin(), parts.end(),
                                     [](const BoardChip& chip) { return chip.name == "ATmega16"; });
    ASSERT_NE(mega16, parts.end());
    EXPECT_EQ(mega16->codeBytes, 16384u);
    EXPECT_EQ(mega16->ports, (std::vector<std::string>{"PORTA", "PORTB", "PORTC", "PORTD"}));

    testing::BoardRecorder recorder;
    BoardSession board(recorder);
    ASSERT_TRUE(board.Start(WizardBoard(*mega16, 8000000, AvrUartProgram(ComputeUbrr(8000000, 9600)))));
    const std::string port = recorder.WaitReady();
    ASSERT_FALSE(port.empty()) << recorder.output();
    // The compiler's command line, then nothing from a clean build.
    EXPECT_NE(recorder.output().find("avr-gcc -mmcu=atmega16"), std::string::npos) << recorder.output();
    ExpectEchoAtWireSpeed(port);

    const int simulator = board.simulatorPid();
    board.Stop();
    ASSERT_TRUE(recorder.WaitEnded());
    EXPECT_TRUE(ProcessGone(simulator)) << simulator;
}

// Timer 0 every 10 ms from the wizard, P1.0 toggled every 25th time: a
// blinking LED with a period of 500 ms.
TEST(VirtualBoard, PinLevelsFollowABlinkingLed) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    Mcu51Model model;
    model.Toggle(Mcu51Switch::GlobalInterrupt);
    testing::TempDir dir;
    const std::filesystem::path blink = WriteBlinkingLed(model, dir);

    testing::BoardRecorder recorder;
    BoardSession board(recorder);
    ASSERT_TRUE(board.Start(FileBoard(Chip8051(), 12000000, blink)));
    ASSERT_FALSE(recorder.WaitReady().empty()) << recorder.output();
    const auto start = testing::Clock::now();
    std::vector<double> edges;
    while (edges.size() < 9 && testing::Clock::now() - start < testing::kHangLimit) {
        std::this_thread::sleep_for(100ms);
        edges = BitEdges(board.pins().History(), 1, 0);
    }
    const double wall = std::chrono::duration<double>(testing::Clock::now() - start).count();
    board.Stop();
    ASSERT_GE(edges.size(), 9u) << recorder.output();
    // Each edge is seen at the end of the step it fell in; over eight half
    // periods that evens out.
    EXPECT_NEAR((edges.back() - edges.front()) / (edges.size() - 1), 0.25, 0.025);
    // Simulated time never ran ahead of the clock (how well it keeps up is the
    // benchmark's business: a busy machine slows it).
    EXPECT_LT(edges.back() / wall, 1.1) << edges.back() << " s simulated in " << wall << " s";
}

TEST(VirtualBoard, BrokenSourceStopsWithTheCompilersMessage) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    testing::BoardRecorder recorder;
    BoardSession board(recorder);
    ASSERT_TRUE(board.Start(WizardBoard(Chip8051(), 12000000, "void main(void)\r\n{\r\n  P1=0x00\r\n}\r\n")));
    const auto ended = recorder.WaitEnded();
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->kind, BoardOutcome::Kind::BuildFailed);
    // sdcc's own words, as it printed them.
    EXPECT_NE(recorder.output().find("main.c:4: syntax error"), std::string::npos) << recorder.output();
    EXPECT_EQ(board.simulatorPid(), 0);
}

TEST(VirtualBoard, MissingProgramsAreNamedWithTheirPackages) {
    testing::TempDir bin;
    // A PATH with the compiler but without the simulator.
    const std::filesystem::path sdcc = testing::FindOnPath("sdcc");
    if (!sdcc.empty()) std::filesystem::create_symlink(sdcc, bin / "sdcc");
    BoardConfig config = WizardBoard(Chip8051(), 12000000, "void main(void){}\r\n");
    config.search = ToolSearch{bin.path().string(), {}, {}};
    testing::BoardRecorder recorder;
    {
        BoardSession board(recorder);
        ASSERT_TRUE(board.Start(config));
        const auto ended = recorder.WaitEnded();
        ASSERT_TRUE(ended);
        EXPECT_EQ(ended->kind, BoardOutcome::Kind::ToolsMissing);
        EXPECT_NE(ended->message.find("缺少s51：请安装软件包sdcc-ucsim"), std::string::npos)
            << ended->message;
    }
    const BoardTools avr = FindBoardTools(ChipFamily::Avr, true, ToolSearch{bin.path().string(), {}, {}});
    EXPECT_NE(DescribeMissing(avr).find("缺少avr-gcc：请安装软件包gcc-avr"), std::string::npos);
    EXPECT_TRUE(avr.runnerMissing);
}

// A firmware that never answers keeps running until stopped, and then ends
// at once; a simulator that dies by itself is reported with how it ended.
TEST(VirtualBoard, RunawayFirmwareStopsAtOnceAndADeadSimulatorIsReported) {
    ASSERT_TRUE(testing::HaveMcs51Tools()) << "sdcc and s51 are not installed";
    testing::TempDir dir;
    std::ofstream(dir / "spin.c") << "void main(void){ for(;;); }\n";
    const BoardConfig config = FileBoard(Chip8051(), 12000000, dir / "spin.c");

    testing::BoardRecorder stopped;
    {
        BoardSession board(stopped);
        ASSERT_TRUE(board.Start(config));
        ASSERT_FALSE(stopped.WaitReady().empty()) << stopped.output();
        const int simulator = board.simulatorPid();
        // The firmware has had a good while of processor time to end by itself.
        const auto start = testing::Clock::now();
        while (testing::ChildCpu(simulator) < 300ms && testing::Clock::now() - start < testing::kHangLimit)
            std::this_thread::sleep_for(20ms);
        EXPECT_GE(testing::ChildCpu(simulator), 300ms);
        EXPECT_TRUE(board.running());
        board.Stop();
        ASSERT_TRUE(stopped.WaitEnded());
        EXPECT_TRUE(ProcessGone(simulator));
    }

    testing::BoardRecorder died;
    BoardSession board(died);
    ASSERT_TRUE(board.Start(config));
    ASSERT_FALSE(died.WaitReady().empty());
    ::kill(board.simulatorPid(), SIGKILL);
    const auto ended = died.WaitEnded(5s);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->kind, BoardOutcome::Kind::SimulatorEnded);
    EXPECT_NE(ended->message.find("被信号9"), std::string::npos) << ended->message;
    // Its last words: s51's greeting at least.
    EXPECT_NE(ended->message.find("uCsim"), std::string::npos) << ended->message;
}

}  // namespace
}  // namespace viz

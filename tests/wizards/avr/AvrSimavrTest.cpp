// The AVR wizard's program, built with avr-gcc and run in simavr: the UART
// runs with the UBRR the page shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "TempDir.h"
#include "wizards/ToolRunner.h"
#include "wizards/avr/AvrUartWizard.h"

namespace viz {
namespace {

// Put in the generated main loop: times one byte with timer 1 (8 clocks a
// count) from the write to UDR to its transmit-complete interrupt, slept
// through in idle mode; then prints the count as "T=<count>;" through the
// program's own UARTSendByte, at the fastest rate so the print is quick,
// and stops the chip, which ends simavr. simavr would wait in real time on
// every poll of a slow UART.
constexpr char kByteTimer[] =
    "TCCR1B=0x02;\r\n"
    "     UCSRB|=0x40;\r\n"
    "     MCUCR|=0x40;\r\n"
    "     TCNT1=0;\r\n"
    "     UDR=0x55;\r\n"
    "     __asm__ __volatile__(\"sleep\");\r\n"
    "     {\r\n"
    "       unsigned int t=TCNT1, d;\r\n"
    "       UCSRB&=~0x40;\r\n"
    "       UBRRH=0; UBRRL=0;\r\n"
    "       UARTSendByte('T'); UARTSendByte('=');\r\n"
    "       for(d=10000;d>0;d/=10) UARTSendByte('0'+(t/d)%10);\r\n"
    "       UARTSendByte(';'); UARTSendByte('\\n');\r\n"
    "       while(!(UCSRA&0x40));\r\n"
    "       __asm__ __volatile__(\"cli\\n\\tsleep\");\r\n"
    "     }\r\n"
    "     ";
// Its interrupt routine, added after the program: waking is all it is for.
constexpr char kTransmitCompleteRoutine[] = "\r\nISR(USART_TXC_vect)\r\n{\r\n}\r\n";

struct Pair {
    std::uint32_t frequency;
    std::uint32_t baud;
};

// simavr takes the frame format from the byte UBRRH shares with UCSRC
// (as last written when the rate was set) and always counts a parity bit:
// start, data bits, parity and stop bits.
int SimavrFrameBits(std::uint32_t ubrrHigh) {
    constexpr int kDataBits[4] = {5, 6, 7, 8};
    return 1 + kDataBits[(ubrrHigh >> 1) & 3] + 1 + 1 + static_cast<int>((ubrrHigh >> 3) & 1);
}

// A byte lasts its frame's bit times of 16 x (UBRR + 1) cycles, so the
// register is read back from the byte time.
std::string CheckPair(const Pair& pair) {
    const Ubrr ubrr = ComputeUbrr(pair.frequency, pair.baud);
    std::string program = AvrUartProgram(ubrr);
    const std::size_t slot = program.find("//添加你的代码");
    if (slot == std::string::npos) return "no place for the user's code";
    program.insert(slot, kByteTimer);
    program += kTransmitCompleteRoutine;

    testing::TempDir dir;
    std::ofstream(dir / "uart.c", std::ios::binary) << program;
    const testing::CommandResult built = testing::RunIn(
        dir.path(), "avr-gcc -mmcu=atmega16 -Os -Wall -Werror -o uart.elf uart.c", "build.log");
    if (!built.ok) return "avr-gcc: " + built.output;
    const testing::CommandResult run = testing::RunIn(
        dir.path(), "timeout 20 simavr -m atmega16 -f " + std::to_string(pair.frequency) + " uart.elf",
        "run.log");
    const std::size_t at = run.output.find("T=");
    if (at == std::string::npos) return "no byte time in simavr's output: " + run.output;
    const double cycles = 8.0 * std::stoul(run.output.substr(at + 2));
    const long simulated = std::lround(cycles / (16 * SimavrFrameBits(ubrr.high))) - 1;
    const long shown = static_cast<long>(ubrr.high << 8 | ubrr.low);
    if (simulated != shown)
        return "UBRR " + std::to_string(simulated) + " in simavr, " + std::to_string(shown) + " shown";
    // The datasheet's value, the divisor nearest the wanted rate.
    const long datasheet = std::lround(pair.frequency / (16.0 * pair.baud)) - 1;
    if (simulated != datasheet)
        return "UBRR " + std::to_string(simulated) + ", datasheet " + std::to_string(datasheet);

    // The rate the chip ran at is the one the label gives, flagged when more than 2 % off.
    const double baud = pair.frequency / (16.0 * (simulated + 1));
    const double error = (baud - pair.baud) * 100 / pair.baud;
    char actual[96];
    std::snprintf(actual, sizeof actual, "实际波特率：%ld（误差%+.1f%%", std::lround(baud), error);
    const std::string label = UbrrLabel(ubrr);
    if (label.find(actual) == std::string::npos) return "label " + label + " without " + actual;
    if ((label.find("超过2%") != std::string::npos) != (std::abs(error) > 2.0))
        return "label " + label + " misjudges the error";
    return {};
}

TEST(AvrSimavr, UartRunsWithTheUbrrThePageShows) {
    if (testing::FindOnPath("avr-gcc").empty() || testing::FindOnPath("simavr").empty())
        GTEST_SKIP() << "avr-gcc or simavr is not installed (packages gcc-avr, avr-libc, simavr)";
    const std::vector<Pair> pairs = {
        {12000000, 9600},   {11059200, 115200}, {7372800, 57600},  {16000000, 1200},  {8000000, 9600},
        {16000000, 115200}, {4000000, 19200},   {14745600, 38400}, {20000000, 56000}, {1000000, 2400},
    };
    // simavr sleeps in real time with the chip, so all run at once.
    std::vector<std::future<std::string>> running;
    for (const Pair& pair : pairs) running.push_back(std::async(std::launch::async, CheckPair, pair));
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(running[i].get(), "") << pairs[i].frequency << " Hz, " << pairs[i].baud << " baud";
    }
}

}  // namespace
}  // namespace viz

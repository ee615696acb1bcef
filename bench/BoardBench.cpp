// The virtual board against the clock, for the 8051 (s51) and the ATmega16
// (the AVR runner), each running its wizard's serial code with an echo:
//   - start to ready: the wizard's code built, the simulator up, the port open;
//   - round trip of one byte at 115200 baud (median and worst of --rounds);
//   - 1,000 bytes at 9600 baud echoed (wire time 1.0417 s), median of 3;
//   - simulated against wall time, and s51's processor seconds per simulated
//     second, for three 8051 firmware kinds: the UART at 9600 with a timer
//     interrupt, an LED loop, an 8052 at 115200 (timer 2);
//   - 1,000 bytes echoed by the receive interrupt at 9600 and by the 8052's
//     polled echo at 115200 (wire times 1.0417 s and 0.0868 s).
// For comparison in the same run: the round trip of one byte through a bare
// pty pair with an echoing thread, the floor any board sits on.
//
//   board_bench [--rounds N] [--learn 1]   (default 50; --learn 1: the 8051
//   runs feed a learning board, as in the board window)
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "board/BoardSession.h"
#include "board/parts/SharedBoard.h"
#include "wizards/avr/AvrUartWizard.h"
#include "wizards/c51/Mcu51CodeGen.h"
#include "wizards/c51/Mcu51Model.h"

namespace {

using Clock = std::chrono::steady_clock;
using viz::BoardChip;
using viz::BoardConfig;

// The learning board the 8051 runs feed, when asked for.
viz::SharedBoard* learnBoard = nullptr;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void PrintLoad(const char* when) {
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
}

class Waiter : public viz::BoardListener {
public:
    void OnOutput(const std::string&) override {}
    void OnSimulatorProcess(int) override {}
    void OnSpeed(double ratio) override {
        std::lock_guard lock(mutex_);
        speeds_.push_back(ratio);
    }
    std::vector<double> speeds() {
        std::lock_guard lock(mutex_);
        return speeds_;
    }

    void OnPhase(viz::BoardPhase) override {}
    void OnReady(const std::string& path) override {
        std::lock_guard lock(mutex_);
        port_ = path;
        changed_.notify_all();
    }
    void OnEnded(const viz::BoardOutcome&) override {
        std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }
    std::string WaitReady() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(30), [&] { return !port_.empty() || ended_; });
        return port_;
    }
    void WaitEnded() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [&] { return ended_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string port_;
    bool ended_ = false;
    std::vector<double> speeds_;
};

// Processor seconds a process has used so far.
double CpuSeconds(int pid) {
    std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!file) return 0;
    char text[1024] = {};
    const std::size_t got = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    const char* after = std::strrchr(text, ')');
    if (!after || got == 0) return 0;
    unsigned long user = 0;
    unsigned long system = 0;
    // Fields 3..15 after the name: state ... utime stime.
    if (std::sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
        return 0;
    return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Writes `bytes` and reads until as many came back; seconds taken, or -1.
double Exchange(int fd, const std::string& bytes) {
    const Clock::time_point start = Clock::now();
    std::size_t written = 0;
    std::size_t received = 0;
    while (received < bytes.size() && Since(start) < 10) {
        if (written < bytes.size()) {
            const ssize_t put = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (put > 0) written += static_cast<std::size_t>(put);
        }
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 1) > 0) {
            char buffer[4096];
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got > 0) received += static_cast<std::size_t>(got);
        }
    }
    return received == bytes.size() ? Since(start) : -1;
}

// The C51 wizard's serial set-up at `baud` and `crystal` (timer 2 as the
// baud generator when `timer2`), with a ring-buffer echo a user would add.
std::string C51Echo(int crystalIndex, int baudIndex, bool timer2) {
    viz::Mcu51Model model;
    model.SelectCrystal(crystalIndex);
    model.SelectBaud(baudIndex);
    if (timer2) {
        model.SelectTimer2Mode(2);
        model.Toggle(viz::Mcu51Switch::Timer2Run);
    } else {
        model.SelectTimer1Mode(3);
        model.Toggle(viz::Mcu51Switch::Timer1Run);
    }
    model.SelectSerialMode(1);
    model.Toggle(viz::Mcu51Switch::SerialReceive);
    model.Toggle(viz::Mcu51Switch::SerialInterrupt);
    model.Toggle(viz::Mcu51Switch::GlobalInterrupt);
    std::string code = viz::BuildMcu51Code(model, viz::Mcu51Compiler::Sdcc);
    const auto insert = [&code](const std::string& marker, const std::string& text, int nth) {
        std::size_t at = code.find(marker);
        for (int i = 0; i < nth; ++i) at = code.find(marker, at + 1);
        code.insert(at, text);
    };
    insert("\r\n\r\nvoid main",
           "\r\n__data unsigned char ring[64];\r\nvolatile unsigned char head, tail, busy;", 0);
    insert("//添加你的代码", "if(!busy && tail!=head){busy=1; SBUF=ring[tail&63]; tail++;}\r\n    ", 0);
    insert("  if(RI)", "  if(TI){TI=0; busy=0;}\r\n", 0);
    insert("//添加你的代码", "ring[head&63]=SBUF; head++;\r\n    ", 1);
    return code;
}

// The wizard's serial set-up at 9600 baud (11.0592 MHz, timer 1), receiving
// by interrupt.
viz::Mcu51Model InterruptUart9600() {
    viz::Mcu51Model model;
    model.SelectCrystal(14);
    model.SelectTimer1Mode(3);
    model.SelectSerialMode(1);
    model.Toggle(viz::Mcu51Switch::SerialReceive);
    model.Toggle(viz::Mcu51Switch::SerialInterrupt);
    model.Toggle(viz::Mcu51Switch::GlobalInterrupt);
    model.Toggle(viz::Mcu51Switch::Timer1Run);
    return model;
}

// The wizard's serial set-up at 9600 with timer 0 interrupting every 10 ms
// and blinking P1.0: a UART that idles beside a timer interrupt.
std::string UartAndTimer() {
    viz::Mcu51Model model = InterruptUart9600();
    model.SelectTimer0Mode(1);
    model.SetCountText(0, "10000");
    model.Toggle(viz::Mcu51Switch::Timer0Run);
    model.Toggle(viz::Mcu51Switch::Timer0Interrupt);
    std::string code = viz::BuildMcu51Code(model, viz::Mcu51Compiler::Sdcc);
    code.insert(code.find("\r\n\r\nvoid main"), "\r\nunsigned char ticks;");
    const std::size_t first = code.find("//添加你的代码");
    code.insert(code.find("//添加你的代码", first + 1), "if(++ticks==50){ticks=0; P1_0=!P1_0;}\r\n  ");
    return code;
}

// An LED blinking from a counting loop, nothing else on.
constexpr char kLedLoop[] =
    "#include <8052.h>\n"
    "void main(void){ unsigned int i; for(;;){ for(i=0;i<30000;i++); P1_0=!P1_0; } }\n";

// The C51 wizard's serial set-up echoing each byte from the receive interrupt.
std::string InterruptEcho() {
    viz::Mcu51Model model = InterruptUart9600();
    std::string code = viz::BuildMcu51Code(model, viz::Mcu51Compiler::Sdcc);
    const std::size_t first = code.find("//添加你的代码");
    code.insert(code.find("//添加你的代码", first + 1), "SBUF=SBUF;\r\n    ");
    return code;
}

// An 8052 at 11.0592 MHz, 115200 baud from timer 2, echoing by polling.
constexpr char kPolled8052[] =
    "#include <8052.h>\n"
    "void main(void){ unsigned char c;\n"
    "  SCON=0x50; RCAP2H=0xFF; RCAP2L=0xFD; TH2=0xFF; TL2=0xFD; T2CON=0x34;\n"
    "  for(;;){ while(!RI); RI=0; c=SBUF; SBUF=c; while(!TI); TI=0; } }\n";

struct Case {
    const char* name;
    BoardChip chip;
    std::uint32_t clock;
    std::string source;
};

struct Started {
    std::unique_ptr<Waiter> waiter = std::make_unique<Waiter>();
    std::unique_ptr<viz::BoardSession> board;
    int fd = -1;
    double seconds = -1;
    ~Started() {
        if (fd >= 0) ::close(fd);
        if (board) {
            board->Stop();
            waiter->WaitEnded();
        }
    }
};

std::unique_ptr<Started> Start(const Case& c) {
    auto started = std::make_unique<Started>();
    started->board = std::make_unique<viz::BoardSession>(*started->waiter);
    BoardConfig config;
    config.chip = c.chip;
    config.clockHz = c.clock;
    config.wizardCode = true;
    config.source = c.source;
    if (c.chip.family == viz::ChipFamily::Mcs51) config.learn = learnBoard;
    const char* path = std::getenv("PATH");
    config.search = viz::ToolSearch{path ? path : "/usr/bin:/bin", VIZ_AVRSIM_RUNNER, VIZ_S51WAKE};
    const Clock::time_point start = Clock::now();
    if (!started->board->Start(config)) return started;
    const std::string port = started->waiter->WaitReady();
    if (port.empty()) return started;
    started->fd = bench::OpenRaw(port);
    started->seconds = Since(start);
    return started;
}

// A bare pty pair with a thread echoing on its master: the floor.
double PtyRoundTrip(int rounds) {
    const bench::Pty pty = bench::OpenPty();
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        char byte;
        while (!stop.load()) {
            pollfd wait{pty.master, POLLIN, 0};
            if (::poll(&wait, 1, 50) > 0 && ::read(pty.master, &byte, 1) == 1) {
                [[maybe_unused]] const ssize_t put = ::write(pty.master, &byte, 1);
            }
        }
    });
    const int fd = bench::OpenRaw(pty.slave);
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) times.push_back(Exchange(fd, "U"));
    ::close(fd);
    stop.store(true);
    echo.join();
    ::close(pty.master);
    return Median(times);
}

// Runs each case for 6 s; the speed is what the board reported from 2 s on.
void SpeedAndEchoes(const BoardChip& mcs51, const BoardChip& mcs52, const std::string& pattern) {
    const std::vector<Case> kinds = {
        {"8051 @ 11.0592 MHz, UART 9600 + timer interrupt", mcs51, 11059200, UartAndTimer()},
        {"8051 @ 11.0592 MHz, LED loop", mcs51, 11059200, kLedLoop},
        {"8052 @ 11.0592 MHz, UART 115200 (timer 2), polled echo", mcs52, 11059200, kPolled8052},
    };
    for (const Case& c : kinds) {
        auto started = Start(c);
        if (started->fd < 0) {
            std::printf("%s: the board did not start\n", c.name);
            continue;
        }
        const int pid = started->board->simulatorPid();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const double cpuBefore = CpuSeconds(pid);
        const std::size_t skipped = started->waiter->speeds().size();
        std::this_thread::sleep_for(std::chrono::seconds(4));
        const double cpu = CpuSeconds(pid) - cpuBefore;
        const std::vector<double> all = started->waiter->speeds();
        const std::vector<double> speeds(all.begin() + static_cast<long>(std::min(skipped, all.size())),
                                         all.end());
        const double ratio = Median(speeds);
        std::printf(
            "%s: simulated/wall median %.3f (%.3f..%.3f over %zu reports); s51 %.2f processor s per "
            "simulated s\n",
            c.name, ratio, speeds.empty() ? 0 : *std::min_element(speeds.begin(), speeds.end()),
            speeds.empty() ? 0 : *std::max_element(speeds.begin(), speeds.end()), speeds.size(),
            ratio > 0 ? cpu / (4 * ratio) : 0.0);
    }
    const std::vector<Case> echoes = {
        {"8051 @ 11.0592 MHz, 9600, receive-interrupt echo", mcs51, 11059200, InterruptEcho()},
        {"8052 @ 11.0592 MHz, 115200 (timer 2), polled echo", mcs52, 11059200, kPolled8052},
    };
    for (const Case& c : echoes) {
        std::vector<double> times;
        std::vector<double> speeds;
        for (int run = 0; run < 3; ++run) {
            auto started = Start(c);
            if (started->fd < 0) break;
            // A second of the board alone first, so the speed reported while
            // the bytes flow is measured over the flow.
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const std::size_t before = started->waiter->speeds().size();
            times.push_back(Exchange(started->fd, pattern));
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            const std::vector<double> all = started->waiter->speeds();
            if (all.size() > before)
                speeds.push_back(*std::min_element(all.begin() + static_cast<long>(before), all.end()));
        }
        if (times.empty()) continue;
        std::printf(
            "%s: 1000 bytes echoed median %.3f s (%.3f..%.3f; -1 = not all came back); slowest "
            "simulated/wall while echoing median %.3f\n",
            c.name, Median(times), *std::min_element(times.begin(), times.end()),
            *std::max_element(times.begin(), times.end()), Median(speeds));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = static_cast<int>(bench::NumberOption(argc, argv, "--rounds", 50));
    viz::SharedBoard learn(viz::Mcs51LearningBoard());
    if (bench::NumberOption(argc, argv, "--learn", 0) != 0) learnBoard = &learn;
    std::printf("learning board fed: %s\n", learnBoard ? "yes" : "no");
    PrintLoad("at start");
    std::printf("bare pty round trip (echo thread): median %.3f ms\n", PtyRoundTrip(rounds) * 1e3);

    const BoardChip mcs51 = viz::Mcs51Chips()[0];
    const BoardChip mcs52 = viz::Mcs51Chips()[1];
    const BoardChip mega16{
        viz::ChipFamily::Avr, "ATmega16", "atmega16", 16384, {"PORTA", "PORTB", "PORTC", "PORTD"}};
    constexpr int k11_0592 = 14;
    constexpr int k9600 = 3;
    constexpr int k115200 = 9;
    const std::vector<Case> slow = {
        {"8051 @ 11.0592 MHz, 9600", mcs51, 11059200, C51Echo(k11_0592, k9600, false)},
        {"ATmega16 @ 8 MHz, 9600", mega16, 8000000, viz::AvrUartProgram(viz::ComputeUbrr(8000000, 9600))},
    };
    const std::vector<Case> fast = {
        {"8052 @ 11.0592 MHz, 115200 (timer 2)", mcs52, 11059200, C51Echo(k11_0592, k115200, true)},
        {"ATmega16 @ 11.0592 MHz, 115200", mega16, 11059200,
         viz::AvrUartProgram(viz::ComputeUbrr(11059200, 115200))},
    };
    std::string pattern;
    for (int i = 0; i < 1000; ++i) pattern += static_cast<char>((i * 37 + 11) & 0xFF);

    for (const Case& c : slow) {
        std::vector<double> ready;
        std::vector<double> thousand;
        for (int run = 0; run < 3; ++run) {
            auto started = Start(c);
            if (started->fd < 0) {
                std::printf("%s: the board did not start\n", c.name);
                return 1;
            }
            ready.push_back(started->seconds);
            thousand.push_back(Exchange(started->fd, pattern));
        }
        std::printf(
            "%s: start to ready median %.3f s (%.3f..%.3f); 1000 bytes echoed median %.3f s (%.3f..%.3f)\n",
            c.name, Median(ready), *std::min_element(ready.begin(), ready.end()),
            *std::max_element(ready.begin(), ready.end()), Median(thousand),
            *std::min_element(thousand.begin(), thousand.end()),
            *std::max_element(thousand.begin(), thousand.end()));
    }
    for (const Case& c : fast) {
        auto started = Start(c);
        if (started->fd < 0) {
            std::printf("%s: the board did not start\n", c.name);
            return 1;
        }
        Exchange(started->fd, "U");
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            times.push_back(Exchange(started->fd, "U"));
            std::this_thread::sleep_for(std::chrono::milliseconds(7));
        }
        std::printf("%s: one byte round trip median %.2f ms, worst %.2f ms\n", c.name, Median(times) * 1e3,
                    *std::max_element(times.begin(), times.end()) * 1e3);
    }
    SpeedAndEchoes(mcs51, mcs52, pattern);
    PrintLoad("at end");
    return 0;
}

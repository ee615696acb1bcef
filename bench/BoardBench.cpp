// The virtual board against the clock, for the 8051 (s51) and the ATmega16
// (the AVR runner), each running its wizard's serial code with an echo:
//   - start to ready: the wizard's code built, the simulator up, the port open;
//   - round trip of one byte at 115200 baud (median and worst of --rounds);
//   - 1,000 bytes at 9600 baud echoed (wire time 1.0417 s), median of 3.
// For comparison in the same run: the round trip of one byte through a bare
// pty pair with an echoing thread, the floor any board sits on.
//
//   board_bench [--rounds N]   (default 50)
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "board/BoardSession.h"
#include "wizards/avr/AvrUartWizard.h"
#include "wizards/c51/Mcu51CodeGen.h"
#include "wizards/c51/Mcu51Model.h"

namespace {

using Clock = std::chrono::steady_clock;
using viz::BoardChip;
using viz::BoardConfig;

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
};

int OpenRaw(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios line{};
    if (fd >= 0 && ::tcgetattr(fd, &line) == 0) {
        ::cfmakeraw(&line);
        ::tcsetattr(fd, TCSANOW, &line);
    }
    return fd;
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
    const char* path = std::getenv("PATH");
    config.search = viz::ToolSearch{path ? path : "/usr/bin:/bin", VIZ_AVRSIM_RUNNER};
    const Clock::time_point start = Clock::now();
    if (!started->board->Start(config)) return started;
    const std::string port = started->waiter->WaitReady();
    if (port.empty()) return started;
    started->fd = OpenRaw(port);
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
    const int fd = OpenRaw(pty.slave);
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) times.push_back(Exchange(fd, "U"));
    ::close(fd);
    stop.store(true);
    echo.join();
    ::close(pty.master);
    return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = static_cast<int>(bench::NumberOption(argc, argv, "--rounds", 50));
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
    PrintLoad("at end");
    return 0;
}

#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "board/BoardSession.h"
#include "wizards/ToolRunner.h"
#include "wizards/c51/Mcu51CodeGen.h"
#include "wizards/c51/Mcu51Model.h"
#include "wizards/c51/Mcu51Scenarios.h"

// Running virtual boards in tests: a listener that waits for the board's
// news, the far end of its serial port, and the echo programs.
namespace viz::testing {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class BoardRecorder : public BoardListener {
public:
    void OnOutput(const std::string& text) override {
        std::lock_guard lock(mutex_);
        output_ += text;
    }
    void OnSimulatorProcess(int) override {}
    void OnReady(const std::string& portPath) override {
        std::lock_guard lock(mutex_);
        port_ = portPath;
        changed_.notify_all();
    }
    void OnPhase(BoardPhase phase) override {
        std::lock_guard lock(mutex_);
        phases_.push_back(phase);
    }
    void OnEnded(const BoardOutcome& outcome) override {
        std::lock_guard lock(mutex_);
        ended_ = outcome;
        changed_.notify_all();
    }

    // The board's serial port once it is up; empty when it ended first or
    // took longer than `limit`.
    std::string WaitReady(std::chrono::milliseconds limit = 20s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [&] { return !port_.empty() || ended_; });
        return port_;
    }
    std::optional<BoardOutcome> WaitEnded(std::chrono::milliseconds limit = 20s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [&] { return ended_.has_value(); });
        return ended_;
    }
    std::string output() const {
        std::lock_guard lock(mutex_);
        return output_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string output_;
    std::string port_;
    std::vector<BoardPhase> phases_;
    std::optional<BoardOutcome> ended_;
};

// Where the board finds its programs in tests: PATH, and the runner built beside the tests.
inline ToolSearch TestToolSearch() {
    const char* path = std::getenv("PATH");
    return ToolSearch{path ? path : "/usr/bin:/bin", VIZ_AVRSIM_RUNNER, VIZ_S51WAKE};
}

// The board's port opened raw, as a terminal program would.
class BoardPort {
public:
    explicit BoardPort(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios line{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &line) == 0) {
            ::cfmakeraw(&line);
            ::tcsetattr(fd_, TCSANOW, &line);
        }
    }
    ~BoardPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    BoardPort(const BoardPort&) = delete;
    BoardPort& operator=(const BoardPort&) = delete;

    bool ok() const { return fd_ >= 0; }

    // Writes `sent` and reads until as many bytes came back or `limit` passed;
    // what came back and how long it took.
    std::string Exchange(const std::string& sent, std::chrono::milliseconds limit, double& seconds) {
        const Clock::time_point start = Clock::now();
        std::size_t written = 0;
        std::string received;
        while (received.size() < sent.size() && Clock::now() - start < limit) {
            if (written < sent.size()) {
                const ssize_t put = ::write(fd_, sent.data() + written, sent.size() - written);
                if (put > 0) written += static_cast<std::size_t>(put);
            }
            pollfd wait{fd_, POLLIN, 0};
            if (::poll(&wait, 1, 5) > 0) {
                char buffer[4096];
                const ssize_t got = ::read(fd_, buffer, sizeof buffer);
                if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
            }
        }
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return received;
    }

    // What came so far, kept by ReadSome and ReadUntil.
    const std::string& received() const { return received_; }
    // Adds what is there now to received(), without waiting.
    void ReadSome() {
        char buffer[256];
        for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;)
            received_.append(buffer, static_cast<std::size_t>(got));
    }
    // Reads until `text` has come `count` times in all, at most a minute; what came.
    const std::string& ReadUntil(const std::string& text, int count = 1) {
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
        while (Count(text) < count && Clock::now() < deadline) {
            pollfd wait{fd_, POLLIN, 0};
            if (::poll(&wait, 1, 100) > 0) ReadSome();
        }
        return received_;
    }
    bool Write(const std::string& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // How often `text` stands in received().
    int Count(const std::string& text) const {
        int found = 0;
        for (std::size_t at = received_.find(text); at != std::string::npos;
             at = received_.find(text, at + 1))
            ++found;
        return found;
    }

private:
    int fd_;
    std::string received_;
};

// 1,000 bytes with every value in them, not in order.
inline std::string EchoPattern() {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>((i * 37 + 11) & 0xFF);
    return bytes;
}

// Inserts `text` before the `nth` (from 0) occurrence of `marker`.
inline std::string InsertBefore(std::string code, const std::string& marker, const std::string& text,
                                int nth = 0) {
    std::size_t at = code.find(marker);
    for (int i = 0; i < nth && at != std::string::npos; ++i) at = code.find(marker, at + 1);
    if (at != std::string::npos) code.insert(at, text);
    return code;
}

// The C51 wizard's serial set-up (11.0592 MHz, 9600 baud, timer 1) with a
// few lines of echo code a user adds to it: received bytes go into a ring
// the main loop sends from, so a back-to-back stream never overruns.
inline std::string C51EchoProgram() {
    Mcu51Model model;
    SetUpSerialPort(model);
    std::string code = BuildMcu51Code(model, Mcu51Compiler::Sdcc);
    code = InsertBefore(code, "\r\n\r\nvoid main",
                        "\r\n__data unsigned char ring[64];\r\nvolatile unsigned char head, tail, busy;");
    code = InsertBefore(code, "//添加你的代码",
                        "if(!busy && tail!=head){busy=1; SBUF=ring[tail&63]; tail++;}\r\n    ");
    code = InsertBefore(code, "  if(RI)", "  if(TI){TI=0; busy=0;}\r\n");
    return InsertBefore(code, "//添加你的代码", "ring[head&63]=SBUF; head++;\r\n    ", 1);
}

// The same set-up with the echo a user writes into the receive interrupt:
// each byte is sent back as it arrives, so a byte that reaches the chip
// before the last answer left overwrites it.
inline std::string C51InterruptEchoProgram() {
    Mcu51Model model;
    SetUpSerialPort(model);
    return InsertBefore(BuildMcu51Code(model, Mcu51Compiler::Sdcc), "//添加你的代码", "SBUF=SBUF;\r\n    ",
                        1);
}

// An 8052 at 11.0592 MHz, 115200 baud from timer 2, echoing by polling.
inline std::string Polled8052Echo() {
    return "#include <8052.h>\n"
           "void main(void){ unsigned char c;\n"
           "  SCON=0x50; RCAP2H=0xFF; RCAP2L=0xFD; TH2=0xFF; TL2=0xFD; T2CON=0x34;\n"
           "  for(;;){ while(!RI); RI=0; c=SBUF; SBUF=c; while(!TI); TI=0; } }\n";
}

// Intel HEX of a firmware that jumps to 0x0020 and meets the undefined opcode 0xA5 at 0x0024.
inline std::string InvalidOpcodeHex() {
    return ":03000000020020DB\n:0600200000000000A50035\n:00000001FF\n";
}

inline bool HaveMcs51Tools() {
    return !FindOnPath("sdcc").empty() && !FindOnPath("s51").empty();
}
inline bool HaveAvrTools() {
    return !FindOnPath("avr-gcc").empty();
}

}  // namespace viz::testing

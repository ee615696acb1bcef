#pragma once

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "board/AvrSimProtocol.h"
#include "platform/ChildProcess.h"
#include "wizards/ToolRunner.h"

// The AVR runner started as the board starts it: its report lines, its own
// messages and its UART's pty, all read by the test.
namespace viz::testing {

// Builds tests/avrsim/data/<source> for `part` with `defines` into `dir`;
// the ELF file, or empty with the compiler's words in `log`.
inline std::filesystem::path BuildTestFirmware(const std::filesystem::path& dir, const std::string& source,
                                               const std::string& part, const std::string& defines,
                                               std::string& log) {
    const std::filesystem::path data = VIZ_AVRSIM_TEST_DATA;
    const std::filesystem::path elf =
        dir / (std::filesystem::path(source).stem().string() + "-" + part + ".elf");
    const CommandResult built =
        RunIn(dir, "avr-gcc -mmcu=" + part + " -Os -std=gnu99 " + defines + " -I'" + data.string() +
                       "' -o '" + elf.string() + "' '" + (data / source).string() + "'");
    log = built.output;
    return built.ok ? elf : std::filesystem::path();
}

class RunnerSession {
public:
    // With `memoryKiB`, the runner's address space is limited to that.
    RunnerSession(const std::filesystem::path& firmware, const std::string& part, std::uint32_t hz = 8000000,
                  unsigned memoryKiB = 0) {
        int report[2];
        int control[2];
        if (::pipe2(report, O_CLOEXEC) != 0) return;
        if (::pipe2(control, O_CLOEXEC) != 0) return;
        ChildSpec spec;
        spec.program = VIZ_AVRSIM_RUNNER;
        spec.arguments = {"--report-fd",    "3", "--control-fd", "4", "-m", part, "-f", std::to_string(hz),
                          firmware.string()};
        if (memoryKiB != 0) {
            spec.arguments.insert(spec.arguments.begin(),
                                  {"-c", "ulimit -v " + std::to_string(memoryKiB) + " && exec \"$0\" \"$@\"",
                                   spec.program.string()});
            spec.program = "/bin/sh";
        }
        spec.passDescriptors = {{report[1], 3}, {control[0], 4}};
        startError_ = runner_.Start(spec);
        ::close(report[1]);
        ::close(control[0]);
        report_ = report[0];
        control_ = control[1];
    }
    ~RunnerSession() {
        runner_.Kill();
        for (int fd : {report_, pty_, control_}) {
            if (fd >= 0) ::close(fd);
        }
    }
    RunnerSession(const RunnerSession&) = delete;
    RunnerSession& operator=(const RunnerSession&) = delete;

    int startError() const { return startError_; }

    // Reads until `done` holds or the runner ends (then once more), at most
    // a patience that only a hang exhausts; whether `done` held.
    bool Until(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (ended_ || std::chrono::steady_clock::now() > deadline) return done();
            Pump();
        }
        return true;
    }
    // The runner's end, once its output closed.
    ExitStatus End() {
        Until([] { return false; });
        return runner_.Wait();
    }

    // What the runner said on its report descriptor, as lines.
    std::vector<avrsim::Line> reports() const {
        std::vector<avrsim::Line> lines;
        std::size_t from = 0;
        for (std::size_t end; (end = reports_.find('\n', from)) != std::string::npos; from = end + 1) {
            if (auto line = avrsim::Parse(std::string_view(reports_).substr(from, end - from)))
                lines.push_back(*line);
        }
        return lines;
    }
    // The report descriptor's text as read so far.
    const std::string& reportText() const { return reports_; }
    bool ptyOpen() const { return pty_ >= 0; }
    const std::string& transcript() const { return transcript_; }
    const std::string& output() const { return output_; }
    void Send(const std::string& bytes) {
        [[maybe_unused]] const ssize_t put = ::write(pty_, bytes.data(), bytes.size());
    }
    // A command line to the runner, as the window sends it.
    void Command(const avrsim::Line& command) {
        const std::string line = avrsim::Format(command) + "\n";
        [[maybe_unused]] const ssize_t put = ::write(control_, line.data(), line.size());
    }

private:
    void Pump() {
        pollfd waits[3] = {{report_, POLLIN, 0}, {runner_.output(), POLLIN, 0}, {pty_, POLLIN, 0}};
        if (::poll(waits, 3, 100) <= 0) return;
        if (waits[0].revents != 0 && !ReadInto(report_, reports_)) {
            ::close(report_);
            report_ = -1;
        }
        if (waits[2].revents != 0 && !ReadInto(pty_, transcript_)) {
            ::close(pty_);
            pty_ = -1;
        }
        if (waits[1].revents != 0 && !ReadInto(runner_.output(), output_)) ended_ = true;
        if (pty_ < 0 && !ended_) OpenPty();
    }
    static bool ReadInto(int fd, std::string& text) {
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) text.append(buffer, static_cast<std::size_t>(got));
        return got > 0 || (got < 0 && errno == EAGAIN);
    }
    void OpenPty() {
        for (const avrsim::Line& line : reports()) {
            const auto* uart = std::get_if<avrsim::UartLine>(&line);
            if (!uart || opened_) continue;
            opened_ = true;
            pty_ = ::open(uart->path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            termios raw{};
            if (pty_ >= 0 && ::tcgetattr(pty_, &raw) == 0) {
                ::cfmakeraw(&raw);
                ::tcsetattr(pty_, TCSANOW, &raw);
            }
        }
    }

    ChildProcess runner_;
    int startError_ = -1;
    int report_ = -1;
    int control_ = -1;
    int pty_ = -1;
    bool opened_ = false;
    bool ended_ = false;
    std::string reports_;
    std::string output_;
    std::string transcript_;
};

}  // namespace viz::testing

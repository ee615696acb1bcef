// Downloads to the virtual board: the ATmega328P in its serial bootloader
// programmed by the real avrdude through the board's pty, as the download
// window does it, for a 2 KiB and a 16 KiB program:
//   - avrdude's time from its start to its end (write and verify), beside
//     the wire's own minimum for the program's bytes at 115200 baud, once
//     (written) and twice (written and read back);
//   - from avrdude's end to the first byte the new program prints.
// Median of --rounds downloads each; the board is reset before each.
//
//   flash_bench [--rounds N]   (default 3)
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "WorkDir.h"
#include "board/BoardSession.h"
#include "board/SerialBootloader.h"
#include "formats/IntelHex.h"
#include "platform/ProgramSearch.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kBaud = 115200;
constexpr double kBitsPerByte = 10;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
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
    void OnChipReset() override {
        std::lock_guard lock(mutex_);
        ++resets_;
        changed_.notify_all();
    }
    void OnEnded(const viz::BoardOutcome& outcome) override {
        std::lock_guard lock(mutex_);
        ended_ = true;
        message_ = outcome.message;
        changed_.notify_all();
    }
    std::string WaitReady() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(60), [&] { return !port_.empty() || ended_; });
        return port_;
    }
    bool WaitResets(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] {
            return resets_ >= count || ended_;
        }) && resets_ >= count;
    }
    void WaitEnded() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return ended_; });
    }
    std::string message() {
        std::lock_guard lock(mutex_);
        return message_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string port_;
    std::string message_;
    int resets_ = 0;
    bool ended_ = false;
};

// Runs `program` from PATH with `arguments` (no shell) to its end; its
// words, and whether it succeeded.
bool Run(const std::string& program, std::vector<std::string> arguments, std::string& words) {
    const char* path = std::getenv("PATH");
    viz::ChildSpec spec;
    spec.program = viz::FindOnPath(program, path ? path : "/usr/bin:/bin");
    spec.arguments = std::move(arguments);
    viz::ChildProcess child;
    if (child.Start(spec) != 0) return false;
    for (;;) {
        pollfd wait{child.output(), POLLIN, 0};
        if (::poll(&wait, 1, -1) < 0) continue;
        char buffer[4096];
        const ssize_t got = ::read(child.output(), buffer, sizeof buffer);
        if (got > 0) {
            words.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EAGAIN) {
            break;
        }
    }
    return child.Wait().Succeeded();
}

// The echo program with `pad` more bytes of program memory, as Intel HEX;
// its program bytes in `size`.
std::string BuildProgram(const std::filesystem::path& dir, int pad, std::uint64_t& size) {
    const std::string elf = (dir / ("echo" + std::to_string(pad) + ".elf")).string();
    const std::string hex = (dir / ("echo" + std::to_string(pad) + ".hex")).string();
    std::string words;
    if (!Run("avr-gcc",
             {"-mmcu=atmega328p", "-Os", "-std=gnu99", "-DPAD_BYTES=" + std::to_string(pad),
              "-I" VIZ_AVRSIM_TEST_DATA, "-o", elf, VIZ_AVRSIM_TEST_DATA "/echo.c"},
             words) ||
        !Run("avr-objcopy", {"-O", "ihex", "-R", ".eeprom", elf, hex}, words)) {
        std::fprintf(stderr, "cannot build the program: %s\n", words.c_str());
        std::exit(2);
    }
    std::FILE* file = std::fopen(hex.c_str(), "rb");
    std::string text;
    char buffer[4096];
    for (std::size_t got; file && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    if (file) std::fclose(file);
    viz::IntelHexReader reader(false);
    size = reader.Feed(text) && reader.Finish() ? reader.image().size() : 0;
    return hex;
}

struct Download {
    double seconds = -1;    // avrdude's start to its end
    double firstByte = -1;  // its end to the new program's first byte
};

Download Measure(viz::BoardSession& board, Waiter& waiter, int& resets, const std::string& port,
                 const std::string& hex) {
    Download download;
    if (!board.ResetChip() || !waiter.WaitResets(++resets)) return download;
    // Opened before avrdude starts and read only after it ended.
    const int reader = bench::OpenRaw(port);
    std::string words;
    const Clock::time_point start = Clock::now();
    const bool ok = Run(
        "avrdude",
        {"-c", "arduino", "-p", "m328p", "-P", port, "-b", "115200", "-U", "flash:w:" + hex + ":i"}, words);
    const Clock::time_point end = Clock::now();
    if (!ok || words.find("bytes of flash verified") == std::string::npos) {
        std::fprintf(stderr, "avrdude failed:\n%s\n", words.c_str());
        ::close(reader);
        return download;
    }
    download.seconds = std::chrono::duration<double>(end - start).count();
    pollfd wait{reader, POLLIN, 0};
    if (::poll(&wait, 1, 10000) > 0) download.firstByte = Since(end);
    char drain[256];
    while (::read(reader, drain, sizeof drain) > 0) {
    }
    ::close(reader);
    return download;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = static_cast<int>(std::max(1LL, bench::NumberOption(argc, argv, "--rounds", 3)));
    bench::WorkDir dir;
    Waiter waiter;
    viz::BoardSession board(waiter);
    viz::BoardConfig config;
    config.chip = *viz::BootloaderChipFrom({viz::BoardChip{
        viz::ChipFamily::Avr, "ATmega328P", "atmega328p", 32768, {"PORTB", "PORTC", "PORTD"}}});
    config.clockHz = 16000000;
    const char* path = std::getenv("PATH");
    config.search = viz::ToolSearch{path ? path : "/usr/bin:/bin", VIZ_AVRSIM_RUNNER, {}};
    if (!board.Start(config)) return 2;
    const std::string port = waiter.WaitReady();
    if (port.empty()) {
        std::fprintf(stderr, "the board did not start: %s\n", waiter.message().c_str());
        return 2;
    }
    std::printf(
        "virtual ATmega328P at 16 MHz with its serial bootloader, avrdude -c arduino -b 115200, median of "
        "%d\n",
        rounds);
    std::printf("%-10s %12s %14s %16s %12s %18s\n", "program", "bytes", "avrdude (s)", "wire min 1x (s)",
                "2x (s)", "end to output (ms)");
    int resets = 0;
    bool failed = false;
    // The program is 299 bytes without padding (with the padding's alignment):
    // 2 KiB and 16 KiB with it.
    for (const int pad : {2048 - 299, 16384 - 299}) {
        std::uint64_t size = 0;
        const std::string hex = BuildProgram(dir.path(), pad, size);
        std::vector<double> seconds;
        std::vector<double> firstBytes;
        for (int round = 0; round < rounds; ++round) {
            const Download download = Measure(board, waiter, resets, port, hex);
            failed = failed || download.seconds < 0 || download.firstByte < 0;
            seconds.push_back(download.seconds);
            firstBytes.push_back(download.firstByte * 1000);
        }
        const double wire = static_cast<double>(size) * kBitsPerByte / kBaud;
        std::printf("%-10s %12llu %14.3f %16.3f %12.3f %18.1f\n", size > 8192 ? "16 KiB" : "2 KiB",
                    static_cast<unsigned long long>(size), Median(seconds), wire, 2 * wire,
                    Median(firstBytes));
    }
    board.Stop();
    waiter.WaitEnded();
    return failed ? 1 : 0;
}

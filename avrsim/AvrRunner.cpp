#include "avrsim/AvrRunner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <avr_adc.h>
#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_core_decl.h>
#include <sim_elf.h>
}

#include "avrsim/Bootloader.h"
#include "avrsim/ControlInput.h"
#include "avrsim/PortPins.h"
#include "avrsim/ReportOut.h"
#include "avrsim/UartClock.h"
#include "board/AvrSimProtocol.h"
#include "board/BoardChip.h"
#include "board/ByteRelay.h"
#include "formats/AvrElf.h"
#include "formats/FirmwareCheck.h"
#include "formats/IntelHex.h"
#include "platform/PtyPort.h"

namespace viz::avrsim {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr std::string_view kPortLetters = "ABCDEFGHJKL";
// Simulated time between looks at the pty, the clock and the ports.
constexpr double kSliceSeconds = 0.001;
// Behind the clock by more than this (a busy machine), the time is let go.
constexpr double kMostBehind = 0.05;
constexpr std::size_t kRelayLimit = 64 * 1024;
// A chip held in reset for a downloader that never comes starts again after this.
constexpr std::chrono::seconds kLongestReset{10};
// The board's supply, the ADC's reference whichever the firmware chooses.
constexpr std::uint32_t kSupplyMillivolts = 5000;

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        done += static_cast<std::size_t>(put);
    }
}

void QuietLogger(avr_t*, const int level, const char* format, va_list arguments) {
    if (level <= LOG_ERROR) std::vfprintf(stderr, format, arguments);
}

void StderrLogger(avr_t*, const int level, const char* format, va_list arguments) {
    if (level <= LOG_WARNING) std::vfprintf(stderr, format, arguments);
}

// The simulator's own sleep would wait in real time; the run loop keeps
// the time itself.
void NoSleep(avr_t*, avr_cycle_count_t) {}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// An Intel HEX file as the firmware the ELF loader would have made of it.
bool ReadHex(const std::string& path, std::vector<std::uint8_t>& flash, elf_firmware_t& firmware) {
    IntelHexReader reader(false);
    if (!reader.Feed(ReadFile(path)) || !reader.Finish()) return false;
    reader.image().Emit([&](const std::uint8_t* data, std::size_t size) {
        flash.insert(flash.end(), data, data + size);
        return true;
    });
    firmware.flash = flash.data();
    firmware.flashsize = static_cast<std::uint32_t>(flash.size());
    firmware.flashbase = static_cast<std::uint32_t>(reader.image().firstAddress());
    return true;
}

// The firmware as the library's ELF loader can take it. Lock bits mean
// nothing to the simulation, so a file with lock bits and no fuses (which
// the loader would crash on) is read from a copy in memory whose lock
// section is renamed out of its way.
class LoadableElf {
public:
    explicit LoadableElf(const std::string& path) : path_(path) {
        std::string bytes = ReadFile(path);
        const std::size_t lockName = LockNameWithoutFuses(bytes);
        if (lockName == 0) return;
        bytes[lockName] = '_';
        copy_ = ::memfd_create("firmware", MFD_CLOEXEC);
        if (copy_ < 0) return;
        WriteAll(copy_, bytes);
        path_ = "/proc/self/fd/" + std::to_string(copy_);
    }
    ~LoadableElf() {
        if (copy_ >= 0) ::close(copy_);
    }
    LoadableElf(const LoadableElf&) = delete;
    LoadableElf& operator=(const LoadableElf&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    int copy_ = -1;
};

class Runner {
public:
    explicit Runner(const RunnerOptions& options)
        : options_(options), control_(options.controlFd), report_(options.reportFd) {}
    int Run();

private:
    bool Load();
    bool LoadApplication(std::uint32_t flashBytes);
    void Obey();
    bool HeldInReset();
    void ConnectUart();
    void SetAdc(const AdcLine& adc);
    void Report(const Line& line);
    void FeedUart();
    void Service();
    void Pace();

    static void UartOutput(avr_irq_t*, std::uint32_t value, void* self) {
        static_cast<Runner*>(self)->toPty_.Append(reinterpret_cast<const char*>(&value), 1);
    }
    static void UartXon(avr_irq_t*, std::uint32_t, void* self) {
        auto* runner = static_cast<Runner*>(self);
        runner->xon_ = true;
        runner->FeedUart();
    }
    static void UartXoff(avr_irq_t*, std::uint32_t, void* self) { static_cast<Runner*>(self)->xon_ = false; }

    const RunnerOptions& options_;
    ControlInput control_;
    ReportOut report_;
    avr_t* avr_ = nullptr;
    std::unique_ptr<PortPins> ports_;
    std::unique_ptr<UartClock> uartClock_;
    PtyPort pty_;
    ByteRelay toPty_{kRelayLimit};
    std::string fromPty_;
    avr_irq_t* uartInput_ = nullptr;
    bool xon_ = true;
    bool feeding_ = false;
    std::optional<Clock::time_point> resetUntil_;
    Clock::time_point start_;
    avr_cycle_count_t startCycle_ = 0;
    avr_cycle_count_t nextService_ = 0;
};

bool Runner::Load() {
    avr_ = avr_make_mcu_by_name(options_.core.c_str());
    if (!avr_) {
        std::fprintf(stderr, "duvezer-avrsim: unknown AVR part %s\n", options_.core.c_str());
        return false;
    }
    avr_init(avr_);
    avr_->frequency = options_.frequency;
    avr_->sleep = NoSleep;
    if (options_.bootloader.empty()) return LoadApplication(avr_->flashend + 1);
    if (!CanSelfProgram(avr_)) {
        std::fprintf(stderr, "duvezer-avrsim: %s cannot write its own flash: no bootloader can run on it\n",
                     options_.core.c_str());
        return false;
    }
    BootSection boot;
    if (const std::string problem =
            ReadBootloader(options_.bootloader, options_.core, avr_->flashend + 1, boot);
        !problem.empty()) {
        std::fprintf(stderr, "duvezer-avrsim: %s\n", problem.c_str());
        return false;
    }
    // The application ends where the boot section begins; without one the
    // bootloader finds the flash erased.
    if (!options_.firmware.empty() && !LoadApplication(boot.start)) return false;
    InstallBootloader(avr_, boot);
    return true;
}

// The firmware into the first `flashBytes` of the flash.
bool Runner::LoadApplication(std::uint32_t flashBytes) {
    const char* path = options_.firmware.c_str();
    // The window's own check first: the library's ELF loader trusts every
    // section header, and a HEX file is refused at its first record past
    // the flash, before any image of it is made.
    const FirmwareCheck check =
        CheckFirmware(options_.firmware, {true, AvrDisplayName(options_.core), flashBytes});
    if (!check.ok) {
        std::fprintf(stderr, "duvezer-avrsim: %s\n", check.problem.c_str());
        return false;
    }
    elf_firmware_t firmware{};
    std::vector<std::uint8_t> flash;
    if (check.kind == FirmwareKind::Elf) {
        const LoadableElf loadable(options_.firmware);
        if (elf_read_firmware(loadable.path().c_str(), &firmware) != 0) {
            std::fprintf(stderr, "duvezer-avrsim: cannot read ELF file %s\n", path);
            return false;
        }
    } else if (!ReadHex(options_.firmware, flash, firmware)) {
        std::fprintf(stderr, "duvezer-avrsim: cannot read Intel HEX file %s\n", path);
        return false;
    }
    if (firmware.flashbase + firmware.flashsize > flashBytes) {
        std::fprintf(stderr, "duvezer-avrsim: %s does not fit into the flash of %s\n", path,
                     options_.core.c_str());
        return false;
    }
    // The board's settings, not what the file may say.
    std::snprintf(firmware.mmcu, sizeof firmware.mmcu, "%s", options_.core.c_str());
    firmware.frequency = options_.frequency;
    avr_load_firmware(avr_, &firmware);
    return true;
}

void Runner::ConnectUart() {
    // Without these the UART would print lines itself and sleep on polls.
    std::uint32_t flags = 0;
    avr_ioctl(avr_, AVR_IOCTL_UART_GET_FLAGS('0'), &flags);
    flags &= ~static_cast<std::uint32_t>(AVR_UART_FLAG_STDIO | AVR_UART_FLAG_POLL_SLEEP);
    avr_ioctl(avr_, AVR_IOCTL_UART_SET_FLAGS('0'), &flags);
    uartInput_ = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    if (avr_irq_t* output = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT))
        avr_irq_register_notify(output, UartOutput, this);
    if (avr_irq_t* xon = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON))
        avr_irq_register_notify(xon, UartXon, this);
    if (avr_irq_t* xoff = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF))
        avr_irq_register_notify(xoff, UartXoff, this);
}

void Runner::SetAdc(const AdcLine& adc) {
    if (adc.channel > ADC_IRQ_ADC7) return;
    if (avr_irq_t* input = avr_io_getirq(avr_, AVR_IOCTL_ADC_GETIRQ, static_cast<int>(adc.channel)))
        avr_raise_irq(input, adc.millivolts);
}

void Runner::Report(const Line& line) {
    report_.Add(Format(line));
    report_.Add("\n");
}

// Raising the input may answer with XOFF at once. Bytes wait while the
// receiver is off (the firmware has not set it up yet), as s51 lets them wait.
void Runner::FeedUart() {
    if (feeding_ || !uartInput_ || !uartClock_->Receiving()) return;
    feeding_ = true;
    std::size_t fed = 0;
    while (xon_ && fed < fromPty_.size())
        avr_raise_irq(uartInput_, static_cast<std::uint8_t>(fromPty_[fed++]));
    fromPty_.erase(0, fed);
    feeding_ = false;
}

// The window's commands, between two slices of the chip's time. A chip with
// a bootloader is held in reset until the next byte for it arrives, as a downloader's DTR
// would let RESET go just before it speaks: a bootloader then meets the
// downloader within its short wait, however long the downloader took to
// start.
void Runner::Obey() {
    for (const Line& command : control_.Take()) {
        if (const auto* outside = std::get_if<OutsideLine>(&command))
            ports_->SetOutside(outside->port, outside->levels, outside->seenCycle);
        if (const auto* adc = std::get_if<AdcLine>(&command)) SetAdc(*adc);
        if (const auto* joins = std::get_if<JoinsLine>(&command)) ports_->SetJoins(joins->pairs);
        if (!std::holds_alternative<ResetLine>(command)) continue;
        ResetFromPin(avr_);
        // What was on its way to the chip is lost with the reset; its
        // receiver is off now, so what comes next waits for the bootloader.
        fromPty_.clear();
        xon_ = true;
        if (!options_.bootloader.empty()) resetUntil_ = Clock::now() + kLongestReset;
        Report(ResetLine{avr_->cycle});
        ports_->ReportAll();
    }
}

// While the chip is held in reset: waits for a byte, a command or the
// limit, and lets it go with the clock started afresh.
bool Runner::HeldInReset() {
    if (!resetUntil_) return false;
    Service();
    const Clock::time_point now = Clock::now();
    if (fromPty_.empty() && now < *resetUntil_) {
        const auto left = std::min<Clock::duration>(*resetUntil_ - now, std::chrono::milliseconds(500));
        const timespec wait{
            0, static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left).count())};
        pollfd inputs[2] = {{pty_.master(), POLLIN, 0}, {control_.fd(), POLLIN, 0}};
        ::ppoll(inputs, 2, &wait, nullptr);
        return true;
    }
    resetUntil_.reset();
    start_ = Clock::now();
    startCycle_ = avr_->cycle;
    return false;
}

void Runner::Service() {
    Obey();
    char buffer[4096];
    ssize_t got;
    while (fromPty_.size() < kRelayLimit && (got = ::read(pty_.master(), buffer, sizeof buffer)) > 0)
        fromPty_.append(buffer, static_cast<std::size_t>(got));
    uartClock_->Apply();
    FeedUart();
    toPty_.WriteTo(pty_.master());
    Report(TimeLine{avr_->cycle});
    report_.Flush();
}

// Simulated time against the clock: wait while ahead. Bytes from the
// serial page and the window's commands are taken in as they come, but the
// wait goes on: the window answers every report, and running on at each
// answer put the chip twice as fast as the clock.
void Runner::Pace() {
    const double simulated = static_cast<double>(avr_->cycle - startCycle_) / options_.frequency;
    const double elapsed = Seconds(Clock::now() - start_).count();
    if (simulated + kMostBehind < elapsed) {
        start_ += std::chrono::duration_cast<Clock::duration>(Seconds(elapsed - simulated - kMostBehind));
        return;
    }
    for (double ahead = simulated - elapsed; ahead > 0;
         ahead = simulated - Seconds(Clock::now() - start_).count()) {
        const timespec wait{0, static_cast<long>(std::min(ahead, 0.5) * 1e9)};
        pollfd inputs[2] = {{pty_.master(), POLLIN, 0}, {control_.fd(), POLLIN, 0}};
        if (::ppoll(inputs, 2, &wait, nullptr) > 0) Service();
    }
}

int Runner::Run() {
    if (!Load()) return 2;
    if (const int error = pty_.Open()) {
        std::fprintf(stderr, "duvezer-avrsim: cannot make a pseudo-terminal: %s\n", std::strerror(error));
        return 2;
    }
    avr_->vcc = avr_->avcc = avr_->aref = kSupplyMillivolts;
    ConnectUart();
    ports_ = std::make_unique<PortPins>(avr_, report_);
    uartClock_ = std::make_unique<UartClock>(avr_);
    Report(UartLine{pty_.path()});
    ports_->ReportAll();
    Service();

    const auto slice = static_cast<avr_cycle_count_t>(options_.frequency * kSliceSeconds);
    start_ = Clock::now();
    startCycle_ = avr_->cycle;
    nextService_ = avr_->cycle + slice;
    for (;;) {
        if (HeldInReset()) continue;
        const int state = avr_run(avr_);
        if (state == cpu_Done || state == cpu_Crashed) {
            Service();
            Report(EndLine{state == cpu_Done ? "done" : "crashed"});
            report_.Finish();
            return state == cpu_Done ? 0 : 1;
        }
        if (avr_->cycle < nextService_) continue;
        nextService_ = avr_->cycle + slice;
        Service();
        Pace();
    }
}

}  // namespace

// Each core is tried in a child process of its own: some cores of the
// library crash while they are set up (atmega16m1), and those are left out.
void ListParts(int reportFd) {
    avr_global_logger_set(QuietLogger);
    for (avr_kind_t** kind = avr_kind; *kind; ++kind) {
        const pid_t child = ::fork();
        if (child < 0) continue;
        if (child == 0) {
            const char* core = (*kind)->names[0];
            avr_t* avr = avr_make_mcu_by_name(core);
            if (!avr) ::_exit(1);
            avr_init(avr);
            PartLine part{core, avr->flashend + 1, ""};
            for (char letter : kPortLetters) {
                if (avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(letter), IOPORT_IRQ_PIN_ALL))
                    part.ports += letter;
            }
            WriteAll(reportFd, Format(part) + "\n");
            ::_exit(0);
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

int RunFirmware(const RunnerOptions& options) {
    avr_global_logger_set(StderrLogger);
    Runner runner(options);
    return runner.Run();
}

}  // namespace viz::avrsim

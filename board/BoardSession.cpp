#include "board/BoardSession.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "base/TextFill.h"
#include "board/AvrBoardRun.h"
#include "board/BoardTexts.h"
#include "board/FirmwareBuild.h"
#include "board/FirmwareCheck.h"
#include "board/S51Runner.h"
#include "board/SerialBootloader.h"
#include "platform/PtyPort.h"
#include "platform/WorkFolder.h"

namespace viz {
namespace {

namespace t = texts::board;

// The board's folder for built firmware, removed with it.

// Passes the simulator's news on and keeps its PID for the session.
class Relay : public BoardEvents {
public:
    Relay(BoardEvents& to, std::atomic<int>& pid) : to_(to), pid_(pid) {}
    void OnOutput(const std::string& text) override { to_.OnOutput(text); }
    void OnSimulatorProcess(int pid) override { pid_.store(pid); }
    void OnReady(const std::string& portPath) override { to_.OnReady(portPath); }
    void OnSpeed(double ratio) override { to_.OnSpeed(ratio); }
    void OnChipReset() override { to_.OnChipReset(); }
    void OnLearnBoardUnfed(int error) override { to_.OnLearnBoardUnfed(error); }

private:
    BoardEvents& to_;
    std::atomic<int>& pid_;
};

BoardOutcome Outcome(BoardOutcome::Kind kind, std::string message = {}) {
    return BoardOutcome{kind, std::move(message)};
}

// A build that did not make its file.
BoardOutcome BuildOutcome(const BuildResult& built, const BoardTools& tools) {
    switch (built.kind) {
        case BuildResult::Kind::Stopped:
            return Outcome(BoardOutcome::Kind::Stopped);
        case BuildResult::Kind::StartFailed:
            return Outcome(
                BoardOutcome::Kind::BuildFailed,
                FillText(t::kStartFailedWith, {tools.compiler.string(), std::strerror(built.error)}));
        default:
            return Outcome(BoardOutcome::Kind::BuildFailed);
    }
}

}  // namespace

BoardSession::BoardSession(BoardListener& listener) : listener_(listener) {}

BoardSession::~BoardSession() {
    Stop();
    if (thread_.joinable()) thread_.join();
    for (int fd : {stopFd_, resetFd_}) {
        if (fd >= 0) ::close(fd);
    }
}

bool BoardSession::Start(BoardConfig config) {
    if (running_.load()) return false;
    if (thread_.joinable()) thread_.join();
    for (int* fd : {&stopFd_, &resetFd_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    if (stopFd_ < 0 || resetFd_ < 0) return false;
    pins_.Reset(config.chip.ports);
    running_.store(true);
    try {
        thread_ = std::thread([this, config = std::move(config)] { Run(config); });
    } catch (const std::system_error&) {
        running_.store(false);
        return false;
    }
    return true;
}

void BoardSession::Stop() {
    if (stopFd_ < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t told = ::write(stopFd_, &one, sizeof one);
}

bool BoardSession::ResetChip() {
    if (!avrRunning_.load()) return false;
    const std::uint64_t one = 1;
    return ::write(resetFd_, &one, sizeof one) == sizeof one;
}

void BoardSession::Run(const BoardConfig& config) {
    // A simulator that dies leaves its pipes broken: a write to them must
    // fail with EPIPE, not end the program.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const bool build = config.wizardCode || config.file.extension() == ".c";
    const BoardTools tools = FindBoardTools(config.chip, build, config.search);
    BoardOutcome outcome;
    if (!tools.missing.empty() || tools.runnerMissing) {
        outcome = Outcome(BoardOutcome::Kind::ToolsMissing, DescribeMissing(tools));
    } else if (WorkFolder folder(kBoardWork); folder.path().empty()) {
        outcome = Outcome(BoardOutcome::Kind::StartFailed, std::strerror(errno));
    } else {
        outcome = Simulate(config, tools, folder.path());
    }
    simulatorPid_.store(0);
    running_.store(false);
    listener_.OnEnded(outcome);
}

BoardOutcome BoardSession::Simulate(const BoardConfig& config, const BoardTools& tools,
                                    const std::filesystem::path& folder) {
    std::filesystem::path firmware = config.file;
    // A chip with a serial bootloader may start without an application.
    const bool noApplication = config.chip.serialBootloader && !config.wizardCode && firmware.empty();
    if (!config.wizardCode && !noApplication) {
        const FirmwareCheck check = CheckFirmware(firmware, config.chip);
        if (!check.ok) return Outcome(BoardOutcome::Kind::BadFirmware, check.problem);
    }
    std::filesystem::path bootloader;
    if (config.chip.serialBootloader) {
        listener_.OnPhase(BoardPhase::Building);
        const BuildResult built = BuildBootloader(tools, config.clockHz, folder, stopFd_, listener_);
        if (built.kind != BuildResult::Kind::Built) return BuildOutcome(built, tools);
        bootloader = built.firmware;
    }
    if (config.wizardCode || firmware.extension() == ".c") {
        listener_.OnPhase(BoardPhase::Building);
        BuildRequest request{config.chip, config.clockHz, tools.compiler, folder, config.source, {}};
        if (!config.wizardCode) request.sourceFile = firmware;
        const BuildResult built = BuildFirmware(request, stopFd_, listener_);
        if (built.kind != BuildResult::Kind::Built) return BuildOutcome(built, tools);
        firmware = built.firmware;
        const FirmwareCheck check = CheckFirmware(firmware, config.chip);
        if (!check.ok) return Outcome(BoardOutcome::Kind::BadFirmware, check.problem);
    }

    listener_.OnPhase(BoardPhase::Starting);
    Relay relay(listener_, simulatorPid_);
    RunEnd end;
    if (config.chip.family == ChipFamily::Mcs51) {
        if (config.chip.simulatorName == "52") listener_.OnOutput(t::kTimer1On8052);
        PtyPort port;
        if (const int error = port.Open()) {
            return Outcome(BoardOutcome::Kind::StartFailed,
                           FillText(t::kStartFailedWith, {"pty", std::strerror(error)}));
        }
        const S51Setup setup{
            tools.simulator, tools.s51Wake, config.chip.simulatorName, config.clockHz, firmware, config.learn, folder};
        end = RunS51(setup, port, stopFd_, pins_, relay);
    } else {
        avrRunning_.store(true);
        end = RunAvr(
            AvrRunSetup{tools.simulator, config.chip, config.clockHz, firmware, bootloader, config.learn},
            stopFd_, resetFd_, pins_, relay);
        avrRunning_.store(false);
    }
    switch (end.kind) {
        case RunEnd::Kind::Stopped:
            return Outcome(BoardOutcome::Kind::Stopped);
        case RunEnd::Kind::StartFailed:
            return Outcome(
                BoardOutcome::Kind::StartFailed,
                FillText(t::kStartFailedWith, {tools.simulator.string(), std::strerror(end.error)}));
        case RunEnd::Kind::Halted:
            return Outcome(BoardOutcome::Kind::FirmwareHalted, FillText(t::kHaltedAt, {end.haltedAt}));
        case RunEnd::Kind::Exited:
            break;
    }
    return Outcome(BoardOutcome::Kind::SimulatorEnded,
                   FillText(t::kEndedWith, {DescribeExit(end.status)}) + "\n" + end.lastOutput);
}

}  // namespace viz

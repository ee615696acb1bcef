#include "flash/FlashSession.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/TextFill.h"
#include "platform/OutputTail.h"
#include "flash/AvrdudeLists.h"
#include "flash/FlashTexts.h"
#include "flash/ToolRun.h"
#include "platform/WorkFolder.h"
#include "serial/PortHolder.h"
#include "serial/SerialTexts.h"

namespace viz {
namespace {

namespace t = texts::flash;
using Clock = std::chrono::steady_clock;

// What is kept of the tool's output for the reason of a failure.
constexpr std::size_t kKeptOutput = 256 * 1024;
constexpr std::size_t kReasonLines = 6;

// The private copy of the firmware the tool reads, removed with the run.

FlashOutcome Refused(std::string message) {
    FlashOutcome outcome;
    outcome.kind = FlashOutcome::Kind::Refused;
    outcome.message = std::move(message);
    return outcome;
}

const char* Extension(FirmwareFormat format) {
    switch (format) {
        case FirmwareFormat::IntelHex:
            return "firmware.hex";
        case FirmwareFormat::Binary:
            return "firmware.bin";
        case FirmwareFormat::Elf:
            return "firmware.elf";
    }
    return "firmware.bin";
}

bool WriteCopy(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && out.flush();
}

// Another program holds the port when it has the common lock on it or the
// kernel's exclusive mode: tried by opening it without waiting and closing
// it again at once, as the serial page would open it.
std::string PortHolderText(const std::string& port) {
    int error = 0;
    const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
    } else {
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) error = errno;
        ::close(fd);
    }
    if (error != EBUSY && error != EWOULDBLOCK) return {};
    const std::optional<PortHolder> holder = FindPortHolder(port);
    if (!holder) return FillText(t::kPortBusy, {port, ""});
    // The serial page's own words for the holder ("%1", "%2").
    std::string named = texts::serial::kOpenBusyHolder;
    named.replace(named.find("%1"), 2, holder->name);
    named.replace(named.find("%2"), 2, std::to_string(holder->pid));
    return FillText(t::kPortBusy, {port, named});
}

// What the request lacks before anything is run.
std::string MissingChoice(const FlashJob& job) {
    const FlashRequest& request = job.request;
    if (UsesSerialPort(request.target) && request.port.empty()) return t::kNoPort;
    if (request.target != FlashTarget::StcIsp && request.part.empty()) return t::kNoPart;
    if (request.target == FlashTarget::AvrProgrammer && request.programmer.empty()) return t::kNoProgrammer;
    if (job.firmware.empty()) return t::kNoFile;
    if (request.fuses && !request.fuses->any()) return t::kNoFuseGiven;
    return {};
}

// How a run of the tool ended; `status` is null when it was cancelled.
FlashOutcome EndOfRun(FlashTarget target, const FlashProgress& progress, const std::string& output,
                      const ExitStatus* status) {
    FlashOutcome outcome;
    outcome.toolStarted = true;
    outcome.progress = progress;
    if (!status) {
        outcome.kind = FlashOutcome::Kind::Cancelled;
    } else if (status->Succeeded()) {
        outcome.kind = FlashOutcome::Kind::Succeeded;
    } else {
        outcome.kind = FlashOutcome::Kind::Failed;
        outcome.message = FailureReason(target, output, *status) + "\n" +
                          FillText(t::kLastLines, {LastLines(output, kReasonLines)});
    }
    return outcome;
}

}  // namespace

FlashSession::FlashSession(FlashEventSink sink) : sink_(std::move(sink)) {}

FlashSession::~FlashSession() {
    Cancel();
    Join();
    if (stopFd_ >= 0) ::close(stopFd_);
}

bool FlashSession::Start(FlashJob job) {
    if (running_.load()) return false;
    Join();
    if (stopFd_ >= 0) ::close(stopFd_);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) return false;
    running_.store(true);
    try {
        thread_ = std::thread([this, job = std::move(job)] { Run(job); });
    } catch (const std::system_error&) {
        running_.store(false);
        return false;
    }
    return true;
}

void FlashSession::Cancel() {
    if (stopFd_ >= 0) SignalStop(stopFd_);
}

void FlashSession::Join() {
    if (thread_.joinable()) thread_.join();
}

bool FlashSession::Tell(FlashEvent event) {
    return sink_(std::move(event));
}

void FlashSession::Run(const FlashJob& job) {
    // A tool that dies leaves its pipe broken; that must not end the program.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    std::filesystem::path tool;
    FlashFirmware firmware;
    std::optional<FlashOutcome> stopped = Prepare(job, tool, firmware);
    FlashOutcome outcome = stopped ? std::move(*stopped) : RunTool(job, tool, firmware);
    toolPid_.store(0);
    running_.store(false);
    FlashEvent ended;
    ended.kind = FlashEvent::Kind::Ended;
    ended.outcome = std::move(outcome);
    Tell(std::move(ended));
}

std::optional<FlashOutcome> FlashSession::Prepare(const FlashJob& job, std::filesystem::path& tool,
                                                  FlashFirmware& firmware) {
    const FlashTool kind = ToolFor(job.request.target);
    tool = FindOnPath(ToolProgram(kind), job.searchPath);
    if (tool.empty()) return Refused(MissingToolText(kind));
    if (std::string missing = MissingChoice(job); !missing.empty()) return Refused(std::move(missing));
    std::optional<std::uint64_t> flashBytes;
    if (kind == FlashTool::Avrdude) {
        const ToolCapture query = CaptureTool(tool, AvrdudePartQuery(job.request.part), stopFd_);
        if (query.stopped) {
            FlashOutcome cancelled;
            cancelled.kind = FlashOutcome::Kind::Cancelled;
            return cancelled;
        }
        flashBytes = ParseAvrdudeFlashSize(query.output);
    }
    firmware = CheckFlashFirmware(job.firmware, job.request.target, flashBytes, job.request.part);
    if (!firmware.ok) return Refused(firmware.problem);
    if (UsesSerialPort(job.request.target)) {
        if (std::string busy = PortHolderText(job.request.port); !busy.empty())
            return Refused(std::move(busy));
    }
    return std::nullopt;
}

FlashOutcome FlashSession::RunTool(const FlashJob& job, const std::filesystem::path& tool,
                                   const FlashFirmware& firmware) {
    WorkFolder folder(kFlashWork);
    const std::filesystem::path copy = folder.path() / Extension(firmware.format);
    if (folder.path().empty() || !WriteCopy(copy, firmware.bytes))
        return Refused(FillText(t::kNoTempFolder, {std::strerror(errno)}));
    ChildProcess child;
    const Clock::time_point started = Clock::now();
    const ChildSpec spec{tool, FlashArguments(job.request, copy, firmware.format), {}, false, {}, {}};
    if (const int error = child.Start(spec))
        return Refused(FillText(t::kStartFailed, {tool.string(), std::strerror(error)}));
    toolPid_.store(child.pid());

    FlashProgressParser parser(ToolFor(job.request.target));
    std::string output;
    std::string pending;
    Clock::time_point lastOutput = started;
    bool silenceTold = false;
    bool cancelled = false;
    char buffer[4096];
    for (;;) {
        const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastOutput);
        const int wait =
            silenceTold ? -1 : static_cast<int>(std::max<long long>(0, (job.silenceLimit - quiet).count()));
        pollfd fds[2] = {{child.output(), POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, wait);
        if (ready < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) {
            cancelled = true;
            break;
        }
        if (ready == 0) {
            silenceTold = true;
            FlashEvent silence;
            silence.kind = FlashEvent::Kind::Silence;
            silence.silentSeconds =
                std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - lastOutput).count();
            if (!Tell(std::move(silence))) cancelled = true;
            if (cancelled) break;
            continue;
        }
        const ssize_t got = ::read(child.output(), buffer, sizeof buffer);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (got <= 0) break;
        lastOutput = Clock::now();
        silenceTold = false;
        pending.append(buffer, static_cast<std::size_t>(got));
        std::string text = TakeWholeUtf8(pending);
        output += text;
        if (output.size() > kKeptOutput) output.erase(0, output.size() - kKeptOutput);
        const bool moved = parser.Feed(text);
        FlashEvent shown;
        shown.kind = FlashEvent::Kind::Output;
        shown.text = std::move(text);
        if (!Tell(std::move(shown))) {
            cancelled = true;
            break;
        }
        if (moved) {
            FlashEvent progress;
            progress.kind = FlashEvent::Kind::Progress;
            progress.progress = parser.state();
            Tell(std::move(progress));
        }
    }
    const ExitStatus status = cancelled ? child.Kill() : child.Wait();
    FlashOutcome outcome =
        EndOfRun(job.request.target, parser.state(), output, cancelled ? nullptr : &status);
    outcome.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    outcome.bytes = parser.state().bytesWritten.value_or(firmware.codeEnd);
    return outcome;
}

}  // namespace viz

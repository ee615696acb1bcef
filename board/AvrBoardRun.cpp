#include "board/AvrBoardRun.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "board/AvrLearnFeed.h"
#include "board/AvrSimProtocol.h"
#include "board/ByteRelay.h"
#include "platform/OutputTail.h"

namespace viz {
namespace {

constexpr int kReportFd = 3;
constexpr int kControlFd = 4;
constexpr std::size_t kControlLimit = 64 * 1024;

// Reads what `fd` has now into `text`; false at its end.
bool ReadInto(int fd, std::string& text) {
    char buffer[8192];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) text.append(buffer, static_cast<std::size_t>(got));
    return got > 0 || (got < 0 && (errno == EAGAIN || errno == EINTR));
}

// The runner's library colours its warnings for a terminal ("\x1b[31m");
// the output area shows text. An escape sequence cut by a read waits for
// the rest, unless it is longer than any colour code.
constexpr std::size_t kLongestCode = 32;

// Where the escape sequence at `escape` ends; npos while it is unfinished.
std::size_t EscapeEnd(const std::string& text, std::size_t escape) {
    if (escape + 1 >= text.size()) return std::string::npos;
    if (text[escape + 1] != '[') return escape + 2;
    for (std::size_t i = escape + 2; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x40 && byte <= 0x7E) return i + 1;
        if (byte < 0x20 || byte > 0x3F) return i;
    }
    return std::string::npos;
}

// The text of `pending` without escape sequences, up to an unfinished one,
// which stays in `pending`.
std::string TakeWithoutTerminalCodes(std::string& pending) {
    std::string text;
    std::size_t at = 0;
    while (at < pending.size()) {
        const std::size_t escape = pending.find('\x1b', at);
        if (escape == std::string::npos) {
            text.append(pending, at);
            at = pending.size();
            break;
        }
        text.append(pending, at, escape - at);
        const std::size_t end = EscapeEnd(pending, escape);
        if (end == std::string::npos && pending.size() - escape < kLongestCode) {
            at = escape;
            break;
        }
        at = end == std::string::npos ? escape + 1 : end;
    }
    pending.erase(0, at);
    return text;
}

class AvrSession {
public:
    AvrSession(const AvrRunSetup& setup, BoardPins& pins, BoardEvents& events)
        : setup_(setup), pins_(pins), events_(events) {
        if (setup_.learn) learn_ = std::make_unique<AvrLearnFeed>(*setup_.learn, setup_.clockHz);
    }
    ~AvrSession() {
        for (int fd : {report_, control_}) {
            if (fd >= 0) ::close(fd);
        }
    }
    AvrSession(const AvrSession&) = delete;
    AvrSession& operator=(const AvrSession&) = delete;

    RunEnd Run(int stopFd, int resetFd);

private:
    void StartRunner(int report, int control);
    void AskReset(int resetFd);
    void TakeReports();
    void TakePort(const avrsim::PortLine& port);
    void TakeOutput();
    RunEnd Exited();

    const AvrRunSetup& setup_;
    BoardPins& pins_;
    BoardEvents& events_;
    ChildProcess child_;
    int startError_ = 0;
    int report_ = -1;
    int control_ = -1;
    std::string reportText_;
    std::string outputText_;
    std::string codedText_;  // whole characters, escape sequences not yet taken out
    OutputTail tail_;
    std::unique_ptr<AvrLearnFeed> learn_;
    ByteRelay toRunner_{kControlLimit};  // the board's commands, whole lines
};

// The pin lamps show what a meter on the pins would: the chip's levels
// joined to what the board puts on them.
void AvrSession::TakePort(const avrsim::PortLine& port) {
    if (learn_) learn_->PortChanged(port.port, port.level, port.cycle);
    const std::string name = std::string("PORT") + port.port;
    const auto found = std::find(setup_.chip.ports.begin(), setup_.chip.ports.end(), name);
    if (found == setup_.chip.ports.end()) return;
    const std::uint8_t outside = learn_ ? learn_->Outside(port.port) : 0xFF;
    pins_.Set(static_cast<std::size_t>(found - setup_.chip.ports.begin()), port.level & outside,
              static_cast<double>(port.cycle) / setup_.clockHz);
}

// Lines are parsed in place and the text taken off once: a burst of port
// changes is thousands of lines.
void AvrSession::TakeReports() {
    std::optional<std::uint64_t> lastCycle;
    std::size_t from = 0;
    for (std::size_t end; (end = reportText_.find('\n', from)) != std::string::npos; from = end + 1) {
        const auto line = avrsim::Parse(std::string_view(reportText_).substr(from, end - from));
        if (!line) continue;
        if (const auto* uart = std::get_if<avrsim::UartLine>(&*line)) {
            events_.OnReady(uart->path);
        } else if (std::holds_alternative<avrsim::ResetLine>(*line)) {
            events_.OnChipReset();
        } else if (const auto* port = std::get_if<avrsim::PortLine>(&*line)) {
            TakePort(*port);
            lastCycle = port->cycle;
        } else if (const auto* time = std::get_if<avrsim::TimeLine>(&*line)) {
            lastCycle = time->cycle;
        }
    }
    reportText_.erase(0, from);
    if (!learn_ || !lastCycle) return;
    const std::string commands = learn_->Advance(*lastCycle);
    toRunner_.Append(commands.data(), commands.size());
    // What the pipe does not take now goes with the next batch, a slice later.
    toRunner_.WriteTo(control_);
}

void AvrSession::TakeOutput() {
    codedText_ += TakeWholeUtf8(outputText_);
    const std::string text = TakeWithoutTerminalCodes(codedText_);
    if (text.empty()) return;
    tail_.Add(text);
    events_.OnOutput(text);
}

RunEnd AvrSession::Exited() {
    RunEnd end;
    end.kind = RunEnd::Kind::Exited;
    end.status = child_.Wait();
    // What the runner still said belongs to the report of its end.
    char buffer[8192];
    ssize_t got;
    while ((got = ::read(report_, buffer, sizeof buffer)) > 0)
        reportText_.append(buffer, static_cast<std::size_t>(got));
    TakeReports();
    codedText_ += outputText_;
    // An escape sequence the runner never finished is no text either.
    if (const std::string text = TakeWithoutTerminalCodes(codedText_); !text.empty()) {
        tail_.Add(text);
        events_.OnOutput(text);
    }
    end.lastOutput = tail_.Text();
    return end;
}

void AvrSession::StartRunner(int report, int control) {
    ChildSpec spec;
    spec.program = setup_.runner;
    spec.arguments = {
        "--report-fd", std::to_string(kReportFd), "--control-fd", std::to_string(kControlFd),
        "-m",          setup_.chip.simulatorName, "-f",           std::to_string(setup_.clockHz)};
    if (!setup_.bootloader.empty())
        spec.arguments.insert(spec.arguments.end(), {"--bootloader", setup_.bootloader.string()});
    if (!setup_.firmware.empty()) spec.arguments.push_back(setup_.firmware.string());
    spec.passDescriptors = {{report, kReportFd}, {control, kControlFd}};
    startError_ = child_.Start(spec);
}

// One "reset" per request; requests made at once are one reset.
void AvrSession::AskReset(int resetFd) {
    std::uint64_t count = 0;
    if (::read(resetFd, &count, sizeof count) != sizeof count || count == 0) return;
    const std::string line = std::string(avrsim::kResetCommand) + "\n";
    // Never blocks: a runner too busy to read has a reset waiting already.
    toRunner_.Append(line.data(), line.size());
    toRunner_.WriteTo(control_);
}

RunEnd AvrSession::Run(int stopFd, int resetFd) {
    int report[2];
    int control[2];
    RunEnd failed;
    failed.kind = RunEnd::Kind::StartFailed;
    if (::pipe2(report, O_CLOEXEC) != 0) {
        failed.error = errno;
        return failed;
    }
    if (::pipe2(control, O_CLOEXEC) != 0) {
        failed.error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return failed;
    }
    StartRunner(report[1], control[0]);
    ::close(report[1]);
    ::close(control[0]);
    report_ = report[0];
    control_ = control[1];
    if (startError_ != 0) {
        failed.error = startError_;
        return failed;
    }
    events_.OnSimulatorProcess(child_.pid());
    ::fcntl(report_, F_SETFL, O_NONBLOCK);
    ::fcntl(control_, F_SETFL, O_NONBLOCK);
    bool reportOpen = true;
    for (;;) {
        pollfd waits[4] = {{stopFd, POLLIN, 0},
                           {child_.output(), POLLIN, 0},
                           {reportOpen ? report_ : -1, POLLIN, 0},
                           {resetFd, POLLIN, 0}};
        if (::poll(waits, 4, -1) < 0 && errno != EINTR) break;
        if (waits[0].revents != 0) break;
        if (waits[3].revents != 0) AskReset(resetFd);
        if (waits[2].revents != 0) {
            reportOpen = ReadInto(report_, reportText_);
            TakeReports();
        }
        if (waits[1].revents != 0) {
            if (!ReadInto(child_.output(), outputText_)) return Exited();
            TakeOutput();
        }
    }
    RunEnd end;
    end.kind = RunEnd::Kind::Stopped;
    end.status = child_.Kill();
    return end;
}

}  // namespace

RunEnd RunAvr(const AvrRunSetup& setup, int stopFd, int resetFd, BoardPins& pins, BoardEvents& events) {
    AvrSession session(setup, pins, events);
    return session.Run(stopFd, resetFd);
}

std::vector<BoardChip> ListAvrParts(const std::filesystem::path& runner) {
    ChildSpec spec;
    spec.program = runner;
    spec.arguments = {"--list"};
    ChildProcess child;
    if (child.Start(spec) != 0) return {};
    std::string listing;
    for (;;) {
        pollfd wait{child.output(), POLLIN, 0};
        if (::poll(&wait, 1, -1) < 0 && errno != EINTR) break;
        if (!ReadInto(child.output(), listing)) break;
    }
    if (!child.Wait().Succeeded()) return {};
    return avrsim::PartsFromListing(listing);
}

}  // namespace viz

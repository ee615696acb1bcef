#include "board/S51Runner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "board/ByteRelay.h"
#include "board/S51Console.h"
#include "board/S51LearnFeed.h"
#include "board/S51Uart.h"
#include "board/SimSpeed.h"
#include "platform/OutputTail.h"

namespace viz {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// Simulated time one step covers: short enough that the pins are read often
// and a byte waits little, long enough that the console's talk (a register
// dump a few characters at a time) costs little.
constexpr double kStepSeconds = 0.01;
// Steps sent and not answered: one running, one waiting in the console's pipe.
constexpr std::size_t kStepsAhead = 2;
// A simulation this far behind the clock (a busy machine) does not race to
// catch up; the time is let go instead. Less than this (s51's console
// checks and naps cost 100 ms now and then) is caught up.
constexpr double kMostBehind = 0.15;
// Catching up goes in steps of at most this, so the pins are still read often.
constexpr double kLongestStep = 0.03;
// Ahead by less than this is not worth a stop.
constexpr double kLeastAhead = 0.0005;
// s51 idles in 100 ms naps; silence much longer means the steps were dropped.
constexpr auto kSilenceLimit = std::chrono::milliseconds(300);
// s51 writes its console a few characters at a time; a pause lets them gather.
constexpr auto kGatherPause = std::chrono::microseconds(300);
// Bytes held for a side that does not read now.
constexpr std::size_t kRelayLimit = 64 * 1024;
// Simulated time s51 keeps looking at its serial input after the last byte
// given to it fell due.
constexpr double kFeedTail = 0.1;
// While what the learning board drives follows the chip's own levels (the
// LCD answering a read, a keypad key held), steps of this many
// instructions: s51 takes the board's levels only between steps (after the
// one queued behind the step answered: with none queued s51 naps 100 ms),
// and a stale answer (a "not busy" read again, a column still low after the
// scan moved to the next row) would mislead the firmware. Lines the
// firmware lets settle for some instructions, as scanning code does, read right.
// The LCD's answer must go within the few instructions between one poll's
// end and the next poll; a keypad scan leaves the lines longer. Firmware
// that waits on the LCD's busy flag polls again after its next transfer: a
// poll that starts within a long step reads the stale "busy" to the step's
// end, and every LCD instruction would last a whole step. 700 instructions
// (0.76 ms at 11.0592 MHz) keep a firmware rewriting the LCD without pause
// in real time at a third of a core; 100 would bring its LCD instructions
// nearer their 37 us but fall to 0.4 of real time.
constexpr std::uint64_t kLcdAnswerInstructions = 3;
constexpr std::uint64_t kScanAnswerInstructions = 24;
constexpr std::uint64_t kLcdTalkInstructions = 700;
// How often the window hears the simulation's speed.
constexpr auto kSpeedEvery = std::chrono::milliseconds(500);

// Bytes in a pipe not read yet.
int PipeHolds(int fd) {
    int held = 0;
    return ::ioctl(fd, FIONREAD, &held) == 0 ? held : 0;
}

class S51Session {
public:
    S51Session(const S51Setup& setup, PtyPort& port, int stopFd, BoardPins& pins, BoardEvents& events)
        : setup_(setup), port_(port), stopFd_(stopFd), pins_(pins), events_(events) {
        if (setup.learn) learn_ = std::make_unique<S51LearnFeed>(*setup.learn);
    }
    ~S51Session() {
        for (int fd : {serialIn_, serialOut_}) {
            if (fd >= 0) ::close(fd);
        }
    }
    S51Session(const S51Session&) = delete;
    S51Session& operator=(const S51Session&) = delete;

    RunEnd Run();

private:
    int Start();
    void QueueSteps();
    void TakeReplies();
    void Started(std::string_view text);
    void Stepped(std::string_view text);
    void Ported(std::string_view text);
    void Halted(const s51::StepReply& step);
    void FeedChip();
    void TellSpeed();
    void FeedLearningBoard();
    void Pace();
    void SendCommands();
    void Resume(Clock::time_point now);
    int Timeout() const;
    RunEnd Exited();
    RunEnd Halt();

    const S51Setup& setup_;
    PtyPort& port_;
    const int stopFd_;
    BoardPins& pins_;
    BoardEvents& events_;

    ChildProcess child_;
    int serialIn_ = -1;   // we write what the chip receives
    int serialOut_ = -1;  // we read what the chip sends
    ByteRelay toChip_{kRelayLimit};
    ByteRelay toPage_{kRelayLimit};
    std::string consoleText_;
    std::string commands_;
    OutputTail tail_;

    bool started_ = false;
    // Instructions of the steps sent and not answered, oldest first.
    std::deque<std::uint64_t> steps_;
    double ticksPerInstruction_ = 12;
    std::uint64_t ticks_ = 0;
    Clock::time_point start_;
    Clock::time_point lastReply_;
    bool held_ = false;
    Clock::time_point resumeAt_;

    // The registers read after every step, and the serial port's frame time
    // they give (0 while the chip takes no byte).
    const std::vector<std::uint8_t> registers_ = s51::StepRegisters(setup_.cpu != "51");
    std::uint64_t frameClocks_ = 0;
    // Simulated time at which the next received byte may go to the chip.
    std::uint64_t nextByteTicks_ = 0;
    // s51's look at its serial input on every cycle, as last asked.
    std::optional<bool> checking_;
    std::optional<std::string> haltedAt_;

    // The learning board's feed, when the board has one.
    std::unique_ptr<S51LearnFeed> learn_;

    SimSpeed speed_;
    Clock::time_point runStart_;
    Clock::time_point lastSpeed_;
};

int S51Session::Start() {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return errno;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(in[0]);
        ::close(in[1]);
        return error;
    }
    ChildSpec spec;
    spec.program = setup_.program;
    spec.arguments = {"-P",
                      "-b",
                      "-t",
                      setup_.cpu,
                      "-X",
                      std::to_string(setup_.crystalHz),
                      "-S",
                      "in=/dev/fd/3,out=/dev/fd/4",
                      setup_.firmware.string()};
    spec.pipeInput = true;
    spec.passDescriptors = {{in[0], 3}, {out[1], 4}};
    if (!setup_.wake.empty()) {
        const char* preloaded = std::getenv("LD_PRELOAD");
        spec.environment = {"LD_PRELOAD=" + setup_.wake.string() +
                            (preloaded && *preloaded ? std::string(":") + preloaded : std::string())};
    }
    const int error = child_.Start(spec);
    if (error == 0) events_.OnSimulatorProcess(child_.pid());
    ::close(in[0]);
    ::close(out[1]);
    serialIn_ = in[1];
    serialOut_ = out[0];
    ::fcntl(serialIn_, F_SETFL, O_NONBLOCK);
    ::fcntl(serialOut_, F_SETFL, O_NONBLOCK);
    return error;
}

// A step covers the time s51 is behind the clock (a busy machine answers
// late), at least the usual short step. s51 looks at its serial input on
// every cycle only while bytes are on their way to the chip: that look is a
// system call per cycle, which made an idle line cost ten times the chip.
void S51Session::QueueSteps() {
    const ReadAnswer answer = learn_ ? learn_->answering() : ReadAnswer::None;
    while (started_ && !haltedAt_ && steps_.size() < kStepsAhead) {
        const double behind =
            Seconds(Clock::now() - start_).count() - static_cast<double>(ticks_) / setup_.crystalHz;
        const double seconds = std::clamp(behind, kStepSeconds, kLongestStep);
        const auto instructions =
            answer == ReadAnswer::Lcd          ? kLcdAnswerInstructions
            : answer == ReadAnswer::KeypadScan ? kScanAnswerInstructions
            : answer == ReadAnswer::LcdTalk
                ? kLcdTalkInstructions
                : std::max<std::uint64_t>(
                      1, static_cast<std::uint64_t>(seconds * setup_.crystalHz / ticksPerInstruction_));
        // s51 reads the pipe ahead into a buffer of its own: the look stays
        // on until the last byte given is well past due, or the bytes it
        // holds would trickle in at one a step.
        const bool check = !toChip_.empty() || PipeHolds(serialIn_) > 0 ||
                           ticks_ < nextByteTicks_ + static_cast<std::uint64_t>(kFeedTail * setup_.crystalHz);
        if (checking_ != check) {
            commands_ += s51::CheckSerialInputCommand(check);
            checking_ = check;
        }
        // One write: s51 reads the step and its register read together, so
        // the read cannot be dropped while the step runs.
        commands_ += s51::StepCommand(instructions, registers_);
        steps_.push_back(instructions);
    }
}

// Received bytes go to the chip one frame apart in simulated time, as a
// wire brings them, by the frame time the chip's registers set; a pipe
// handed everything at once would let s51 take a stream as fast as it
// likes. While the receiver is off they wait.
void S51Session::FeedChip() {
    if (frameClocks_ == 0 || toChip_.empty()) return;
    nextByteTicks_ = std::max(nextByteTicks_, ticks_);
    // The bytes due while the steps sent run (longer ones while catching
    // up); s51's receiver takes each a whole frame and waits for the
    // firmware to read the last, so they cannot reach the firmware faster.
    double ahead = 0;
    for (std::uint64_t instructions : steps_)
        ahead += static_cast<double>(instructions) * ticksPerInstruction_;
    const auto horizon = ticks_ + static_cast<std::uint64_t>(ahead);
    while (nextByteTicks_ <= horizon && !toChip_.empty()) {
        if (toChip_.WriteAtMost(serialIn_, 1) == 0) return;
        nextByteTicks_ += frameClocks_;
    }
}

void S51Session::Started(std::string_view text) {
    if (const std::string shown = s51::StartupText(text); !shown.empty()) {
        tail_.Add(shown);
        events_.OnOutput(shown);
    }
    events_.OnReady(port_.path());
    start_ = Clock::now();
    runStart_ = start_;
    lastSpeed_ = start_;
    started_ = true;
}

void S51Session::Stepped(std::string_view text) {
    const s51::StepReply step = s51::ParseStep(text);
    if (!step.text.empty()) {
        tail_.Add(step.text);
        events_.OnOutput(step.text);
    }
    ticks_ += step.ticks;
    if (step.haltedAt) {
        Halted(step);
        return;
    }
    if (step.interrupted) {
        // The steps waiting behind it were dropped, and with them a change
        // of the serial input check or of the board's levels: send them again.
        steps_.clear();
        checking_.reset();
        if (learn_) learn_->CommandsDropped();
        return;
    }
    if (steps_.empty()) return;
    const double measured = static_cast<double>(step.ticks) / static_cast<double>(steps_.front());
    steps_.pop_front();
    if (step.ticks > 0)
        ticksPerInstruction_ = std::clamp(0.7 * ticksPerInstruction_ + 0.3 * measured, 1.0, 1000.0);
}

// A firmware that stopped by itself stays stopped: the run ends with it,
// said once, instead of stepping the same stop again and again.
void S51Session::Halted(const s51::StepReply& step) {
    haltedAt_ = step.haltedAt;
    steps_.clear();
    commands_.clear();
}

void S51Session::Ported(std::string_view text) {
    const double seconds = static_cast<double>(ticks_) / setup_.crystalHz;
    const auto ports = s51::ParsePorts(text);
    for (std::size_t port = 0; port < ports.size(); ++port) {
        if (ports[port]) pins_.Set(port, *ports[port], seconds);
    }
    frameClocks_ = FrameClocks(s51::UartRegisters(s51::ParseRegisters(text)));
}

// The port writes of the steps answered so far go to the learning board,
// and what it now drives goes to s51 ahead of the steps still to be sent.
void S51Session::FeedLearningBoard() {
    if (!learn_) return;
    learn_->Drain();
    const double seconds = static_cast<double>(ticks_) / setup_.crystalHz;
    commands_ += learn_->Advance(static_cast<SimNanos>(seconds * 1e9));
}

void S51Session::TellSpeed() {
    const Clock::time_point now = Clock::now();
    speed_.Add(Seconds(now - runStart_).count(), static_cast<double>(ticks_) / setup_.crystalHz);
    if (now - lastSpeed_ < kSpeedEvery) return;
    lastSpeed_ = now;
    events_.OnSpeed(speed_.ratio());
}

void S51Session::TakeReplies() {
    std::size_t end;
    bool any = false;
    while ((end = consoleText_.find('\0')) != std::string::npos) {
        const std::string reply = consoleText_.substr(0, end);
        consoleText_.erase(0, end + 1);
        any = true;
        if (!started_) {
            Started(reply);
            continue;
        }
        switch (s51::Classify(reply)) {
            case s51::ReplyKind::Step:
                Stepped(reply);
                break;
            case s51::ReplyKind::Ports:
                Ported(reply);
                break;
            case s51::ReplyKind::Other:
                break;
        }
    }
    if (!any || haltedAt_) return;
    lastReply_ = Clock::now();
    FeedLearningBoard();
    // The bytes due go in with the step just queued counted: fed only up
    // to the end of the step already waiting, the chip ran out of bytes
    // before every reply and a stream lost most of a frame per step.
    QueueSteps();
    FeedChip();
    TellSpeed();
    Pace();
}

// Simulated time against the clock: hold s51 while it is ahead.
void S51Session::Pace() {
    const Clock::time_point now = Clock::now();
    const double simulated = static_cast<double>(ticks_) / setup_.crystalHz;
    const double elapsed = Seconds(now - start_).count();
    if (simulated + kMostBehind < elapsed) {
        start_ += std::chrono::duration_cast<Clock::duration>(Seconds(elapsed - simulated - kMostBehind));
        return;
    }
    if (held_ || simulated - elapsed < kLeastAhead) return;
    if (::kill(child_.pid(), SIGSTOP) != 0) return;
    held_ = true;
    resumeAt_ = now + std::chrono::duration_cast<Clock::duration>(Seconds(simulated - elapsed));
}

void S51Session::Resume(Clock::time_point now) {
    ::kill(child_.pid(), SIGCONT);
    held_ = false;
    lastReply_ = now;
}

void S51Session::SendCommands() {
    if (commands_.empty()) return;
    const ssize_t put = ::write(child_.input(), commands_.data(), commands_.size());
    if (put > 0) commands_.erase(0, static_cast<std::size_t>(put));
}

int S51Session::Timeout() const {
    const Clock::time_point now = Clock::now();
    const Clock::time_point wake = held_ ? resumeAt_ : lastReply_ + kSilenceLimit;
    if (!held_ && steps_.empty()) return -1;
    return static_cast<int>(
        std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(wake - now).count()));
}

RunEnd S51Session::Halt() {
    if (held_) ::kill(child_.pid(), SIGCONT);
    RunEnd end;
    end.kind = RunEnd::Kind::Halted;
    end.haltedAt = *haltedAt_;
    end.lastOutput = tail_.Text();
    end.status = child_.Kill();
    return end;
}

RunEnd S51Session::Exited() {
    if (held_) ::kill(child_.pid(), SIGCONT);
    // What s51 said after its last prompt, without a register dump.
    tail_.Add(s51::ParseStep(consoleText_).text);
    RunEnd end;
    end.kind = RunEnd::Kind::Exited;
    end.status = child_.Wait();
    end.lastOutput = tail_.Text();
    return end;
}

RunEnd S51Session::Run() {
    if (const int error = Start()) {
        RunEnd end;
        end.kind = RunEnd::Kind::StartFailed;
        end.error = error;
        return end;
    }
    commands_ = s51::kSetUp;
    if (learn_) {
        const std::string dump = learn_->Open(setup_.folder);
        commands_ += dump;
        // Without its FIFO the chip still runs, and the window says the board is not fed.
        if (dump.empty()) {
            events_.OnLearnBoardUnfed(learn_->error());
            learn_.reset();
        }
    }
    lastReply_ = Clock::now();
    const int master = port_.master();
    for (;;) {
        pollfd waits[6] = {
            {stopFd_, POLLIN, 0},
            {child_.output(), POLLIN, 0},
            {child_.input(), static_cast<short>(commands_.empty() ? 0 : POLLOUT), 0},
            {serialOut_, static_cast<short>(toPage_.full() ? 0 : POLLIN), 0},
            {master, static_cast<short>((toChip_.full() ? 0 : POLLIN) | (toPage_.empty() ? 0 : POLLOUT)), 0},
            // Read while s51 runs too: a full FIFO would hold s51 mid-step.
            {learn_ ? learn_->fd() : -1, POLLIN, 0},
        };
        if (::poll(waits, 6, Timeout()) < 0 && errno != EINTR) break;
        if (waits[5].revents != 0) learn_->Drain();
        if (waits[0].revents != 0) break;
        const Clock::time_point now = Clock::now();
        if (held_ && now >= resumeAt_) {
            Resume(now);
        } else if (!held_ && !steps_.empty() && now - lastReply_ >= kSilenceLimit) {
            steps_.clear();
            QueueSteps();
        }
        if (waits[1].revents != 0) {
            char buffer[16384];
            const ssize_t got = ::read(child_.output(), buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) return Exited();
            if (got > 0) {
                consoleText_.append(buffer, static_cast<std::size_t>(got));
                TakeReplies();
                if (haltedAt_) return Halt();
                // The next steps go before the pause: s51 that finds its
                // console empty after a step naps 100 ms.
                SendCommands();
                // Short steps are answered at once, or s51 runs dry and naps.
                const bool shortSteps = learn_ && learn_->answering() != ReadAnswer::None;
                if (!shortSteps && consoleText_.find('\0') == std::string::npos && waits[4].revents == 0)
                    std::this_thread::sleep_for(kGatherPause);
            }
        }
        SendCommands();
        if (waits[3].revents != 0 && !toPage_.ReadFrom(serialOut_)) return Exited();
        // A byte on an idle line goes in at once: s51 takes it when the
        // running step ends at the latest. It also ends a hold, so the
        // firmware answers now rather than when the clock has caught up
        // (s51 gets ahead by the steps queued at most); a stream's later
        // bytes leave the pacing alone.
        if (waits[4].revents & POLLIN) {
            const bool idleLine = toChip_.empty() && PipeHolds(serialIn_) == 0 && ticks_ >= nextByteTicks_;
            if (toChip_.ReadFrom(master)) {
                FeedChip();
                if (idleLine && held_) Resume(Clock::now());
            }
        }
        toPage_.WriteTo(master);
    }
    RunEnd end;
    end.kind = RunEnd::Kind::Stopped;
    end.status = child_.Kill();
    return end;
}

}  // namespace

RunEnd RunS51(const S51Setup& setup, PtyPort& port, int stopFd, BoardPins& pins, BoardEvents& events) {
    S51Session session(setup, port, stopFd, pins, events);
    return session.Run();
}

}  // namespace viz

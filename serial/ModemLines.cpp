#include "serial/ModemLines.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace viz {
namespace {

// How often the lines are read when the driver cannot wait for a change.
constexpr int kPollIntervalMs = 10;

// TIOCMIWAIT sleeps in the kernel until a line changes, and only a signal ends
// it early. Interrupt therefore kicks the waiting thread with this signal,
// whose handler does nothing; installed without SA_RESTART, the wait returns
// EINTR.
int KickSignal() {
    return SIGRTMIN + 4;
}

void InstallKickHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(KickSignal(), &action, nullptr);
    });
}

void UnblockKickSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, KickSignal());
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

// The driver has no modem lines or cannot wait for them; asking again will not help.
bool IsUnsupported(int error) {
    return error == ENOTTY || error == EINVAL;
}
// The device went away under the descriptor.
bool IsGone(int error) {
    return error == EIO || error == ENODEV || error == ENXIO;
}

class TermiosModemLines final : public ModemLines {
public:
    explicit TermiosModemLines(int fd) : fd_(fd), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        InstallKickHandler();
    }
    ~TermiosModemLines() override {
        if (wakeFd_ >= 0) ::close(wakeFd_);
    }
    TermiosModemLines(const TermiosModemLines&) = delete;
    TermiosModemLines& operator=(const TermiosModemLines&) = delete;

    LineRead ReadInputs() override {
        int bits = 0;
        if (::ioctl(fd_, TIOCMGET, &bits) != 0) {
            const int error = errno;
            if (IsUnsupported(error) || IsGone(error)) watchable_ = false;
            return {0, error};
        }
        LineRead read;
        if (bits & TIOCM_CTS) read.lines |= kLineCts;
        if (bits & TIOCM_DSR) read.lines |= kLineDsr;
        if (bits & TIOCM_RNG) read.lines |= kLineRing;
        if (bits & TIOCM_CD) read.lines |= kLineRlsd;
        return read;
    }

    bool SetOutputs(std::uint32_t lines, bool on) override {
        int bits = 0;
        if (lines & kLineDtr) bits |= TIOCM_DTR;
        if (lines & kLineRts) bits |= TIOCM_RTS;
        return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
    }

    bool SetBreak(bool on) override { return ::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0; }

    bool WaitForChange() override {
        if (stop_.load() || !watchable_) return false;
        if (canWait_) {
            UnblockKickSignal();
            waiter_ = ::pthread_self();
            waiting_.store(true);
            if (stop_.load()) {
                waiting_.store(false);
                return false;
            }
            const int result = ::ioctl(fd_, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD);
            const int error = errno;
            waiting_.store(false);
            if (stop_.load()) return false;
            if (result == 0 || error == EINTR) return true;
            if (IsGone(error)) return false;
            canWait_ = false;
        }
        pollfd wake{wakeFd_, POLLIN, 0};
        const int ready = ::poll(&wake, 1, kPollIntervalMs);
        return ready <= 0 && !stop_.load();
    }

    void Interrupt() override {
        stop_.store(true);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
        // The kick may land just before the waiter enters the ioctl; repeat it
        // until the waiter is out.
        while (waiting_.load()) {
            ::pthread_kill(waiter_, KickSignal());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    const int fd_;
    const int wakeFd_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> waiting_{false};
    std::atomic<bool> watchable_{true};
    bool canWait_ = true;  // only the watcher thread touches it
    pthread_t waiter_{};   // published by waiting_
};

}  // namespace

std::unique_ptr<ModemLines> MakeTermiosModemLines(int fd) {
    return std::make_unique<TermiosModemLines>(fd);
}

}  // namespace viz

#pragma once

// How long a test waits before calling something hung, and clocks that a busy
// machine does not move:
//
//     EXPECT_LT(Clock::now() - start, testing::kHangLimit) << "the call does not hang";
//     const auto before = testing::ProcessCpu();  ...  // processor time, not the clock:
//     EXPECT_LT(ProcessCpu() - before, 100ms);              // the wait did not spin
//     while (ChildCpu(pid) < 200ms && Clock::now() - start < kHangLimit) ...  // the child ran
//     ASSERT_TRUE(WaitUntilSleeping(writerThread));      // the writer waits in the kernel
//
// Tests assert what happened, never how fast: another full run of the suite may
// share the cores, so a wall-clock bound is only ever a hang check, far above
// the normal time. "Does not spin" is measured in CPU time.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <sys/types.h>
#include <time.h>
#include <unistd.h>

namespace viz::testing {

// Far above anything a working call takes, even on a loaded machine.
inline constexpr std::chrono::seconds kHangLimit{20};

// CPU time the whole test process has used.
inline std::chrono::nanoseconds ProcessCpu() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// CPU time (user and system) another process has used, from /proc; zero when it is gone.
inline std::chrono::milliseconds ChildCpu(int pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return std::chrono::milliseconds(0);
    std::istringstream fields(stat.substr(close + 2));
    std::string skip;
    for (int field = 3; field < 14; ++field) fields >> skip;
    long long user = 0, system = 0;
    fields >> user >> system;
    return std::chrono::milliseconds((user + system) * 1000 / ::sysconf(_SC_CLK_TCK));
}

// The calling thread's id, for Sleeping() from another thread.
inline pid_t ThisThread() {
    return ::gettid();
}

// Whether a thread of this process sleeps in the kernel: waits on a lock, a
// condition or a descriptor rather than running or being ready to run.
inline bool Sleeping(pid_t thread) {
    std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'S';
}

// Waits until `thread` (its id once it is known, 0 before) sleeps: the point
// after which a thread that should block would otherwise have carried on.
template <typename ThreadId>
bool WaitUntilSleeping(const ThreadId& thread) {
    const auto end = std::chrono::steady_clock::now() + kHangLimit;
    while (thread == 0 || !Sleeping(thread)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Waits until every other thread of this process sleeps: what they were
// handed (a read, a write, a wake-up to post) they have done. False when
// one keeps running past the hang limit.
inline bool WaitUntilOthersSleep() {
    const auto end = std::chrono::steady_clock::now() + kHangLimit;
    const pid_t self = ThisThread();
    for (;;) {
        bool allSleep = true;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            const pid_t thread = std::stoi(task.path().filename().string());
            if (thread != self && !Sleeping(thread)) allSleep = false;
        }
        if (allSleep) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace viz::testing

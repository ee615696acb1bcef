#pragma once
// The line startup_bench and bare_window_bench print once their window is
// shown, for bench/startup.sh: the wall time since `start` and the CPU time
// the process used so far (loading its libraries included), both in ms. The
// CPU time is the steadier figure on a busy machine.
//   const auto start = std::chrono::steady_clock::now();  ...  bench::PrintShown(start);

#include <time.h>

#include <chrono>
#include <cstdio>

namespace bench {

inline void PrintShown(std::chrono::steady_clock::time_point start) {
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    timespec cpu{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("startup_to_shown_ms %.1f process_cpu_ms %.1f\n", wall.count(),
                static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6);
}

}  // namespace bench

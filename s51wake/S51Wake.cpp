// Loaded into s51 (LD_PRELOAD) by the 8051 board. s51 idles by looking at
// its console and then sleeping 100 ms, so the board's next step, written a
// moment after s51 found nothing, waited out the whole nap: a firmware whose
// pins the board answers instruction by instruction (an LCD's busy flag, a
// keypad scan) ran at a few steps a second. Here that sleep ends as soon as
// the console has input.
#include <cerrno>
#include <ctime>

#include <poll.h>

extern "C" __attribute__((visibility("default"))) int nanosleep(const timespec* request, timespec* remaining) {
    if (request == nullptr || request->tv_sec < 0 || request->tv_nsec < 0 || request->tv_nsec >= 1'000'000'000) {
        errno = EINVAL;
        return -1;
    }
    pollfd console{0, POLLIN, 0};
    const int ready = ::ppoll(&console, 1, request, nullptr);
    // Without a console to watch the sleep is a plain one.
    if (ready > 0 && (console.revents & POLLNVAL) != 0) {
        const int error = ::clock_nanosleep(CLOCK_REALTIME, 0, request, remaining);
        if (error == 0) return 0;
        errno = error;
        return -1;
    }
    if (ready < 0) {
        // Interrupted by a signal: how much was left is not known here.
        if (remaining != nullptr) *remaining = *request;
        return -1;
    }
    return 0;
}

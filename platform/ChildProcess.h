#pragma once

// A program the board runs: a compiler, s51 or the AVR runner. It is started
// in a process group of its own whose id is its PID, so ending it by that PID
// also ends whatever it started (sdcc runs its preprocessor, assembler and
// linker as children). It also dies with the thread that started it.
//
// The group holds a guard beside the program, a fork of ours that only waits
// on a pipe whose writing end this object alone keeps. When the pipe hangs
// up, because the program was collected or because our process died in any
// way (kill -9 too), the guard ends the whole group, grandchildren included:
// a compiler's cc1 never runs on without the window.
//
//   ChildProcess child;
//   if (int error = child.Start(spec)) ...;      // errno of the failed start
//   read child.output() until end of file, write child.input()
//   const ExitStatus status = child.Wait();      // or child.Kill() to end it at once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace viz {

struct ChildSpec {
    std::filesystem::path program;  // a full path: the caller looked it up on PATH
    std::vector<std::string> arguments;
    std::filesystem::path workingDirectory;  // empty: the caller's
    bool pipeInput = false;                  // otherwise standard input reads /dev/null
    // Descriptors of the caller the child gets as another number: {ours, its}.
    std::vector<std::pair<int, int>> passDescriptors;
    // "NAME=value" entries the child's environment gets over the caller's.
    std::vector<std::string> environment;
};

struct ExitStatus {
    bool signalled = false;
    int code = 0;  // exit code, or the signal's number
    bool Succeeded() const { return !signalled && code == 0; }
};

// "退出码2" or "被信号9（Killed）终止".
std::string DescribeExit(const ExitStatus& status);

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // 0, or the errno of what failed (ENOENT: no such program).
    int Start(const ChildSpec& spec);

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0 && !status_; }
    // Standard output and standard error together, non-blocking; -1 before Start.
    int output() const { return output_; }
    // Its standard input when asked for, non-blocking; -1 otherwise.
    int input() const { return input_; }
    void CloseInput();

    // The status once the process ended, without waiting.
    std::optional<ExitStatus> Poll();
    // Waits for the end of the process.
    ExitStatus Wait();
    // Ends the process group at once and reaps the process.
    ExitStatus Kill();

private:
    void Reaped(int rawStatus);
    void CloseDescriptors();
    // Once the program was collected: the guard ends what is left of the
    // group, and is collected too.
    void ReleaseGuard();

    pid_t pid_ = -1;
    pid_t guard_ = -1;
    int lifeline_ = -1;
    int output_ = -1;
    int input_ = -1;
    std::optional<ExitStatus> status_;
};

}  // namespace viz

#include "platform/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace viz {
namespace {

// Descriptors moved out of the way before they are put in place, so that a
// source may carry the number of another one's target.
constexpr int kParkedFloor = 100;

// The caller's environment with `added` ("NAME=value") put over it.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& added) {
    const auto name = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view own(*entry);
        const bool replaced = std::any_of(added.begin(), added.end(),
                                          [&](const std::string& other) { return name(other) == name(own); });
        if (!replaced) environment.emplace_back(own);
    }
    environment.insert(environment.end(), added.begin(), added.end());
    return environment;
}

void CloseIfOpen(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// In the forked child: only system calls from here to exec.
[[noreturn]] void RunChild(const ChildSpec& spec, const std::vector<char*>& argv, char* const* envp, pid_t parent,
                           int goRead, int inputRead, int outputWrite, int errorPipe) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The starting thread may have ended before the line above.
    if (::getppid() != parent) ::_exit(127);
    // Nothing of the program runs before its guard stands in the group.
    char go = 0;
    ssize_t got;
    do {
        got = ::read(goRead, &go, 1);
    } while (got < 0 && errno == EINTR);
    if (got != 1) ::_exit(127);
    ::signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    int parked[16];
    const std::size_t passed = spec.passDescriptors.size() < 16 ? spec.passDescriptors.size() : 16;
    int highest = 2;
    for (std::size_t i = 0; i < passed; ++i) {
        parked[i] = ::fcntl(spec.passDescriptors[i].first, F_DUPFD, kParkedFloor);
    }
    const int nullInput = inputRead >= 0 ? inputRead : ::open("/dev/null", O_RDONLY);
    if (nullInput < 0 || ::dup2(nullInput, 0) < 0 || ::dup2(outputWrite, 1) < 0 ||
        ::dup2(outputWrite, 2) < 0) {
        const int error = errno;
        [[maybe_unused]] const ssize_t told = ::write(errorPipe, &error, sizeof error);
        ::_exit(127);
    }
    for (std::size_t i = 0; i < passed; ++i) {
        const int target = spec.passDescriptors[i].second;
        ::dup2(parked[i], target);
        if (target > highest) highest = target;
    }
    // Nothing else of the window's reaches the program; the error pipe
    // stays usable until the exec.
    ::close_range(static_cast<unsigned>(highest) + 1, ~0U, CLOSE_RANGE_CLOEXEC);
    if (!spec.workingDirectory.empty() && ::chdir(spec.workingDirectory.c_str()) != 0) {
        const int error = errno;
        [[maybe_unused]] const ssize_t told = ::write(errorPipe, &error, sizeof error);
        ::_exit(127);
    }
    ::execve(spec.program.c_str(), argv.data(), envp);
    const int error = errno;
    [[maybe_unused]] const ssize_t told = ::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

// In the forked guard: joins the program's group, keeps nothing of ours but
// the lifeline, and ends the group when the lifeline hangs up. Signals are
// held, so only SIGKILL ends it early (and the group's own kill does).
[[noreturn]] void RunGuard(pid_t group, int lifelineRead) {
    if (::setpgid(0, group) != 0 && ::getpgrp() != group) ::_exit(1);
    sigset_t all;
    sigfillset(&all);
    ::sigprocmask(SIG_SETMASK, &all, nullptr);
    ::prctl(PR_SET_NAME, "duvezer-guard");
    if (lifelineRead != 0 && ::dup2(lifelineRead, 0) != 0) ::kill(-group, SIGKILL);
    ::close_range(1, ~0U, 0);
    char byte;
    for (;;) {
        const ssize_t got = ::read(0, &byte, 1);
        if (got == 0 || (got < 0 && errno != EINTR)) break;
    }
    ::kill(-group, SIGKILL);
    ::_exit(0);
}

// The guard of the group `group`, standing in it; -1 with errno when it
// could not be put there.
pid_t StartGuard(pid_t group, int lifelineRead) {
    const pid_t guard = ::fork();
    if (guard == 0) RunGuard(group, lifelineRead);
    if (guard < 0) return -1;
    ::setpgid(guard, group);
    if (::getpgid(guard) == group) return guard;
    ::kill(guard, SIGKILL);
    while (::waitpid(guard, nullptr, 0) < 0 && errno == EINTR) {
    }
    errno = ECHILD;
    return -1;
}

}  // namespace

std::string DescribeExit(const ExitStatus& status) {
    if (!status.signalled) return "退出码" + std::to_string(status.code);
    const char* name = ::strsignal(status.code);
    return "被信号" + std::to_string(status.code) + "（" + (name ? name : "?") + "）终止";
}

ChildProcess::~ChildProcess() {
    if (running()) Kill();
    ReleaseGuard();
    CloseDescriptors();
}

int ChildProcess::Start(const ChildSpec& spec) {
    if (pid_ > 0) return EBUSY;
    // Everything the child needs is made before the fork.
    std::vector<std::string> strings;
    strings.push_back(spec.program.string());
    strings.insert(strings.end(), spec.arguments.begin(), spec.arguments.end());
    std::vector<char*> argv;
    for (std::string& text : strings) argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = ChildEnvironment(spec.environment);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    int outputPipe[2] = {-1, -1};
    int inputPipe[2] = {-1, -1};
    int errorPipe[2] = {-1, -1};
    int goPipe[2] = {-1, -1};
    int lifeline[2] = {-1, -1};
    const auto closeAll = [&] {
        for (int* pair : {outputPipe, inputPipe, errorPipe, goPipe, lifeline}) {
            CloseIfOpen(pair[0]);
            CloseIfOpen(pair[1]);
        }
    };
    if (::pipe2(outputPipe, O_CLOEXEC) != 0 || (spec.pipeInput && ::pipe2(inputPipe, O_CLOEXEC) != 0) ||
        ::pipe2(errorPipe, O_CLOEXEC) != 0 || ::pipe2(goPipe, O_CLOEXEC) != 0 ||
        ::pipe2(lifeline, O_CLOEXEC) != 0) {
        const int error = errno;
        closeAll();
        return error;
    }
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) RunChild(spec, argv, envp.data(), parent, goPipe[0], inputPipe[0], outputPipe[1], errorPipe[1]);
    if (child < 0) {
        const int error = errno;
        closeAll();
        return error;
    }
    // Also here, so a kill right after Start already reaches the group.
    ::setpgid(child, child);
    pid_ = child;
    status_.reset();
    const pid_t guard = StartGuard(child, lifeline[0]);
    if (guard < 0) {
        // No program runs unguarded: the child, still waiting for the go,
        // ends when its pipe closes.
        const int error = errno;
        closeAll();
        Wait();
        pid_ = -1;
        return error;
    }
    guard_ = guard;
    lifeline_ = lifeline[1];
    output_ = outputPipe[0];
    input_ = inputPipe[1];
    for (int childEnd : {outputPipe[1], inputPipe[0], errorPipe[1], goPipe[0], lifeline[0]}) {
        if (childEnd >= 0) ::close(childEnd);
    }
    const char go = 1;
    [[maybe_unused]] const ssize_t told = ::write(goPipe[1], &go, 1);
    ::close(goPipe[1]);

    int childError = 0;
    ssize_t got;
    do {
        got = ::read(errorPipe[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(errorPipe[0]);
    if (got == sizeof childError) {
        Wait();
        CloseDescriptors();
        pid_ = -1;
        return childError;
    }
    ::fcntl(output_, F_SETFL, O_NONBLOCK);
    if (input_ >= 0) ::fcntl(input_, F_SETFL, O_NONBLOCK);
    return 0;
}

void ChildProcess::CloseInput() {
    CloseIfOpen(input_);
}

void ChildProcess::CloseDescriptors() {
    CloseIfOpen(output_);
    CloseIfOpen(input_);
}

void ChildProcess::Reaped(int rawStatus) {
    ExitStatus status;
    status.signalled = WIFSIGNALED(rawStatus);
    status.code = status.signalled ? WTERMSIG(rawStatus) : WEXITSTATUS(rawStatus);
    status_ = status;
    ReleaseGuard();
}

void ChildProcess::ReleaseGuard() {
    CloseIfOpen(lifeline_);
    if (guard_ <= 0) return;
    while (::waitpid(guard_, nullptr, 0) < 0 && errno == EINTR) {
    }
    guard_ = -1;
}

std::optional<ExitStatus> ChildProcess::Poll() {
    if (pid_ <= 0 || status_) return status_;
    int raw = 0;
    pid_t done;
    do {
        done = ::waitpid(pid_, &raw, WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == pid_) Reaped(raw);
    return status_;
}

ExitStatus ChildProcess::Wait() {
    if (pid_ <= 0 || status_) return status_.value_or(ExitStatus{});
    int raw = 0;
    pid_t done;
    do {
        done = ::waitpid(pid_, &raw, 0);
    } while (done < 0 && errno == EINTR);
    if (done == pid_) {
        Reaped(raw);
    } else {
        status_ = ExitStatus{true, SIGKILL};
        ReleaseGuard();
    }
    return *status_;
}

ExitStatus ChildProcess::Kill() {
    if (pid_ <= 0) return ExitStatus{};
    // The group goes before its leader is reaped, while its id cannot
    // have been given to anyone else.
    if (!status_) ::kill(-pid_, SIGKILL);
    return Wait();
}

}  // namespace viz

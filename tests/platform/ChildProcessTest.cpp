// The board's child processes: their own process group, ended by PID with
// whatever they started, and their end told as it happened.
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <string>

#include <poll.h>
#include <unistd.h>

#include "wizards/ToolRunner.h"

namespace viz {
namespace {

// All a child printed, until it closed its output.
std::string ReadToEnd(const ChildProcess& child) {
    std::string text;
    for (;;) {
        pollfd wait{child.output(), POLLIN, 0};
        if (::poll(&wait, 1, 5000) <= 0) break;
        char buffer[256];
        const ssize_t got = ::read(child.output(), buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

// No such process, or only its exit status left for its parent to collect.
bool Gone(pid_t pid) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    const std::string stat = testing::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t end = stat.rfind(')');
    return end != std::string::npos && stat.compare(end + 2, 1, "Z") == 0;
}

TEST(ChildProcess, KillEndsTheProgramAndWhatItStarted) {
    ChildProcess child;
    // The shell starts a sleeper, says its PID and waits for it.
    ASSERT_EQ(child.Start({"/bin/sh", {"-c", "sleep 30 & echo $!; wait"}, {}, false, {}}), 0);
    EXPECT_EQ(::getpgid(child.pid()), child.pid());
    std::string line;
    char c;
    while (line.find('\n') == std::string::npos) {
        pollfd wait{child.output(), POLLIN, 0};
        ASSERT_GT(::poll(&wait, 1, 5000), 0);
        if (::read(child.output(), &c, 1) == 1) line += c;
    }
    const pid_t sleeper = std::stoi(line);
    EXPECT_EQ(::getpgid(sleeper), child.pid());

    const ExitStatus status = child.Kill();
    EXPECT_TRUE(status.signalled);
    EXPECT_EQ(status.code, SIGKILL);
    EXPECT_EQ(DescribeExit(status), "被信号9（Killed）终止");
    EXPECT_TRUE(Gone(child.pid()));
    // The sleeper's end is collected by init, which may take a moment.
    for (int i = 0; i < 2000 && !Gone(sleeper); ++i) ::usleep(10000);
    EXPECT_TRUE(Gone(sleeper));
}

TEST(ChildProcess, OutputAndExitCodeAreTheProgramsOwn) {
    ChildProcess child;
    ASSERT_EQ(child.Start({"/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}, {}, false, {}}), 0);
    EXPECT_EQ(ReadToEnd(child), "out\nerr\n");
    const ExitStatus status = child.Wait();
    EXPECT_FALSE(status.Succeeded());
    EXPECT_EQ(DescribeExit(status), "退出码3");

    ChildProcess missing;
    EXPECT_EQ(missing.Start({"/nonexistent/simulator", {}, {}, false, {}}), ENOENT);
    EXPECT_FALSE(missing.running());
}

}  // namespace
}  // namespace viz

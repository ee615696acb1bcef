// The board's child processes: their own process group, ended by PID with
// whatever they started, also when the program that started them is killed,
// and their end told as it happened.
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <string>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ProcessGroupWatch.h"
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

// The first line the child printed, without its end.
std::string ReadLine(const ChildProcess& child) {
    std::string line;
    char c;
    while (line.find('\n') == std::string::npos) {
        pollfd wait{child.output(), POLLIN, 0};
        if (::poll(&wait, 1, 30000) <= 0) break;
        if (::read(child.output(), &c, 1) == 1) line += c;
    }
    return line.substr(0, line.find('\n'));
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
    ASSERT_EQ(child.Start({"/bin/sh", {"-c", "sleep 30 & echo $!; wait"}, {}, false, {}, {}}), 0);
    EXPECT_EQ(::getpgid(child.pid()), child.pid());
    const std::string line = ReadLine(child);
    ASSERT_FALSE(line.empty());
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
    ASSERT_EQ(child.Start({"/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}, {}, false, {}, {}}), 0);
    EXPECT_EQ(ReadToEnd(child), "out\nerr\n");
    const ExitStatus status = child.Wait();
    EXPECT_FALSE(status.Succeeded());
    EXPECT_EQ(DescribeExit(status), "退出码3");

    // Entries given for the child go over the caller's; the rest stays.
    ::setenv("VIZ_CHILD_REPLACED", "ours", 1);
    ChildProcess told;
    ASSERT_EQ(told.Start({"/bin/sh",
                          {"-c", "echo \"$VIZ_CHILD_REPLACED $VIZ_CHILD_ADDED ${PATH:+path}\""},
                          {},
                          false,
                          {},
                          {"VIZ_CHILD_REPLACED=theirs", "VIZ_CHILD_ADDED=added"}}),
              0);
    EXPECT_EQ(ReadToEnd(told), "theirs added path\n");
    ::unsetenv("VIZ_CHILD_REPLACED");

    ChildProcess missing;
    EXPECT_EQ(missing.Start({"/nonexistent/simulator", {}, {}, false, {}, {}}), ENOENT);
    EXPECT_FALSE(missing.running());
}

// A process of the test's own stands in for the window: it starts a shell
// that starts a sleeper, tells the group and waits to be killed.
TEST(ChildProcess, NothingOfTheGroupOutlivesAKilledParent) {
    int told[2];
    ASSERT_EQ(::pipe(told), 0);
    const pid_t parent = ::fork();
    ASSERT_GE(parent, 0);
    if (parent == 0) {
        ::close(told[0]);
        ChildProcess child;
        if (child.Start({"/bin/sh", {"-c", "sleep 300 & echo $!; wait"}, {}, false, {}, {}}) != 0) ::_exit(1);
        std::string line = ReadLine(child);
        line = std::to_string(child.pid()) + " " + line;
        if (::write(told[1], line.data(), line.size()) != static_cast<ssize_t>(line.size())) ::_exit(1);
        for (;;) ::pause();
    }
    ::close(told[1]);
    char buffer[64] = {};
    pollfd wait{told[0], POLLIN, 0};
    ASSERT_GT(::poll(&wait, 1, 30000), 0);
    ASSERT_GT(::read(told[0], buffer, sizeof buffer - 1), 0);
    ::close(told[0]);
    const std::string text = buffer;
    const pid_t group = std::stoi(text);
    const pid_t sleeper = std::stoi(text.substr(text.find(' ') + 1));
    EXPECT_EQ(::getpgid(sleeper), group);

    ::kill(parent, SIGKILL);
    ::waitpid(parent, nullptr, 0);
    EXPECT_TRUE(testing::GroupEnds(group)) << testing::Describe(testing::LivingMembers(group));
}

}  // namespace
}  // namespace viz

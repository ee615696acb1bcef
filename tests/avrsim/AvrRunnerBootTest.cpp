// A bootloader given to the AVR runner: refused, with its reason, when it
// runs past the end of the flash, when the part cannot write its own flash,
// or when the application reaches into the boot section.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>

#include <poll.h>
#include <unistd.h>

#include "TempDir.h"
#include "platform/ChildProcess.h"

namespace viz {
namespace {

// The runner's exit and messages; it is ended after a while if it runs.
ExitStatus RunRefused(const std::vector<std::string>& arguments, std::string& words) {
    ChildSpec spec;
    spec.program = VIZ_AVRSIM_RUNNER;
    spec.arguments = arguments;
    ChildProcess runner;
    if (runner.Start(spec) != 0) return ExitStatus{false, -1};
    for (;;) {
        pollfd wait{runner.output(), POLLIN, 0};
        // A runner that started instead of refusing is ended here.
        if (::poll(&wait, 1, 30000) == 0) return runner.Kill();
        char buffer[4096];
        const ssize_t got = ::read(runner.output(), buffer, sizeof buffer);
        if (got > 0) {
            words.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
    }
    return runner.Wait();
}

TEST(AvrRunnerBoot, BootloadersThatCannotWorkAreRefusedWithTheirReason) {
    testing::TempDir dir;
    // Four bytes at the top of a 32 KiB flash, then four more past its end:
    // a bootloader built too large for its boot section.
    const std::filesystem::path tooLong = dir / "long.hex";
    std::ofstream(tooLong, std::ios::binary)
        << ":047FFC00FFCFFFCFE5\r\n:04800000FFCFFFCFE0\r\n:00000001FF\r\n";
    const std::filesystem::path boot = dir / "boot.hex";
    std::ofstream(boot, std::ios::binary) << ":027E0000FFCFB2\r\n:00000001FF\r\n";
    // An application whose last word lies in the boot section.
    const std::filesystem::path application = dir / "app.hex";
    std::ofstream(application, std::ios::binary) << ":020000000000FE\r\n:027E0000FFCFB2\r\n:00000001FF\r\n";

    struct Case {
        std::vector<std::string> arguments;
        std::string reason;
    };
    const Case cases[] = {
        {{"--bootloader", tooLong.string(), "-m", "atmega328p", "-f", "16000000"}, "0x8003"},
        {{"--bootloader", boot.string(), "-m", "attiny85", "-f", "8000000"}, "cannot write its own flash"},
        {{"--bootloader", boot.string(), "-m", "atmega328p", "-f", "16000000", application.string()},
         "0x7E01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        std::string words;
        const ExitStatus status = RunRefused(c.arguments, words);
        EXPECT_FALSE(status.signalled) << DescribeExit(status) << "\n" << words;
        EXPECT_EQ(status.code, 2) << words;
        EXPECT_NE(words.find(c.reason), std::string::npos) << words;
    }
}

}  // namespace
}  // namespace viz

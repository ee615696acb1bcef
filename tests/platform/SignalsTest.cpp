#include "platform/Signals.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace viz {
namespace {

TEST(Signals, WritingToAClosedPeerFailsInsteadOfEndingTheProcess) {
    IgnoreBrokenPipeSignal();
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    ::close(pair[1]);
    const char byte = 'x';
    // Plain write, not send with MSG_NOSIGNAL: this is what would raise SIGPIPE.
    EXPECT_EQ(::write(pair[0], &byte, 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(pair[0]);
}

}  // namespace
}  // namespace viz

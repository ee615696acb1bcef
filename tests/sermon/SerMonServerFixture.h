#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

#include "serial/SerMonTestSupport.h"
#include "sermon/SerMonServer.h"

namespace viz::testing {

// The monitor helper's service on a thread of the test, with its socket and
// aliases in a folder of the test's own. A pty pair stands in for the real
// port: the helper attaches to its slave, the test plays the board on its
// master.
class SerMonHelperTest : public ::testing::Test {
protected:
    SerMonHelperTest() : server_(socket) {
        if (server_.Listen() != 0) throw std::runtime_error("the helper cannot listen");
        thread_ = std::thread([this] { server_.Run(stopFd_); });
    }
    ~SerMonHelperTest() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t signalled = ::write(stopFd_, &one, sizeof one);
        thread_.join();
        ::close(stopFd_);
    }

    TempDir dir;
    const std::filesystem::path socket = dir / "run" / "sermon.sock";
    PtyPair board;

private:
    int stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    sermon::SerMonServer server_;
    std::thread thread_;
};

}  // namespace viz::testing

#pragma once

// The page's side of the monitor helper's socket.
//
//   sermon::Connection helper;
//   if (int error = helper.Connect(socket)) ...;          // HelperAbsent(error): not started
//   helper.Send(sermon::kStart, 1, sermon::EncodeStartInput("/dev/ttyUSB0"));
//   sermon::Frame answer;
//   helper.Await(1, cancelFd, deadline, answer);          // answers to other tags are passed over

#include <chrono>
#include <cstdint>
#include <filesystem>

#include <sys/types.h>

#include "serial/SerMonProtocol.h"

namespace viz::sermon {

// Whether a helper answers at `socket`: 0, or the errno of the connection
// attempt. Never waits.
int Probe(const std::filesystem::path& socket);
// No helper runs there (none was started, or it ended).
bool HelperAbsent(int error);
// The process answering at `socket`, or -1 when none does.
pid_t HelperProcess(const std::filesystem::path& socket);

class Connection {
public:
    enum class Wait { Answered, Cancelled, TimedOut, Broken };

    Connection() = default;
    ~Connection() { Close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Returns 0 or errno.
    int Connect(const std::filesystem::path& socket);
    bool Send(std::uint32_t code, std::uint32_t tag, const Bytes& input);
    // Waits for the answer to `tag` until `cancelFd` (may be -1) becomes
    // readable or `deadline` passes. A wait that ends early may be resumed:
    // a partly received answer is kept.
    Wait Await(std::uint32_t tag, int cancelFd, std::chrono::steady_clock::time_point deadline,
               Frame& answer);
    void Close();

private:
    int fd_ = -1;
    FrameReader in_;
};

}  // namespace viz::sermon

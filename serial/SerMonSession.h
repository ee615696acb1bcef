#pragma once

// One watch of the advanced monitor page, run on a thread of its own so the
// page never waits on the helper: it connects, sends the start request,
// then asks for record after record (size, then fetch) and hands them to
// the page's sink in the record layout of SerMonProtocol.h.
//
// Received data (kind 1) is gathered and handed on as one record per
// kBatchTime, counted from its first byte, so a burst becomes one row; a
// batch is handed on early when it would exceed kBatchLimit, and before any
// other record, so no byte is dropped and the rows stay in time order.
//
//   SerMonSession session(socket, "/dev/ttyUSB0", sink, events);  // events.started tells how it went
//   session.RequestStop();                                         // events.stopped gives the answer
//   // destroying the session ends it at once; the helper then ends the watch

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "serial/SerMonClient.h"
#include "terminal/Chunk.h"

namespace viz::sermon {

struct StartOutcome {
    enum class Result {
        Started,
        NoHelper,     // nothing answers at the socket: the helper was not started
        Unreachable,  // the socket exists but cannot be used, or the helper does not answer
        Refused,      // the helper cannot watch that port
    };
    Result result = Result::Started;
    int error = 0;
    std::uint32_t watch = 0;
    std::string alias;
};

// Called on the session's thread.
struct SessionEvents {
    std::function<void(const StartOutcome&)> started;
    // The stop request was answered (true) or failed (false).
    std::function<void(bool)> stopped;
    // The watch ended without a stop request: the helper or the port went away.
    std::function<void()> failed;
};

class SerMonSession {
public:
    static constexpr std::chrono::milliseconds kBatchTime{40};
    static constexpr std::size_t kBatchLimit = kRecordBufferSize;
    static constexpr std::chrono::seconds kAnswerLimit{5};

    // The sink must outlive the session. Closing the sink ends the session.
    SerMonSession(std::filesystem::path socket, std::string port, ChunkSink& sink, SessionEvents events);
    ~SerMonSession();
    SerMonSession(const SerMonSession&) = delete;
    SerMonSession& operator=(const SerMonSession&) = delete;

    void RequestStop();

private:
    using Clock = std::chrono::steady_clock;
    enum class Step { Answered, Ended };

    void Run();
    bool Begin();
    // Sends a request under a new tag; false (and the session finished)
    // when the link broke.
    bool Ask(std::uint32_t code, const Bytes& input, std::uint32_t& tag);
    // Waits for the answer to `tag`, handing on batches as they fall due.
    // Ended when the page stopped or left, or the link broke.
    Step Await(std::uint32_t tag, Frame& answer);
    void Finish(bool broken);
    bool Take(const Bytes& record);
    bool HandOnBatch();
    bool HandOn(Bytes record);
    void ResetSignal();

    const std::filesystem::path socket_;
    const std::string port_;
    ChunkSink& sink_;
    const SessionEvents events_;

    const int signalFd_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> leaving_{false};

    Connection helper_;
    std::uint32_t nextTag_ = 1;
    std::uint32_t watch_ = 0;
    Bytes batch_;
    Clock::time_point batchDue_ = Clock::time_point::max();
    bool sinkClosed_ = false;

    std::thread thread_;
};

}  // namespace viz::sermon

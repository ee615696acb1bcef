#include "serial/SerMonSession.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace viz::sermon {

SerMonSession::SerMonSession(std::filesystem::path socket, std::string port, ChunkSink& sink,
                             SessionEvents events)
    : socket_(std::move(socket)),
      port_(std::move(port)),
      sink_(sink),
      events_(std::move(events)),
      signalFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    thread_ = std::thread([this] { Run(); });
}

SerMonSession::~SerMonSession() {
    leaving_.store(true);
    RequestStop();
    thread_.join();
    ::close(signalFd_);
}

void SerMonSession::RequestStop() {
    stopRequested_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t signalled = ::write(signalFd_, &one, sizeof one);
}

void SerMonSession::Run() {
    if (!Begin()) return;
    const Bytes watch = EncodeWatchId(watch_);
    std::uint32_t size = 0;
    if (!Ask(kSize, watch, size)) return;
    Frame answer;
    for (;;) {
        if (Await(size, answer) == Step::Ended) return;
        // ECANCELED: stopped from elsewhere; ENODEV: the port went away.
        if (answer.status != 0) return Finish(true);
        // The next size request goes with the fetch: the helper answers in
        // order, and when more records wait both answers come in one reply.
        std::uint32_t fetch = 0;
        if (!Ask(kFetch, watch, fetch) || !Ask(kSize, watch, size)) return;
        if (Await(fetch, answer) == Step::Ended) return;
        if (answer.status == EAGAIN) continue;
        if (answer.status != 0) return Finish(true);
        if (!Take(answer.body)) return;
    }
}

bool SerMonSession::Begin() {
    StartOutcome outcome;
    if (const int error = helper_.Connect(socket_)) {
        outcome.result =
            HelperAbsent(error) ? StartOutcome::Result::NoHelper : StartOutcome::Result::Unreachable;
        outcome.error = error;
        events_.started(outcome);
        return false;
    }
    const std::uint32_t tag = nextTag_++;
    Frame answer;
    const Connection::Wait wait = helper_.Send(kStart, tag, EncodeStartInput(port_))
                                      ? helper_.Await(tag, signalFd_, Clock::now() + kAnswerLimit, answer)
                                      : Connection::Wait::Broken;
    // Only a page that goes away cancels a start.
    if (wait == Connection::Wait::Cancelled) return false;
    if (wait != Connection::Wait::Answered) {
        outcome.result = StartOutcome::Result::Unreachable;
        outcome.error = wait == Connection::Wait::TimedOut ? ETIMEDOUT : EPIPE;
    } else if (answer.status != 0 || answer.body.size() < 4) {
        outcome.result = StartOutcome::Result::Refused;
        outcome.error = answer.status != 0 ? answer.status : EPROTO;
    } else {
        outcome.watch = *DecodeWatchId(answer.body);
        outcome.alias.assign(answer.body.begin() + 4, answer.body.end());
        watch_ = outcome.watch;
    }
    events_.started(outcome);
    return outcome.result == StartOutcome::Result::Started;
}

bool SerMonSession::Ask(std::uint32_t code, const Bytes& input, std::uint32_t& tag) {
    tag = nextTag_++;
    if (helper_.Send(code, tag, input)) return true;
    Finish(true);
    return false;
}

SerMonSession::Step SerMonSession::Await(std::uint32_t tag, Frame& answer) {
    for (;;) {
        switch (helper_.Await(tag, signalFd_, batchDue_, answer)) {
            case Connection::Wait::Answered:
                return Step::Answered;
            case Connection::Wait::TimedOut:
                if (!HandOnBatch()) return Step::Ended;
                break;
            case Connection::Wait::Broken:
                Finish(true);
                return Step::Ended;
            case Connection::Wait::Cancelled:
                Finish(false);
                return Step::Ended;
        }
    }
}

void SerMonSession::Finish(bool broken) {
    // Whatever was gathered still becomes a row.
    HandOnBatch();
    if (leaving_.load()) return;
    if (broken) {
        events_.failed();
        return;
    }
    ResetSignal();
    const std::uint32_t tag = nextTag_++;
    Frame answer;
    // A pending size request is answered on the way; its tag is passed over.
    const bool stopped =
        helper_.Send(kStop, tag, EncodeWatchId(watch_)) &&
        helper_.Await(tag, signalFd_, Clock::now() + kAnswerLimit, answer) == Connection::Wait::Answered &&
        answer.status == 0;
    if (!leaving_.load()) events_.stopped(stopped);
}

bool SerMonSession::Take(const Bytes& record) {
    const std::optional<RecordView> view = DecodeRecord(record.data(), record.size());
    if (!view) return true;
    switch (static_cast<RecordKind>(view->kind)) {
        case RecordKind::Received:
            if (batch_.size() + view->size > kBatchLimit && !HandOnBatch()) return false;
            if (batch_.empty() && view->size > 0) batchDue_ = Clock::now() + kBatchTime;
            batch_.insert(batch_.end(), view->data, view->data + view->size);
            return batch_.size() < kBatchLimit || HandOnBatch();
        case RecordKind::Opened:
        case RecordKind::Sent:
        case RecordKind::Closed:
            return HandOnBatch() && HandOn(record);
    }
    // Kinds the page does not know are left out.
    return true;
}

bool SerMonSession::HandOnBatch() {
    if (batch_.empty()) return !sinkClosed_;
    Bytes record = EncodeRecord(RecordKind::Received, batch_.data(), batch_.size());
    batch_.clear();
    batchDue_ = Clock::time_point::max();
    return HandOn(std::move(record));
}

bool SerMonSession::HandOn(Bytes record) {
    if (sinkClosed_ || !sink_.Push(Chunk::JustRead(std::move(record)))) sinkClosed_ = true;
    return !sinkClosed_;
}

void SerMonSession::ResetSignal() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(signalFd_, &count, sizeof count);
}

}  // namespace viz::sermon

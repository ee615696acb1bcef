#pragma once

// A link for trying the send path without hardware. The test sets how it
// behaves: it takes everything, a few bytes per write, nothing at all
// (waiting like a full port until cancelled), or fails; a report link takes
// one report per write and counts it whole.

#include <poll.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "terminal/LinkWrite.h"
#include "terminal/TextCodec.h"

namespace viz::testing {

class FakeLink {
public:
    enum class Mode { TakeAll, Trickle, Stall, Fail };

    void Set(Mode mode, int error = 0) {
        std::lock_guard lock(mutex_);
        mode_ = mode;
        error_ = error;
    }
    // A report link: every write takes at most `report` bytes and counts a whole report.
    void SetReport(std::size_t report) { report_ = report; }

    LinkWriteFn Writer() {
        return [this](const std::uint8_t* data, std::size_t size, const WriteWait& wait) {
            Mode mode;
            {
                std::lock_guard lock(mutex_);
                mode = mode_;
                ++calls_;
            }
            if (mode == Mode::Fail) return FailedStep(error_);
            if (mode == Mode::Stall) {
                pollfd cancel{wait.cancelFd, POLLIN, 0};
                return FailedStep(::poll(&cancel, 1, wait.timeoutMs) > 0 ? ECANCELED : EAGAIN);
            }
            std::size_t take = mode == Mode::Trickle ? std::min<std::size_t>(size, 300) : size;
            if (report_ != 0) take = std::min(take, report_);
            std::lock_guard lock(mutex_);
            blocks_.emplace_back(data, data + take);
            return WriteStep{take, report_ != 0 ? report_ : take, 0};
        };
    }

    // What each write took, and all of it in order.
    std::vector<Bytes> blocks() const {
        std::lock_guard lock(mutex_);
        return blocks_;
    }
    std::vector<std::size_t> writes() const {
        std::vector<std::size_t> sizes;
        for (const Bytes& block : blocks()) sizes.push_back(block.size());
        return sizes;
    }
    Bytes written() const {
        Bytes all;
        for (const Bytes& block : blocks()) all.insert(all.end(), block.begin(), block.end());
        return all;
    }

    // For a page's "is the link open" question.
    bool open = true;
    int calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    Mode mode_ = Mode::TakeAll;
    int error_ = 0;
    std::size_t report_ = 0;
    std::vector<Bytes> blocks_;
    int calls_ = 0;
};

}  // namespace viz::testing

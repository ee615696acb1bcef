#pragma once

// Stands in for udev in channel and page tests: the test announces device
// nodes arriving and leaving, and the watch of the code under test hears them.

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Hotplug.h"

namespace viz::testing {

// Stands in for udev: the test announces arrivals and removals.
class FakeHotplug {
public:
    FakeHotplug() { state_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

    HotplugEventSourceFactory Factory() const {
        return [state = state_]() -> std::unique_ptr<HotplugEventSource> {
            std::lock_guard lock(state->mutex);
            ++state->sources;
            return std::make_unique<Source>(state);
        };
    }
    void Announce(HotplugEvent::Kind kind, const std::string& path) {
        std::lock_guard lock(state_->mutex);
        state_->events.push_back({kind, path});
        const std::uint64_t one = 1;
        static_cast<void>(::write(state_->wake, &one, sizeof one));
    }
    int sources() const {
        std::lock_guard lock(state_->mutex);
        return state_->sources;
    }

private:
    struct State {
        ~State() { ::close(wake); }
        std::mutex mutex;
        int wake = -1;
        int sources = 0;
        std::deque<HotplugEvent> events;
    };
    class Source : public HotplugEventSource {
    public:
        explicit Source(std::shared_ptr<State> state) : state_(std::move(state)) {}
        int fd() const override { return state_->wake; }
        std::vector<HotplugEvent> Take() override {
            std::lock_guard lock(state_->mutex);
            std::uint64_t count = 0;
            static_cast<void>(::read(state_->wake, &count, sizeof count));
            std::vector<HotplugEvent> taken(state_->events.begin(), state_->events.end());
            state_->events.clear();
            return taken;
        }

    private:
        std::shared_ptr<State> state_;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace viz::testing

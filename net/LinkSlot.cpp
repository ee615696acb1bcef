#include "net/LinkSlot.h"

#include <system_error>
#include <thread>

namespace viz {

bool LinkSlot::Fail(int error) {
    std::lock_guard lock(mutex_);
    lastError_ = error;
    return false;
}

bool LinkSlot::Start(std::shared_ptr<LinkCore> core, std::function<void(std::shared_ptr<LinkCore>)> run) {
    try {
        std::thread(std::move(run), core).detach();
    } catch (const std::system_error& failure) {
        return Fail(failure.code().value());
    }
    std::lock_guard lock(mutex_);
    core_ = std::move(core);
    lastError_ = 0;
    return true;
}

void LinkSlot::Close() {
    std::shared_ptr<LinkCore> core;
    {
        std::lock_guard lock(mutex_);
        core.swap(core_);
    }
    if (core) core->Stop();
}

std::shared_ptr<LinkCore> LinkSlot::current() const {
    std::lock_guard lock(mutex_);
    return core_;
}

LinkState LinkSlot::state() const {
    const auto core = current();
    return core ? core->state() : LinkState::Closed;
}

std::uint64_t LinkSlot::link() const {
    const auto core = current();
    return core ? core->link() : 0;
}

int LinkSlot::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

}  // namespace viz

#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "net/LinkCore.h"

namespace viz {

// The one open link of a channel and the outcome of its last open. Both
// clients keep their link here, so closing, the current link number and
// starting the detached link thread work the same way for TCP and UDP.
class LinkSlot {
public:
    // Records a failed open; always false, for `return slot.Fail(errno);`.
    bool Fail(int error);

    // Runs `run` on a detached thread that holds `core`, then makes `core`
    // the current link. False (and nothing current) when no thread starts.
    bool Start(std::shared_ptr<LinkCore> core, std::function<void(std::shared_ptr<LinkCore>)> run);

    // Stops the current link without waiting for its thread.
    void Close();

    std::shared_ptr<LinkCore> current() const;
    LinkState state() const;
    std::uint64_t link() const;
    int lastError() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<LinkCore> core_;
    int lastError_ = 0;
};

}  // namespace viz

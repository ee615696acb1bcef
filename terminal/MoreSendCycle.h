#pragma once

// The rules of the multi-send dialog that need no widgets: the order of the
// cycle and how entries are stored (an entry becomes bytes by SendBytes).
// CMoreSendDialog is the dialog built on them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/SettingsStore.h"
#include "terminal/TextCodec.h"

namespace viz {

// Each entry is held in a slot of 256 code units before it is stored.
inline constexpr std::size_t kMoreSendSlotUnits = 256;
MoreSendList MoreSendSlots(const MoreSendList& entries);

// Which entry each cycle tick sends: 0, 1, ... 7, 0, ...
class MoreSendCycle {
public:
    void Restart() { next_ = 0; }
    // The entry of this tick; the next tick takes the one after it.
    std::size_t Tick();
    std::size_t next() const { return next_; }

private:
    std::size_t next_ = 0;
};

}  // namespace viz

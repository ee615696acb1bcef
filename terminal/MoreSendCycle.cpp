#include "terminal/MoreSendCycle.h"

namespace viz {

MoreSendList MoreSendSlots(const MoreSendList& entries) {
    MoreSendList slots;
    for (std::size_t i = 0; i < entries.size(); ++i) slots[i] = entries[i].substr(0, kMoreSendSlotUnits - 1);
    return slots;
}

std::size_t MoreSendCycle::Tick() {
    const std::size_t entry = next_;
    next_ = (next_ + 1) % kMoreSendEntries;
    return entry;
}

}  // namespace viz

#include "terminal/MoreSendCycle.h"

#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

std::optional<std::u16string> MoreSendMonitorTitle(MoreSendKind kind, int link) {
    switch (kind) {
        case MoreSendKind::Serial:
            return t::kSerialMonitorTitle;
        case MoreSendKind::Usb:
            return t::kUsbMonitorTitle;
        case MoreSendKind::Network:
            return link == 1 ? t::kUdpMonitorTitle : t::kTcpMonitorTitle;
        case MoreSendKind::Server:
            break;
    }
    return std::nullopt;
}

Bytes MoreSendBytes(std::u16string_view entry, bool hex) {
    return hex ? HexToBytes(entry) : TextToBytes(entry);
}

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

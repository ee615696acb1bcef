#include "serial/AdvanceMonitorRows.h"

#include <string_view>

#include "serial/SerMonProtocol.h"

namespace viz {

std::optional<MonitorRow> AdvanceMonitorRows::Take(const std::uint8_t* record, std::size_t size) {
    const std::optional<sermon::RecordView> view = sermon::DecodeRecord(record, size);
    if (!view) return std::nullopt;
    switch (static_cast<sermon::RecordKind>(view->kind)) {
        case sermon::RecordKind::Opened:
            ++opens_;
            return rows_.Link(true);
        case sermon::RecordKind::Closed:
            if (opens_ > 0) --opens_;
            return rows_.Link(false);
        case sermon::RecordKind::Sent:
            return rows_.Data(RecordKind::Sent, view->data, view->size);
        case sermon::RecordKind::Received:
            return rows_.Data(RecordKind::Received, view->data, view->size);
    }
    return std::nullopt;
}

std::u16string AdvanceMonitorLogText(const std::vector<MonitorRow>& rows) {
    std::u16string text = MonitorLogText(rows);
    constexpr std::u16string_view kAscLegend = u"ASC:当前数据为ASCII码";
    const std::size_t legend = text.find(kAscLegend);
    if (legend != std::u16string::npos) text.insert(legend + kAscLegend.size(), 1, u' ');
    return text;
}

}  // namespace viz

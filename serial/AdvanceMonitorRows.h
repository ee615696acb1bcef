#pragma once

// The advanced monitor page's rows, made from the records its watch session
// hands on (SerMonProtocol.h layout), and the text of its saved log.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "terminal/MonitorRecords.h"

namespace viz {

class AdvanceMonitorRows {
public:
    AdvanceMonitorRows() { rows_.setMonitoring(true); }

    // The row a record adds: O and C rows, S and R rows with their data;
    // nothing for a data record without bytes or a kind the page does not know.
    std::optional<MonitorRow> Take(const std::uint8_t* record, std::size_t size);

    // Whether the watched program still has the port open: it may have
    // opened it more than once.
    bool watchedPortOpen() const { return opens_ > 0; }
    // The watch ended without the program's closes being seen.
    void ForgetOpens() { opens_ = 0; }

    // Rows already made keep their form.
    void setHex(bool on) { rows_.setHex(on); }
    // Numbering starts again at 0000.
    void Clear() { rows_.Clear(); }

private:
    MonitorRecords rows_;
    int opens_ = 0;
};

// The log of the rows; its legend pads the ASC line one blank wider than
// the traffic monitor windows' log does.
std::u16string AdvanceMonitorLogText(const std::vector<MonitorRow>& rows);

}  // namespace viz

#pragma once

// The rows of a traffic monitor window without widgets: the O/C/S/R record
// format, the monitoring and hex switches, row numbering, and the text of
// the saved log. CPortMonitorDialog shows the rows in a CListCtrlEx.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "terminal/TextCodec.h"

namespace viz {

// The four columns: number "%04d", kind "O"/"C"/"S"/"R", length "%04d" or
// " - ", data text or " - ".
using MonitorRow = std::array<std::u16string, 4>;

enum class RecordKind { Opened, Closed, Sent, Received };

// "ASC: 41 42 0d 0a " with the hex switch on, else "CHR: " and the bytes as
// text in `encoding` up to the first zero byte.
std::u16string RecordDataText(const std::uint8_t* data, std::size_t size, bool hex,
                              TextEncoding encoding = TextEncoding::Gbk);

class MonitorRecords {
public:
    void setMonitoring(bool on) { monitoring_ = on; }
    bool monitoring() const { return monitoring_; }
    // Rows already made keep their text.
    void setHex(bool on) { hex_ = on; }
    bool hex() const { return hex_; }
    // The page's encoding, for the text of later rows.
    void setEncoding(TextEncoding encoding) { encoding_ = encoding; }
    TextEncoding encoding() const { return encoding_; }

    // The row to add, or nothing while not monitoring; data records without
    // bytes add no row. Each row made takes the next number.
    std::optional<MonitorRow> Link(bool opened);
    std::optional<MonitorRow> Data(RecordKind kind, const std::uint8_t* data, std::size_t size);

    // Numbering starts again at 0000.
    void Clear() { rowCount_ = 0; }
    std::size_t rowCount() const { return rowCount_; }

private:
    MonitorRow Next(char16_t kind, std::u16string length, std::u16string data);

    bool monitoring_ = false;
    bool hex_ = false;
    TextEncoding encoding_ = TextEncoding::Gbk;
    std::size_t rowCount_ = 0;
};

// The saved log: the fixed header, then each row in list order.
std::u16string MonitorLogText(const std::vector<MonitorRow>& rows);

}  // namespace viz

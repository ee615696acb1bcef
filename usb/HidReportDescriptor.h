#pragma once

// What the USB page needs from a HID report descriptor: the longest input
// and output report in bytes as HID drivers count them (the data plus one
// report-ID byte, counted even when the device numbers no reports), and
// whether the device numbers its reports (then every report on the wire
// starts with its ID byte).

#include <cstddef>
#include <cstdint>

namespace viz {

struct HidReportLayout {
    std::size_t inputLength = 0;   // 0: the device has no input report
    std::size_t outputLength = 0;  // 0: the device has no output report
    bool numbered = false;
};

// A descriptor cut short or holding nonsense gives what its complete items
// describe; it never reads past `size`.
HidReportLayout ParseReportDescriptor(const std::uint8_t* data, std::size_t size);

}  // namespace viz

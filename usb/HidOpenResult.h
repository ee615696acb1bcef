#pragma once

#include <cstdint>
#include <string>

namespace viz {

// How an open of the HID channel went, for what the page tells the user.
struct HidOpenResult {
    enum class Error {
        None,      // at least one direction opened
        NotFound,  // no present device has the numbers
        NoAccess,  // neither direction opened and the system denied access
        Failed,    // neither direction opened, or the reader could not start
    };
    Error error = Error::None;
    std::string devicePath;
    std::uint32_t vendorId = 0;
    std::uint32_t productId = 0;
    // errno of each direction's open; 0 when it opened.
    int readError = 0;
    int writeError = 0;
    // For Failed: what stopped the open.
    int systemError = 0;

    bool ok() const { return error == Error::None; }
};

// What the page adds after the information text: why the open failed, or
// which direction the user may not use; for denied access, a udev rule that
// allows the logged-in user this one device. Empty when there is nothing to say.
std::u16string HidOpenNote(const HidOpenResult& result);

// The udev rule line that gives the user at the seat access to the hidraw
// nodes of one USB vendor and product number.
std::string HidAccessRule(std::uint32_t vendorId, std::uint32_t productId);

// Four or more upper-case hex digits, as the page and the information text show numbers.
std::u16string HidNumberText(std::uint32_t value);

}  // namespace viz

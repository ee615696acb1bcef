#include "usb/HidOpenResult.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "platform/CodePage.h"
#include "usb/HidTexts.h"

namespace viz {
namespace {

namespace t = texts::hid;

// One pass over the pattern, so a path that itself holds "%2" stays as it is.
std::u16string Fill(std::u16string_view pattern, std::initializer_list<std::u16string> values) {
    std::u16string text;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const std::size_t index =
            at + 1 < pattern.size() ? static_cast<std::size_t>(pattern[at + 1] - u'1') : values.size();
        if (pattern[at] == u'%' && index < values.size()) {
            text += values.begin()[index];
            ++at;
        } else {
            text += pattern[at];
        }
    }
    return text;
}

bool Denied(int error) {
    return error == EACCES || error == EPERM;
}

std::u16string ErrorName(int error) {
    const char* name = ::strerrorname_np(error);
    return Utf8ToUtf16(name ? name : std::to_string(error));
}

std::u16string Remedy(const HidOpenResult& result) {
    return Fill(t::kAccessRemedy, {Utf8ToUtf16(HidAccessRule(result.vendorId, result.productId))});
}

}  // namespace

std::u16string HidNumberText(std::uint32_t value) {
    char digits[12];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(value));
    return Utf8ToUtf16(digits);
}

std::string HidAccessRule(std::uint32_t vendorId, std::uint32_t productId) {
    // sysfs writes USB numbers as four lower-case hex digits; udev compares text.
    char rule[160];
    std::snprintf(
        rule, sizeof rule,
        "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"",
        static_cast<unsigned>(vendorId & 0xFFFF), static_cast<unsigned>(productId & 0xFFFF));
    return rule;
}

std::u16string HidOpenNote(const HidOpenResult& result) {
    const std::u16string path = Utf8ToUtf16(result.devicePath);
    switch (result.error) {
        case HidOpenResult::Error::NotFound:
            return Fill(t::kOpenNotFound, {HidNumberText(result.vendorId), HidNumberText(result.productId)});
        case HidOpenResult::Error::NoAccess:
            return Fill(t::kOpenDenied, {path}) + Remedy(result);
        case HidOpenResult::Error::Failed:
            return Fill(t::kOpenFailed, {path, ErrorName(result.systemError)});
        case HidOpenResult::Error::None:
            break;
    }
    std::u16string note;
    if (Denied(result.readError)) note = Fill(t::kReadDenied, {path});
    if (Denied(result.writeError)) note = Fill(t::kWriteDenied, {path});
    return note.empty() ? note : note + Remedy(result);
}

}  // namespace viz

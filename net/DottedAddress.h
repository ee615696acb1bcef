#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace viz {

// An IPv4 address as the network page takes it: four dotted fields of one to
// three digits, each 0..255 ("010.0.0.1" is 10.0.0.1, never octal). Returns
// the address without leading zeros, or nothing. Surrounding spaces are allowed.
std::optional<std::string> DottedAddress(std::string_view text);

}  // namespace viz

#pragma once

// avrdude's own lists, read from its output: the parts ("avrdude -p ?") and
// the programmers ("avrdude -c ?"), and one part's flash size from its
// developer listing ("avrdude -p m328p/At").
//
//   for (const ToolListEntry& part : ParseAvrdudeList(output)) box->addItem(part.description, part.id);

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

struct ToolListEntry {
    std::string id;           // what -p or -c takes: "m328p"
    std::string description;  // "ATmega328P"
};

// "  m328p      = ATmega328P" lines, in the order given; deprecated aliases
// are left out.
std::vector<ToolListEntry> ParseAvrdudeList(std::string_view output);

// The arguments that list a part's values as tab-separated lines, and the
// flash size read from them (".ptmm\tATmega328P\tflash\tsize\t0x8000").
std::vector<std::string> AvrdudePartQuery(const std::string& part);
std::optional<std::uint64_t> ParseAvrdudeFlashSize(std::string_view output);

}  // namespace viz

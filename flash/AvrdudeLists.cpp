#include "flash/AvrdudeLists.h"

#include <cstdlib>

namespace viz {
namespace {

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

template <typename Each>
void ForEachLine(std::string_view text, Each&& each) {
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        each(text.substr(from, end - from));
        from = end + 1;
    }
}

}  // namespace

std::vector<ToolListEntry> ParseAvrdudeList(std::string_view output) {
    std::vector<ToolListEntry> entries;
    ForEachLine(output, [&](std::string_view line) {
        if (line.empty() || (line[0] != ' ' && line[0] != '\t')) return;
        const std::size_t equals = line.find(" = ");
        if (equals == std::string_view::npos) return;
        const std::string_view id = Trimmed(line.substr(0, equals));
        const std::string_view description = Trimmed(line.substr(equals + 3));
        if (id.empty() || id.find(' ') != std::string_view::npos || description.starts_with("deprecated"))
            return;
        entries.push_back({std::string(id), std::string(description)});
    });
    return entries;
}

std::vector<std::string> AvrdudePartQuery(const std::string& part) {
    return {"-p", part + "/At"};
}

std::optional<std::uint64_t> ParseAvrdudeFlashSize(std::string_view output) {
    std::optional<std::uint64_t> size;
    ForEachLine(output, [&](std::string_view line) {
        // .ptmm <part> flash size <value>
        std::vector<std::string_view> fields;
        std::size_t from = 0;
        while (from <= line.size()) {
            std::size_t tab = line.find('\t', from);
            if (tab == std::string_view::npos) tab = line.size();
            fields.push_back(Trimmed(line.substr(from, tab - from)));
            from = tab + 1;
        }
        if (size || fields.size() != 5 || fields[0] != ".ptmm" || fields[2] != "flash" || fields[3] != "size")
            return;
        const std::string value(fields[4]);
        char* end = nullptr;
        const unsigned long long parsed = std::strtoull(value.c_str(), &end, 0);
        if (end != value.c_str() && *end == '\0' && parsed > 0) size = parsed;
    });
    return size;
}

}  // namespace viz

#include "formats/AvrElf.h"

#include <algorithm>

namespace viz {
namespace {

// ELF: the header fields read here (32-bit, little-endian, as AVR uses).
constexpr std::uint16_t kMachineAvr = 83;
constexpr std::uint32_t kLoadSegment = 1;
constexpr std::size_t kHeaderSize = 52;
// Physical addresses from here on are data memory and EEPROM, not flash.
constexpr std::uint32_t kAvrDataSpace = 0x800000;

std::uint32_t Little(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// The section headers, as the runner's loader walks them: it looks every
// section's name up in the name table, copies the data of the sections it
// knows by name and reads every symbol's name. Whatever of that lies outside
// the file or the tables makes it crash, so it is refused here.
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kSymbolSize = 16;
constexpr std::uint32_t kSymbolTable = 2;
constexpr std::uint32_t kStringTable = 3;
constexpr std::uint32_t kNoBits = 8;
// The library cannot read names out of a compressed table.
constexpr std::uint32_t kCompressed = 0x800;

struct Section {
    std::uint32_t name, type, flags, offset, size, link, entrySize;
};

class SectionTable {
public:
    // `bytes` holds at least the ELF header.
    explicit SectionTable(const std::string& bytes)
        : bytes_(bytes),
          tableAt_(Little(bytes, 32, 4)),
          entrySize_(Little(bytes, 46, 2)),
          count_(Little(bytes, 48, 2)),
          namesIndex_(Little(bytes, 50, 2)) {}

    // 0 when the sections can be loaded; otherwise the number of the first
    // bad section, or -1 when the table itself is bad.
    long Problem() const {
        if (count_ == 0 || entrySize_ != kSectionHeaderSize ||
            tableAt_ + std::uint64_t{count_} * kSectionHeaderSize > bytes_.size() || namesIndex_ == 0 ||
            namesIndex_ >= count_ || !IsStrings(At(namesIndex_)))
            return -1;
        const Section names = At(namesIndex_);
        for (std::uint32_t i = 1; i < count_; ++i) {
            const Section section = At(i);
            if (!HasString(names, section.name)) return i;
            if (section.type != kNoBits && !InFile(section)) return i;
            if (section.type == kNoBits && IsCopied(NameAt(names, section.name))) return i;
            if (section.type == kSymbolTable && !SymbolsNamed(section)) return i;
        }
        return 0;
    }

    // Where the name of the first section called `wanted` lies in the file;
    // 0 when there is none. Only after Problem() found nothing.
    std::size_t NameOffset(const std::string& wanted) const {
        const Section names = At(namesIndex_);
        for (std::uint32_t i = 1; i < count_; ++i) {
            const std::uint32_t name = At(i).name;
            if (NameAt(names, name) == wanted) return std::size_t{names.offset} + name;
        }
        return 0;
    }

private:
    Section At(std::uint32_t index) const {
        const std::size_t at = tableAt_ + std::size_t{index} * kSectionHeaderSize;
        return {Little(bytes_, at, 4),      Little(bytes_, at + 4, 4),  Little(bytes_, at + 8, 4),
                Little(bytes_, at + 16, 4), Little(bytes_, at + 20, 4), Little(bytes_, at + 24, 4),
                Little(bytes_, at + 36, 4)};
    }
    bool InFile(const Section& section) const {
        return std::uint64_t{section.offset} + section.size <= bytes_.size();
    }
    bool IsStrings(const Section& section) const {
        return section.type == kStringTable && (section.flags & kCompressed) == 0 && section.size > 0 &&
               InFile(section);
    }
    // A name starts inside its table and ends there with a zero byte.
    bool HasString(const Section& strings, std::uint32_t at) const {
        return at < strings.size && bytes_.find('\0', strings.offset + std::size_t{at}) <
                                        std::size_t{strings.offset} + strings.size;
    }
    std::string NameAt(const Section& strings, std::uint32_t at) const {
        return bytes_.c_str() + strings.offset + at;
    }
    // The sections whose data the loader copies.
    static bool IsCopied(const std::string& name) {
        for (const char* copied : {".text", ".data", ".eeprom", ".fuse", ".lock", ".mmcu"}) {
            if (name == copied) return true;
        }
        return false;
    }
    bool SymbolsNamed(const Section& symbols) const {
        if (symbols.entrySize != kSymbolSize || symbols.link == 0 || symbols.link >= count_) return false;
        const Section names = At(symbols.link);
        if (!IsStrings(names)) return false;
        for (std::uint32_t at = 0; at + kSymbolSize <= symbols.size; at += kSymbolSize) {
            if (!HasString(names, Little(bytes_, symbols.offset + std::size_t{at}, 4))) return false;
        }
        return true;
    }

    const std::string& bytes_;
    const std::uint32_t tableAt_;
    const std::uint32_t entrySize_;
    const std::uint32_t count_;
    const std::uint32_t namesIndex_;
};

AvrElfFlash Fault(AvrElfFault fault) {
    AvrElfFlash flash;
    flash.fault = fault;
    return flash;
}

}  // namespace

AvrElfFlash ReadAvrElfFlash(const std::string& bytes) {
    if (bytes.size() < kHeaderSize) return Fault(AvrElfFault::HeaderCut);
    const std::uint32_t machine = Little(bytes, 18, 2);
    if (bytes[4] != 1 || bytes[5] != 1 || machine != kMachineAvr) {
        AvrElfFlash flash = Fault(AvrElfFault::NotAvr);
        // A big-endian file names its machine in the same place.
        flash.machine =
            bytes[5] == 2 ? (static_cast<std::uint8_t>(bytes[18]) << 8 | static_cast<std::uint8_t>(bytes[19]))
                          : machine;
        return flash;
    }
    const std::uint32_t tableAt = Little(bytes, 28, 4);
    const std::uint32_t entrySize = Little(bytes, 42, 2);
    const std::uint32_t entries = Little(bytes, 44, 2);
    if (entrySize < 32 || tableAt + std::uint64_t{entrySize} * entries > bytes.size())
        return Fault(AvrElfFault::ProgramHeadersCut);
    AvrElfFlash flash;
    flash.programHeaders = entries;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = tableAt + std::size_t{i} * entrySize;
        const std::uint32_t offset = Little(bytes, entry + 4, 4);
        const std::uint32_t address = Little(bytes, entry + 12, 4);
        const std::uint32_t size = Little(bytes, entry + 16, 4);
        if (Little(bytes, entry, 4) != kLoadSegment || size == 0 || address >= kAvrDataSpace) continue;
        if (std::uint64_t{offset} + size > bytes.size()) return Fault(AvrElfFault::SegmentCut);
        flash.codeEnd = std::max<std::uint64_t>(flash.codeEnd, std::uint64_t{address} + size);
    }
    return flash;
}

long AvrElfSectionProblem(const std::string& bytes) {
    return SectionTable(bytes).Problem();
}

std::size_t LockNameWithoutFuses(const std::string& elf) {
    const SectionTable sections(elf);
    if (sections.Problem() != 0 || sections.NameOffset(".fuse") != 0) return 0;
    return sections.NameOffset(".lock");
}

}  // namespace viz

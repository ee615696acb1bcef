#pragma once

// What the headers of an AVR program's ELF file say, read without an ELF
// library: its machine, where its flash contents end, and whether its
// section table is sound enough for the AVR runner's loader.
//
//   const AvrElfFlash flash = ReadAvrElfFlash(bytes);  // bytes begin "\x7fELF"
//   if (flash.fault == AvrElfFault::NotAvr) show(flash.machine);
//   else if (flash.fault == AvrElfFault::None) compare(flash.codeEnd, chip flash);
//   if (const long bad = AvrElfSectionProblem(bytes)) refuse(bad);

#include <cstddef>
#include <cstdint>
#include <string>

namespace viz {

enum class AvrElfFault {
    None,
    HeaderCut,          // shorter than the ELF header
    NotAvr,             // not 32-bit little-endian, or made for another machine
    ProgramHeadersCut,  // the program header table does not fit the file
    SegmentCut,         // a flash segment's data lies past the end of the file
};

struct AvrElfFlash {
    AvrElfFault fault = AvrElfFault::None;
    std::uint64_t machine = 0;         // as the file names it, big-endian files too
    std::uint64_t programHeaders = 0;  // entries in the program header table
    std::uint64_t codeEnd = 0;         // one past the highest flash address loaded; 0 for none
};

AvrElfFlash ReadAvrElfFlash(const std::string& bytes);

// 0 when the runner's loader can walk the section headers; otherwise the
// number of the first bad section, or -1 when the table itself is bad. Only
// for a file ReadAvrElfFlash found sound.
long AvrElfSectionProblem(const std::string& bytes);

// The runner's ELF loader takes the lock bits from the fuse section, and
// crashes on a file with lock bits and no fuses. For a checked ELF file of
// that kind, where the lock section's name begins in it; 0 otherwise.
std::size_t LockNameWithoutFuses(const std::string& elf);

}  // namespace viz

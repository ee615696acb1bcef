#pragma once
// The streams of the receive benches beyond the byte pattern, and the check
// of what a page wrote to its text output file, with or without time stamps.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace bench {

// One period of the byte pattern of BenchPty.h.
std::vector<std::uint8_t> PatternPeriod();
// One line of measurement text with Chinese in it, ending in LF, in UTF-8
// or in code page 936.
std::vector<std::uint8_t> TextLinePeriod(bool utf8);

// `total` rounded up to whole periods, so the last character is complete.
std::size_t WholePeriods(std::size_t total, std::size_t period);

// Writes `total` bytes of the repeated period into `fd` in `block`-byte
// writes, blocking while the far side is behind; stops when a write fails.
std::thread StartPeriodicWriter(int fd, std::size_t total, std::size_t block,
                                std::vector<std::uint8_t> period);

// What the area shows of one period: "%02X " per byte in hex display, the
// bytes with LF as CR LF in text display (the file's encoding is the
// stream's).
std::string ShownPeriod(const std::vector<std::uint8_t>& period, bool hex);

struct OutputCheck {
    std::size_t mismatches = 0;  // bytes that differ, plus missing or extra ones
    std::size_t stamps = 0;      // "[HH:MM:SS.mmm] " prefixes found (and left out of the comparison)
    std::size_t badStamps = 0;   // prefixes not of that form
};

// Compares the output file with `shownPeriod` repeated for `periods`
// periods, leaving out the time stamps (every '[' begins one: neither the
// hex text nor the text line holds that character).
OutputCheck CheckOutputFile(const std::filesystem::path& path, const std::string& shownPeriod,
                            std::size_t periods);

}  // namespace bench

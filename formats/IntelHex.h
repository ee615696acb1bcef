#pragma once

// Intel HEX files read record by record into the memory image they describe.
//
// Records: 00 data at its address, 01 end of file, 02 extended segment
// address (base = value x 16), 04 extended linear address (base = value x
// 65536), 03 and 05 start addresses (checked, otherwise ignored). Every
// record's length and checksum are verified; the first problem ends the
// reading and names its line. Text after the end record is not read.
//
//   IntelHexReader reader(/*skipFirstRecord=*/false);
//   for (each block of the file) if (!reader.Feed(block)) break;
//   if (!reader.problem() && reader.Finish()) reader.image().Emit(consumer);
//   else show(reader.problem()->line, reader.problem()->what);

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

struct HexProblem {
    // 1-based; 0 when the problem is the file as a whole.
    std::uint64_t line = 0;
    std::u16string what;
};

// The bytes from the lowest to the highest data address. Addresses no record
// wrote read 0xFF, the value of erased flash; where records overlap, the one
// later in the file wins.
class HexImage {
public:
    using Consumer = std::function<bool(const std::uint8_t* data, std::size_t size)>;

    bool empty() const { return segments_.empty(); }
    std::uint64_t firstAddress() const { return first_; }
    std::uint64_t size() const { return end_ - first_; }

    // Hands the image on in blocks, in address order. Stops early, returning
    // false, when the consumer refuses a block.
    bool Emit(const Consumer& consumer) const;

    void Add(std::uint64_t address, const std::uint8_t* data, std::size_t size);

private:
    struct Segment {
        std::uint64_t start;
        std::uint64_t length;
        std::size_t pool;
        std::uint64_t end() const { return start + length; }
    };

    // In file order; consecutive records at consecutive addresses share one.
    std::vector<Segment> segments_;
    std::vector<std::uint8_t> pool_;
    std::uint64_t first_ = 0;
    std::uint64_t end_ = 0;
};

class IntelHexReader {
public:
    // Mode 2 of the file conversions: the file's first record (unless it is
    // the end record) is checked but has no effect.
    explicit IntelHexReader(bool skipFirstRecord) : skipFirstRecord_(skipFirstRecord) {}

    // Any block boundaries. False once a problem was found.
    bool Feed(std::string_view block);
    // After the last block. False when there is a problem, also when no end
    // record was read.
    bool Finish();

    const std::optional<HexProblem>& problem() const { return problem_; }
    const HexImage& image() const { return image_; }

private:
    bool ReadLine(std::string_view line);
    bool Apply(std::uint8_t type, std::uint16_t address, const std::uint8_t* data, std::size_t size);
    bool Fail(std::u16string what);

    const bool skipFirstRecord_;
    bool seenRecord_ = false;
    bool ended_ = false;
    std::uint64_t lineNumber_ = 0;
    std::uint64_t base_ = 0;
    std::string partialLine_;
    std::optional<HexProblem> problem_;
    HexImage image_;
};

}  // namespace viz

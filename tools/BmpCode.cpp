#include "tools/BmpCode.h"

#include <cstdint>
#include <functional>
#include <span>
#include <variant>
#include <vector>

#include "formats/BlockOutput.h"
#include "platform/CodePage.h"
#include "tools/Bmp2HexTexts.h"
#include "tools/BmpFile.h"
#include "tools/ConversionFiles.h"
#include "tools/ConversionTask.h"
#include "tools/FileConversions.h"

namespace viz {
namespace {

namespace t = texts::bmp;

constexpr std::size_t kStatusCharacters = 512;
// Code page 936 takes at most two bytes a character.
constexpr std::size_t kStatusBytes = 2 * kStatusCharacters;

using Bytes = std::span<const std::uint8_t>;

std::u16string Number(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

std::u16string HeaderLines(const BmpPicture& picture) {
    std::u16string text;
    text.append(t::kSizeLine).append(Number(picture.imageSize)).append(u"\r\n");
    text.append(t::kWidthLine).append(Number(picture.width)).append(u"\r\n");
    text.append(t::kHeightLine).append(Number(picture.height)).append(u"\r\n");
    text.append(t::kDepthLine).append(Number(picture.bitsPerPixel)).append(u"\r\n");
    if (picture.compression < std::size(t::kCompressionLines))
        text.append(t::kCompressionLines[picture.compression]);
    return text;
}

// L = 0.3 red + 0.59 green + 0.11 blue, truncated; 128 or less is dark.
bool Dark(BmpColour colour) {
    return (30 * colour.red + 59 * colour.green + 11 * colour.blue) / 100 <= 128;
}

struct ValueLayout {
    std::uint64_t perRow;
    // Between values; the last one is followed by " \r\n\r\n" and the
    // closing line instead.
    const char* separator;
    // A line break after every this many values.
    unsigned perLine;
    // Appends value `index` of `row`.
    std::function<void(std::string&, const std::uint8_t* row, std::uint64_t index)> append;
};

bool EmitValues(const BmpPicture& picture, Bytes file, const ValueLayout& layout, BlockOutput& out,
                ConversionProgress& progress) {
    const std::uint64_t total = picture.rows * layout.perRow;
    std::uint64_t count = 0;
    for (std::uint64_t y = 0; y < picture.rows; ++y) {
        if (progress.stopRequested()) return false;
        progress.Report(y, picture.rows);
        const std::uint8_t* row = picture.Row(file, y);
        for (std::uint64_t i = 0; i < layout.perRow; ++i) {
            std::string& text = out.text();
            layout.append(text, row, i);
            ++count;
            if (count < total) {
                text += layout.separator;
            } else {
                text += " \r\n\r\n";
                text += t::kClosingLine;
            }
            if (count % layout.perLine == 0) text += "\r\n";
        }
        if (!out.FlushIfFull()) return false;
    }
    return true;
}

ValueLayout MonochromeLayout(const BmpPicture& picture) {
    // Palette index 1 or 0 per bit, to 1 for dark and 0 for light.
    const std::uint8_t ones = Dark(picture.Colour(1)) ? 0xFF : 0x00;
    const std::uint8_t zeros = Dark(picture.Colour(0)) ? 0xFF : 0x00;
    return {static_cast<std::uint64_t>(picture.width) / 8, ",", 8,
            [ones, zeros](std::string& text, const std::uint8_t* row, std::uint64_t i) {
                const std::uint8_t bits = row[i];
                text += "0x";
                AppendHexByte(text, static_cast<std::uint8_t>((bits & ones) | (~bits & zeros)));
            }};
}

ValueLayout Rgb16Layout(const BmpPicture& picture) {
    return {static_cast<std::uint64_t>(picture.width), ", ", 16,
            [](std::string& text, const std::uint8_t* row, std::uint64_t i) {
                const unsigned word = row[2 * i] | row[2 * i + 1] << 8;
                const unsigned value = ((word & 0xFC00) << 1 | (word & 0x03FF)) & 0xFFFF;
                text += "0x";
                AppendHexByte(text, static_cast<std::uint8_t>(value >> 8));
                AppendHexByte(text, static_cast<std::uint8_t>(value));
            }};
}

ValueLayout Rgb24Layout(const BmpPicture& picture) {
    return {static_cast<std::uint64_t>(picture.width), ", ", 8,
            [](std::string& text, const std::uint8_t* row, std::uint64_t i) {
                // b0 x 65536 + b1 x 256 + b2: the stored blue, green, red.
                text += "0x00";
                AppendHexByte(text, row[3 * i]);
                AppendHexByte(text, row[3 * i + 1]);
                AppendHexByte(text, row[3 * i + 2]);
            }};
}

struct Plan {
    std::u16string opening;
    ValueLayout layout;
};

// The array's opening lines and value layout, or the message that ends the
// text when the picture is not converted.
std::variant<Plan, std::u16string> PlanConversion(const BmpPicture& picture) {
    if (picture.bitsPerPixel != 0 && !picture.decodable()) return std::u16string(t::kExtractFailed);
    switch (picture.bitsPerPixel) {
        case 1:
            if (picture.width % 8 != 0) return std::u16string(t::kWidthNotMultipleOf8);
            return Plan{t::kMonoIntro, MonochromeLayout(picture)};
        case 16:
            return Plan{t::kRgb16Intro, Rgb16Layout(picture)};
        case 24:
            return Plan{t::kRgb24Intro, Rgb24Layout(picture)};
        case 4:
            return std::u16string(t::kNo4Bit);
        case 8:
            return std::u16string(t::kNo8Bit);
        case 32:
            return std::u16string(t::kNo32Bit);
        default:
            return std::u16string(t::kNoOtherDepth);
    }
}

bool EmitText(const std::string& opening, const BmpPicture& picture, Bytes file, const ValueLayout& layout,
              BlockOutput& out, ConversionProgress& progress) {
    out.Append(opening);
    return EmitValues(picture, file, layout, out, progress) && out.Finish();
}

std::u16string StatusText(const std::string& opening, const BmpPicture& picture, Bytes file,
                          const ValueLayout& layout, ConversionProgress& progress) {
    std::string beginning;
    BlockOutput out([&beginning](std::string_view block) {
        beginning.append(block);
        return beginning.size() < kStatusBytes;
    });
    EmitText(opening, picture, file, layout, out, progress);
    std::u16string status =
        DecodeText(beginning.substr(0, kStatusBytes), CodePage::Ansi).substr(0, kStatusCharacters);
    return status.append(t::kStatusEllipsis).append(t::kStatusDots).append(t::kStatusSaved);
}

std::u16string ReadFailed(std::u16string_view reason) {
    return std::u16string(t::kReadFailed).append(reason);
}

}  // namespace

BmpOutcome ConvertBmpFile(const std::filesystem::path& path, ConversionProgress& progress) {
    if (path.empty()) return {{}, ReadFailed(t::kNoFileChosen)};
    SourceFile source;
    std::vector<std::uint8_t> bytes;
    if (!source.Open(path) || !source.ReadAll(bytes)) return {{}, ReadFailed(Utf8ToUtf16(source.error()))};
    const Bytes file(bytes);
    const std::variant<BmpPicture, std::u16string> read = ReadBmpHeader(file);
    if (const auto* reason = std::get_if<std::u16string>(&read)) return {{}, ReadFailed(*reason)};
    const BmpPicture& picture = std::get<BmpPicture>(read);

    const std::u16string header = HeaderLines(picture);
    const std::variant<Plan, std::u16string> plan = PlanConversion(picture);
    if (const auto* refusal = std::get_if<std::u16string>(&plan)) return {{}, header + *refusal};
    const Plan& conversion = std::get<Plan>(plan);
    const std::string opening = EncodeText(header + conversion.opening, CodePage::Ansi);

    BmpOutcome outcome{StatusText(opening, picture, file, conversion.layout, progress), {}};
    ConvertedFile output;
    BlockOutput out([&output](std::string_view block) { return output.Write(block); });
    const bool written = output.Create(OutputPathBeside(path, "h")) &&
                         EmitText(opening, picture, file, conversion.layout, out, progress) &&
                         output.Commit();
    if (!written && !progress.stopRequested()) {
        outcome.message =
            std::u16string(t::kCreateFailed) + u"\n" + CannotWrite(output.target(), output.error());
    }
    return outcome;
}

}  // namespace viz

#include "tools/FileConversions.h"

#include <functional>
#include <optional>
#include <vector>

#include "base/TextFill.h"
#include "base/TextFormat.h"
#include "formats/BlockOutput.h"
#include "formats/IntelHex.h"
#include "formats/IntelHexTexts.h"
#include "platform/CodePage.h"
#include "tools/CArrayText.h"
#include "tools/ConversionFiles.h"
#include "tools/ConversionTask.h"
#include "tools/ToolsTexts.h"

namespace viz {
namespace {

namespace t = texts::tools;

constexpr std::size_t kReadBlock = std::size_t{1} << 20;

std::u16string PathText(const std::filesystem::path& path) {
    return Utf8ToUtf16(path.string());
}

ConversionOutcome Failed(std::u16string_view headline, std::u16string_view detail) {
    std::u16string message(headline);
    if (!detail.empty()) message.append(u"\n").append(detail);
    return {false, std::move(message)};
}

ConversionOutcome OutputFailed(std::u16string_view headline, const ConvertedFile& output) {
    return Failed(headline, CannotWrite(output.target(), output.error()));
}

ConversionOutcome Succeeded(std::u16string_view message) {
    return {true, std::u16string(message)};
}

// Opens the input, or says why not (an empty path was never chosen).
std::optional<std::u16string> OpenInput(SourceFile& source, const std::filesystem::path& input) {
    if (input.empty()) return std::u16string(t::kNoFileChosen);
    if (!source.Open(input)) return CannotRead(input, source.error());
    return std::nullopt;
}

struct HexFailure {
    // The file could not be read (as opposed to: it is no valid HEX file).
    bool unreadable = false;
    std::u16string detail;
};

// The whole HEX file through the reader; progress runs to half way.
std::optional<HexFailure> ReadHex(SourceFile& source, const std::filesystem::path& input,
                                  IntelHexReader& reader, ConversionProgress& progress) {
    std::vector<std::uint8_t> block(kReadBlock);
    std::uint64_t done = 0;
    for (;;) {
        if (progress.stopRequested()) return HexFailure{true, {}};
        const long n = source.Read(block.data(), block.size());
        if (n < 0) return HexFailure{true, CannotRead(input, source.error())};
        if (n == 0) break;
        done += static_cast<std::uint64_t>(n);
        progress.Report(done, source.size(), 0.0, 0.5);
        if (!reader.Feed({reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(n)})) break;
    }
    if (reader.Finish()) return std::nullopt;
    const HexProblem& problem = *reader.problem();
    if (problem.line == 0) return HexFailure{false, problem.what};
    return HexFailure{
        false,
        FormatCounts(texts::intelhex::kHexLine, {static_cast<std::int64_t>(problem.line)}) + problem.what};
}

// The image in address order to `write`; progress from half way to the end.
bool EmitImage(const HexImage& image, ConversionProgress& progress,
               const std::function<bool(const std::uint8_t*, std::size_t)>& write) {
    std::uint64_t done = 0;
    return image.Emit([&](const std::uint8_t* data, std::size_t size) {
        if (progress.stopRequested()) return false;
        done += size;
        progress.Report(done, image.size(), 0.5, 1.0);
        return write(data, size);
    });
}

// The image as C array text into `output`.
bool WriteHexText(const HexImage& image, ConvertedFile& output, ConversionProgress& progress) {
    BlockOutput out([&output](std::string_view block) { return output.Write(block); });
    CArrayText text(out, t::kHexArrayLine, image.size());
    return EmitImage(image, progress,
                     [&text](const std::uint8_t* data, std::size_t size) { return text.Add(data, size); }) &&
           text.Finish();
}

}  // namespace

std::u16string CannotRead(const std::filesystem::path& path, const std::string& reason) {
    return FillText(t::kCannotRead, {PathText(path), Utf8ToUtf16(reason)});
}

std::u16string CannotWrite(const std::filesystem::path& path, const std::string& reason) {
    return FillText(t::kCannotWrite, {PathText(path), Utf8ToUtf16(reason)});
}

ConversionOutcome ConvertBinToText(const std::filesystem::path& input, ConversionProgress& progress) {
    SourceFile source;
    if (auto failure = OpenInput(source, input)) return Failed(t::kBinToTextFailed, *failure);
    ConvertedFile output;
    if (!output.Create(OutputPathBeside(input, "h"))) {
        return OutputFailed(t::kCreateTextFailed, output);
    }
    BlockOutput out([&output](std::string_view block) { return output.Write(block); });
    CArrayText text(out, t::kBinArrayLine, source.size());
    std::vector<std::uint8_t> block(kReadBlock);
    std::uint64_t done = 0;
    // The size is the one the file had when opened: the last byte's layout
    // depends on it, so a file that changes meanwhile is cut to that size.
    while (done < source.size()) {
        if (progress.stopRequested()) return {};
        const long n = source.Read(block.data(), static_cast<std::size_t>(std::min<std::uint64_t>(
                                                     block.size(), source.size() - done)));
        if (n < 0) return Failed(t::kBinToTextFailed, CannotRead(input, source.error()));
        if (n == 0) return Failed(t::kBinToTextFailed, FillText(t::kInputShrank, {PathText(input)}));
        done += static_cast<std::uint64_t>(n);
        progress.Report(done, source.size());
        if (!text.Add(block.data(), static_cast<std::size_t>(n))) break;
    }
    if (!text.Finish() || !output.Commit()) {
        return OutputFailed(t::kCreateTextFailed, output);
    }
    return Succeeded(t::kBinToTextDone);
}

ConversionOutcome ConvertHexToText(const std::filesystem::path& input, HexMode mode,
                                   ConversionProgress& progress) {
    SourceFile source;
    if (auto failure = OpenInput(source, input)) return Failed(t::kHexToTextFailed, *failure);
    IntelHexReader reader(mode == HexMode::SkipFirstRecord);
    if (auto failure = ReadHex(source, input, reader, progress))
        return Failed(t::kHexToTextFailed, failure->detail);
    ConvertedFile output;
    if (!output.Create(OutputPathBeside(input, "h"))) {
        return OutputFailed(t::kCreateTextFailed, output);
    }
    if (!WriteHexText(reader.image(), output, progress) || !output.Commit()) {
        return OutputFailed(t::kCreateTextFailed, output);
    }
    return Succeeded(t::kHexToTextDone);
}

ConversionOutcome ConvertHexToBin(const std::filesystem::path& input, HexMode mode,
                                  ConversionProgress& progress) {
    SourceFile source;
    if (auto failure = OpenInput(source, input)) return Failed(t::kCreateOrReadFailed, *failure);
    ConvertedFile output;
    if (!output.Create(OutputPathBeside(input, "bin"))) {
        return OutputFailed(t::kCreateOrReadFailed, output);
    }
    IntelHexReader reader(mode == HexMode::SkipFirstRecord);
    if (auto failure = ReadHex(source, input, reader, progress)) {
        return Failed(failure->unreadable ? t::kCreateOrReadFailed : t::kHexFileInvalid, failure->detail);
    }
    const bool written =
        EmitImage(reader.image(), progress, [&output](const std::uint8_t* data, std::size_t size) {
            return output.Write({reinterpret_cast<const char*>(data), size});
        });
    if (!written || !output.Commit()) {
        return OutputFailed(t::kCreateOrReadFailed, output);
    }
    return Succeeded(t::kHexToBinDone);
}

}  // namespace viz

#pragma once

// The "Hex/Bin" conversions of the small tools page: a binary or an Intel
// HEX file to C array text (".h" beside the input), and an Intel HEX file to
// its binary memory image (".bin" beside the input). Each returns the
// message the user is shown. They read and write in blocks, report progress
// and stop early when asked (the result is then of no interest).
//
//   ConversionOutcome outcome = ConvertHexToBin("/work/code.hex", HexMode::SkipFirstRecord, progress);
//   QMessageBox::information(page, title, QString::fromStdU16String(outcome.message));

#include <filesystem>
#include <string>

namespace viz {

class ConversionProgress;

// The "Hex类型" choice: type 1 reads every record, type 2 leaves out the
// file's first record.
enum class HexMode { AllRecords = 1, SkipFirstRecord = 2 };

struct ConversionOutcome {
    bool succeeded = false;
    std::u16string message;
};

ConversionOutcome ConvertBinToText(const std::filesystem::path& input, ConversionProgress& progress);
ConversionOutcome ConvertHexToText(const std::filesystem::path& input, HexMode mode,
                                   ConversionProgress& progress);
ConversionOutcome ConvertHexToBin(const std::filesystem::path& input, HexMode mode,
                                  ConversionProgress& progress);

// "无法读取文件“path”：reason" and its writing counterpart, for every
// conversion's failure messages.
std::u16string CannotRead(const std::filesystem::path& path, const std::string& reason);
std::u16string CannotWrite(const std::filesystem::path& path, const std::string& reason);

}  // namespace viz

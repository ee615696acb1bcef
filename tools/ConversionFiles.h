#pragma once

// The files of a conversion: its input, read in blocks or whole, and its
// output.
//
// The output is written under a temporary name beside
// the target and renamed over the target only when complete, so a failed or
// abandoned conversion leaves an earlier output as it was and no half file.
//
//   ConvertedFile out;
//   if (!out.Create(OutputPathBeside(input, "h"))) report(out.error());
//   out.Write(bytes) ... ;
//   if (!out.Commit()) report(out.error());     // without Commit the temporary goes

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace viz {

class SourceFile {
public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    bool Open(const std::filesystem::path& path);
    std::uint64_t size() const { return size_; }
    // Up to `capacity` bytes into `buffer`; 0 at the end; -1 on failure.
    long Read(std::uint8_t* buffer, std::size_t capacity);
    // The rest of the file.
    bool ReadAll(std::vector<std::uint8_t>& bytes);

    // The system's description of the last failure.
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string error_;
};

// `input` with its extension replaced by `extension` (logo.bmp gives logo.h),
// or with ".extension" added when it has none. Never `input` itself: a
// picture named logo.h gives logo.h.h rather than overwriting its input.
std::filesystem::path OutputPathBeside(const std::filesystem::path& input, std::string_view extension);

class ConvertedFile {
public:
    ConvertedFile() = default;
    ~ConvertedFile();
    ConvertedFile(const ConvertedFile&) = delete;
    ConvertedFile& operator=(const ConvertedFile&) = delete;

    bool Create(const std::filesystem::path& target);
    bool Write(std::string_view bytes);
    bool Commit();

    // The system's description of the last failure.
    const std::string& error() const { return error_; }
    const std::filesystem::path& target() const { return target_; }

private:
    void Discard();
    bool Fail();

    int fd_ = -1;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::string error_;
};

}  // namespace viz

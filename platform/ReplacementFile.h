#pragma once

// A file that takes the place of `target` only once it is complete: written
// under a temporary name beside the target, synced, renamed over it, and the
// folder synced. A failed step, or no Commit() at all, removes the temporary
// and leaves an earlier file of that name as it was.
//
//   ReplacementFile file("波形数据.csv");
//   if (!file.Open() || !file.Write(bytes) || !file.Commit()) report(file.error());

#include <filesystem>
#include <string>
#include <string_view>

namespace viz {

class ReplacementFile {
public:
    explicit ReplacementFile(std::filesystem::path target) : target_(std::move(target)) {}
    ~ReplacementFile() { Discard(); }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool Open();
    // Every byte, or false.
    bool Write(std::string_view bytes);
    bool Commit();
    // The temporary goes; the target stays as it was.
    void Discard();

    // The system's description of the step that failed.
    const std::string& error() const { return error_; }

private:
    bool Fail();

    const std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    std::string error_;
};

}  // namespace viz

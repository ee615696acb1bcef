#pragma once

// A file chosen for sending, open for reading in blocks. The size is the
// one it had when it was loaded; it is never read whole into memory, so a
// file of any size can be sent.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace viz {

class FileSource {
public:
    struct Opened {
        std::shared_ptr<const FileSource> file;  // null when it could not be opened
        int error = 0;                         // errno when null
    };
    static Opened Open(const std::filesystem::path& path);

    ~FileSource();
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t size() const { return size_; }

    // Reads up to `size` bytes at `offset`; the count read (0 at the end of
    // the file), or -1 with errno set.
    long long ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t size) const;

private:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    const int fd_;
    const std::uint64_t size_;
};

}  // namespace viz

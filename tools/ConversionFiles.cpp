#include "tools/ConversionFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace viz {

std::filesystem::path OutputPathBeside(const std::filesystem::path& input, std::string_view extension) {
    std::filesystem::path output = input;
    output.replace_extension(extension);
    // Appended piece by piece: a literal put in front of a temporary string
    // makes GCC 12 at -O3 report an overlap that cannot happen.
    if (output == input) {
        output += ".";
        output += std::string(extension);
    }
    return output;
}

SourceFile::~SourceFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool SourceFile::Open(const std::filesystem::path& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        error_ = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        error_ = std::strerror(EISDIR);
        return false;
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
    return true;
}

long SourceFile::Read(std::uint8_t* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, capacity);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        error_ = std::strerror(errno);
        return -1;
    }
}

bool SourceFile::ReadAll(std::vector<std::uint8_t>& bytes) {
    bytes.resize(static_cast<std::size_t>(size_));
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) bytes.resize(done + 65536);
        const long n = Read(bytes.data() + done, bytes.size() - done);
        if (n < 0) return false;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return true;
}

ConvertedFile::~ConvertedFile() {
    Discard();
}

bool ConvertedFile::Create(const std::filesystem::path& target) {
    Discard();
    target_ = target;
    // A name of our own beside the target: the rename then stays within one
    // file system, and two conversions at once never share a temporary.
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = target;
        temporary_ += std::string(".").append(std::to_string(::getpid())).append("-").append(
            std::to_string(serial++)).append(".tmp");
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        temporary_.clear();
        return false;
    }
    return true;
}

bool ConvertedFile::Write(std::string_view bytes) {
    if (fd_ < 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail();
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool ConvertedFile::Commit() {
    if (fd_ < 0) return false;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error_ = std::strerror(errno);
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

bool ConvertedFile::Fail() {
    error_ = std::strerror(errno);
    Discard();
    return false;
}

void ConvertedFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

}  // namespace viz

#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/DurableFiles.h"

namespace viz {

bool ReplacementFile::Open() {
    Discard();
    // A name of this process's own beside the target: the rename stays within
    // one file system, and two writes at once never share a temporary.
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = target_;
        // Appended piece by piece: a literal put in front of a temporary
        // string makes GCC 12 at -O3 report an overlap that cannot happen.
        temporary_ += std::string(".")
                          .append(std::to_string(::getpid()))
                          .append("-")
                          .append(std::to_string(serial++))
                          .append(".tmp");
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ >= 0) return true;
    temporary_.clear();
    return Fail();
}

bool ReplacementFile::Write(std::string_view bytes) {
    if (fd_ < 0) return false;
    return WriteAllBytes(fd_, bytes) || Fail();
}

bool ReplacementFile::Commit() {
    if (fd_ < 0) return false;
    if (::fsync(fd_) != 0) return Fail();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || std::rename(temporary_.c_str(), target_.c_str()) != 0) return Fail();
    temporary_.clear();
    // The file is complete under its name now; the folder's sync only makes
    // the rename outlive a power loss, so its failure fails nothing.
    static_cast<void>(SyncFolder(FolderOf(target_)));
    return true;
}

void ReplacementFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool ReplacementFile::Fail() {
    error_ = std::strerror(errno);
    Discard();
    return false;
}

}  // namespace viz

#include "terminal/FileSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace viz {

FileSource::Opened FileSource::Open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {nullptr, errno};
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0) {
        error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        // A device or pipe has no size to show progress against.
        error = EINVAL;
    }
    if (error != 0) {
        ::close(fd);
        return {nullptr, error};
    }
    // The file is read front to back once.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return {std::shared_ptr<const FileSource>(new FileSource(fd, static_cast<std::uint64_t>(info.st_size))), 0};
}

FileSource::~FileSource() {
    ::close(fd_);
}

long long FileSource::ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t size) const {
    for (;;) {
        const ssize_t got = ::pread(fd_, into, size, static_cast<off_t>(offset));
        if (got >= 0 || errno != EINTR) return got;
    }
}

}  // namespace viz

#include "terminal/TextFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "platform/DurableFiles.h"

namespace viz {
namespace {

int CreateFile(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

}  // namespace

std::string WriteTextFile(const std::filesystem::path& path, std::u16string_view text,
                          TextEncoding encoding) {
    const int fd = CreateFile(path);
    if (fd < 0) return std::strerror(errno);
    const bool written = WriteAllBytes(fd, EncodeFileText(text, encoding));
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written) return std::strerror(writeError);
    if (!closed) return std::strerror(errno);
    return {};
}

bool TextOutputFile::Open(const std::filesystem::path& path, TextEncoding encoding) {
    Close();
    encoding_ = encoding;
    fd_ = CreateFile(path);
    openError_ = fd_ < 0 ? std::strerror(errno) : "";
    return fd_ >= 0;
}

std::string TextOutputFile::Append(std::u16string_view text) {
    if (fd_ < 0) return std::strerror(EBADF);
    if (!WriteAllBytes(fd_, EncodeFileText(text, encoding_))) return std::strerror(errno);
    return {};
}

void TextOutputFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace viz

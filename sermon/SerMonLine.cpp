// termios2 from the kernel's header, as in SerialTermios.cpp: this file must
// never include the C library's <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "sermon/SerMonLine.h"

#include <cerrno>

namespace viz::sermon {
namespace {

constexpr std::uint32_t kCflagMirrored = CBAUD | CIBAUD | CSTOPB | CRTSCTS | HUPCL;
constexpr std::uint32_t kIflagMirrored = IXON | IXOFF | IXANY;

}  // namespace

std::optional<AliasLine> ReadAliasLine(int ptyMaster) {
    struct termios2 settings {};
    if (::ioctl(ptyMaster, TCGETS2, &settings) != 0) return std::nullopt;
    AliasLine line;
    line.cflag = settings.c_cflag & kCflagMirrored;
    line.iflag = settings.c_iflag & kIflagMirrored;
    line.ispeed = settings.c_ispeed;
    line.ospeed = settings.c_ospeed;
    line.startChar = settings.c_cc[VSTART];
    line.stopChar = settings.c_cc[VSTOP];
    return line;
}

int ApplyAliasLine(int realFd, const AliasLine& line) {
    struct termios2 settings {};
    if (::ioctl(realFd, TCGETS2, &settings) != 0) return errno;
    settings.c_cflag = (settings.c_cflag & ~kCflagMirrored) | line.cflag;
    settings.c_iflag = (settings.c_iflag & ~kIflagMirrored) | line.iflag;
    settings.c_ispeed = line.ispeed;
    settings.c_ospeed = line.ospeed;
    settings.c_cc[VSTART] = line.startChar;
    settings.c_cc[VSTOP] = line.stopChar;
    return ::ioctl(realFd, TCSETS2, &settings) == 0 ? 0 : errno;
}

bool HangsUpOnClose(const AliasLine& line) {
    return (line.cflag & HUPCL) != 0;
}

}  // namespace viz::sermon

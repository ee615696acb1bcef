// The kernel's termios2 interface is used directly because it is the only way
// to set rates such as 14400 or 194000. Its header defines its own struct
// termios, which clashes with the C library's <termios.h>: this file must
// never include that one.
#include <asm/termbits.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include "serial/SerialTermios.h"

#include <cerrno>
#include <utility>

namespace viz {
namespace {

constexpr std::pair<std::uint32_t, unsigned> kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

unsigned RateCode(std::uint32_t baud) {
    for (const auto& [rate, code] : kStandardRates) {
        if (rate == baud) return code;
    }
    return BOTHER;
}

unsigned SizeFlag(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

}  // namespace

int ConfigureSerialLine(int fd, const SerialPortConfig& config) {
    if (config.dataBits < 5 || config.dataBits > 8 || config.baud == 0) return EINVAL;
    struct termios2 line {};
    if (::ioctl(fd, TCGETS2, &line) != 0) return errno;

    line.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXOFF |
                      IXANY | INPCK | IMAXBEL);
    line.c_oflag &= ~OPOST;
    line.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    line.c_cflag |= CREAD | CLOCAL | SizeFlag(config.dataBits) | RateCode(config.baud);
    if (config.parity != Parity::None) line.c_cflag |= PARENB;
    if (config.parity == Parity::Odd) line.c_cflag |= PARODD;
    if (config.stopBits == StopBits::Two) line.c_cflag |= CSTOPB;
    line.c_ispeed = config.baud;
    line.c_ospeed = config.baud;
    // A read is ready as soon as one byte is there; the descriptor is
    // non-blocking, so it returns whatever is queued.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;

    if (::ioctl(fd, TCSETS2, &line) != 0) return errno;
    return 0;
}

int DiscardSerialQueues(int fd) {
    return ::ioctl(fd, TCFLSH, TCIOFLUSH) == 0 ? 0 : errno;
}

int TakeExclusiveUse(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    return errno == EWOULDBLOCK ? EBUSY : errno;
}

}  // namespace viz

// Reads the line settings back with the kernel's own termios2 interface, so
// this file must not include <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "serial/SerialTermios.h"

#include <gtest/gtest.h>

#include "SerialTestSupport.h"

namespace viz {
namespace {

using namespace viz::testing;

class LineSettings : public ::testing::Test {
protected:
    void SetUp() override {
        fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override { ::close(fd); }

    termios2 Read() const {
        termios2 line{};
        EXPECT_EQ(::ioctl(fd, TCGETS2, &line), 0);
        return line;
    }

    PtyPair pty;
    int fd = -1;
};

TEST_F(LineSettings, RatesWithoutAConstantAreSetAsArbitraryRates) {
    for (const std::uint32_t baud : {14400u, 56000u, 194000u}) {
        ASSERT_EQ(ConfigureSerialLine(fd, PortConfig(pty.slave(), baud)), 0) << baud;
        const termios2 line = Read();
        EXPECT_EQ(line.c_cflag & CBAUD, static_cast<unsigned>(BOTHER)) << baud;
        EXPECT_EQ(line.c_ospeed, baud);
        EXPECT_EQ(line.c_ispeed, baud);
    }
    ASSERT_EQ(ConfigureSerialLine(fd, PortConfig(pty.slave(), 115200)), 0);
    EXPECT_EQ(Read().c_cflag & CBAUD, static_cast<unsigned>(B115200));
    EXPECT_EQ(Read().c_ospeed, 115200u);
}

TEST_F(LineSettings, RawModeWithoutFlowControlAndWithTheGivenStopBits) {
    SerialPortConfig settings = PortConfig(pty.slave(), 9600);
    settings.stopBits = StopBits::Two;
    ASSERT_EQ(ConfigureSerialLine(fd, settings), 0);
    termios2 line = Read();
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | INPCK), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(line.c_cflag & (CREAD | CLOCAL), static_cast<unsigned>(CREAD | CLOCAL));
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);

    settings.stopBits = StopBits::One;
    ASSERT_EQ(ConfigureSerialLine(fd, settings), 0);
    EXPECT_EQ(Read().c_cflag & CSTOPB, 0u);
}

TEST_F(LineSettings, RefusesImpossibleFraming) {
    SerialPortConfig settings = PortConfig(pty.slave());
    settings.dataBits = 9;
    EXPECT_EQ(ConfigureSerialLine(fd, settings), EINVAL);
    settings.dataBits = 8;
    settings.baud = 0;
    EXPECT_EQ(ConfigureSerialLine(fd, settings), EINVAL);
}

}  // namespace
}  // namespace viz

#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "SerialTestSupport.h"
#include "serial/PortHolder.h"
#include "serial/SerialTermios.h"
#include "TempDir.h"

namespace viz {
namespace {

using namespace viz::testing;

constexpr uid_t kNobody = 65534;

// Runs `attempt` in a child process that has dropped to an unprivileged user
// without supplementary groups, and returns what it reported.
std::string AsUnprivilegedUser(const std::function<std::string()>& attempt) {
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string report = "could not drop privileges";
        if (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)
            report = attempt();
        [[maybe_unused]] const ssize_t written = ::write(channel[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, buffer + n);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return report;
}

// What a failed open reports, as one line per field.
std::string OpenAndDescribe(const std::string& device) {
    CSerial serial;
    ChunkCollector sink;
    RecordingListener listener;
    const SerialOpenResult result = serial.Open(PortConfig(device), sink, listener);
    return std::to_string(static_cast<int>(result.error)) + "\n" + result.group + "\n" +
           SerialOpenFailureText(result);
}

std::string Code(SerialOpenError error) {
    return std::to_string(static_cast<int>(error)) + "\n";
}

// The advisory lock makes a second open fail even for privileged users.
TEST(SerialAccess, SecondOpenerInTheSameProcessIsToldThePortIsBusy) {
    PtyPair pty;
    ChunkCollector sink;
    RecordingListener listener;
    CSerial first;
    ASSERT_TRUE(first.Open(PortConfig(pty.slave()), sink, listener).ok());

    const SerialOpenResult second = OpenOnce(pty.slave());
    EXPECT_EQ(second.error, SerialOpenError::Busy);
    const std::string text = SerialOpenFailureText(second);
    EXPECT_NE(text.find(pty.slave()), std::string::npos);
    EXPECT_NE(text.find("已被其他程序占用"), std::string::npos);

    pty.WriteAll({0x55});
    EXPECT_TRUE(sink.WaitForBytes(1));
    first.Close();
    EXPECT_TRUE(OpenOnce(pty.slave()).ok());
}

// Another process that holds `device` as a port user does: opened and, when
// `lock`, taken for exclusive use. It lives until killed or until the test
// process ends.
class PortHoldingChild {
public:
    static constexpr char kName[] = "port-holder";

    PortHoldingChild(const std::string& device, bool lock) {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(life_, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_NAME, kName);
            const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const char held = fd >= 0 && (!lock || TakeExclusiveUse(fd) == 0) ? 'y' : 'n';
            [[maybe_unused]] const ssize_t told = ::write(ready[1], &held, 1);
            ::close(life_[1]);
            char end;
            while (::read(life_[0], &end, 1) != 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(life_[0]);
        char held = 'n';
        holding_ = ::read(ready[0], &held, 1) == 1 && held == 'y';
        ::close(ready[0]);
    }
    ~PortHoldingChild() {
        Kill();
        ::close(life_[1]);
    }

    bool holding() const { return holding_; }
    pid_t pid() const { return pid_; }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int life_[2] = {-1, -1};
    bool holding_ = false;
};

TEST(SerialAccess, TheBusyTextNamesTheHoldingProcessAndAKilledHolderLeavesThePortFree) {
    PtyPair pty;
    PortHoldingChild holder(pty.slave(), true);
    ASSERT_TRUE(holder.holding());
    const SerialOpenResult busy = OpenOnce(pty.slave());
    EXPECT_EQ(busy.error, SerialOpenError::Busy);
    EXPECT_EQ(SerialOpenFailureText(busy),
              "无法打开串口" + pty.slave() +
                  "：该串口已被其他程序占用。\n请先关闭正在使用该串口的程序，然后再打开串口。\n"
                  "占用该串口的程序：port-holder（进程号" +
                  std::to_string(holder.pid()) + "）");

    // Killed, it cannot release anything itself: the next open must not need it to.
    holder.Kill();
    EXPECT_TRUE(OpenOnce(pty.slave()).ok());

    // A holder in the kernel's exclusive mode takes no lock; it is found among
    // the openers (given time enough that a loaded machine cannot cut the search short).
    PortHoldingChild opener(pty.slave(), false);
    ASSERT_TRUE(opener.holding());
    const std::optional<PortHolder> found = FindPortHolder(pty.slave(), 10s);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->pid, opener.pid());
    EXPECT_EQ(found->name, PortHoldingChild::kName);
    EXPECT_FALSE(FindPortHolder("/dev/no-such-port").has_value());
}

TEST(SerialAccess, ExclusiveOpenRefusesAnUnprivilegedSecondOpener) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to drop privileges in a child";
    PtyPair pty;
    ASSERT_EQ(::chmod(pty.slave().c_str(), 0666), 0);
    ChunkCollector sink;
    RecordingListener listener;
    CSerial holder;
    ASSERT_TRUE(holder.Open(PortConfig(pty.slave()), sink, listener).ok());

    const std::string busy = AsUnprivilegedUser([&] { return OpenAndDescribe(pty.slave()); });
    EXPECT_EQ(busy.rfind(Code(SerialOpenError::Busy), 0), 0u) << busy;
    EXPECT_NE(busy.find("已被其他程序占用"), std::string::npos);

    // Once released, the same user may open it: the refusal was exclusivity, not permission.
    holder.Close();
    const std::string free = AsUnprivilegedUser([&] {
        const int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return std::string(fd >= 0 ? "opened" : "refused");
    });
    EXPECT_EQ(free, "opened");
}

TEST(SerialAccess, PermissionDeniedNamesTheGroupThatOwnsTheDevice) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to drop privileges in a child";
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr) GTEST_SKIP() << "no dialout group";
    PtyPair pty;
    ASSERT_EQ(::chown(pty.slave().c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(pty.slave().c_str(), 0660), 0);

    const std::string denied = AsUnprivilegedUser([&] { return OpenAndDescribe(pty.slave()); });
    EXPECT_EQ(denied.rfind(Code(SerialOpenError::PermissionDenied) + "dialout\n", 0), 0u) << denied;
    EXPECT_NE(denied.find("“dialout”"), std::string::npos);
    EXPECT_NE(denied.find("usermod -aG dialout"), std::string::npos);
    EXPECT_NE(denied.find(pty.slave()), std::string::npos);

    // When the group may not use the device either, joining it would not help.
    ASSERT_EQ(::chmod(pty.slave().c_str(), 0600), 0);
    const std::string ownerOnly = AsUnprivilegedUser([&] { return OpenAndDescribe(pty.slave()); });
    EXPECT_EQ(ownerOnly.rfind(Code(SerialOpenError::PermissionDenied), 0), 0u) << ownerOnly;
    EXPECT_EQ(ownerOnly.find("usermod"), std::string::npos);
    EXPECT_NE(ownerOnly.find("管理员"), std::string::npos);
}

TEST(SerialAccess, MissingAndNonSerialDevicesSayWhy) {
    TempDir dir;
    const std::string missing = (dir / "ttyUSB9").string();
    const SerialOpenResult gone = OpenOnce(missing);
    EXPECT_EQ(gone.error, SerialOpenError::NotFound);
    EXPECT_EQ(SerialOpenFailureText(gone),
              "无法打开串口" + missing + "：设备不存在。\n请检查设备是否已连接，以及端口名称是否正确。");

    EXPECT_EQ(OpenOnce("/dev/null").error, SerialOpenError::NotSerial);
    const std::string plain = (dir / "plain").string();
    std::ofstream(plain) << "x";
    const SerialOpenResult file = OpenOnce(plain);
    EXPECT_EQ(file.error, SerialOpenError::NotSerial);
    EXPECT_EQ(SerialOpenFailureText(file), "无法打开" + plain + "：该设备不是串口。");

    const SerialOpenResult folder = OpenOnce(dir.path().string());
    EXPECT_EQ(folder.error, SerialOpenError::Other);
    EXPECT_EQ(SerialOpenFailureText(folder),
              "无法打开串口" + dir.path().string() + "：系统错误 EISDIR（21）。");
}

TEST(SerialAccess, UnsupportedFramingIsRefusedAndLeavesThePortFree) {
    PtyPair pty;
    SerialPortConfig settings = PortConfig(pty.slave());
    settings.dataBits = 4;
    ChunkCollector sink;
    RecordingListener listener;
    CSerial serial;
    const SerialOpenResult result = serial.Open(settings, sink, listener);
    EXPECT_EQ(result.error, SerialOpenError::Unsupported);
    EXPECT_FALSE(serial.IsOpen());
    EXPECT_TRUE(OpenOnce(pty.slave()).ok());
}

// Texts take the device path and group verbatim, even when they contain a marker.
TEST(SerialAccess, TextsCarryDeviceAndGroupVerbatim) {
    SerialOpenResult result;
    result.error = SerialOpenError::PermissionDenied;
    result.device = "/tmp/odd%2name";
    result.group = "uucp";
    result.joiningGroupHelps = true;
    result.memberNotYetActive = true;
    EXPECT_EQ(SerialOpenFailureText(result),
              "无法打开串口/tmp/"
              "odd%2name：没有访问权限。\n当前用户已加入设备所属的用户组“uucp”，但本次登录时尚未加入，"
              "所以还未生效。\n请注销并重新登录，然后再打开串口。");
    EXPECT_EQ(SerialDeviceLostText("/dev/ttyUSB0"),
              "\r\n串口/dev/ttyUSB0已断开（设备被拔出或不再响应），串口已关闭。\r\n");
    EXPECT_TRUE(SerialOpenFailureText(SerialOpenResult{}).empty());
}

}  // namespace
}  // namespace viz

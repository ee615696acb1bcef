// Time from a serial device coming back to the serial page (shown offscreen,
// "自动重连" on) having it open again, over N unplug/replug cycles of each
// kind:
//   link  a pseudo-terminal behind a link whose far end closes; a new pair
//         is put behind the same link. Nobody announces it: the page's
//         retry timer finds it.
//   usb   a USB adapter in a pretend sysfs tree whose node is a pseudo-
//         terminal; it leaves, and returns under another ttyUSB name,
//         announced the way udev does through the page's hot-plug seam.
// Prints the fastest, median and slowest time in ms per kind and how many
// cycles took 1 s or more.
//
//   serial_reconnect_bench [--cycles N]   (default 20)
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "BenchOptions.h"
#include "BenchPty.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "serial/ComDlg.h"

namespace {

namespace fs = std::filesystem;
constexpr qint64 kLimitMs = 1000;
constexpr qint64 kGiveUpMs = 5000;

// The news the page's hot-plug watch hears: what the bench announces.
class Announcer {
public:
    viz::HotplugEventSourceFactory Factory() {
        return [this] { return std::make_unique<Source>(*this); };
    }
    void Announce(viz::HotplugEvent::Kind kind, const std::string& path) {
        std::lock_guard lock(mutex_);
        waiting_.push_back({kind, path});
        const std::uint64_t one = 1;
        static_cast<void>(::write(wake_, &one, sizeof one));
    }
    ~Announcer() { ::close(wake_); }

private:
    class Source : public viz::HotplugEventSource {
    public:
        explicit Source(Announcer& owner) : owner_(owner) {}
        int fd() const override { return owner_.wake_; }
        std::vector<viz::HotplugEvent> Take() override {
            std::lock_guard lock(owner_.mutex_);
            std::uint64_t count = 0;
            static_cast<void>(::read(owner_.wake_, &count, sizeof count));
            return std::exchange(owner_.waiting_, {});
        }

    private:
        Announcer& owner_;
    };

    std::mutex mutex_;
    std::vector<viz::HotplugEvent> waiting_;
    int wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
};

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string DeviceNumber(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
}

// One adapter (10c4:ea60, serial BENCH1) whose port `name` is the slave of `pty`.
void PlugAdapter(const fs::path& root, const std::string& name, const bench::Pty& pty) {
    const fs::path usb = root / "devices" / "usb1" / "1-1";
    const fs::path port = usb / "1-1:1.0" / name;
    fs::create_directories(port / "tty" / name);
    WriteFile(usb / "idVendor", "10c4\n");
    WriteFile(usb / "idProduct", "ea60\n");
    WriteFile(usb / "serial", "BENCH1\n");
    WriteFile(usb / "1-1:1.0" / "bInterfaceNumber", "00\n");
    WriteFile(port / "tty" / name / "dev", DeviceNumber(pty.slave) + "\n");
    fs::create_directory_symlink(port, port / "tty" / name / "device");
    fs::create_directory_symlink(port / "tty" / name, root / "class" / "tty" / name);
    fs::create_symlink(pty.slave, root / "dev" / name);
}

void UnplugAdapter(const fs::path& root, const std::string& name) {
    fs::remove(root / "class" / "tty" / name);
    fs::remove(root / "dev" / name);
    fs::remove_all(root / "devices" / "usb1" / "1-1" / "1-1:1.0" / name);
}

// Runs the page's events until `done` holds; the ms it took, or -1 after kGiveUpMs.
template <typename Condition>
qint64 RunUntil(Condition done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kGiveUpMs) return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        ::usleep(200);
    }
    return clock.elapsed();
}

struct Kind {
    const char* name;
    std::vector<qint64> times;
};

void Report(Kind& kind) {
    std::sort(kind.times.begin(), kind.times.end());
    const auto slow =
        std::count_if(kind.times.begin(), kind.times.end(), [](qint64 t) { return t < 0 || t >= kLimitMs; });
    if (kind.times.empty()) return;
    std::printf("%-5s cycles %zu  fastest %lld ms  median %lld ms  slowest %lld ms  at 1 s or more: %ld\n",
                kind.name, kind.times.size(), static_cast<long long>(kind.times.front()),
                static_cast<long long>(kind.times[kind.times.size() / 2]),
                static_cast<long long>(kind.times.back()), static_cast<long>(slow));
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const long long cycles = bench::NumberOption(argc, argv, "--cycles", 20);

    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    fs::create_directories(root / "class" / "tty");
    fs::create_directories(root / "dev");
    viz::SettingsStore store(root / "Vizuruv.conf");
    viz::PageContext context(store);
    Announcer announcer;
    viz::ComDlgDevices devices;
    devices.ttyClassRoot = root / "class" / "tty";
    devices.deviceRoot = root / "dev";
    devices.hotplug = announcer.Factory();
    viz::CComDlg page(context, nullptr, devices);
    page.resize(1000, 680);
    page.show();

    Kind link{"link", {}};
    {
        bench::Pty pty = bench::OpenPty();
        const fs::path path = root / "board";
        fs::create_symlink(pty.slave, path);
        page.ChoosePort(QString::fromStdString(path.string()));
        page.ToggleOpen();
        for (long long cycle = 0; cycle < cycles && page.isOpen(); ++cycle) {
            ::close(pty.master);
            if (RunUntil([&] { return page.isWaitingForDevice(); }) < 0) break;
            pty = bench::OpenPty();
            fs::remove(path);
            fs::create_symlink(pty.slave, path);
            link.times.push_back(RunUntil([&] { return page.isOpen(); }));
        }
        page.ToggleOpen();
        ::close(pty.master);
    }

    Kind usb{"usb", {}};
    {
        bench::Pty pty = bench::OpenPty();
        std::string name = "ttyUSB0";
        PlugAdapter(root, name, pty);
        page.ChoosePort(QString::fromStdString((root / "dev" / name).string()));
        page.ToggleOpen();
        for (long long cycle = 0; cycle < cycles && page.isOpen(); ++cycle) {
            UnplugAdapter(root, name);
            ::close(pty.master);
            announcer.Announce(viz::HotplugEvent::Kind::Removed, (root / "dev" / name).string());
            if (RunUntil([&] { return page.isWaitingForDevice(); }) < 0) break;
            pty = bench::OpenPty();
            name = name == "ttyUSB0" ? "ttyUSB1" : "ttyUSB0";
            PlugAdapter(root, name, pty);
            announcer.Announce(viz::HotplugEvent::Kind::Arrived, (root / "dev" / name).string());
            usb.times.push_back(RunUntil([&] { return page.isOpen(); }));
        }
        page.ToggleOpen();
        ::close(pty.master);
    }

    std::printf("reconnect time from the device's return to the port open again (goal under %lld ms)\n",
                static_cast<long long>(kLimitMs));
    Report(link);
    Report(usb);
    const bool complete = link.times.size() == static_cast<std::size_t>(cycles) &&
                          usb.times.size() == static_cast<std::size_t>(cycles);
    if (!complete) std::printf("not every cycle ran: the page lost the port\n");
    return complete ? 0 : 1;
}

// The real program started with each command-line option, watched from
// outside through the test probe and through the settings it leaves.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "Version.h"
#include "app/ProgramRun.h"
#include "base/SettingsStore.h"
#include "net/NetTestSupport.h"
#include "serial/SerialTestSupport.h"

namespace viz::testing {
namespace {

std::filesystem::path SettingsFile(const TempDir& home) {
    return home / "config/Vizuruv/Vizuruv.conf";
}

using namespace std::chrono_literals;
using net_testing::Fd;

bool ConnectsWithin30s(int port) {
    for (int attempt = 0; attempt < 1500; ++attempt) {
        if (net_testing::ConnectTo(port).get() >= 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Help, version and refusals must come before any window: no display is
// offered, so a window would end the program with another status.
ProgramRun::Environment NoDisplay(std::string lang) {
    return {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"LANG", std::move(lang)}};
}

TEST(CommandLineRunTest, HelpAndVersionAnswerInTheLocalesLanguageWithoutWindowOrSettings) {
    struct Case {
        std::vector<std::string> arguments;
        ProgramRun::Environment environment;
        std::string starts;
    };
    std::vector<Case> cases{
        {{"--help"}, NoDisplay("zh_CN.UTF-8"), "用法：duvezer [选项]..."},
        {{"-h", "--page", "kitchen"}, NoDisplay("zh_CN.UTF-8"), "Usage: duvezer [OPTION]..."},
        {{"--version"}, NoDisplay("zh_CN.UTF-8"), std::string("duvezer ") + kVersionText + "\n许可证"},
        {{"-V"}, NoDisplay("C"), std::string("duvezer ") + kVersionText + "\nLicense"},
    };
    // Messages follow LC_MESSAGES before LANG.
    cases[1].environment["LC_MESSAGES"] = "en_GB.UTF-8";
    for (const Case& c : cases) {
        TempDir home;
        ProgramRun run(home.path(), c.arguments, c.environment);
        EXPECT_EQ(run.Finish(), 0) << c.arguments[0];
        EXPECT_TRUE(run.output().starts_with(c.starts)) << run.output();
        EXPECT_EQ(run.errors(), "");
        EXPECT_FALSE(std::filesystem::exists(home / "config")) << "settings written";
    }
}

TEST(CommandLineRunTest, RefusalsSayWhichOptionOnStandardErrorAndExitTwo) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--bogus"}, "duvezer: unknown option '--bogus'\n"},
        {{"--baud", "fast"}, "duvezer: --baud: 'fast' is not a number\n"},
        {{"--tcp", "127.0.0.1"}, "duvezer: --tcp: '127.0.0.1' has no port"},
        {{"--page", "net", "--port", "/dev/ttyUSB0"}, "duvezer: --port does not fit --page net"},
    };
    for (const auto& [arguments, said] : cases) {
        TempDir home;
        ProgramRun run(home.path(), arguments, NoDisplay("en_US.UTF-8"));
        EXPECT_EQ(run.Finish(), 2) << said;
        EXPECT_TRUE(run.errors().starts_with(said)) << run.errors();
        EXPECT_TRUE(run.errors().ends_with("Try 'duvezer --help' for more information.\n"));
        EXPECT_EQ(run.output(), "");
        EXPECT_FALSE(std::filesystem::exists(home / "config")) << "settings written";
    }
    TempDir home;
    ProgramRun chinese(home.path(), {"--baud", "9"}, NoDisplay("zh_CN.UTF-8"));
    EXPECT_EQ(chinese.Finish(), 2);
    EXPECT_EQ(chinese.errors(),
              "duvezer：--baud：9 超出范围，应为 50 至 4000000\n请运行“duvezer --help”查看用法。\n");
}

TEST(CommandLineRunTest, EveryPageByName) {
    const std::array<std::pair<const char*, const char*>, 12> pages{{{"serial", "串口调试"},
                                                                     {"monitor", "串口监视器"},
                                                                     {"usb", "USB调试"},
                                                                     {"net", "网络调试"},
                                                                     {"server", "网络服务器"},
                                                                     {"tools", "小工具"},
                                                                     {"c51", "C51代码向导"},
                                                                     {"avr", "AVR代码向导"},
                                                                     {"check", "数据校验"},
                                                                     {"encoding", "编码转换"},
                                                                     {"bitmap", "位图转16进制"},
                                                                     {"update", "升级与配置"}}};
    // Started together, so the twelve starts overlap.
    std::vector<std::unique_ptr<TempDir>> homes;
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (const auto& [name, caption] : pages) {
        homes.push_back(std::make_unique<TempDir>());
        runs.push_back(
            std::make_unique<ProgramRun>(homes.back()->path(), std::vector<std::string>{"--page", name}));
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        ASSERT_EQ(runs[i]->ReadLine(), "ready") << runs[i]->errors();
        EXPECT_EQ(runs[i]->Ask("page"), pages[i].second) << pages[i].first;
        runs[i]->Ask("quit");
    }
    for (std::size_t i = 0; i < pages.size(); ++i) EXPECT_EQ(runs[i]->Finish(), 0) << pages[i].first;
}

TEST(CommandLineRunTest, SerialPortAndRateAreUsedOpenedAndSavedAtExit) {
    TempDir home;
    PtyPair pty;
    {
        ProgramRun run(home.path(),
                       {"--page", "serial", "--port", pty.slave(), "--baud", "250000", "--open"});
        ASSERT_EQ(run.ReadLine(), "ready") << run.errors();
        EXPECT_EQ(run.Ask("page"), "串口调试");
        EXPECT_EQ(run.Ask("value port"), pty.slave());
        EXPECT_EQ(run.Ask("value baud"), "250000");
        EXPECT_EQ(run.AskUntil("value open", "关闭串口"), "关闭串口");
        EXPECT_EQ(run.Ask("modal"), "");
        run.Ask("quit");
        EXPECT_EQ(run.Finish(), 0) << run.errors();
    }
    SerialSettings saved;
    ASSERT_EQ(SettingsStore(SettingsFile(home)).ReadSerial(saved), 0);
    EXPECT_EQ(saved.port, std::u16string(pty.slave().begin(), pty.slave().end()));
    EXPECT_EQ(saved.baud, 250000u);

    // The next start shows the rate again, though the list lacks it. The
    // platform comes from the toolkit's own option: there is no display.
    ProgramRun again(home.path(), {"-platform", "offscreen"}, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ""}});
    ASSERT_EQ(again.ReadLine(), "ready") << again.errors();
    EXPECT_EQ(again.Ask("page"), "串口调试");
    EXPECT_EQ(again.Ask("value baud"), "250000");
    again.Ask("quit");
    EXPECT_EQ(again.Finish(), 0);
}

TEST(CommandLineRunTest, SerialOpenThatFailsIsSaidAsForTheButton) {
    TempDir home;
    const std::string missing = (home / "no-such-tty").string();
    ProgramRun run(home.path(), {"--port", missing, "--open"});
    ASSERT_EQ(run.ReadLine(), "ready") << run.errors();
    const std::string said = run.AskUntil("modal", [](const std::string& text) { return !text.empty(); });
    EXPECT_NE(said.find(missing), std::string::npos) << said;
    EXPECT_EQ(run.Ask("value open"), "打开串口");
    run.Ask("quit");
    EXPECT_EQ(run.Finish(), 0) << run.errors();
}

TEST(CommandLineRunTest, NetPageConnectsToTheDestinationAndSavesIt) {
    TempDir home;
    const Fd board = net_testing::Listening(1);
    const int boardPort = net_testing::LocalPort(board.get());
    const std::string port = std::to_string(boardPort);
    // A port that was free a moment ago, as the link's source.
    const int source = net_testing::FreeTcpPort();
    ProgramRun run(home.path(),
                   {"--tcp", "127.0.0.1:" + port, "--tcp-source", std::to_string(source), "--open"});
    ASSERT_EQ(run.ReadLine(), "ready") << run.errors();
    const Fd peer = net_testing::AcceptWithin(board.get(), 30s);
    ASSERT_GE(peer.get(), 0);
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ASSERT_EQ(::getpeername(peer.get(), reinterpret_cast<sockaddr*>(&from), &length), 0);
    EXPECT_EQ(ntohs(from.sin_port), source);
    EXPECT_EQ(run.Ask("value tcpSourcePort"), std::to_string(source));
    EXPECT_EQ(run.Ask("page"), "网络调试");
    EXPECT_EQ(run.Ask("value address"), "127.0.0.1");
    EXPECT_EQ(run.Ask("value tcpDestPort"), port);
    EXPECT_EQ(run.AskUntil("value tcpOpen", "关闭TCP"), "关闭TCP");
    run.Ask("quit");
    EXPECT_EQ(run.Finish(), 0) << run.errors();

    const SettingsStore settings(SettingsFile(home));
    std::u16string address;
    PortPair ports;
    ASSERT_EQ(settings.ReadIpAddress(address), 0);
    ASSERT_EQ(settings.ReadTcpPorts(ports), 0);
    EXPECT_EQ(address, u"127.0.0.1");
    EXPECT_EQ(ports.destination, static_cast<std::uint32_t>(boardPort));
}

TEST(CommandLineRunTest, ServerPageListensOnThePortAndSavesIt) {
    TempDir home;
    // A port that was free a moment ago.
    const int port = net_testing::FreeTcpPort();
    ProgramRun run(home.path(), {"--page", "server", "--listen", std::to_string(port), "--open"});
    ASSERT_EQ(run.ReadLine(), "ready") << run.errors();
    EXPECT_TRUE(ConnectsWithin30s(port));
    EXPECT_EQ(run.Ask("page"), "网络服务器");
    EXPECT_EQ(run.Ask("value port"), std::to_string(port));
    EXPECT_EQ(run.Ask("value create"), "关闭");
    run.Ask("quit");
    EXPECT_EQ(run.Finish(), 0) << run.errors();

    std::uint32_t saved = 0;
    ASSERT_EQ(SettingsStore(SettingsFile(home)).ReadServerPort(saved), 0);
    EXPECT_EQ(saved, static_cast<std::uint32_t>(port));
}

}  // namespace
}  // namespace viz::testing

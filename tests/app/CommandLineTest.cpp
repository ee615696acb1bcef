#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "Version.h"
#include "app/CommandLine.h"

namespace viz {
namespace {

CommandLine Parse(std::vector<std::string_view> arguments,
                  MessageLanguage language = MessageLanguage::English) {
    return ParseCommandLine(arguments, language);
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST(CommandLineTest, TakesEachPagesValuesInBothForms) {
    const CommandLine serial =
        Parse({"--page", "serial", "--port", "/dev/ttyUSB0", "--baud=115200", "--open"});
    ASSERT_EQ(serial.action, CommandLine::Action::Run) << serial.message;
    EXPECT_EQ(serial.options.page, StartPage::Serial);
    EXPECT_EQ(serial.options.serialPort, "/dev/ttyUSB0");
    EXPECT_EQ(serial.options.baud, 115200u);
    EXPECT_TRUE(serial.options.open);

    // Without --page the options choose it; leading zeros are decimal, not octal.
    const CommandLine net = Parse({"--tcp", "010.0.0.1:0080"});
    ASSERT_EQ(net.action, CommandLine::Action::Run) << net.message;
    EXPECT_EQ(net.options.page, StartPage::Net);
    ASSERT_TRUE(net.options.tcp);
    EXPECT_EQ(net.options.tcp->address, "10.0.0.1");
    EXPECT_EQ(net.options.tcp->port, 80);
    EXPECT_FALSE(net.options.open);
    EXPECT_FALSE(net.options.tcpSource);
    const CommandLine source = Parse({"--tcp-source=0", "--tcp", "127.0.0.1:9", "--open"});
    ASSERT_EQ(source.action, CommandLine::Action::Run) << source.message;
    EXPECT_EQ(source.options.page, StartPage::Net);
    EXPECT_EQ(source.options.tcpSource, 0);
    EXPECT_EQ(Parse({"--tcp-source", "65535"}).options.tcpSource, 65535);

    const CommandLine server = Parse({"--listen=65535", "--open", "--page=server"});
    ASSERT_EQ(server.action, CommandLine::Action::Run) << server.message;
    EXPECT_EQ(server.options.page, StartPage::Server);
    EXPECT_EQ(server.options.listenPort, 65535);

    const CommandLine bare = Parse({});
    EXPECT_EQ(bare.action, CommandLine::Action::Run);
    EXPECT_FALSE(bare.options.page);

    // The toolkit's own options pass through, with their values.
    const CommandLine toolkit =
        Parse({"-platform", "offscreen", "--page", "bitmap", "-reverse", "-session", "x1"});
    ASSERT_EQ(toolkit.action, CommandLine::Action::Run) << toolkit.message;
    EXPECT_EQ(toolkit.options.page, StartPage::Bitmap);
    EXPECT_EQ(toolkit.toolkitArguments,
              (std::vector<std::string>{"-platform", "offscreen", "-reverse", "-session", "x1"}));
    EXPECT_EQ(Parse({"--baud", "50"}).options.baud, 50u);
    EXPECT_EQ(Parse({"--baud", "4000000"}).options.baud, 4000000u);
}

TEST(CommandLineTest, HelpAndVersionAnswerWhateverElseIsGiven) {
    EXPECT_EQ(Parse({"--bogus", "--help"}).action, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"--page", "net", "-h"}).action, CommandLine::Action::Help);
    EXPECT_EQ(Parse({"--baud", "x", "-V"}).action, CommandLine::Action::Version);
    EXPECT_EQ(Parse({"--version", "--help"}).action, CommandLine::Action::Version);
    EXPECT_EQ(FirstLine(VersionText(MessageLanguage::English)), std::string("duvezer ") + kVersionText);
    EXPECT_TRUE(HelpText(MessageLanguage::Chinese).starts_with("用法：duvezer"));
    EXPECT_TRUE(HelpText(MessageLanguage::English).starts_with("Usage: duvezer"));
}

TEST(CommandLineTest, RefusesWithTheOptionNamed) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::string said;
    };
    const std::vector<Case> cases{
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"/dev/ttyUSB0"}, "unexpected argument '/dev/ttyUSB0'"},
        {{"--port"}, "option --port needs a value"},
        {{"--port", "--open"}, "option --port needs a value"},
        {{"--port="}, "option --port needs a value"},
        {{"--open=yes"}, "option --open takes no value"},
        {{"--page", "net", "-style"}, "option -style needs a value"},
        {{"--baud", "fast"}, "--baud: 'fast' is not a number"},
        {{"--baud", "-9600"}, "--baud: '-9600' is not a number"},
        {{"--baud", "49"}, "--baud: 49 is out of range, give 50 to 4000000"},
        {{"--baud", "99999999999999999999999"},
         "--baud: 99999999999999999999999 is out of range, give 50 to 4000000"},
        {{"--listen", "0"}, "--listen: 0 is out of range, give 1 to 65535"},
        {{"--listen", "65536"}, "--listen: 65536 is out of range, give 1 to 65535"},
        {{"--tcp", "127.0.0.1"}, "--tcp: '127.0.0.1' has no port; give HOST:PORT, e.g. 192.168.1.10:8080"},
        {{"--tcp", "127.0.0.1:"}, "--tcp: '127.0.0.1:' has no port; give HOST:PORT, e.g. 192.168.1.10:8080"},
        {{"--tcp", "board.local:80"}, "--tcp: 'board.local' is not an IPv4 address such as 192.168.1.10"},
        {{"--tcp", "[::1]:80"}, "--tcp: '[::1]' is not an IPv4 address such as 192.168.1.10"},
        {{"--tcp", "1.2.3.256:80"}, "--tcp: '1.2.3.256' is not an IPv4 address such as 192.168.1.10"},
        {{"--tcp", "1.2.3.4:0"}, "--tcp: 0 is out of range, give 1 to 65535"},
        {{"--tcp-source", "65536"}, "--tcp-source: 65536 is out of range, give 0 to 65535"},
        {{"--tcp-source", "-1"}, "--tcp-source: '-1' is not a number"},
        {{"--tcp-source", "1.2.3.4:5"}, "--tcp-source: '1.2.3.4:5' is not a number"},
        {{"--tcp-source", "5", "--listen", "6"}, "--tcp-source and --listen belong to different pages"},
        // A value that looks like a placeholder stays as given.
        {{"--page", "%3"},
         "--page: unknown page '%3'; the pages are serial, monitor, usb, net, server, tools, c51, avr, "
         "check, encoding, bitmap, update"},
        {{"--page", "net", "--port", "/dev/ttyS0"},
         "--port does not fit --page net; it belongs to --page serial"},
        {{"--listen", "80", "--page", "serial"},
         "--listen does not fit --page serial; it belongs to --page server"},
        {{"--port", "/dev/ttyS0", "--tcp", "1.2.3.4:5"}, "--port and --tcp belong to different pages"},
        {{"--open"}, "--open needs --page serial, net or server"},
        {{"--page", "tools", "--open"}, "--open does not fit --page tools, only serial, net and server"},
    };
    for (const Case& c : cases) {
        const CommandLine line = Parse(c.arguments);
        EXPECT_EQ(line.action, CommandLine::Action::Refuse) << c.said;
        EXPECT_EQ(line.message, "duvezer: " + c.said + "\nTry 'duvezer --help' for more information.\n");
    }
}

TEST(CommandLineTest, ChineseOnAChineseLocaleOnly) {
    EXPECT_EQ(LanguageOf(nullptr, nullptr, "zh_CN.UTF-8"), MessageLanguage::Chinese);
    EXPECT_EQ(LanguageOf(nullptr, "zh_TW.UTF-8", "en_US.UTF-8"), MessageLanguage::Chinese);
    EXPECT_EQ(LanguageOf("C", "zh_CN.UTF-8", "zh_CN.UTF-8"), MessageLanguage::English);
    EXPECT_EQ(LanguageOf("", "", "zh_CN.GBK"), MessageLanguage::Chinese);
    EXPECT_EQ(LanguageOf(nullptr, nullptr, nullptr), MessageLanguage::English);
    EXPECT_EQ(LanguageOf(nullptr, nullptr, "de_DE.UTF-8"), MessageLanguage::English);

    EXPECT_EQ(Parse({"--baud", "9"}, MessageLanguage::Chinese).message,
              "duvezer：--baud：9 超出范围，应为 50 至 4000000\n请运行“duvezer --help”查看用法。\n");
}

}  // namespace
}  // namespace viz

#pragma once

// What the command line says: its help and its refusals, in Chinese and in
// English. A refusal's %1, %2 and %3 are filled in that order.
namespace viz::texts::cli {

inline constexpr char kHelpChinese[] = R"(用法：duvezer [选项]...
串口、USB HID、TCP/UDP 和 TCP 服务器调试终端，以及面向 8051 和 AVR
单片机板的代码向导和数据工具，都在一个窗口里。

选项：
  --page 页面       启动时显示的页面（见下）
  --port 路径       串口调试页的串口，例如 /dev/ttyUSB0
  --baud 波特率     串口调试页的波特率，50 至 4000000
  --tcp 主机:端口   网络调试页的 TCP 目标：IPv4 地址和端口，
                    例如 192.168.1.10:8080
  --tcp-source 端口 网络调试页 TCP 连接的源端口，0 至 65535；给出 --tcp
                    而未给出本选项时为 0（由系统选择）
  --listen 端口     网络服务器页的本地端口，1 至 65535
  --open            启动后打开串口、连接或创建服务器，如同按下页面上的按钮
  -h, --help        显示本帮助并退出
  -V, --version     显示版本并退出

页面：
  serial            串口调试
  monitor           串口监视器
  usb               USB调试
  net               网络调试
  server            网络服务器
  tools             小工具
  c51               C51代码向导
  avr               AVR代码向导
  check             数据校验
  encoding          编码转换
  bitmap            位图转16进制
  update            升级与配置

未给出 --page 时，--port 和 --baud 选择串口调试页，--tcp 和 --tcp-source
选择网络调试页，--listen 选择网络服务器页。这里给出的值用于本次运行，并像
在页面上输入的值一样在退出时保存。打开失败时，页面的提示与按下按钮时相同。Qt 自己的选项
（-platform、-style、-session 等）原样交给 Qt。

退出状态：窗口关闭后，或 --help、--version 之后为 0；帮助或版本无法写到
标准输出时（例如输出已关闭或磁盘已满）为 1；选项未知或值不正确时为 2，此时
不显示窗口。
)";

inline constexpr char kHelpEnglish[] = R"(Usage: duvezer [OPTION]...
Serial, USB HID, TCP/UDP and TCP server terminals, with code wizards and
data tools for 8051 and AVR boards, in one window.

Options:
  --page PAGE       the page to show at start (see below)
  --port PATH       the serial page's port, e.g. /dev/ttyUSB0
  --baud RATE       the serial page's baud rate, 50 to 4000000
  --tcp HOST:PORT   the net page's TCP destination: an IPv4 address and a
                    port, e.g. 192.168.1.10:8080
  --tcp-source PORT the net page's TCP source port, 0 to 65535; 0 (the
                    system chooses) when --tcp is given without it
  --listen PORT     the server page's local port, 1 to 65535
  --open            open the port, connect or create the server at start,
                    as the page's button does
  -h, --help        show this help and exit
  -V, --version     show the version and exit

Pages:
  serial            串口调试 (serial terminal)
  monitor           串口监视器 (serial monitor)
  usb               USB调试 (USB HID terminal)
  net               网络调试 (TCP/UDP terminal)
  server            网络服务器 (TCP server)
  tools             小工具 (small tools)
  c51               C51代码向导 (8051 code wizard)
  avr               AVR代码向导 (AVR code wizard)
  check             数据校验 (checksums)
  encoding          编码转换 (encodings)
  bitmap            位图转16进制 (bitmap to C array)
  update            升级与配置 (update and settings)

Without --page, --port and --baud choose the serial page, --tcp and
--tcp-source the net page and --listen the server page. Values given here are used for this run and
saved at exit like values typed into the page. An open that fails is reported
as when the page's button is pressed. Qt's own options (-platform, -style,
-session and the others) are passed on to Qt.

Exit status: 0 after the window is closed, or after --help and --version;
1 when the help or the version cannot be written to standard output (it is
closed or the disk is full); 2 for an unknown option or a bad value, and then
no window is shown.
)";

// The second line of the version answer.
inline constexpr char kLicenceChinese[] =
    "许可证：GNU GPL 第 3 版或更高版本 <https://www.gnu.org/licenses/gpl.html>\n";
inline constexpr char kLicenceEnglish[] =
    "License: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl.html>\n";

// A refusal in both languages.
struct Refusal {
    const char* chinese;
    const char* english;
};

inline constexpr Refusal kUnknownOption{"未知选项“%1”", "unknown option '%1'"};
inline constexpr Refusal kUnexpectedArgument{"多余的参数“%1”", "unexpected argument '%1'"};
inline constexpr Refusal kMissingValue{"选项 %1 缺少值", "option %1 needs a value"};
inline constexpr Refusal kTakesNoValue{"选项 %1 不带值", "option %1 takes no value"};
inline constexpr Refusal kUnknownPage{"%1：未知页面“%2”，可用的页面：%3",
                                      "%1: unknown page '%2'; the pages are %3"};
inline constexpr Refusal kNotANumber{"%1：“%2”不是数字", "%1: '%2' is not a number"};
inline constexpr Refusal kOutOfRange{"%1：%2 超出范围，应为 %3", "%1: %2 is out of range, give %3"};
inline constexpr Refusal kRange{"%1 至 %2", "%1 to %2"};
inline constexpr Refusal kNoPort{"%1：“%2”缺少端口，应为 主机:端口，例如 192.168.1.10:8080",
                                 "%1: '%2' has no port; give HOST:PORT, e.g. 192.168.1.10:8080"};
inline constexpr Refusal kNotAnAddress{"%1：“%2”不是 IPv4 地址，例如 192.168.1.10",
                                       "%1: '%2' is not an IPv4 address such as 192.168.1.10"};
inline constexpr Refusal kNotForPage{"%1 不适用于 --page %2，它属于 --page %3",
                                     "%1 does not fit --page %2; it belongs to --page %3"};
inline constexpr Refusal kOpenNotForPage{"--open 不适用于 --page %1，只适用于 serial、net 和 server",
                                         "--open does not fit --page %1, only serial, net and server"};
inline constexpr Refusal kOpenWithoutPage{"--open 需要 --page serial、net 或 server",
                                          "--open needs --page serial, net or server"};
inline constexpr Refusal kMixedPages{"%1 和 %2 属于不同的页面", "%1 and %2 belong to different pages"};
inline constexpr Refusal kHint{"请运行“duvezer --help”查看用法。",
                               "Try 'duvezer --help' for more information."};
inline constexpr Refusal kPrefix{"duvezer：", "duvezer: "};

}  // namespace viz::texts::cli

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Pages.h"

namespace viz {

// The page a start asks for.
using StartPage = PageId;

// The name a page has on the command line ("serial", "net", ...); the
// screenshots are named after it too.
std::string_view PageName(StartPage page);

struct TcpTarget {
    std::string address;  // dotted IPv4, without leading zeros
    int port = 0;         // 1..65535
};

// What the command line asks of this run. Values left empty keep what the
// page has from its settings.
struct StartOptions {
    std::optional<StartPage> page;
    std::optional<std::string> serialPort;
    std::optional<std::uint32_t> baud;
    std::optional<TcpTarget> tcp;
    // The TCP link's source port (0: the system chooses); with --tcp it is 0
    // unless given, since a stored privileged port would make the open fail.
    std::optional<int> tcpSource;
    std::optional<int> listenPort;
    // Open the page's link once the window is up, as its button would.
    bool open = false;
};

// The language of help and messages: Chinese on a zh_* locale, else English.
enum class MessageLanguage { Chinese, English };

// The locale that decides messages, by the usual precedence: LC_ALL, then
// LC_MESSAGES, then LANG; the first that is set and not empty counts.
MessageLanguage LanguageOf(const char* lcAll, const char* lcMessages, const char* lang);

struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    StartOptions options;
    // The toolkit's own options as given (-platform NAME, -session ID, ...),
    // for the toolkit after the program name.
    std::vector<std::string> toolkitArguments;
    // For Refuse: what is wrong, one line naming the option, then a hint.
    std::string message;
};

// Reads the arguments after the program name. --help and --version answer
// whatever else is given; otherwise the first fault found refuses the run.
CommandLine ParseCommandLine(std::span<const std::string_view> arguments, MessageLanguage language);

std::string HelpText(MessageLanguage language);
std::string VersionText(MessageLanguage language);

// Exit codes of a run that shows no window.
inline constexpr int kExitAnswered = 0;
inline constexpr int kExitOutputFailed = 1;
inline constexpr int kExitRefused = 2;

}  // namespace viz

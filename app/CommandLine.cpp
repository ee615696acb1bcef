#include "app/CommandLine.h"

#include <array>
#include <charconv>
#include <vector>

#include "Version.h"
#include "app/CommandLineTexts.h"
#include "net/DottedAddress.h"
#include "serial/SerialPortConfig.h"

namespace viz {
namespace {

namespace t = texts::cli;

std::string AllPageNames() {
    std::string names;
    for (const PageInfo& page : kPages) {
        if (!names.empty()) names += ", ";
        names += page.name;
    }
    return names;
}

// A refusal's text with its %1, %2, %3 filled in, in one pass, so a value
// that holds "%2" itself stays as given.
std::string Say(const t::Refusal& refusal, MessageLanguage language,
                std::initializer_list<std::string_view> values = {}) {
    const std::string_view text = language == MessageLanguage::Chinese ? refusal.chinese : refusal.english;
    std::string said;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t number =
            i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : values.size();
        if (text[i] == '%' && number < values.size()) {
            said += values.begin()[number];
            ++i;
        } else {
            said += text[i];
        }
    }
    return said;
}

// The options that fill one page's fields, and the page they belong to.
struct PageOption {
    std::string_view name;
    StartPage page;
};
constexpr std::array<PageOption, 5> kPageOptions{{{"--port", StartPage::Serial},
                                                  {"--baud", StartPage::Serial},
                                                  {"--tcp", StartPage::Net},
                                                  {"--tcp-source", StartPage::Net},
                                                  {"--listen", StartPage::Server}}};

// The toolkit's own options, handed to it untouched: a session manager
// restarts the program with -session, and -platform or -style are the
// toolkit's usual switches.
struct ToolkitOption {
    std::string_view name;
    bool takesValue;
};
constexpr std::array<ToolkitOption, 14> kToolkitOptions{{{"-platform", true},
                                                         {"-platformpluginpath", true},
                                                         {"-platformtheme", true},
                                                         {"-plugin", true},
                                                         {"-qwindowgeometry", true},
                                                         {"-qwindowicon", true},
                                                         {"-qwindowtitle", true},
                                                         {"-session", true},
                                                         {"-display", true},
                                                         {"-geometry", true},
                                                         {"-style", true},
                                                         {"-stylesheet", true},
                                                         {"-reverse", false},
                                                         {"-widgetcount", false}}};

const ToolkitOption* ToolkitOptionNamed(std::string_view name) {
    for (const ToolkitOption& option : kToolkitOptions) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

bool TakesValue(std::string_view option) {
    if (option == "--page") return true;
    for (const PageOption& known : kPageOptions) {
        if (known.name == option) return true;
    }
    return false;
}

class Parser {
public:
    explicit Parser(MessageLanguage language) : language_(language) {}

    // False, with the message set, at the first fault.
    bool Take(std::span<const std::string_view> arguments);
    bool SettlePage();

    StartOptions options;
    std::vector<std::string> toolkitArguments;
    std::string fault;

private:
    bool Refuse(const t::Refusal& refusal, std::initializer_list<std::string_view> values = {}) {
        fault = Say(refusal, language_, values);
        return false;
    }
    bool Value(std::string_view option, std::string_view value);
    std::optional<std::uint32_t> Number(std::string_view option, std::string_view text, std::uint32_t low,
                                        std::uint32_t high);

    MessageLanguage language_;
    // The page options given, in order, for the page fit.
    std::vector<std::string_view> given_;
};

bool Parser::Take(std::span<const std::string_view> arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view option = arguments[i];
        if (const ToolkitOption* toolkit = ToolkitOptionNamed(option)) {
            toolkitArguments.emplace_back(option);
            if (!toolkit->takesValue) continue;
            if (++i == arguments.size()) return Refuse(t::kMissingValue, {option});
            toolkitArguments.emplace_back(arguments[i]);
            continue;
        }
        std::optional<std::string_view> value;
        if (option.starts_with("--")) {
            if (const std::size_t equals = option.find('='); equals != std::string_view::npos) {
                value = option.substr(equals + 1);
                option = option.substr(0, equals);
            }
        }
        if (option == "--open") {
            if (value) return Refuse(t::kTakesNoValue, {option});
            options.open = true;
            continue;
        }
        if (!TakesValue(option)) {
            return Refuse(option.starts_with('-') ? t::kUnknownOption : t::kUnexpectedArgument,
                          {arguments[i]});
        }
        // "--port --open" forgot the port: the next option is no value.
        if (!value && i + 1 < arguments.size() && !arguments[i + 1].starts_with("--")) value = arguments[++i];
        if (!value || value->empty()) return Refuse(t::kMissingValue, {option});
        if (!Value(option, *value)) return false;
    }
    return true;
}

bool Parser::Value(std::string_view option, std::string_view value) {
    if (option == "--page") {
        options.page = PageIdNamed(value);
        if (!options.page) return Refuse(t::kUnknownPage, {option, value, AllPageNames()});
        return true;
    }
    given_.push_back(option);
    if (option == "--port") {
        options.serialPort = std::string(value);
    } else if (option == "--baud") {
        options.baud = Number(option, value, kMinBaud, kMaxBaud);
        if (!options.baud) return false;
    } else if (option == "--listen") {
        const auto port = Number(option, value, 1, 65535);
        if (!port) return false;
        options.listenPort = static_cast<int>(*port);
    } else if (option == "--tcp-source") {
        const auto port = Number(option, value, 0, 65535);
        if (!port) return false;
        options.tcpSource = static_cast<int>(*port);
    } else {
        const std::size_t colon = value.rfind(':');
        if (colon == std::string_view::npos || colon + 1 == value.size())
            return Refuse(t::kNoPort, {option, value});
        const std::string_view host = value.substr(0, colon);
        const std::optional<std::string> address = DottedAddress(host);
        if (!address) return Refuse(t::kNotAnAddress, {option, host});
        const auto port = Number(option, value.substr(colon + 1), 1, 65535);
        if (!port) return false;
        options.tcp = TcpTarget{*address, static_cast<int>(*port)};
    }
    return true;
}

std::optional<std::uint32_t> Parser::Number(std::string_view option, std::string_view text, std::uint32_t low,
                                            std::uint32_t high) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            Refuse(t::kNotANumber, {option, text});
            return std::nullopt;
        }
    }
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || number < low || number > high) {
        const std::string range = Say(t::kRange, language_, {std::to_string(low), std::to_string(high)});
        Refuse(t::kOutOfRange, {option, text, range});
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(number);
}

StartPage Owner(std::string_view option) {
    for (const PageOption& known : kPageOptions) {
        if (known.name == option) return known.page;
    }
    return StartPage::Serial;
}

// Every page option must fit the page asked for; without --page they choose it.
bool Parser::SettlePage() {
    const bool asked = options.page.has_value();
    for (const std::string_view option : given_) {
        const StartPage page = Owner(option);
        if (!options.page) options.page = page;
        if (page == *options.page) continue;
        if (asked) return Refuse(t::kNotForPage, {option, PageName(*options.page), PageName(page)});
        return Refuse(t::kMixedPages, {given_.front(), option});
    }
    if (!options.open) return true;
    if (!options.page) return Refuse(t::kOpenWithoutPage);
    if (*options.page != StartPage::Serial && *options.page != StartPage::Net &&
        *options.page != StartPage::Server)
        return Refuse(t::kOpenNotForPage, {PageName(*options.page)});
    return true;
}

}  // namespace

MessageLanguage LanguageOf(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value && *value) {
            return std::string_view(value).starts_with("zh") ? MessageLanguage::Chinese
                                                             : MessageLanguage::English;
        }
    }
    return MessageLanguage::English;
}

CommandLine ParseCommandLine(std::span<const std::string_view> arguments, MessageLanguage language) {
    CommandLine line;
    for (const std::string_view argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (argument == "--version" || argument == "-V") {
            line.action = CommandLine::Action::Version;
            return line;
        }
    }
    Parser parser(language);
    if (parser.Take(arguments) && parser.SettlePage()) {
        line.options = std::move(parser.options);
        line.toolkitArguments = std::move(parser.toolkitArguments);
        return line;
    }
    line.action = CommandLine::Action::Refuse;
    line.message = Say(t::kPrefix, language) + parser.fault + "\n" + Say(t::kHint, language) + "\n";
    return line;
}

std::string_view PageName(StartPage page) {
    return kPages[static_cast<std::size_t>(TabOf(page))].name;
}

std::string HelpText(MessageLanguage language) {
    return language == MessageLanguage::Chinese ? t::kHelpChinese : t::kHelpEnglish;
}

std::string VersionText(MessageLanguage language) {
    return std::string("duvezer ") + kVersionText + "\n" +
           (language == MessageLanguage::Chinese ? t::kLicenceChinese : t::kLicenceEnglish);
}

}  // namespace viz

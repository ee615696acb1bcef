#include "update/ServerText.h"

#include <cctype>
#include <climits>
#include <algorithm>

#include "platform/CodePage.h"
#include "update/HttpTransfer.h"

namespace viz {
namespace {

// A character of code page 936 takes one or two bytes, so this many bytes
// always hold the characters kept, and a character cut at the end of them
// falls past the part that is kept.
constexpr std::size_t kMaxTextBytes = 2 * kServerTextMaxUnits;
constexpr HttpLimits kTextLimits{std::chrono::milliseconds(5000), std::chrono::milliseconds(15000),
                                 std::chrono::seconds(15)};

class BoundedText : public HttpReceiver {
public:
    std::string bytes;

    void OnHead(const HttpResponseHead& head) override {
        if (head.contentLength) bytes.reserve(std::min<std::uint64_t>(*head.contentLength, kMaxTextBytes));
    }
    bool OnBody(std::string_view block) override {
        bytes.append(block.substr(0, kMaxTextBytes - bytes.size()));
        return bytes.size() < kMaxTextBytes;
    }
};

}  // namespace

std::optional<ServerText> FetchServerText(const std::string& url, std::stop_token stop) {
    HttpTransfer transfer;
    std::stop_callback cancel(stop, [&transfer] { transfer.Cancel(); });
    BoundedText receiver;
    const HttpOutcome outcome = transfer.Run(url, kTextLimits, receiver);
    if (outcome.end != HttpEnd::Complete && outcome.end != HttpEnd::Stopped) return std::nullopt;

    ServerText result;
    result.text = DecodeText(receiver.bytes, CodePage::Ansi);
    if (result.text.size() > kServerTextMaxUnits) {
        result.text.resize(kServerTextMaxUnits);
        result.bytes = EncodeText(result.text, CodePage::Ansi);
    } else {
        result.bytes = std::move(receiver.bytes);
    }
    return result;
}

bool IsValidServerText(std::u16string_view text) {
    return text.find(u"dodiror") != std::u16string_view::npos;
}

int VersionNumberOf(std::string_view bytes) {
    constexpr std::size_t kOffset = 7;
    if (bytes.size() <= kOffset) return 0;
    std::string_view rest = bytes.substr(kOffset);
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front()))) rest.remove_prefix(1);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    long long value = 0;
    for (char c : rest) {
        if (c < '0' || c > '9') break;
        value = std::min<long long>(value * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int CheckVersion(const std::string& url, std::stop_token stop) {
    const std::optional<ServerText> fetched = FetchServerText(url, stop);
    if (!fetched || !IsValidServerText(fetched->text)) return -1;
    return VersionNumberOf(fetched->bytes) > kOwnVersionNumber ? 1 : 0;
}

int CheckVersionOnServers(const UpdateServers& servers, std::stop_token stop) {
    const int primary = CheckVersion(ServerUrl(servers.primary, kVersionFilePath), stop);
    if (primary != -1 || stop.stop_requested()) return primary;
    return CheckVersion(ServerUrl(servers.mirror, kVersionFilePath), stop);
}

std::optional<std::u16string> FetchValidText(const UpdateServers& servers, const char* path,
                                             std::stop_token stop) {
    for (const std::string* base : {&servers.primary, &servers.mirror}) {
        if (stop.stop_requested()) break;
        std::optional<ServerText> fetched = FetchServerText(ServerUrl(*base, path), stop);
        if (fetched && IsValidServerText(fetched->text)) return std::move(fetched->text);
    }
    return std::nullopt;
}

std::vector<std::u16string> ParseNotices(std::u16string_view text) {
    std::vector<std::u16string> notices;
    std::u16string current;
    for (char16_t c : text) {
        if (c == u'\r' || c == u'\n') continue;
        if (c == u'$') {
            if (notices.empty()) return {};
            if (!current.empty() && notices.size() < kMaxNotices) notices.push_back(std::move(current));
            return notices;
        }
        if (c == u'#') {
            if (notices.size() < kMaxNotices) notices.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    return {};
}

}  // namespace viz

#include "base/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/CodePage.h"

namespace viz {
namespace {

constexpr char kHeader[] = "# Vizuruv settings; written by the program, edit with care.";
constexpr char kDwordTag[] = "dword:";
constexpr char kTextTag[] = "sz:";

std::string EscapeText(const std::string& utf8) {
    std::string out;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> UnescapeText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\': out += '\\'; break;
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            case 'x': {
                if (i + 2 >= text.size()) return std::nullopt;
                const std::string hex = text.substr(i + 1, 2);
                char* end = nullptr;
                const long value = std::strtol(hex.c_str(), &end, 16);
                if (end != hex.c_str() + 2) return std::nullopt;
                out += static_cast<char>(value);
                i += 2;
                break;
            }
            default: return std::nullopt;
        }
    }
    return out;
}

bool ValidName(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                        c == '\\';
        if (!ok) return false;
    }
    return true;
}

std::optional<SettingsValue> ParseValue(const std::string& text) {
    if (text.rfind(kDwordTag, 0) == 0) {
        const std::string digits = text.substr(sizeof kDwordTag - 1);
        if (digits.empty() || digits.size() > 10) return std::nullopt;
        for (const char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
        }
        const unsigned long long value = std::stoull(digits);
        if (value > 0xFFFFFFFFull) return std::nullopt;
        return SettingsValue(static_cast<std::uint32_t>(value));
    }
    if (text.rfind(kTextTag, 0) == 0) {
        const auto utf8 = UnescapeText(text.substr(sizeof kTextTag - 1));
        if (!utf8) return std::nullopt;
        return SettingsValue(Utf8ToUtf16(*utf8));
    }
    return std::nullopt;
}

std::string TimeStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}  // namespace

const SettingsDocument::Section* SettingsDocument::FindSection(const std::string& name) const {
    const auto it = sections_.find(name);
    return it == sections_.end() ? nullptr : &it->second;
}

void SettingsDocument::RemoveValue(const std::string& section, const std::string& value) {
    const auto it = sections_.find(section);
    if (it != sections_.end()) it->second.erase(value);
}

std::string SettingsDocument::Serialize() const {
    std::ostringstream out;
    out << kHeader << '\n';
    for (const auto& [name, values] : sections_) {
        out << '[' << name << "]\n";
        for (const auto& [valueName, value] : values) {
            out << valueName << '=';
            if (const auto* number = std::get_if<std::uint32_t>(&value)) {
                out << kDwordTag << *number;
            } else {
                out << kTextTag << EscapeText(Utf16ToUtf8(std::get<std::u16string>(value)));
            }
            out << '\n';
        }
    }
    return out.str();
}

std::optional<SettingsDocument> SettingsDocument::Parse(const std::string& text) {
    SettingsDocument document;
    Section* current = nullptr;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return std::nullopt;
            const std::string name = line.substr(1, line.size() - 2);
            if (!ValidName(name)) return std::nullopt;
            current = &document.sections_[name];
            continue;
        }
        const auto equals = line.find('=');
        if (!current || equals == std::string::npos) return std::nullopt;
        const std::string name = line.substr(0, equals);
        auto value = ParseValue(line.substr(equals + 1));
        if (!ValidName(name) || !value) return std::nullopt;
        (*current)[name] = std::move(*value);
    }
    return document;
}

SettingsFile::LoadState SettingsFile::Load(SettingsDocument& document) const {
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec)) return ec ? LoadState::Unusable : LoadState::Missing;
    std::ifstream in(path_, std::ios::binary);
    std::optional<SettingsDocument> parsed;
    if (in) {
        std::ostringstream content;
        content << in.rdbuf();
        if (!in.bad()) parsed = SettingsDocument::Parse(content.str());
    }
    if (parsed) {
        document = std::move(*parsed);
        return LoadState::Loaded;
    }
    return SetAside() ? LoadState::Missing : LoadState::Unusable;
}

bool SettingsFile::SetAside() const {
    const std::string base = path_.string() + ".broken-" + TimeStamp();
    std::string target = base;
    std::error_code ec;
    for (int n = 1; std::filesystem::exists(target, ec) && n < 100; ++n) target = base + "-" + std::to_string(n);
    std::filesystem::rename(path_, target, ec);
    return !ec;
}

int SettingsFile::Save(const SettingsDocument& document) const {
    std::error_code ec;
    std::filesystem::create_directories(path_.parent_path(), ec);
    const std::string temp = path_.string() + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return kSettingsNoStore;
    const std::string text = document.Serialize();
    std::size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), path_.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return kSettingsWriteFault;
    }
    return kSettingsOk;
}

}  // namespace viz

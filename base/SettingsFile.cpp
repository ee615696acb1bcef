#include "base/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sstream>
#include <string_view>
#include <utility>

#include "platform/CodePage.h"
#include "platform/DurableFiles.h"

namespace viz {
namespace {

constexpr char kHeader[] =
    "# Vizuruv settings, format 2; written by the program. A file changed by hand is set aside.\n";
// Files written before the checksum line existed start with this line (or,
// written by hand, with a section); they are read once and rewritten.
constexpr char kLegacyHeader[] = "# Vizuruv settings; written by the program, edit with care.\n";
// The last line: the checksum of every byte before it.
constexpr char kChecksumTag[] = "# end fnv1a64 ";
constexpr std::size_t kChecksumDigits = 16;
// Far above anything the program writes; a bigger file is not ours.
constexpr std::size_t kMaxFileSize = 1 << 20;
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

std::uint64_t Fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

std::string ChecksumLine(std::string_view body) {
    char digits[kChecksumDigits + 1];
    std::snprintf(digits, sizeof digits, "%016llX", static_cast<unsigned long long>(Fnv1a64(body)));
    return std::string(kChecksumTag) + digits + '\n';
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The values part of a file of the current format, or nullopt when the
// checksum line is missing, cut or does not match.
std::optional<std::string> CheckedBody(const std::string& text) {
    const std::size_t lineSize = sizeof kChecksumTag - 1 + kChecksumDigits + 1;
    if (text.size() < lineSize || text.back() != '\n') return std::nullopt;
    const std::string_view body = std::string_view(text).substr(0, text.size() - lineSize);
    if (!body.empty() && body.back() != '\n') return std::nullopt;
    if (text.compare(body.size(), std::string::npos, ChecksumLine(body)) != 0) return std::nullopt;
    return std::string(body.substr(sizeof kHeader - 1));
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
    out << kHeader;
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
    std::string text = out.str();
    text += ChecksumLine(text);
    return text;
}

std::optional<SettingsDocument> SettingsDocument::Parse(const std::string& text, bool* legacy) {
    if (legacy) *legacy = false;
    if (StartsWith(text, kHeader)) {
        const auto body = CheckedBody(text);
        return body ? ParseValues(*body) : std::nullopt;
    }
    // An empty file or one cut inside the header line is neither format.
    if (!StartsWith(text, kLegacyHeader) && !StartsWith(text, "[")) return std::nullopt;
    if (legacy) *legacy = true;
    return ParseValues(text);
}

std::optional<SettingsDocument> SettingsDocument::ParseValues(const std::string& text) {
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

SettingsFile::LoadState SettingsFile::Load(SettingsDocument& document) {
    // Non-blocking, so a pipe at the path cannot hang the program.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) return LoadState::Missing;
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && !S_ISREG(info.st_mode)) {
        ::close(fd);
        return SetAside(SettingsNotice::Kind::NotAFileSetAside) ? LoadState::Missing : LoadState::Unusable;
    }
    std::string text;
    bool readWhole = fd >= 0 && static_cast<std::size_t>(info.st_size) <= kMaxFileSize;
    while (readWhole) {
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            readWhole = n == 0;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        readWhole = text.size() <= kMaxFileSize;
    }
    if (fd >= 0) ::close(fd);
    bool legacy = false;
    auto parsed = readWhole ? SettingsDocument::Parse(text, &legacy) : std::nullopt;
    if (!parsed) return SetAside(SettingsNotice::Kind::SetAside) ? LoadState::Missing : LoadState::Unusable;
    document = std::move(*parsed);
    if (legacy) Save(document);
    return LoadState::Loaded;
}

bool SettingsFile::SetAside(SettingsNotice::Kind kind) {
    const std::string base = path_.string() + ".broken-" + TimeStamp();
    int error = EEXIST;  // every name taken
    for (int n = 0; n < 1000; ++n) {
        const std::string target = n == 0 ? base : base + "-" + std::to_string(n);
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) continue;
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            error = errno;
            break;
        }
        notices_.push_back({kind, path_, target, {}});
        return true;
    }
    NoteNotSaved(error);
    return false;
}

void SettingsFile::NoteNotSaved(int error) {
    if (notSavedNoted_) return;
    notSavedNoted_ = true;
    notices_.push_back({SettingsNotice::Kind::NotSaved, path_, {}, std::strerror(error)});
}

std::vector<SettingsNotice> SettingsFile::TakeNotices() {
    return std::exchange(notices_, {});
}

std::string SettingsFile::TemporaryPath() const {
    return path_.string() + ".tmp-" + std::to_string(::getpid());
}

int SettingsFile::WriteTemporary(const std::string& temp, const SettingsDocument& document, bool sync) {
    std::error_code ec;
    std::filesystem::create_directories(FolderOf(path_), ec);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        NoteNotSaved(errno);
        return kSettingsNoStore;
    }
    bool ok = WriteAllBytes(fd, document.Serialize()) && (!sync || ::fsync(fd) == 0);
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        NoteNotSaved(error);
        return kSettingsWriteFault;
    }
    return kSettingsOk;
}

int SettingsFile::Save(const SettingsDocument& document) {
    const std::string temp = TemporaryPath();
    if (const int rc = WriteTemporary(temp, document, true); rc != kSettingsOk) return rc;
    if (::rename(temp.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        NoteNotSaved(error);
        return kSettingsWriteFault;
    }
    if (!SyncFolder(FolderOf(path_))) {
        NoteNotSaved(errno);
        return kSettingsWriteFault;
    }
    return kSettingsOk;
}

int SettingsFile::CheckSavable(const SettingsDocument& document) {
    const std::string temp = TemporaryPath();
    const int rc = WriteTemporary(temp, document, false);
    if (rc == kSettingsOk) ::unlink(temp.c_str());
    return rc;
}

void SettingsFile::RemoveStaleTempFiles() const {
    RemoveFilesOfEndedProcesses(FolderOf(path_), {path_.filename().string() + ".tmp-", false},
                                OwnFiles::Remove);
}

}  // namespace viz

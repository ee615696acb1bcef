#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace viz {

// Result codes of settings operations, numbered like the registry's codes the
// callers were written against: 0 success, a positive error code, -1 when the
// store can be neither opened nor created.
enum SettingsCode : int {
    kSettingsOk = 0,
    kSettingsNotFound = 2,
    kSettingsInvalidData = 13,
    kSettingsWriteFault = 29,
    kSettingsMoreData = 234,
    kSettingsNoStore = -1,
};

// One stored value: a 32-bit number or a text (UTF-16).
using SettingsValue = std::variant<std::uint32_t, std::u16string>;

// The settings document: named sections ("Vizuruv", "Vizuruv\MoreSend") of
// named values, kept in a UTF-8 text file of our own format.
class SettingsDocument {
public:
    using Section = std::map<std::string, SettingsValue>;

    bool HasSection(const std::string& name) const { return sections_.count(name) != 0; }
    Section& SectionNamed(const std::string& name) { return sections_[name]; }
    const Section* FindSection(const std::string& name) const;
    void RemoveValue(const std::string& section, const std::string& value);

    std::string Serialize() const;
    // nullopt when the text is not a settings document.
    static std::optional<SettingsDocument> Parse(const std::string& text);

private:
    std::map<std::string, Section> sections_;
};

// Loading and saving the document at a path. Saves go to a temporary file
// that is renamed over the old one, so a crash never leaves half a file.
class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }

    enum class LoadState { Loaded, Missing, Unusable };
    // A file that exists but cannot be read or parsed is renamed aside
    // (".broken-<time>") and reported Missing, so it is never overwritten;
    // Unusable means even that failed and the store must not be written.
    LoadState Load(SettingsDocument& document) const;
    int Save(const SettingsDocument& document) const;

private:
    bool SetAside() const;

    std::filesystem::path path_;
};

}  // namespace viz

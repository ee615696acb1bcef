#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

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

    // The file's text: a header line, the values, and a last line holding a
    // checksum of everything before it, so a cut or damaged file is told
    // from a whole one.
    std::string Serialize() const;
    // nullopt when the text is not a whole settings file. Files of the
    // earlier format (no checksum line) are accepted; `legacy` says so.
    static std::optional<SettingsDocument> Parse(const std::string& text, bool* legacy = nullptr);

private:
    static std::optional<SettingsDocument> ParseValues(const std::string& text);

    std::map<std::string, Section> sections_;
};

// Something about the settings file the user should be told once.
struct SettingsNotice {
    enum class Kind {
        SetAside,          // unreadable or damaged: renamed to `movedTo`, defaults used
        NotAFileSetAside,  // a folder or other non-file stood at the path: renamed to `movedTo`
        NotSaved,          // the file cannot be written: changes of this run are lost
    };
    Kind kind;
    std::filesystem::path path;
    std::filesystem::path movedTo;
    std::string reason;  // the system's description, for NotSaved
};

// Loading and saving the document at a path. Saves go to a temporary file
// that is synced, renamed over the old one and the folder synced, so neither
// a crash nor a power loss leaves half a file.
class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }

    enum class LoadState { Loaded, Missing, Unusable };
    // A file that cannot be read, is damaged or cut short, or is not a file
    // at all is renamed aside (".broken-<time>") and reported Missing, so it
    // is never overwritten; Unusable means even that failed and the store
    // must not be written. A file of the earlier format is rewritten at once.
    LoadState Load(SettingsDocument& document);
    int Save(const SettingsDocument& document);
    // Writes the document to the temporary file and removes it again,
    // without syncing: whether a save would be taken now. A refusal is
    // noted like a failed save.
    int CheckSavable(const SettingsDocument& document);

    // Removes "<name>.tmp-<pid>" files that saves of processes no longer
    // running left behind when they were killed between write and rename.
    void RemoveStaleTempFiles() const;

    // What happened since the last call; NotSaved is reported once per run.
    std::vector<SettingsNotice> TakeNotices();

private:
    bool SetAside(SettingsNotice::Kind kind);
    std::string TemporaryPath() const;
    // Writes `temp` whole (synced when `sync`); on failure removes it and notes why.
    int WriteTemporary(const std::string& temp, const SettingsDocument& document, bool sync);
    void NoteNotSaved(int error);

    std::filesystem::path path_;
    std::vector<SettingsNotice> notices_;
    bool notSavedNoted_ = false;
};

}  // namespace viz

#pragma once

// One operation of the settings store on one section of its file: the file
// is loaded, values are read or set, and a write is saved once at the end.
//
//   WriteGroup(file, "Vizuruv", [&](OpenKey& key) { key.SetNumber("ServerLocalPort", port); });
//   ReadGroup(file, "Vizuruv", [&](const OpenKey& key) { return key.GetNumber("ServerLocalPort", port); });
//
// Only the store's own files use it; pages go through SettingsStore.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "base/SettingsFile.h"

namespace viz {

// Cuts a text so it fits `units` code units with its terminator, never
// leaving half a surrogate pair at the end.
inline std::u16string FitText(std::u16string_view text, std::size_t units) {
    std::u16string fitted(text.substr(0, units - 1));
    if (fitted.size() < text.size() && !fitted.empty() && fitted.back() >= 0xD800 && fitted.back() <= 0xDBFF)
        fitted.pop_back();
    return fitted;
}

// An open section of the store for the length of one operation. Writes are
// committed by Close(); the result of the operation is the first failure.
class OpenKey {
public:
    // Reading never creates the store, so a page reading its values before
    // the first-run test cannot hide the first run.
    OpenKey(SettingsFile& file, const char* section) : file_(file), section_(section) {
        usable_ = file.Load(document_) != SettingsFile::LoadState::Unusable;
    }

    bool usable() const { return usable_; }

    void SetNumber(const char* name, std::uint32_t value) { Set(name, value); }
    void SetText(const std::string& name, std::u16string_view text, std::size_t units) {
        Set(name, FitText(text, units));
    }

    int GetNumber(const char* name, std::uint32_t& value) const {
        const SettingsValue* stored = Find(name);
        if (!stored) return kSettingsNotFound;
        const auto* number = std::get_if<std::uint32_t>(stored);
        if (!number) return kSettingsInvalidData;
        value = *number;
        return kSettingsOk;
    }
    int GetText(const std::string& name, std::u16string& text, std::size_t units) const {
        const SettingsValue* stored = Find(name);
        if (!stored) return kSettingsNotFound;
        const auto* stored_text = std::get_if<std::u16string>(stored);
        if (!stored_text) return kSettingsInvalidData;
        if (stored_text->size() + 1 > units) return kSettingsMoreData;
        text = *stored_text;
        return kSettingsOk;
    }

    // A write that changes nothing leaves the file alone: no save, no sync.
    int Close() { return dirty_ ? file_.Save(document_) : kSettingsOk; }

    int CheckSavable() { return file_.CheckSavable(document_); }

private:
    void Set(const std::string& name, SettingsValue value) {
        auto& values = document_.SectionNamed(section_);
        const auto [stored, added] = values.try_emplace(name, value);
        if (!added && stored->second == value) return;
        stored->second = std::move(value);
        dirty_ = true;
    }

    const SettingsValue* Find(const std::string& name) const {
        const auto* values = document_.FindSection(section_);
        if (!values) return nullptr;
        const auto it = values->find(name);
        return it == values->end() ? nullptr : &it->second;
    }

    SettingsFile& file_;
    std::string section_;
    SettingsDocument document_;
    bool usable_ = false;
    bool dirty_ = false;
};

// Runs a write operation: the values are set in order, then committed at once.
template <typename Fn>
int WriteGroup(SettingsFile& file, const char* section, Fn&& setValues) {
    OpenKey key(file, section);
    if (!key.usable()) return kSettingsNoStore;
    setValues(key);
    return key.Close();
}

// Runs a read operation; `getValues` returns the first failing code.
template <typename Fn>
int ReadGroup(SettingsFile& file, const char* section, Fn&& getValues) {
    OpenKey key(file, section);
    if (!key.usable()) return kSettingsNoStore;
    return getValues(key);
}

}  // namespace viz

#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace viz {

// The user's settings file:
//
//   SettingsStore store(DefaultSettingsPath());
//
// $XDG_CONFIG_HOME/Vizuruv/Vizuruv.conf, with ~/.config standing in when
// XDG_CONFIG_HOME is unset or not absolute. The home folder is $HOME, or the
// password database's entry when HOME is unset. Only a user without a home
// folder there gets a folder of their own in the temporary folder.
std::filesystem::path DefaultSettingsPath();

// Where the settings path is looked up; DefaultSettingsPath fills it from
// the environment and the password database.
struct SettingsPlaces {
    std::optional<std::string> xdgConfigHome;
    std::optional<std::string> home;
    std::optional<std::string> passwdHome;
    std::filesystem::path tempFolder;
};

// The temporary folder is shared by every user: the folder taken there,
// Vizuruv-<uid>, is made with mode 0700 and used only while this user owns
// it and nobody else may enter it. Otherwise a fresh private folder is made
// beside it, so a file another user planted is never read.
std::filesystem::path SettingsPathIn(const SettingsPlaces& places);

// The home folder the password database gives the real user, if any.
std::optional<std::string> PasswdHome();

}  // namespace viz

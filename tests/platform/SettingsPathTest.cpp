// Where settings live when the environment says little: never in a folder
// of the shared temporary folder that another user could have made.
#include "platform/SettingsPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "TempDir.h"

namespace viz {
namespace {

class EnvironmentVariable {
public:
    explicit EnvironmentVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) saved_ = value;
    }
    ~EnvironmentVariable() {
        if (saved_)
            ::setenv(name_, saved_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(SettingsPath, WithoutHomeTheHomeFolderComesFromThePasswordDatabase) {
    const EnvironmentVariable home("HOME");
    const EnvironmentVariable xdg("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    const std::optional<std::string> passwdHome = PasswdHome();
    ASSERT_TRUE(passwdHome) << "the user running the tests has an entry";
    EXPECT_EQ(DefaultSettingsPath(), std::filesystem::path(*passwdHome) / ".config/Vizuruv/Vizuruv.conf");

    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(DefaultSettingsPath(), std::filesystem::path("/home/someone/.config/Vizuruv/Vizuruv.conf"));
    ::setenv("XDG_CONFIG_HOME", "/etc/xdg-of-mine", 1);
    EXPECT_EQ(DefaultSettingsPath(), std::filesystem::path("/etc/xdg-of-mine/Vizuruv/Vizuruv.conf"));
}

// Without any home folder the temporary folder is used, but only a folder
// of this user's that nobody else may enter: a planted one is passed by.
TEST(SettingsPath, WithoutAnyHomeOnlyAPrivateFolderOfOursInTheTemporaryFolderIsUsed) {
    testing::TempDir temp;
    const std::filesystem::path ours = temp / ("Vizuruv-" + std::to_string(::getuid()));
    const SettingsPlaces places{std::nullopt, std::string(), std::nullopt, temp.path()};

    EXPECT_EQ(SettingsPathIn(places), ours / "Vizuruv/Vizuruv.conf");
    struct stat info {};
    ASSERT_EQ(::stat(ours.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, ::getuid());

    // Another user's folder, or one open to all, holding a planted file.
    std::filesystem::create_directories(ours / "Vizuruv");
    std::ofstream(ours / "Vizuruv/Vizuruv.conf") << "[Vizuruv]\nAutoUpdate=0\n";
    ASSERT_EQ(::chmod(ours.c_str(), 0777), 0);
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(ours.c_str(), 65534, 65534), 0);
    }
    const std::filesystem::path chosen = SettingsPathIn(places);
    EXPECT_NE(chosen.parent_path().parent_path(), ours) << chosen;
    EXPECT_EQ(chosen.parent_path().parent_path().parent_path(), temp.path()) << chosen;
    ASSERT_EQ(::stat(chosen.parent_path().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, ::getuid());
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_FALSE(std::filesystem::exists(chosen));
}

}  // namespace
}  // namespace viz

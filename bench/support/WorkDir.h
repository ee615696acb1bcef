#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace bench {

// A fresh folder under the system temp folder that is the working directory
// while the object lives. Pages write their capture, output and log files
// into the working directory, so a bench that creates a page makes one of
// these first: nothing it writes lands where it was started (a checkout).
// Removed with everything in it when the object goes.
class WorkDir {
public:
    WorkDir() : previous_(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "viz-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
            std::perror("bench work folder");
            std::exit(2);
        }
        path_ = pattern;
    }
    ~WorkDir() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace bench

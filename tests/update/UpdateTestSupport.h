#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace viz::testing {

// Points the update servers at the given addresses for the life of the
// object, then back at the safe loopback defaults of the test run.
class ScopedUpdateServers {
public:
    ScopedUpdateServers(const std::string& primary, const std::string& mirror) {
        previousPrimary_ = Get("VIZURUV_UPDATE_PRIMARY");
        previousMirror_ = Get("VIZURUV_UPDATE_MIRROR");
        ::setenv("VIZURUV_UPDATE_PRIMARY", primary.c_str(), 1);
        ::setenv("VIZURUV_UPDATE_MIRROR", mirror.c_str(), 1);
    }
    ~ScopedUpdateServers() {
        ::setenv("VIZURUV_UPDATE_PRIMARY", previousPrimary_.c_str(), 1);
        ::setenv("VIZURUV_UPDATE_MIRROR", previousMirror_.c_str(), 1);
    }

private:
    static std::string Get(const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    }

    std::string previousPrimary_;
    std::string previousMirror_;
};

// The whole content of a file the component wrote.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The names of the files in a folder, sorted.
inline std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace viz::testing

#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <cstdlib>
#include <unistd.h>

// Running the compilers and simulators the wizards' output is checked with.
namespace viz::testing {

// The program's full path on PATH, or empty when it is not installed.
inline std::filesystem::path FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct CommandResult {
    bool ok = false;     // exit status 0
    std::string output;  // stdout and stderr together
};

// Runs a shell command in `dir`; its output goes to a file there and is
// returned, so a failing tool explains itself in the test's message.
inline CommandResult RunIn(const std::filesystem::path& dir, const std::string& command,
                           const std::string& logName = "command.log") {
    const std::filesystem::path log = dir / logName;
    const std::string line = "cd '" + dir.string() + "' && (" + command + ") > '" + log.string() + "' 2>&1";
    CommandResult result;
    result.ok = std::system(line.c_str()) == 0;
    result.output = ReadFile(log);
    return result;
}

}  // namespace viz::testing

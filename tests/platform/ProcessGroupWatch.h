#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "wizards/ToolRunner.h"

// What runs in a process group, read from /proc, for the tests that kill a
// parent and look for what it left.
namespace viz::testing {

struct ProcessEntry {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t group = 0;
    char state = '?';
    std::string name;
};

inline std::vector<ProcessEntry> Processes() {
    std::vector<ProcessEntry> entries;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = ReadFile(entry.path() / "stat");
        const std::size_t open = stat.find('(');
        const std::size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size()) continue;
        ProcessEntry process;
        process.pid = std::stoi(stat.substr(0, open));
        process.name = stat.substr(open + 1, close - open - 1);
        process.state = stat[close + 2];
        char* rest = nullptr;
        process.parent = static_cast<pid_t>(std::strtol(stat.c_str() + close + 4, &rest, 10));
        process.group = static_cast<pid_t>(std::strtol(rest, nullptr, 10));
        entries.push_back(process);
    }
    return entries;
}

// The living members of a group (zombies wait only for their collection).
inline std::vector<ProcessEntry> LivingMembers(pid_t group) {
    std::vector<ProcessEntry> members;
    for (const ProcessEntry& process : Processes()) {
        if (process.group == group && process.state != 'Z' && process.state != 'X')
            members.push_back(process);
    }
    return members;
}

// The first living process named `name` below `ancestor`; pid 0 when none.
inline pid_t DescendantNamed(pid_t ancestor, const std::string& name) {
    const std::vector<ProcessEntry> all = Processes();
    const auto parentOf = [&](pid_t pid) {
        for (const ProcessEntry& process : all)
            if (process.pid == pid) return process.parent;
        return pid_t{0};
    };
    for (const ProcessEntry& process : all) {
        if (process.name != name || process.state == 'Z') continue;
        for (pid_t up = process.parent; up > 1; up = parentOf(up))
            if (up == ancestor) return process.pid;
    }
    return 0;
}

// Waits until the group has no living member; whether it came to that
// within a patience only a survivor exhausts.
inline bool GroupEnds(pid_t group) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!LivingMembers(group).empty()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline std::string Describe(const std::vector<ProcessEntry>& processes) {
    std::string text;
    for (const ProcessEntry& process : processes)
        text += std::to_string(process.pid) + " " + process.name + "\n";
    return text;
}

}  // namespace viz::testing

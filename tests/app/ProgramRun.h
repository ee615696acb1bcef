#pragma once

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace viz::testing {

// The real program started from outside, as a user's shell would: a working
// directory and a settings folder of its own under `home`, the offscreen
// platform, the update servers on a closed loopback port, English messages
// unless `environment` says otherwise (a value of "" removes a variable). The
// test probe is loaded into it, so once it says "ready" it answers Ask().
class ProgramRun {
public:
    using Environment = std::map<std::string, std::string>;

    ProgramRun(const std::filesystem::path& home, const std::vector<std::string>& arguments,
               const Environment& environment = {}) {
        std::signal(SIGPIPE, SIG_IGN);
        std::filesystem::create_directories(home / "work");
        errorsPath_ = home / "stderr.txt";
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) return;
        input_ = input[1];
        output_ = output[0];

        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorsPath_.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::posix_spawn_file_actions_addchdir_np(&actions, (home / "work").c_str());

        std::vector<std::string> argv{VIZ_PROGRAM};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const std::vector<std::string> envp = ChildEnvironment(home, environment);
        std::vector<char*> argvPointers = Pointers(argv);
        std::vector<char*> envPointers = Pointers(envp);
        if (::posix_spawn(&pid_, VIZ_PROGRAM, &actions, nullptr, argvPointers.data(), envPointers.data()) !=
            0)
            pid_ = -1;
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
    }

    ~ProgramRun() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (input_ >= 0) ::close(input_);
        if (output_ >= 0) ::close(output_);
    }

    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t pid() const { return pid_; }

    // The probe's next line, or "<timeout>".
    std::string ReadLine() {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (true) {
            if (const std::size_t end = pending_.find('\n'); end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return "<timeout>";
        }
    }

    std::string Ask(const std::string& command) {
        const std::string line = command + "\n";
        if (::write(input_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            return "<not asked>";
        return ReadLine();
    }

    // Asks again until the answer is `expected`, or `fits` it (the window
    // gets there on its own, like a connect); returns the last answer.
    std::string AskUntil(const std::string& command, const std::function<bool(const std::string&)>& fits) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        std::string answer = Ask(command);
        while (!fits(answer) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            answer = Ask(command);
        }
        return answer;
    }
    std::string AskUntil(const std::string& command, const std::string& expected) {
        return AskUntil(command, [&expected](const std::string& answer) { return answer == expected; });
    }

    // The exit status once the program has ended by itself, -1 if it had
    // not within the patience (it is then killed) or was ended by a signal.
    int Finish() {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        while (ReadSome(0)) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // What the program wrote, complete after Finish().
    const std::string& output() const { return pending_; }
    std::string errors() const {
        std::ifstream file(errorsPath_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    static constexpr std::chrono::seconds kPatience{30};

    static std::vector<std::string> ChildEnvironment(const std::filesystem::path& home,
                                                     const Environment& environment) {
        Environment values{{"QT_QPA_PLATFORM", "offscreen"},
                           {"XDG_CONFIG_HOME", (home / "config").string()},
                           {"HOME", home.string()},
                           {"VIZURUV_UPDATE_PRIMARY", "http://127.0.0.1:9/"},
                           {"VIZURUV_UPDATE_MIRROR", "http://127.0.0.1:9/"},
                           {"LD_PRELOAD", VIZ_PROBE},
                           {"LANG", "en_US.UTF-8"},
                           {"LC_ALL", ""},
                           {"LC_MESSAGES", ""}};
#if defined(__SANITIZE_ADDRESS__)
        // The probe is loaded before the sanitizer's runtime, which it then accepts.
        const char* asan = std::getenv("ASAN_OPTIONS");
        values["ASAN_OPTIONS"] = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
#endif
        for (const auto& [name, value] : environment) values[name] = value;
        std::vector<std::string> result;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            if (!values.contains(text.substr(0, text.find('=')))) result.push_back(text);
        }
        for (const auto& [name, value] : values) {
            if (!value.empty()) result.push_back(name + "=" + value);
        }
        return result;
    }

    static std::vector<char*> Pointers(const std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
        pointers.push_back(nullptr);
        return pointers;
    }

    bool ReadSome(int timeoutMs) {
        pollfd ready{output_, POLLIN, 0};
        if (::poll(&ready, 1, timeoutMs) <= 0) return false;
        char buffer[4096];
        const ssize_t got = ::read(output_, buffer, sizeof buffer);
        if (got <= 0) return false;
        pending_.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string pending_;
    std::filesystem::path errorsPath_;
};

}  // namespace viz::testing

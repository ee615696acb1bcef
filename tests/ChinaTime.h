#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace viz::testing {

// Local time is China's (UTC+8, no daylight saving) while it lives, so time
// stamps and exported times read the same on every machine.
class ChinaTime {
public:
    ChinaTime() {
        if (const char* zone = std::getenv("TZ")) saved_ = zone;
        setenv("TZ", "CST-8", 1);
        tzset();
    }
    ~ChinaTime() {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ChinaTime(const ChinaTime&) = delete;
    ChinaTime& operator=(const ChinaTime&) = delete;

private:
    std::optional<std::string> saved_;
};

}  // namespace viz::testing

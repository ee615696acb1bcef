#include "terminal/TimeStamp.h"

#include <ctime>

namespace viz {
namespace {

void PutTwoDigits(char16_t* at, int value) {
    at[0] = static_cast<char16_t>(u'0' + value / 10);
    at[1] = static_cast<char16_t>(u'0' + value % 10);
}

}  // namespace

const std::u16string& TimeStampFormat::Prefix(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto second = floor<seconds>(time);
    const auto count = static_cast<std::int64_t>(second.time_since_epoch().count());
    if (count != second_) {
        second_ = count;
        const std::time_t clock = system_clock::to_time_t(second);
        std::tm local{};
        localtime_r(&clock, &local);
        PutTwoDigits(&prefix_[1], local.tm_hour);
        PutTwoDigits(&prefix_[4], local.tm_min);
        PutTwoDigits(&prefix_[7], local.tm_sec);
    }
    const auto millis = static_cast<int>(duration_cast<milliseconds>(time - second).count());
    prefix_[10] = static_cast<char16_t>(u'0' + millis / 100);
    PutTwoDigits(&prefix_[11], millis % 100);
    return prefix_;
}

}  // namespace viz

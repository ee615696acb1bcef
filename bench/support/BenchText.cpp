#include "BenchText.h"

#include "BenchPty.h"

#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace bench {
namespace {

constexpr char kLine[] = "温度=25.3℃ 湿度=61% 电压=3.30V 状态=正常 计数=0123456789\n";
constexpr std::size_t kStampLength = 15;

std::string ToCodePage936(const std::string& utf8) {
    iconv_t cd = iconv_open("CP936", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

bool IsStamp(const char* p) {
    static constexpr char kShape[] = "[00:00:00.000] ";
    for (std::size_t i = 0; i < kStampLength; ++i) {
        const bool digit = kShape[i] == '0';
        if (digit ? !std::isdigit(static_cast<unsigned char>(p[i])) : p[i] != kShape[i]) return false;
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> PatternPeriod() {
    std::vector<std::uint8_t> period(251);
    for (std::size_t i = 0; i < period.size(); ++i) period[i] = PatternByte(i);
    return period;
}

std::vector<std::uint8_t> TextLinePeriod(bool utf8) {
    const std::string line = utf8 ? std::string(kLine) : ToCodePage936(kLine);
    return {line.begin(), line.end()};
}

std::size_t WholePeriods(std::size_t total, std::size_t period) {
    return (total + period - 1) / period * period;
}

std::thread StartPeriodicWriter(int fd, std::size_t total, std::size_t block,
                                std::vector<std::uint8_t> period) {
    return std::thread([fd, total, block, period = std::move(period)] {
        std::vector<std::uint8_t> data;
        while (data.size() < block + period.size()) data.insert(data.end(), period.begin(), period.end());
        for (std::size_t done = 0; done < total;) {
            const ssize_t n = ::write(fd, data.data() + done % period.size(), std::min(block, total - done));
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
    });
}

std::string ShownPeriod(const std::vector<std::uint8_t>& period, bool hex) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string shown;
    for (const std::uint8_t byte : period) {
        if (hex) {
            shown += {kDigits[byte >> 4], kDigits[byte & 15], ' '};
        } else {
            if (byte == '\n') shown += '\r';
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

OutputCheck CheckOutputFile(const std::filesystem::path& path, const std::string& shownPeriod,
                            std::size_t periods) {
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    OutputCheck check;
    std::size_t at = 0;  // in the expected stream
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '[') {
            ++check.stamps;
            if (i + kStampLength > text.size() || !IsStamp(text.data() + i)) ++check.badStamps;
            i += kStampLength;
            continue;
        }
        check.mismatches += text[i] != shownPeriod[at % shownPeriod.size()];
        ++at;
        ++i;
    }
    const std::size_t expected = shownPeriod.size() * periods;
    check.mismatches += at > expected ? at - expected : expected - at;
    return check;
}

}  // namespace bench

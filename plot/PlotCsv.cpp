#include "plot/PlotCsv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "plot/PlotExport.h"

namespace viz {
namespace {

// Rows made between two writes, each of which looks at the cancel flag.
constexpr std::size_t kBlockRows = 2000;

void AppendAscii(std::u16string& out, const char* begin, const char* end) {
    out.append(begin, end);
}

void AppendNumber(std::u16string& out, std::uint64_t number) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    AppendAscii(out, digits, result.ptr);
}

void AppendValue(std::u16string& out, double value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    AppendAscii(out, digits, result.ptr);
}

// A header field in quotes when it holds what would end or split it.
void AppendField(std::u16string& out, std::u16string_view text) {
    if (text.find_first_of(u",\"\r\n") == std::u16string_view::npos) {
        out.append(text);
        return;
    }
    out.push_back(u'"');
    for (const char16_t c : text) {
        if (c == u'"') out.push_back(u'"');
        out.push_back(c);
    }
    out.push_back(u'"');
}

// "YYYY-MM-DD HH:MM:SS" of the local time, worked out once per second.
class LocalTimeText {
public:
    void Append(std::u16string& out, std::int64_t microseconds) {
        std::int64_t second = microseconds / 1'000'000;
        std::int64_t micro = microseconds % 1'000'000;
        if (micro < 0) {
            micro += 1'000'000;
            --second;
        }
        if (second != second_) {
            second_ = second;
            const auto clock = static_cast<std::time_t>(second);
            std::tm local{};
            localtime_r(&clock, &local);
            char text[80];
            const int size =
                std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                              local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
            text_.assign(text, text + std::max(size, 0));
        }
        out.append(text_);
        const auto millis = static_cast<int>(micro / 1000);
        out.push_back(u'.');
        out.push_back(static_cast<char16_t>(u'0' + millis / 100));
        out.push_back(static_cast<char16_t>(u'0' + millis / 10 % 10));
        out.push_back(static_cast<char16_t>(u'0' + millis % 10));
    }

private:
    std::int64_t second_ = -1;
    std::u16string text_;
};

}  // namespace

void WritePlotCsv(PlotExportOut& out, const PlotSamples& samples, const std::vector<std::u16string>& names,
                  TextEncoding encoding) {
    std::u16string text = u"序号,时间";
    for (const std::u16string& name : names) {
        text.push_back(u',');
        AppendField(text, name);
    }
    text.append(u"\r\n");
    LocalTimeText times;
    const std::size_t channels = samples.channels();
    for (std::size_t row = 0; row < samples.size(); ++row) {
        AppendNumber(text, samples.number(row));
        text.push_back(u',');
        times.Append(text, samples.microseconds(row));
        for (std::size_t c = 0; c < names.size(); ++c) {
            text.push_back(u',');
            if (c < channels && !std::isnan(samples.value(c, row))) AppendValue(text, samples.value(c, row));
        }
        text.append(u"\r\n");
        if ((row + 1) % kBlockRows == 0) {
            if (!out.Write(EncodeFileText(text, encoding))) return;
            text.clear();
        }
    }
    out.Write(EncodeFileText(text, encoding));
}

PlotCsvResult WritePlotCsv(const std::filesystem::path& path, const PlotSamples& samples,
                           const std::vector<std::u16string>& names, TextEncoding encoding,
                           const std::atomic<bool>& cancel) {
    const PlotExportResult written = WritePlotExport(
        path, cancel, [&](PlotExportOut& out) { WritePlotCsv(out, samples, names, encoding); });
    PlotCsvResult result;
    result.error = written.error;
    result.cancelled = written.cancelled;
    if (written.error.empty() && !written.cancelled) result.rows = samples.size();
    return result;
}

}  // namespace viz

#include "terminal/MonitorRecords.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "base/MakerInfo.h"
#include "platform/CodePage.h"
#include "terminal/StreamDecoder.h"
#include "terminal/TerminalTexts.h"

namespace viz {
namespace {

namespace t = terminal_texts;

constexpr char16_t kNoData[] = u" - ";

std::u16string Ascii(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string Numbered(std::size_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%04zu", value);
    return Ascii(buffer);
}

std::u16string Spaces(std::size_t count) {
    return std::u16string(count, u' ');
}

std::u16string Padded(std::u16string_view text, std::size_t width) {
    std::u16string padded(text);
    if (padded.size() < width) padded += Spaces(width - padded.size());
    return padded;
}

}  // namespace

std::u16string RecordDataText(const std::uint8_t* data, std::size_t size, bool hex, TextEncoding encoding) {
    if (hex) {
        static constexpr char16_t kDigits[] = u"0123456789abcdef";
        std::u16string text = u"ASC: ";
        text.reserve(5 + size * 3);
        for (std::size_t i = 0; i < size; ++i) {
            text.push_back(kDigits[data[i] >> 4]);
            text.push_back(kDigits[data[i] & 0x0F]);
            text.push_back(u' ');
        }
        return text;
    }
    const std::uint8_t* end = std::find(data, data + size, 0);
    return u"CHR: " + DecodeBytes(data, static_cast<std::size_t>(end - data), encoding);
}

std::optional<MonitorRow> MonitorRecords::Link(bool opened) {
    if (!monitoring_) return std::nullopt;
    return Next(opened ? u'O' : u'C', kNoData, kNoData);
}

std::optional<MonitorRow> MonitorRecords::Data(RecordKind kind, const std::uint8_t* data, std::size_t size) {
    if (!monitoring_ || data == nullptr || size == 0) return std::nullopt;
    if (kind == RecordKind::Opened || kind == RecordKind::Closed) return Link(kind == RecordKind::Opened);
    return Next(kind == RecordKind::Sent ? u'S' : u'R', Numbered(size),
                RecordDataText(data, size, hex_, encoding_));
}

MonitorRow MonitorRecords::Next(char16_t kind, std::u16string length, std::u16string data) {
    return {Numbered(rowCount_++), std::u16string(1, kind), std::move(length), std::move(data)};
}

std::u16string MonitorLogText(const std::vector<MonitorRow>& rows) {
    const std::u16string crlf = u"\r\n";
    std::u16string log;
    log += Spaces(22) + t::kLogTitle + Spaces(25) + crlf;
    log += Padded(t::kLogMail + Utf8ToUtf16(maker::kEmail), 60) + crlf + crlf;
    log += Padded(t::kLogBlog + Utf8ToUtf16(maker::kBlog), 60) + crlf + crlf;
    log += t::kLogClosed + Spaces(41) + crlf;
    log += t::kLogOpened + Spaces(41) + crlf;
    log += t::kLogReceived + Spaces(37) + crlf;
    log += t::kLogSent + Spaces(37) + crlf + crlf;
    log += t::kLogChr + Spaces(44) + crlf;
    log += t::kLogAsc + Spaces(43) + crlf;
    log += crlf + std::u16string(78, u'#') + crlf;
    log += t::kLogColumns;
    for (const MonitorRow& row : rows) {
        log += crlf + crlf + std::u16string(78, u'=') + crlf + crlf;
        log += Spaces(11) + row[0] + Spaces(13) + row[1] + Spaces(10) + row[2];
        const std::u16string_view data = row[3];
        log += data.substr(0, 3);
        log += crlf + Spaces(46);
        const std::u16string_view rest = data.size() > 3 ? data.substr(3) : std::u16string_view();
        for (std::size_t i = 0; i < rest.size(); ++i) {
            // Lines of 24 characters; the first is one short for the 46-space indent.
            if ((i + 1) % 24 == 0) log += crlf + Spaces(45);
            log.push_back(rest[i]);
        }
    }
    return log;
}

}  // namespace viz

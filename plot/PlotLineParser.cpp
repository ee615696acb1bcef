#include "plot/PlotLineParser.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace viz {
namespace {

bool IsSeparator(char16_t c) {
    return c == u',' || c == u' ' || c == u'\t' || c == u';';
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool IsLabelEnd(char16_t c) {
    return c == u':' || c == u'=';
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

int HexDigit(char16_t c) {
    if (IsDigit(c)) return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool EqualsIgnoringCase(std::u16string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i] >= u'A' && text[i] <= u'Z' ? text[i] - u'A' + u'a' : text[i];
        if (c != static_cast<unsigned char>(lower[i])) return false;
    }
    return true;
}

bool ParseHex(std::u16string_view digits, double& value) {
    if (digits.empty()) return false;
    std::uint64_t whole = 0;
    std::size_t at = 0;
    // Exact while it fits 64 bits; beyond that a double carries on.
    for (; at < digits.size() && at < 16; ++at) {
        const int digit = HexDigit(digits[at]);
        if (digit < 0) return false;
        whole = whole * 16 + static_cast<std::uint64_t>(digit);
    }
    value = static_cast<double>(whole);
    for (; at < digits.size(); ++at) {
        const int digit = HexDigit(digits[at]);
        if (digit < 0) return false;
        value = value * 16 + digit;
    }
    return true;
}

// Checks the decimal form digits[.digits][(e|E)[sign]digits] and says
// whether a value out of a double's range is too large (else too small).
bool CheckDecimal(std::u16string_view text, bool& tooLarge) {
    std::size_t at = 0;
    // The power of ten of the first non-zero digit: its place among the
    // digits before the point, or its place after it.
    std::int64_t integerDigits = 0;
    std::int64_t firstInInteger = 0;
    std::int64_t power = 0;
    bool found = false;
    while (at < text.size() && IsDigit(text[at])) {
        ++integerDigits;
        if (!found && text[at] != u'0') {
            found = true;
            firstInInteger = integerDigits;
        }
        ++at;
    }
    bool digits = integerDigits > 0;
    if (found) power = -firstInInteger;  // completed below, once all integer digits are counted
    if (at < text.size() && text[at] == u'.') {
        ++at;
        std::int64_t place = 0;
        while (at < text.size() && IsDigit(text[at])) {
            digits = true;
            ++place;
            if (!found && text[at] != u'0') {
                found = true;
                power = -place - integerDigits;
            }
            ++at;
        }
    }
    if (!digits) return false;
    power += integerDigits;
    std::int64_t exponent = 0;
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
        if (at == text.size()) return false;
        while (at < text.size() && IsDigit(text[at])) {
            // Far past any double's exponent either way; no overflow of our own.
            if (exponent < 1'000'000) exponent = exponent * 10 + (text[at] - u'0');
            ++at;
        }
        if (negative) exponent = -exponent;
    }
    if (at != text.size()) return false;
    tooLarge = found && power + exponent > 0;
    return true;
}

}  // namespace

bool ParsePlotNumber(std::u16string_view text, double& value, bool& finite) {
    finite = true;
    bool negative = false;
    std::u16string_view body = text;
    if (!body.empty() && (body.front() == u'+' || body.front() == u'-')) {
        negative = body.front() == u'-';
        body.remove_prefix(1);
    }
    if (body.empty()) return false;
    if (EqualsIgnoringCase(body, "nan") || EqualsIgnoringCase(body, "inf") ||
        EqualsIgnoringCase(body, "infinity")) {
        finite = false;
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (body.size() > 2 && body[0] == u'0' && (body[1] == u'x' || body[1] == u'X')) {
        if (!ParseHex(body.substr(2), value)) return false;
        if (negative) value = -value;
        finite = std::isfinite(value);
        return true;
    }
    bool tooLarge = false;
    if (!CheckDecimal(body, tooLarge)) return false;
    // The form is checked: every unit is ASCII.
    char small[64];
    std::string large;
    char* chars = small;
    if (body.size() > sizeof small) {
        large.resize(body.size());
        chars = large.data();
    }
    for (std::size_t i = 0; i < body.size(); ++i) chars[i] = static_cast<char>(body[i]);
    const auto [end, error] = std::from_chars(chars, chars + body.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (tooLarge) {
            finite = false;
            value = std::numeric_limits<double>::infinity();
        } else {
            value = 0;
        }
    } else if (error != std::errc() || end != chars + body.size()) {
        return false;
    }
    if (negative) value = -value;
    return true;
}

PlotLineParser::PlotLineParser() {
    columns_.fill(kNoChannel);
}

void PlotLineParser::Clear() {
    names_.clear();
    labels_.clear();
    columns_.fill(kNoChannel);
}

bool PlotLineParser::Scan(std::u16string_view line) {
    fields_.clear();
    std::size_t columns = 0;
    bool any = false;
    std::size_t at = 0;
    const std::size_t size = line.size();
    while (true) {
        while (at < size && IsSeparator(line[at])) ++at;
        if (at == size) break;
        any = true;
        const std::size_t start = at;
        while (at < size && !IsSeparator(line[at]) && !IsLabelEnd(line[at])) ++at;
        const std::u16string_view word = line.substr(start, at - start);
        std::size_t after = at;
        while (after < size && IsSpace(line[after])) ++after;
        if (after < size && IsLabelEnd(line[after])) {
            ++after;
            while (after < size && IsSpace(line[after])) ++after;
            const std::size_t valueStart = after;
            while (after < size && !IsSeparator(line[after])) ++after;
            at = after;
            if (word.empty() || word.size() > kMaxLabelUnits) continue;
            Field field{.label = word};
            if (ParsePlotNumber(line.substr(valueStart, after - valueStart), field.value, field.finite))
                fields_.push_back(field);
            continue;
        }
        // Columns past the last channel there can be are not read at all.
        Field field;
        if (columns < kPlotChannels && ParsePlotNumber(word, field.value, field.finite)) {
            field.column = ++columns;
            fields_.push_back(field);
        }
    }
    return any;
}

int PlotLineParser::ChannelOf(const Field& field) const {
    if (field.label.empty()) return columns_[field.column];
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        if (labels_[i] == field.label) return static_cast<int>(i);
    }
    return kNoChannel;
}

int PlotLineParser::AddChannel(const Field& field) {
    const int channel = static_cast<int>(names_.size());
    labels_.emplace_back(field.label);
    if (field.label.empty()) {
        columns_[field.column] = channel;
        const std::string number = std::to_string(channel + 1);
        names_.push_back(u"通道" + std::u16string(number.begin(), number.end()));
    } else {
        names_.emplace_back(field.label);
    }
    return channel;
}

PlotLineParser::Outcome PlotLineParser::Parse(std::u16string_view line, PlotValues& values) {
    if (!Scan(line)) return Outcome::Blank;
    values.present = 0;
    const std::size_t before = names_.size();
    const auto undo = [&] {
        names_.resize(before);
        labels_.resize(before);
        for (int& channel : columns_) {
            if (channel >= static_cast<int>(before)) channel = kNoChannel;
        }
        values.present = 0;
        return Outcome::Skipped;
    };
    for (const Field& field : fields_) {
        int channel = ChannelOf(field);
        if (channel == kNoChannel && names_.size() < kPlotChannels) channel = AddChannel(field);
        if (channel == kNoChannel) continue;
        // A later value of a channel is not taken, so a bad one spoils nothing.
        const auto bit = static_cast<std::uint16_t>(1U << channel);
        if (values.present & bit) continue;
        if (!field.finite) return undo();
        values.present |= bit;
        values.value[static_cast<std::size_t>(channel)] = field.value;
    }
    return values.present == 0 ? Outcome::Skipped : Outcome::Values;
}

}  // namespace viz

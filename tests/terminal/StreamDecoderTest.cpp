#include "terminal/StreamDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "IconvReference.h"

namespace viz {
namespace {

using testing::IconvConvert;

constexpr char16_t kBad = kReplacementCharacter;

std::u16string FromUtf16Le(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return text;
}

// iconv's reading of bytes that are all valid; empty when they are not.
std::u16string IconvText(const std::string& bytes, const char* encoding) {
    return FromUtf16Le(IconvConvert(bytes, encoding, "UTF-16LE"));
}

// The bytes fed to one decoder as reads cut at `cuts`, then finished.
std::u16string DecodeInReads(TextEncoding encoding, std::string_view bytes,
                             const std::vector<std::size_t>& cuts) {
    StreamDecoder decoder(encoding);
    std::u16string text;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        decoder.Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()) + from, cut - from, text);
        from = cut;
    }
    decoder.Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()) + from, bytes.size() - from, text);
    decoder.Finish(text);
    return text;
}

// Whole, split in two at every byte, and one byte per read.
void ExpectSameInEveryCut(TextEncoding encoding, std::string_view bytes, const std::u16string& expected) {
    EXPECT_EQ(DecodeInReads(encoding, bytes, {}), expected);
    for (std::size_t cut = 1; cut < bytes.size(); ++cut)
        EXPECT_EQ(DecodeInReads(encoding, bytes, {cut}), expected) << "cut at " << cut;
    std::vector<std::size_t> everyByte;
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) everyByte.push_back(cut);
    EXPECT_EQ(DecodeInReads(encoding, bytes, everyByte), expected);
}

std::u16string Text(std::initializer_list<char16_t> units) {
    return std::u16string(units);
}

TEST(StreamDecoder, EveryUtf8CharacterSplitAtEveryByteReadsAsIconvReadsIt) {
    // Every scalar value, turned into UTF-8 and UTF-16 by iconv alone.
    std::string utf32;
    std::vector<char32_t> scalars;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        scalars.push_back(c);
        for (int shift = 0; shift < 32; shift += 8) utf32.push_back(static_cast<char>((c >> shift) & 0xFF));
    }
    const std::string utf8 = IconvConvert(utf32, "UTF-32LE", "UTF-8");
    const std::u16string utf16 = FromUtf16Le(IconvConvert(utf32, "UTF-32LE", "UTF-16LE"));
    ASSERT_FALSE(utf8.empty());
    ASSERT_FALSE(utf16.empty());

    std::size_t byteAt = 0;
    std::size_t unitAt = 0;
    std::size_t failures = 0;
    for (char32_t c : scalars) {
        const std::size_t bytes = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        const std::size_t units = c < 0x10000 ? 1 : 2;
        const std::string_view sequence(utf8.data() + byteAt, bytes);
        const std::u16string expected = utf16.substr(unitAt, units);
        for (std::size_t cut = 0; cut < bytes && failures < 10; ++cut) {
            StreamDecoder decoder(TextEncoding::Utf8);
            std::u16string text;
            const auto* data = reinterpret_cast<const std::uint8_t*>(sequence.data());
            decoder.Decode(data, cut, text);
            if (!text.empty()) {
                ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << " showed early at cut "
                              << cut;
                ++failures;
            }
            decoder.Decode(data + cut, bytes - cut, text);
            if (text != expected || !decoder.kept().empty()) {
                ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << " cut at " << cut;
                ++failures;
            }
        }
        byteAt += bytes;
        unitAt += units;
    }
    EXPECT_EQ(byteAt, utf8.size());
    EXPECT_EQ(unitAt, utf16.size());
    // And the whole stream at once and a byte per read.
    EXPECT_EQ(DecodeInReads(TextEncoding::Utf8, utf8, {}), utf16);
    std::vector<std::size_t> everyByte(utf8.size() - 1);
    for (std::size_t i = 0; i < everyByte.size(); ++i) everyByte[i] = i + 1;
    EXPECT_EQ(DecodeInReads(TextEncoding::Utf8, utf8, everyByte), utf16);
}

// Python's GBK decoder, an implementation independent of ours, on every lead
// byte followed by every byte and an "A": the code units of each, one line
// of hex numbers per pair, in order.
std::vector<std::u16string> PythonGbkPairs() {
    const char* script =
        "import sys\n"
        "for lead in range(0x81, 0xFF):\n"
        "    for trail in range(0x100):\n"
        "        text = bytes([lead, trail, 0x41]).decode('gbk', 'replace')\n"
        "        sys.stdout.write(' '.join('%x' % ord(c) for c in text) + '\\n')\n";
    const std::string command = std::string("python3 -c \"") + script + "\"";
    std::vector<std::u16string> pairs;
    FILE* python = ::popen(command.c_str(), "r");
    if (!python) return pairs;
    char line[64];
    while (std::fgets(line, sizeof line, python)) {
        std::u16string units;
        for (char* at = line; *at != '\0' && *at != '\n';) {
            char* end = nullptr;
            units.push_back(static_cast<char16_t>(std::strtoul(at, &end, 16)));
            at = end;
        }
        pairs.push_back(units);
    }
    ::pclose(python);
    return pairs;
}

TEST(StreamDecoder, EveryGbkPairSplitBetweenReadsReadsAsPythonReadsIt) {
    const std::vector<std::u16string> reference = PythonGbkPairs();
    ASSERT_EQ(reference.size(), 126u * 256u) << "python3 must be installed (scripts/setup.sh)";
    // Code page 936 has one single byte more than Python's GBK: 0x80, the euro sign.
    const std::u16string euro = IconvText("\x80", "CP936");
    ASSERT_EQ(euro, u"\u20AC");
    std::size_t keptAscii = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x00; trail <= 0xFF; ++trail) {
            std::u16string expected = reference[static_cast<std::size_t>((lead - 0x81) * 256 + trail)];
            if (trail == 0x80 && expected.size() == 3 && expected[1] == kBad) expected[1] = euro[0];
            const std::string text{static_cast<char>(lead), static_cast<char>(trail), 'A'};
            SCOPED_TRACE(::testing::Message() << std::hex << lead << " " << trail);
            ExpectSameInEveryCut(TextEncoding::Gbk, text, expected);
            keptAscii += trail >= 0x40 && trail < 0x7F && expected.size() == 3;
        }
    }
    // A lead byte before an ASCII byte it makes no character with: the ASCII byte shows.
    EXPECT_EQ(keptAscii, 493u);
    EXPECT_EQ(DecodeBytes(reinterpret_cast<const std::uint8_t*>("\xA2X"), 2, TextEncoding::Gbk),
              Text({kBad, u'X'}));
}

TEST(StreamDecoder, GbkSingleBytesAndLeadBytesKeptForTheNextRead) {
    EXPECT_EQ(DecodeBytes(reinterpret_cast<const std::uint8_t*>("\x80"), 1, TextEncoding::Gbk),
              IconvText("\x80", "CP936"));
    EXPECT_EQ(DecodeBytes(reinterpret_cast<const std::uint8_t*>("a\xFF"
                                                                "b"),
                          3, TextEncoding::Gbk),
              Text({u'a', kBad, u'b'}));

    const std::string zhong = testing::Gbk("中");
    StreamDecoder decoder(TextEncoding::Gbk);
    std::u16string text;
    const std::string cut = std::string("A").append(zhong, 0, 1);
    decoder.Decode(reinterpret_cast<const std::uint8_t*>(cut.data()), cut.size(), text);
    EXPECT_EQ(text, u"A");
    ASSERT_EQ(decoder.kept().size(), 1u);
    // A stream cut after a lead byte shows it as one bad byte.
    decoder.Finish(text);
    EXPECT_EQ(text, Text({u'A', kBad}));
    EXPECT_TRUE(decoder.kept().empty());
}

TEST(StreamDecoder, BadUtf8BytesShowOnceEachAndNeverTakeTheNextCharacter) {
    const struct {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"\x80"
         "A",
         Text({kBad, u'A'})},
        {"\xC0\x80"
         "A",
         Text({kBad, kBad, u'A'})},                            // overlong
        {"\xE0\x80\x80", Text({kBad, kBad, kBad})},            // overlong
        {"\xED\xA0\x80", Text({kBad, kBad, kBad})},            // a surrogate
        {"\xF4\x90\x80\x80", Text({kBad, kBad, kBad, kBad})},  // past U+10FFFF
        {"\xF5"
         "A\xFF",
         Text({kBad, u'A', kBad})},
        {"\xE4\xB8"
         "A",
         Text({kBad, kBad, u'A'})},  // cut short by a letter
        {"\xF0\x9F\x98\xE4\xB8\xAD", Text({kBad, kBad, kBad, u'中'})},
        {"\xE4\xB8", Text({kBad, kBad})},  // cut short by the end
    };
    for (const auto& c : cases) ExpectSameInEveryCut(TextEncoding::Utf8, c.bytes, c.text);
}

TEST(StreamDecoder, AnyBytesReadTheSameHoweverTheReadsFall) {
    std::mt19937 random(24);
    std::uniform_int_distribution<int> pick(0, 9);
    const std::string pieces[] = {"A",    "\n",   "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xD6\xD0", "\x80",
                                  "\xFF", "\xB8", "\xC3",         "\xED\xA0"};
    for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Gbk}) {
        for (int round = 0; round < 200; ++round) {
            std::string bytes;
            for (int i = 0; i < 12; ++i) bytes += pieces[pick(random)];
            const std::u16string whole = DecodeInReads(encoding, bytes, {});
            for (std::size_t first = 1; first < bytes.size(); ++first) {
                for (std::size_t second = first + 1; second < bytes.size(); second += 3)
                    ASSERT_EQ(DecodeInReads(encoding, bytes, {first, second}), whole);
            }
        }
    }
}

TEST(StreamDecoder, KeptBytesAreReadInTheEncodingChosenSince) {
    StreamDecoder decoder(TextEncoding::Gbk);
    std::u16string text;
    const std::uint8_t first[] = {0xE4};
    decoder.Decode(first, 1, text);
    decoder.setEncoding(TextEncoding::Utf8);
    const std::uint8_t rest[] = {0xB8, 0xAD};
    decoder.Decode(rest, 2, text);
    EXPECT_EQ(text, u"中");
}

TEST(TextToBytes, Utf8WhenThePageChoseIt) {
    const std::u16string text = u"温度25℃\r\n";
    const std::string expected = "温度25℃\r\n";
    EXPECT_EQ(TextToBytes(text, TextEncoding::Utf8), Bytes(expected.begin(), expected.end()));
    EXPECT_EQ(SendBytes(u"41 42", true, TextEncoding::Utf8), (Bytes{0x41, 0x42}));
    EXPECT_EQ(SendBytes(u"41 42", false, TextEncoding::Utf8), (Bytes{'4', '1', ' ', '4', '2'}));
    EXPECT_EQ(TextEncodingFromNumber(1), TextEncoding::Utf8);
    EXPECT_EQ(TextEncodingFromNumber(7), TextEncoding::Gbk) << "an unknown stored number reads as GBK";
}

}  // namespace
}  // namespace viz

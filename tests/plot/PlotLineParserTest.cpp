#include "plot/PlotLineParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>

namespace viz {
namespace {

// A parsed line as channel name -> value, or why it gave none.
struct Parsed {
    PlotLineParser::Outcome outcome;
    std::map<std::u16string, double> values;
};

Parsed Parse(PlotLineParser& parser, std::u16string_view line) {
    PlotValues values;
    Parsed parsed{parser.Parse(line, values), {}};
    for (std::size_t c = 0; c < kPlotChannels; ++c) {
        if ((values.present >> c) & 1U) parsed.values[parser.names().at(c)] = values.value[c];
    }
    return parsed;
}

using Values = std::map<std::u16string, double>;
constexpr auto kValues = PlotLineParser::Outcome::Values;
constexpr auto kSkipped = PlotLineParser::Outcome::Skipped;

TEST(PlotNumber, DecimalAndHexFormsAndWhatIsNoNumber) {
    const std::pair<std::u16string_view, double> numbers[] = {
        {u"0", 0},
        {u"42", 42},
        {u"-3", -3},
        {u"+7", 7},
        {u"1.5", 1.5},
        {u"-0.25", -0.25},
        {u".5", 0.5},
        {u"7.", 7},
        {u"2e3", 2000},
        {u"-1.5E-3", -0.0015},
        {u"6.02e+23", 6.02e23},
        {u"0x1F", 31},
        {u"0XfF", 255},
        {u"-0x10", -16},
        {u"0xFFFFFFFFFFFFFFFF", 18446744073709551615.0},
        {u"1e-400", 0},
        {u"0.1", 0.1},
        {u"123456789012345678901234567890", 1.2345678901234568e29},
    };
    for (const auto& [text, expected] : numbers) {
        double value = -1;
        bool finite = false;
        ASSERT_TRUE(ParsePlotNumber(text, value, finite)) << std::string(text.begin(), text.end());
        EXPECT_TRUE(finite);
        EXPECT_EQ(value, expected) << std::string(text.begin(), text.end());
    }
    for (const std::u16string_view text :
         {u"nan", u"-NaN", u"inf", u"+Infinity", u"1e400", u"-1.8e308", u"0.001e312"}) {
        double value = 0;
        bool finite = true;
        EXPECT_TRUE(ParsePlotNumber(text, value, finite));
        EXPECT_FALSE(finite) << std::string(text.begin(), text.end());
    }
    for (const std::u16string_view text : {u"", u"-", u".", u"e5", u"1e", u"1e+", u"0x", u"0x1G", u"1.2.3",
                                           u"12a", u"--1", u"1,5", u"1 5", u"１２", u"0x1.8p1", u"nanx"}) {
        double value = 0;
        bool finite = true;
        EXPECT_FALSE(ParsePlotNumber(text, value, finite)) << std::string(text.begin(), text.end());
    }
}

TEST(PlotLineParser, ColumnsBySeparatorsLabelsAndIgnoredWords) {
    PlotLineParser parser;
    Parsed line = Parse(parser, u"1.5, -3, 2e3");
    EXPECT_EQ(line.outcome, kValues);
    EXPECT_EQ(line.values, (Values{{u"通道1", 1.5}, {u"通道2", -3}, {u"通道3", 2000}}));
    EXPECT_EQ(Parse(parser, u"  4\t5;6  ").values, (Values{{u"通道1", 4}, {u"通道2", 5}, {u"通道3", 6}}))
        << "spaces, tabs and semicolons separate too, runs of them as one";
    EXPECT_EQ(Parse(parser, u"7,,,8").values, (Values{{u"通道1", 7}, {u"通道2", 8}}));
    EXPECT_EQ(Parse(parser, u"ADC 9 mV 10").values, (Values{{u"通道1", 9}, {u"通道2", 10}}))
        << "words that are not numbers are passed over";

    PlotLineParser labelled;
    line = Parse(labelled, u"temp:23.5, hum=40;温度 : -1 x = 0x10");
    EXPECT_EQ(line.values, (Values{{u"temp", 23.5}, {u"hum", 40}, {u"温度", -1}, {u"x", 16}}));
    EXPECT_EQ(labelled.names(), (std::vector<std::u16string>{u"temp", u"hum", u"温度", u"x"}))
        << "channels in the order their labels were first seen";
    EXPECT_EQ(Parse(labelled, u"x:1 temp:2 x:3").values, (Values{{u"x", 1}, {u"temp", 2}}))
        << "a line gives a channel its first value";
    line = Parse(labelled, u"x:1 x:nan temp:inf");
    EXPECT_EQ(line.outcome, kSkipped) << "temp's first value is not finite";
    line = Parse(labelled, u"x:1 x:nan temp:4 temp:-inf");
    EXPECT_EQ(line.outcome, kValues) << "a bad value after a channel's first is passed over, not the line";
    EXPECT_EQ(line.values, (Values{{u"x", 1}, {u"temp", 4}}));
    EXPECT_EQ(Parse(labelled, u"x:nan x:1").outcome, kSkipped) << "the first value wins, and spoils the line";
    EXPECT_EQ(Parse(labelled, u"time: 12:30:00, temp: 5").values, (Values{{u"temp", 5}}))
        << "a label whose value is no number is passed over";
}

TEST(PlotLineParser, LinesWithoutUsableValuesAreSkippedAndAddNoChannels) {
    PlotLineParser parser;
    EXPECT_EQ(Parse(parser, u"hello world").outcome, kSkipped);
    EXPECT_EQ(Parse(parser, u"\xFFFD\xFFFD\x01").outcome, kSkipped);
    EXPECT_EQ(Parse(parser, u"").outcome, PlotLineParser::Outcome::Blank);
    EXPECT_EQ(Parse(parser, u" ,; \t").outcome, PlotLineParser::Outcome::Blank);
    EXPECT_EQ(Parse(parser, u"a:1 b:nan").outcome, kSkipped) << "a channel's value must be finite";
    EXPECT_EQ(Parse(parser, u"1, inf, 3").outcome, kSkipped) << "a dropped column would move the next ones";
    EXPECT_EQ(Parse(parser, u"1, 1e999").outcome, kSkipped);
    EXPECT_TRUE(parser.names().empty()) << "skipped lines leave no channels behind";

    EXPECT_EQ(Parse(parser, u"1,2").outcome, kValues);
    EXPECT_EQ(Parse(parser, u"5, 6, nan").outcome, kSkipped);
    EXPECT_EQ(parser.names().size(), 2u);
    std::u16string longLabel(PlotLineParser::kMaxLabelUnits + 1, u'L');
    EXPECT_EQ(Parse(parser, longLabel.append(u":3")).outcome, kSkipped)
        << "an overlong label is no channel name";
}

TEST(PlotLineParser, AtMostSixteenChannelsFromTheFirstColumnsAndLabels) {
    PlotLineParser parser;
    std::u16string line;
    for (int i = 1; i <= 3000; ++i) line.append(u"1,");
    line.append(u"nan");
    const Parsed many = Parse(parser, line);
    EXPECT_EQ(many.outcome, kValues) << "columns past the sixteenth are not read, nor their nan";
    EXPECT_EQ(many.values.size(), kPlotChannels);
    EXPECT_EQ(parser.names().back(), u"通道16");
    EXPECT_EQ(Parse(parser, u"extra:5").outcome, kSkipped) << "a seventeenth channel is dropped";

    PlotLineParser labels;
    std::u16string named;
    for (int i = 0; i < 20; ++i) named.append(u"k").append(1, static_cast<char16_t>(u'a' + i)).append(u"=1 ");
    EXPECT_EQ(Parse(labels, named).values.size(), kPlotChannels);
    EXPECT_EQ(labels.names().back(), u"kp");
    EXPECT_EQ(Parse(labels, u"kt=1 ka=2").values, (Values{{u"ka", 2}}));
    EXPECT_EQ(Parse(labels, u"kt=nan ka=3").values, (Values{{u"ka", 3}}))
        << "a value no channel takes does not spoil the line";
}

TEST(PlotLineParser, ColumnAndLabelChangesMidStream) {
    PlotLineParser parser;
    Parse(parser, u"1,2,3");
    EXPECT_EQ(Parse(parser, u"1,2,3,4,5").values.size(), 5u) << "more columns: new channels";
    EXPECT_EQ(Parse(parser, u"9").values, (Values{{u"通道1", 9}})) << "fewer: the others have no point";
    // Labels join after the columns and take the next channel numbers; the
    // columns keep theirs.
    EXPECT_EQ(Parse(parser, u"a:1 7 b:2 8").values,
              (Values{{u"a", 1}, {u"通道1", 7}, {u"b", 2}, {u"通道2", 8}}));
    EXPECT_EQ(Parse(parser, u"10 20 30 40 50 60").values.at(u"通道8"), 60)
        << "column 6 is channel 8, named after its channel number";
    EXPECT_EQ(parser.names(), (std::vector<std::u16string>{u"通道1", u"通道2", u"通道3", u"通道4", u"通道5",
                                                           u"a", u"b", u"通道8"}));
    parser.Clear();
    EXPECT_EQ(Parse(parser, u"c:1").values, (Values{{u"c", 1}}));
    EXPECT_EQ(parser.names(), (std::vector<std::u16string>{u"c"}));
}

}  // namespace
}  // namespace viz

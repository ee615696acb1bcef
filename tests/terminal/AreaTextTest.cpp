#include "terminal/AreaText.h"

#include <gtest/gtest.h>

namespace viz {
namespace {

TEST(AreaTextTest, LinesAreHardBreaksPlusWrappedScreenLines) {
    AreaText area;
    EXPECT_EQ(area.lineCount(), 1u);
    area.SetColumns(10);
    area.Append(u"0123456789");
    EXPECT_EQ(area.lineCount(), 1u);
    area.Append(u"x");
    EXPECT_EQ(area.lineCount(), 2u);
    area.Append(u"\r\n\r\r\n");
    EXPECT_EQ(area.lineCount(), 4u) << "CR takes no room; each LF ends a line";
    area.Append(u"中文中文中文");  // twelve columns
    EXPECT_EQ(area.lineCount(), 5u);
    area.SetColumns(0);
    EXPECT_EQ(area.lineCount(), 3u) << "without wrapping only line breaks count";
    area.SetColumns(4);
    EXPECT_EQ(area.lineCount(), 3u + 2u + 2u);
}

TEST(AreaTextTest, UpdatesAppendUntilTheTextIsReplaced) {
    AreaText area;
    area.Append(u"ab");
    AreaText::Update first = area.TakeUpdate();
    EXPECT_FALSE(first.reset);
    EXPECT_EQ(first.text, u"ab");
    area.Append(u"c");
    area.Append(u"d");
    EXPECT_EQ(area.TakeUpdate().text, u"cd");
    EXPECT_FALSE(area.hasUpdate());
    area.Clear();
    area.Append(u"e");
    const AreaText::Update reset = area.TakeUpdate();
    EXPECT_TRUE(reset.reset);
    EXPECT_EQ(reset.text, u"e");
}

// The widget gets the screen lines as cut for the count, whatever way the
// text arrived: in one update or in many.
TEST(AreaTextTest, UpdatesCutTheTextIntoScreenLinesTheSameWayInOneGoOrPiecewise) {
    const std::u16string pieces[] = {u"abcdef\r", u"\ng", u"h", u"\r\n", u"", u"中文x\r\r\n", u"12345678"};
    AreaText whole;
    whole.SetColumns(3);
    AreaText piecewise;
    piecewise.SetColumns(3);
    std::u16string shown;
    for (const std::u16string& piece : pieces) {
        whole.Append(piece);
        piecewise.Append(piece);
        AreaText::Update update = piecewise.TakeUpdate();
        if (update.reset) shown.clear();
        shown += update.text;
    }
    const AreaText::Update update = whole.TakeUpdate();
    EXPECT_TRUE(update.reset) << "a change of width redraws everything";
    EXPECT_EQ(update.text, u"abc\ndef\ngh\n中\n文x\n123\n456\n78");
    EXPECT_EQ(shown, update.text);
    EXPECT_EQ(whole.lineCount(), 8u);
}

}  // namespace
}  // namespace viz

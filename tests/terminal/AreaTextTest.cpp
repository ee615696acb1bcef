#include "terminal/AreaText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// What a widget shows after applying updates: one string per screen line.
class ShownLines {
public:
    void Apply(const AreaText::Update& update) {
        if (update.reset) lines_.assign(1, u"");
        lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(update.dropLines));
        for (const char16_t unit : update.text) {
            if (unit == u'\n') {
                lines_.emplace_back();
            } else {
                lines_.back() += unit;
            }
        }
        std::vector<std::u16string> older(1);
        for (const char16_t unit : update.prepend) {
            if (unit == u'\n') {
                older.emplace_back();
            } else {
                older.back() += unit;
            }
        }
        older.pop_back();  // the prepended text ends with a line break
        lines_.insert(lines_.begin(), older.begin(), older.end());
    }
    const std::vector<std::u16string>& lines() const { return lines_; }

private:
    std::vector<std::u16string> lines_{u""};
};

std::u16string Numbered(int from, int to) {
    std::u16string text;
    for (int i = from; i < to; ++i) {
        const std::string line = "line " + std::to_string(i) + "\r\n";
        text.append(line.begin(), line.end());
    }
    return text;
}

// Far more text than kept, arriving faster than updates may carry: the area
// holds exactly the newest lines, and a widget that took small updates all
// along (starting over, dropping, then filling in older lines) ends up
// showing exactly them, cut as counted.
TEST(AreaTextTest, KeptLinesAreExactlyTheNewestAndSmallUpdatesEndShowingThem) {
    for (const std::size_t columns : {std::size_t{0}, std::size_t{4}}) {
        AreaText area;
        area.SetColumns(columns);
        area.SetKeptLines(300);
        ShownLines widget;
        for (int i = 0; i < 20000; i += 100) {
            area.Append(Numbered(i, i + 100));
            if (i % 700 == 0) widget.Apply(area.TakeUpdate(120, 30));
        }
        AreaText::Update update;
        do {
            update = area.TakeUpdate(120, 30);
            widget.Apply(update);
        } while (!update.complete);
        EXPECT_FALSE(area.hasUpdate());

        AreaText expected;
        expected.SetColumns(columns);
        expected.Append(Numbered(0, 20000));
        const std::u16string all(expected.text());
        EXPECT_EQ(area.lineCount(), 301u) << "300 lines and the empty one after the last break";
        EXPECT_TRUE(all.ends_with(area.text()));
        if (columns == 0) {
            EXPECT_EQ(area.text(), Numbered(19700, 20000));
        }
        ASSERT_EQ(widget.lines().size(), 301u) << "columns " << columns;
        for (std::size_t i = 0; i < widget.lines().size(); ++i) {
            std::u16string line = area.ShownText(i, 0, i + 1, 0).value_or(u"?");
            std::erase_if(line, [](char16_t unit) { return unit == u'\r' || unit == u'\n'; });
            EXPECT_EQ(widget.lines()[i], line) << "screen line " << i << ", columns " << columns;
        }
        EXPECT_EQ(area.ShownText(0, 0, 301, 0).value_or(u"?"), area.text()) << "a copy of everything shown";
    }
}

// Long hex lines with wide characters, CRs and a surrogate pair, arriving
// in reads that end anywhere (in a line, a run, a pair, across the blocks
// the text is held in): the kept lines are cut as the whole text is, the
// widget ends up showing them, and holding them costs their text, not a
// multiple of it.
TEST(AreaTextTest, ManyKeptLinesAreCutAsTheWholeTextAndCostTheirText) {
    std::u16string line;
    for (int i = 0; i < 320; ++i) line += u"A5 ";
    line += u"中文\r\U0001F600 0D\r\n";
    std::u16string all;
    for (int i = 0; i < 400; ++i) all += line;

    AreaText area;
    // 31 columns: the wide character after the hex runs no longer fits.
    area.SetColumns(31);
    area.SetKeptLines(1000);
    ShownLines widget;
    for (std::size_t at = 0; at < all.size(); at += 7777) {
        area.Append(std::u16string_view(all).substr(at, 7777));
        widget.Apply(area.TakeUpdate(2000, 250));
    }
    AreaText whole;
    whole.SetColumns(31);
    whole.Assign(all);
    const std::u16string kept = area.text();
    EXPECT_EQ(area.lineCount(), 1001u) << "1000 lines and the empty one after the last break";
    EXPECT_TRUE(whole.text().ends_with(kept));
    const std::size_t wholeLines = whole.lineCount();
    whole.SetKeptLines(1000);
    EXPECT_EQ(whole.text(), kept) << "the same 1000 screen lines, whatever the reads were";
    EXPECT_EQ(wholeLines, 400u * 32 + 1);

    ASSERT_EQ(widget.lines().size(), 1001u);
    for (std::size_t i = 0; i < widget.lines().size(); i += 97) {
        std::u16string shown = area.ShownText(i, 0, i + 1, 0).value_or(u"?");
        std::erase_if(shown, [](char16_t unit) { return unit == u'\r' || unit == u'\n'; });
        EXPECT_EQ(widget.lines()[i], shown) << "screen line " << i;
    }
    const std::size_t textBytes = kept.size() * sizeof(char16_t);
    const std::size_t slack = 2 * AreaTextRing::kBlockUnits * sizeof(char16_t) + 1001 * sizeof(std::size_t);
    EXPECT_LE(area.heldBytes(), textBytes + slack);
}

TEST(AreaTextTest, DroppedLinesTheWidgetStillShowsCopyUntilItTakesTheUpdate) {
    AreaText area;
    area.SetKeptLines(3);
    area.Append(Numbered(0, 3));
    area.TakeUpdate();
    area.Append(Numbered(3, 5));
    EXPECT_EQ(area.text(), Numbered(2, 5));
    EXPECT_EQ(area.ShownText(0, 0, 1, 2).value_or(u"?"), u"line 0\r\nli") << "the widget still shows line 0";
    const AreaText::Update update = area.TakeUpdate();
    EXPECT_FALSE(update.reset);
    EXPECT_EQ(update.dropLines, 2u);
    EXPECT_EQ(update.text, u"line 3\nline 4\n");
    EXPECT_EQ(area.ShownText(0, 0, 1, 0).value_or(u"?"), u"line 2\r\n");
}

}  // namespace
}  // namespace viz

#include "tools/UnicodePage.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include "PageTestSupport.h"

namespace viz {
namespace {

class UnicodePageTest : public ::testing::Test {
protected:
    testing::PageHost host;
    CUnicode page{host.context, nullptr};
    QPlainTextEdit* display = page.findChild<QPlainTextEdit*>("display");
    QPlainTextEdit* input = page.findChild<QPlainTextEdit*>("input");

    void SetUp() override {
        page.show();
        ASSERT_TRUE(display && input);
    }

    void Click(const char* text) {
        auto* button = testing::ButtonWithText(page, QString::fromUtf8(text));
        ASSERT_TRUE(button) << text;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // The display as the user reads it, one line per entry.
    QStringList Lines() { return display->toPlainText().split('\n'); }
};

QStringList Sections(const QString& bytes, const QString& units) {
    QStringList lines;
    for (const char* heading : {"ANSI编码：", "OEM编码：", "Macintosh编码：", "UTF7编码：", "UTF8编码："})
        lines << QString::fromUtf8(heading) << bytes << "";
    lines << "UNICODE编码(16位，小端模式)：" << units << ""
          << "";
    return lines;
}

TEST_F(UnicodePageTest, TypingShowsEveryEncodingAndStylesRewriteTheDisplay) {
    EXPECT_TRUE(display->isReadOnly());
    EXPECT_TRUE(testing::ButtonWithText<QRadioButton>(page, "风格1")->isChecked());
    input->setFocus();
    QTest::keyClicks(input, "A");
    EXPECT_EQ(Lines(), Sections("0x41", "0x0041"));
    QTest::keyClicks(input, "B");
    EXPECT_EQ(Lines(), Sections("0x41,0x42", "0x0041,0x0042"));

    Click("风格3");
    EXPECT_EQ(Lines(), Sections("41 42", "0041 0042"));
    Click("风格2");
    EXPECT_EQ(Lines(), Sections("41,42", "0041,0042"));

    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_EQ(Lines(), Sections("41,42,0D,0A", "0041,0042,000D,000A"));
}

TEST_F(UnicodePageTest, ClearEmptiesInputAndLeavesTheHeadings) {
    input->insertPlainText("测试");
    Click("清空");
    EXPECT_TRUE(input->toPlainText().isEmpty());
    EXPECT_EQ(Lines(), Sections("", ""));
}

}  // namespace
}  // namespace viz

#include "tools/CheckPage.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "PageTestSupport.h"

namespace viz {
namespace {

class CheckPageTest : public ::testing::Test {
protected:
    testing::PageHost host;
    CCheck page{host.context, nullptr};
    QPlainTextEdit* input = page.findChild<QPlainTextEdit*>("input");

    void SetUp() override {
        page.show();
        ASSERT_TRUE(input);
    }

    QString Caption() { return static_cast<QGroupBox*>(input->parentWidget())->title(); }

    // The result box a label names, as the user finds it.
    QString Result(const QString& label) {
        for (auto* candidate : page.findChildren<QLabel*>()) {
            if (candidate->text() == label && candidate->buddy())
                return static_cast<QLineEdit*>(candidate->buddy())->text();
        }
        ADD_FAILURE() << "no result box labelled " << label.toStdString();
        return {};
    }

    QString Crc(const char* name) { return page.findChild<QLineEdit*>(name)->text(); }

    QStringList Press(const QString& button) {
        return testing::ClickAnsweringMessages(testing::ButtonWithText(page, button));
    }

    void Type(const QString& text) {
        input->setFocus();
        QTest::keyClicks(input, text);
    }

    void DoubleClickInput() { QTest::mouseDClick(input->viewport(), Qt::LeftButton, {}, QPoint(5, 5)); }

    QStringList AllResults() {
        QStringList all;
        for (const char* label : {"奇校验", "偶校验", "IntelHex校验和", "BCC校验", "校验和-8", "TCP/IP校验和",
                                  "校验和-16", "检验和-32"})
            all << Result(label);
        all << Crc("crc8Result") << Crc("crc16Result") << Crc("crc32Result");
        return all;
    }
};

TEST_F(CheckPageTest, StartsInHexModeWithTheListsFilled) {
    EXPECT_EQ(Caption(), "校验数据[16进制]（双击文本框切换数据类型）");
    EXPECT_TRUE(input->toPlainText().isEmpty());
    auto* crc16 = page.findChild<QComboBox*>("crc16List");
    ASSERT_EQ(crc16->count(), 3);
    EXPECT_EQ(crc16->itemText(0), "0x8005-美国标准");
    EXPECT_EQ(crc16->itemText(1), "0x1021-CCITT标准");
    EXPECT_EQ(crc16->itemText(2), "0xA001-RTU标准  ");
    EXPECT_EQ(crc16->currentIndex(), 0);
    EXPECT_EQ(page.findChild<QComboBox*>("crc8List")->currentText(), "0x18-国际标准");
    EXPECT_EQ(page.findChild<QComboBox*>("crc32List")->currentText(), "0x04C11DB7-文件校验标准  ");
    for (const char* button : {"计算", "计算后取反", "清空"})
        EXPECT_TRUE(testing::ButtonWithText(page, button));
}

TEST_F(CheckPageTest, UserChecksTextThenSwitchesCrc16AndComplements) {
    Type("123456789");
    EXPECT_TRUE(Press("计算").isEmpty());
    // Hex mode reads pairs: 12 34 56 78, the lone 9 ends the scan.
    EXPECT_EQ(Result("校验和-16"), "0114");

    DoubleClickInput();
    EXPECT_EQ(Caption(), "校验数据[字符串]（双击文本框切换数据类型）");
    EXPECT_FALSE(input->textCursor().hasSelection()) << "the double-click must not reach the edit";
    Press("计算");
    EXPECT_EQ(AllResults(), (QStringList{"01", "00", "23", "31", "DD", "FE22", "01DD", "000001DD", "07",
                                         "AEE7", "CBF43926"}));

    page.findChild<QComboBox*>("crc16List")->setCurrentIndex(1);
    EXPECT_EQ(Crc("crc16Result"), "AEE7") << "a list change alone does not recompute";
    Press("计算");
    EXPECT_EQ(Crc("crc16Result"), "29B1");
    page.findChild<QComboBox*>("crc16List")->setCurrentIndex(2);
    Press("计算");
    EXPECT_EQ(Crc("crc16Result"), "4B37");
    EXPECT_EQ(Crc("crc32Result"), "CBF43926");

    Press("计算后取反");
    EXPECT_EQ(Result("奇校验"), "FE");
    EXPECT_EQ(Result("偶校验"), "FF");
    EXPECT_EQ(Crc("crc32Result"), "340BC6D9");

    Press("清空");
    EXPECT_TRUE(input->toPlainText().isEmpty());
    EXPECT_EQ(Result("奇校验"), "FE") << "clearing leaves the results";
    Press("计算后取反");
    EXPECT_EQ(AllResults(), (QStringList{"FF", "FE", "FF", "FF", "FF", "0000", "FFFF", "FFFFFFFF", "FF",
                                         "0000", "FFFFFFFF"}));

    DoubleClickInput();
    EXPECT_EQ(Caption(), "校验数据[16进制]（双击文本框切换数据类型）");
}

TEST_F(CheckPageTest, TextModeCountsTypedLineBreaksAsCrLf) {
    DoubleClickInput();
    Type("1");
    QTest::keyClick(input, Qt::Key_Return);
    Type("2");
    Press("计算");
    EXPECT_EQ(Result("校验和-8"), "7A");  // 31 0D 0A 32
    EXPECT_EQ(Result("BCC校验"), "04");
}

TEST_F(CheckPageTest, KeyboardUserSwitchesToTextWithCtrlTOrTheContextMenu) {
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    Type("abc");
    QTest::keyClick(input, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Caption(), "校验数据[字符串]（双击文本框切换数据类型）");
    EXPECT_EQ(input->toPlainText(), "abc") << "the key types nothing";
    Press("计算");
    EXPECT_EQ(Result("BCC校验"), "60");

    // The menu key opens the edit's menu, whose last entry switches back.
    QString entry;
    QTimer::singleShot(50, [&entry] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            entry = menu->actions().last()->text();
            menu->actions().last()->trigger();
            menu->close();
        }
    });
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                          input->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(input->viewport(), &key);
    EXPECT_EQ(entry, "切换数据类型（16进制/字符串）");
    EXPECT_EQ(Caption(), "校验数据[16进制]（双击文本框切换数据类型）");
}

TEST_F(CheckPageTest, InputOverTheBufferIsCutAndTheUserIsTold) {
    input->setPlainText(QString("01 ").repeated(4096) + "FF");
    const QStringList messages = Press("计算");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "数据超过4096字节，只计算了前4096字节的校验值。");
    EXPECT_EQ(Result("检验和-32"), "00001000");

    input->setPlainText(QString("01 ").repeated(4096));
    EXPECT_TRUE(Press("计算").isEmpty());
    EXPECT_EQ(Result("检验和-32"), "00001000");
}

}  // namespace
}  // namespace viz

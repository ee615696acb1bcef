#include "wizards/avr/McuAvrDlg.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "wizards/avr/AvrUartWizard.h"

namespace viz {
namespace {

// 12000000 Hz at 9600 baud, as the page starts and as "计算" gives it.
const QString kStartResult = QStringLiteral("UBRRH=0x00;\nUBRRL=0x4D;\n实际波特率：9615（误差+0.2%）");

// Stands in for the main window: counts the Return keys a page lets through.
class KeyCountingParent : public QWidget {
public:
    int returns = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return) ++returns;
    }
};

class McuAvrDlgTest : public ::testing::Test {
protected:
    testing::PageHost host;
    KeyCountingParent parent;
    CMcuAvrDlg* page = new CMcuAvrDlg(host.context, &parent);
    QLineEdit* frequency = page->findChild<QLineEdit*>("frequency");
    QComboBox* baud = page->findChild<QComboBox*>("baud");
    QLabel* result = page->findChild<QLabel*>("result");
    QPlainTextEdit* code = page->findChild<QPlainTextEdit*>("code");

    void SetUp() override {
        parent.show();
        ASSERT_TRUE(frequency && baud && result && code);
    }

    void Click(const char* text) {
        auto* button = testing::ButtonWithText(*page, QString::fromUtf8(text));
        ASSERT_TRUE(button) << text;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void TypeFrequency(const QString& text) {
        frequency->setFocus();
        frequency->selectAll();
        QTest::keyClick(frequency, Qt::Key_Delete);
        QTest::keyClicks(frequency, text);
    }
};

TEST_F(McuAvrDlgTest, StartState) {
    EXPECT_EQ(frequency->text(), "12000000");
    ASSERT_EQ(baud->count(), 11);
    EXPECT_EQ(baud->itemText(0), "1200");
    EXPECT_EQ(baud->itemText(10), "194000");
    EXPECT_EQ(baud->currentText(), "9600");
    EXPECT_EQ(result->text(), kStartResult);
    EXPECT_TRUE(code->toPlainText().isEmpty());
    EXPECT_TRUE(code->isReadOnly());
}

TEST_F(McuAvrDlgTest, UserCalculatesForSeveralClocksAndGeneratesCode) {
    Click("计算");
    EXPECT_EQ(result->text(), kStartResult);

    TypeFrequency("8000000");
    Click("计算");
    EXPECT_EQ(result->text(), "UBRRH=0x00;\nUBRRL=0x33;\n实际波特率：9615（误差+0.2%）");
    EXPECT_TRUE(code->toPlainText().isEmpty()) << "only 生成代码 writes code";

    TypeFrequency("16000000");
    baud->setCurrentIndex(0);
    Click("生成代码");
    EXPECT_EQ(result->text(), "UBRRH=0x03;\nUBRRL=0x40;\n实际波特率：1200（误差+0.0%）");
    const QString shown = code->toPlainText();
    EXPECT_TRUE(shown.contains("  UBRRH=0x03;\n  UBRRL=0x40;\n"));
    EXPECT_TRUE(shown.startsWith("//开发环境：WinAVR\n//硬件平台：ATMEGA16\n\n#include <avr/io.h>\n"));
    EXPECT_TRUE(shown.endsWith("ISR(USART_RXC_vect)\n{\n  UARTSendByte(UDR);\n}\n"));
    EXPECT_EQ(shown,
              QString::fromStdString(AvrUartProgram(ComputeUbrr(16000000, 1200))).replace("\r\n", "\n"));

    // A clock too slow for the rate is flagged on the third line.
    TypeFrequency("1000000");
    baud->setCurrentIndex(9);
    Click("计算");
    EXPECT_EQ(result->text(),
              "UBRRH=0x00;\nUBRRL=0x00;\n实际波特率：62500（误差-45.7%，超过2%，通信可能出错！）");
}

TEST_F(McuAvrDlgTest, FrequencyTakesEightCharactersAndReturnIsSwallowed) {
    TypeFrequency("123456789");
    EXPECT_EQ(frequency->text(), "12345678");
    QTest::keyClick(frequency, Qt::Key_Return);
    EXPECT_EQ(parent.returns, 0);
    EXPECT_EQ(result->text(), kStartResult) << "Return computes nothing";
}

}  // namespace
}  // namespace viz

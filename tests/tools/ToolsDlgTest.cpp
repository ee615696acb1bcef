#include "tools/ToolsDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "PageTestSupport.h"
#include "terminal/HexTypeDlg.h"
#include "terminal/ProcessDlg.h"
#include "tools/ConversionRunner.h"
#include "tools/GlyphPreview.h"
#include "tools/HexBinGroup.h"

namespace viz {
namespace {

using testing::ButtonWithText;
using testing::ClickAnsweringMessages;

class ToolsDlgTest : public ::testing::Test {
protected:
    testing::PageHost host;
    CToolsDlg page{host.context, nullptr};

    void SetUp() override { page.show(); }

    // The control a label names, as the user finds it.
    template <typename Widget = QLineEdit>
    Widget* Labelled(const QString& caption) {
        for (auto* label : page.findChildren<QLabel*>()) {
            if (label->text() == caption) return qobject_cast<Widget*>(label->buddy());
        }
        ADD_FAILURE() << "no control labelled " << caption.toStdString();
        return nullptr;
    }

    QAbstractButton* Named(const QString& name) {
        for (auto* button : page.findChildren<QAbstractButton*>()) {
            if (button->accessibleName() == name) return button;
        }
        ADD_FAILURE() << "no button named " << name.toStdString();
        return nullptr;
    }

    QPlainTextEdit* TextBox(const QString& name) {
        for (auto* box : page.findChildren<QPlainTextEdit*>()) {
            if (box->accessibleName() == name) return box;
        }
        return nullptr;
    }

    void Retype(QLineEdit* box, const QString& text) {
        box->selectAll();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }

    QStringList Converter() {
        return {Labelled(QString("二进制："))->text(), Labelled(QString("十进制："))->text(),
                Labelled(QString("十六进制："))->text()};
    }
};

TEST_F(ToolsDlgTest, ConverterFollowsTheBitsAndTheThreeTexts) {
    EXPECT_EQ(Converter(), (QStringList{"00000000", "0", "00"}));
    EXPECT_TRUE(ClickAnsweringMessages(Named(QString("第7位"))).isEmpty());
    EXPECT_EQ(Converter(), (QStringList{"10000000", "128", "80"}));

    Retype(Labelled(QString("十进制：")), "-5");
    QTest::keyClick(Labelled(QString("十进制：")), Qt::Key_Return);
    EXPECT_EQ(Converter()[2], "80") << "Enter converts nothing";
    ClickAnsweringMessages(Named(QString("转换十进制数")));
    EXPECT_EQ(Converter(), (QStringList{"11111011", "-5", "FB"})) << "the typed box keeps its text";
    EXPECT_TRUE(Named(QString("第7位"))->isChecked());
    EXPECT_FALSE(Named(QString("第2位"))->isChecked());

    Retype(Labelled(QString("十进制：")), "256");
    EXPECT_EQ(ClickAnsweringMessages(Named(QString("转换十进制数"))),
              QStringList{QString("最大值不能够超过255！")});
    EXPECT_EQ(Converter()[2], "FB") << "the value stays";

    Retype(Labelled(QString("十六进制：")), "0A");
    ClickAnsweringMessages(Named(QString("转换十六进制数")));
    EXPECT_EQ(Converter(), (QStringList{"00001010", "10", "0A"}));
    Retype(Labelled(QString("十六进制：")), "zz");
    ClickAnsweringMessages(Named(QString("转换十六进制数")));
    EXPECT_EQ(Converter(), (QStringList{"00000000", "0", "zz"}));

    Retype(Labelled(QString("二进制：")), "101");
    EXPECT_EQ(ClickAnsweringMessages(Named(QString("转换二进制数"))),
              QStringList{QString("二进制数至少需要7位！")});
    Retype(Labelled(QString("二进制：")), "1100110");
    ClickAnsweringMessages(Named(QString("转换二进制数")));
    EXPECT_EQ(Converter(), (QStringList{"1100110", "204", "CC"}));
    ClickAnsweringMessages(Named(QString("第6位")));
    EXPECT_EQ(Converter(), (QStringList{"10001100", "140", "8C"})) << "a bit box refreshes all three";
    for (QPushButton* button : page.findChildren<QPushButton*>()) {
        if (button->text() == "-") {
            EXPECT_EQ(button->toolTip(), QString("转换数值并显示"));
        }
    }
}

TEST_F(ToolsDlgTest, SegmentsBuildTheDigitCodes) {
    QLineEdit* anode = Labelled(QString("共阳极："));
    QLineEdit* cathode = Labelled(QString("共阴极："));
    EXPECT_EQ(anode->text(), "FF");
    EXPECT_EQ(cathode->text(), "00");
    for (const char* segment : {"a", "b", "c", "d", "e", "f"}) {
        QAbstractButton* button = Named(QString("数码管%1段").arg(segment));
        EXPECT_EQ(button->toolTip(), segment);
        ClickAnsweringMessages(button);
    }
    EXPECT_EQ(cathode->text(), "3F");
    EXPECT_EQ(anode->text(), "C0");
    ClickAnsweringMessages(Named(QString("数码管a段")));
    EXPECT_FALSE(Named(QString("数码管a段"))->isChecked()) << "a second click turns it off";
    EXPECT_EQ(cathode->text(), "3E");
    QAbstractButton* dot = Named(QString("数码管小数点"));
    EXPECT_EQ(dot->toolTip(), "h");
    dot->setFocus();
    QTest::keyClick(dot, Qt::Key_Space);
    EXPECT_EQ(cathode->text(), "BE") << "the keyboard reaches the segments";
    QTest::keyClick(dot, Qt::Key_Return);
    EXPECT_EQ(cathode->text(), "BE") << "Enter does nothing";

    EXPECT_EQ(
        TextBox(QString("数码管0~F编码表"))->toPlainText(),
        QString(
            "共阳极:0~F\n0xC0,0xF9,0xA4,0xB0,0x99,0x92,0x82,0xF8,\n0x80,0x90,0x88,0x83,0xC6,0xA1,0x86,0x8E\n"
            "共阴极:0~F\n0x3F,0x06,0x5B,0x4F,0x66,0x6D,0x7D,0x07,\n0x7F,0x6F,0x77,0x7C,0x39,0x5E,0x79,"
            "0x71\n"));
}

TEST_F(ToolsDlgTest, FontMatrixShowsTheGlyphAndKeepsItOnRepaint) {
    auto* input = Labelled(QString("输入（支持英文、汉字）："));
    auto* preview = page.findChild<CGlyphPreview*>();
    QPlainTextEdit* output = TextBox(QString("字模输出"));
    QPushButton* generate = ButtonWithText<QPushButton>(page, QString("生成"));
    EXPECT_EQ(generate->toolTip(), QString("生成字模"));
    EXPECT_EQ(input->text(), QString("中"));

    EXPECT_TRUE(ClickAnsweringMessages(generate).isEmpty());
    EXPECT_TRUE(output->toPlainText().startsWith(QString("字节正序输出：\n0x01, 0x00, 0x01, 0x00, ")))
        << output->toPlainText().toStdString();
    EXPECT_TRUE(output->toPlainText().contains(QString("字节反序输出：\n0xFE, 0xFF, 0xFE, 0xFF, ")));
    // Row 0 of 中 is 0x01 0x00: column 7 lit, column 8 dark. Grabbing paints
    // the widget afresh, as a repaint after being covered would.
    const QImage shown = preview->grab().toImage();
    const QPoint origin = preview->contentsRect().topLeft();
    EXPECT_EQ(shown.pixelColor(origin + QPoint(75, 5)), QColor(0xA7, 0xCD, 0x3F));
    EXPECT_NE(shown.pixelColor(origin + QPoint(85, 5)), QColor(0xA7, 0xCD, 0x3F));
    EXPECT_EQ(preview->glyph()->width, 16);

    Retype(input, "A");
    ClickAnsweringMessages(generate);
    EXPECT_EQ(preview->glyph()->width, 8);
    EXPECT_EQ(output->toPlainText().count(QString("0x")), 32) << "16 bytes, twice";

    input->setText(QString("€"));  // typed through an input method
    EXPECT_EQ(ClickAnsweringMessages(generate), QStringList{QString("该字符不在GB2312字库中！")});
    EXPECT_FALSE(preview->glyph());
    EXPECT_TRUE(output->toPlainText().isEmpty());

    input->clear();
    ClickAnsweringMessages(generate);
    EXPECT_TRUE(output->toPlainText().startsWith(QString("字节正序输出：\n0x00, 0x00")))
        << "character code 0";
}

// Answers the "Hex类型" chooser: picks `type`, or cancels for 0.
class HexTypeAnswer {
public:
    explicit HexTypeAnswer(int type) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this, type] {
            auto* chooser = qobject_cast<CHexTypeDlg*>(QApplication::activeModalWidget());
            if (!chooser) return;
            ++asked_;
            if (type == 0) return chooser->reject();
            QTest::mouseClick(chooser->typeButton(type), Qt::LeftButton);
            chooser->accept();
        });
        timer_.start();
    }
    int asked() const { return asked_; }

private:
    QTimer timer_;
    int asked_ = 0;
};

class HexBinGroupTest : public ToolsDlgTest {
protected:
    testing::TempDir files;
    QString chosen;

    void SetUp() override {
        ToolsDlgTest::SetUp();
        page.hexBin()->setFileChooser([this](const QString& filter) {
            lastFilter = filter;
            return chosen;
        });
    }
    QString lastFilter;

    QString Write(const std::string& name, const std::string& content) {
        std::ofstream(files / name, std::ios::binary) << content;
        return QString::fromStdString((files / name).string());
    }
    std::string Read(const std::string& name) {
        std::ifstream in(files / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Presses `button` and waits for the conversion's message.
    QStringList Convert(QAbstractButton* button) {
        testing::ModalCatcher catcher;
        QTest::mouseClick(button, Qt::LeftButton);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!page.hexBin()->runner()->busy(), 20000); }();
        return catcher.texts();
    }
};

TEST_F(HexBinGroupTest, UserConvertsABinaryAndAHexFile) {
    EXPECT_EQ(Convert(Named(QString("将二进制文件转换为文本"))),
              QStringList{QString("二进制文件转换为文本失败！\n没有选择文件")});

    chosen = Write("data.bin", "\x01\x02");
    ClickAnsweringMessages(Named(QString("BinToText：选择Bin文件")));
    EXPECT_EQ(lastFilter, QString("BIN Files (*.bin)"));
    EXPECT_EQ(Labelled(QString("BinToText："))->text(), chosen);
    EXPECT_EQ(Convert(Named(QString("将二进制文件转换为文本"))),
              QStringList{QString("二进制文件转换为文本成功，并输出到二进制文件当前目录！")});
    EXPECT_EQ(Read("data.h"),
              "const unsigned char ucBinToTextBuf[]={\r\n\r\n/*00000000H:*/0x01,0x02\r\n};\r\n");

    // The first record sets a base that type 2 leaves out.
    chosen = Write("code.hex", ":020000040001F9\r\n:02001000AABB89\r\n:00000001FF\r\n");
    ClickAnsweringMessages(Named(QString("HexToBin ：选择Hex文件")));
    EXPECT_EQ(lastFilter, QString("HEX Files (*.hex)"));
    {
        HexTypeAnswer answer(2);
        EXPECT_EQ(Convert(Named(QString("将十六进制文件转换为二进制文件"))),
                  QStringList{QString("十六进制文件转换为二进制文件成功，并输出到十六进制文件当前目录！")});
        EXPECT_EQ(answer.asked(), 1);
    }
    EXPECT_EQ(Read("code.bin"), "\xAA\xBB");
    {
        HexTypeAnswer cancel(0);
        EXPECT_TRUE(Convert(Named(QString("将十六进制文件转换为文本"))).isEmpty())
            << "cancel converts nothing";
        EXPECT_EQ(cancel.asked(), 1);
    }
    ClickAnsweringMessages(Named(QString("HexToText：选择Hex文件")));
    HexTypeAnswer answer(1);
    EXPECT_EQ(Convert(Named(QString("将十六进制文件转换为文本"))),
              QStringList{QString("十六进制文件转换为文本成功，并输出到十六进制文件当前目录！")});
    EXPECT_EQ(Read("code.h"),
              "const unsigned char ucHexToTextBuf[]={\r\n\r\n/*00000000H:*/0xAA,0xBB\r\n};\r\n");
}

TEST_F(HexBinGroupTest, LongConversionShowsProgressAndKeepsTheWindowLive) {
    CConversionRunner* runner = page.hexBin()->runner();
    std::atomic<bool> release{false};
    QString shown;
    // Started before the run, so the delay is never measured short.
    QElapsedTimer clock;
    clock.start();
    runner->Run([&](ConversionProgress& progress) -> ConversionTask::Finish {
        progress.Report(0.25);
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return [&shown] { shown = "done"; };
    });
    QPushButton* toBin = qobject_cast<QPushButton*>(Named(QString("将十六进制文件转换为二进制文件")));
    EXPECT_FALSE(toBin->isEnabled()) << "one conversion at a time";
    const testing::LoopRun run = testing::RunLoopUntil([] { return false; }, 300);
    EXPECT_FALSE(runner->progressWindow() && runner->progressWindow()->isVisible())
        << "not before half a second";
    const testing::LoopRun untilShown = testing::RunLoopUntil(
        [&] { return runner->progressWindow() && runner->progressWindow()->isVisible(); }, 20000);
    ASSERT_TRUE(untilShown.reached);
    EXPECT_GE(clock.elapsed(), CConversionRunner::kProgressDelayMs);
    QTRY_COMPARE(runner->progressWindow()->bar()->value(), runner->progressWindow()->bar()->maximum() / 4);
    EXPECT_LT(std::max(run.longestStallMs, untilShown.longestStallMs), testing::kStallLimitMs)
        << "the event loop ran all along";
    release = true;
    QTRY_VERIFY(!runner->busy());
    EXPECT_EQ(shown, "done");
    EXPECT_FALSE(runner->progressWindow()->isVisible());
    EXPECT_TRUE(toBin->isEnabled());
}

}  // namespace
}  // namespace viz

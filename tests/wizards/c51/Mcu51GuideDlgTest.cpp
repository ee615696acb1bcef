#include "wizards/c51/Mcu51GuideDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "IconvReference.h"
#include "PageTestSupport.h"
#include "TempDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"

namespace viz {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What a modal window opened by an action showed: its title, its text and
// a message box's buttons.
struct Shown {
    QString title;
    QString text;
    QStringList buttons;
};

// Runs the action; whatever modal window it opens is read and closed. A
// window that never opens leaves both fields empty instead of hanging.
Shown RunModal(const std::function<void()>& action) {
    Shown shown;
    QTimer::singleShot(0, [&shown] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        shown.title = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown.text = box->text();
            for (QAbstractButton* button : box->buttons()) shown.buttons.append(button->text());
        } else if (auto* edit = modal->findChild<QPlainTextEdit*>()) {
            shown.text = edit->toPlainText();
        }
        static_cast<QDialog*>(modal)->done(0);
    });
    action();
    QApplication::processEvents();
    return shown;
}

// The page as the main window holds it, run in its own working directory.
class Mcu51GuidePage : public ::testing::Test {
protected:
    Mcu51GuidePage() : store_(settingsDir_ / "Vizuruv.conf"), context_(store_), page_(context_, nullptr) {
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(workDir_.path().string()));
        page_.resize(800, 560);
        page_.show();
    }
    ~Mcu51GuidePage() override { QDir::setCurrent(previousDir_); }

    template <typename T>
    T* Find(const char* name) {
        T* widget = page_.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Label(const char* name) { return Find<QLabel>(name)->text(); }
    QPushButton* Button(const char* text) {
        for (auto* button : page_.findChildren<QPushButton*>()) {
            if (button->text() == QString::fromUtf8(text)) return button;
        }
        ADD_FAILURE() << text;
        return nullptr;
    }
    void Click(const char* checkBox) { QTest::mouseClick(Find<QCheckBox>(checkBox), Qt::LeftButton); }
    void Choose(const char* list, const char* item) {
        QComboBox* combo = Find<QComboBox>(list);
        const int index = combo->findText(QString::fromUtf8(item));
        ASSERT_GE(index, 0) << item;
        combo->setCurrentIndex(index);
    }
    void Type(const char* edit, const char* text) {
        QLineEdit* line = Find<QLineEdit>(edit);
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, QString::fromUtf8(text));
    }
    QStringList LogLines() {
        QString text = Find<QPlainTextEdit>("log")->toPlainText();
        if (text.endsWith('\n')) text.chop(1);
        return text.isEmpty() ? QStringList() : text.split('\n');
    }

    testing::TempDir settingsDir_;
    testing::TempDir workDir_;
    SettingsStore store_;
    PageContext context_;
    CMcu51GuideDlg page_;
    QString previousDir_;
};

TEST_F(Mcu51GuidePage, StartsWithTheGivenSelectionsAndEmptyImage) {
    EXPECT_EQ(Label("portLabel0"), "P0=0x00");
    EXPECT_EQ(Label("portLabel3"), "P3=0x00");
    EXPECT_EQ(Label("RCAPTH2"), "RCAPTH2=0x00");
    EXPECT_EQ(Label("SCON"), "SCON=0x00");
    EXPECT_EQ(Find<QComboBox>("crystal")->currentText(), "12.0000");
    EXPECT_EQ(Find<QComboBox>("crystal")->count(), 30);
    EXPECT_EQ(Find<QComboBox>("speed")->currentText(), "12T");
    EXPECT_EQ(Find<QComboBox>("baud")->currentText(), "9600");
    EXPECT_EQ(Find<QComboBox>("timer1Mode")->itemText(3), "3:波特率发生器");
    EXPECT_EQ(Find<QComboBox>("timer2Mode")->itemText(1), "1:16位捕捉");
    EXPECT_EQ(Find<QLineEdit>("count1")->text(), "0");
    EXPECT_EQ(Find<QLineEdit>("delayTime")->text(), "1000");
    EXPECT_EQ(Label("unit2"), "us");
    EXPECT_EQ(Button("输出为C文件")->toolTip(), "将向导代码输出为*.c文件，并保存到当前目录");
    EXPECT_EQ(Button("浏览延时代码")->toolTip(), "通过新窗口方式来预览软件延时代码");
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(page_.model().image().frequency, 12000000u);
}

TEST_F(Mcu51GuidePage, ClickPathShowsRegistersLogAndPreview) {
    Choose("crystal", "11.0592");
    Choose("timer1Mode", "3:波特率发生器");
    EXPECT_EQ(Label("TH1"), "TH1=0xFD");
    EXPECT_EQ(Label("TL1"), "TL1=0xFD");
    QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "> MCU外接晶振频率：11059200Hz，相关的定时器/计数器将被刷新！");
    EXPECT_EQ(lines[4], "> 串口波特率设置为9600");
    EXPECT_EQ(lines[5], "> 定时器/计数器1为波特率发生器");
    // "波特率倍增" after the rate: the reload follows and the log says so.
    Click("doubleBaud");
    EXPECT_EQ(Label("TH1"), "TH1=0xFA");
    EXPECT_EQ(LogLines().back(), "> 定时器/计数器1的波特率重载值随之改为TH1=TL1=0xFA");
    Click("doubleBaud");
    EXPECT_EQ(Label("TH1"), "TH1=0xFD");

    Choose("crystal", "12.0000");
    Choose("timer0Mode", "1:16位定时器/计数器");
    Type("count0", "1000");
    // Timer 1 as baud generator runs in its 8-bit reload mode.
    EXPECT_EQ(Label("TMOD"), "TMOD=0x21");
    EXPECT_EQ(Label("TH0"), "TH0=0xFC");
    EXPECT_EQ(Label("TL0"), "TL0=0x18");
    Click("timer0Run");
    Click("globalInterrupt");
    Click("timer0Interrupt");
    Click("port0bit7");
    Click("port2bit0");
    EXPECT_EQ(Label("TCON"), "TCON=0x10");
    EXPECT_EQ(Label("IE"), "IE=0x82");
    EXPECT_EQ(Label("portLabel0"), "P0=0x80");
    EXPECT_EQ(Label("portLabel2"), "P2=0x01");
    EXPECT_EQ(LogLines().back(), "> 允许定时器/计数器0触发中断！");

    Choose("timer0Counter", "1:计数器");
    EXPECT_EQ(Label("unit0"), "");
    EXPECT_EQ(Label("TMOD"), "TMOD=0x25");
    // The counter input T0 (P3.4) is set in what the code writes.
    EXPECT_EQ(Label("portLabel3"), "P3=0x10");
    EXPECT_EQ(LogLines().back(), "> 定时器/计数器0工作模式为：计数器");

    const Shown preview = RunModal([this] { QTest::mouseClick(Button("浏览向导代码"), Qt::LeftButton); });
    EXPECT_EQ(preview.title, "C51单片机代码预览");
    EXPECT_TRUE(preview.text.startsWith("/*****************************************************\n"));
    EXPECT_TRUE(preview.text.contains("  P0=0x80;\n  P1=0x00;\n  P2=0x01;\n"));
    EXPECT_TRUE(preview.text.contains("void T0Isr(void) interrupt 1\n{\n\n  TH0=0xFC;\n  TL0=0x18;\n"));
    EXPECT_TRUE(preview.text.contains("  TH1=0xFD;\n"));
}

TEST_F(Mcu51GuidePage, DoubleClickEmptiesTheLogAndTheLogKeepsTwoHundredLines) {
    for (int i = 0; i < 200; ++i) Click("serialReceive");
    QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 200);
    EXPECT_EQ(lines.front(), "> 串口允许接收");
    EXPECT_EQ(lines.back(), "> 串口禁止接收");
    Click("serialReceive");
    EXPECT_EQ(LogLines(), QStringList{"> 串口允许接收"});
    EXPECT_EQ(Label("SCON"), "SCON=0x10");

    QPlainTextEdit* log = Find<QPlainTextEdit>("log");
    QTest::mouseDClick(log->viewport(), Qt::LeftButton);
    EXPECT_TRUE(LogLines().isEmpty());
    Click("multiprocessor");
    EXPECT_EQ(LogLines(), QStringList{"> 串口允许多机通信"});
}

TEST_F(Mcu51GuidePage, EnterActivatesNothing) {
    QPushButton* preview = Button("浏览向导代码");
    preview->setFocus();
    const Shown shown = RunModal([preview] { QTest::keyClick(preview, Qt::Key_Return); });
    EXPECT_TRUE(shown.title.isEmpty());
    Type("count2", "100");
    QTest::keyClick(Find<QLineEdit>("count2"), Qt::Key_Enter);
    EXPECT_TRUE(page_.isVisible());
    EXPECT_EQ(Find<QLineEdit>("count2")->text(), "100");
    EXPECT_EQ(Label("RCAPTH2"), "RCAPTH2=0xFF");
    EXPECT_EQ(Label("RCAPTL2"), "RCAPTL2=0x9C");
}

TEST_F(Mcu51GuidePage, DelayPreviewAndAccuracyMessage) {
    Shown shown = RunModal([this] { QTest::mouseClick(Button("浏览延时代码"), Qt::LeftButton); });
    EXPECT_EQ(shown.title, "C51单片机代码预览");
    EXPECT_TRUE(shown.text.startsWith("//延时时间：1000微秒\n\nvoid Delay(void)\n"));
    EXPECT_TRUE(shown.text.contains("     for(j=199;j>0;j--)\n"));

    Choose("speed", "1T");
    shown = RunModal([this] { QTest::mouseClick(Button("浏览延时代码"), Qt::LeftButton); });
    EXPECT_TRUE(shown.text.contains("  for(i=14;i>0;i--)\n"));

    Choose("speed", "12T");
    Type("delayTime", "5");
    shown = RunModal([this] { QTest::mouseClick(Button("浏览延时代码"), Qt::LeftButton); });
    EXPECT_TRUE(shown.text.startsWith("计算软件延时精度不足，解决方法如下："));
}

TEST_F(Mcu51GuidePage, ExportsTheProjectAndTheCFileAsPreviewed) {
    Click("timer1Interrupt");
    Choose("timer1Mode", "1:16位定时器/计数器");
    Type("count1", "20000");
    const Shown preview = RunModal([this] { QTest::mouseClick(Button("浏览向导代码"), Qt::LeftButton); });
    ASSERT_TRUE(preview.text.contains("  TH1=0xB1;\n  TL1=0xE0;\n"));
    const std::string previewBytes = testing::Gbk(QString(preview.text).replace("\n", "\r\n").toStdString());
    ASSERT_FALSE(previewBytes.empty());

    Shown message = RunModal([this] { QTest::mouseClick(Button("输出为C文件"), Qt::LeftButton); });
    EXPECT_EQ(message.text, "输出C文件成功，名称：C51GuideView.c");
    EXPECT_EQ(message.title, QApplication::applicationName());
    // The toolkit's own button speaks Chinese too.
    EXPECT_EQ(message.buttons, QStringList{"确定"});
    EXPECT_EQ(ReadFile(workDir_ / "C51GuideView.c"), previewBytes);

    const std::filesystem::path project = workDir_ / "M51Project";
    const std::filesystem::path templates = VIZ_C51_TEMPLATE_DIR;
    for (int round = 0; round < 2; ++round) {
        message = RunModal([this] { QTest::mouseClick(Button("输出为Keil工程"), Qt::LeftButton); });
        EXPECT_EQ(message.text, "Keil工程M51Project创建成功！");
        for (const char* name : {"M51Project.Uv2", "M51Project.Opt", "STARTUP.A51"}) {
            EXPECT_EQ(ReadFile(project / name), ReadFile(templates / name)) << name;
        }
        EXPECT_EQ(ReadFile(project / "main.c"), previewBytes);
        // Spoil every file; the second export must replace them all.
        for (const char* name : {"M51Project.Uv2", "M51Project.Opt", "STARTUP.A51", "main.c"}) {
            std::ofstream(project / name, std::ios::binary) << std::string(9000, 'z');
        }
    }
}

TEST_F(Mcu51GuidePage, SdccChoiceIsKeptAndExportsAMakefileProject) {
    QComboBox* compiler = Find<QComboBox>("compiler");
    EXPECT_EQ(compiler->currentText(), "Keil C51");
    EXPECT_EQ(compiler->accessibleName(), "编译器");
    ASSERT_NE(Button("输出为Keil工程"), nullptr);

    Choose("compiler", "SDCC");
    std::uint32_t stored = 0;
    EXPECT_EQ(store_.ReadC51Compiler(stored), kSettingsOk);
    EXPECT_EQ(stored, 1u);
    EXPECT_EQ(Button("输出为SDCC工程")->toolTip(),
              "将向导代码输出为SDCC工程（main.c和Makefile，用make编译）");

    Click("timer0Interrupt");
    const Shown preview = RunModal([this] { QTest::mouseClick(Button("浏览向导代码"), Qt::LeftButton); });
    EXPECT_TRUE(preview.text.contains("\n#include <8052.h>\n"));
    EXPECT_TRUE(preview.text.contains("void T0Isr(void) __interrupt(1)\n"));
    const std::string previewBytes = testing::Gbk(QString(preview.text).replace("\n", "\r\n").toStdString());

    const Shown message = RunModal([this] { QTest::mouseClick(Button("输出为SDCC工程"), Qt::LeftButton); });
    EXPECT_EQ(message.text, "SDCC工程M51SdccProject创建成功！");
    EXPECT_EQ(ReadFile(workDir_ / "M51SdccProject" / "main.c"), previewBytes);
    EXPECT_NE(ReadFile(workDir_ / "M51SdccProject" / "Makefile").find("\tpackihx main.ihx > main.hex\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(workDir_ / "M51Project"));

    // The next start speaks SDCC at once.
    CMcu51GuideDlg next(context_, nullptr);
    EXPECT_EQ(next.findChild<QComboBox*>("compiler")->currentText(), "SDCC");
    EXPECT_NE(testing::ButtonWithText<QPushButton>(next, "输出为SDCC工程"), nullptr);
}

TEST_F(Mcu51GuidePage, FailuresToWriteAreReported) {
    std::filesystem::create_directory(workDir_ / "C51GuideView.c");
    Shown message = RunModal([this] { QTest::mouseClick(Button("输出为C文件"), Qt::LeftButton); });
    EXPECT_EQ(message.text, "输出C文件失败：无法写入当前目录下的C51GuideView.c！");

    std::filesystem::create_directories(workDir_ / "M51Project" / "M51Project.Opt");
    message = RunModal([this] { QTest::mouseClick(Button("输出为Keil工程"), Qt::LeftButton); });
    EXPECT_EQ(message.text, "创建M51Project.Opt文件失败！");
}

}  // namespace
}  // namespace viz

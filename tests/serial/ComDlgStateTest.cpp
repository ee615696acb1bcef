// The serial page's controls: open and closed state, the boxes that only
// work while open, the period and frame-time fields, the counters and the
// saved settings.
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>

#include <algorithm>
#include <thread>

#include "ComDlgTestSupport.h"

namespace viz::testing {
namespace {

constexpr char16_t kIdleReceiveTitle[] =
    u"接收区：已接收0字节，速度0字节/秒，接收状态[允许]，输出文本状态[已停止]";

QImage LampImage(bool open) {
    return QIcon(open ? QStringLiteral(":/serial/lamp_open.svg") : QStringLiteral(":/serial/lamp_closed.svg"))
        .pixmap(QSize(24, 24))
        .toImage();
}

class ComDlgState : public ComDlgTest {
protected:
    void ExpectClosed() {
        EXPECT_FALSE(page().isOpen());
        EXPECT_EQ(Button("open")->text(), QStringLiteral("打开串口"));
        EXPECT_EQ(Find<QLabel>("lamp")->pixmap().toImage(), LampImage(false));
        for (const char* list : {"port", "baud", "dataBits", "stopBits", "parity"})
            EXPECT_TRUE(List(list)->isEnabled()) << list;
    }

    std::vector<std::string> PortEntries() {
        std::vector<std::string> entries;
        for (int i = 0; i < List("port")->count(); ++i)
            entries.push_back(List("port")->itemText(i).toStdString());
        return entries;
    }

    void SaveSerial(const SerialSettings& settings) { ASSERT_EQ(store.WriteSerial(settings), 0); }

    SerialSettings Saved() {
        SerialSettings saved;
        EXPECT_EQ(store.ReadSerial(saved), 0);
        return saved;
    }
};

TEST_F(ComDlgState, StartsClosedWithNotesAndInitialTitles) {
    ExpectClosed();
    ASSERT_NE(LampImage(true), LampImage(false));
    EXPECT_EQ(received().area().text().substr(0, 18), u"\r\n\r\nDuvezer注意事项：\r\n");
    EXPECT_EQ(page().receiveArea()->title(),
              QStringLiteral("接收区：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）"));
    EXPECT_EQ(page().sendArea()->title(),
              QStringLiteral("发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）"));
    EXPECT_EQ(PortEntries(),
              (std::vector<std::string>{"/dev/ttyUSB0  CP2102N USB to UART Bridge Controller (Silicon Labs)",
                                        "/dev/ttyS10  serial8250", "/dev/ttyS2  serial8250"}));
}

TEST_F(ComDlgState, OpeningAndClosingShowsTheStateAndRunsTheStatusTimerOnlyWhileOpen) {
    OpenPty();
    EXPECT_EQ(Button("open")->text(), QStringLiteral("关闭串口"));
    EXPECT_EQ(Find<QLabel>("lamp")->pixmap().toImage(), LampImage(true));
    for (const char* list : {"port", "baud", "dataBits", "stopBits", "parity"})
        EXPECT_FALSE(List(list)->isEnabled()) << list;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return page().receiveArea()->title() == QString::fromUtf16(kIdleReceiveTitle); }, 20000))
        << page().receiveArea()->title().toStdString();

    Click(Button("open"));
    ExpectClosed();
    Click(Button("resetCounts"));
    RunTimerTicks(100, 3);
    EXPECT_EQ(page().receiveArea()->title(), QStringLiteral("接收区：已接收0字节")) << "status timer stopped";
}

TEST_F(ComDlgState, ContinuousSendAndLineBoxesCannotBeCheckedWhileClosed) {
    for (const char* name : {"continuous", "dtr", "rts", "break", "cts", "dsr", "ring", "rlsd"}) {
        Click(Box(name));
        EXPECT_FALSE(Box(name)->isChecked()) << name;
    }
    EXPECT_FALSE(page().sendArea()->continuous(0));
}

TEST_F(ComDlgState, OutputLinesFollowTheBoxesAndInputLinesOnlyShowThePort) {
    OpenPty();
    EXPECT_EQ(lines->Outputs(), 0u) << "DTR and RTS are off after opening";
    Click(Box("dtr"));
    Click(Box("rts"));
    Click(Box("break"));
    EXPECT_EQ(lines->Outputs(), kLineDtr | kLineRts);
    EXPECT_TRUE(lines->Break());
    Click(Box("dtr"));
    Click(Box("break"));
    EXPECT_EQ(lines->Outputs(), kLineRts);
    EXPECT_FALSE(lines->Break());

    lines->SetInputs(kLineCts | kLineRing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Box("cts")->isChecked() && Box("ring")->isChecked(); }, 20000));
    EXPECT_FALSE(Box("dsr")->isChecked());
    Click(Box("cts"));
    Click(Box("dsr"));
    EXPECT_TRUE(Box("cts")->isChecked()) << "the user cannot change an input line";
    EXPECT_FALSE(Box("dsr")->isChecked());
    lines->SetInputs(kLineRing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Box("cts")->isChecked(); }, 20000));

    Click(Button("open"));
    for (const char* name : {"dtr", "rts", "break", "cts", "dsr", "ring", "rlsd"})
        EXPECT_FALSE(Box(name)->isChecked()) << name;
    Click(Box("ring"));
    EXPECT_FALSE(Box("ring")->isChecked());
}

// A line change reported just before the port closed, and not yet shown,
// must not show up on the next session.
TEST_F(ComDlgState, NewsOfAClosedSessionIsDropped) {
    OpenPty();
    lines->SetInputs(kLineDsr);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Click(Button("open"));
    lines->SetInputs(0);
    Click(Button("open"));
    ASSERT_TRUE(page().isOpen());
    EXPECT_TRUE(Settled());
    EXPECT_FALSE(Box("dsr")->isChecked());
}

// The period is read only while the port is open and continuous sending is
// on; typed at other times it waits for the next change of the field.
TEST_F(ComDlgState, PeriodIsReadOnlyWhileContinuousSendingRuns) {
    OpenPty();
    page().sendArea()->edit()->setPlainText(QStringLiteral("A"));
    Type(Field("period"), QStringLiteral("20"));
    QElapsedTimer clock;
    clock.start();
    Click(Box("continuous"));
    EXPECT_TRUE(page().sendArea()->continuous(0));
    ASSERT_EQ(FarEndRead(1, std::chrono::milliseconds(20000)), Bytes{'A'});
    EXPECT_GE(clock.elapsed(), 900) << "still the 1000 ms period it had at start";

    Type(Field("period"), QStringLiteral("30"));
    EXPECT_EQ(FarEndRead(3, std::chrono::milliseconds(20000)), (Bytes{'A', 'A', 'A'}));

    // Sends a marker and reads the far end up to it: what went out before.
    auto upToMarker = [&] {
        page().sendArea()->edit()->setPlainText(QStringLiteral("Z"));
        Click(Button("send"));
        Bytes bytes;
        while (bytes.empty() || bytes.back() != 'Z') {
            const Bytes got = FarEndRead(1, std::chrono::milliseconds(20000));
            if (got.empty()) break;
            bytes.push_back(got[0]);
        }
        return bytes;
    };
    Click(Box("continuous"));
    EXPECT_FALSE(page().sendArea()->continuous(0));
    const Bytes underWay = upToMarker();
    ASSERT_FALSE(underWay.empty());
    EXPECT_EQ(underWay.back(), 'Z');
    EXPECT_EQ(std::count(underWay.begin(), underWay.end(), 'A'), static_cast<long>(underWay.size()) - 1);
    RunTimerTicks(30, 8);
    EXPECT_EQ(upToMarker(), Bytes{'Z'}) << "no tick sent anything after the stop";

    // Closing leaves a running timer alone; its ticks send nothing.
    page().sendArea()->edit()->setPlainText(QStringLiteral("A"));
    Click(Box("continuous"));
    Click(Button("open"));
    EXPECT_TRUE(Box("continuous")->isChecked());
    EXPECT_TRUE(page().sendArea()->continuous(0));
    FarEndRead(100, std::chrono::milliseconds(50));
    RunTimerTicks(30, 8);
    EXPECT_TRUE(FarEndRead(1, std::chrono::milliseconds(0)).empty());
}

TEST_F(ComDlgState, FrameBreakNeedsATimeAndAnEmptyTimeFieldMeansOneMillisecond) {
    Type(Field("frameTime"), QString());
    EXPECT_EQ(received().frameTime(), 1u);
    EXPECT_EQ(Click(Box("frameBreak")), QStringList{QStringLiteral("帧换行时间不能为空！")});
    EXPECT_FALSE(Box("frameBreak")->isChecked());
    EXPECT_FALSE(received().frameBreak());

    Type(Field("frameTime"), QStringLiteral("25"));
    EXPECT_TRUE(Click(Box("frameBreak")).isEmpty());
    EXPECT_TRUE(received().frameBreak());
    EXPECT_EQ(received().frameTime(), 25u);
    Type(Field("frameTime"), QStringLiteral("x"));
    EXPECT_EQ(received().frameTime(), 0u) << "no digits read as 0";
    Click(Box("frameBreak"));
    EXPECT_FALSE(received().frameBreak());
}

TEST_F(ComDlgState, ResetCountsZeroesBothTotalsAndTitles) {
    OpenPty();
    page().sendArea()->edit()->setPlainText(QStringLiteral("abc"));
    Click(Button("send"));
    pty.WriteAll({'x', 'y'});
    // The writer publishes what the link took a few dozen times a second, so
    // the sent total may trail the echo.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return received().receivedTotal() == 2 && page().sendArea()->link(0).sentTotal() == 3; },
        20000));

    Click(Button("open"));
    Click(Button("resetCounts"));
    EXPECT_EQ(received().receivedTotal(), 0);
    EXPECT_EQ(page().sendArea()->link(0).sentTotal(), 0);
    EXPECT_EQ(page().sendArea()->title(), QStringLiteral("发送区：已发送0字节"));
    EXPECT_EQ(page().receiveArea()->title(), QStringLiteral("接收区：已接收0字节"));
}

TEST_F(ComDlgState, SavedValuesMissingFromTheListsFallBackToFixedEntries) {
    // A rate the port could take would be shown; one below every rate is not.
    SaveSerial({.baud = 7, .dataBits = 9, .stopBits = 3, .port = u"/dev/ttyGone", .parity = u"MARK"});
    EXPECT_EQ(page().portPath(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(List("baud")->currentText(), QStringLiteral("1200"));
    EXPECT_EQ(List("dataBits")->currentText(), QStringLiteral("8"));
    EXPECT_EQ(List("stopBits")->currentText(), QStringLiteral("1"));
    EXPECT_EQ(List("parity")->currentText(), QStringLiteral("NONE"));
}

TEST_F(ComDlgState, SavedValuesInTheListsAreSelected) {
    SaveSerial({.baud = 194000, .dataBits = 7, .stopBits = 2, .port = u"/dev/ttyS2", .parity = u"EVEN"});
    EXPECT_EQ(List("port")->currentText(), QStringLiteral("/dev/ttyS2  serial8250"));
    EXPECT_EQ(List("baud")->currentText(), QStringLiteral("194000"));
    EXPECT_EQ(List("dataBits")->currentText(), QStringLiteral("7"));
    EXPECT_EQ(List("stopBits")->currentText(), QStringLiteral("2"));
    EXPECT_EQ(List("parity")->currentText(), QStringLiteral("EVEN"));
}

TEST_F(ComDlgState, ASavedRateTheListLacksJoinsItInOrder) {
    SaveSerial({.baud = 250000, .dataBits = 8, .stopBits = 1, .port = u"/dev/ttyUSB0", .parity = u"NONE"});
    QComboBox* baud = List("baud");
    EXPECT_EQ(baud->currentText(), QStringLiteral("250000"));
    EXPECT_EQ(baud->itemText(baud->currentIndex() - 1), QStringLiteral("194000"));
}

TEST_F(ComDlgState, WithoutSavedSettingsThePreselectionStays) {
    EXPECT_EQ(List("port")->currentIndex(), 0);
    EXPECT_EQ(List("baud")->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(List("dataBits")->currentText(), QStringLiteral("8"));
    EXPECT_EQ(List("stopBits")->currentText(), QStringLiteral("1"));
    EXPECT_EQ(List("parity")->currentText(), QStringLiteral("NONE"));
}

TEST_F(ComDlgState, TheChoicesAreSavedAtTheEndIncludingATypedPort) {
    List("baud")->setCurrentText(QStringLiteral("115200"));
    List("dataBits")->setCurrentText(QStringLiteral("6"));
    List("stopBits")->setCurrentText(QStringLiteral("2"));
    List("parity")->setCurrentText(QStringLiteral("ODD"));
    Type(List("port")->lineEdit(), QStringLiteral("/dev/pts/7"));
    EndPage();
    const SerialSettings saved = Saved();
    EXPECT_EQ(saved.port, u"/dev/pts/7");
    EXPECT_EQ(saved.baud, 115200u);
    EXPECT_EQ(saved.dataBits, 6u);
    EXPECT_EQ(saved.stopBits, 2u);
    EXPECT_EQ(saved.parity, u"ODD");
}

TEST_F(ComDlgState, RestoredDefaultsAreNotOverwrittenAtTheEnd) {
    SaveSerial({.baud = 57600, .dataBits = 7, .stopBits = 2, .port = u"/dev/ttyUSB0", .parity = u"EVEN"});
    page();
    ASSERT_EQ(store.RestoreDefaults(), 0);
    EndPage();
    const SerialSettings saved = Saved();
    const SerialSettings defaults;
    EXPECT_EQ(saved.baud, defaults.baud);
    EXPECT_EQ(saved.port, defaults.port);
    EXPECT_EQ(saved.parity, defaults.parity);
    EXPECT_EQ(saved.dataBits, defaults.dataBits);
    EXPECT_EQ(saved.stopBits, defaults.stopBits);
}

}  // namespace
}  // namespace viz::testing

#include "terminal/MoreSendDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "ModalCatcher.h"
#include "TempDir.h"

namespace viz {
namespace {

class MoreSendDialogTest : public ::testing::Test {
protected:
    CMoreSendDialog::SendFn Recorder(std::vector<viz::Bytes>& into) {
        return [this, &into](viz::Bytes bytes, bool cycleStep) {
            into.push_back(std::move(bytes));
            cycleSteps.push_back(cycleStep);
        };
    }

    testing::TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    std::vector<viz::Bytes> first;
    std::vector<viz::Bytes> second;
    std::vector<bool> cycleSteps;
};

TEST_F(MoreSendDialogTest, EntriesAreSentAsTextOrHexThroughTheFirstLink) {
    CMoreSendDialog dialog(store, MoreSendKind::Serial, QStringLiteral("串口多项发送"), Recorder(first),
                           Recorder(second));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("串口多项发送"));
    EXPECT_FALSE(dialog.linkButton(0)->isEnabled());
    EXPECT_TRUE(dialog.linkButton(1)->text().isEmpty());
    dialog.entry(0)->setText(QStringLiteral("AT"));
    dialog.entry(1)->setText(QStringLiteral("01 02"));
    dialog.hexBox(1)->setChecked(true);
    QTest::mouseClick(dialog.sendButton(0), Qt::LeftButton);
    QTest::mouseClick(dialog.sendButton(1), Qt::LeftButton);
    QTest::mouseClick(dialog.sendButton(2), Qt::LeftButton);  // empty: nothing
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0], (viz::Bytes{'A', 'T'}));
    EXPECT_EQ(first[1], (viz::Bytes{0x01, 0x02}));
    EXPECT_TRUE(second.empty());
    EXPECT_EQ(cycleSteps, (std::vector<bool>{false, false})) << "a button press is sent behind a send in progress";
}

TEST_F(MoreSendDialogTest, PeriodOfZeroOrEmptyStartsCyclingAtOneSecondAndShowsIt) {
    CMoreSendDialog dialog(store, MoreSendKind::Serial, QStringLiteral("串口多项发送"), Recorder(first),
                           Recorder(second));
    EXPECT_EQ(dialog.periodEdit()->text(), QStringLiteral("1000"));
    for (const QString& period : {QStringLiteral("0"), QString()}) {
        dialog.periodEdit()->setText(period);
        QTest::mouseClick(dialog.cycleButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.cycling());
        EXPECT_EQ(dialog.periodEdit()->text(), QStringLiteral("1000"));
        EXPECT_FALSE(dialog.periodEdit()->isEnabled());
        EXPECT_EQ(dialog.cycleButton()->text(), QStringLiteral("停止"));
        dialog.CycleTick();
        QTest::mouseClick(dialog.cycleButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.cycling());
        EXPECT_EQ(dialog.cycleButton()->text(), QStringLiteral("循环发送"));
        EXPECT_TRUE(dialog.periodEdit()->isEnabled());
        for (std::size_t i = 0; i < kMoreSendEntries; ++i) EXPECT_TRUE(dialog.entry(i)->isEnabled());
    }
}

TEST_F(MoreSendDialogTest, OnlyEntryThreeFilledIsSentEveryEighthTick) {
    CMoreSendDialog dialog(store, MoreSendKind::Serial, QStringLiteral("串口多项发送"), Recorder(first),
                           Recorder(second));
    dialog.entry(3)->setText(QStringLiteral("three"));
    QTest::mouseClick(dialog.cycleButton(), Qt::LeftButton);
    std::vector<int> sentAt;
    for (int tick = 1; tick <= 24; ++tick) {
        const std::size_t before = first.size();
        dialog.CycleTick();
        if (first.size() > before) sentAt.push_back(tick);
        if (tick == 4) {
            EXPECT_FALSE(dialog.entry(3)->isEnabled()) << "the entry being sent is locked";
            EXPECT_TRUE(dialog.entry(2)->isEnabled());
        }
    }
    EXPECT_EQ(sentAt, (std::vector<int>{4, 12, 20}));
    EXPECT_EQ(cycleSteps, (std::vector<bool>{true, true, true})) << "a cycle step waits for the link";
}

TEST_F(MoreSendDialogTest, CyclingRunsOnItsOwnTimerWhileHiddenAndApartFromOtherDialogs) {
    CMoreSendDialog serial(store, MoreSendKind::Serial, QStringLiteral("串口多项发送"), Recorder(first),
                           Recorder(first));
    CMoreSendDialog network(store, MoreSendKind::Network, QStringLiteral("网络多项发送"), Recorder(second),
                            Recorder(second));
    for (std::size_t i = 0; i < kMoreSendEntries; ++i) serial.entry(i)->setText(QStringLiteral("x"));
    serial.show();
    serial.periodEdit()->setText(QStringLiteral("10"));
    serial.cycleButton()->click();
    serial.hide();
    network.cycleButton()->click();
    network.cycleButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.size() >= 5; }, 20000));
    EXPECT_TRUE(serial.cycling());
    EXPECT_TRUE(second.empty());
}

TEST_F(MoreSendDialogTest, NetworkKindSendsOverTheChosenLink) {
    CMoreSendDialog dialog(store, MoreSendKind::Network, QStringLiteral("网络多项发送"), Recorder(first),
                           Recorder(second));
    EXPECT_EQ(dialog.linkButton(0)->text(), QStringLiteral("TCP"));
    EXPECT_EQ(dialog.linkButton(1)->text(), QStringLiteral("UDP"));
    dialog.linkButton(1)->click();
    dialog.entry(0)->setText(QStringLiteral("hi"));
    dialog.SendEntry(0);
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(second, (std::vector<viz::Bytes>{{'h', 'i'}}));
    dialog.linkButton(0)->click();
    dialog.SendEntry(0);
    EXPECT_EQ(first.size(), 1u);
}

TEST_F(MoreSendDialogTest, SaveAndLoadCutLongEntriesToWhatTheStoreKeeps) {
    CMoreSendDialog dialog(store, MoreSendKind::Usb, QStringLiteral("USB多项发送"), Recorder(first),
                           Recorder(second));
    dialog.entry(0)->setText(QString(200, QChar(u'A')));
    dialog.entry(7)->setText(QStringLiteral("末项"));
    testing::ModalCatcher boxes;
    dialog.SaveEntries();
    for (std::size_t i = 0; i < kMoreSendEntries; ++i) dialog.entry(i)->clear();
    dialog.LoadEntries();
    EXPECT_EQ(dialog.entry(0)->text(), QString(kMoreSendEntryUnits - 1, QChar(u'A')));
    EXPECT_EQ(dialog.entry(7)->text(), QStringLiteral("末项"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("保存数据成功！")});
}

TEST_F(MoreSendDialogTest, LoadWithEntryFiveMissingFillsTheFirstFiveAndReportsFailure) {
    MoreSendList entries{u"e0", u"e1", u"e2", u"e3", u"e4", u"e5", u"e6", u"e7"};
    ASSERT_EQ(store.WriteMoreSend(MoreSendKind::Serial, entries), 0);
    {
        SettingsFile file(store.path());
        SettingsDocument document;
        ASSERT_EQ(file.Load(document), SettingsFile::LoadState::Loaded);
        document.RemoveValue("Vizuruv\\MoreSend", "COMMoreSend5");
        ASSERT_EQ(file.Save(document), 0);
    }

    CMoreSendDialog dialog(store, MoreSendKind::Serial, QStringLiteral("串口多项发送"), Recorder(first),
                           Recorder(second));
    for (std::size_t i = 0; i < kMoreSendEntries; ++i) dialog.entry(i)->setText(QStringLiteral("typed"));
    testing::ModalCatcher boxes;
    dialog.LoadEntries();
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(dialog.entry(i)->text(), QStringLiteral("e%1").arg(i));
    for (std::size_t i = 5; i < kMoreSendEntries; ++i) EXPECT_TRUE(dialog.entry(i)->text().isEmpty());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("载入数据失败！")});
}

TEST_F(MoreSendDialogTest, SaveThatCannotWriteTheStoreReportsFailure) {
    // The settings folder's name is taken by a file, so nothing can be written, even as root.
    std::ofstream(dir / "blocked") << "not a folder";
    SettingsStore blocked(dir / "blocked" / "Vizuruv.conf");
    CMoreSendDialog dialog(blocked, MoreSendKind::Serial, QStringLiteral("串口多项发送"), Recorder(first),
                           Recorder(second));
    testing::ModalCatcher boxes;
    dialog.SaveEntries();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("保存数据失败！")});
}

}  // namespace
}  // namespace viz

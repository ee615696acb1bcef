#include "base/SoftConfigureDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
#include "base/ReceiveHistory.h"
#include "base/SettingsStore.h"

namespace viz {
namespace {

QPushButton* Button(QWidget& dialog, const QString& text) {
    for (auto* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text) return button;
    }
    return nullptr;
}

TEST(SoftConfigureDlg, OpensCheckedWhateverIsStoredAndConfigureStoresTheBox) {
    testing::TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    ASSERT_EQ(store.WriteAutoUpdate(0), 0);
    CSoftConfigureDlg dialog(store);
    EXPECT_EQ(dialog.windowTitle(), "软件配置");
    auto* box = dialog.findChild<QCheckBox*>();
    auto* status = dialog.findChild<QLabel*>("status");
    ASSERT_TRUE(box && status);
    EXPECT_EQ(box->text(), "自动检测新版本");
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(status->text(), "等待配置...");

    QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
    std::uint32_t value = 0;
    EXPECT_EQ(store.ReadAutoUpdate(value), 0);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(status->text(), "配置成功，并在重启软件后生效！");

    box->setChecked(false);
    QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
    EXPECT_EQ(store.ReadAutoUpdate(value), 0);
    EXPECT_EQ(value, 0u);
}

TEST(SoftConfigureDlg, RestoreWritesDefaultsAndSetsTheFlag) {
    testing::TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    ASSERT_EQ(store.WriteServerPort(1), 0);
    CSoftConfigureDlg dialog(store);
    QTest::mouseClick(Button(dialog, "恢复"), Qt::LeftButton);
    std::uint32_t port = 0;
    EXPECT_EQ(store.ReadServerPort(port), 0);
    EXPECT_EQ(port, 8888u);
    EXPECT_TRUE(store.defaultsRestored());
    EXPECT_EQ(dialog.findChild<QLabel*>("status")->text(), "恢复默认配置成功，并在重启软件后生效！");
}

TEST(SoftConfigureDlg, ThePlotSampleCountIsShownAndStoredByConfigure) {
    testing::TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    ASSERT_EQ(store.WritePlotSamples(20'000), 0);
    CSoftConfigureDlg dialog(store);
    auto* samples = dialog.findChild<QLineEdit*>("plotSamples");
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples->text(), "20000");
    samples->selectAll();
    QTest::keyClicks(samples, "500000");
    QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
    std::uint32_t stored = 0;
    ASSERT_EQ(store.ReadPlotSamples(stored), 0);
    EXPECT_EQ(stored, 500'000u);

    samples->selectAll();
    QTest::keyClicks(samples, "999");
    QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
    EXPECT_EQ(dialog.findChild<QLabel*>("status")->text(),
              "配置失败：波形显示每通道保留采样数须为1000～1000000之间的整数！");
    ASSERT_EQ(store.ReadPlotSamples(stored), 0);
    EXPECT_EQ(stored, 500'000u) << "nothing stored";
    QTest::mouseClick(Button(dialog, "恢复"), Qt::LeftButton);
    EXPECT_EQ(samples->text(), "100000");
}

TEST(SoftConfigureDlg, AFailedWriteIsNotReportedAsSuccess) {
    testing::TempDir dir;
    // The settings folder's name is taken by a file, so nothing can be written, even as root.
    std::ofstream(dir / "Vizuruv") << "not a folder";
    SettingsStore store{dir / "Vizuruv" / "Vizuruv.conf"};
    CSoftConfigureDlg dialog(store);
    QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
    EXPECT_NE(dialog.findChild<QLabel*>("status")->text(), "配置成功，并在重启软件后生效！");
    QTest::mouseClick(Button(dialog, "退出"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// "接收区保留行数": a value in range is stored and applied to the running
// areas at once; one outside (too small, letters, a digit too many) is
// refused as typed, stores nothing and is never cut into another value;
// "恢复" brings back 200, and a file with a value out of range reads as the
// nearest end.
TEST(SoftConfigureDlg, KeptLinesAreStoredAndAppliedAtOnceAndBadInputIsRefused) {
    testing::TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    CReceiveHistory& history = CReceiveHistory::instance();
    std::uint32_t lines = 0;
    {
        CSoftConfigureDlg dialog(store);
        dialog.show();
        auto* box = dialog.findChild<QLineEdit*>("keptLines");
        auto* status = dialog.findChild<QLabel*>("status");
        ASSERT_TRUE(box && status);
        EXPECT_EQ(box->text(), "200");
        EXPECT_EQ(box->accessibleName(), "接收区保留行数");

        for (const char* typed : {"199", "abc", "100001", "50", "-300", ""}) {
            box->setFocus();
            box->clear();
            QTest::keyClicks(box, typed);
            QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
            EXPECT_EQ(status->text(), "配置失败：接收区保留行数须为200～100000之间的整数！") << typed;
            EXPECT_EQ(box->text(), typed) << "what was typed stays as typed";
            EXPECT_NE(store.ReadReceiveKeptLines(lines), 0) << typed << ": nothing stored";
            EXPECT_EQ(history.keptLines(), 200u) << typed;
        }

        box->selectAll();
        QTest::keyClicks(box, "100000");
        QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
        EXPECT_EQ(status->text(), "配置成功，接收区保留行数已生效，其他配置在重启软件后生效！");
        EXPECT_EQ(history.keptLines(), 100000u);
        box->selectAll();
        QTest::keyClicks(box, "5000");
        QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
        EXPECT_EQ(history.keptLines(), 5000u);
    }
    SettingsStore reread{dir / "Vizuruv.conf"};
    EXPECT_EQ(reread.ReadReceiveKeptLines(lines), 0);
    EXPECT_EQ(lines, 5000u);
    CSoftConfigureDlg again(reread);
    EXPECT_EQ(again.findChild<QLineEdit*>("keptLines")->text(), "5000");
    QTest::mouseClick(Button(again, "恢复"), Qt::LeftButton);
    EXPECT_EQ(again.findChild<QLineEdit*>("keptLines")->text(), "200");
    EXPECT_EQ(history.keptLines(), 200u);
    EXPECT_EQ(reread.ReadReceiveKeptLines(lines), 0);
    EXPECT_EQ(lines, 200u);

    ASSERT_EQ(reread.WriteReceiveKeptLines(7), 0);
    EXPECT_EQ(reread.ReadReceiveKeptLines(lines), 0);
    EXPECT_EQ(lines, 200u);
    ASSERT_EQ(reread.WriteReceiveKeptLines(500000), 0);
    EXPECT_EQ(reread.ReadReceiveKeptLines(lines), 0);
    EXPECT_EQ(lines, 100000u);
}

}  // namespace
}  // namespace viz

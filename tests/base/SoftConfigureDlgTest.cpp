#include "base/SoftConfigureDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
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
    auto* samples = dialog.findChild<QSpinBox*>("plotSamples");
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples->value(), 20'000);
    samples->setValue(500'000);
    QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
    std::uint32_t stored = 0;
    ASSERT_EQ(store.ReadPlotSamples(stored), 0);
    EXPECT_EQ(stored, 500'000u);
    QTest::mouseClick(Button(dialog, "恢复"), Qt::LeftButton);
    EXPECT_EQ(samples->value(), 100'000);
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
// areas at once, one outside is refused and stores nothing, "恢复" brings
// back 200, and a file with a value out of range reads as the nearest end.
TEST(SoftConfigureDlg, KeptLinesAreStoredAndAppliedAtOnceAndBadInputIsRefused) {
    testing::TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    CReceiveHistory& history = CReceiveHistory::instance();
    std::uint32_t lines = 0;
    {
        CSoftConfigureDlg dialog(store);
        auto* box = dialog.findChild<QSpinBox*>("keptLines");
        auto* status = dialog.findChild<QLabel*>("status");
        ASSERT_TRUE(box && status);
        EXPECT_EQ(box->value(), 200);
        EXPECT_EQ(box->accessibleName(), "接收区保留行数");

        box->selectAll();
        QTest::keyClicks(box, "50");
        QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
        EXPECT_EQ(status->text(), "配置失败：接收区保留行数须为200～100000之间的整数！");
        EXPECT_NE(store.ReadReceiveKeptLines(lines), 0) << "nothing stored";
        box->selectAll();
        QTest::keyClicks(box, "250000");
        EXPECT_EQ(box->text(), "25000") << "a sixth digit is not taken";

        box->setValue(5000);
        QTest::mouseClick(Button(dialog, "配置"), Qt::LeftButton);
        EXPECT_EQ(status->text(), "配置成功，接收区保留行数已生效，其他配置在重启软件后生效！");
        EXPECT_EQ(history.keptLines(), 5000u);
    }
    SettingsStore reread{dir / "Vizuruv.conf"};
    EXPECT_EQ(reread.ReadReceiveKeptLines(lines), 0);
    EXPECT_EQ(lines, 5000u);
    CSoftConfigureDlg again(reread);
    EXPECT_EQ(again.findChild<QSpinBox*>("keptLines")->value(), 5000);
    QTest::mouseClick(Button(again, "恢复"), Qt::LeftButton);
    EXPECT_EQ(again.findChild<QSpinBox*>("keptLines")->value(), 200);
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

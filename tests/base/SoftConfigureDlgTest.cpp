#include "base/SoftConfigureDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
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

}  // namespace
}  // namespace viz

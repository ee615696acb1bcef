#include "terminal/PortMonitorDialog.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ModalCatcher.h"
#include "TempDir.h"
#include "terminal/HexTypeDlg.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/ViewEditDlg.h"

namespace viz {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

QPushButton* Button(QWidget& parent, const QString& text) {
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text) return button;
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

TEST(PortMonitorDialogTest, RecordsCountOnlyBetweenStartAndStop) {
    CPortMonitorDialog monitor(QStringLiteral("伪串口监视器"), QStringLiteral("COM3"));
    QPushButton* start = Button(monitor, QStringLiteral("启动监视"));
    QPushButton* stop = Button(monitor, QStringLiteral("停止监视"));
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    const std::uint8_t data[] = {'o', 'k'};

    monitor.LinkChanged(true);
    monitor.AddRecord(RecordKind::Received, data, 2);
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(stop->isEnabled());
    monitor.AddRecord(RecordKind::Sent, data, 2);
    monitor.LinkChanged(false);
    QTest::mouseClick(stop, Qt::LeftButton);
    monitor.AddRecord(RecordKind::Received, data, 2);

    const std::vector<MonitorRow>& rows = monitor.list()->rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (MonitorRow{u"0000", u"S", u"0002", u"CHR: ok"}));
    EXPECT_EQ(rows[1], (MonitorRow{u"0001", u"C", u" - ", u" - "}));
    EXPECT_EQ(monitor.findChild<QLabel*>()->text(), QStringLiteral("正在被监视的端口：COM3"));
}

TEST(PortMonitorDialogTest, HexSwitchAndClearAffectOnlyLaterRows) {
    CPortMonitorDialog monitor(QStringLiteral("TCP监视器"), QStringLiteral("S:80 D:80"));
    monitor.StartMonitoring();
    const std::uint8_t data[] = {0x41, 0x00, 0x42};
    monitor.AddRecord(RecordKind::Received, data, 3);
    monitor.findChild<QCheckBox*>()->click();
    monitor.AddRecord(RecordKind::Received, data, 3);
    EXPECT_EQ(monitor.list()->rows()[0][3], u"CHR: A");
    EXPECT_EQ(monitor.list()->rows()[1][3], u"ASC: 41 00 42 ");
    QTest::mouseClick(Button(monitor, QStringLiteral("清空")), Qt::LeftButton);
    EXPECT_TRUE(monitor.list()->rows().empty());
    monitor.LinkChanged(true);
    EXPECT_EQ(monitor.list()->rows()[0][0], u"0000");
}

TEST(PortMonitorDialogTest, ListShowsFourColumnsAndColoursRowsByKind) {
    CListCtrlEx list;
    const QAbstractItemModel* model = list.model();
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("序号"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("C/O/R/S"));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("数据长度"));
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("数据"));
    EXPECT_EQ(list.columnWidth(0), 60);
    EXPECT_EQ(list.columnWidth(3), 573);
    EXPECT_TRUE(list.showGrid());
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    for (const char16_t* kind : {u"R", u"S", u"C", u"O"}) list.AddRow({u"0000", kind, u" - ", u" - "});
    auto colour = [&](int row) {
        return model->data(model->index(row, 2), Qt::BackgroundRole).value<QColor>();
    };
    EXPECT_EQ(colour(0), QColor(246, 231, 176));
    EXPECT_EQ(colour(1), QColor(211, 229, 250));
    EXPECT_EQ(colour(2), QColor(255, 150, 150));
    EXPECT_EQ(colour(3), QColor(178, 211, 23));
    EXPECT_EQ(model->data(model->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
}

TEST(PortMonitorDialogTest, SaveWritesTheLogNamedAfterTheTitleInCodePage936) {
    testing::TempDir dir;
    testing::CurrentDirectory cwd(dir.path());
    CPortMonitorDialog monitor(QStringLiteral("伪串口监视器"), QStringLiteral("COM1"));
    monitor.StartMonitoring();
    monitor.LinkChanged(true);
    testing::ModalCatcher boxes;
    QTest::mouseClick(Button(monitor, QStringLiteral("保存记录")), Qt::LeftButton);
    const std::string expected = ReadFile(std::filesystem::path(VIZ_TERMINAL_TEST_DATA) / "log_open_row.txt");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadFile(dir / "伪串口监视器.txt"), expected);
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("保存当前监视器数据记录成功,并保存在该软件的当前目录！")});

    std::filesystem::remove(dir / "伪串口监视器.txt");
    std::filesystem::create_directory(dir / "伪串口监视器.txt");
    monitor.SaveLog();
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_FALSE(boxes.texts()[1].contains(QStringLiteral("成功")));
}

TEST(PortMonitorDialogTest, CloseBoxOnlyHidesTheWindow) {
    QWidget page;
    QPointer<CPortMonitorDialog> monitor =
        new CPortMonitorDialog(QStringLiteral("UDP监视器"), QStringLiteral("x"), &page);
    monitor->show();
    monitor->close();
    QTest::qWait(0);
    ASSERT_FALSE(monitor.isNull());
    EXPECT_FALSE(monitor->isVisible());
}

TEST(PortMonitorDialogTest, RecordViewerShowsTextInBoldBlueSixteenPixelFont) {
    CViewEditDlg viewer(QStringLiteral("数据"));
    EXPECT_EQ(viewer.edit()->toPlainText(),
              QStringLiteral("点击监视数据列表的某一项，将在当前文本框显示完整的数据！"));
    EXPECT_EQ(viewer.edit()->font().family(), QStringLiteral("宋体"));
    EXPECT_EQ(viewer.edit()->font().pixelSize(), 16);
    EXPECT_TRUE(viewer.edit()->font().bold());
    EXPECT_EQ(viewer.edit()->palette().color(QPalette::Text), QColor(0, 0, 255));
    viewer.SetText(QStringLiteral("ASC: 41 "));
    EXPECT_EQ(viewer.edit()->toPlainText(), QStringLiteral("ASC: 41 "));
}

TEST(PortMonitorDialogTest, HexTypeChooserOpensAtTypeOneEveryTime) {
    CHexTypeDlg dialog;
    QTimer::singleShot(0, [&] {
        dialog.typeButton(2)->click();
        dialog.accept();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.type(), 2);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(dialog.typeButton(1)->isChecked());
        dialog.accept();
    });
    dialog.exec();
    EXPECT_EQ(dialog.type(), 1);

    QTimer::singleShot(0, [] {
        auto* open = qobject_cast<CHexTypeDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(open, nullptr);
        EXPECT_EQ(open->windowTitle(), QStringLiteral("Hex类型"));
        open->reject();
    });
    EXPECT_EQ(CHexTypeDlg::Choose(nullptr), std::nullopt);
}

}  // namespace
}  // namespace viz

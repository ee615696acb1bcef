// The USB page driven as a user drives it, over a pretend sysfs tree with
// socket pairs as device nodes and announced arrivals and removals.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "HidTestSupport.h"
#include "PageTestSupport.h"
#include "platform/Signals.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ProcessDlg.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "usb/UsbDlg.h"

namespace viz::testing {
namespace {

using namespace std::chrono_literals;
using Kind = HotplugEvent::Kind;

class UsbDlgTest : public ::testing::Test {
protected:
    UsbDlgTest() : directory_(host.dir.path()) { IgnoreBrokenPipeSignal(); }
    ~UsbDlgTest() override { page_.reset(); }

    CUsbDlg& page() {
        if (!page_) {
            page_ = std::make_unique<CUsbDlg>(
                host.context, nullptr,
                HidSystem{tree.classRoot(), "/dev", nodes.Opener(), hotplug.Factory()});
            page_->resize(1000, 700);
            page_->show();
        }
        return *page_;
    }
    void EndPage() { page_.reset(); }

    template <typename Widget = QPushButton>
    Widget* Find(const char* name) {
        auto* widget = page().findChild<Widget*>(QLatin1StringView(name));
        if (!widget) ADD_FAILURE() << "no control " << name;
        return widget;
    }
    QStringList Click(const char* name) { return ClickAnsweringMessages(Find<QAbstractButton>(name)); }

    std::shared_ptr<HidBoard> Plug(int number, const FakeHid& device = {}) {
        return nodes.Plug(tree.Add(number, device));
    }
    void SearchAndOpen() {
        Click("search");
        Click("open");
        ASSERT_TRUE(page().isOpen());
    }

    // The next report the board gets while the window runs.
    std::optional<HidBytes> BoardReads(HidBoard& board, int withinMs = 2000) {
        std::optional<HidBytes> report;
        RunLoopUntil([&] { return (report = board.Receive(0ms)).has_value(); }, withinMs);
        return report;
    }

    std::u16string Ep1Text() {
        return std::u16string(page().receiveArea(CUsbDlg::kEp1)->pipeline().area().text());
    }
    std::u16string Ep2Text() {
        return std::u16string(page().receiveArea(CUsbDlg::kEp2)->pipeline().area().text());
    }
    std::int64_t Ep2Sent() { return page().sendArea()->link(CUsbDlg::kEp2).sentTotal(); }
    QString SendText() { return page().sendArea()->edit()->toPlainText(); }

    PageHost host;
    FakeHidTree tree{host.dir / "sys"};
    FakeHidNodes nodes;
    FakeHotplug hotplug;

private:
    CurrentDirectory directory_;
    std::unique_ptr<CUsbDlg> page_;
};

HidBytes Report(std::initializer_list<std::uint8_t> data) {
    HidBytes report(65, 0);
    std::copy(data.begin(), data.end(), report.begin() + 1);
    return report;
}

TEST_F(UsbDlgTest, StartsWithTheStoredNumbersAndCannotOpenBeforeASearch) {
    EXPECT_EQ(Find<QLineEdit>("pid")->text(), QStringLiteral("0002"));
    EXPECT_EQ(Find<QLineEdit>("vid")->text(), QStringLiteral("0472"));
    EXPECT_EQ(Find<QLineEdit>("pvn")->text(), QStringLiteral("0200"));
    EndPage();
    host.store.WriteHid({.productId = 0xE010, .vendorId = 0x1A86, .version = 0x0110});
    Plug(0);

    EXPECT_EQ(Find<QLineEdit>("pid")->text(), QStringLiteral("E010"));
    EXPECT_EQ(Find<QLineEdit>("vid")->text(), QStringLiteral("1A86"));
    EXPECT_EQ(Find<QLineEdit>("pvn")->text(), QStringLiteral("0110"));
    EXPECT_TRUE(Find<QLineEdit>("pid")->isReadOnly());
    QComboBox* type = Find<QComboBox>("type");
    EXPECT_EQ(type->currentText(), QStringLiteral("HID"));
    EXPECT_FALSE(type->isEnabled());
    EXPECT_FALSE(Find("monitorCh37x")->isEnabled());
    EXPECT_FALSE(Find("ep1Send")->isEnabled());
    EXPECT_EQ(Find<QLabel>("deviceCount")->text(), QStringLiteral("当前HID_USB设备数：0"));
    EXPECT_EQ(page().receiveArea(CUsbDlg::kEp2)->title(),
              QStringLiteral("EP2：已接收0字节（提示：双击文本框立即保存数据，右键点击则显示更多功能）"));
    EXPECT_EQ(Find("open")->toolTip(),
              QStringLiteral("打开USB是根据当前的USB类型和USB设备列表选中的设备进行打开的"));
    const std::u16string notes = Ep1Text();
    EXPECT_TRUE(notes.starts_with(u"\r\n进行USB调试时请注意：\r\n"));

    EXPECT_TRUE(Click("open").isEmpty());
    EXPECT_FALSE(page().isOpen());
    EXPECT_EQ(Find("open")->text(), QStringLiteral("打开USB"));
    EXPECT_EQ(
        Ep1Text(),
        notes + u"\r\n打开USB失败：没有选中的USB设备，请检查设备是否已连接，并点击查找USB按钮更新列表\r\n")
        << "the button says why it opened nothing";
    EXPECT_TRUE(nodes.Opened().empty());

    // The numbers of the device chosen at the end are kept for the next run.
    Click("search");
    EndPage();
    HidIdentifiers saved;
    ASSERT_EQ(host.store.ReadHid(saved), 0);
    EXPECT_EQ(saved.productId, 0x0002u);
    EXPECT_EQ(saved.vendorId, 0x0472u);
    EXPECT_EQ(saved.version, 0x0200u);
}

TEST_F(UsbDlgTest, SearchListsTheDevicesAndOpeningShowsWhatWasOpenedAndOneReportOfNumbers) {
    FakeHid first;
    first.productString = "Board A";
    FakeHid second;
    second.product = 0x0003;
    second.release = 0x0101;
    second.productString = "Board B";
    Plug(0, first);
    const auto board = Plug(1, second);

    Click("search");
    EXPECT_EQ(Ep1Text(), u"\r\n检测到2个HID_USB设备：\r\nBoard A\r\nBoard B\r\n");
    EXPECT_EQ(Find<QLabel>("deviceCount")->text(), QStringLiteral("当前USB HID设备数：2"));
    QComboBox* list = Find<QComboBox>("deviceList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentText(), QStringLiteral("Board A"));
    list->setCurrentIndex(1);
    EXPECT_EQ(Find<QLineEdit>("pid")->text(), QStringLiteral("0003"));
    EXPECT_EQ(Find<QLineEdit>("pvn")->text(), QStringLiteral("0101"));

    Click("open");
    ASSERT_TRUE(page().isOpen());
    EXPECT_EQ(Find("open")->text(), QStringLiteral("关闭USB"));
    EXPECT_EQ(Find<QLabel>("lamp")->property("icon").toInt(), CUsbDlg::kLampOpen);
    EXPECT_EQ(Find<QLabel>("lamp")->accessibleName(), QStringLiteral("USB状态：已打开"));
    EXPECT_FALSE(list->isEnabled());
    EXPECT_FALSE(Find("search")->isEnabled());
    EXPECT_TRUE(Ep1Text().ends_with(
        u"产品号：0003\r\n版本号：0101\r\n设备路径：/dev/hidraw1\r\n读访问打开HidUsb设备成功！\r\n"
        u"写访问打开HidUsb设备成功！\r\n注册HidUsb设备成功！\r\n"));
    QString numbers;
    for (int i = 0; i < 64; ++i) numbers += QStringLiteral("%1 ").arg(i, 2, 10, QLatin1Char('0'));
    EXPECT_EQ(SendText(), numbers);

    Click("hexSend");
    Click("ep2Send");
    HidBytes expected(1, 0);
    for (int tens = 0; tens < 7; ++tens) {
        for (int units = 0; units < 10 && tens * 10 + units < 64; ++units)
            expected.push_back(tens * 16 + units);
    }
    EXPECT_EQ(BoardReads(*board), expected);
    EXPECT_FALSE(board->Receive(50ms).has_value()) << "exactly one report";
    EXPECT_TRUE(RunLoopUntil(
                    [&] {
                        return page().sendArea()->title() ==
                               QStringLiteral("发送区：EP1已发送0字节，EP2已发送64字节");
                    },
                    2000)
                    .reached);

    Click("open");
    EXPECT_FALSE(page().isOpen());
    EXPECT_EQ(Find("open")->text(), QStringLiteral("打开USB"));
    EXPECT_EQ(Find<QLabel>("lamp")->property("icon").toInt(), CUsbDlg::kLampClosed);
    EXPECT_EQ(Find<QLabel>("lamp")->accessibleName(), QStringLiteral("USB状态：已关闭"));
    EXPECT_TRUE(list->isEnabled());
    Click("ep2Send");
    EXPECT_FALSE(board->Receive(50ms).has_value()) << "nothing is sent while closed";
}

TEST_F(UsbDlgTest, TypedTextGoesOutAsOnePaddedReportAndInputReportsAreShownMonitoredAndWrittenOut) {
    const auto board = Plug(0);
    SearchAndOpen();
    Click("monitorHid");
    CPortMonitorDialog* monitor = page().monitor();
    ASSERT_NE(monitor, nullptr);
    EXPECT_EQ(monitor->windowTitle(), QStringLiteral("HID_USB_EP2监视器"));
    monitor->StartMonitoring();

    page().sendArea()->edit()->setPlainText(QStringLiteral("AB"));
    Click("ep2Send");
    EXPECT_EQ(BoardReads(*board), Report({0x41, 0x42}));
    ASSERT_TRUE(RunLoopUntil([&] { return Ep2Sent() == 64; }, 20000).reached);

    // Multi-send: one report per entry, recorded, not counted.
    Click("moreSend");
    CMoreSendDialog* dialog = page().moreSendDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("USB多项发送"));
    dialog->entry(0)->setText(QStringLiteral("xyz"));
    QTest::mouseClick(dialog->sendButton(0), Qt::LeftButton);
    EXPECT_EQ(BoardReads(*board), Report({'x', 'y', 'z'}));

    Click("hexDisplay");
    page().receiveArea(CUsbDlg::kEp2)->HandleCommand(2030);
    HidBytes input(64, 0);
    input[0] = 0xA5;
    input[63] = 0x5A;
    ASSERT_TRUE(board->Send(input));
    ASSERT_TRUE(board->Send({0x31, 0x32}));
    CReceiveArea* ep2 = page().receiveArea(CUsbDlg::kEp2);
    ASSERT_TRUE(RunLoopUntil([&] { return ep2->pipeline().receivedTotal() == 66; }, 20000).reached);
    std::string hex = "A5 ";
    for (int i = 1; i < 63; ++i) hex += "00 ";
    hex += "5A 31 32 ";
    EXPECT_EQ(Ep2Text(), std::u16string(hex.begin(), hex.end()));
    page().receiveArea(CUsbDlg::kEp2)->HandleCommand(2030);
    std::ifstream output(host.dir / "端点2数据输出记录.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(output), {}), hex);
    EXPECT_TRUE(RunLoopUntil(
                    [&] { return ep2->title().startsWith(QStringLiteral("EP2：已接收66字节，速度")); }, 20000)
                    .reached);

    std::vector<std::u16string> records;
    for (const MonitorRow& row : monitor->list()->rows()) records.push_back(row[1] + u":" + row[2]);
    EXPECT_EQ(records, (std::vector<std::u16string>{u"S:0064", u"S:0064", u"R:0064", u"R:0002"}));
    EXPECT_EQ(Ep2Sent(), 64) << "multi-send leaves the counter alone";

    Click("recount");
    EXPECT_EQ(page().sendArea()->title(), QStringLiteral("发送区：EP1已发送0字节，EP2已发送0字节"));
    EXPECT_EQ(ep2->title(), QStringLiteral("EP2：已接收0字节"));
}

TEST_F(UsbDlgTest, AFileGoesOutInReportsOfSixtyFourBytesAndCountsItsOwnLength) {
    const auto board = Plug(0);
    SearchAndOpen();
    HidBytes file(130);
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i + 1);
    const std::filesystem::path path = host.dir / "firmware.bin";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), 130);
    page().sendArea()->setFileChooser([&] { return QString::fromStdString(path.string()); });
    page().sendArea()->LoadFile();

    Click("ep2Send");
    std::vector<HidBytes> reports;
    for (int i = 0; i < 3; ++i) {
        if (const auto report = BoardReads(*board)) reports.push_back(*report);
    }
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(HidBytes(reports[0].begin() + 1, reports[0].end()), HidBytes(file.begin(), file.begin() + 64));
    EXPECT_EQ(HidBytes(reports[1].begin() + 1, reports[1].end()),
              HidBytes(file.begin() + 64, file.begin() + 128));
    EXPECT_EQ(reports[2], Report({129, 130}));
    EXPECT_TRUE(
        RunLoopUntil([&] { return SendText().endsWith(QStringLiteral("发送文件完成，请重新载入文件！")); },
                     20000)
            .reached);
    EXPECT_EQ(Ep2Sent(), 130);
    ASSERT_NE(page().sendArea()->progressWindow(CUsbDlg::kEp2), nullptr);
    EXPECT_EQ(page().sendArea()->progressWindow(CUsbDlg::kEp2)->windowTitle(),
              QStringLiteral("HID发送文件进度"));
}

TEST_F(UsbDlgTest, PullingTheDeviceOutClosesTheLinkAndPluggingItBackOpensIt) {
    const auto board = Plug(0);
    Plug(1);
    SearchAndOpen();
    hotplug.Announce(Kind::Removed, "/dev/hidraw1");
    EXPECT_TRUE(testing::Settled());
    EXPECT_TRUE(page().isOpen()) << "another device's removal";

    hotplug.Announce(Kind::Removed, "/dev/hidraw0");
    ASSERT_TRUE(RunLoopUntil([&] { return !page().isOpen(); }, 20000).reached);
    EXPECT_TRUE(Ep1Text().ends_with(u"\r\nHID：USB已拔出"));
    EXPECT_EQ(Find("open")->text(), QStringLiteral("打开USB"));

    hotplug.Announce(Kind::Arrived, "/dev/hidraw0");
    ASSERT_TRUE(RunLoopUntil([&] { return page().isOpen(); }, 20000).reached);
    EXPECT_TRUE(Ep1Text().ends_with(u"注册HidUsb设备成功！\r\n\r\nHID：USB已连接"));
    ASSERT_TRUE(board->Send({0x55}));
    EXPECT_TRUE(RunLoopUntil([&] { return Ep2Text() == u"U"; }, 20000).reached) << "the link works again";

    // The reader notices first this time; udev's word of it then adds nothing.
    board->Unplug();
    ASSERT_TRUE(RunLoopUntil([&] { return !page().isOpen(); }, 20000).reached);
    const std::u16string afterLoss = Ep1Text();
    EXPECT_TRUE(afterLoss.ends_with(u"HID：USB已连接\r\nHID：USB已拔出"));
    hotplug.Announce(Kind::Removed, "/dev/hidraw0");
    EXPECT_TRUE(testing::Settled());
    EXPECT_EQ(Ep1Text(), afterLoss);
}

TEST_F(UsbDlgTest, AnOpenThatIsRefusedSaysWhyAndHowToAllowTheDevice) {
    Plug(0);
    nodes.Refuse("/dev/hidraw0", EACCES, EACCES);
    Click("search");
    EXPECT_TRUE(Click("open").isEmpty());
    EXPECT_FALSE(page().isOpen());
    const std::u16string text = Ep1Text();
    EXPECT_NE(text.find(u"读访问打开HidUsb设备失败！\r\n写访问打开HidUsb设备失败！\r\n"),
              std::u16string::npos);
    EXPECT_NE(text.find(u"打开USB失败：当前用户没有读写/dev/hidraw0的权限。"), std::u16string::npos);
    EXPECT_TRUE(
        text.ends_with(u"SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0472\", ATTRS{idProduct}==\"0002\", "
                       u"TAG+=\"uaccess\"\r\n"));
}

TEST_F(UsbDlgTest, ContinuousSendingRunsOnlyWhileOpenAndEndpointOneSendsNothing) {
    const auto board = Plug(0);
    Click("ep2Continuous");
    EXPECT_FALSE(Find<QCheckBox>("ep2Continuous")->isChecked()) << "closed";
    SearchAndOpen();
    Click("ep1Continuous");
    Click("ep2Continuous");
    ASSERT_TRUE(Find<QCheckBox>("ep2Continuous")->isChecked());
    auto* period = Find<QLineEdit>("ep2Period");
    period->setText(QStringLiteral("20"));
    int reports = 0;
    RunLoopUntil(
        [&] {
            while (board->Receive(0ms)) ++reports;
            return reports >= 5;
        },
        20000);
    EXPECT_GE(reports, 5);
    EXPECT_EQ(page().sendArea()->link(CUsbDlg::kEp1).sentTotal(), 0);

    Click("open");
    EXPECT_TRUE(testing::Settled());
    while (board->Receive(0ms)) {
    }
    testing::RunTimerTicks(20, 8);
    EXPECT_FALSE(board->Receive(0ms).has_value()) << "the timer stopped with the link";

    Find<QLineEdit>("frameTime")->clear();
    EXPECT_EQ(Click("frameBreak"), QStringList{QStringLiteral("帧换行时间不能为空！")});
    EXPECT_FALSE(Find<QCheckBox>("frameBreak")->isChecked());
}

}  // namespace
}  // namespace viz::testing

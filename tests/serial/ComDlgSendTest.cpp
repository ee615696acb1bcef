// Sending from the serial page to a far end that reads slowly or not at all:
// the window never waits, and what the page says it sent is what arrived.
#include <QPlainTextEdit>
#include <QProgressBar>

#include <atomic>
#include <thread>

#include <unistd.h>

#include "ComDlgTestSupport.h"
#include "Patience.h"
#include "terminal/ProcessDlg.h"

namespace viz::testing {
namespace {

class ComDlgSend : public ComDlgTest {
protected:
    CSendArea& send() { return *page().sendArea(); }

    QString FileOf(const std::string& name, const Bytes& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return QString::fromStdString((dir / name).string());
    }
    void Load(const QString& path) {
        send().setFileChooser([path] { return path; });
        send().LoadFile();
    }
    QString SendText() { return send().edit()->toPlainText(); }
    std::int64_t Sent() { return send().link(0).sentTotal(); }

    // Runs the window until a send waits and the page's counter has not
    // moved for a while: the far end's buffers are full.
    void RunUntilTheLinkStalls() {
        for (int round = 0; round < 50; ++round) {
            const std::int64_t before = Sent();
            RunLoopUntil([] { return false; }, 300);
            if (Sent() == before && !send().link(0).sendReady()) return;
        }
        ADD_FAILURE() << "the link never stalled";
    }
    // Everything the far end can still read.
    Bytes Drain() { return pty.Read(SIZE_MAX, 200ms); }
};

TEST_F(ComDlgSend, AFileToAFarEndThatReadsSlowlyArrivesWholeWhileTheWindowRuns) {
    OpenPty();
    const Bytes data = Pattern(100 * 1024);
    Load(FileOf("data.bin", data));
    Click(Button("send"));

    Bytes arrived;
    std::thread farEnd([&] {
        // About 100 KB/s, a tenth of a fast UART.
        while (arrived.size() < data.size()) {
            const Bytes got = pty.Read(1024, 2000ms);
            if (got.empty()) break;
            arrived.insert(arrived.end(), got.begin(), got.end());
            std::this_thread::sleep_for(10ms);
        }
    });
    const LoopRun run = RunLoopUntil([&] { return !send().file().fileMode(); }, 10000);
    farEnd.join();
    ASSERT_TRUE(run.reached);
    EXPECT_LT(run.longestStallMs, kStallLimitMs);
    EXPECT_EQ(arrived, data);
    EXPECT_EQ(Sent(), static_cast<std::int64_t>(data.size()));
    EXPECT_TRUE(SendText().endsWith(QStringLiteral("发送文件完成，请重新载入文件！")));
    ASSERT_TRUE(
        RunLoopUntil([&] { return send().title() == QStringLiteral("发送区：已发送102400字节"); }, 20000)
            .reached);
    EXPECT_EQ(send().progressWindow(0)->bar()->value(), 102400);
}

TEST_F(ComDlgSend, CancelOrUnplugMidwayTellExactlyHowFarTheFileGot) {
    OpenPty();
    const Bytes data = Pattern(100 * 1024);
    const QString path = FileOf("data.bin", data);
    Load(path);
    const QString loaded = SendText();
    Click(Button("send"));
    RunUntilTheLinkStalls();
    const std::int64_t first = Sent();
    ASSERT_GT(first, 0);
    ASSERT_LT(first, static_cast<std::int64_t>(data.size())) << "the far end must hold the file up";

    QTest::mouseClick(send().progressWindow(0)->cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(RunLoopUntil([&] { return SendText() != loaded; }, 20000).reached);
    EXPECT_EQ(SendText(), loaded + QStringLiteral("\n发送文件中断：已发送%1/102400字节（用户取消发送）").arg(first));
    EXPECT_EQ(Sent(), first);
    const Bytes arrived = Drain();
    EXPECT_EQ(arrived.size(), static_cast<std::size_t>(first)) << "the count is what the far end got";
    EXPECT_TRUE(std::equal(arrived.begin(), arrived.end(), data.begin()));
    EXPECT_TRUE(send().file().fileMode()) << "the file stays loaded";

    // Again from the start; then the adapter is pulled out.
    Click(Button("send"));
    RunUntilTheLinkStalls();
    const std::int64_t second = Sent() - first;
    ASSERT_GT(second, 0);
    pty.CloseMaster();
    ASSERT_TRUE(
        RunLoopUntil([&] { return SendText().contains(QStringLiteral("设备已拔出")); }, 20000).reached)
        << SendText().toStdString();
    EXPECT_EQ(SendText(), loaded + QStringLiteral("\n发送文件中断：已发送%1/102400字节（设备已拔出）").arg(second));
    EXPECT_TRUE(RunLoopUntil([&] { return !page().isOpen(); }, 20000).reached)
        << "the page closes the port too";
    EXPECT_TRUE(send().file().fileMode());
}

TEST_F(ComDlgSend, ContinuousSendingIntoAPortNobodyReadsWaitsForEachSendAndNeverHoldsTheWindow) {
    send().edit()->setPlainText(QStringLiteral("0123456789").repeated(100));
    OpenPty();
    Click(Box("continuous"));
    ASSERT_TRUE(Box("continuous")->isChecked());
    Type(Field("period"), QStringLiteral("1"));

    RunUntilTheLinkStalls();
    const LoopRun run = RunLoopUntil([] { return false; }, 3000);
    EXPECT_LT(run.longestStallMs, kStallLimitMs);
    EXPECT_FALSE(send().link(0).sendReady()) << "one send waits for the port";
    const std::int64_t sent = Sent();

    // Ticks found the link busy and sent nothing: once the far end reads,
    // whole texts arrive, one per send that was counted and the one waiting.
    Click(Box("continuous"));
    Bytes arrived;
    for (Bytes got = Drain(); !got.empty(); got = Drain()) {
        arrived.insert(arrived.end(), got.begin(), got.end());
        RunLoopUntil([] { return false; }, 50);
    }
    ASSERT_EQ(arrived.size() % 1000, 0u);
    for (std::size_t i = 0; i < arrived.size(); ++i) ASSERT_EQ(arrived[i], '0' + i % 10) << i;
    EXPECT_GE(static_cast<std::int64_t>(arrived.size()), sent);
    EXPECT_LE(static_cast<std::int64_t>(arrived.size()), sent + 1000);
}

TEST_F(ComDlgSend, AFileOfOneTebibyteLoadsAtOnceStartsSendingAndCanBeCancelled) {
    const std::filesystem::path huge = dir / "huge.bin";
    {
        std::ofstream create(huge, std::ios::binary);
    }
    const std::uintmax_t size = std::uintmax_t{1} << 40;
    std::filesystem::resize_file(huge, size);
    OpenPty();
    const auto start = std::chrono::steady_clock::now();
    Load(QString::fromStdString(huge.string()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, testing::kHangLimit)
        << "reading it all would take hours";
    ASSERT_TRUE(send().file().fileMode());

    Click(Button("send"));
    std::atomic<std::size_t> zeros{0};
    std::thread farEnd([&] {
        for (const std::uint8_t byte : pty.Read(64 * 1024, 2000ms)) zeros += byte == 0 ? 1 : 0;
    });
    RunLoopUntil([&] { return zeros.load() > 0 && Sent() >= 64 * 1024; }, 5000);
    farEnd.join();
    EXPECT_EQ(zeros.load(), 64u * 1024u) << "the first blocks went out";
    send().progressWindow(0)->close();
    ASSERT_TRUE(
        RunLoopUntil([&] { return SendText().contains(QStringLiteral("发送文件中断")); }, 20000).reached);
    EXPECT_TRUE(SendText().endsWith(
        QStringLiteral("/1099511627776字节（用户取消发送）")));
}

}  // namespace
}  // namespace viz::testing

// The monitor helper through its socket, as the page's session uses it: a
// watched program on the alias, the board on the far end of the real port.
// Line settings are read back with termios2, so no <termios.h> here.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <fstream>

#include "SerMonServerFixture.h"
#include "serial/SerialTermios.h"

namespace viz::testing {
namespace {

using namespace sermon;

class SerMonHelper : public SerMonHelperTest {
protected:
    SerMonHelper() { EXPECT_EQ(helper.Connect(socket), 0); }

    Frame Ask(std::uint32_t code, const Bytes& input) {
        const std::uint32_t tag = nextTag_++;
        Frame answer;
        EXPECT_TRUE(helper.Send(code, tag, input));
        EXPECT_EQ(helper.Await(tag, -1, std::chrono::steady_clock::now() + 5s, answer),
                  Connection::Wait::Answered);
        return answer;
    }

    // Starts watching the board's port; the alias the program is to open.
    std::filesystem::path Start() {
        const Frame answer = Ask(kStart, EncodeStartInput(board.slave()));
        EXPECT_EQ(answer.status, 0);
        watch_ = DecodeWatchId(answer.body).value_or(0);
        return answer.body.size() > 4 ? std::string(answer.body.begin() + 4, answer.body.end())
                                      : std::string();
    }

    // The next record, as the page's reader gets it: its size, then the record.
    SerMonRecord Next() {
        const Frame size = Ask(kSize, EncodeWatchId(watch_));
        EXPECT_EQ(size.status, 0);
        const Frame record = Ask(kFetch, EncodeWatchId(watch_));
        EXPECT_EQ(record.status, 0);
        EXPECT_EQ(record.body.size(), DecodeWatchId(size.body).value_or(0));
        EXPECT_LE(record.body.size(), kRecordBufferSize);
        return DecodeForTest(record.body);
    }

    // Data records of one kind until `count` bytes came.
    Bytes NextData(RecordKind kind, std::size_t count) {
        Bytes data;
        while (data.size() < count) {
            const SerMonRecord record = Next();
            EXPECT_EQ(record.kind, kind);
            if (record.kind != kind) break;
            data.insert(data.end(), record.data.begin(), record.data.end());
        }
        return data;
    }

    std::uint32_t watch() const { return watch_; }

    Connection helper;

private:
    std::uint32_t nextTag_ = 1;
    std::uint32_t watch_ = 0;
};

termios2 BoardLine(int master) {
    termios2 line{};
    EXPECT_EQ(::ioctl(master, TCGETS2, &line), 0);
    return line;
}

TEST_F(SerMonHelper, PortsThatCannotBeWatchedFailTheStartAndPublishNothing) {
    EXPECT_EQ(Ask(kStart, EncodeStartInput("/dev/no-such-port")).status, ENOENT);
    EXPECT_EQ(Ask(kStart, EncodeStartInput("")).status, ENOENT);
    std::ofstream(dir / "plain") << "not a port";
    EXPECT_EQ(Ask(kStart, EncodeStartInput((dir / "plain").string())).status, ENOTTY);
    // Malformed input is refused, and so is a request for a watch that does not exist.
    EXPECT_EQ(Ask(kStart, Bytes{'x'}).status, EINVAL);
    EXPECT_EQ(Ask(kSize, EncodeWatchId(77)).status, EINVAL);
    EXPECT_EQ(Ask(kStop, EncodeWatchId(77)).status, EINVAL);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "run"), {}), 1) << "only the socket";
    EXPECT_EQ(std::filesystem::status(dir / "run").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_EQ(std::filesystem::status(socket).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // The port is held while watched: a second watch of it is refused.
    Start();
    EXPECT_EQ(Ask(kStart, EncodeStartInput(board.slave())).status, EBUSY);
}

TEST_F(SerMonHelper, OpenWriteReadLineSettingsAndCloseOfTheAliasBecomeRecords) {
    const std::filesystem::path alias = Start();
    ASSERT_EQ(alias.parent_path(), dir / "run");
    ASSERT_TRUE(std::filesystem::is_symlink(alias));
    EXPECT_EQ(std::filesystem::read_symlink(alias).parent_path(), "/dev/pts");

    const int program = OpenAsProgram(alias);
    ASSERT_GE(program, 0);
    EXPECT_EQ(Next().kind, RecordKind::Opened);

    ASSERT_EQ(::write(program, "AB", 2), 2);
    EXPECT_EQ(NextData(RecordKind::Sent, 2), (Bytes{0x41, 0x42}));
    EXPECT_EQ(board.Read(2), (Bytes{0x41, 0x42}));

    board.WriteAll({'x', 'y', 'z'});
    EXPECT_EQ(NextData(RecordKind::Received, 3), (Bytes{'x', 'y', 'z'}));
    EXPECT_EQ(ReadFrom(program, 3), (Bytes{'x', 'y', 'z'}));

    SerialPortConfig line = PortConfig(alias.string(), 14400);
    line.stopBits = StopBits::Two;
    ASSERT_EQ(ConfigureSerialLine(program, line), 0);
    // The next write goes out at the new rate.
    ASSERT_EQ(::write(program, "C", 1), 1);
    EXPECT_EQ(board.Read(1), Bytes{'C'});
    const termios2 real = BoardLine(board.master());
    EXPECT_EQ(real.c_ospeed, 14400u);
    EXPECT_EQ(real.c_cflag & CBAUD, static_cast<unsigned>(BOTHER));
    EXPECT_TRUE(real.c_cflag & CSTOPB);
    EXPECT_EQ(NextData(RecordKind::Sent, 1), Bytes{'C'});

    ::close(program);
    EXPECT_EQ(Next().kind, RecordKind::Closed);

    EXPECT_EQ(Ask(kStop, EncodeWatchId(watch())).status, 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(alias)));
    // The port is free again.
    Start();
}

TEST_F(SerMonHelper, LongWritesArriveWholeAcrossSplitRecordsAndReachTheBoard) {
    const int program = OpenAsProgram(Start());
    ASSERT_GE(program, 0);
    EXPECT_EQ(Next().kind, RecordKind::Opened);

    const Bytes sent = Pattern(10000);
    std::thread writer([&] {
        std::size_t done = 0;
        while (done < sent.size()) {
            const ssize_t n = ::write(program, sent.data() + done, sent.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd room{program, POLLOUT, 0};
                ::poll(&room, 1, 100);
            }
        }
    });
    EXPECT_EQ(board.Read(sent.size()), sent);
    writer.join();
    EXPECT_EQ(NextData(RecordKind::Sent, sent.size()), sent);
    ::close(program);
}

TEST_F(SerMonHelper, APendingSizeRequestIsAnsweredWhenTheWatchStopsAndTheOwnersLeavingEndsTheWatch) {
    Start();
    ASSERT_TRUE(helper.Send(kSize, 100, EncodeWatchId(watch())));
    ASSERT_TRUE(helper.Send(kStop, 1, EncodeWatchId(watch())));
    Frame answer;
    ASSERT_EQ(helper.Await(100, -1, std::chrono::steady_clock::now() + 5s, answer),
              Connection::Wait::Answered);
    EXPECT_EQ(answer.code, kSize);
    EXPECT_EQ(answer.status, ECANCELED);
    ASSERT_EQ(helper.Await(1, -1, std::chrono::steady_clock::now() + 5s, answer), Connection::Wait::Answered);
    EXPECT_EQ(answer.status, 0);

    const std::filesystem::path second = Start();
    ASSERT_TRUE(std::filesystem::is_symlink(second));
    helper.Close();
    for (int i = 0; i < 2000 && std::filesystem::is_symlink(second); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(std::filesystem::is_symlink(second));
}

}  // namespace
}  // namespace viz::testing

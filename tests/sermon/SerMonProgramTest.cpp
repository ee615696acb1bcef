// The helper program itself, as any process of the user can reach it: three
// connections that must not touch each other's watches, and kills that must
// leave the watched port free.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "serial/SerMonTestSupport.h"
#include "serial/SerialOpenResult.h"

extern char** environ;

namespace viz::testing {
namespace {

using namespace sermon;

// duvezer-sermon started for the test, its socket in the test's folder.
class HelperProgram {
public:
    explicit HelperProgram(const std::filesystem::path& socket) {
        std::string program = VIZ_SERMON_HELPER, option = "--socket", path = socket.string();
        char* argv[] = {program.data(), option.data(), path.data(), nullptr};
        if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
        for (int i = 0; i < 500 && Alive() && Probe(socket) != 0; ++i) std::this_thread::sleep_for(10ms);
    }
    ~HelperProgram() { End(SIGTERM); }

    pid_t pid() const { return pid_; }
    bool Alive() {
        if (pid_ > 0 && ::waitpid(pid_, &status_, WNOHANG) == pid_) pid_ = -1;
        return pid_ > 0;
    }
    // Sends `signal` unless it has ended already; its wait status.
    int End(int signal) {
        if (Alive()) {
            ::kill(pid_, signal);
            ::waitpid(pid_, &status_, 0);
            pid_ = -1;
        }
        return status_;
    }

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

Frame Ask(Connection& connection, std::uint32_t code, std::uint32_t tag, const Bytes& input) {
    Frame answer;
    EXPECT_TRUE(connection.Send(code, tag, input));
    EXPECT_EQ(connection.Await(tag, -1, std::chrono::steady_clock::now() + 5s, answer),
              Connection::Wait::Answered);
    return answer;
}

struct Started {
    Bytes watch;
    std::filesystem::path alias;
};

Started Start(Connection& connection, const std::string& port) {
    const Frame answer = Ask(connection, kStart, 1, EncodeStartInput(port));
    EXPECT_EQ(answer.status, 0);
    if (answer.body.size() < 4) return {};
    return {Bytes(answer.body.begin(), answer.body.begin() + 4),
            std::string(answer.body.begin() + 4, answer.body.end())};
}

TEST(SerMonProgram, AConnectionReachesOnlyItsOwnWatchesAndOneLeavingEndsNoOther) {
    TempDir dir;
    const std::filesystem::path socket = dir / "run" / "sermon.sock";
    HelperProgram helper(socket);
    PtyPair portA, portC;
    Connection a, b, c;
    ASSERT_EQ(a.Connect(socket), 0);
    ASSERT_EQ(b.Connect(socket), 0);
    ASSERT_EQ(c.Connect(socket), 0);
    const Started watchA = Start(a, portA.slave());
    const Started watchC = Start(c, portC.slave());

    // B asks for the next record of A's watch and A leaves, its own size request pending.
    ASSERT_TRUE(b.Send(kSize, 2, watchA.watch));
    ASSERT_TRUE(a.Send(kSize, 2, watchA.watch));
    a.Close();
    Frame answer;
    ASSERT_EQ(b.Await(2, -1, std::chrono::steady_clock::now() + 5s, answer), Connection::Wait::Answered);
    EXPECT_EQ(answer.status, kNoSuchWatch);
    // Counting identifiers up reaches no one else's watch either.
    for (std::uint32_t id = 0; id < 8; ++id) {
        for (const std::uint32_t code : {kSize, kFetch, kStop})
            EXPECT_EQ(Ask(b, code, 10 + id, EncodeWatchId(id)).status, kNoSuchWatch) << code << " " << id;
    }
    EXPECT_TRUE(helper.Alive());

    // C's watch went on through all of it.
    const int program = OpenAsProgram(watchC.alias);
    ASSERT_GE(program, 0);
    ASSERT_EQ(::write(program, "hi", 2), 2);
    EXPECT_EQ(portC.Read(2), (Bytes{'h', 'i'}));
    std::vector<SerMonRecord> records;
    for (std::uint32_t tag = 100; records.size() < 2; tag += 2) {
        ASSERT_EQ(Ask(c, kSize, tag, watchC.watch).status, 0);
        const Frame record = Ask(c, kFetch, tag + 1, watchC.watch);
        ASSERT_EQ(record.status, 0);
        records.push_back(DecodeForTest(record.body));
    }
    EXPECT_EQ(records[0].kind, RecordKind::Opened);
    EXPECT_EQ(records[1].kind, RecordKind::Sent);
    EXPECT_EQ(records[1].data, (Bytes{'h', 'i'}));
    ::close(program);

    // A's leaving released its port.
    Start(b, portA.slave());
    const int status = helper.End(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(SerMonProgram, AWatchingHelperIsNamedAsThePortsHolderAndKilledLeavesThePortFree) {
    TempDir dir;
    const std::filesystem::path socket = dir / "run" / "sermon.sock";
    PtyPair board;
    {
        HelperProgram helper(socket);
        Connection page;
        ASSERT_EQ(page.Connect(socket), 0);
        Start(page, board.slave());
        const SerialOpenResult busy = OpenOnce(board.slave());
        EXPECT_EQ(busy.error, SerialOpenError::Busy);
        const std::string holder =
            "占用该串口的程序：duvezer-sermon（进程号" + std::to_string(helper.pid()) + "）";
        EXPECT_NE(SerialOpenFailureText(busy).find(holder), std::string::npos) << SerialOpenFailureText(busy);
        EXPECT_TRUE(WIFSIGNALED(helper.End(SIGKILL)));
    }
    // At once: nothing is left to time out or to be cleared by hand.
    EXPECT_TRUE(OpenOnce(board.slave()).ok());
    HelperProgram next(socket);
    Connection page;
    ASSERT_EQ(page.Connect(socket), 0);
    Start(page, board.slave());
}

}  // namespace
}  // namespace viz::testing

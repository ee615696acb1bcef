#pragma once

#include <string>
#include <vector>

namespace viz::screenshots {

// The far ends the pages talk to in the pictures: a pseudo-terminal that
// plays a board on the serial page, and TCP clients that play boards on the
// server page. Everything stays on this machine (127.0.0.1).
class Peers {
public:
    Peers() = default;
    Peers(const Peers&) = delete;
    Peers& operator=(const Peers&) = delete;
    ~Peers();

    // Opens a pseudo-terminal pair and returns the path of the end the serial
    // page opens; empty when the system has none to give.
    std::string OpenBoardTerminal();
    // Writes bytes as the board would; all of them, or false.
    bool WriteToTerminal(const std::string& bytes);

    // A second board, on the port the serial monitor page watches; the
    // program being watched is played here too, on the alias it opens.
    std::string OpenWatchedBoard();
    bool WatchedBoardWrites(const std::string& bytes);
    bool OpenProgram(const std::string& alias);
    bool ProgramWrites(const std::string& bytes);
    // What has arrived for the program, read now; empty when nothing has.
    std::string ProgramReads();
    void CloseProgram();

    // Connects a client to 127.0.0.1:port and sends `greeting`; false when
    // the connection or the send fails.
    bool ConnectBoard(int port, const std::string& greeting);

    // A TCP port on 127.0.0.1 that nothing listens on right now.
    static int FreeTcpPort();
    // A UDP port on 127.0.0.1 that nothing is bound to right now.
    static int FreeUdpPort();

private:
    // A pseudo-terminal pair raw on this side: its descriptor, and the path of
    // the other end in `path`; -1 when the system has none to give.
    static int OpenRawTerminal(std::string& path);

    int terminal_ = -1;
    int watched_ = -1;
    int program_ = -1;
    std::vector<int> clients_;
};

}  // namespace viz::screenshots

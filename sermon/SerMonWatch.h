#pragma once

// One port the monitor helper watches. The helper holds the real port
// exclusively and offers the watched program a pseudo-terminal instead,
// published under an alias path (a symbolic link to /dev/pts/N). Bytes pass
// both ways; every open and close of the alias, every block the program
// wrote (sent to the port) and every block it was given (received from the
// port) becomes a record. Opens and closes are seen with inotify on the
// pseudo-terminal; the helper keeps the terminal open itself, so the master
// never reports a hang-up between the program's sessions.
//
//   int error = 0; std::string cause;
//   auto watch = SerMonWatch::Attach("/dev/ttyUSB0", dir / "ttyUSB0", error, cause);
//   std::vector<pollfd> fds;  watch->AddPollFds(fds);  ::poll(...);  watch->Handle(fds.data());
//   while (!watch->records().empty()) answer(watch->records().Pop());

#include <poll.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/ModemLines.h"
#include "sermon/SerMonLine.h"
#include "sermon/SerMonRecords.h"

namespace viz::sermon {

class SerMonWatch {
public:
    static constexpr std::size_t kPollFds = 3;
    // Reading stops while this many record bytes wait to be fetched, so the
    // watched program and the port wait for the page rather than lose data.
    static constexpr std::size_t kQueueLimit = 1024 * 1024;

    // Null on failure, with the errno in `error` and a readable cause.
    static std::unique_ptr<SerMonWatch> Attach(const std::string& device, const std::filesystem::path& alias,
                                               int& error, std::string& cause);
    ~SerMonWatch();
    SerMonWatch(const SerMonWatch&) = delete;
    SerMonWatch& operator=(const SerMonWatch&) = delete;

    const std::string& device() const { return device_; }
    const std::filesystem::path& alias() const { return alias_; }
    RecordQueue& records() { return records_; }
    // The real port failed (unplugged); nothing more will be queued.
    bool lost() const { return lost_; }

    // Appends exactly kPollFds entries.
    void AddPollFds(std::vector<pollfd>& fds) const;
    // Handles the results of the entries AddPollFds appended, and carries
    // any change of the alias's line settings over to the real port.
    void Handle(const pollfd* fds);

private:
    SerMonWatch() = default;

    void TakeAliasEvents();
    void AliasOpened();
    void AliasClosed();
    void MirrorLine();
    // False when the program had written nothing more.
    bool ReadFromProgram();
    void ReadFromPort();
    void WriteToPort();
    void WriteToProgram();
    void LosePort(const char* what, int error);

    std::string device_;
    std::filesystem::path alias_;
    int realFd_ = -1;
    int masterFd_ = -1;
    // The helper's own open of the alias terminal.
    int heldFd_ = -1;
    int inotifyFd_ = -1;
    std::unique_ptr<ModemLines> modemLines_;
    std::optional<AliasLine> line_;
    int opens_ = 0;
    bool lost_ = false;

    // Bytes read from one side, waiting to be written to the other.
    Bytes toPort_;
    std::size_t toPortStart_ = 0;
    Bytes toProgram_;
    std::size_t toProgramStart_ = 0;

    RecordQueue records_;
};

}  // namespace viz::sermon

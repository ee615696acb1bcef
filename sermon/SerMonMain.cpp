// duvezer-sermon: the helper the advanced serial monitor page starts with
// "安装驱动" and stops with "卸载驱动". It holds the watched ports and lets
// other programs use them through pseudo-terminal aliases published beside
// its socket. Ends on SIGTERM or SIGINT, removing its aliases and socket.
//
//   duvezer-sermon [--socket PATH]   (default $XDG_RUNTIME_DIR/vizuruv/sermon.sock)
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Signals.h"
#include "serial/SerMonProtocol.h"
#include "sermon/SerMonServer.h"

int main(int argc, char** argv) {
    std::filesystem::path socketPath = viz::sermon::DefaultSocketPath();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--socket") == 0 && i + 1 < argc) {
            socketPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--socket PATH]\n", argv[0]);
            return 2;
        }
    }

    // Independent of the terminal, session and folder it was started from,
    // like a service; a hang-up of that terminal does not end it.
    socketPath = std::filesystem::absolute(socketPath);
    ::setsid();
    if (::chdir("/") != 0) std::perror("duvezer-sermon: chdir");
    ::signal(SIGHUP, SIG_IGN);
    viz::IgnoreBrokenPipeSignal();
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int stopFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (stopFd < 0) {
        std::perror("duvezer-sermon: signalfd");
        return 1;
    }

    viz::sermon::SerMonServer server(socketPath);
    if (const int error = server.Listen()) {
        std::fprintf(stderr, "duvezer-sermon: cannot listen on %s: %s\n", socketPath.c_str(),
                     error == EADDRINUSE ? "another helper already answers there" : std::strerror(error));
        return 1;
    }
    server.Run(stopFd);
    return 0;
}

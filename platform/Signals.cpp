#include "platform/Signals.h"

#include <csignal>

namespace viz {

void IgnoreBrokenPipeSignal() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace viz

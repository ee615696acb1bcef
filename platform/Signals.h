#pragma once

namespace viz {

// A peer that closes its end must never kill the program through SIGPIPE on
// the next send; the send then just fails with EPIPE.
void IgnoreBrokenPipeSignal();

}  // namespace viz

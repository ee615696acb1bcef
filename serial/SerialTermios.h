#pragma once

#include "serial/SerialPortConfig.h"

namespace viz {

// Puts an open tty into raw binary mode with the given rate and framing: no
// echo, no line editing, no character translation, no signals, no software or
// hardware flow control, modem control lines ignored, parity generated as set
// but not checked on input. Rates without a predefined constant are set as
// arbitrary rates. Returns 0 or the errno of the failed step (EINVAL for data
// bits outside 5..8).
int ConfigureSerialLine(int fd, const SerialPortConfig& config);

// Discards whatever is queued in both directions.
int DiscardSerialQueues(int fd);

// Makes sure nobody else uses the port while `fd` holds it. Later openers are
// refused by the kernel (privileged ones excepted); programs that take the
// common advisory lock are refused through that lock, whoever they run as.
// Returns 0, EBUSY when another holds it, or the errno of the failed step.
int TakeExclusiveUse(int fd);

}  // namespace viz

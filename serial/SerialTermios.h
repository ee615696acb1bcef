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

// Makes sure no other program that takes the common advisory lock (another
// Duvezer, the monitor helper, the usual terminal programs) uses the port
// while `fd` holds it, whoever they run as. The lock belongs to the open
// device and ends with its last close, also when the holder is killed.
// Returns 0, EBUSY when another holds it, or the errno of the failed step.
int TakeExclusiveUse(int fd);

}  // namespace viz

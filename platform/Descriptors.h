#pragma once

#include <cstddef>

namespace viz {

// Desktop sessions start programs with a soft limit of 1024 open
// descriptors, far below the hard limit; the server page alone may want a
// thousand. Raises the soft limit to the hard one (once, at start).
void RaiseDescriptorLimit();

// The soft limit of open descriptors, and how many this process has open.
std::size_t DescriptorLimit();
std::size_t OpenDescriptors();

}  // namespace viz

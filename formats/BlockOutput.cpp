#include "formats/BlockOutput.h"

#include <utility>

namespace viz {

BlockOutput::BlockOutput(Consumer consumer) : consumer_(std::move(consumer)) {
    buffer_.reserve(kBlockSize + 4096);
}

bool BlockOutput::Flush() {
    const bool accepted = consumer_(buffer_);
    buffer_.clear();
    return accepted;
}

}  // namespace viz

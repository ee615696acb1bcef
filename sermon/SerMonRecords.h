#pragma once

// Records of one watched port inside the monitor helper, waiting to be
// fetched by the page.

#include <cstddef>
#include <cstdint>
#include <deque>

#include "serial/SerMonProtocol.h"

namespace viz::sermon {

class RecordQueue {
public:
    // Queues one record, or several when the data is longer than one record
    // may carry; the pieces keep their order and lose nothing.
    void Push(RecordKind kind, const std::uint8_t* data = nullptr, std::size_t size = 0);

    bool empty() const { return records_.empty(); }
    // Bytes of all queued records, headers included.
    std::size_t bytes() const { return bytes_; }
    std::size_t frontSize() const { return records_.front().size(); }
    Bytes Pop();

private:
    std::deque<Bytes> records_;
    std::size_t bytes_ = 0;
    std::uint64_t sequence_ = 0;
};

}  // namespace viz::sermon

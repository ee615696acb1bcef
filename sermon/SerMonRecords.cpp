#include "sermon/SerMonRecords.h"

#include <algorithm>
#include <chrono>

namespace viz::sermon {

void RecordQueue::Push(RecordKind kind, const std::uint8_t* data, std::size_t size) {
    const auto micros = static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                       std::chrono::steady_clock::now().time_since_epoch())
                                                       .count());
    std::size_t done = 0;
    do {
        const std::size_t piece = std::min(size - done, kMaxRecordData);
        records_.push_back(EncodeRecord(kind, data + done, piece, sequence_++, micros));
        bytes_ += records_.back().size();
        done += piece;
    } while (done < size);
}

Bytes RecordQueue::Pop() {
    Bytes record = std::move(records_.front());
    records_.pop_front();
    bytes_ -= record.size();
    return record;
}

}  // namespace viz::sermon

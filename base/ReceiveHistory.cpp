#include "base/ReceiveHistory.h"

#include <algorithm>

namespace viz {

CReceiveHistory& CReceiveHistory::instance() {
    static CReceiveHistory history;
    return history;
}

void CReceiveHistory::setKeptLines(std::uint32_t lines) {
    lines = std::clamp(lines, kDefaultReceiveKeptLines, kMaxReceiveKeptLines);
    if (lines == keptLines_) return;
    keptLines_ = lines;
    emit keptLinesChanged(lines);
}

}  // namespace viz

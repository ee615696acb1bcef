#pragma once

// How many screen lines every receive area keeps ("接收区保留行数"): one
// value for the whole program, set by the shell from the settings at start
// and by "软件配置"; every receive area follows a change at once. Used on
// the UI thread only.

#include <QObject>

#include <cstdint>

#include "base/SettingsStore.h"

namespace viz {

class CReceiveHistory : public QObject {
    Q_OBJECT

public:
    static CReceiveHistory& instance();

    std::uint32_t keptLines() const { return keptLines_; }
    // Brought into the offered range; areas hear of a change.
    void setKeptLines(std::uint32_t lines);

signals:
    void keptLinesChanged(std::uint32_t lines);

private:
    std::uint32_t keptLines_ = kDefaultReceiveKeptLines;
};

}  // namespace viz

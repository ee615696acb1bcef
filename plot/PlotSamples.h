#pragma once

// The samples a plot keeps: one row per line that gave values, with the read
// time of the line and one value per channel (NaN where the line gave that
// channel none). Every channel's column is a ring of `capacity` rows: once
// full, each new row replaces the oldest, so memory never grows past
// capacity x (channels + 1) x 8 bytes. Rows are numbered from 1 in the order
// they came; the numbers go on when old rows are dropped. A row's time never
// goes back: a line read before the previous row's (lines of two server
// clients finished in another order, a clock set back) gets that row's time.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "plot/PlotLineParser.h"

namespace viz {

// What the X axis shows: the row's number or its read time (seconds since
// the epoch, to the microsecond).
enum class PlotAxis { SampleNumber, ReceiveTime };

struct PlotPoint {
    double x;
    double y;
};

class PlotSamples {
public:
    static constexpr std::size_t kDefaultCapacity = 100'000;

    explicit PlotSamples(std::size_t capacity = kDefaultCapacity);

    std::size_t capacity() const { return capacity_; }
    // Rows kept.
    std::size_t size() const { return times_.size(); }
    std::size_t channels() const { return columns_.size(); }
    // The number of the oldest kept row (1 for the first row ever).
    std::uint64_t firstNumber() const { return nextNumber_ - size(); }

    // `channels` is how many channels exist now (new ones start empty).
    void Add(std::chrono::system_clock::time_point time, const PlotValues& values, std::size_t channels);
    void Clear();

    // Row 0 is the oldest kept row.
    double value(std::size_t channel, std::size_t row) const { return columns_[channel][Slot(row)]; }
    std::int64_t microseconds(std::size_t row) const { return times_[Slot(row)]; }
    std::uint64_t number(std::size_t row) const { return firstNumber() + row; }
    double X(std::size_t row, PlotAxis axis) const;

    // The rows [first, end) whose X lies in [from, to], widened by one row on
    // each side so a curve runs to the edges.
    std::pair<std::size_t, std::size_t> RowsBetween(double from, double to, PlotAxis axis) const;

    // The points of one channel in rows [first, end), at most about
    // 2 x `buckets`: when there are more, each of `buckets` equal runs of
    // rows gives its lowest and highest point in the order they came, which
    // draws the same outline as every point would at one run per pixel.
    void Extract(std::size_t channel, std::size_t first, std::size_t end, std::size_t buckets, PlotAxis axis,
                 std::vector<PlotPoint>& points) const;

private:
    std::size_t Slot(std::size_t row) const {
        const std::size_t slot = head_ + row;
        return slot >= times_.size() ? slot - times_.size() : slot;
    }
    std::size_t RowOfSlot(std::size_t slot) const {
        return slot >= head_ ? slot - head_ : slot + times_.size() - head_;
    }
    // Room for one more row before the ring is full, grown in steps so a
    // large capacity costs memory only once it is used.
    void Grow(std::vector<double>& column) const;

    std::size_t capacity_;
    // Slot of the oldest row once the ring is full; 0 before.
    std::size_t head_ = 0;
    std::uint64_t nextNumber_ = 1;
    std::vector<std::int64_t> times_;
    std::vector<std::vector<double>> columns_;
};

}  // namespace viz

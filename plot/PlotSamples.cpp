#include "plot/PlotSamples.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace viz {
namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kFirstReserve = 1024;

// The lowest and highest value in a run of slots and where they are.
struct Extremes {
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    std::size_t low = kNone;
    std::size_t high = kNone;
    bool found() const { return low != kNone; }
};

// Slots [from, to) of one column. Absent values (NaN) compare false and are
// passed over without a test of their own; kept values are finite.
void ScanExtremes(const double* column, std::size_t from, std::size_t to, Extremes& extremes) {
    for (std::size_t slot = from; slot < to; ++slot) {
        const double y = column[slot];
        if (y < extremes.lowest) {
            extremes.lowest = y;
            extremes.low = slot;
        }
        if (y > extremes.highest) {
            extremes.highest = y;
            extremes.high = slot;
        }
    }
}

}  // namespace

PlotSamples::PlotSamples(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

void PlotSamples::Grow(std::vector<double>& column) const {
    if (column.size() < column.capacity()) return;
    column.reserve(std::min(std::max(column.size() * 2, kFirstReserve), capacity_));
}

void PlotSamples::Add(std::chrono::system_clock::time_point time, const PlotValues& values,
                      std::size_t channels) {
    std::int64_t stamp =
        std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
    if (size() > 0) stamp = std::max(stamp, microseconds(size() - 1));
    const bool full = times_.size() == capacity_;
    while (columns_.size() < channels) columns_.emplace_back(times_.size(), kNoValue);
    const auto valueOf = [&](std::size_t channel) {
        return (values.present >> channel) & 1U ? values.value[channel] : kNoValue;
    };
    if (full) {
        times_[head_] = stamp;
        for (std::size_t c = 0; c < columns_.size(); ++c) columns_[c][head_] = valueOf(c);
        head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
    } else {
        if (times_.size() == times_.capacity())
            times_.reserve(std::min(std::max(times_.size() * 2, kFirstReserve), capacity_));
        times_.push_back(stamp);
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            Grow(columns_[c]);
            columns_[c].push_back(valueOf(c));
        }
    }
    ++nextNumber_;
}

void PlotSamples::Clear() {
    times_ = {};
    columns_ = {};
    head_ = 0;
    nextNumber_ = 1;
}

double PlotSamples::X(std::size_t row, PlotAxis axis) const {
    if (axis == PlotAxis::SampleNumber) return static_cast<double>(number(row));
    return static_cast<double>(microseconds(row)) / 1e6;
}

std::pair<std::size_t, std::size_t> PlotSamples::RowsBetween(double from, double to, PlotAxis axis) const {
    // First row at or past `limit` (or past it when `after`), by halving.
    const auto search = [&](double limit, bool after) {
        std::size_t low = 0;
        std::size_t high = size();
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            const double x = X(middle, axis);
            if (after ? x <= limit : x < limit) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return low;
    };
    const std::size_t first = search(from, false);
    const std::size_t end = std::max(first, search(to, true));
    return {first > 0 ? first - 1 : 0, std::min(end + 1, size())};
}

void PlotSamples::Extract(std::size_t channel, std::size_t first, std::size_t end, std::size_t buckets,
                          PlotAxis axis, std::vector<PlotPoint>& points) const {
    points.clear();
    if (channel >= columns_.size() || first >= end) return;
    end = std::min(end, size());
    const std::size_t count = end - first;
    if (buckets == 0 || count <= 2 * buckets) {
        for (std::size_t row = first; row < end; ++row) {
            const double y = value(channel, row);
            if (!std::isnan(y)) points.push_back({X(row, axis), y});
        }
        return;
    }
    const double* column = columns_[channel].data();
    const std::size_t slots = times_.size();
    for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
        const std::size_t from = first + count * bucket / buckets;
        const std::size_t to = first + count * (bucket + 1) / buckets;
        Extremes extremes;
        // The run's slots: one stretch, or two where the ring wraps.
        const std::size_t slot = Slot(from);
        const std::size_t length = to - from;
        const std::size_t straight = std::min(length, slots - slot);
        ScanExtremes(column, slot, slot + straight, extremes);
        if (straight < length) ScanExtremes(column, 0, length - straight, extremes);
        if (!extremes.found()) continue;
        const std::size_t low = RowOfSlot(extremes.low);
        const std::size_t high = RowOfSlot(extremes.high);
        if (low == high) {
            points.push_back({X(low, axis), extremes.lowest});
        } else if (low < high) {
            points.push_back({X(low, axis), extremes.lowest});
            points.push_back({X(high, axis), extremes.highest});
        } else {
            points.push_back({X(high, axis), extremes.highest});
            points.push_back({X(low, axis), extremes.lowest});
        }
    }
}

}  // namespace viz

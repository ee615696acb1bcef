#include "terminal/PlotSamples.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace viz {
namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kFirstReserve = 1024;

}  // namespace

PlotSamples::PlotSamples(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

void PlotSamples::Grow(std::vector<double>& column) const {
    if (column.size() < column.capacity()) return;
    column.reserve(std::min(std::max(column.size() * 2, kFirstReserve), capacity_));
}

void PlotSamples::Add(std::chrono::system_clock::time_point time, const PlotValues& values,
                      std::size_t channels) {
    std::int64_t stamp = std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
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
    for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
        const std::size_t from = first + count * bucket / buckets;
        const std::size_t to = first + count * (bucket + 1) / buckets;
        std::size_t low = to;
        std::size_t high = to;
        double lowest = 0;
        double highest = 0;
        for (std::size_t row = from; row < to; ++row) {
            const double y = value(channel, row);
            if (std::isnan(y)) continue;
            if (low == to || y < lowest) {
                low = row;
                lowest = y;
            }
            if (high == to || y > highest) {
                high = row;
                highest = y;
            }
        }
        if (low == to) continue;
        if (low == high) {
            points.push_back({X(low, axis), lowest});
        } else if (low < high) {
            points.push_back({X(low, axis), lowest});
            points.push_back({X(high, axis), highest});
        } else {
            points.push_back({X(high, axis), highest});
            points.push_back({X(low, axis), lowest});
        }
    }
}

}  // namespace viz

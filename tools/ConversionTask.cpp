#include "tools/ConversionTask.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace viz {

void ConversionProgress::Report(double fraction) {
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    position_.store(static_cast<std::uint32_t>(std::lround(clamped * kScale)), std::memory_order_relaxed);
}

void ConversionProgress::Report(std::uint64_t done, std::uint64_t total, double from, double to) {
    const double part = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    Report(from + (to - from) * part);
}

void ConversionProgress::Reset() {
    position_.store(0, std::memory_order_relaxed);
    stop_.store(false, std::memory_order_relaxed);
}

ConversionTask::~ConversionTask() {
    progress_.RequestStop();
    if (thread_.joinable()) thread_.join();
}

void ConversionTask::Start(Work work) {
    progress_.Reset();
    finished_.store(false, std::memory_order_relaxed);
    finish_ = nullptr;
    thread_ = std::thread([this, work = std::move(work)] {
        finish_ = work(progress_);
        finished_.store(true, std::memory_order_release);
    });
}

ConversionTask::Finish ConversionTask::Take() {
    if (thread_.joinable()) thread_.join();
    finished_.store(false, std::memory_order_relaxed);
    return std::exchange(finish_, nullptr);
}

}  // namespace viz

#pragma once

// One long conversion on a thread of its own, so the window never waits.
// The work reports how far it got and looks at `stopRequested()` between
// blocks; it returns what is to be done with its result, which the owner runs
// on its own thread once `finished()` says so.
//
//   task.Start([path](ConversionProgress& progress) -> ConversionTask::Finish {
//       Outcome outcome = Convert(path, progress);
//       return [outcome] { Show(outcome); };
//   });
//   ... later, polled on the owner's thread:
//   if (task.finished()) task.Take()();

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace viz {

class ConversionProgress {
public:
    static constexpr std::uint32_t kScale = 10000;

    // `fraction` of the whole, 0..1.
    void Report(double fraction);
    // Part `done` of `total` within the share [from, to] of the whole.
    void Report(std::uint64_t done, std::uint64_t total, double from = 0.0, double to = 1.0);
    // 0..kScale.
    std::uint32_t position() const { return position_.load(std::memory_order_relaxed); }

    void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
    bool stopRequested() const { return stop_.load(std::memory_order_relaxed); }
    void Reset();

private:
    std::atomic<std::uint32_t> position_{0};
    std::atomic<bool> stop_{false};
};

class ConversionTask {
public:
    using Finish = std::function<void()>;
    using Work = std::function<Finish(ConversionProgress&)>;

    ConversionTask() = default;
    // Asks running work to stop and waits for it; its result is dropped.
    ~ConversionTask();
    ConversionTask(const ConversionTask&) = delete;
    ConversionTask& operator=(const ConversionTask&) = delete;

    // Only when not `running()`.
    void Start(Work work);
    // From Start until Take.
    bool running() const { return thread_.joinable(); }
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Waits for the thread and hands over the work's result.
    Finish Take();

    const ConversionProgress& progress() const { return progress_; }

private:
    ConversionProgress progress_;
    Finish finish_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace viz

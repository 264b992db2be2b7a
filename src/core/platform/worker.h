#pragma once
// The protocol between a page and the worker that does its long work.
//
// The worker reports through a ProgressSink (range, position, status text);
// the page's sink delivers each report on the page's thread before the call
// returns, so reports arrive in order. The page steers the worker through a
// WorkerControl: Stop sets a flag the work polls between units of work; Pause
// and Resume are counted (two Pauses need two Resumes) and take effect at the
// worker's next poll, where it waits while paused.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace salvor::platform {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setRange(int64_t low, int64_t high) = 0;
    virtual void setPosition(int64_t position) = 0;
    virtual void setStatus(const std::string& text) = 0;
};

// Drops every report.
class NullProgress : public ProgressSink {
public:
    void setRange(int64_t, int64_t) override {}
    void setPosition(int64_t) override {}
    void setStatus(const std::string&) override {}
};

class WorkerControl {
public:
    // Stop: takes effect at the next poll, also while the worker is paused.
    void requestStop();
    void clearStop();
    bool stopRequested() const { return stop_.load(std::memory_order_acquire); }

    // Counted pause; resume below zero is ignored.
    void pause();
    void resume();
    int pauseCount() const;

    // Called by the work between units. Waits while paused; returns false when
    // the work must end (stop requested), true to go on.
    bool poll();

    // True while the worker is waiting inside poll() because it is paused.
    bool waiting() const { return waiting_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> waiting_{false};
    mutable std::mutex mu_;
    std::condition_variable cv_;
    std::atomic<int> pauses_{0};
};

}  // namespace salvor::platform

#include "platform/worker.h"

namespace salvor::platform {

void WorkerControl::requestStop() {
    {
        std::lock_guard lock(mu_);
        stop_.store(true, std::memory_order_release);
    }
    cv_.notify_all();
}

void WorkerControl::clearStop() { stop_.store(false, std::memory_order_release); }

void WorkerControl::pause() {
    std::lock_guard lock(mu_);
    ++pauses_;
}

void WorkerControl::resume() {
    {
        std::lock_guard lock(mu_);
        if (pauses_ > 0) --pauses_;
    }
    cv_.notify_all();
}

int WorkerControl::pauseCount() const { return pauses_.load(); }

bool WorkerControl::poll() {
    if (pauses_.load(std::memory_order_acquire) == 0) return !stopRequested();
    std::unique_lock lock(mu_);
    if (pauses_ > 0 && !stopRequested()) {
        waiting_.store(true, std::memory_order_release);
        cv_.wait(lock, [this] { return pauses_.load() == 0 || stopRequested(); });
        waiting_.store(false, std::memory_order_release);
    }
    return !stopRequested();
}

}  // namespace salvor::platform

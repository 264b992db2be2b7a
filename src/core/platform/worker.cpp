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

int WorkerControl::pauseCount() const {
    std::lock_guard lock(mu_);
    return pauses_;
}

bool WorkerControl::poll() {
    std::unique_lock lock(mu_);
    if (pauses_ > 0 && !stopRequested()) {
        waiting_.store(true, std::memory_order_release);
        cv_.wait(lock, [this] { return pauses_ == 0 || stopRequested(); });
        waiting_.store(false, std::memory_order_release);
    }
    return !stopRequested();
}

}  // namespace salvor::platform

#pragma once
// Single-instance guard: an exclusive lock on a file in a folder that every user
// shares, so that a second instance, also one started by another user, sees it.
#include <string>

namespace salvor::platform {

class InstanceGuard {
public:
    // The lock file every instance of the program uses.
    static std::string defaultLockPath();

    explicit InstanceGuard(std::string lockPath = defaultLockPath());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // Takes the lock. False when another instance holds it. Calling it again
    // after success returns true.
    bool acquire();
    bool anotherInstanceRunning() { return !acquire(); }
    void release();

private:
    std::string path_;
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace salvor::platform

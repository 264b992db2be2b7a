#include "platform/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace salvor::platform {

std::string InstanceGuard::defaultLockPath() {
    // /tmp is shared by all users; the name stands for the whole machine.
    return "/tmp/.QeltVexdor17Instance.lock";
}

InstanceGuard::InstanceGuard(std::string lockPath) : path_(std::move(lockPath)) {}

InstanceGuard::~InstanceGuard() { release(); }

bool InstanceGuard::acquire() {
    if (held_) return true;
    if (fd_ < 0) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            ::fchmod(fd_, 0666);  // another user must be able to open it too
        } else {
            // Made by another user without write access for us: a read-only
            // descriptor still takes part in the lock.
            fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (fd_ < 0) return true;  // no lock possible: do not block the user
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
        return true;
    }
    return false;
}

void InstanceGuard::release() {
    if (fd_ >= 0) {
        if (held_) ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    fd_ = -1;
    held_ = false;
}

}  // namespace salvor::platform

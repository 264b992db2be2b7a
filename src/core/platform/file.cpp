#include "platform/file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace salvor::platform {

ReadOnlyFile::~ReadOnlyFile() { close(); }

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : fd_(other.fd_), size_(other.size_), lastError_(std::move(other.lastError_)) {
    other.fd_ = -1;
    other.size_ = 0;
}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        size_ = other.size_;
        lastError_ = std::move(other.lastError_);
        other.fd_ = -1;
        other.size_ = 0;
    }
    return *this;
}

bool ReadOnlyFile::open(const std::string& path) {
    close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        lastError_ = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        lastError_ = "is a directory";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = static_cast<int64_t>(st.st_size);
    if (S_ISBLK(st.st_mode)) {
        off_t end = ::lseek(fd, 0, SEEK_END);
        size_ = end > 0 ? static_cast<int64_t>(end) : 0;
    }
    lastError_.clear();
    return true;
}

void ReadOnlyFile::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    size_ = 0;
}

size_t ReadOnlyFile::readAt(int64_t offset, void* buffer, size_t n) const {
    if (fd_ < 0 || offset < 0) return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

}  // namespace salvor::platform

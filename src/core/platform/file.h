#pragma once
// Read-only access to a file by positioned reads. Images are never opened for
// writing: nothing in the program needs to change them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace salvor::platform {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;

    // Opens `path` for reading. On failure returns false and keeps the
    // system's reason in lastError().
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Length of the file in bytes, as it was when it was opened.
    int64_t size() const { return size_; }

    // Reads up to `n` bytes at `offset`, retrying short reads. Returns how many
    // bytes were read (less than `n` at the end of the file or on an error).
    size_t readAt(int64_t offset, void* buffer, size_t n) const;

    const std::string& lastError() const { return lastError_; }
    int descriptor() const { return fd_; }

private:
    int fd_ = -1;
    int64_t size_ = 0;
    std::string lastError_;
};


}  // namespace salvor::platform

#pragma once
// Writing recovered files below an output folder without ever touching
// anything outside it: names from the volume are made safe before use, every
// file and folder is created relative to an open folder descriptor, existing
// symbolic links are never followed, and two entries of one folder with the
// same name do not overwrite each other within one save.
#include <cstdint>
#include <ctime>
#include <memory>
#include <set>
#include <string>

namespace salvor::platform {

// A name from a volume as a safe single path component: "/" and NUL and
// control characters become "_", an empty name becomes "_", "." and ".."
// become "_." and "_..", and names longer than 255 bytes are cut (on a
// character boundary).
std::string safeName(const std::string& name);

// Where written bytes go.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool write(const void* data, size_t n) = 0;
};

// Collects at most `limit` bytes in memory.
class StringSink : public ByteSink {
public:
    explicit StringSink(size_t limit) : limit_(limit) {}
    bool write(const void* data, size_t n) override;
    std::string bytes;

private:
    size_t limit_;
};

class OutputFile : public ByteSink {
public:
    explicit OutputFile(int fd) : fd_(fd) {}
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    bool write(const void* data, size_t n) override;
    // Sets the last access and last write times (nanoseconds kept). Linux has
    // no settable creation time.
    bool setTimes(const timespec& accessed, const timespec& modified);
    bool failed() const { return failed_; }

private:
    int fd_;
    bool failed_ = false;
};

class OutputDir {
public:
    // Opens an existing folder. Null with a reason when it cannot.
    static std::unique_ptr<OutputDir> open(const std::string& path, std::string& error);
    ~OutputDir();
    OutputDir(const OutputDir&) = delete;
    OutputDir& operator=(const OutputDir&) = delete;

    // The folder `name` inside this one, created when missing; an existing
    // folder of that name is reused unless this save already used the name.
    // Null when it cannot be made.
    std::unique_ptr<OutputDir> subfolder(const std::string& name);
    // A new file `name` inside this folder (an earlier save's file of that name
    // is replaced). Null when it cannot be made.
    std::unique_ptr<OutputFile> createFile(const std::string& name);

    const std::string& path() const { return path_; }
    // The path the last subfolder() or createFile() used.
    const std::string& lastPath() const { return lastPath_; }

private:
    OutputDir(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    std::string claim(const std::string& name);

    int fd_;
    std::string path_;
    std::string lastPath_;
    std::set<std::string> used_;
};

}  // namespace salvor::platform

#include "platform/output_dir.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace salvor::platform {

std::string safeName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (unsigned char c : name) out.push_back((c < 0x20 || c == 0x7F || c == '/') ? '_' : static_cast<char>(c));
    if (out.empty()) out = "_";
    if (out == "." || out == "..") out = "_" + out;
    if (out.size() > 255) {
        size_t cut = 255;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    return out;
}

bool StringSink::write(const void* data, size_t n) {
    const size_t room = limit_ > bytes.size() ? limit_ - bytes.size() : 0;
    bytes.append(static_cast<const char*>(data), std::min(n, room));
    return true;
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool OutputFile::write(const void* data, size_t n) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool OutputFile::setTimes(const timespec& accessed, const timespec& modified) {
    const timespec times[2] = {accessed, modified};
    return ::futimens(fd_, times) == 0;
}

std::unique_ptr<OutputDir> OutputDir::open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<OutputDir>(new OutputDir(fd, path));
}

OutputDir::~OutputDir() {
    if (fd_ >= 0) ::close(fd_);
}

std::string OutputDir::claim(const std::string& name) {
    const std::string base = safeName(name);
    if (used_.insert(base).second) return base;
    // " (1)", " (2)", ... before the extension.
    const auto dot = base.rfind('.');
    const bool hasExt = dot != std::string::npos && dot > 0;
    const std::string stem = hasExt ? base.substr(0, dot) : base;
    const std::string ext = hasExt ? base.substr(dot) : std::string();
    for (int k = 1;; ++k) {
        std::string candidate = safeName(stem + " (" + std::to_string(k) + ")" + ext);
        if (used_.insert(candidate).second) return candidate;
    }
}

std::unique_ptr<OutputDir> OutputDir::subfolder(const std::string& name) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string n = claim(name);
        lastPath_ = path_ + "/" + n;
        if (::mkdirat(fd_, n.c_str(), 0755) != 0 && errno != EEXIST) return nullptr;
        // O_NOFOLLOW: a symbolic link of that name is not entered; another name is taken.
        const int fd = ::openat(fd_, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) return std::unique_ptr<OutputDir>(new OutputDir(fd, lastPath_));
        if (errno != ELOOP && errno != ENOTDIR) return nullptr;
    }
    return nullptr;
}

std::unique_ptr<OutputFile> OutputDir::createFile(const std::string& name) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string n = claim(name);
        lastPath_ = path_ + "/" + n;
        int fd = ::openat(fd_, n.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) {
            // An earlier save's file is replaced; a link or folder of that name is left alone.
            struct stat st {};
            if (::fstatat(fd_, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
                ::unlinkat(fd_, n.c_str(), 0) == 0)
                fd = ::openat(fd_, n.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            else
                continue;
        }
        if (fd < 0) return nullptr;
        return std::make_unique<OutputFile>(fd);
    }
    return nullptr;
}

}  // namespace salvor::platform

#include "platform/paths.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace salvor::platform {

namespace {
std::string withSlash(std::string p) {
    if (p.empty() || p.back() != '/') p.push_back('/');
    return p;
}
}  // namespace

std::string tempFolder() {
    const char* t = std::getenv("TMPDIR");
    if (t && *t) return withSlash(t);
    return "/tmp/";
}

std::string workingFolder() {
    std::string dir = tempFolder() + "AryInfoVexdor";
    ::mkdir(dir.c_str(), 0700);  // an existing folder is not an error
    return withSlash(dir);
}

std::string executableFolder() {
    std::vector<char> buf(4096);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return "./";
    std::string p(buf.data(), static_cast<size_t>(n));
    auto slash = p.rfind('/');
    if (slash == std::string::npos) return "./";
    return p.substr(0, slash + 1);
}

std::string joinPath(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    bool aSlash = a.back() == '/';
    bool bSlash = b.front() == '/';
    if (aSlash && bSlash) return a + b.substr(1);
    if (aSlash || bSlash) return a + b;
    return a + "/" + b;
}

}  // namespace salvor::platform

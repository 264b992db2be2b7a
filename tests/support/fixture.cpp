#include "fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace salvor::test {

std::string fixturePath(const std::string& name) {
    const fs::path source = fs::path(SALVOR_FIXTURE_SOURCE) / (name + ".zst");
    const fs::path target = fs::path(SALVOR_FIXTURE_BUILD) / name;
    if (!fs::exists(source)) throw std::runtime_error("no fixture " + source.string());
    fs::create_directories(target.parent_path());
    if (fs::exists(target) && fs::last_write_time(target) >= fs::last_write_time(source)) return target.string();
    // Unpack beside the target and rename, so tests running at once never see
    // a half-written image.
    const fs::path tmp = target.string() + ".tmp" + std::to_string(::getpid());
    const std::string cmd = "zstd -q -d -f '" + source.string() + "' -o '" + tmp.string() + "'";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("cannot unpack " + source.string() + " (is zstd installed?)");
    fs::rename(tmp, target);
    return target.string();
}

nlohmann::json manifest(const std::string& name) {
    std::ifstream in(fs::path(SALVOR_FIXTURE_SOURCE) / (name + ".json"));
    if (!in) throw std::runtime_error("no manifest " + name);
    return nlohmann::json::parse(in);
}

std::string scratchFolder(const std::string& testName) {
    const fs::path dir = fs::path(SALVOR_FIXTURE_BUILD) / "scratch" / (testName + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace salvor::test

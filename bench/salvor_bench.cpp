// Throughput benchmarks that compare the program's readers with plain
// positioned reads of the same image file in the same run.
//
//   salvor-bench vdi-read [IMAGE]   sequential 1 MiB reads through the VDI
//                                   reader; without IMAGE a fully allocated
//                                   512 MiB VDI is made with qemu-img.
//
// Prints both throughputs and their ratio; exits 1 when the ratio is below
// the target.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/vdi_reader.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 1 << 20;

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

int run(const std::string& cmd) {
    std::printf("+ %s\n", cmd.c_str());
    std::fflush(stdout);
    return std::system(cmd.c_str());
}

std::string makeFullVdi(int mib) {
    const fs::path dir = fs::current_path() / "bench-data";
    fs::create_directories(dir);
    const fs::path vdi = dir / ("full-" + std::to_string(mib) + "m.vdi");
    if (fs::exists(vdi)) return vdi.string();
    const fs::path raw = dir / "full.raw";
    // Random data so that every block is allocated.
    if (run("head -c " + std::to_string(mib) + "M /dev/urandom > '" + raw.string() + "'") != 0 ||
        run("qemu-img convert -q -f raw -O vdi '" + raw.string() + "' '" + vdi.string() + "'") != 0) {
        std::fprintf(stderr, "cannot make the benchmark image (is qemu-img installed?)\n");
        std::exit(2);
    }
    fs::remove(raw);
    return vdi.string();
}

int vdiRead(const std::string& image) {
    salvor::FileReadSeekVdi reader;
    if (!reader.open(image)) {
        std::fprintf(stderr, "cannot open %s as a VDI image\n", image.c_str());
        return 2;
    }
    salvor::platform::ReadOnlyFile file;
    file.open(image);
    const int64_t bytes = reader.diskSize();
    const int64_t dataOffset = reader.header().dataOffset;
    std::vector<char> buf(kChunk);
    volatile char sink = 0;

    auto viaReader = [&] {
        reader.seek(0, 0);
        for (int64_t pos = 0; pos < bytes; pos += kChunk) {
            reader.read(buf.data(), static_cast<uint32_t>(std::min<int64_t>(kChunk, bytes - pos)));
            sink = sink + buf[0];
        }
    };
    auto viaFile = [&] {
        for (int64_t pos = 0; pos < bytes; pos += kChunk) {
            file.readAt(dataOffset + pos, buf.data(), static_cast<size_t>(std::min<int64_t>(kChunk, bytes - pos)));
            sink = sink + buf[0];
        }
    };
    viaFile();  // bring the file into the page cache for both
    double bestReader = 1e9, bestFile = 1e9;
    for (int round = 0; round < 5; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        viaReader();
        auto t1 = std::chrono::steady_clock::now();
        viaFile();
        auto t2 = std::chrono::steady_clock::now();
        bestReader = std::min(bestReader, seconds(t0, t1));
        bestFile = std::min(bestFile, seconds(t1, t2));
    }
    const double mib = static_cast<double>(bytes) / 1048576.0;
    const double ratio = bestFile / bestReader;
    std::printf("image: %s (%.0f MiB)\n", image.c_str(), mib);
    std::printf("VDI reader, 1 MiB reads:   %8.1f MiB/s\n", mib / bestReader);
    std::printf("plain positioned reads:    %8.1f MiB/s\n", mib / bestFile);
    std::printf("ratio: %.2f (target at least 0.80)\n", ratio);
    return ratio >= 0.8 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "vdi-read";
    if (what == "vdi-read") return vdiRead(argc > 2 ? argv[2] : makeFullVdi(512));
    std::fprintf(stderr, "usage: salvor-bench vdi-read [IMAGE]\n");
    return 2;
}

// Throughput benchmarks that compare the program's readers with plain
// positioned reads of the same image file in the same run.
//
//   salvor-bench vdi-read [IMAGE]   sequential 1 MiB reads through the VDI
//                                   reader (target: 0.8 of plain reads)
//   salvor-bench scan [IMAGE]       the sector scan for volumes (target 0.7)
//   salvor-bench ls-ntfs            salvor-cli ls of an NTFS volume with 100 000
//                                   files against fls -r -p of The Sleuth Kit
//                                   (made by the fixture script when missing)
//   salvor-bench ls-fat             the same for a FAT32 volume with 50 000 files
//   salvor-bench save-ntfs [--cold] saving a 1 GiB contiguous file from an NTFS
//                                   VDI against plain reads (target 0.6);
//                                   --cold empties the page cache before each
//                                   side (root), so both read from the disk
//   salvor-bench deep-ntfs          the NTFS Deep scan over the same 2 GiB
//                                   volume against plain reads (target 0.5)
//
// Without IMAGE a fully allocated 512 MiB VDI of random data (no volumes) is
// made with qemu-img under bench-data/.
//
// Prints both throughputs and their ratio; exits 1 when the ratio is below
// the target.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "browse/entry_browser.h"
#include "browse/icon_index.h"
#include "browse/saver.h"
#include "discovery/partition.h"
#include "fs/ntfs/ntfs.h"
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

// Runs `subject` and plain positioned reads of the same bytes in turns, keeps
// the best of five rounds of each and prints both throughputs.
int compare(const char* label, const std::string& image, double target, const std::function<void()>& subject) {
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
    auto viaFile = [&] {
        for (int64_t pos = 0; pos < bytes; pos += kChunk) {
            file.readAt(dataOffset + pos, buf.data(), static_cast<size_t>(std::min<int64_t>(kChunk, bytes - pos)));
            sink = sink + buf[0];
        }
    };
    viaFile();  // bring the file into the page cache for both
    double bestSubject = 1e9, bestFile = 1e9;
    for (int round = 0; round < 5; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        subject();
        auto t1 = std::chrono::steady_clock::now();
        viaFile();
        auto t2 = std::chrono::steady_clock::now();
        bestSubject = std::min(bestSubject, seconds(t0, t1));
        bestFile = std::min(bestFile, seconds(t1, t2));
    }
    const double mib = static_cast<double>(bytes) / 1048576.0;
    const double ratio = bestFile / bestSubject;
    std::printf("image: %s (%.0f MiB)\n", image.c_str(), mib);
    std::printf("%-28s %8.1f MiB/s\n", label, mib / bestSubject);
    std::printf("%-28s %8.1f MiB/s\n", "plain positioned reads:", mib / bestFile);
    std::printf("ratio: %.2f (target at least %.2f)\n", ratio, target);
    return ratio >= target ? 0 : 1;
}

int vdiRead(const std::string& image) {
    salvor::FileReadSeekVdi reader;
    if (!reader.open(image)) return compare("", image, 0, [] {});
    const int64_t bytes = reader.diskSize();
    std::vector<char> buf(kChunk);
    volatile char sink = 0;
    return compare("VDI reader, 1 MiB reads:", image, 0.8, [&] {
        reader.seek(0, 0);
        for (int64_t pos = 0; pos < bytes; pos += kChunk) {
            reader.read(buf.data(), static_cast<uint32_t>(std::min<int64_t>(kChunk, bytes - pos)));
            sink = sink + buf[0];
        }
    });
}

int sectorScan(const std::string& image) {
    salvor::FileReadSeekVdi reader;
    if (!reader.open(image)) return compare("", image, 0, [] {});
    size_t found = 0;
    const int rc = compare("sector scan for volumes:", image, 0.7, [&] {
        salvor::Partition scan;
        scan.scanSectors(reader, reader.diskSize() / 512, nullptr);
        found = scan.records.size();
    });
    std::printf("volumes found: %zu\n", found);
    return rc;
}

struct Timed {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// Runs a shell command with its output thrown away; wall time and peak memory.
Timed timeCommand(const std::string& cmd) {
    Timed t;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", (cmd + " > /dev/null").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    t.seconds = seconds(t0, std::chrono::steady_clock::now());
    t.peakKiB = usage.ru_maxrss;
    t.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return t;
}

std::string selfFolder() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string p(buf, n > 0 ? static_cast<size_t>(n) : 0);
    return p.substr(0, p.rfind('/') + 1);
}

bool makeOnDemand(const fs::path& dir, const char* group) {
    const std::string script = std::string(SALVOR_SOURCE_DIR) + "/tests/fixtures/make.sh";
    if (run("SALVOR_FIXTURE_OUT='" + dir.string() + "' '" + script + "' " + group) != 0) {
        std::fprintf(stderr, "cannot make the benchmark volume (the fixture script needs root)\n");
        return false;
    }
    return true;
}

// salvor-cli ls of the volume against fls -r -p on the same disk.
int lsAgainstFls(const char* group, const char* name) {
    const fs::path dir = fs::current_path() / "bench-data";
    fs::create_directories(dir);
    const fs::path vdi = dir / (std::string(name) + ".vdi"), raw = dir / (std::string(name) + ".raw");
    if ((!fs::exists(vdi) || !fs::exists(raw)) && !makeOnDemand(dir, group)) return 2;
    const std::string cli = selfFolder() + "salvor-cli";
    // Warm the page cache for both.
    timeCommand("cat '" + raw.string() + "' '" + vdi.string() + "'");
    Timed ours{1e9, 0, 0}, theirs{1e9, 0, 0};
    for (int round = 0; round < 3; ++round) {
        const Timed a = timeCommand("'" + cli + "' ls '" + vdi.string() + "' --volume 0");
        const Timed b = timeCommand("fls -r -p -o 2048 '" + raw.string() + "'");
        if (a.status != 0 || b.status != 0) {
            std::fprintf(stderr, "a listing failed (salvor-cli %d, fls %d; is sleuthkit installed?)\n", a.status, b.status);
            return 2;
        }
        if (a.seconds < ours.seconds) ours = a;
        if (b.seconds < theirs.seconds) theirs = b;
    }
    std::printf("volume: %s\n", vdi.string().c_str());
    std::printf("salvor-cli ls (VDI):      %.3f s, peak %ld MiB\n", ours.seconds, ours.peakKiB / 1024);
    std::printf("fls -r -p (raw disk):     %.3f s, peak %ld MiB\n", theirs.seconds, theirs.peakKiB / 1024);
    std::printf("time ratio fls/ours: %.2f (target above 1); peak memory target under 300 MiB\n", theirs.seconds / ours.seconds);
    return ours.seconds < theirs.seconds && ours.peakKiB < 300 * 1024 ? 0 : 1;
}

// The 2 GiB NTFS benchmark disk (made when missing) and its volume.
struct BigVolume {
    fs::path dir = fs::current_path() / "bench-data";
    fs::path vdi = dir / "bench-big.vdi";
    salvor::FileReadSeekVdi source;
    salvor::VolumeRecord volume;
    bool open() {
        fs::create_directories(dir);
        if (!fs::exists(vdi) && !makeOnDemand(dir, "bench-ntfs-big")) return false;
        if (!source.open(vdi.string())) return false;
        salvor::Partition scan;
        scan.scanPartitionTables(source, source.diskSize() / 512);
        if (scan.records.empty()) return false;
        volume = scan.records[0];
        return true;
    }
};

// Empties the page cache (root only), so that both sides read from the disk.
bool dropCaches() {
    ::sync();
    FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w");
    if (!f) return false;
    std::fputs("3\n", f);
    std::fclose(f);
    return true;
}

int saveNtfs(bool cold) {
    BigVolume big;
    if (!big.open()) return 2;
    const fs::path& dir = big.dir;
    const fs::path& vdi = big.vdi;
    salvor::FileReadSeekVdi& source = big.source;
    salvor::ntfs parser;
    salvor::CXHtmlTree tree;
    salvor::IconIndex icons;
    parser.source = &source;
    parser.volume = big.volume;
    parser.tree = &tree;
    parser.icons = &icons;
    parser.parse();
    uint64_t ref = salvor::kNoData;
    for (salvor::TreeItem c = tree.firstChild(tree.rootItem()); c; c = tree.nextSibling(c))
        if (tree.itemText(c) == "big.bin") ref = tree.itemData(c);
    if (ref == salvor::kNoData) {
        std::fprintf(stderr, "no big.bin on the benchmark volume\n");
        return 2;
    }
    const fs::path out = dir / "save-out";
    fs::create_directories(out);
    std::string error;
    auto target = salvor::platform::OutputDir::open(out.string(), error);
    const int64_t bytes = parser.entrySize(ref);
    salvor::platform::ReadOnlyFile file;
    file.open(vdi.string());
    std::vector<char> buf(kChunk);
    volatile char sink = 0;
    auto plain = [&] {
        const int64_t from = source.header().dataOffset;
        for (int64_t pos = 0; pos < bytes; pos += kChunk) {
            file.readAt(from + pos, buf.data(), kChunk);
            sink = sink + buf[0];
        }
    };
    // The same bytes read plainly and written to a new file of the same folder:
    // what any program pays to write 1 GiB here.
    auto plainCopy = [&] {
        const fs::path copy = out / "plain-copy.bin";
        fs::remove(copy);
        FILE* f = std::fopen(copy.string().c_str(), "wb");
        const int64_t from = source.header().dataOffset;
        for (int64_t pos = 0; pos < bytes; pos += kChunk) {
            file.readAt(from + pos, buf.data(), kChunk);
            std::fwrite(buf.data(), 1, kChunk, f);
        }
        std::fclose(f);
    };
    if (cold && !dropCaches()) {
        std::fprintf(stderr, "--cold needs root (/proc/sys/vm/drop_caches)\n");
        return 2;
    }
    if (!cold) plain();
    double bestSave = 1e9, bestPlain = 1e9, bestCopy = 1e9;
    for (int round = 0; round < 3; ++round) {
        if (cold) dropCaches();
        auto t0 = std::chrono::steady_clock::now();
        {
            salvor::Saver saver(parser, nullptr, nullptr);
            saver.saveFile(ref, *target);
        }
        auto t1 = std::chrono::steady_clock::now();
        if (cold) dropCaches();
        auto t2a = std::chrono::steady_clock::now();
        plain();
        auto t2 = std::chrono::steady_clock::now();
        if (cold) dropCaches();
        auto t2b = std::chrono::steady_clock::now();
        plainCopy();
        auto t3 = std::chrono::steady_clock::now();
        bestSave = std::min(bestSave, seconds(t0, t1));
        bestPlain = std::min(bestPlain, seconds(t2a, t2));
        bestCopy = std::min(bestCopy, seconds(t2b, t3));
    }
    fs::remove(out / "plain-copy.bin");
    const double mib = static_cast<double>(bytes) / 1048576.0;
    std::printf("file: big.bin (%.0f MiB) saved into %s%s\n", mib, out.string().c_str(), cold ? " (page cache emptied before each side)" : "");
    std::printf("saving:                    %8.1f MiB/s\n", mib / bestSave);
    std::printf("plain positioned reads:    %8.1f MiB/s\n", mib / bestPlain);
    std::printf("plain read + write copy:   %8.1f MiB/s\n", mib / bestCopy);
    const double ratio = bestPlain / bestSave;
    std::printf("ratio to plain reads: %.2f (target at least 0.60); ratio to a plain copy: %.2f\n", ratio, bestCopy / bestSave);
    run("cd '" + out.string() + "' && sha256sum big.bin | cut -d' ' -f1 | cmp -s - '" + (dir / "bench-big.sha256").string() +
        "' && echo 'sha256 matches' || echo 'sha256 DIFFERS'");
    return ratio >= 0.6 ? 0 : 1;
}

int deepNtfs() {
    BigVolume big;
    if (!big.open()) return 2;
    const fs::path& vdi = big.vdi;
    salvor::FileReadSeekVdi& source = big.source;
    size_t found = 0;
    int64_t volumeBytes = 0;
    const int rc = compare("NTFS Deep scan:", vdi.string(), 0.5, [&] {
        salvor::ntfs parser;
        parser.source = &source;
        parser.volume = big.volume;
        parser.recoveryMode = 3;
        parser.prepareVolume();
        parser.readBootSector();
        parser.deepScan();
        found = parser.entries.size();
        volumeBytes = parser.volumeSize;
    });
    std::printf("records kept: %zu; volume %.0f MiB of the %.0f MiB disk (the rates above are per disk byte)\n", found,
                static_cast<double>(volumeBytes) / 1048576.0, static_cast<double>(source.diskSize()) / 1048576.0);
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "vdi-read";
    if (what == "vdi-read") return vdiRead(argc > 2 ? argv[2] : makeFullVdi(512));
    if (what == "scan") return sectorScan(argc > 2 ? argv[2] : makeFullVdi(512));
    if (what == "ls-ntfs") return lsAgainstFls("bench-ntfs", "bench-ntfs");
    if (what == "ls-fat") return lsAgainstFls("bench-fat", "bench-fat");
    if (what == "save-ntfs") return saveNtfs(argc > 2 && std::string(argv[2]) == "--cold");
    if (what == "deep-ntfs") return deepNtfs();
    std::fprintf(stderr, "usage: salvor-bench vdi-read|scan [IMAGE] | ls-ntfs | ls-fat | save-ntfs | deep-ntfs\n");
    return 2;
}

#include "discovery/partition.h"

#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <set>

#include "discovery/boot_sector.h"
#include "image/read_write_interface.h"
#include "platform/codepage.h"
#include "util/endian.h"

namespace salvor {

namespace {

constexpr int64_t kMiB = 1 << 20;

std::string format(const char* fmt, long long v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// A size is listed when it is at least 1 MiB and no larger than the disk.
bool listable(int64_t sizeBytes, int64_t diskSectors) {
    return sizeBytes >= kMiB && sizeBytes <= diskSectors * 512;
}

bool isExtSuperblock(readWriteInterface& source, int64_t startSector) {
    uint8_t s[512];
    if (!source.seek((startSector + 2) << 9, 0) || !source.read(s, sizeof s)) return false;
    return le16(s + 56) == 0xEF53;
}

}  // namespace

void Partition::status(const std::string& text) {
    if (sink) sink->setStatus(text);
}

void Partition::add(const std::string& fileSystem, const std::string& sizeText, int64_t startSector,
                    int64_t sectorCount) {
    VolumeRecord r;
    r.fileSystem = fileSystem;
    r.name = std::to_string(records.size());
    r.sizeText = sizeText;
    r.startSector = startSector;
    r.sectorCount = sectorCount;
    records.push_back(r);
    if (onFound) onFound(records.back());
}

int Partition::scanPartitionTables(readWriteInterface& source, int64_t diskSectors) {
    ntfsCount_ = 0;
    mbrNtfsCount_ = 0;
    uint8_t first[1024];
    const bool ok = source.seek(0, 0) && source.read(first, sizeof first);
    if (ok && useGpt) return walkGpt(source, diskSectors, first + 512);
    if (!ok && (!source.seek(0, 0) || !source.read(first, 512))) return EIO;
    return walkMbr(source, diskSectors, first);
}

int Partition::walkGpt(readWriteInterface& source, int64_t diskSectors, const uint8_t* h) {
    const uint64_t arrayLba = le64(h + 72);
    uint64_t count = le32(h + 80);
    const uint32_t entrySize = le32(h + 84);
    // Entries are at least 128 bytes and a multiple of 8; the array must lie on the disk.
    if (entrySize < 128 || entrySize > 4096 || entrySize % 8 != 0) return 0;
    if (arrayLba < 1 || arrayLba >= static_cast<uint64_t>(diskSectors)) return 0;
    count = std::min<uint64_t>(count, kMaxGptEntries);
    const uint64_t room = (static_cast<uint64_t>(diskSectors) - arrayLba) * 512;
    count = std::min<uint64_t>(count, room / entrySize);
    std::vector<uint8_t> array(static_cast<size_t>(count * entrySize));
    if (!array.empty() && (!source.seek(static_cast<int64_t>(arrayLba) << 9, 0) ||
                           !source.read(array.data(), static_cast<uint32_t>(array.size()))))
        return EIO;

    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* e = array.data() + i * entrySize;
        static const uint8_t zero[16] = {};
        if (std::memcmp(e, zero, 16) == 0) continue;  // unused entry
        const uint64_t first = le64(e + 32);
        const uint64_t last = le64(e + 40);
        if (first <= 2 || first >= static_cast<uint64_t>(diskSectors)) continue;
        const std::string name = platform::utf16ToUtf8(e + 56, 36, false, true);
        if (name == "Microsoft reserved partition") continue;

        const int64_t start = static_cast<int64_t>(first);
        uint8_t boot[512];
        if (!source.seek(start << 9, 0) || !source.read(boot, sizeof boot)) return EIO;
        const BootSectorInfo info = classifyBootSector(boot, false);
        const int64_t mib = info.sizeBytes / kMiB;
        switch (info.kind) {
            case VolumeKind::Ntfs:
                if (listable(info.sizeBytes, diskSectors)) {
                    add("NTFS", format("%d   MB", mib), start, info.sizeBytes / 512);
                    status(format("found NTFS %d...", ++ntfsCount_));
                }
                continue;
            case VolumeKind::Fat12:
            case VolumeKind::Fat16:
            case VolumeKind::Fat32:
            case VolumeKind::Exfat: {
                static const char* kStatus[] = {"found FAT 12...", "found FAT 16...", "found FAT 32...", "found FAT 64..."};
                const int k = info.kind == VolumeKind::Fat12 ? 0 : info.kind == VolumeKind::Fat16 ? 1
                            : info.kind == VolumeKind::Fat32 ? 2 : 3;
                status(kStatus[k]);
                if (listable(info.sizeBytes, diskSectors))
                    add(fileSystemName(info.kind), format("%lld  MB", mib), start, info.sizeBytes / 512);
                continue;
            }
            case VolumeKind::UnknownFat:
                status("found unknown...");
                continue;
            default:
                break;
        }
        std::string fs = name;
        if (isHfsPlusVolume(source, start)) fs = "HFS+";
        else if (isExtSuperblock(source, start)) fs = "extX";
        // An end past the disk is cut at the disk: no size text beyond it.
        const uint64_t end = std::min<uint64_t>(last, static_cast<uint64_t>(diskSectors) - 1);
        const int64_t sectors = end >= first ? static_cast<int64_t>(end - first) : 0;
        add(fs, format("%lld", sectors / 2048), start, sectors + 1);
    }
    return 0;
}

void Partition::addMbrEntry(readWriteInterface& source, uint8_t type, int64_t start, uint32_t count, bool inEbr) {
    std::string fs = "Unknown";
    std::string line = "found UNKNOWN...";
    switch (type) {
        case 0x01: fs = "FAT12"; line.clear(); break;
        case 0x04: case 0x06: case 0x0E: fs = "FAT16"; line = "found FAT 16..."; break;
        case 0x07:
            if (isExfatBootSector(source, start)) {
                fs = "FAT64";
                line = "found FAT64...";
            } else {
                fs = "NTFS";
                line = inEbr ? "found NTFS..." : format("found NTFS %d...", ++mbrNtfsCount_);
            }
            break;
        case 0x0B: case 0x0C: fs = "FAT32"; line = "found FAT 32..."; break;
        case 0x42:
            if (!inEbr) { fs = "NTFS"; line = "NTFS..."; }
            break;
        case 0x83: fs = "extX"; line = inEbr ? "found extx..." : "found ext2..."; break;
        default: break;
    }
    if (!line.empty()) status(line);
    add(fs, format("%lld   MB", static_cast<long long>(count >> 11)), start, count);
}

namespace {
struct TableEntry {
    uint8_t type;
    uint32_t first;
    uint32_t count;
};
// The four entries of an MBR or EBR sector.
std::array<TableEntry, 4> tableEntries(const uint8_t* sector) {
    std::array<TableEntry, 4> out{};
    for (int i = 0; i < 4; ++i) {
        const uint8_t* e = sector + 446 + 16 * i;
        out[static_cast<size_t>(i)] = {e[4], le32(e + 8), le32(e + 12)};
    }
    return out;
}
}  // namespace

int Partition::walkMbr(readWriteInterface& source, int64_t diskSectors, const uint8_t* s0) {
    int64_t extendedBase = -1;
    for (const auto [type, first, count] : tableEntries(s0)) {
        if (type == 0x00) continue;  // empty entry: the ones after it still count
        if (type == 0x05 || type == 0x0F) {
            if (extendedBase < 0 && first > 0 && first < diskSectors) extendedBase = first;
            continue;
        }
        if (first == 0 || first >= diskSectors) continue;  // cannot be a volume of this disk
        addMbrEntry(source, type, first, count, false);
    }
    if (extendedBase < 0) return 0;

    // The chain of extended boot records: each may hold logical volumes and a
    // link to the next, relative to the extended partition's start.
    std::set<int64_t> visited;
    int64_t ebrOffset = 0;
    for (int step = 0; step < kEbrLimit; ++step) {
        const int64_t ebr = extendedBase + ebrOffset;
        if (ebr >= diskSectors || !visited.insert(ebr).second) break;
        uint8_t sector[512];
        if (!source.seek(ebr << 9, 0) || !source.read(sector, sizeof sector)) return EIO;
        int64_t next = -1;
        for (const auto [type, first, count] : tableEntries(sector)) {
            if (type == 0x00) continue;
            if (type == 0x05 || type == 0x0F) {
                if (next < 0) next = first;
                continue;
            }
            const int64_t start = ebr + first;
            if (first == 0 || start >= diskSectors) continue;
            addMbrEntry(source, type, start, count, true);
        }
        if (next <= 0) break;
        ebrOffset = next;
    }
    return 0;
}

uint32_t Partition::scanSectors(readWriteInterface& source, int64_t diskSectors, platform::WorkerControl* control) {
    ntfsCount_ = 0;
    auto stopped = [&] { return control && control->stopRequested(); };
    status("Scanning partition.....");
    if (sink) sink->setRange(0, 1000);

    int64_t sectorNo = customStartSector > 0 ? customStartSector : 0;
    int64_t chunkStart = sectorNo * 512;
    const int64_t endByte = customEndSector > 0 ? customEndSector * 512 : 0;
    std::vector<uint8_t> buffer(kChunkBytes + 512, 0);  // one spare sector: HFS+ headers need no second read

    while (sectorNo >= 0 && sectorNo < diskSectors) {
        if (control && !control->poll()) {
            status("Scanned Partitions");
            break;
        }
        if (customEndSector > 0 && endByte < chunkStart) break;
        // The last chunk of the disk may be short: it is read up to the disk's end.
        const int64_t chunkSectors = std::min<int64_t>(kChunkBytes / 512, diskSectors - sectorNo);
        const uint32_t chunkBytes = static_cast<uint32_t>(chunkSectors * 512);
        if (!source.seek(chunkStart, 0) || !source.read(buffer.data(), chunkBytes)) return EIO;

        int64_t index = 0;
        while (index < chunkSectors) {
            if (stopped()) break;
            const uint8_t* s = buffer.data() + index * 512;
            const int64_t here = sectorNo + index;
            int64_t size = 0;
            VolumeKind kind = VolumeKind::None;
            if (s[0] == 0xEB) {
                const BootSectorInfo info = classifyBootSector(s, true);
                kind = info.kind;
                size = info.sizeBytes;
                switch (kind) {
                    case VolumeKind::Fat12: status("found FAT 12..."); break;
                    case VolumeKind::Fat16: status("found FAT 16..."); break;
                    case VolumeKind::Fat32: status("found FAT 32..."); break;
                    case VolumeKind::Exfat: status("found FAT 64..."); break;
                    case VolumeKind::UnknownFat: status("found unknown..."); break;
                    default: break;
                }
            } else if (isHfsPlusHeader(s) && here >= 2) {
                kind = VolumeKind::Hfsplus;
                size = hfsPlusSize(s);
                if (size / kMiB > 0x13FFFFF) size = -1;
            }
            int64_t skipTo = index + 1;
            if (kind != VolumeKind::None && kind != VolumeKind::UnknownFat && listable(size, diskSectors)) {
                const int64_t mib = size / kMiB;
                const int64_t start = kind == VolumeKind::Hfsplus ? here - 2 : here;
                if (kind == VolumeKind::Ntfs) {
                    add("NTFS", format("%d   MB", mib), start, size / 512);
                    status(format("found NTFS %d...", ++ntfsCount_));
                } else {
                    add(fileSystemName(kind), format("%lld  MB", mib), start, size / 512);
                    if (kind == VolumeKind::Hfsplus) status("found HFS+...");
                }
                if (skipVolumeSize) {
                    // Land on the first sector after the volume. NTFS counts
                    // its backup boot sector outside the stated size.
                    const int64_t volumeEnd = start + size / 512 + (kind == VolumeKind::Ntfs ? 1 : 0);
                    skipTo = std::max<int64_t>(index + 1, volumeEnd - sectorNo);
                }
            }
            index = skipTo;
        }
        if (stopped()) {
            status("Scanned Partitions");
            break;
        }
        sectorNo += index;
        chunkStart += index * 512;
        if (sink && diskSectors > 0)
            sink->setPosition(static_cast<int64_t>(static_cast<double>(sectorNo) / static_cast<double>(diskSectors) * 1000.0));
    }
    return 1;
}

}  // namespace salvor

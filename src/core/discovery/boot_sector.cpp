#include "discovery/boot_sector.h"

#include <cstring>

#include "image/read_write_interface.h"
#include "util/endian.h"

namespace salvor {

namespace {
bool fatJump(const uint8_t* s) { return s[0] == 0xEB && (s[1] == 0x3C || s[1] == 0x58 || s[1] == 0x76); }
bool powerOfTwo(unsigned v) { return v != 0 && (v & (v - 1)) == 0; }
}  // namespace

bool parseFatBpb(const uint8_t* s, FatBpb& b) {
    if (!fatJump(s) || le16(s + 510) != 0xAA55) return false;
    b = FatBpb{};
    b.bytesPerSector = le16(s + 11);
    b.sectorsPerCluster = s[13];
    b.reservedSectors = le16(s + 14);
    b.fatCount = s[16];
    b.rootEntries = le16(s + 17);
    const uint16_t total16 = le16(s + 19);
    const uint16_t fat16 = le16(s + 22);
    if (b.bytesPerSector != 512 && b.bytesPerSector != 1024 && b.bytesPerSector != 2048 && b.bytesPerSector != 4096)
        return false;
    if (!powerOfTwo(b.sectorsPerCluster) || b.reservedSectors == 0 || (b.fatCount != 1 && b.fatCount != 2)) return false;
    b.totalSectors = total16 ? total16 : le32(s + 32);
    b.fat32Layout = fat16 == 0;
    b.sectorsPerFat = fat16 ? fat16 : le32(s + 36);
    if (b.fat32Layout) b.rootCluster = le32(s + 44);
    const uint64_t rootDirSectors = (static_cast<uint64_t>(b.rootEntries) * 32 + b.bytesPerSector - 1) / b.bytesPerSector;
    const uint64_t meta = b.reservedSectors + static_cast<uint64_t>(b.fatCount) * b.sectorsPerFat + rootDirSectors;
    b.clusterCount = b.totalSectors > meta ? (b.totalSectors - meta) / b.sectorsPerCluster : 0;
    return true;
}

BootSectorInfo classifyBootSector(const uint8_t* s, bool requireNtfsName) {
    BootSectorInfo info;
    if (s[0] == 0xEB && s[1] == 0x52 && le16(s + 11) == 512 && (!requireNtfsName || std::memcmp(s + 3, "NTFS", 4) == 0)) {
        info.kind = VolumeKind::Ntfs;
        const int64_t total = static_cast<int64_t>(le64(s + 40));
        info.sizeBytes = total > 0 && total < (INT64_MAX >> 9) ? total * 512 : -1;
        return info;
    }
    if (!fatJump(s)) return info;
    if (std::memcmp(s + 3, "EXFA", 4) == 0) {
        info.kind = VolumeKind::Exfat;
        const uint64_t length = le64(s + 72);
        const unsigned shift = (s[108] >= 9 && s[108] <= 12) ? s[108] : 9;
        info.sizeBytes = length < (static_cast<uint64_t>(INT64_MAX) >> shift) ? static_cast<int64_t>(length << shift) : -1;
        return info;
    }
    FatBpb b;
    if (!parseFatBpb(s, b)) {
        info.kind = VolumeKind::UnknownFat;
        return info;
    }
    info.sizeBytes = static_cast<int64_t>(b.totalSectors) * b.bytesPerSector;
    if (b.fat32Layout) info.kind = b.sectorsPerFat ? VolumeKind::Fat32 : VolumeKind::UnknownFat;
    else info.kind = b.clusterCount < 4085 ? VolumeKind::Fat12 : VolumeKind::Fat16;
    if (info.kind == VolumeKind::UnknownFat) info.sizeBytes = 0;
    return info;
}

bool isHfsPlusHeader(const uint8_t* s) { return s[0] == 'H' && s[1] == '+' && s[2] == 0; }

int64_t hfsPlusSize(const uint8_t* s) {
    return static_cast<int64_t>(static_cast<uint64_t>(be32(s + 44)) * be32(s + 40));
}

bool isExfatBootSector(readWriteInterface& source, int64_t startSector) {
    uint8_t s[512];
    if (!source.seek(startSector << 9, 0) || !source.read(s, sizeof s)) return false;
    return fatJump(s) && std::memcmp(s + 3, "EXFA", 4) == 0;
}

bool isHfsPlusVolume(readWriteInterface& source, int64_t startSector) {
    uint8_t s[512];
    if (!source.seek((startSector + 2) << 9, 0) || !source.read(s, sizeof s)) return false;
    return isHfsPlusHeader(s);
}

std::string fileSystemName(VolumeKind kind) {
    switch (kind) {
        case VolumeKind::Ntfs: return "NTFS";
        case VolumeKind::Fat12: return "FAT12";
        case VolumeKind::Fat16: return "FAT16";
        case VolumeKind::Fat32: return "FAT32";
        case VolumeKind::Exfat: return "FAT64";
        case VolumeKind::Hfsplus: return "HFS+";
        case VolumeKind::UnknownFat: return "UNKNOWN";
        case VolumeKind::None: break;
    }
    return "Unknown";
}

}  // namespace salvor

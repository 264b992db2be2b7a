#pragma once
// Recognising the first sector of a volume: NTFS, FAT12/16/32 and exFAT boot
// sectors, and the HFS+ volume header.
#include <cstdint>
#include <string>

namespace salvor {

class readWriteInterface;

enum class VolumeKind { None, Ntfs, Fat12, Fat16, Fat32, UnknownFat, Exfat, Hfsplus };

struct BootSectorInfo {
    VolumeKind kind = VolumeKind::None;
    // Volume length in bytes as the boot sector states it (may be nonsense
    // for damaged sectors: callers bound it).
    int64_t sizeBytes = 0;
};

// The BIOS parameter block of a FAT boot sector.
struct FatBpb {
    uint16_t bytesPerSector = 0;
    uint8_t sectorsPerCluster = 0;
    uint16_t reservedSectors = 0;
    uint8_t fatCount = 0;
    uint16_t rootEntries = 0;
    uint32_t totalSectors = 0;   // from the 16-bit field, else the 32-bit one
    uint32_t sectorsPerFat = 0;  // from the 16-bit field, else the FAT32 one
    bool fat32Layout = false;    // the 16-bit FAT size is 0
    uint32_t rootCluster = 0;    // FAT32 only
    uint64_t clusterCount = 0;   // data clusters
};

// True when `s` (512 bytes) holds a valid BIOS parameter block: a jump
// (0xEB with 0x3C, 0x58 or 0x76), 512, 1024, 2048 or 4096 bytes per sector,
// sectors per cluster a power of two, reserved sectors above 0, one or two
// FATs and the signature 0x55AA at 510. The OEM name is not looked at.
bool parseFatBpb(const uint8_t* s, FatBpb& out);

// Classifies a 512-byte sector. `requireNtfsName`: NTFS also needs "NTFS" at
// bytes 3-6 (the sector scan); the partition walk does without it.
BootSectorInfo classifyBootSector(const uint8_t* s, bool requireNtfsName);

// HFS+ volume header (the sector 1024 bytes into the volume): 'H', '+', 0.
bool isHfsPlusHeader(const uint8_t* s);
// Size in bytes of the HFS+ volume whose header is `s` (total blocks x block size).
int64_t hfsPlusSize(const uint8_t* s);

// Reads the sector and tests it; any failed read gives false.
bool isExfatBootSector(readWriteInterface& source, int64_t startSector);
bool isHfsPlusVolume(readWriteInterface& source, int64_t startSector);

// The name a kind is listed under: "NTFS", "FAT12", "FAT16", "FAT32",
// "FAT64", "HFS+".
std::string fileSystemName(VolumeKind kind);

}  // namespace salvor

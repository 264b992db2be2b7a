#pragma once
// One volume found on the virtual disk.
#include <cstdint>
#include <string>

namespace salvor {

struct VolumeRecord {
    // "NTFS", "FAT12", "FAT16", "FAT32", "FAT64" (exFAT), "extX", "HFS+",
    // "Unknown", "UNKNOWN", a GPT partition's name, "CUSTOM", or an override
    // ("ntfs", "fat16", "fat32", "fat64", "extX", "HFS+", "RAW"). Compared
    // without regard to case.
    std::string fileSystem;
    std::string reserved;  // always empty
    // Row number on the volume list.
    std::string name;
    // Size in MiB as a decimal number, maybe followed by a unit text.
    std::string sizeText;
    // Absolute first sector on the virtual disk.
    int64_t startSector = 0;
    // Exact length in sectors where the finder knew it, else 0.
    int64_t sectorCount = 0;

    bool operator==(const VolumeRecord&) const = default;
};

// The leading decimal number of a text ("23   MB" -> 23); 0 when there is none.
// Leading blanks are skipped; the value saturates instead of overflowing.
int64_t leadingNumber(const std::string& text);

// Compares two texts without regard to ASCII case.
bool equalsNoCase(const std::string& a, const std::string& b);

}  // namespace salvor

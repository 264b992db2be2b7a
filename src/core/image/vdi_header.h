#pragma once
// The VDI image header (format version 1.1, the first 472 bytes of the file).
#include <cstdint>

namespace salvor {

inline constexpr uint32_t kVdiSignature = 0xBEDA107F;
inline constexpr int kVdiHeaderBytes = 472;
inline constexpr uint32_t kVdiBlockFree = 0xFFFFFFFF;  // block never written
inline constexpr uint32_t kVdiBlockZero = 0xFFFFFFFE;  // block discarded: reads as zeros

struct VdiHeader {
    uint32_t signature = 0;        // 0x40
    uint32_t formatVersion = 0;    // 0x44
    uint32_t headerSize = 0;       // 0x48
    uint32_t imageType = 0;        // 0x4C: 1 dynamic, 2 fixed
    uint32_t blockMapOffset = 0;   // 0x154
    uint32_t dataOffset = 0;       // 0x158
    uint32_t cylinders = 0;        // 0x15C
    uint32_t heads = 0;            // 0x160
    uint32_t sectorsPerTrack = 0;  // 0x164
    uint32_t sectorSize = 0;       // 0x168
    uint64_t diskSize = 0;         // 0x170
    uint32_t blockSize = 0;        // 0x178
    uint32_t blockExtraData = 0;   // 0x17C
    uint32_t blockMapEntries = 0;  // 0x180
    uint32_t allocatedBlocks = 0;  // 0x184

    // Decodes the fields from the first kVdiHeaderBytes bytes of the file.
    static VdiHeader parse(const uint8_t* bytes);
    bool hasSignature() const { return signature == kVdiSignature; }
    // "Size of HDD:" in whole MiB (the value divided in double precision and
    // truncated, on the signed 64-bit size).
    int64_t sizeInMegabytes() const;
};

}  // namespace salvor

#include <string>

namespace salvor {

// Reads the header of the VDI file at `path` without opening it as a disk.
// False with a reason in `error` when the file cannot be read or is too short
// to hold a header; the signature is not checked here (see hasSignature()).
bool readVdiHeaderFile(const std::string& path, VdiHeader& out, std::string& error);

}  // namespace salvor

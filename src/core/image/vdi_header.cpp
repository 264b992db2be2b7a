#include "image/vdi_header.h"

#include "util/endian.h"

namespace salvor {

VdiHeader VdiHeader::parse(const uint8_t* b) {
    VdiHeader h;
    h.signature = le32(b + 0x40);
    h.formatVersion = le32(b + 0x44);
    h.headerSize = le32(b + 0x48);
    h.imageType = le32(b + 0x4C);
    h.blockMapOffset = le32(b + 0x154);
    h.dataOffset = le32(b + 0x158);
    h.cylinders = le32(b + 0x15C);
    h.heads = le32(b + 0x160);
    h.sectorsPerTrack = le32(b + 0x164);
    h.sectorSize = le32(b + 0x168);
    h.diskSize = le64(b + 0x170);
    h.blockSize = le32(b + 0x178);
    h.blockExtraData = le32(b + 0x17C);
    h.blockMapEntries = le32(b + 0x180);
    h.allocatedBlocks = le32(b + 0x184);
    return h;
}

int64_t VdiHeader::sizeInMegabytes() const {
    const double mb = static_cast<double>(static_cast<int64_t>(diskSize)) / 1048576.0;
    return static_cast<int64_t>(mb);
}

}  // namespace salvor

#include "platform/file.h"

namespace salvor {

bool readVdiHeaderFile(const std::string& path, VdiHeader& out, std::string& error) {
    platform::ReadOnlyFile f;
    if (!f.open(path)) {
        error = "cannot open " + path + ": " + f.lastError();
        return false;
    }
    uint8_t raw[kVdiHeaderBytes];
    if (f.readAt(0, raw, sizeof raw) != sizeof raw) {
        error = path + " is too short to be a VDI image";
        return false;
    }
    out = VdiHeader::parse(raw);
    return true;
}

}  // namespace salvor

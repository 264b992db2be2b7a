#include "image/vdi_reader.h"

#include "platform/prompter.h"
#include "util/endian.h"

namespace salvor {

namespace {
bool isUnallocated(uint32_t entry) { return entry == kVdiBlockFree || entry == kVdiBlockZero; }
}  // namespace

bool FileReadSeekVdi::open(const std::string& path) {
    blockMap_.clear();
    blockCount_ = 0;
    header_ = VdiHeader{};
    if (!file_.open(path)) {
        platform::prompter().message("invalid handle ...");
        return false;
    }
    fileSize = file_.size();

    uint8_t raw[kVdiHeaderBytes];
    if (file_.readAt(0, raw, sizeof raw) != sizeof raw) return false;
    header_ = VdiHeader::parse(raw);
    const VdiHeader& h = header_;
    if (!h.hasSignature()) return false;
    if (static_cast<int64_t>(h.diskSize) <= 0 || h.headerSize == 0 || h.allocatedBlocks == 0) return false;
    if (h.blockSize == 0 || h.blockSize % kSectorSize != 0) return false;

    // The map must lie inside the file: that also bounds the memory it needs.
    const int64_t mapBytes = static_cast<int64_t>(h.blockMapEntries) * 4;
    if (static_cast<int64_t>(h.blockMapOffset) + mapBytes > fileSize) return false;

    std::vector<uint8_t> rawMap(static_cast<size_t>(mapBytes));
    if (file_.readAt(h.blockMapOffset, rawMap.data(), rawMap.size()) != rawMap.size()) return false;
    blockMap_.resize(h.blockMapEntries);
    for (size_t i = 0; i < blockMap_.size(); ++i) blockMap_[i] = le32(rawMap.data() + 4 * i);
    blockCount_ = static_cast<int64_t>(blockMap_.size());
    return true;
}

bool FileReadSeekVdi::allocatedAt(int64_t diskOffset) const {
    if (diskOffset < 0 || diskOffset >= mappedSize()) return false;
    return !isUnallocated(blockMap_[static_cast<size_t>(diskOffset / header_.blockSize)]);
}

readWriteInterface::Extent FileReadSeekVdi::mapExtent(int64_t diskOffset, int64_t maxLength) const {
    Extent e;
    if (diskOffset < 0 || diskOffset >= mappedSize()) return e;
    const int64_t blockSize = header_.blockSize;
    size_t block = static_cast<size_t>(diskOffset / blockSize);
    const int64_t inBlock = diskOffset % blockSize;
    const uint32_t entry = blockMap_[block];
    e.length = blockSize - inBlock;
    if (isUnallocated(entry)) {
        e.kind = Extent::Zero;
        while (e.length < maxLength && block + 1 < blockMap_.size() && isUnallocated(blockMap_[block + 1])) {
            ++block;
            e.length += blockSize;
        }
        return e;
    }
    e.kind = Extent::Data;
    e.file = &file_;
    e.fileOffset = static_cast<int64_t>(header_.dataOffset) + static_cast<int64_t>(entry) * blockSize + inBlock;
    // Blocks that follow each other in the file too are read in one go.
    uint32_t expect = entry;
    while (e.length < maxLength && block + 1 < blockMap_.size() && expect + 1 != 0 &&
           blockMap_[block + 1] == expect + 1 && !isUnallocated(expect + 1)) {
        ++block;
        ++expect;
        e.length += blockSize;
    }
    return e;
}

}  // namespace salvor

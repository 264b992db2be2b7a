#pragma once
// Reader for VDI images (dynamic and fixed: both carry the header and a block
// map). Unallocated blocks read as zeros.
#include <vector>

#include "image/read_write_interface.h"
#include "image/vdi_header.h"
#include "platform/file.h"

namespace salvor {

class FileReadSeekVdi : public readWriteInterface {
public:
    // Opens read-only. "invalid handle ..." when the file cannot be opened for
    // reading; false without a message when the header is not a VDI header or
    // its values do not fit the file: no signature, disk size not above 0,
    // header size 0, no allocated blocks, block size 0 or not a multiple of
    // 512, or a block map that does not lie inside the file. Opening again
    // closes the earlier file.
    bool open(const std::string& path) override;

    int64_t diskSize() const override { return static_cast<int64_t>(header_.diskSize); }
    int64_t mappedSize() const override { return blockCount_ * static_cast<int64_t>(header_.blockSize); }
    bool allocatedAt(int64_t diskOffset) const override;

    const VdiHeader& header() const { return header_; }
    uint32_t sectorsPerBlock() const { return header_.blockSize >> 9; }
    int64_t blockCount() const { return blockCount_; }
    const std::vector<uint32_t>& blockMap() const { return blockMap_; }

protected:
    Extent mapExtent(int64_t diskOffset, int64_t maxLength) const override;

private:
    platform::ReadOnlyFile file_;
    VdiHeader header_;
    std::vector<uint32_t> blockMap_;
    int64_t blockCount_ = 0;
};

}  // namespace salvor

#pragma once
// A flat disk image: the file is the disk, byte for byte.
#include "image/read_write_interface.h"
#include "platform/file.h"

namespace salvor {

class FileReadSeekRaw : public readWriteInterface {
public:
    bool open(const std::string& path) override;
    int64_t diskSize() const override { return file_.size(); }
    int64_t mappedSize() const override { return file_.size(); }
    bool allocatedAt(int64_t diskOffset) const override { return diskOffset >= 0 && diskOffset < file_.size(); }

protected:
    Extent mapExtent(int64_t diskOffset, int64_t maxLength) const override;

private:
    platform::ReadOnlyFile file_;
};

}  // namespace salvor

#include "image/raw_reader.h"

#include <algorithm>

#include "platform/prompter.h"

namespace salvor {

bool FileReadSeekRaw::open(const std::string& path) {
    if (!file_.open(path)) {
        platform::prompter().message("invalid handle ...");
        return false;
    }
    fileSize = file_.size();
    return true;
}

readWriteInterface::Extent FileReadSeekRaw::mapExtent(int64_t diskOffset, int64_t maxLength) const {
    Extent e;
    if (diskOffset < 0 || diskOffset >= file_.size()) return e;
    e.kind = Extent::Data;
    e.file = &file_;
    e.fileOffset = diskOffset;
    e.length = std::min(maxLength, file_.size() - diskOffset);
    return e;
}

}  // namespace salvor

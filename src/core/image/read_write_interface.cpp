#include "image/read_write_interface.h"

#include <algorithm>
#include <cstring>

namespace salvor {

bool readWriteInterface::seek(int64_t newPosition, int origin) {
    if (origin == 1) newPosition += position;
    else if (origin != 0) return false;
    position = newPosition;
    const int64_t absolute = newPosition + baseOffset;
    if (absolute < 0 || absolute >= mappedSize()) return false;
    blockAllocated = allocatedAt(absolute);
    return true;
}

bool readWriteInterface::read(void* buffer, uint32_t byteCount) {
    const int64_t absolute = position + baseOffset;
    const bool ok = readAt(absolute, buffer, byteCount);
    position += byteCount;
    const int64_t next = position + baseOffset;
    if (next >= 0 && next < mappedSize()) blockAllocated = allocatedAt(next);
    return ok;
}

bool readWriteInterface::readAt(int64_t diskOffset, void* buffer, size_t n) const {
    auto* out = static_cast<unsigned char*>(buffer);
    bool ok = true;
    size_t done = 0;
    while (done < n) {
        const int64_t remaining = static_cast<int64_t>(n - done);
        const int64_t at = diskOffset + static_cast<int64_t>(done);
        Extent e = at < 0 ? Extent{} : mapExtent(at, remaining);
        if (e.kind == Extent::Outside || e.length <= 0) {
            std::memset(out + done, 0, n - done);
            return false;
        }
        const size_t len = static_cast<size_t>(std::min(e.length, remaining));
        if (e.kind == Extent::Zero) {
            std::memset(out + done, 0, len);
        } else {
            const size_t got = e.file ? e.file->readAt(e.fileOffset, out + done, len) : 0;
            if (got < len) {
                std::memset(out + done + got, 0, len - got);
                ok = false;
            }
        }
        done += len;
    }
    return ok;
}

}  // namespace salvor

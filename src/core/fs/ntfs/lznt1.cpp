#include "fs/ntfs/lznt1.h"

#include <algorithm>

#include "util/endian.h"

namespace salvor::ntfs_format {

namespace {
constexpr size_t kChunk = 4096;

// One compressed chunk into `out` (appended); false when it is damaged.
bool decodeChunk(const uint8_t* p, size_t n, size_t limit, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    size_t i = 0;
    while (i < n && out.size() < limit) {
        const uint8_t flags = p[i++];
        for (int bit = 0; bit < 8 && i < n && out.size() < limit; ++bit) {
            if (!(flags & (1u << bit))) {
                out.push_back(p[i++]);
                continue;
            }
            if (i + 2 > n) return false;
            const uint16_t token = le16(p + i);
            i += 2;
            // The split between offset and length moves with the position in the chunk.
            const size_t pos = out.size() - start;
            if (pos == 0) return false;
            unsigned lengthBits = 12;
            for (size_t x = pos - 1; x >= 0x10; x >>= 1) --lengthBits;
            const size_t offset = (token >> lengthBits) + 1u;
            size_t length = (token & ((1u << lengthBits) - 1)) + 3u;
            if (offset > pos) return false;
            while (length-- > 0 && out.size() < limit && out.size() - start < kChunk) out.push_back(out[out.size() - offset]);
        }
    }
    return true;
}
}  // namespace

bool lznt1Decompress(const uint8_t* in, size_t n, size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    size_t i = 0;
    while (i + 2 <= n && out.size() < limit) {
        const uint16_t header = le16(in + i);
        if (header == 0) break;
        i += 2;
        const size_t size = (header & 0x0FFF) + 1u;
        if (i + size > n) return false;
        if (header & 0x8000) {
            if (!decodeChunk(in + i, size, std::min(limit, out.size() + kChunk), out)) return false;
        } else {
            // A chunk stored as is.
            const size_t take = std::min(size, limit - out.size());
            out.insert(out.end(), in + i, in + i + take);
        }
        i += size;
    }
    return true;
}

}  // namespace salvor::ntfs_format

#include "fs/ntfs/mft_record.h"

#include <cstring>

#include "util/endian.h"

namespace salvor::ntfs_format {

bool hasFileSignature(const uint8_t* rec) { return std::memcmp(rec, "FILE", 4) == 0; }

void applyFixup(Record& rec) {
    const uint16_t usaOffset = le16(rec.data() + 4);
    const uint16_t usaCount = le16(rec.data() + 6);
    if (usaCount < 2) return;
    for (uint32_t n = 1; n < usaCount && 512 * n <= kRecordSize; ++n) {
        const uint32_t from = usaOffset + 2u * n;
        if (from + 2 > kRecordSize) break;
        const uint32_t to = 512 * n - 2;
        rec[to] = rec[from];
        rec[to + 1] = rec[from + 1];
    }
}

std::vector<Attribute> walkAttributes(const Record& rec) {
    std::vector<Attribute> out;
    uint32_t offset = le16(rec.data() + 0x14);
    while (offset + 8 <= kRecordSize) {
        const uint8_t* p = rec.data() + offset;
        const uint32_t type = le32(p);
        if (type == kEndMarker) break;
        const uint32_t length = le32(p + 4);
        if (length < 16 || offset + length > kRecordSize) break;
        Attribute a;
        a.type = type;
        a.offset = offset;
        a.length = length;
        a.nonResident = p[8] != 0;
        a.nameLength = p[9];
        a.flags = le16(p + 0x0C);
        out.push_back(a);
        offset += length;
    }
    return out;
}

bool residentValue(const Record& rec, const Attribute& a, const uint8_t*& value, uint32_t& length) {
    if (a.nonResident || a.length < 0x18) return false;
    const uint8_t* p = rec.data() + a.offset;
    const uint32_t len = le32(p + 0x10);
    const uint16_t off = le16(p + 0x14);
    if (off > a.length || len > a.length - off) return false;
    value = p + off;
    length = len;
    return true;
}

bool nonResidentHeader(const Record& rec, const Attribute& a, NonResident& out) {
    if (!a.nonResident || a.length < 0x40) return false;
    const uint8_t* p = rec.data() + a.offset;
    out.firstVcn = static_cast<int64_t>(le64(p + 0x10));
    out.lastVcn = static_cast<int64_t>(le64(p + 0x18));
    out.runListOffset = le16(p + 0x20);
    out.compressionUnit = le16(p + 0x22);
    out.allocatedSize = static_cast<int64_t>(le64(p + 0x28));
    out.realSize = static_cast<int64_t>(le64(p + 0x30));
    out.initializedSize = static_cast<int64_t>(le64(p + 0x38));
    return out.runListOffset < a.length;
}

bool RunDecoder::decode(const uint8_t* bytes, size_t n, uint64_t maxClusters, std::vector<DataRun>& out) {
    size_t p = 0;
    while (p < n) {
        const uint8_t h = bytes[p];
        const unsigned L = h & 0x0F;
        const unsigned O = h >> 4;
        if (L == 0) return false;
        ++p;
        if (L > 8 || O > 8 || p + L + O > n) return false;  // a field runs off the list: cut here
        uint64_t count = 0;
        for (unsigned i = 0; i < L; ++i) count |= static_cast<uint64_t>(bytes[p + i]) << (8 * i);
        p += L;
        int64_t delta = 0;
        if (O > 0) {
            uint64_t raw = 0;
            for (unsigned i = 0; i < O; ++i) raw |= static_cast<uint64_t>(bytes[p + i]) << (8 * i);
            if (O < 8 && (bytes[p + O - 1] & 0x80)) raw |= ~uint64_t{0} << (8 * O);
            delta = static_cast<int64_t>(raw);
        }
        p += O;
        lcn = static_cast<int64_t>(static_cast<uint64_t>(lcn) + static_cast<uint64_t>(delta));
        if (count <= maxClusters && total <= maxClusters - count) {
            total += count;
            out.push_back({O == 0 ? 0 : lcn, count});
        } else {
            total = UINT64_MAX;  // past the attribute's clusters: this run and the rest are dropped
        }
    }
    return true;
}

}  // namespace salvor::ntfs_format

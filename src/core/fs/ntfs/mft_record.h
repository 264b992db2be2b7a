#pragma once
// The FILE record layer of NTFS: a 1024-byte MFT record, its update-sequence
// fixup, the walk over its attribute headers and the decoder of data runs.
// Every length, offset and count is checked against the record before use.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace salvor::ntfs_format {

inline constexpr size_t kRecordSize = 1024;
inline constexpr uint32_t kStandardInformation = 0x10;
inline constexpr uint32_t kAttributeList = 0x20;
inline constexpr uint32_t kFileName = 0x30;
inline constexpr uint32_t kData = 0x80;
inline constexpr uint32_t kEndMarker = 0xFFFFFFFF;

using Record = std::array<uint8_t, kRecordSize>;

// Patches the sector ends of `rec` from its update sequence array. Entries
// that lie outside the record are not used; a torn record is used as patched.
void applyFixup(Record& rec);

bool hasFileSignature(const uint8_t* rec);

// One attribute header, located in the record.
struct Attribute {
    uint32_t type = 0;
    uint32_t offset = 0;  // from the record's start
    uint32_t length = 0;  // within the record
    bool nonResident = false;
    uint8_t nameLength = 0;  // 0 for the unnamed stream
    uint16_t flags = 0;   // 0x0001 compressed, 0x4000 encrypted, 0x8000 sparse
};

// The attributes in record order, up to the end marker (not included). An
// attribute whose length is 0 or runs past the record ends the walk.
std::vector<Attribute> walkAttributes(const Record& rec);

// A resident attribute's value inside the record; false when it does not fit
// inside the attribute.
bool residentValue(const Record& rec, const Attribute& a, const uint8_t*& value, uint32_t& length);

struct NonResident {
    int64_t firstVcn = 0;
    int64_t lastVcn = 0;
    uint16_t runListOffset = 0;
    uint16_t compressionUnit = 0;
    int64_t allocatedSize = 0;
    int64_t realSize = 0;
    int64_t initializedSize = 0;
};
// The header fields of a non-resident attribute; false when they do not fit.
bool nonResidentHeader(const Record& rec, const Attribute& a, NonResident& out);

// One run of clusters; startCluster 0 marks a sparse run (no clusters on disk).
struct DataRun {
    int64_t startCluster = 0;
    uint64_t clusterCount = 0;
    bool operator==(const DataRun&) const = default;
};

// Decodes a run list. `lcn` and `total` carry over between attributes of one
// file; runs whose cumulative count exceeds `maxClusters` are dropped. Returns
// false when a header with a zero length field ended the list.
struct RunDecoder {
    int64_t lcn = 0;
    uint64_t total = 0;
    bool decode(const uint8_t* bytes, size_t n, uint64_t maxClusters, std::vector<DataRun>& out);
};

}  // namespace salvor::ntfs_format

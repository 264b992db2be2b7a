#pragma once
// The NTFS parser: finds the MFT (from the boot sector, or by scanning the
// volume when the boot sector is damaged), lists its records, gives each its
// name, parent and flags from $FILE_NAME, links them into a tree and inserts
// the first level into the browse page's tree. It answers the entry face for
// its records.
#include <functional>
#include <string>
#include <vector>

#include "browse/entry_face.h"
#include "fs/ntfs/mft_record.h"

namespace salvor {

struct MftEntry {
    char signature[4] = {};
    int64_t recordOffset = 0;  // from the volume's first byte
    std::string name;
    bool hasName = false;
    int64_t parent = 0;
    int64_t allocatedSize = 0;
    uint16_t recordFlags = 0;  // bit 0: in use
    char kind = 0;             // 'D' for a directory
    int64_t ownIndex = 0;
    uint8_t orphan = 0;
    int64_t firstChild = 0;    // below 1: none
    int64_t nextSibling = 0;   // below 1: none
    // Linking state: the last child (so appending is constant time) and the
    // node this one was linked under.
    int64_t lastChild = 0;
    int64_t linkedParent = -1;
    bool linked = false;

    bool isFile() const { return signature[0] == 'F' && signature[1] == 'I' && signature[2] == 'L' && signature[3] == 'E'; }
};

// The description of a record's $DATA.
struct DataInfo {
    uint16_t valuePosition = 0;
    int32_t valueLength = 0;
    uint16_t compressionUnit = 0;
    int64_t firstVcn = 0;
    int64_t lastVcn = 0;
    char residency = 0;  // 'R', 'N' or 0 without $DATA
    std::string dataText;
    int64_t allocatedSize = 0;
    int64_t realSize = 0;
    int64_t initializedSize = 0;
    bool compressed = false;  // the compression bit, whatever other flags are set
};

class ntfs : public VolumeParser {
public:
    // Calling order of Standard mode.
    void prepareVolume();
    bool readBootSector();
    bool locateMft();
    void readMftRecords();
    bool parseRecord(size_t index);
    void buildEntryTree();

    bool parse() override;

    // Deep mode: every FILE record of the volume, in volume order.
    bool deepScan();
    // Advanced mode: places where a whole MFT begins ($MFT, then $Boot seven
    // records later). Returns how many were found (at least up to `maxFound`).
    uint32_t findMftCopies(uint32_t maxFound);
    // Takes the MFT runs of found copy `index`.
    bool loadRunsFromFound(size_t index);
    // Advanced choices made on the advanced-input page.
    size_t chosenCandidate = 0;
    int chosenClusterSectors = 0;
    // Byte offsets (from the volume start) of the MFT copies found.
    std::vector<int64_t> foundMfts;
    bool empty() const override;
    std::string finalStatus() const override { return "Processing done..."; }

    // Record layer: reads the 1024-byte record at `offset` (volume-relative)
    // and fixes it up. False when it lies outside the disk.
    bool readRecord(int64_t offset, ntfs_format::Record& rec) const;
    // Runs of the first non-resident attributes of `type` in the record at
    // `recordOffset` (decoding goes on into later ones of the type while the
    // list has no end).
    std::vector<ntfs_format::DataRun> runsOf(int64_t recordOffset, uint32_t type, uint64_t* clusters = nullptr) const;
    DataInfo dataInfo(size_t index, bool& hasData, bool& hasAttributeList) const;
    std::vector<int64_t> extentRecords(size_t index) const;

    // Writes plain or compressed data from runs, cut at `realSize`; bytes past
    // `initializedSize` are zeros. False when some cluster could not be read.
    bool writeRuns(const std::vector<ntfs_format::DataRun>& runs, int64_t realSize, int64_t initializedSize,
                   platform::ByteSink& out, int64_t& written) const;
    bool writeCompressed(const std::vector<ntfs_format::DataRun>& runs, uint32_t unitClusters, int64_t realSize,
                         platform::ByteSink& out, int64_t& written) const;

    // Entry face.
    bool validRef(EntryRef r) const override;
    bool isFolder(EntryRef r) const override { return validRef(r) && entries[r].kind == 'D'; }
    bool isDeleted(EntryRef r) const override { return validRef(r) && !(entries[r].recordFlags & 1); }
    std::string entryName(EntryRef r) const override { return validRef(r) ? entries[r].name : std::string(); }
    std::optional<EntryRef> firstChildOf(EntryRef r) const override;
    std::optional<EntryRef> nextSiblingOf(EntryRef r) const override;
    EntryTexts entryTimeTexts(EntryRef r) override;
    std::string entrySizeText(EntryRef r) override;
    int64_t entrySize(EntryRef r) override;
    SaveOutcome saveEntry(EntryRef r, platform::ByteSink& out) override;
    Times entryTimes(EntryRef r) override;
    bool skipDescend(EntryRef r) const override { return validRef(r) && entries[r].name == "."; }
    bool skipWrite(EntryRef r) const override { return validRef(r) && entries[r].name == "$BadClus"; }
    void renameEntry(EntryRef r, const std::string& name) override;
    bool fillInheritsCheck() const override { return true; }
    bool expandEmptiesList() const override { return false; }
    bool doubleClickFillsWithPlaceholder() const override { return true; }
    RecycleStyle recycleStyle() const override { return RecycleStyle::PerUserFolders; }

    // State.
    std::vector<MftEntry> entries;
    std::vector<ntfs_format::DataRun> mftRuns;
    uint8_t bootSector[512] = {};
    int64_t volumeSize = 0;
    int64_t clusterSize = 4096;
    int64_t mftOffset = 0;
    bool mftLocated = false;
    bool runsPending = true;
    int64_t orphanIndex = -1;
    int64_t rootIndex = 5;
    TreeItem rootItem = kNoItem;

    static constexpr int64_t kScanChunk = 10 * 1024 * 1024;
    // The $MFT's data size in bytes when known (bounds the records listed).
    int64_t mftBytes = 0;
    // No MFT is listed beyond this many records, whatever its runs claim.
    static constexpr int64_t kMaxRecords = int64_t{1} << 26;

private:
    bool bootSectorValid() const;
    int64_t bootClusterSize() const;
    bool scanForMft();
    int64_t mftDataSize(int64_t recordOffset) const;
    // Byte offset of a cluster in the volume; -1 outside it (reads then fail as zeros).
    int64_t clusterOffset(int64_t cluster) const;
    // Whether a 512-byte step can start a FILE record worth parsing.
    static bool plausibleRecord(const uint8_t* sector);
    // Reads the volume in chunks and calls `onRecord(offset, record)` for each
    // plausible record (returns the bytes to move on by); ends when it
    // returns 0 or the stop is asked.
    void scanRecords(int64_t limit, const std::function<size_t(int64_t, ntfs_format::Record&)>& onRecord, const std::function<bool(int64_t)>& beforeChunk);
    void relinkDeep();
    void link(size_t i, int64_t p);
    void appendChild(int64_t parentIndex, size_t child);
    bool wouldCycle(size_t child, int64_t parentIndex) const;
    void gatherOrphans();
};

}  // namespace salvor

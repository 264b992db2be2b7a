#pragma once
// The FAT parsers: FAT32 (Fat32Class) and FAT12/16 (Fat16Class). The root
// directory and every folder are walked through the FAT's cluster chains into
// a flat list of entry records (live and deleted) with parent links; the
// root-level entries go into the tree, deeper ones are filled by the page.
#include <string>
#include <vector>

#include "browse/entry_face.h"
#include "discovery/boot_sector.h"

namespace salvor {

struct FatEntryRecord {
    uint8_t attributes = 0;
    uint8_t createTimeTenths = 0;
    uint16_t createTime = 0;
    uint16_t createDate = 0;
    uint16_t accessDate = 0;
    uint16_t firstClusterHigh = 0;
    uint16_t writeTime = 0;
    uint16_t writeDate = 0;
    uint16_t firstClusterLow = 0;
    uint32_t fileSize = 0;
    uint8_t deleted = 0;
    std::string name;
    uint32_t parentIndex = 0;
    uint32_t selfIndex = 0;
    int64_t firstChild = -1;   // record index, -1: none
    int64_t nextSibling = -1;
    int64_t lastChild = -1;

    uint32_t firstCluster() const { return (static_cast<uint32_t>(firstClusterHigh) << 16) | firstClusterLow; }
    bool isFolder() const { return (attributes & 0x10) != 0 && attributes != 0x0F; }
};

class FatParserBase : public VolumeParser {
public:
    enum class Kind { Fat12, Fat16, Fat32 };

    bool parse() override;
    bool empty() const override { return records.size() <= 1; }

    // Accepts a valid parameter block of this parser's kinds, whatever its
    // OEM name. Sets the geometry.
    bool readBootSector();
    // The FAT into memory, decoded to one entry per cluster.
    void loadFat();
    // The next cluster of a chain, or 0 at its end (end marks, bad and free
    // clusters, clusters outside the volume).
    uint32_t nextCluster(uint32_t cluster) const;
    // The clusters of a chain from `first`; a cluster met twice ends it.
    std::vector<uint32_t> chain(uint32_t first, size_t maxClusters) const;
    void walkDirectories();
    void linkEntries();
    void fillTree();

    // "8.3" text of the 11 name bytes: case flags of byte 12 applied, padding
    // removed, a dot only before an extension.
    static std::string shortNameText(const uint8_t* name11, uint8_t caseFlags, const char* codepage = "CP850");
    static uint8_t shortNameChecksum(const uint8_t* name11);

    // Entry face.
    bool validRef(EntryRef r) const override { return r < records.size(); }
    bool isFolder(EntryRef r) const override { return validRef(r) && records[r].isFolder(); }
    bool isDeleted(EntryRef r) const override;
    std::string entryName(EntryRef r) const override { return validRef(r) ? records[r].name : std::string(); }
    std::optional<EntryRef> firstChildOf(EntryRef r) const override;
    std::optional<EntryRef> nextSiblingOf(EntryRef r) const override;
    EntryTexts entryTimeTexts(EntryRef r) override;
    std::string entrySizeText(EntryRef r) override;
    int64_t entrySize(EntryRef r) override { return validRef(r) && !records[r].isFolder() ? records[r].fileSize : 0; }
    SaveOutcome saveEntry(EntryRef r, platform::ByteSink& out) override;
    Times entryTimes(EntryRef r) override;
    void renameEntry(EntryRef r, const std::string& name) override {
        if (validRef(r)) records[r].name = name;
    }

    // "Is Drive Formated..?": file data is taken from consecutive clusters.
    bool driveFormatted = false;

    std::vector<FatEntryRecord> records;
    Kind kind = Kind::Fat32;
    FatBpb bpb;
    bool bootValid = false;
    int64_t volumeSize = 0;
    int64_t clusterSize = 0;
    int64_t fatStart = 0;
    int64_t rootStart = 0;   // FAT12/16: the fixed root region
    int64_t rootBytes = 0;
    int64_t dataStart = 0;   // cluster 2
    uint32_t clusterCount = 0;
    std::vector<uint32_t> fat;
    TreeItem rootItem = kNoItem;

protected:
    virtual bool acceptsKind(Kind k) const = 0;
    virtual const char* fsLabel() const = 0;  // "Fat32", "Fat16"

private:
    int64_t clusterOffset(uint32_t c) const { return dataStart + static_cast<int64_t>(c - 2) * clusterSize; }
    // Walks the slots of one directory's bytes into records under `parent`;
    // folders found are queued for walking.
    void walkSlots(const std::vector<uint8_t>& bytes, uint32_t parent, bool expectDot,
                   std::vector<std::pair<uint32_t, uint32_t>>& pending);
    // The clusters' bytes, runs of neighbouring clusters read together (what
    // cannot be read is zeros: a folder then simply shows fewer entries).
    std::vector<uint8_t> readClusters(const std::vector<uint32_t>& clusters) const;
    // How many clusters from `i` on follow each other on disk (at most `maxClusters`).
    static size_t runLength(const std::vector<uint32_t>& clusters, size_t i, size_t maxClusters);
};

class Fat32Class : public FatParserBase {
public:
    RecycleStyle recycleStyle() const override { return RecycleStyle::Folder; }
    std::string rejectMessage() const override { return "Selected Drive is not in Fat32 Format"; }

protected:
    bool acceptsKind(Kind k) const override { return k == Kind::Fat32; }
    const char* fsLabel() const override { return "Fat32"; }
};

class Fat16Class : public FatParserBase {
public:
    std::string rejectMessage() const override { return "Selected Drive is not in Fat16 Format"; }
    std::string firstMessage() const override { return "done..."; }

protected:
    bool acceptsKind(Kind k) const override { return k != Kind::Fat32; }
    const char* fsLabel() const override { return "Fat16"; }
};

}  // namespace salvor

#pragma once
// Finding the volumes of a virtual disk: the standard scan reads the partition
// tables (MBR with its chain of extended boot records, or GPT); the sector scan
// looks at every sector for the first sector of a volume.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "discovery/volume_record.h"
#include "platform/worker.h"

namespace salvor {

class readWriteInterface;

class Partition {
public:
    // Settings of one scan.
    bool useGpt = false;          // standard scan: read the GPT instead of the MBR
    bool skipVolumeSize = true;   // sector scan: jump over a volume once found
    int64_t customStartSector = 0;  // sector scan range; 0 = not given
    int64_t customEndSector = 0;

    // Status lines and progress go here (may be null).
    platform::ProgressSink* sink = nullptr;
    // Called for each volume as it is found, after it was appended to records.
    std::function<void(const VolumeRecord&)> onFound;

    // The volumes found, in the order found.
    std::vector<VolumeRecord> records;

    // Standard scan. `source` must have baseOffset 0; `diskSectors` bounds every
    // table and partition. Returns 0 when it ran to its end, or EIO when a table
    // sector could not be read (the records found before stay).
    int scanPartitionTables(readWriteInterface& source, int64_t diskSectors);

    // Sector scan over [customStartSector, disk end or the chunk holding
    // customEndSector]. Polls `control` (may be null) for Stop and Pause.
    // Returns 1 when it ended by its range, the disk's end or a stop, or EIO
    // when a chunk could not be read.
    uint32_t scanSectors(readWriteInterface& source, int64_t diskSectors, platform::WorkerControl* control);

    static constexpr int kEbrLimit = 50;
    static constexpr int kMaxGptEntries = 128;
    static constexpr size_t kChunkBytes = 1 << 20;

private:
    void status(const std::string& text);
    void add(const std::string& fileSystem, const std::string& sizeText, int64_t startSector, int64_t sectorCount);
    int walkGpt(readWriteInterface& source, int64_t diskSectors, const uint8_t* header);
    int walkMbr(readWriteInterface& source, int64_t diskSectors, const uint8_t* sector0);
    void addMbrEntry(readWriteInterface& source, uint8_t type, int64_t start, uint32_t count, bool inEbr);

    int ntfsCount_ = 0;
    int mbrNtfsCount_ = 0;
};

}  // namespace salvor

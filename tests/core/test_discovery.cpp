// Volume discovery: partition tables, boot-sector recognition and the sector
// scan, on disks made by real tools and on small hostile hand-made disks.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "discovery/boot_sector.h"
#include "discovery/partition.h"
#include "discovery/volume_scan.h"
#include "fixture.h"
#include "image/raw_reader.h"
#include "image/vdi_reader.h"
#include "util/endian.h"

using namespace salvor;

namespace {

struct Row {
    std::string fs;
    std::string size;
    int64_t start;
    bool operator==(const Row&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Row& r) { return o << "{" << r.fs << ", '" << r.size << "', " << r.start << "}"; }

std::vector<Row> rowsOf(const Partition& p) {
    std::vector<Row> rows;
    for (const auto& r : p.records) rows.push_back({r.fileSystem, r.sizeText, r.startSector});
    return rows;
}

std::string listedName(const std::string& manifestFs) {
    static const std::map<std::string, std::string> names = {
        {"NTFS", "NTFS"}, {"FAT12", "FAT12"}, {"FAT16", "FAT16"}, {"FAT32", "FAT32"}, {"exFAT", "FAT64"},
        {"EXT2", "extX"}, {"EXT3", "extX"}, {"EXT4", "extX"}, {"HFS+", "HFS+"}};
    return names.at(manifestFs);
}

struct Disk {
    FileReadSeekVdi source;
    nlohmann::json manifest;
    int64_t sectors = 0;
    explicit Disk(const std::string& group) : manifest(test::manifest(group)) {
        EXPECT_TRUE(source.open(test::fixturePath(group + ".vdi")));
        sectors = source.diskSize() / 512;
    }
};

TEST(StandardScan, MbrWithExtendedChainListsEveryVolume) {
    for (const char* group : {"mbr", "fatoem"}) {
        SCOPED_TRACE(group);
        Disk d(group);
        Partition p;
        ASSERT_EQ(p.scanPartitionTables(d.source, d.sectors), 0);
        std::vector<Row> expected;
        for (const auto& v : d.manifest["volumes"]) {
            int64_t sectors = v["sectors"];
            expected.push_back({listedName(v["fs"]), std::to_string(sectors >> 11) + "   MB", v["start"]});
        }
        EXPECT_EQ(rowsOf(p), expected);
        for (size_t i = 0; i < p.records.size(); ++i) EXPECT_EQ(p.records[i].name, std::to_string(i));
    }
}

TEST(StandardScan, GptListsDataPartitionsAndSkipsTheReservedOne) {
    Disk d("gpt");
    Partition p;
    p.useGpt = true;
    ASSERT_EQ(p.scanPartitionTables(d.source, d.sectors), 0);
    std::vector<Row> expected;
    for (const auto& v : d.manifest["volumes"]) {
        const std::string fs = listedName(v["fs"]);
        const int64_t sectors = v["sectors"];
        std::string size;
        if (fs == "NTFS") size = std::to_string((sectors - 1) * 512 / 1048576) + "   MB";  // mkntfs keeps the last sector back
        else if (fs == "FAT32" || fs == "FAT64") size = std::to_string(sectors * 512 / 1048576) + "  MB";
        else size = std::to_string((sectors - 1) / 2048);  // from the GPT entry, no unit
        expected.push_back({fs, size, v["start"]});
    }
    EXPECT_EQ(rowsOf(p), expected);
    // The reserved partition takes no row and no number.
    ASSERT_FALSE(p.records.empty());
    EXPECT_EQ(p.records[0].name, "0");

    Partition asMbr;
    ASSERT_EQ(asMbr.scanPartitionTables(d.source, d.sectors), 0);
    ASSERT_EQ(asMbr.records.size(), 1u);
    EXPECT_EQ(asMbr.records[0].fileSystem, "Unknown");
    EXPECT_EQ(asMbr.records[0].startSector, 1);
}

TEST(SectorScan, FindsVolumesWithoutATable) {
    Disk d("notable");
    std::vector<Row> expected;
    for (const auto& v : d.manifest["volumes"]) {
        if (v["fs"] == "EXT4") continue;  // the sector scan knows no ext
        const std::string fs = listedName(v["fs"]);
        const int64_t sectors = v["sectors"];
        const int64_t mib = (fs == "NTFS" ? sectors - 1 : sectors) * 512 / 1048576;
        expected.push_back({fs, std::to_string(mib) + (fs == "NTFS" ? "   MB" : "  MB"), v["start"]});
    }
    Partition skip;
    EXPECT_EQ(skip.scanSectors(d.source, d.sectors, nullptr), 1u);
    EXPECT_EQ(rowsOf(skip), expected);

    // Without skipping, the backup boot sectors show up as well (NTFS at its
    // last sector, FAT32 at sector 6, exFAT at sector 12) and the filter hides them.
    Partition all;
    all.skipVolumeSize = false;
    all.scanSectors(d.source, d.sectors, nullptr);
    std::vector<int64_t> starts;
    for (const auto& r : all.records) starts.push_back(r.startSector);
    EXPECT_EQ(starts, (std::vector<int64_t>{2048, 2048 + 32767, 36864, 36864 + 6, 120832, 155648, 155648 + 12}));
    std::vector<Row> kept;
    for (size_t i : filteredRows(all.records)) kept.push_back({all.records[i].fileSystem, all.records[i].sizeText, all.records[i].startSector});
    EXPECT_EQ(kept, rowsOf(skip));

    // A custom range examines the chunk that holds its end, and no further.
    Partition range;
    range.customStartSector = 36864;
    range.customEndSector = 36865;
    range.scanSectors(d.source, d.sectors, nullptr);
    ASSERT_EQ(range.records.size(), 1u);
    EXPECT_EQ(range.records[0].fileSystem, "FAT32");

    Partition beyond;
    beyond.customStartSector = d.sectors;
    beyond.customEndSector = d.sectors + 10;
    EXPECT_EQ(beyond.scanSectors(d.source, d.sectors, nullptr), 1u);
    EXPECT_TRUE(beyond.records.empty());
}

TEST(SectorScan, StopKeepsTheRowsFoundSoFar) {
    Disk d("notable");
    platform::WorkerControl control;
    struct Status : platform::NullProgress {
        std::vector<std::string> lines;
        void setStatus(const std::string& t) override { lines.push_back(t); }
    } status;
    Partition p;
    p.sink = &status;
    p.onFound = [&](const VolumeRecord&) { control.requestStop(); };
    EXPECT_EQ(p.scanSectors(d.source, d.sectors, &control), 1u);
    ASSERT_EQ(p.records.size(), 1u);
    EXPECT_EQ(p.records[0].startSector, 2048);
    EXPECT_EQ(status.lines.front(), "Scanning partition.....");
    EXPECT_EQ(status.lines.back(), "Scanned Partitions");
}

// ---------------------------------------------------------------------------
// Boot sectors.

std::string fatBootSector(const char* group, size_t volume) {
    const auto m = test::manifest(group);
    FileReadSeekVdi src;
    EXPECT_TRUE(src.open(test::fixturePath(std::string(group) + ".vdi")));
    std::string s(512, '\0');
    src.readAt(m["volumes"][volume]["start"].get<int64_t>() * 512, s.data(), 512);
    return s;
}

TEST(BootSector, FatIsKnownByItsParameterBlockWhateverItsOemName) {
    const std::string fat16 = fatBootSector("mbr", 3), fat12 = fatBootSector("mbr", 2), fat32 = fatBootSector("mbr", 1);
    for (const char* oem : {"MSDOS5.0", "mkfs.fat", "MSWIN4.1", "BSD  4.4"}) {
        SCOPED_TRACE(oem);
        for (auto [sector, kind] : {std::pair{fat16, VolumeKind::Fat16}, std::pair{fat12, VolumeKind::Fat12},
                                    std::pair{fat32, VolumeKind::Fat32}}) {
            std::memcpy(sector.data() + 3, oem, 8);
            EXPECT_EQ(classifyBootSector(reinterpret_cast<const uint8_t*>(sector.data()), true).kind, kind);
        }
    }
    struct Bad { const char* what; size_t at; int width; uint32_t value; };
    for (const Bad& b : {Bad{"bytes per sector", 11, 2, 300}, Bad{"cluster size", 13, 1, 3}, Bad{"reserved", 14, 2, 0},
                         Bad{"FAT count", 16, 1, 3}, Bad{"signature", 510, 2, 0x1234}}) {
        SCOPED_TRACE(b.what);
        std::string s = fat16;
        for (int i = 0; i < b.width; ++i) s[b.at + i] = static_cast<char>((b.value >> (8 * i)) & 0xFF);
        EXPECT_EQ(classifyBootSector(reinterpret_cast<const uint8_t*>(s.data()), true).kind, VolumeKind::UnknownFat);
    }
}

// ---------------------------------------------------------------------------
// Small hand-made disks for what no tool writes: hostile tables.

struct HandDisk {
    std::string bytes;
    explicit HandDisk(int64_t sectors) : bytes(static_cast<size_t>(sectors * 512), '\0') {}
    uint8_t* at(int64_t sector) { return reinterpret_cast<uint8_t*>(bytes.data()) + sector * 512; }
    void entry(int64_t tableSector, int slot, uint8_t type, uint32_t first, uint32_t count) {
        uint8_t* e = at(tableSector) + 446 + 16 * slot;
        e[4] = type;
        for (int i = 0; i < 4; ++i) {
            e[8 + i] = static_cast<uint8_t>(first >> (8 * i));
            e[12 + i] = static_cast<uint8_t>(count >> (8 * i));
        }
        at(tableSector)[510] = 0x55;
        at(tableSector)[511] = 0xAA;
    }
    template <class T>
    void put(int64_t byteOffset, T v) {
        for (size_t i = 0; i < sizeof(T); ++i) bytes[static_cast<size_t>(byteOffset) + i] = static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF);
    }
    std::unique_ptr<FileReadSeekRaw> open(const std::string& name) {
        const std::string path = test::scratchFolder("hand-" + name) + "/disk.raw";
        test::writeFile(path, bytes);
        auto src = std::make_unique<FileReadSeekRaw>();
        EXPECT_TRUE(src->open(path));
        return src;
    }
};

std::vector<Row> scanTables(HandDisk& d, const std::string& name, bool gpt, int* rc = nullptr) {
    auto src = d.open(name);
    Partition p;
    p.useGpt = gpt;
    const int r = p.scanPartitionTables(*src, src->diskSize() / 512);
    if (rc) *rc = r;
    return rowsOf(p);
}

TEST(HostileTables, MbrEntriesAndTheExtendedChain) {
    {   // An empty entry does not end the table; a primary after the extended one counts.
        HandDisk d(4096);
        d.entry(0, 0, 0x83, 100, 2048);
        d.entry(0, 2, 0x05, 2200, 1800);
        d.entry(0, 3, 0x0C, 1000, 1000);
        d.entry(2200, 0, 0x83, 10, 100);
        EXPECT_EQ(scanTables(d, "mbr-gaps", false),
                  (std::vector<Row>{{"extX", "1   MB", 100}, {"FAT32", "0   MB", 1000}, {"extX", "0   MB", 2210}}));
    }
    {   // EBRs that link to themselves and to each other: each is read once.
        HandDisk d(4096);
        d.entry(0, 0, 0x05, 1000, 3000);
        d.entry(1000, 0, 0x83, 10, 100);
        d.entry(1000, 1, 0x05, 500, 100);
        d.entry(1500, 0, 0x06, 10, 100);
        d.entry(1500, 1, 0x05, 0, 100);  // back to the first EBR
        int rc = -1;
        EXPECT_EQ(scanTables(d, "ebr-loop", false, &rc),
                  (std::vector<Row>{{"extX", "0   MB", 1010}, {"FAT16", "0   MB", 1510}}));
        EXPECT_EQ(rc, 0);
        HandDisk self(4096);
        self.entry(0, 0, 0x0F, 1000, 3000);
        self.entry(1000, 0, 0x83, 10, 100);
        self.entry(1000, 1, 0x0F, 0, 100);
        EXPECT_EQ(scanTables(self, "ebr-self", false).size(), 1u);
    }
    {   // Partitions and links past the disk's end are passed over.
        HandDisk d(4096);
        d.entry(0, 0, 0x07, 0xFFFFFF00u, 100);
        d.entry(0, 1, 0x0C, 3000, 0xFFFFFFFFu);
        d.entry(0, 2, 0x05, 2000, 100);
        d.entry(2000, 0, 0x83, 0x7FFFFFFF, 100);
        d.entry(2000, 1, 0x05, 0x7FFFFFFF, 100);
        EXPECT_EQ(scanTables(d, "mbr-past-end", false), (std::vector<Row>{{"FAT32", "2097151   MB", 3000}}));
    }
}

HandDisk gptDisk(uint64_t arrayLba, uint32_t count, uint32_t entrySize) {
    HandDisk d(8192);
    d.entry(0, 0, 0xEE, 1, 8191);
    std::memcpy(d.at(1), "EFI PART", 8);
    d.put<uint64_t>(512 + 72, arrayLba);
    d.put<uint32_t>(512 + 80, count);
    d.put<uint32_t>(512 + 84, entrySize);
    return d;
}

void gptEntry(HandDisk& d, uint64_t arrayLba, int index, uint8_t typeByte, uint64_t first, uint64_t last, const char* name) {
    const int64_t e = static_cast<int64_t>(arrayLba) * 512 + index * 128;
    d.bytes[static_cast<size_t>(e)] = static_cast<char>(typeByte);
    d.put<uint64_t>(e + 32, first);
    d.put<uint64_t>(e + 40, last);
    for (size_t i = 0; name[i]; ++i) d.put<uint16_t>(e + 56 + 2 * static_cast<int64_t>(i), static_cast<uint16_t>(name[i]));
}

TEST(HostileTables, GptHeaderAndEntries) {
    {   // The array position is the whole 64-bit field; unused entries are skipped.
        HandDisk d = gptDisk(2 + 256 * 0, 0xFFFFFFFFu, 128);  // claims 2^32 - 1 entries
        gptEntry(d, 2, 0, 0x30, 3000, 5047, "Data one");   // type starting with 0x30 is fine now
        gptEntry(d, 2, 2, 0xA2, 100, 99, "Reversed");
        gptEntry(d, 2, 3, 0xA2, 9000, 9999, "Past the end");
        gptEntry(d, 2, 127, 0xA2, 6000, 8191, "Last slot");
        EXPECT_EQ(scanTables(d, "gpt-huge-count", true),
                  (std::vector<Row>{{"Data one", "0", 3000}, {"Reversed", "0", 100}, {"Last slot", "1", 6000}}));
    }
    {
        HandDisk d = gptDisk(300, 4, 128);
        gptEntry(d, 300, 1, 0xA2, 1000, 3048, "High array");
        EXPECT_EQ(scanTables(d, "gpt-high-array", true), (std::vector<Row>{{"High array", "1", 1000}}));
    }
    for (auto [lba, size] : {std::pair<uint64_t, uint32_t>{1ull << 40, 128}, {8191, 128}, {2, 0}, {2, 64}, {2, 4100}}) {
        HandDisk d = gptDisk(lba, 128, size);
        EXPECT_TRUE(scanTables(d, "gpt-bad", true).size() <= 0u) << lba << " " << size;
    }
}

TEST(HostileTables, SizesThatDoNotFitAreNotListed) {
    std::string fat32 = fatBootSector("mbr", 1);
    HandDisk d(8192);
    std::memcpy(d.at(2048), fat32.data(), 512);
    d.put<uint32_t>(2048 * 512 + 32, 0x80000010u);  // top bit set
    const std::string ntfs = fatBootSector("mbr", 0);
    std::memcpy(d.at(4096), ntfs.data(), 512);
    d.put<uint64_t>(4096 * 512 + 40, 1ull << 40);  // beyond the disk
    std::memcpy(d.at(6000), ntfs.data(), 512);
    d.put<uint64_t>(6000 * 512 + 40, 0x8000000000000001ull);  // negative as int64
    auto src = d.open("sizes");
    Partition p;
    p.scanSectors(*src, 8192, nullptr);
    EXPECT_TRUE(p.records.empty()) << rowsOf(p).size();
}

TEST(SectorScan, VolumesBackToBackAndInTheLastShortChunk) {
    // Two 1 MiB FAT12 volumes, the second right after the first, and a third
    // in the disk's last, partial chunk.
    std::string fat12 = fatBootSector("fatoem", 0);
    HandDisk d(3 * 2048 + 2048 + 5);
    auto place = [&](int64_t sector) {
        std::memcpy(d.at(sector), fat12.data(), 512);
        d.put<uint16_t>(sector * 512 + 19, 2048);
    };
    place(2048);
    place(4096);
    place(6144 + 3);
    auto src = d.open("back-to-back");
    Partition p;
    p.scanSectors(*src, src->diskSize() / 512, nullptr);
    EXPECT_EQ(rowsOf(p), (std::vector<Row>{{"FAT12", "1  MB", 2048}, {"FAT12", "1  MB", 4096}, {"FAT12", "1  MB", 6147}}));
}

TEST(VolumeList, CustomSettingsAndRowTexts) {
    VolumeRecord r{"NTFS", "", "0", "23   MB", 2048, 0};
    EXPECT_EQ(defaultEndSector("23   MB", "2048"), 23 * 2048 + 2048 - 1);
    EXPECT_EQ(defaultEndSector("0", "2048"), 0);
    applyCustomSettings(r, "2048", "4095", "");
    EXPECT_EQ(r.sizeText, "1");
    EXPECT_EQ(r.fileSystem, "NTFS");  // no choice: kept
    applyCustomSettings(r, "5000", "100", "EXTX");
    EXPECT_EQ(r.sizeText, "0");
    EXPECT_EQ(r.fileSystem, "extX");
    EXPECT_EQ(r.startSector, 5000);
    const VolumeRecord back = recordFromRow("3", "FAT32", "40   MB", "51200");
    EXPECT_EQ(back.sizeText, "40");
    EXPECT_EQ(back.startSector, 51200);
    EXPECT_EQ(fileSystemChoices(), (std::vector<std::string>{"EXTX", "FAT16", "FAT32", "FAT64", "HFS+", "NTFS", "RAW"}));
    EXPECT_EQ(leadingNumber("  99999999999999999999999"), INT64_MAX);
}

}  // namespace

// The NTFS parser against volumes made by mkntfs and ntfs-3g, checked against
// the manifests, and against hand-patched copies for what no tool writes.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

#include "browse/entry_browser.h"
#include "browse/entry_walk.h"
#include "browse/texts.h"
#include "fixture.h"
#include "ntfs_helpers.h"
#include "fs/ntfs/ntfs.h"
#include "image/raw_reader.h"
#include "image/vdi_reader.h"
#include "platform/time_conv.h"
#include "util/endian.h"

using namespace salvor;
using namespace salvor::ntfs_format;
using salvor::test::Parsed;
using salvor::test::VolumeCopy;
using salvor::test::vdi;

namespace {

std::string timeText(int64_t unixSeconds) { return fileTimeText(platform::unixToFileTime(unixSeconds)); }

class NtfsFixtures : public ::testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(NtfsFixtures, EveryManifestEntryAtItsPathWithItsTexts) {
    const auto [group, volumeIndex] = GetParam();
    const auto vol = test::manifest(group)["volumes"][volumeIndex];
    ASSERT_EQ(vol["fs"], "NTFS");
    Parsed p(vdi(group), vol["start"], vol["sectors"]);
    int live = 0, deleted = 0;
    for (const auto& e : vol["entries"]) {
        const std::string path = "ROOT/" + e["path"].get<std::string>();
        SCOPED_TRACE(path);
        auto it = p.byPath.find(path);
        ASSERT_NE(it, p.byPath.end());
        const EntryRef r = it->second;
        EXPECT_EQ(p.parser.isFolder(r), e["kind"] == "dir");
        EXPECT_EQ(p.parser.isDeleted(r), e["deleted"].get<bool>());
        (e["deleted"].get<bool>() ? deleted : live)++;
        const EntryTexts t = p.parser.entryTimeTexts(r);
        EXPECT_EQ(t.modified, timeText(e["modified"]));
        EXPECT_EQ(t.accessed, timeText(e["accessed"]));
        EXPECT_EQ(t.created, timeText(e["created"]));
        if (e["kind"] == "file" && !e["deleted"].get<bool>()) {
            EXPECT_EQ(p.parser.entrySizeText(r), formatSizeText(e["size"]));
            EXPECT_EQ(p.parser.entrySize(r), e["size"].get<int64_t>());
        }
        if (e["hidden"].get<bool>()) {
            EXPECT_NE(t.attributes.find("-H"), std::string::npos);
        }
    }
    EXPECT_GT(live, 150);
    EXPECT_EQ(deleted, 4);

    // Records 1 to 4 are the first children of the root (record 5).
    ASSERT_EQ(p.parser.rootIndex, 5);
    std::vector<int64_t> first;
    for (auto c = p.parser.firstChildOf(5); c && first.size() < 4; c = p.parser.nextSiblingOf(*c)) first.push_back(static_cast<int64_t>(*c));
    EXPECT_EQ(first, (std::vector<int64_t>{1, 2, 3, 4}));
    // Deleted first-level entries are red in the tree; folders with children get placeholders.
    CCheckListCtrl list;
    EntryBrowser browser(p.tree, list, p.parser, p.icons);
    browser.finishTree();
    for (TreeItem c = p.tree.firstChild(p.tree.rootItem()); c; c = p.tree.nextSibling(c)) {
        const EntryRef r = p.tree.itemData(c);
        EXPECT_EQ(p.tree.textColor(c) == kDeletedColor, p.parser.isDeleted(r)) << p.tree.itemText(c);
        if (p.tree.itemText(c) == "docs") {
            EXPECT_TRUE(browser.isPlaceholder(p.tree.firstChild(c)));
        }
    }
    EXPECT_TRUE(p.byPath.count("ROOT/ORPHAN_ENTRY"));
}

INSTANTIATE_TEST_SUITE_P(Volumes, NtfsFixtures,
                         ::testing::Values(std::pair{"mbr", 0}, std::pair{"gpt", 0}, std::pair{"notable", 0}));

TEST(NtfsDamaged, WipedBootSectorStillListsTheVolumeThroughTheMftScan) {
    VolumeCopy v;
    const auto intact = v.parse("intact");
    std::memset(v.bytes.data(), 0, 512);
    const auto damaged = v.parse("wiped-boot");
    EXPECT_TRUE(damaged->sawStatus("boot sector corrupt.Scanning for first mft entry..."));
    std::vector<std::string> a, b;
    for (const auto& [path, r] : intact->byPath) a.push_back(path);
    for (const auto& [path, r] : damaged->byPath) b.push_back(path);
    EXPECT_EQ(a, b);
}

TEST(NtfsDamaged, UnusableParentsGoUnderOrphanEntryAndCyclesEnd) {
    VolumeCopy v;
    const auto intact = v.parse("intact2");
    const auto rec = [&](const std::string& path) { return intact->parser.entries[intact->byPath.at(path)].recordOffset; };
    v.putParent(v.fileNameValue(rec("ROOT/small.txt")), 0x7FFFFFFFULL);  // a parent outside the MFT
    // docs and docs/nested name each other as parent.
    const uint64_t docs = intact->byPath.at("ROOT/docs"), nested = intact->byPath.at("ROOT/docs/nested");
    v.putParent(v.fileNameValue(rec("ROOT/docs")), nested);
    const auto p = v.parse("orphans");
    EXPECT_TRUE(p->byPath.count("ROOT/ORPHAN_ENTRY/small.txt"));
    EXPECT_FALSE(p->byPath.count("ROOT/small.txt"));
    // The cycle is cut: one of the two hangs under ORPHAN_ENTRY with the other inside.
    EXPECT_TRUE(p->byPath.count("ROOT/ORPHAN_ENTRY/nested/docs") || p->byPath.count("ROOT/ORPHAN_ENTRY/docs/nested"));
    EXPECT_TRUE(p->byPath.count("ROOT/ORPHAN_ENTRY/nested/docs/report.txt"));
    (void)docs;
}

// Builds a record holding $STANDARD_INFORMATION and two $FILE_NAMEs: a DOS
// name first and the long name last.
std::string recordWithTwoNames(int64_t parentOfFirst, int64_t parentOfSecond) {
    std::string r(kRecordSize, '\0');
    std::memcpy(r.data(), "FILE", 4);
    r[0x14] = 0x38;  // first attribute
    r[0x16] = 1;     // in use
    size_t at = 0x38;
    auto attr = [&](uint32_t type, const std::string& value) {
        const uint32_t len = static_cast<uint32_t>((0x18 + value.size() + 7) & ~size_t{7});
        std::string a(len, '\0');
        for (int i = 0; i < 4; ++i) a[i] = static_cast<char>((type >> (8 * i)) & 0xFF);
        for (int i = 0; i < 4; ++i) a[4 + i] = static_cast<char>((len >> (8 * i)) & 0xFF);
        a[0x10] = static_cast<char>(value.size());
        a[0x14] = 0x18;
        std::memcpy(a.data() + 0x18, value.data(), value.size());
        std::memcpy(r.data() + at, a.data(), a.size());
        at += len;
    };
    auto fileName = [&](int64_t parent, const std::u16string& name) {
        std::string v(0x42 + 2 * name.size(), '\0');
        for (int i = 0; i < 6; ++i) v[i] = static_cast<char>((static_cast<uint64_t>(parent) >> (8 * i)) & 0xFF);
        v[0x38] = 0x20;
        v[0x40] = static_cast<char>(name.size());
        for (size_t i = 0; i < name.size(); ++i) {
            v[0x42 + 2 * i] = static_cast<char>(name[i] & 0xFF);
            v[0x43 + 2 * i] = static_cast<char>(name[i] >> 8);
        }
        attr(kFileName, v);
    };
    attr(kStandardInformation, std::string(0x48, '\0'));
    fileName(parentOfFirst, u"LONGFI~1.TXT");
    fileName(parentOfSecond, u"long file name with a DOS twin.txt");
    std::memset(r.data() + at, 0xFF, 4);
    return r;
}

TEST(NtfsRecords, TheLastNameWinsAndTheFirstParent) {
    VolumeCopy v;
    const auto intact = v.parse("intact3");
    const int64_t off = intact->parser.entries[intact->byPath.at("ROOT/small.txt")].recordOffset;
    const std::string rec = recordWithTwoNames(5, 0x7FFFFF);
    std::memcpy(v.bytes.data() + off, rec.data(), rec.size());
    const auto p = v.parse("two-names");
    EXPECT_TRUE(p->byPath.count("ROOT/long file name with a DOS twin.txt"));
    EXPECT_FALSE(p->byPath.count("ROOT/LONGFI~1.TXT"));
}

TEST(NtfsRecords, HostileRecordsNeverReadOutsideAndTheParseEnds) {
    VolumeCopy v;
    const auto intact = v.parse("intact4");
    const std::vector<int64_t> offsets = [&] {
        std::vector<int64_t> o;
        for (const auto& e : intact->parser.entries)
            if (e.isFile() && e.ownIndex != intact->parser.orphanIndex) o.push_back(e.recordOffset);
        return o;
    }();
    // Targeted damage first: one field per case, on the records of the first files.
    struct Case { size_t at; uint32_t value; int width; };
    const Case cases[] = {
        {0x14, 0x3F0, 2},  // first attribute near the record's end
        {0x04, 0x3FF, 2},  // update sequence array outside the record
        {0x06, 0xFFFF, 2}, // update sequence count far too large
    };
    size_t k = 20;
    for (const Case& c : cases) {
        const int64_t off = offsets[k++];
        for (int i = 0; i < c.width; ++i) v.bytes[static_cast<size_t>(off) + c.at + i] = static_cast<char>((c.value >> (8 * i)) & 0xFF);
    }
    // Attribute-level damage: lengths 0 and past the record, value offset past
    // the end, a name longer than its value, a run list running off.
    for (int variant = 0; variant < 5; ++variant) {
        const int64_t off = offsets[k++];
        Record rec;
        std::memcpy(rec.data(), v.bytes.data() + off, kRecordSize);
        applyFixup(rec);
        for (const Attribute& a : walkAttributes(rec)) {
            char* p = v.bytes.data() + off + a.offset;
            if (variant == 0) { p[4] = 0; p[5] = 0; p[6] = 0; p[7] = 0; }
            if (variant == 1) { p[4] = '\xF0'; p[5] = '\x7F'; }
            if (variant == 2 && !a.nonResident) { p[0x14] = '\xF0'; p[0x15] = '\x03'; }
            if (variant == 3 && a.type == kFileName) { p[0x18 + 0x40] = '\xFF'; }
            if (variant == 4 && a.nonResident) { p[0x20] = static_cast<char>(a.length - 1); p[a.length - 1] = '\x48'; }
        }
    }
    // Then random bytes over many records, the same each run.
    std::mt19937 rng(12345);
    for (size_t i = k; i < offsets.size(); i += 3)
        for (int n = 0; n < 24; ++n) v.bytes[static_cast<size_t>(offsets[i]) + rng() % kRecordSize] = static_cast<char>(rng());
    const auto p = v.parse("hostile");
    for (const auto& [path, r] : p->byPath) {
        p->parser.entryTimeTexts(r);
        p->parser.entrySizeText(r);
        std::string data;
        p->parser.readEntryData(r, data, 1 << 20);
    }
    EXPECT_GT(p->byPath.size(), 50u);  // the undamaged records are still listed
}

TEST(NtfsRecords, RunListsDecodeAsTheFormatSays) {
    // 16 clusters at 8192; a sparse run of 8; 4 clusters at 8192 - 4096.
    const uint8_t runs[] = {0x21, 0x10, 0x00, 0x20, 0x01, 0x08, 0x21, 0x04, 0x00, 0xF0, 0x00};
    RunDecoder d;
    std::vector<DataRun> out;
    EXPECT_FALSE(d.decode(runs, sizeof runs, 1000, out));
    EXPECT_EQ(out, (std::vector<DataRun>{{8192, 16}, {0, 8}, {4096, 4}}));
    // A header with a zero length field ends decoding at once.
    const uint8_t ends[] = {0x30, 0x01, 0x02, 0x03, 0x11, 0x05, 0x10};
    out.clear();
    RunDecoder d2;
    EXPECT_FALSE(d2.decode(ends, sizeof ends, 1000, out));
    EXPECT_TRUE(out.empty());
    // Runs past the attribute's cluster count are dropped; fields that run off the list cut it.
    const uint8_t excess[] = {0x11, 0x0A, 0x10, 0x11, 0x0A, 0x10, 0x44, 0x01};
    out.clear();
    RunDecoder d3;
    d3.decode(excess, sizeof excess, 15, out);
    EXPECT_EQ(out, (std::vector<DataRun>{{16, 10}}));
}

TEST(NtfsRecords, FixupPatchesSectorEndsOnlyFromInsideTheRecord) {
    Record rec{};
    rec[4] = 0x30;  // array at 0x30
    rec[6] = 3;     // sequence number + two sector ends
    rec[0x32] = 0xAB;
    rec[0x33] = 0xCD;
    rec[0x34] = 0x12;
    rec[0x35] = 0x34;
    applyFixup(rec);
    EXPECT_EQ(rec[510], 0xAB);
    EXPECT_EQ(rec[511], 0xCD);
    EXPECT_EQ(rec[1022], 0x12);
    EXPECT_EQ(rec[1023], 0x34);
    Record outside{};
    outside[4] = 0xFE;
    outside[5] = 0x03;  // 0x3FE: the second entry would lie past the record
    outside[6] = 3;
    applyFixup(outside);  // must not read past the end (the sanitizers watch)
    EXPECT_EQ(outside[1022], 0);
}

}  // namespace

namespace {

TEST(NtfsRecovery, MftCopiesOfAVolumeFormattedTwice) {
    const auto vol = test::manifest("ntfsdamage")["volumes"][0];
    auto src = vdi("ntfsdamage");
    ntfs finder;
    finder.source = src.get();
    finder.volume = VolumeRecord{"NTFS", "", "0", "64", vol["start"], vol["sectors"]};
    finder.prepareVolume();
    finder.readBootSector();
    EXPECT_GE(finder.findMftCopies(3), 2u);
    ASSERT_GE(finder.foundMfts.size(), 2u);
    // In volume order: the current MFT, then the first format's.
    EXPECT_EQ(finder.foundMfts[0], vol["mft_offset"].get<int64_t>());
    EXPECT_EQ(finder.foundMfts[1], vol["first_format"]["mft_offset"].get<int64_t>());

    // Parsing the older copy with its cluster size lists the first format's files.
    CXHtmlTree tree;
    IconIndex icons;
    finder.tree = &tree;
    finder.icons = &icons;
    finder.recoveryMode = 2;
    finder.chosenCandidate = 1;
    finder.chosenClusterSectors = vol["first_format"]["cluster_size"].get<int>() / 512;
    finder.parse();
    std::map<std::string, EntryRef> byPath;
    walkEntries(tree, finder, [&](const WalkedEntry& e) { byPath[e.path] = e.ref; });
    for (const auto& e : vol["first_format"]["entries"]) {
        const std::string path = "ROOT/" + e["path"].get<std::string>();
        ASSERT_TRUE(byPath.count(path)) << path;
        if (e["kind"] == "file") {
            EXPECT_EQ(finder.entrySize(byPath[path]), e["size"].get<int64_t>()) << path;
        }
    }
    EXPECT_FALSE(byPath.count("ROOT/second.txt"));
}

TEST(NtfsRecovery, DeepScanListsTheWipedVolumeUnderOrphanEntry) {
    const auto vol = test::manifest("ntfsdamage")["volumes"][1];
    auto src = vdi("ntfsdamage");
    ntfs deep;
    CXHtmlTree tree;
    IconIndex icons;
    deep.source = src.get();
    deep.volume = VolumeRecord{"NTFS", "", "1", "64", vol["start"], vol["sectors"]};
    deep.tree = &tree;
    deep.icons = &icons;
    deep.recoveryMode = 3;
    deep.parse();
    // The first level holds ORPHAN_ENTRY only; every folder lies directly under it.
    ASSERT_EQ(tree.childCount(tree.rootItem()), 1);
    EXPECT_EQ(tree.itemText(tree.firstChild(tree.rootItem())), "ORPHAN_ENTRY");
    std::multimap<std::string, EntryRef> byName;
    walkEntries(tree, deep, [&](const WalkedEntry& e) {
        byName.emplace(deep.entryName(e.ref), e.ref);
        if (deep.isFolder(e.ref) && e.path != "ROOT/ORPHAN_ENTRY") {
            EXPECT_EQ(e.depth, 2) << e.path;
        }
    });
    for (const auto& e : vol["entries"]) {
        const std::string path = e["path"];
        const std::string name = path.substr(path.rfind('/') + 1);
        auto [from, to] = byName.equal_range(name);
        bool match = false;
        for (auto it = from; it != to; ++it)
            match = match || (deep.isFolder(it->second) == (e["kind"] == "dir") && deep.isDeleted(it->second) == e["deleted"].get<bool>());
        EXPECT_TRUE(match) << path;
    }
}

TEST(NtfsRecovery, ScansKeepMemoryBoundedAndReadTheLastShortChunk) {
    // 11 MiB + 4 sectors of nameless "FILE" sectors, with one named record at the very end.
    VolumeCopy v;
    const auto intact = v.parse("for-record");
    const int64_t rec = intact->parser.entries[intact->byPath.at("ROOT/small.txt")].recordOffset;
    const std::string named = v.bytes.substr(static_cast<size_t>(rec), kRecordSize);
    std::string vol(11 * 1048576 + 4 * 512, '\0');
    for (size_t off = 0; off + 512 <= vol.size(); off += 512) std::memcpy(vol.data() + off, "FILE", 4);
    std::memcpy(vol.data() + vol.size() - 1024, named.data(), named.size());
    const std::string path = test::scratchFolder("ntfs-file-sectors") + "/volume.raw";
    test::writeFile(path, vol);
    auto src = std::make_unique<FileReadSeekRaw>();
    ASSERT_TRUE(src->open(path));
    ntfs deep;
    deep.source = src.get();
    deep.volume = VolumeRecord{"NTFS", "", "0", "11", 0, static_cast<int64_t>(vol.size() / 512)};
    deep.prepareVolume();
    deep.readBootSector();
    deep.deepScan();
    ASSERT_EQ(deep.entries.size(), 1u);  // only the named record is kept
    EXPECT_EQ(deep.entries[0].name, "small.txt");
    EXPECT_EQ(deep.findMftCopies(3), 0u);
}

}  // namespace

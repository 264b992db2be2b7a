// The FAT parsers against volumes made by mkfs.fat and mtools (both OEM
// names), checked against the manifests, and against hostile copies.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>

#include "browse/entry_browser.h"
#include "browse/entry_walk.h"
#include "browse/icon_index.h"
#include "browse/saver.h"
#include "browse/texts.h"
#include "fixture.h"
#include "fs/fat/fat.h"
#include "image/raw_reader.h"
#include "image/vdi_reader.h"
#include "sha256.h"
#include "util/endian.h"

using namespace salvor;
namespace fs = std::filesystem;

namespace {

// Runs a test body with TZ=UTC: the fixtures' FAT times were written as UTC
// wall-clock values.
struct UtcZone {
    std::string old;
    UtcZone() {
        const char* tz = std::getenv("TZ");
        old = tz ? tz : "";
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone() {
        ::setenv("TZ", old.c_str(), 1);
        ::tzset();
    }
};

std::unique_ptr<FatParserBase> parserFor(const std::string& fs) {
    if (fs == "FAT32") return std::make_unique<Fat32Class>();
    return std::make_unique<Fat16Class>();
}

struct ParsedFat {
    std::unique_ptr<readWriteInterface> source;
    std::unique_ptr<FatParserBase> parser;
    CXHtmlTree tree;
    IconIndex icons;
    std::map<std::string, EntryRef> byPath;
    bool accepted = false;
    ParsedFat(std::unique_ptr<readWriteInterface> src, const std::string& fsName, int64_t start, int64_t sectors)
        : source(std::move(src)), parser(parserFor(fsName)) {
        parser->source = source.get();
        parser->volume = VolumeRecord{fsName, "", "0", std::to_string(sectors / 2048), start, sectors};
        parser->tree = &tree;
        parser->icons = &icons;
        accepted = parser->parse();
        walkEntries(tree, *parser, [&](const WalkedEntry& e) { byPath[e.path] = e.ref; });
    }
};

std::unique_ptr<readWriteInterface> vdi(const std::string& group) {
    auto r = std::make_unique<FileReadSeekVdi>();
    EXPECT_TRUE(r->open(test::fixturePath(group + ".vdi")));
    return r;
}

std::string utcText(int64_t secs) {
    const time_t t = static_cast<time_t>(secs);
    tm u{};
    gmtime_r(&t, &u);
    platform::CalendarTime c;
    c.year = u.tm_year + 1900;
    c.month = u.tm_mon + 1;
    c.day = u.tm_mday;
    c.hour = u.tm_hour;
    c.minute = u.tm_min;
    return formatTimeText(c);
}

std::string dateText(int64_t secs) {
    const time_t t = static_cast<time_t>(secs);
    tm u{};
    gmtime_r(&t, &u);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%d ", u.tm_mon + 1, u.tm_mday, u.tm_year + 1900);
    return buf;
}

// A deleted entry's lost first character shows as the code-page character of 0xE5.
std::string deletedPath(const std::string& listedAs) {
    std::string out;
    size_t start = 0;
    while (start <= listedAs.size()) {
        const size_t slash = listedAs.find('/', start);
        std::string part = listedAs.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty() && part[0] == '_') part = "\xC3\xA5" + part.substr(1);
        out += (out.empty() ? "" : "/") + part;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return out;
}

class FatVolumes : public ::testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(FatVolumes, EveryEntryWithItsTextsAndEveryFileSavedWhole) {
    UtcZone utc;
    const auto [group, index] = GetParam();
    const auto vol = test::manifest(group)["volumes"][index];
    ParsedFat p(vdi(group), vol["fs"], vol["start"], vol["sectors"]);
    ASSERT_TRUE(p.accepted);
    const std::string out = test::scratchFolder(std::string("fat-save-") + group + std::to_string(index));
    std::string error;
    auto dir = platform::OutputDir::open(out, error);
    int deleted = 0;
    for (const auto& e : vol["entries"]) {
        const bool isDeleted = e["deleted"].get<bool>();
        const std::string path = "ROOT/" + (isDeleted && e.contains("listed_as") ? deletedPath(e["listed_as"]) : e["path"].get<std::string>());
        SCOPED_TRACE(path);
        auto it = p.byPath.find(path);
        ASSERT_NE(it, p.byPath.end());
        const EntryRef r = it->second;
        EXPECT_EQ(p.parser->isFolder(r), e["kind"] == "dir");
        EXPECT_EQ(p.parser->isDeleted(r), isDeleted);
        deleted += isDeleted;
        if (e["kind"] == "dir" || isDeleted) continue;
        const EntryTexts t = p.parser->entryTimeTexts(r);
        EXPECT_EQ(t.modified, utcText(e["modified"]));
        EXPECT_EQ(t.accessed, dateText(e["accessed"]));
        EXPECT_EQ(p.parser->entrySizeText(r), formatSizeText(e["size"]));
        EXPECT_EQ(t.attributes.find("-H") != std::string::npos, e["hidden"].get<bool>());
        // Saved whole with its modification time.
        Saver saver(*p.parser, nullptr, nullptr);
        saver.saveFile(r, *dir);
        const std::string file = dir->lastPath();
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, e["modified"].get<int64_t>());
        EXPECT_EQ(test::sha256Hex(test::readFile(file)), e["sha256"].get<std::string>());
        EXPECT_EQ(saver.report().written, 1u);
    }
    EXPECT_EQ(deleted, 4);
    // A folder of 150 files spanning several clusters is complete.
    int many = 0;
    for (auto c = p.parser->firstChildOf(p.byPath.at("ROOT/many")); c; c = p.parser->nextSiblingOf(*c)) ++many;
    EXPECT_EQ(many, 150);
    // Deleted first-level entries are red.
    for (TreeItem c = p.tree.firstChild(p.tree.rootItem()); c; c = p.tree.nextSibling(c))
        EXPECT_EQ(p.tree.textColor(c) == kDeletedColor, p.parser->isDeleted(p.tree.itemData(c))) << p.tree.itemText(c);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FatVolumes,
                         ::testing::Values(std::pair{"mbr", 1}, std::pair{"mbr", 2}, std::pair{"mbr", 3},
                                           std::pair{"fatoem", 0}, std::pair{"fatoem", 1}, std::pair{"fatoem", 2},
                                           std::pair{"gpt", 1}, std::pair{"notable", 2}),
                         [](const ::testing::TestParamInfo<std::pair<const char*, int>>& p) {
                             return std::string(p.param.first) + std::to_string(p.param.second);
                         });

TEST(Fat, DeletedContiguousFileComesOutWholeWhenTheDriveIsFormatted) {
    const auto vol = test::manifest("mbr")["volumes"][1];
    ParsedFat p(vdi("mbr"), "FAT32", vol["start"], vol["sectors"]);
    std::string want;
    for (const auto& e : vol["entries"])
        if (e["path"] == "deleted.txt") want = e["sha256"];
    const EntryRef r = p.byPath.at("ROOT/" + deletedPath("_eleted.txt"));
    platform::StringSink chained(1 << 20);
    EXPECT_FALSE(p.parser->saveEntry(r, chained).complete);  // its FAT entries are free: one cluster only
    p.parser->driveFormatted = true;
    platform::StringSink contiguous(1 << 20);
    EXPECT_TRUE(p.parser->saveEntry(r, contiguous).complete);
    EXPECT_EQ(test::sha256Hex(contiguous.bytes), want);
}

TEST(Fat, OtherKindsAreRefused) {
    const auto m = test::manifest("mbr");
    ParsedFat fat16As32(vdi("mbr"), "FAT32", m["volumes"][3]["start"], m["volumes"][3]["sectors"]);
    EXPECT_FALSE(fat16As32.accepted);
    EXPECT_EQ(fat16As32.parser->rejectMessage(), "Selected Drive is not in Fat32 Format");
    ParsedFat ntfsAs16(vdi("mbr"), "FAT16", m["volumes"][0]["start"], m["volumes"][0]["sectors"]);
    EXPECT_FALSE(ntfsAs16.accepted);
    EXPECT_EQ(ntfsAs16.parser->rejectMessage(), "Selected Drive is not in Fat16 Format");
    EXPECT_EQ(ntfsAs16.tree.childCount(ntfsAs16.tree.rootItem()), 0);
}

TEST(Fat, ShortNamesAndChecksums) {
    struct Case { const char* raw; uint8_t flags; const char* text; } cases[] = {
        {"README  TXT", 0, "README.TXT"}, {"NOEXT      ", 0, "NOEXT"}, {"SMALL   TXT", 0x18, "small.txt"},
        {"FOO     C  ", 0x10, "FOO.c"}, {"\xE5" "ELETED TXT", 0x18, "\xC3\xA5" "eleted.txt"}, {"\x05" "AB     X  ", 0, "\xC3\xA5" "AB.X"}};
    for (const auto& c : cases)
        EXPECT_EQ(FatParserBase::shortNameText(reinterpret_cast<const uint8_t*>(c.raw), c.flags, "CP1252"), c.text) << c.raw;
    EXPECT_EQ(FatParserBase::shortNameChecksum(reinterpret_cast<const uint8_t*>("README  TXT")), 0x73);
}

// A flat copy of the mbr FAT16 volume for patching.
struct FatCopy {
    std::string bytes;
    int64_t sectors;
    FatCopy() {
        const auto vol = test::manifest("mbr")["volumes"][3];
        sectors = vol["sectors"];
        FileReadSeekVdi src;
        EXPECT_TRUE(src.open(test::fixturePath("mbr.vdi")));
        bytes.assign(static_cast<size_t>(sectors * 512), '\0');
        src.readAt(vol["start"].get<int64_t>() * 512, bytes.data(), bytes.size());
    }
    uint8_t* at(size_t o) { return reinterpret_cast<uint8_t*>(bytes.data()) + o; }
    std::unique_ptr<ParsedFat> parse(const std::string& name) {
        const std::string path = test::scratchFolder("fat-" + name) + "/volume.raw";
        test::writeFile(path, bytes);
        auto src = std::make_unique<FileReadSeekRaw>();
        EXPECT_TRUE(src->open(path));
        return std::make_unique<ParsedFat>(std::move(src), "FAT16", 0, sectors);
    }
};

TEST(Fat, HostileChainsAndNamesEnd) {
    FatCopy v;
    auto intact = v.parse("intact");
    FatParserBase& f = *intact->parser;
    const auto cluster = [&](const std::string& path) { return f.records[intact->byPath.at(path)].firstCluster(); };
    const auto setFat = [&](uint32_t c, uint16_t value) {
        for (uint32_t copy = 0; copy < f.bpb.fatCount; ++copy) {
            uint8_t* p = v.at(static_cast<size_t>(f.fatStart + copy * static_cast<int64_t>(f.bpb.sectorsPerFat) * 512 + 2 * c));
            p[0] = static_cast<uint8_t>(value & 0xFF);
            p[1] = static_cast<uint8_t>(value >> 8);
        }
    };
    const uint32_t big = cluster("ROOT/docs/big.bin");
    setFat(big + 1, static_cast<uint16_t>(big));  // the chain loops back
    const uint32_t many = cluster("ROOT/many");
    setFat(many, static_cast<uint16_t>(many));  // a folder cluster pointing to itself
    // A file whose first cluster lies past the volume.
    const int64_t root = f.rootStart;
    for (int64_t o = root; o < root + f.rootBytes; o += 32) {
        if (std::memcmp(v.at(static_cast<size_t>(o)), "SMALL   TXT", 11) == 0) {
            v.at(static_cast<size_t>(o) + 26)[0] = 0xF0;
            v.at(static_cast<size_t>(o) + 26)[1] = 0xFF;
        }
    }
    // A long-name run of 21 slots before the last root entries.
    int64_t free = root;
    while (v.at(static_cast<size_t>(free))[0] != 0) free += 32;
    for (int i = 0; i < 21; ++i) {
        uint8_t* s = v.at(static_cast<size_t>(free + 32 * i));
        std::memset(s, 'A', 32);
        s[11] = 0x0F;
    }
    std::memcpy(v.at(static_cast<size_t>(free + 32 * 21)), "LONGRUN TXT", 11);
    v.at(static_cast<size_t>(free + 32 * 21))[11] = 0x20;
    auto p = v.parse("hostile");
    ASSERT_TRUE(p->accepted);
    EXPECT_TRUE(p->byPath.count("ROOT/LONGRUN.TXT"));  // the run is dropped, the short name stays
    platform::StringSink sink(64u << 20);
    const auto o = p->parser->saveEntry(p->byPath.at("ROOT/docs/big.bin"), sink);
    EXPECT_FALSE(o.complete);
    EXPECT_LT(sink.bytes.size(), 64u << 20);
    platform::StringSink small(1 << 20);
    EXPECT_FALSE(p->parser->saveEntry(p->byPath.at("ROOT/small.txt"), small).complete);
    EXPECT_TRUE(p->byPath.count("ROOT/many/file_000.txt"));
}

}  // namespace

namespace {

TEST(Fat, RecycleBinShowsTheFormerNames) {
    const auto vol = test::manifest("fatrecycle")["volumes"][0];
    ParsedFat p(vdi("fatrecycle"), "FAT32", vol["start"], vol["sectors"]);
    CCheckListCtrl list;
    EntryBrowser browser(p.tree, list, *p.parser, p.icons);
    browser.finishTree();
    browser.renameRecycleBin();
    std::set<std::string> names;
    walkEntries(p.tree, *p.parser, [&](const WalkedEntry& e) { names.insert(e.path); });
    for (const auto& [data, former] : vol["former_names"].items()) {
        EXPECT_TRUE(names.count("ROOT/$RECYCLE.BIN/" + former.get<std::string>())) << former;
        EXPECT_FALSE(names.count("ROOT/" + data)) << data;
    }
    EXPECT_TRUE(names.count("ROOT/kept.txt"));
}

}  // namespace

// Saving: every byte of every file as the manifest says, file times, safe
// names, no writes outside the output folder, and LZNT1.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "browse/saver.h"
#include "fs/ntfs/lznt1.h"
#include "ntfs_helpers.h"
#include "platform/output_dir.h"
#include "sha256.h"

#include <cstring>

using namespace salvor;
using salvor::test::Parsed;
using salvor::test::VolumeCopy;
using salvor::ntfs_format::kData;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<platform::OutputDir> openDir(const std::string& path) {
    std::string error;
    auto d = platform::OutputDir::open(path, error);
    EXPECT_TRUE(d) << error;
    return d;
}

// Saves the first level of the parsed volume (the whole volume) into `out`.
SaveReport saveAll(Parsed& p, const std::string& out) {
    auto dir = openDir(out);
    Saver saver(p.parser, nullptr, nullptr);
    for (TreeItem c = p.tree.firstChild(p.tree.rootItem()); c; c = p.tree.nextSibling(c)) saver.saveItem(p.tree.itemData(c), *dir);
    return saver.report();
}

TEST(SaveNtfs, EveryFileHasTheManifestHashAndTimes) {
    const auto vol = test::manifest("mbr")["volumes"][0];
    Parsed p(test::vdi("mbr"), vol["start"], vol["sectors"]);
    const std::string out = test::scratchFolder("save-all");
    const SaveReport r = saveAll(p, out);
    EXPECT_EQ(r.failed, 0u);
    EXPECT_EQ(r.incomplete, 0u);
    int checked = 0;
    for (const auto& e : vol["entries"]) {
        if (e["kind"] != "file" || e["sha256"].is_null()) continue;
        const std::string path = out + "/" + e["path"].get<std::string>();
        SCOPED_TRACE(path);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);  // before reading it moves the access time
        EXPECT_EQ(st.st_mtim.tv_sec, e["modified"].get<int64_t>());
        EXPECT_EQ(st.st_atim.tv_sec, e["accessed"].get<int64_t>());
        EXPECT_EQ(test::sha256Hex(test::readFile(path)), e["sha256"].get<std::string>());
        ++checked;
    }
    // Live files, the sparse and the compressed one, and the deleted files whose clusters were not reused.
    EXPECT_GT(checked, 160);
    EXPECT_TRUE(fs::exists(out + "/packed/compressed.txt"));
    EXPECT_TRUE(fs::exists(out + "/gone/inner.txt"));
    EXPECT_FALSE(fs::exists(out + "/$BadClus"));  // counted, not written

    // Saving again into the same folder replaces what the first save wrote.
    test::writeFile(out + "/small.txt", "changed");
    saveAll(p, out);
    EXPECT_EQ(test::readFile(out + "/small.txt").size(), 300u);
    EXPECT_FALSE(fs::exists(out + "/small (1).txt"));
}

TEST(SaveNtfs, HostileNamesStayInsideTheOutputFolder) {
    VolumeCopy v;
    const auto intact = v.parse("names-intact");
    // Rename files on disk: each name at most as long as the one it replaces.
    auto rename = [&](const std::string& path, const std::u16string& name) {
        const int64_t rec = intact->parser.entries[intact->byPath.at(path)].recordOffset;
        const size_t value = v.fileNameValue(rec);
        ASSERT_GE(static_cast<size_t>(static_cast<uint8_t>(v.bytes[value + 0x40])), name.size());
        v.bytes[value + 0x40] = static_cast<char>(name.size());
        for (size_t i = 0; i < name.size(); ++i) {
            v.bytes[value + 0x42 + 2 * i] = static_cast<char>(name[i] & 0xFF);
            v.bytes[value + 0x43 + 2 * i] = static_cast<char>(name[i] >> 8);
        }
    };
    rename("ROOT/small.txt", u"../evil.x");
    rename("ROOT/NOEXT", u"..");
    rename("ROOT/empty.txt", u"a/b\x01/../x");
    rename("ROOT/many/file_000.txt", u"file_001.txt");  // a twin of its sibling
    const auto p = v.parse("names-hostile");
    const std::string parent = test::scratchFolder("save-names");
    const std::string out = parent + "/out";
    fs::create_directories(out);
    // A link the save must not follow.
    fs::create_directories(parent + "/elsewhere");
    fs::create_directory_symlink(parent + "/elsewhere", out + "/docs");
    saveAll(*p, out);
    EXPECT_TRUE(fs::exists(out + "/.._evil.x"));
    EXPECT_TRUE(fs::exists(out + "/_.."));
    EXPECT_TRUE(fs::exists(out + "/a_b__.._x"));
    EXPECT_TRUE(fs::exists(out + "/many/file_001.txt"));
    EXPECT_TRUE(fs::exists(out + "/many/file_001 (1).txt"));
    EXPECT_TRUE(fs::is_empty(parent + "/elsewhere"));
    EXPECT_TRUE(fs::exists(out + "/docs (1)/report.txt"));
    for (const auto& e : fs::directory_iterator(parent)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "out" || name == "elsewhere") << name;
    }
}

TEST(SaveNtfs, UnreadableDataIsWrittenAsFarAsItGoesAndReported) {
    VolumeCopy v;
    const auto intact = v.parse("short-intact");
    const int64_t rec = intact->parser.entries[intact->byPath.at("ROOT/docs/big.bin")].recordOffset;
    // Cut the volume a little after the file's first cluster.
    bool hasData, hasList;
    intact->parser.dataInfo(intact->byPath.at("ROOT/docs/big.bin"), hasData, hasList);
    const auto runs = intact->parser.runsOf(rec, kData);
    ASSERT_FALSE(runs.empty());
    v.bytes.resize(static_cast<size_t>((runs[0].startCluster + 1) * 4096));
    const auto p = v.parse("short");
    const std::string out = test::scratchFolder("save-short");
    auto dir = openDir(out);
    Saver saver(p->parser, nullptr, nullptr);
    saver.saveFile(p->byPath.at("ROOT/docs/big.bin"), *dir);
    EXPECT_EQ(saver.report().incomplete, 1u);
    EXPECT_EQ(saver.report().problems.size(), 1u);
    EXPECT_EQ(fs::file_size(out + "/big.bin"), 2u * 1048576 - 4096 + 17);
}

TEST(SaveNtfs, StopEndsBeforeTheNextEntryAndCountsMatch) {
    const auto vol = test::manifest("mbr")["volumes"][0];
    Parsed p(test::vdi("mbr"), vol["start"], vol["sectors"]);
    Saver counter(p.parser, nullptr, nullptr);
    EXPECT_EQ(counter.countFiles(p.byPath.at("ROOT/many")), 150u);
    EXPECT_EQ(counter.countFiles(p.byPath.at("ROOT/docs")), 3u);
    const std::string out = test::scratchFolder("save-stop");
    auto dir = openDir(out);
    Saver stopped(p.parser, nullptr, [] { return false; });
    stopped.saveContents(p.byPath.at("ROOT/many"), *dir);
    EXPECT_EQ(stopped.report().files, 0u);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST(SaveNtfs, CheckedEntriesKeepTheirStructure) {
    const auto vol = test::manifest("mbr")["volumes"][0];
    Parsed p(test::vdi("mbr"), vol["start"], vol["sectors"]);
    CCheckListCtrl list;
    EntryBrowser browser(p.tree, list, p.parser, p.icons);
    browser.finishTree();
    TreeItem docs = kNoItem, small = kNoItem;
    for (TreeItem c = p.tree.firstChild(p.tree.rootItem()); c; c = p.tree.nextSibling(c)) {
        if (p.tree.itemText(c) == "docs") docs = c;
        if (p.tree.itemText(c) == "small.txt") small = c;
    }
    browser.labelClick(docs);
    TreeItem nested = kNoItem;
    for (TreeItem c = p.tree.firstChild(docs); c; c = p.tree.nextSibling(c))
        if (p.tree.itemText(c) == "nested") nested = c;
    p.tree.setCheck(nested, true);  // a folder whose children are not in the tree yet
    p.tree.setCheck(small, true);
    const std::string out = test::scratchFolder("save-checked");
    auto dir = openDir(out);
    Saver saver(p.parser, nullptr, nullptr);
    EXPECT_EQ(saver.countChecked(p.tree), 2u);
    saver.saveChecked(p.tree, *dir);
    EXPECT_TRUE(fs::exists(out + "/small.txt"));
    EXPECT_TRUE(fs::exists(out + "/docs/nested/deep/leaf.txt"));
    EXPECT_FALSE(fs::exists(out + "/docs/report.txt"));
    EXPECT_EQ(saver.report().written, 2u);
}

TEST(Lznt1, CompressedAndStoredChunks) {
    using ntfs_format::lznt1Decompress;
    std::vector<uint8_t> out;
    // "abc" then a back reference of offset 3, length 9: header 0xB005 (compressed, 6 bytes).
    const uint8_t compressed[] = {0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20, 0x00, 0x00};
    EXPECT_TRUE(lznt1Decompress(compressed, sizeof compressed, 4096, out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "abcabcabcabc");
    // A chunk stored as is (bit 15 clear), then the end.
    const uint8_t stored[] = {0x04, 0x30, 'h', 'e', 'l', 'l', 'o', 0x00, 0x00};
    EXPECT_TRUE(lznt1Decompress(stored, sizeof stored, 4096, out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "hello");
    // The output limit holds; a reference before the chunk's start is damage.
    EXPECT_TRUE(lznt1Decompress(compressed, sizeof compressed, 5, out));
    EXPECT_EQ(out.size(), 5u);
    const uint8_t bad[] = {0x03, 0xB0, 0x01, 0x00, 0x70, 'x'};
    EXPECT_FALSE(lznt1Decompress(bad, sizeof bad, 4096, out));
    const uint8_t truncated[] = {0xFF, 0xBF, 0x00};
    EXPECT_FALSE(lznt1Decompress(truncated, sizeof truncated, 4096, out));
}

TEST(SafeNames, EveryNameIsOneHarmlessComponent) {
    struct Case { std::string in, out; } cases[] = {
        {"", "_"}, {".", "_."}, {"..", "_.."}, {"a/b", "a_b"}, {std::string("a\0b", 3), "a_b"}, {"tab\there", "tab_here"},
        {"ok name.txt", "ok name.txt"}, {"Ünïcödé", "Ünïcödé"}};
    for (const auto& c : cases) EXPECT_EQ(platform::safeName(c.in), c.out);
    EXPECT_LE(platform::safeName(std::string(300, 'x')).size(), 255u);
    const std::string longUtf8 = std::string(254, 'x') + "é";
    EXPECT_EQ(platform::safeName(longUtf8), std::string(254, 'x'));  // cut on a character boundary
}

}  // namespace

namespace {

TEST(Lznt1, CompressedDataUnitByUnit) {
    // A volume of 64 clusters of 4096 bytes: cluster 10 holds a compressed
    // unit's one cluster, clusters 20..35 a unit stored whole.
    const int64_t cs = 4096;
    std::string vol(static_cast<size_t>(64 * cs), '\0');
    const uint8_t compressed[] = {0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20, 0x00, 0x00};
    std::memcpy(vol.data() + 10 * cs, compressed, sizeof compressed);
    for (int64_t i = 0; i < 16 * cs; ++i) vol[static_cast<size_t>(20 * cs + i)] = static_cast<char>('A' + i % 26);
    const std::string path = test::scratchFolder("lznt1-units") + "/volume.raw";
    test::writeFile(path, vol);
    FileReadSeekRaw src;
    ASSERT_TRUE(src.open(path));
    ntfs n;
    n.source = &src;
    n.clusterSize = cs;
    n.volumeSize = static_cast<int64_t>(vol.size());
    // Unit 1 sparse (16 clusters), unit 2 compressed (1 cluster + 15 sparse), unit 3 stored (16 clusters).
    const std::vector<ntfs_format::DataRun> runs = {{0, 16}, {10, 1}, {0, 15}, {20, 16}};
    const int64_t unit = 16 * cs;
    platform::StringSink out(static_cast<size_t>(3 * unit));
    int64_t written = 0;
    EXPECT_TRUE(n.writeCompressed(runs, 16, 3 * unit - 100, out, written));
    ASSERT_EQ(out.bytes.size(), static_cast<size_t>(3 * unit - 100));
    EXPECT_EQ(out.bytes.find_first_not_of('\0'), static_cast<size_t>(unit));                 // unit 1: zeros
    EXPECT_EQ(out.bytes.substr(static_cast<size_t>(unit), 12), "abcabcabcabc");              // unit 2: decompressed
    EXPECT_EQ(out.bytes.substr(static_cast<size_t>(unit) + 12, 8), std::string(8, '\0'));   // the rest of it zeros
    EXPECT_EQ(out.bytes.substr(static_cast<size_t>(2 * unit), 16 * cs - 100),
              vol.substr(static_cast<size_t>(20 * cs), 16 * cs - 100));                      // unit 3: as stored
    // Runs that end before the data does: written as far as they go, not whole.
    platform::StringSink shortOut(static_cast<size_t>(4 * unit));
    written = 0;
    EXPECT_FALSE(n.writeCompressed(runs, 16, 4 * unit, shortOut, written));
    EXPECT_EQ(written, 3 * unit);
}

}  // namespace

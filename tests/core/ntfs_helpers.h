#pragma once
// NTFS volumes for tests: a parsed volume with its entries by path, and a
// flat copy of the mbr fixture's NTFS volume for patching.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>

#include "browse/entry_browser.h"
#include "browse/entry_walk.h"
#include "browse/icon_index.h"
#include "fixture.h"
#include "fs/ntfs/ntfs.h"
#include "image/raw_reader.h"
#include "image/vdi_reader.h"

namespace salvor::test {

using namespace salvor::ntfs_format;

struct Parsed {
    std::unique_ptr<readWriteInterface> source;
    ntfs parser;
    CXHtmlTree tree;
    IconIndex icons;
    std::map<std::string, EntryRef> byPath;
    struct Status : platform::NullProgress {
        std::vector<std::string> lines;
        void setStatus(const std::string& t) override { lines.push_back(t); }
    } status;

    Parsed(std::unique_ptr<readWriteInterface> src, int64_t start, int64_t sectors) : source(std::move(src)) {
        parser.source = source.get();
        parser.volume = VolumeRecord{"NTFS", "", "0", std::to_string(sectors / 2048), start, sectors};
        parser.tree = &tree;
        parser.icons = &icons;
        parser.sink = &status;
        parser.parse();
        walkEntries(tree, parser, [&](const WalkedEntry& e) { byPath[e.path] = e.ref; });
    }
    bool sawStatus(const std::string& s) const { return std::find(status.lines.begin(), status.lines.end(), s) != status.lines.end(); }
};

inline std::unique_ptr<readWriteInterface> vdi(const std::string& group) {
    auto r = std::make_unique<FileReadSeekVdi>();
    EXPECT_TRUE(r->open(fixturePath(group + ".vdi")));
    return r;
}

// A copy of the mbr NTFS volume as a flat file, for patching.
struct VolumeCopy {
    std::string bytes;
    int64_t sectors = 0;
    VolumeCopy() {
        const auto vol = manifest("mbr")["volumes"][0];
        sectors = vol["sectors"];
        FileReadSeekVdi src;
        EXPECT_TRUE(src.open(fixturePath("mbr.vdi")));
        bytes.assign(static_cast<size_t>(sectors * 512), '\0');
        src.readAt(vol["start"].get<int64_t>() * 512, bytes.data(), bytes.size());
    }
    std::unique_ptr<Parsed> parse(const std::string& name) const {
        const std::string path = scratchFolder("ntfs-" + name) + "/volume.raw";
        writeFile(path, bytes);
        auto src = std::make_unique<FileReadSeekRaw>();
        EXPECT_TRUE(src->open(path));
        return std::make_unique<Parsed>(std::move(src), 0, sectors);
    }
    // Byte offset in `bytes` of the value of the first $FILE_NAME of the record at `recordOffset`.
    size_t fileNameValue(int64_t recordOffset) const {
        Record rec;
        std::memcpy(rec.data(), bytes.data() + recordOffset, kRecordSize);
        applyFixup(rec);
        for (const Attribute& a : walkAttributes(rec)) {
            const uint8_t* v;
            uint32_t len;
            if (a.type == kFileName && residentValue(rec, a, v, len)) return static_cast<size_t>(recordOffset + (v - rec.data()));
        }
        ADD_FAILURE() << "no $FILE_NAME";
        return 0;
    }
    void putParent(size_t valueOffset, uint64_t ref) {
        for (int i = 0; i < 6; ++i) bytes[valueOffset + i] = static_cast<char>((ref >> (8 * i)) & 0xFF);
    }
};

}  // namespace salvor::test

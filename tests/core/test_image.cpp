// The VDI reader against images made by qemu-img from a known raw disk.
#include <gtest/gtest.h>

#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

#include "fixture.h"
#include "image/vdi_reader.h"
#include "platform/prompter.h"
#include "util/endian.h"

using salvor::FileReadSeekVdi;
namespace fs = std::filesystem;

namespace {

struct PromptCapture {
    salvor::platform::ScriptedPrompter prompter;
    PromptCapture() { salvor::platform::setPrompter(&prompter); }
    ~PromptCapture() { salvor::platform::setPrompter(nullptr); }
};

const std::string& rawDisk() {
    static const std::string raw = salvor::test::readFile(salvor::test::fixturePath("pattern.raw"));
    return raw;
}

class VdiImages : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ASSERT_TRUE(reader.open(salvor::test::fixturePath(GetParam()))); }
    FileReadSeekVdi reader;
};

TEST_P(VdiImages, EveryChunkSizeReadsBackTheRawDisk) {
    const std::string& raw = rawDisk();
    const int64_t diskBytes = static_cast<int64_t>(raw.size());
    ASSERT_EQ(reader.diskSize(), diskBytes);
    // Sizes that cross block boundaries at different phases, down to a sector.
    for (uint32_t chunk : {512u, 7u * 512u, 1u << 20, 3u * 1048576u + 1536u}) {
        SCOPED_TRACE(chunk);
        std::vector<char> buf(chunk);
        ASSERT_TRUE(reader.seek(0, 0));
        for (int64_t pos = 0; pos < diskBytes; pos += chunk) {
            const uint32_t n = static_cast<uint32_t>(std::min<int64_t>(chunk, diskBytes - pos));
            ASSERT_TRUE(reader.read(buf.data(), n)) << "at " << pos;
            ASSERT_EQ(0, std::memcmp(buf.data(), raw.data() + pos, n)) << "at " << pos;
        }
    }
}

TEST_P(VdiImages, LastSectorReadsWithTrueAndReadsBeyondTheMapFail) {
    const std::string& raw = rawDisk();
    const int64_t last = static_cast<int64_t>(raw.size()) - 512;
    char buf[512];
    ASSERT_TRUE(reader.seek(last, 0));
    EXPECT_TRUE(reader.read(buf, 512));
    EXPECT_EQ(0, std::memcmp(buf, raw.data() + last, 512));

    // A read running off the end of the map delivers what exists, zeros after.
    std::vector<char> big(2u << 20, 'x');
    reader.seek(reader.mappedSize() - 1024, 0);
    EXPECT_FALSE(reader.read(big.data(), static_cast<uint32_t>(big.size())));
    EXPECT_TRUE(std::all_of(big.begin() + 1024, big.end(), [](char c) { return c == 0; }));

    EXPECT_FALSE(reader.seek(reader.mappedSize(), 0));
    EXPECT_FALSE(reader.seek(-512, 0));
}

TEST_P(VdiImages, BaseOffsetShiftsEverySeek) {
    const std::string& raw = rawDisk();
    reader.baseOffset = 2048 * 512;
    char buf[1024];
    ASSERT_TRUE(reader.seek(0, 0));
    ASSERT_TRUE(reader.read(buf, sizeof buf));
    EXPECT_EQ(0, std::memcmp(buf, raw.data() + 2048 * 512, sizeof buf));
    EXPECT_FALSE(reader.seek(-2049 * 512, 0));
    EXPECT_TRUE(reader.seek(-2048 * 512, 0));
}

INSTANTIATE_TEST_SUITE_P(DynamicAndStatic, VdiImages, ::testing::Values("pattern-dynamic.vdi", "pattern-static.vdi"));

TEST(VdiDynamic, UnallocatedBlocksReadAsZerosWithoutTouchingTheFile) {
    FileReadSeekVdi reader;
    ASSERT_TRUE(reader.open(salvor::test::fixturePath("pattern-dynamic.vdi")));
    EXPECT_EQ(reader.header().allocatedBlocks, 5u);
    // Sectors 6144.. lie in block 3, which qemu-img left unallocated.
    ASSERT_TRUE(reader.seek(6144 * 512, 0));
    EXPECT_FALSE(reader.blockAllocated);
    std::vector<char> buf(1000, '\xAA');  // a trailing partial sector too
    EXPECT_TRUE(reader.read(buf.data(), static_cast<uint32_t>(buf.size())));
    EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](char c) { return c == 0; }));
    ASSERT_TRUE(reader.seek(0, 0));
    EXPECT_TRUE(reader.blockAllocated);
}

TEST(VdiOpen, ReadOnlyFileOpensAndMissingFileSaysInvalidHandle) {
    PromptCapture capture;
    const std::string dir = salvor::test::scratchFolder("vdi-open");
    const std::string copy = dir + "/ro.vdi";
    fs::copy_file(salvor::test::fixturePath("pattern-dynamic.vdi"), copy);
    ::chmod(copy.c_str(), 0444);
    FileReadSeekVdi reader;
    EXPECT_TRUE(reader.open(copy));
    EXPECT_TRUE(capture.prompter.messages().empty());

    FileReadSeekVdi missing;
    EXPECT_FALSE(missing.open(dir + "/nope.vdi"));
    EXPECT_EQ(capture.prompter.messages(), std::vector<std::string>{"invalid handle ..."});
}

int openDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

TEST(VdiOpen, FileIsClosedWhenTheReaderGoes) {
    const std::string path = salvor::test::fixturePath("pattern-dynamic.vdi");
    const int before = openDescriptors();
    {
        FileReadSeekVdi reader;
        ASSERT_TRUE(reader.open(path));
        ASSERT_TRUE(reader.open(path));  // opening again does not leak the first file
        EXPECT_EQ(openDescriptors(), before + 1);
    }
    EXPECT_EQ(openDescriptors(), before);
}

// Hand-patched copies of a real image, one hostile header value each.
struct Patch {
    const char* name;
    size_t offset;
    int width;
    uint64_t value;
    size_t truncateTo;  // 0: keep the length
};

class VdiBadHeader : public ::testing::TestWithParam<Patch> {};

TEST_P(VdiBadHeader, OpenRefusesWithoutMessage) {
    PromptCapture capture;
    const Patch& p = GetParam();
    std::string bytes = salvor::test::readFile(salvor::test::fixturePath("pattern-dynamic.vdi"));
    for (int i = 0; i < p.width; ++i) bytes[p.offset + i] = static_cast<char>((p.value >> (8 * i)) & 0xFF);
    if (p.truncateTo) bytes.resize(p.truncateTo);
    const std::string path = salvor::test::scratchFolder(std::string("bad-") + p.name) + "/bad.vdi";
    salvor::test::writeFile(path, bytes);
    FileReadSeekVdi reader;
    EXPECT_FALSE(reader.open(path));
    EXPECT_TRUE(capture.prompter.messages().empty());
    char buf[512];
    EXPECT_FALSE(reader.seek(0, 0));
    EXPECT_FALSE(reader.read(buf, sizeof buf));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VdiBadHeader,
    ::testing::Values(Patch{"map_past_file", 0x154, 4, 0x7FFFFFF0, 0},
                      Patch{"huge_entry_count", 0x180, 4, 0xFFFFFFFF, 0},
                      Patch{"block_size_not_sector_multiple", 0x178, 4, 1000, 0},
                      Patch{"block_size_zero", 0x178, 4, 0, 0},
                      Patch{"no_allocated_blocks", 0x184, 4, 0, 0},
                      Patch{"disk_size_zero", 0x170, 8, 0, 0},
                      Patch{"disk_size_negative", 0x170, 8, 0x8000000000000000ULL, 0},
                      Patch{"header_size_zero", 0x48, 4, 0, 0},
                      Patch{"no_signature", 0x40, 4, 0x12345678, 0},
                      Patch{"shorter_than_header", 0, 0, 0, 300}),
    [](const ::testing::TestParamInfo<Patch>& p) { return std::string(p.param.name); });

TEST(VdiOpen, EmptyImageWithNoAllocatedBlocksIsRefused) {
    FileReadSeekVdi reader;
    EXPECT_FALSE(reader.open(salvor::test::fixturePath("empty-10g.vdi")));
}

TEST(VdiMap, EntryPastTheFileFailsTheReadWithZeros) {
    std::string bytes = salvor::test::readFile(salvor::test::fixturePath("pattern-dynamic.vdi"));
    const uint32_t mapOffset = salvor::le32(reinterpret_cast<const uint8_t*>(bytes.data()) + 0x154);
    auto put = [&](uint32_t index, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[mapOffset + 4 * index + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(0, 0x00FFFFF0);  // block 0 now points far past the end of the file
    put(3, 0xFFFFFFFE);  // block 3 marked as a discarded (zero) block
    const std::string path = salvor::test::scratchFolder("vdi-map") + "/map.vdi";
    salvor::test::writeFile(path, bytes);
    FileReadSeekVdi reader;
    ASSERT_TRUE(reader.open(path));
    std::vector<char> buf(4096, 'x');
    ASSERT_TRUE(reader.seek(0, 0));
    EXPECT_FALSE(reader.read(buf.data(), static_cast<uint32_t>(buf.size())));
    EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](char c) { return c == 0; }));
    std::fill(buf.begin(), buf.end(), 'x');
    ASSERT_TRUE(reader.seek(3 * 1048576, 0));
    EXPECT_FALSE(reader.blockAllocated);
    EXPECT_TRUE(reader.read(buf.data(), static_cast<uint32_t>(buf.size())));
    EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](char c) { return c == 0; }));
}

TEST(VdiFixtures, EveryDiskOpensWithItsManifestSize) {
    for (const char* group : {"mbr", "gpt", "notable", "fatoem"}) {
        SCOPED_TRACE(group);
        const auto m = salvor::test::manifest(group);
        FileReadSeekVdi reader;
        ASSERT_TRUE(reader.open(salvor::test::fixturePath(std::string(group) + ".vdi")));
        EXPECT_EQ(reader.diskSize(), m["disk"]["size"].get<int64_t>());
        EXPECT_EQ(reader.header().formatVersion, m["images"][std::string(group) + ".vdi"]["vdi"]["format_version"].get<uint32_t>());
        uint8_t mbr[512];
        ASSERT_TRUE(reader.readAt(0, mbr, sizeof mbr));
        if (m["disk"]["table"] != "none") {
            EXPECT_EQ(salvor::le16(mbr + 510), 0xAA55);
        }
    }
}

}  // namespace

// salvor-cli as a script would run it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>
#include <filesystem>
#include <map>
#include <sstream>
#include <nlohmann/json.hpp>

#include "fixture.h"

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun runCli(const std::string& args) {
    const std::string errPath = salvor::test::scratchFolder("cli") + "/stderr";
    const std::string cmd = std::string(SALVOR_CLI_PATH) + " " + args + " 2>" + errPath;
    CliRun r{};
    FILE* p = ::popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.err = salvor::test::readFile(errPath);
    return r;
}

TEST(CliInfo, PrintsTheInformationBlock) {
    const auto m = salvor::test::manifest("pattern")["images"]["pattern-dynamic.vdi"]["vdi"];
    const CliRun r = runCli("info " + salvor::test::fixturePath("pattern-dynamic.vdi"));
    EXPECT_EQ(r.status, 0);
    const std::string expected = "File Format Version: " + std::to_string(m["format_version"].get<int>()) + "\n" +
                                 "Size of HDD: " + std::to_string(m["size_mb"].get<int>()) + " MB\n" +
                                 "Sector per track: " + std::to_string(m["sectors_per_track"].get<int>()) + "\n" +
                                 "Head: " + std::to_string(m["heads"].get<int>()) + "\n" +
                                 "Cylinder: " + std::to_string(m["cylinders"].get<int>()) + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(runCli("info " + salvor::test::fixturePath("empty-10g.vdi")).out.substr(0, 48),
              "File Format Version: 65537\nSize of HDD: 10240 MB");
}

TEST(CliInfo, UnreadableOrForeignFilesExitWithTwo) {
    for (const std::string& path : {salvor::test::fixturePath("pattern.raw"), std::string("/nonexistent/disk.vdi")}) {
        const CliRun r = runCli("info " + path);
        EXPECT_EQ(r.status, 2) << path;
        EXPECT_TRUE(r.out.empty());
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    EXPECT_EQ(runCli("").status, 2);
}

}  // namespace

namespace {

TEST(CliVolumes, PrintsOneTabSeparatedLinePerVolume) {
    const CliRun mbr = runCli("volumes " + salvor::test::fixturePath("mbr.vdi"));
    EXPECT_EQ(mbr.status, 0);
    EXPECT_EQ(mbr.out,
              "0\tNTFS\t24   MB\t2048\n1\tFAT32\t40   MB\t51200\n2\tFAT12\t4   MB\t133120\n"
              "3\tFAT16\t16   MB\t143360\n4\textX\t12   MB\t178176\n5\tFAT64\t8   MB\t204800\n");
    const std::string notable = salvor::test::fixturePath("notable.vdi");
    const CliRun none = runCli("volumes " + notable);
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    const CliRun range = runCli("volumes " + notable + " --advanced --no-skip --start 2048 --end 2048");
    EXPECT_EQ(range.out, "0\tNTFS\t15   MB\t2048\n");
    EXPECT_EQ(runCli("volumes " + notable + " --start 5").status, 2);  // range needs --advanced
    EXPECT_EQ(runCli("volumes " + salvor::test::fixturePath("pattern.raw")).status, 2);
}

}  // namespace

namespace {

TEST(CliLsAndSave, ListsAndSavesAVolumeAsTheManifestSays) {
    const auto vol = salvor::test::manifest("mbr")["volumes"][0];
    const std::string image = salvor::test::fixturePath("mbr.vdi");
    const CliRun ls = runCli("ls " + image + " --volume 0 --json");
    ASSERT_EQ(ls.status, 0);
    std::map<std::string, nlohmann::json> byPath;
    std::istringstream lines(ls.out);
    for (std::string line; std::getline(lines, line);) {
        const auto j = nlohmann::json::parse(line);
        byPath[j["path"]] = j;
    }
    for (const auto& e : vol["entries"]) {
        const std::string path = "ROOT/" + e["path"].get<std::string>();
        ASSERT_TRUE(byPath.count(path)) << path;
        EXPECT_EQ(byPath[path]["type"], e["kind"] == "dir" ? "dir" : "file") << path;
        EXPECT_EQ(byPath[path]["deleted"], e["deleted"]) << path;
        if (e["kind"] == "file" && !e["deleted"].get<bool>()) {
            EXPECT_EQ(byPath[path]["size"], e["size"]) << path;
        }
    }
    EXPECT_EQ(runCli("ls " + image + " --volume 9").status, 2);

    const std::string out = salvor::test::scratchFolder("cli-save");
    const CliRun save = runCli("save " + image + " --volume 0 --out " + out + " ROOT/docs");
    EXPECT_EQ(save.status, 0);
    EXPECT_NE(save.out.find("files: 3, bytes: "), std::string::npos) << save.out;
    EXPECT_TRUE(std::filesystem::exists(out + "/nested/deep/leaf.txt"));
    EXPECT_EQ(runCli("save " + image + " --volume 0 --out " + out + " ROOT/no-such-thing").status, 2);
    EXPECT_EQ(runCli("save " + image + " --volume 0 --out /nonexistent/folder").status, 2);
}

TEST(CliLsAndSave, RecoveryModesAndCandidates) {
    const std::string image = salvor::test::fixturePath("ntfsdamage.vdi");
    const CliRun c = runCli("candidates " + image + " --volume 0");
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out.substr(0, 17), "0\t16384\n1\t131072\n");
    const CliRun old = runCli("ls " + image + " --volume 0 --mode advanced --candidate 1 --cluster-sectors 128");
    EXPECT_NE(old.out.find("ROOT/docs/report.txt\tf\tlive"), std::string::npos);
    const CliRun deep = runCli("ls " + image + " --volume 1 --mode deep");
    EXPECT_EQ(deep.status, 0);
    EXPECT_EQ(deep.out.rfind("ROOT/ORPHAN_ENTRY\t", 0), 0u);
    EXPECT_EQ(runCli("ls " + salvor::test::fixturePath("mbr.vdi") + " --volume 1 --mode deep").status, 2);  // FAT32
}

}  // namespace

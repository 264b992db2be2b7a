// The platform layer: times, code pages, folders, the instance guard and the
// worker protocol's control.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "fixture.h"
#include "platform/codepage.h"
#include "platform/instance_guard.h"
#include "platform/paths.h"
#include "platform/time_conv.h"
#include "platform/worker.h"

using namespace salvor::platform;
using namespace std::chrono_literals;

namespace {

uint64_t fileTimeOf(int64_t unixSeconds) { return unixToFileTime(unixSeconds); }

TEST(TimeConv, FileTimesBecomeLocalCalendarValuesThroughTheZone) {
    // ctest pins TZ=Europe/Berlin for this binary.
    struct Case { int64_t unix; int y, mo, d, h, mi; } cases[] = {
        {1625140800, 2021, 7, 1, 14, 0},    // 12:00 UTC in summer time
        {1610753400, 2021, 1, 16, 0, 30},   // 23:30 UTC the day before, winter
        {0, 1970, 1, 1, 1, 0},
    };
    for (const auto& c : cases) {
        CalendarTime t;
        ASSERT_TRUE(fileTimeToLocal(fileTimeOf(c.unix), t));
        EXPECT_EQ(t.year, c.y);
        EXPECT_EQ(t.month, c.mo);
        EXPECT_EQ(t.day, c.d);
        EXPECT_EQ(t.hour, c.h);
        EXPECT_EQ(t.minute, c.mi);
        int64_t back = 0;
        ASSERT_TRUE(localToUnix(t, back));
        EXPECT_EQ(back, c.unix);
    }
    const timespec ts = fileTimeToTimespec(fileTimeOf(1625140800) + 1234567);
    EXPECT_EQ(ts.tv_sec, 1625140800);
    EXPECT_EQ(ts.tv_nsec, 123456700);
    CalendarTime utc;
    ASSERT_TRUE(fileTimeToUtc(fileTimeOf(1625140800), utc));
    EXPECT_EQ(utc.hour, 12);
}

TEST(CodePage, ShortNamesAndUtf16Names) {
    EXPECT_EQ(codePageToUtf8("\xE4x", 2, "CP1252"), "\xC3\xA4x");
    EXPECT_EQ(codePageToUtf8("\x81", 1, "CP437"), "\xC3\xBC");
    EXPECT_EQ(codePageToUtf8("ab", 2, "NO-SUCH-CODEPAGE"), "ab");
    const uint8_t pair[] = {0x3D, 0xD8, 0x00, 0xDE, 'a', 0};             // U+1F600 then 'a'
    EXPECT_EQ(utf16ToUtf8(pair, 3), "\xF0\x9F\x98\x80" "a");
    const uint8_t lone[] = {0x00, 0xDC, 'b', 0, 0, 0, 'c', 0};           // lone low surrogate
    EXPECT_EQ(utf16ToUtf8(lone, 4), std::string("\xEF\xBF\xBD" "b" "\0c", 6));
    EXPECT_EQ(utf16ToUtf8(lone, 4, false, true), "\xEF\xBF\xBD" "b");
    const uint8_t be[] = {0, 'H', 0, 'i'};
    EXPECT_EQ(utf16ToUtf8(be, 2, true), "Hi");
    EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
}

TEST(Paths, WorkingFolderLivesInTheTemporaryFolder) {
    const std::string tmp = salvor::test::scratchFolder("paths");
    ::setenv("TMPDIR", tmp.c_str(), 1);
    const std::string wf = workingFolder();
    ::unsetenv("TMPDIR");
    EXPECT_EQ(wf, tmp + "/AryInfoVexdor/");
    EXPECT_TRUE(std::filesystem::is_directory(wf));
    ::setenv("TMPDIR", tmp.c_str(), 1);
    EXPECT_EQ(workingFolder(), wf);  // an existing folder is fine
    ::unsetenv("TMPDIR");
    const std::string exe = executableFolder();
    EXPECT_EQ(exe.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(exe + "test_platform"));
    EXPECT_EQ(joinPath("a/", "/b"), "a/b");
    EXPECT_EQ(joinPath("a", "b"), "a/b");
}

TEST(InstanceGuard, SecondInstanceSeesTheFirst) {
    const std::string lock = salvor::test::scratchFolder("guard") + "/instance.lock";
    InstanceGuard first(lock);
    ASSERT_TRUE(first.acquire());
    {
        InstanceGuard second(lock);
        EXPECT_TRUE(second.anotherInstanceRunning());
    }
    first.release();
    InstanceGuard third(lock);
    EXPECT_TRUE(third.acquire());
}

// A worker that counts units until it is told to stop.
struct CountingWorker {
    WorkerControl control;
    std::atomic<int> units{0};
    std::atomic<bool> done{false};
    std::thread thread{[this] {
        while (control.poll()) {
            ++units;
            std::this_thread::sleep_for(100us);
        }
        done = true;
    }};
    ~CountingWorker() {
        control.requestStop();
        thread.join();
    }
};

bool eventually(const std::function<bool()>& cond) {
    for (int i = 0; i < 2000 && !cond(); ++i) std::this_thread::sleep_for(1ms);
    return cond();
}

TEST(WorkerControl, PausesAreCountedAndStopEndsAtTheNextPoll) {
    CountingWorker w;
    ASSERT_TRUE(eventually([&] { return w.units > 0; }));
    w.control.pause();
    w.control.pause();
    ASSERT_TRUE(eventually([&] { return w.control.waiting(); }));
    w.control.resume();
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(w.control.waiting());  // one Pause still open
    const int frozen = w.units;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(w.units, frozen);
    w.control.resume();
    ASSERT_TRUE(eventually([&] { return w.units > frozen; }));
    w.control.resume();  // below zero is ignored
    EXPECT_EQ(w.control.pauseCount(), 0);
    w.control.requestStop();
    EXPECT_TRUE(eventually([&] { return w.done.load(); }));
}

TEST(WorkerControl, StopReachesAPausedWorker) {
    CountingWorker w;
    w.control.pause();
    ASSERT_TRUE(eventually([&] { return w.control.waiting(); }));
    w.control.requestStop();
    EXPECT_TRUE(eventually([&] { return w.done.load(); }));
}

}  // namespace

#pragma once
// Time conversion between file-system times and calendar values. File times
// are counts of 100 ns since 1601-01-01 UTC; local values go through the
// process time zone (TZ).
#include <cstdint>
#include <ctime>

namespace salvor::platform {

struct CalendarTime {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

constexpr int64_t kFileTimeUnixEpochSeconds = 11644473600LL;

// UTC file time -> local calendar time. False when the value is outside what
// the calendar can express.
bool fileTimeToLocal(uint64_t fileTime, CalendarTime& out);

// UTC file time -> UTC calendar time.
bool fileTimeToUtc(uint64_t fileTime, CalendarTime& out);

// UTC file time -> seconds and nanoseconds since 1970 (for setting file times).
timespec fileTimeToTimespec(uint64_t fileTime);

// Seconds since 1970 -> file time.
uint64_t unixToFileTime(int64_t seconds, uint32_t nanoseconds = 0);

// A local calendar time (no zone attached) -> seconds since 1970 UTC, through
// the process time zone. False when the time cannot be represented.
bool localToUnix(const CalendarTime& local, int64_t& seconds);

}  // namespace salvor::platform

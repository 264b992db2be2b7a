#include "platform/time_conv.h"

#include <cerrno>

namespace salvor::platform {

namespace {
bool splitFileTime(uint64_t fileTime, time_t& secs, int& ms) {
    const uint64_t whole = fileTime / 10000000ULL;
    if (whole > static_cast<uint64_t>(INT64_MAX)) return false;
    secs = static_cast<time_t>(static_cast<int64_t>(whole) - kFileTimeUnixEpochSeconds);
    ms = static_cast<int>((fileTime % 10000000ULL) / 10000ULL);
    return true;
}

void fromTm(const tm& t, int ms, CalendarTime& out) {
    out.year = t.tm_year + 1900;
    out.month = t.tm_mon + 1;
    out.day = t.tm_mday;
    out.hour = t.tm_hour;
    out.minute = t.tm_min;
    out.second = t.tm_sec;
    out.millisecond = ms;
}
}  // namespace

bool fileTimeToLocal(uint64_t fileTime, CalendarTime& out) {
    time_t secs;
    int ms;
    if (!splitFileTime(fileTime, secs, ms)) return false;
    tm t{};
    if (!localtime_r(&secs, &t)) return false;
    fromTm(t, ms, out);
    return true;
}

bool fileTimeToUtc(uint64_t fileTime, CalendarTime& out) {
    time_t secs;
    int ms;
    if (!splitFileTime(fileTime, secs, ms)) return false;
    tm t{};
    if (!gmtime_r(&secs, &t)) return false;
    fromTm(t, ms, out);
    return true;
}

timespec fileTimeToTimespec(uint64_t fileTime) {
    timespec ts{};
    const int64_t whole = static_cast<int64_t>(fileTime / 10000000ULL);
    ts.tv_sec = static_cast<time_t>(whole - kFileTimeUnixEpochSeconds);
    ts.tv_nsec = static_cast<long>((fileTime % 10000000ULL) * 100ULL);
    return ts;
}

uint64_t unixToFileTime(int64_t seconds, uint32_t nanoseconds) {
    const int64_t s = seconds + kFileTimeUnixEpochSeconds;
    if (s < 0) return 0;
    return static_cast<uint64_t>(s) * 10000000ULL + nanoseconds / 100U;
}

bool localToUnix(const CalendarTime& local, int64_t& seconds) {
    tm t{};
    t.tm_year = local.year - 1900;
    t.tm_mon = local.month - 1;
    t.tm_mday = local.day;
    t.tm_hour = local.hour;
    t.tm_min = local.minute;
    t.tm_sec = local.second;
    t.tm_isdst = -1;
    errno = 0;
    time_t r = mktime(&t);
    if (r == static_cast<time_t>(-1) && errno != 0) return false;
    seconds = static_cast<int64_t>(r);
    return true;
}

}  // namespace salvor::platform

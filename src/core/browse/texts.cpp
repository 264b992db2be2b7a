#include "browse/texts.h"

#include <cstdio>

namespace salvor {

std::string formatTimeText(const platform::CalendarTime& t) {
    const bool pm = t.hour >= 12;
    int h = t.hour % 12;
    if (h == 0) h = 12;
    char buf[64];
    std::snprintf(buf, sizeof buf, pm ? "%02d/%02d/%d  %02d:%02d PM" : "%02d/%02d/%d  %02d:%02d AM", t.month, t.day,
                  t.year, h, t.minute);
    return buf;
}

std::string fileTimeText(uint64_t fileTime) {
    platform::CalendarTime t;
    if (!platform::fileTimeToLocal(fileTime, t)) return std::string();
    return formatTimeText(t);
}

std::string formatSizeText(int64_t bytes) {
    const double x = static_cast<double>(bytes);
    char buf[64];
    if (x / 1073741824.0 >= 1) std::snprintf(buf, sizeof buf, "%.2f GB", x / 1073741824.0);
    else if (x / 1048576.0 >= 1) std::snprintf(buf, sizeof buf, "%.2f MB", x / 1048576.0);
    else if (x / 1024.0 >= 1) std::snprintf(buf, sizeof buf, "%.2f KB", x / 1024.0);
    else std::snprintf(buf, sizeof buf, "%lld Bytes", static_cast<long long>(bytes));
    return buf;
}

}  // namespace salvor

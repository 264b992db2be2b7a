#pragma once
// The list texts every parser prints alike.
#include <cstdint>
#include <string>

#include "platform/time_conv.h"

namespace salvor {

// "%02d/%02d/%d  %02d:%02d AM" (month, day, year, hour, minute) on a 12-hour
// clock: 00:05 reads 12:05 AM, 12:30 reads 12:30 PM, 13:05 reads 01:05 PM.
std::string formatTimeText(const platform::CalendarTime& t);
// A UTC file time (100 ns since 1601) as local time text; empty when the time
// cannot be shown.
std::string fileTimeText(uint64_t fileTime);

// "%.2f GB", "%.2f MB", "%.2f KB" (thresholds 2^30, 2^20, 2^10) or "%lld Bytes".
std::string formatSizeText(int64_t bytes);

}  // namespace salvor

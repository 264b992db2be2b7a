#pragma once
// The volume list page's decisions, kept apart from its widgets: how a scan is
// set up, what "Filter Entries" hides, and how the custom settings change the
// chosen record.
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/partition.h"
#include "discovery/volume_record.h"

namespace salvor {

// Scan mode 1 is the standard scan, 2 the advanced (sector) scan.
void configureScan(Partition& scan, int mode, bool useGpt, bool doNotSkip, int64_t customStart, int64_t customEnd);

// The rows "Filter Entries" keeps, as indices into `rows` (in list order): a row
// is hidden when its start sector repeats an earlier row's, or lies inside an
// earlier kept volume of the same file system (a backup boot sector).
std::vector<size_t> filteredRows(const std::vector<VolumeRecord>& rows);
inline constexpr const char* kFilterRule =
    "Filter volume entries: hides rows that repeat a start sector or start inside an earlier volume "
    "of the same file system (backup boot sectors). Press again to show all rows.";

// Sectors a listed volume covers: the exact count when known, else from the
// size text in MiB.
int64_t volumeSectors(const VolumeRecord& r);

// End sector shown for a selected row: size x 2048 + start - 1, or 0.
int64_t defaultEndSector(const std::string& sizeColumn, const std::string& startColumn);

// The custom settings applied to the chosen record: start and size from the
// edits, the file system from the "Treat file system as:" choice when it is one
// of the parsable kinds.
void applyCustomSettings(VolumeRecord& r, const std::string& startText, const std::string& endText,
                         const std::string& fileSystemChoice);

// Rebuilds a record from its row texts (after an earlier override).
VolumeRecord recordFromRow(const std::string& nameColumn, const std::string& fsColumn, const std::string& sizeColumn,
                           const std::string& startColumn);

// The items of the "Treat file system as:" list, sorted as shown.
std::vector<std::string> fileSystemChoices();

}  // namespace salvor

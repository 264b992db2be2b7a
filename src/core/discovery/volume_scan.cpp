#include "discovery/volume_scan.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace salvor {

void configureScan(Partition& scan, int mode, bool useGpt, bool doNotSkip, int64_t customStart, int64_t customEnd) {
    scan.useGpt = useGpt;
    if (mode == 2) {
        scan.skipVolumeSize = !doNotSkip;
        if (customEnd >= 0) {
            scan.customStartSector = customStart;
            scan.customEndSector = customEnd;
        }
    }
}

int64_t volumeSectors(const VolumeRecord& r) {
    if (r.sectorCount > 0) return r.sectorCount;
    const int64_t mib = leadingNumber(r.sizeText);
    return mib > 0 && mib < (INT64_MAX >> 11) ? mib * 2048 : 0;
}

std::vector<size_t> filteredRows(const std::vector<VolumeRecord>& rows) {
    std::vector<size_t> kept;
    std::set<int64_t> starts;
    for (size_t i = 0; i < rows.size(); ++i) {
        const VolumeRecord& r = rows[i];
        if (!starts.insert(r.startSector).second) continue;
        bool inside = false;
        for (size_t k : kept) {
            const VolumeRecord& o = rows[k];
            // A volume's backup boot sector may sit on its last sector (NTFS):
            // the end is inclusive.
            if (equalsNoCase(o.fileSystem, r.fileSystem) && r.startSector > o.startSector &&
                r.startSector <= o.startSector + volumeSectors(o)) {
                inside = true;
                break;
            }
        }
        if (!inside) kept.push_back(i);
    }
    return kept;
}

int64_t defaultEndSector(const std::string& sizeColumn, const std::string& startColumn) {
    const int64_t size = leadingNumber(sizeColumn);
    const int64_t start = leadingNumber(startColumn);
    if (size <= 0 || size > (INT64_MAX >> 12) || start < 0 || start > (INT64_MAX >> 1)) return 0;
    return size * 2048 + start - 1;
}

void applyCustomSettings(VolumeRecord& r, const std::string& startText, const std::string& endText,
                         const std::string& fileSystemChoice) {
    const int64_t start = leadingNumber(startText);
    const int64_t end = leadingNumber(endText);
    r.startSector = start;
    r.sizeText = static_cast<uint64_t>(start) < static_cast<uint64_t>(end) ? std::to_string((end - start + 1) / 2048) : "0";
    r.sectorCount = static_cast<uint64_t>(start) < static_cast<uint64_t>(end) ? end - start + 1 : 0;
    for (const char* kind : {"ntfs", "fat16", "fat32", "fat64", "extX", "HFS+"}) {
        if (equalsNoCase(fileSystemChoice, kind)) {
            r.fileSystem = kind;
            break;
        }
    }
}

VolumeRecord recordFromRow(const std::string& nameColumn, const std::string& fsColumn, const std::string& sizeColumn,
                           const std::string& startColumn) {
    VolumeRecord r;
    r.name = nameColumn;
    r.fileSystem = fsColumn;
    std::string size;
    for (size_t i = 0; i < sizeColumn.size(); ++i) {
        if (sizeColumn.compare(i, 2, "MB") == 0) {
            ++i;
            continue;
        }
        size.push_back(sizeColumn[i]);
    }
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    size.erase(size.begin(), std::find_if(size.begin(), size.end(), notSpace));
    size.erase(std::find_if(size.rbegin(), size.rend(), notSpace).base(), size.end());
    r.sizeText = size;
    r.startSector = leadingNumber(startColumn);
    return r;
}

std::vector<std::string> fileSystemChoices() {
    std::vector<std::string> items = {"EXTX", "FAT64", "FAT32", "FAT16", "NTFS", "HFS+", "RAW"};
    std::sort(items.begin(), items.end());
    return items;
}

}  // namespace salvor

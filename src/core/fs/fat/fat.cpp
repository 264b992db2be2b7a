#include "fs/fat/fat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "browse/icon_index.h"
#include "browse/texts.h"
#include "image/read_write_interface.h"
#include "platform/codepage.h"
#include "platform/time_conv.h"
#include "util/endian.h"

namespace salvor {

namespace {
constexpr size_t kMaxLongNameSlots = 20;  // 255 characters need 20 slots
constexpr size_t kIoChunk = 1 << 20;
// FAT folders hold at most 65536 slots.
constexpr int64_t kMaxDirectoryBytes = 65536 * 32;

platform::CalendarTime dosToCalendar(uint16_t date, uint16_t time) {
    platform::CalendarTime t;
    t.year = (date >> 9) + 1980;
    t.month = (date >> 5) & 15;
    t.day = date & 31;
    t.hour = time >> 11;
    t.minute = (time >> 5) & 63;
    t.second = (time & 31) * 2;
    return t;
}

// FAT times are local wall-clock values: to UTC through the process time zone.
uint64_t dosToFileTime(uint16_t date, uint16_t time) {
    if (date == 0) return 0;
    int64_t secs = 0;
    if (!platform::localToUnix(dosToCalendar(date, time), secs)) return 0;
    return platform::unixToFileTime(secs);
}
}  // namespace

bool FatParserBase::readBootSector() {
    bootValid = false;
    uint8_t s[512];
    readVolume(0, s, sizeof s);
    if (!parseFatBpb(s, bpb)) return false;
    kind = bpb.fat32Layout ? Kind::Fat32 : (bpb.clusterCount < 4085 ? Kind::Fat12 : Kind::Fat16);
    if (!acceptsKind(kind) || bpb.sectorsPerFat == 0) return false;
    const int64_t bps = bpb.bytesPerSector;
    clusterSize = bps * bpb.sectorsPerCluster;
    fatStart = static_cast<int64_t>(bpb.reservedSectors) * bps;
    const int64_t afterFats = (static_cast<int64_t>(bpb.reservedSectors) + static_cast<int64_t>(bpb.fatCount) * bpb.sectorsPerFat) * bps;
    if (kind == Kind::Fat32) {
        rootStart = 0;
        rootBytes = 0;
        dataStart = afterFats;
    } else {
        rootStart = afterFats;
        rootBytes = static_cast<int64_t>(bpb.rootEntries) * 32;
        dataStart = rootStart + (rootBytes + bps - 1) / bps * bps;
    }
    // The size the boot sector states, bounded by the disk.
    volumeSize = static_cast<int64_t>(bpb.totalSectors) * bps;
    if (source) {
        const int64_t room = source->mappedSize() - base_;
        if (room > 0 && volumeSize > room) volumeSize = room;
    }
    const int64_t dataClusters = volumeSize > dataStart ? (volumeSize - dataStart) / clusterSize : 0;
    clusterCount = static_cast<uint32_t>(std::min<uint64_t>(bpb.clusterCount, static_cast<uint64_t>(std::max<int64_t>(dataClusters, 0))));
    bootValid = true;
    return true;
}

void FatParserBase::loadFat() {
    const size_t entries = static_cast<size_t>(clusterCount) + 2;
    const size_t fatBytes = static_cast<size_t>(bpb.sectorsPerFat) * bpb.bytesPerSector;
    size_t need = kind == Kind::Fat32 ? entries * 4 : kind == Kind::Fat16 ? entries * 2 : (entries * 3 + 1) / 2;
    need = std::min(need, fatBytes);
    std::vector<uint8_t> raw(need);
    readVolume(fatStart, raw.data(), raw.size());
    fat.assign(entries, 0);
    for (size_t c = 0; c < entries; ++c) {
        if (kind == Kind::Fat32) {
            if (4 * c + 4 > need) break;
            fat[c] = le32(raw.data() + 4 * c) & 0x0FFFFFFF;
        } else if (kind == Kind::Fat16) {
            if (2 * c + 2 > need) break;
            fat[c] = le16(raw.data() + 2 * c);
        } else {
            const size_t at = c + c / 2;
            if (at + 2 > need) break;
            const uint16_t v = le16(raw.data() + at);
            fat[c] = (c & 1) ? (v >> 4) : (v & 0x0FFF);
        }
    }
}

uint32_t FatParserBase::nextCluster(uint32_t cluster) const {
    if (driveFormatted || cluster < 2 || cluster >= fat.size()) return 0;
    const uint32_t v = fat[cluster];
    const uint32_t bad = kind == Kind::Fat32 ? 0x0FFFFFF7 : kind == Kind::Fat16 ? 0xFFF7 : 0xFF7;
    // End marks, the bad-cluster mark, free entries and clusters outside the volume end a chain.
    if (v >= bad || v < 2 || v >= fat.size()) return 0;
    return v;
}

std::vector<uint32_t> FatParserBase::chain(uint32_t first, size_t maxClusters) const {
    std::vector<uint32_t> out;
    // One bit per cluster of the volume: a cluster met twice ends the chain.
    std::vector<bool> seen(static_cast<size_t>(clusterCount) + 2, false);
    for (uint32_t c = first; c >= 2 && c < seen.size() && out.size() < maxClusters; c = nextCluster(c)) {
        if (seen[c]) break;
        seen[c] = true;
        out.push_back(c);
    }
    return out;
}

size_t FatParserBase::runLength(const std::vector<uint32_t>& clusters, size_t i, size_t maxClusters) {
    size_t run = 1;
    while (i + run < clusters.size() && run < maxClusters && clusters[i + run] == clusters[i] + run) ++run;
    return run;
}

std::vector<uint8_t> FatParserBase::readClusters(const std::vector<uint32_t>& clusters) const {
    std::vector<uint8_t> bytes(clusters.size() * static_cast<size_t>(clusterSize));
    // Clusters that follow each other on disk are read together.
    for (size_t i = 0; i < clusters.size();) {
        const size_t run = runLength(clusters, i, clusters.size());
        readVolume(clusterOffset(clusters[i]), bytes.data() + i * static_cast<size_t>(clusterSize), run * static_cast<size_t>(clusterSize));
        i += run;
    }
    return bytes;
}

uint8_t FatParserBase::shortNameChecksum(const uint8_t* n) {
    uint8_t sum = 0;
    for (int i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + n[i]);
    return sum;
}

std::string FatParserBase::shortNameText(const uint8_t* name11, uint8_t caseFlags, const char* codepage) {
    std::string base(reinterpret_cast<const char*>(name11), 8), ext(reinterpret_cast<const char*>(name11) + 8, 3);
    if (!base.empty() && static_cast<uint8_t>(base[0]) == 0x05) base[0] = static_cast<char>(0xE5);  // 0xE5 stored as 0x05
    while (!base.empty() && base.back() == ' ') base.pop_back();
    while (!ext.empty() && ext.back() == ' ') ext.pop_back();
    auto lower = [](std::string& s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    };
    if (caseFlags & 0x08) lower(base);
    if (caseFlags & 0x10) lower(ext);
    std::string text = platform::codePageToUtf8(base.data(), base.size(), codepage);
    if (!ext.empty()) text += "." + platform::codePageToUtf8(ext.data(), ext.size(), codepage);
    return text;
}

void FatParserBase::walkSlots(const std::vector<uint8_t>& bytes, uint32_t parent, bool expectDot,
                              std::vector<std::pair<uint32_t, uint32_t>>& pending) {
    std::vector<const uint8_t*> longName;  // the run's slots in disk order
    for (size_t off = 0; off + 32 <= bytes.size(); off += 32) {
        const uint8_t* s = bytes.data() + off;
        const uint8_t first = s[0], attr = s[11];
        if (expectDot && off == 0 && first != '.') return;  // the folder's cluster now holds something else
        if (first == 0x00 || (first == '.' && (attr & 0x10))) {
            longName.clear();
            continue;
        }
        if (attr == 0x0F) {
            if (longName.size() >= kMaxLongNameSlots) longName.clear();  // too long to be one name
            longName.push_back(s);
            continue;
        }
        if (attr & 0x08) {  // the volume label
            longName.clear();
            continue;
        }
        FatEntryRecord r;
        r.attributes = attr;
        r.createTimeTenths = s[13];
        r.createTime = le16(s + 14);
        r.createDate = le16(s + 16);
        r.accessDate = le16(s + 18);
        r.firstClusterHigh = kind == Kind::Fat32 ? le16(s + 20) : 0;
        r.writeTime = le16(s + 22);
        r.writeDate = le16(s + 24);
        r.firstClusterLow = le16(s + 26);
        r.fileSize = le32(s + 28);
        r.deleted = first == 0xE5;
        r.parentIndex = parent;
        r.selfIndex = static_cast<uint32_t>(records.size());
        // A long name belongs to this entry only when its checksum matches the
        // short name; a deleted entry lost its first byte, so any first byte may match.
        bool named = false;
        if (!longName.empty()) {
            uint8_t n11[11];
            std::memcpy(n11, s, 11);
            const uint8_t want = longName.front()[13];
            bool match = shortNameChecksum(n11) == want;
            for (int b = 0; !match && r.deleted && b < 256; ++b) {
                n11[0] = static_cast<uint8_t>(b);
                match = shortNameChecksum(n11) == want;
            }
            match = match && std::all_of(longName.begin(), longName.end(), [&](const uint8_t* p) { return p[13] == want; });
            if (match) {
                std::string name;
                for (auto it = longName.rbegin(); it != longName.rend(); ++it) {
                    uint8_t units[26];
                    std::memcpy(units, *it + 1, 10);
                    std::memcpy(units + 10, *it + 14, 12);
                    std::memcpy(units + 22, *it + 28, 4);
                    name += platform::utf16ToUtf8(units, 13, false, true);
                }
                if (!name.empty()) {
                    r.name = name;
                    named = true;
                }
            }
        }
        longName.clear();
        if (!named) r.name = shortNameText(s, s[12], "CP1252");
        records.push_back(std::move(r));
        const FatEntryRecord& added = records.back();
        if (added.isFolder() && added.firstCluster() >= 2) pending.emplace_back(added.selfIndex, added.firstCluster());
    }
}

void FatParserBase::walkDirectories() {
    records.clear();
    FatEntryRecord root;
    root.attributes = 0x10;
    root.name = "DUMMY ENTRY";
    records.push_back(root);
    std::vector<std::pair<uint32_t, uint32_t>> pending;  // folder record, first cluster
    std::vector<uint8_t> rootBytesRead;
    if (kind == Kind::Fat32) {
        const size_t maxClusters = static_cast<size_t>(kMaxDirectoryBytes / clusterSize) + 1;
        rootBytesRead = readClusters(chain(bpb.rootCluster, maxClusters));
    } else if (rootBytes > 0) {
        rootBytesRead.resize(static_cast<size_t>(rootBytes));
        readVolume(rootStart, rootBytesRead.data(), rootBytesRead.size());
    }
    walkSlots(rootBytesRead, 0, false, pending);
    std::unordered_set<uint32_t> walked;
    size_t done = 0;
    while (!pending.empty()) {
        if (!keepGoing()) break;
        const auto [folder, cluster] = pending.back();
        pending.pop_back();
        if (!walked.insert(cluster).second) continue;  // a folder cluster is walked once
        const size_t maxClusters = static_cast<size_t>(kMaxDirectoryBytes / clusterSize) + 1;
        const std::vector<uint8_t> bytes = readClusters(chain(cluster, maxClusters));
        walkSlots(bytes, folder, true, pending);
        if (++done % 256 == 0) status("Finding " + std::string(fsLabel()) + " File And Directory entries recursively....");
    }
}

void FatParserBase::linkEntries() {
    for (size_t i = 1; i < records.size(); ++i) {
        FatEntryRecord& r = records[i];
        const uint32_t p = r.parentIndex;
        if (p >= records.size() || p == i) continue;
        FatEntryRecord& parent = records[p];
        if (parent.firstChild < 0) parent.firstChild = static_cast<int64_t>(i);
        else records[static_cast<size_t>(parent.lastChild)].nextSibling = static_cast<int64_t>(i);
        parent.lastChild = static_cast<int64_t>(i);
    }
}

void FatParserBase::fillTree() {
    if (!tree) return;
    const int folder = icons ? icons->folderImage() : IconIndex::kFolder;
    for (auto c = firstChildOf(0); c; c = nextSiblingOf(*c)) {
        const FatEntryRecord& r = records[*c];
        const int image = r.isFolder() ? folder : (icons ? icons->imageForName(r.name) : IconIndex::kGenericFile);
        const TreeItem item = tree->insertItem(r.name, image, image, rootItem);
        tree->setItemData(item, *c);
        if (r.deleted) tree->setTextColor(item, kDeletedColor);
    }
    tree->setExpanded(rootItem, true);
}

bool FatParserBase::parse() {
    base_ = volume.startSector * 512;
    if (source) source->baseOffset = base_;
    if (tree) {
        const int folder = icons ? icons->folderImage() : IconIndex::kFolder;
        rootItem = tree->insertItem("ROOT", folder, folder, kNoItem);
    }
    if (!readBootSector()) return false;
    loadFat();
    status("Finding " + std::string(fsLabel()) + " File And Directory entries recursively....");
    walkDirectories();
    status("maintaining tree Structure in vector...");
    linkEntries();
    status("Creating Tree Structure....");
    fillTree();
    status("Tree Structure Created.");
    return true;
}

bool FatParserBase::isDeleted(EntryRef r) const {
    if (!validRef(r)) return false;
    const FatEntryRecord& e = records[r];
    if (e.deleted) return true;
    return !e.isFolder() && e.parentIndex < records.size() && records[e.parentIndex].deleted;
}

std::optional<EntryRef> FatParserBase::firstChildOf(EntryRef r) const {
    if (!validRef(r) || records[r].firstChild < 0) return std::nullopt;
    return static_cast<EntryRef>(records[r].firstChild);
}

std::optional<EntryRef> FatParserBase::nextSiblingOf(EntryRef r) const {
    if (!validRef(r) || records[r].nextSibling < 0) return std::nullopt;
    return static_cast<EntryRef>(records[r].nextSibling);
}

EntryTexts FatParserBase::entryTimeTexts(EntryRef r) {
    EntryTexts t;
    if (!validRef(r) || r == 0) return t;
    const FatEntryRecord& e = records[r];
    t.created = formatTimeText(dosToCalendar(e.createDate, e.createTime));
    const platform::CalendarTime a = dosToCalendar(e.accessDate, 0);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%d ", a.month, a.day, a.year);
    t.accessed = buf;
    t.modified = formatTimeText(dosToCalendar(e.writeDate, e.writeTime));
    if (e.attributes & 0x01) t.attributes += "-R";
    if (e.attributes & 0x02) t.attributes += "-H";
    if (e.attributes & 0x04) t.attributes += "-S";
    if (e.attributes & 0x20) t.attributes += "-A";
    return t;
}

std::string FatParserBase::entrySizeText(EntryRef r) { return formatSizeText(entrySize(r)); }

EntryFace::Times FatParserBase::entryTimes(EntryRef r) {
    Times t;
    if (!validRef(r) || r == 0) return t;
    const FatEntryRecord& e = records[r];
    t.created = dosToFileTime(e.createDate, e.createTime);
    t.accessed = dosToFileTime(e.accessDate, 0);
    t.modified = dosToFileTime(e.writeDate, e.writeTime);
    return t;
}

EntryFace::SaveOutcome FatParserBase::saveEntry(EntryRef r, platform::ByteSink& out) {
    SaveOutcome o;
    if (!validRef(r) || r == 0 || !bootValid || clusterSize <= 0) return o;
    o.written = true;
    const FatEntryRecord& e = records[r];
    if (e.isFolder() || e.fileSize == 0) return o;
    const size_t needed = static_cast<size_t>((static_cast<int64_t>(e.fileSize) + clusterSize - 1) / clusterSize);
    std::vector<uint32_t> clusters;
    if (driveFormatted) {
        // A formatted drive's FAT says nothing: the clusters that follow the first.
        for (uint64_t c = e.firstCluster(); c >= 2 && c < static_cast<uint64_t>(clusterCount) + 2 && clusters.size() < needed; ++c)
            clusters.push_back(static_cast<uint32_t>(c));
    } else {
        clusters = chain(e.firstCluster(), needed);
    }
    int64_t left = e.fileSize;
    std::vector<uint8_t> buf;
    const size_t chunkClusters = std::max<size_t>(1, kIoChunk / static_cast<size_t>(clusterSize));
    for (size_t i = 0; i < clusters.size() && left > 0;) {
        const size_t run = runLength(clusters, i, chunkClusters);
        const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(run) * clusterSize, left));
        buf.resize(n);
        if (!readVolume(clusterOffset(clusters[i]), buf.data(), n)) o.complete = false;
        if (!out.write(buf.data(), n)) return o;
        o.bytes += static_cast<int64_t>(n);
        left -= static_cast<int64_t>(n);
        i += run;
    }
    // A chain that ends before the size does leaves the file shorter.
    if (left > 0) o.complete = false;
    return o;
}

}  // namespace salvor

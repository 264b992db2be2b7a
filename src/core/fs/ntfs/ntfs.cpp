#include "fs/ntfs/ntfs.h"

#include <algorithm>
#include <cstring>

#include "browse/icon_index.h"
#include "browse/texts.h"
#include "fs/ntfs/lznt1.h"
#include "platform/prompter.h"
#include "image/read_write_interface.h"
#include "platform/codepage.h"
#include "util/endian.h"

namespace salvor {

using namespace ntfs_format;

namespace {
constexpr int64_t kMiB = 1 << 20;
constexpr size_t kBatchRecords = 1024;  // records read per request when parsing in MFT order
constexpr int kMaxAncestorWalk = 100000;

int64_t parentReference(const uint8_t* v) {
    uint64_t ref = le64(v) & 0xFFFFFFFFFFFFULL;
    if (ref & (1ULL << 47)) ref |= 0xFFFF000000000000ULL;  // bit 47 set reads as negative
    return static_cast<int64_t>(ref);
}
}  // namespace

bool ntfs::readRecord(int64_t offset, Record& rec) const {
    const bool ok = readVolume(offset, rec.data(), rec.size());
    applyFixup(rec);
    return ok;
}

void ntfs::prepareVolume() {
    base_ = volume.startSector * 512;
    if (source) source->baseOffset = base_;
    if (tree) {
        const int folder = icons ? icons->folderImage() : IconIndex::kFolder;
        rootItem = tree->insertItem("ROOT", folder, folder, kNoItem);
    }
}

bool ntfs::bootSectorValid() const { return std::memcmp(bootSector + 3, "NTFS", 4) == 0; }

int64_t ntfs::bootClusterSize() const {
    const uint16_t bps = le16(bootSector + 0x0B);
    const uint8_t spc = bootSector[0x0D];
    if (bps < 256 || bps > 4096 || (bps & (bps - 1)) != 0 || spc == 0) return 4096;
    // Above 0x80 the byte is a negative power of two: the cluster size in bytes.
    const int64_t size = spc <= 0x80 ? static_cast<int64_t>(spc) * bps : (int64_t{1} << std::min(256 - spc, 31));
    return size > 0 && size <= 2 * kMiB ? size : 4096;
}

bool ntfs::readBootSector() {
    readVolume(0, bootSector, sizeof bootSector);
    if (bootSectorValid()) {
        const uint64_t total = le64(bootSector + 0x28);
        volumeSize = total < (static_cast<uint64_t>(INT64_MAX) >> 9) ? static_cast<int64_t>(total * 512) : 0;
    } else if (volume.sectorCount > 0) {
        volumeSize = volume.sectorCount * 512;
    } else {
        const int64_t mb = std::clamp<int64_t>(leadingNumber(volume.sizeText), INT32_MIN, INT32_MAX);
        volumeSize = mb * kMiB;
    }
    // Nothing lies beyond the disk.
    if (source) {
        const int64_t room = source->mappedSize() - base_;
        if (room > 0 && volumeSize > room) volumeSize = room;
    }
    return volumeSize > 0;
}

std::vector<DataRun> ntfs::runsOf(int64_t recordOffset, uint32_t type, uint64_t* clusters) const {
    std::vector<DataRun> runs;
    Record rec;
    if (!readRecord(recordOffset, rec)) return runs;
    RunDecoder decoder;
    for (const Attribute& a : walkAttributes(rec)) {
        if (a.type != type || !a.nonResident || (type == kData && a.nameLength != 0)) continue;
        NonResident nr;
        if (!nonResidentHeader(rec, a, nr)) continue;
        const uint64_t span = nr.lastVcn >= nr.firstVcn ? static_cast<uint64_t>(nr.lastVcn - nr.firstVcn) + 1 : 0;
        if (clusters) *clusters = span;
        if (!decoder.decode(rec.data() + a.offset + nr.runListOffset, a.length - nr.runListOffset, span, runs)) break;
    }
    return runs;
}

bool ntfs::locateMft() {
    if (!bootSectorValid()) return scanForMft();
    mftLocated = true;
    clusterSize = bootClusterSize();
    const uint64_t mftCluster = le64(bootSector + 0x30);
    if (clusterSize <= 0 || mftCluster >= static_cast<uint64_t>(volumeSize / clusterSize)) return true;  // unreadable: nothing listed
    mftOffset = static_cast<int64_t>(mftCluster) * clusterSize;
    status("boot sector is fine.Getting run of mft entry...");
    mftRuns = runsOf(mftOffset, kData);
    mftBytes = mftDataSize(mftOffset);
    status("Got run...");
    runsPending = false;
    return true;
}

namespace {
// Fills `e` from the $FILE_NAME attributes of the fixed-up record. True when
// the record gave a name.
bool takeFileNames(const Record& rec, MftEntry& e) {
    bool parentTaken = false;
    for (const Attribute& a : walkAttributes(rec)) {
        if (a.type != kFileName) continue;
        const uint8_t* v;
        uint32_t len;
        if (!residentValue(rec, a, v, len) || len < 0x42) continue;
        if (le32(v + 0x38) & 0x10000000) e.kind = 'D';
        const uint8_t L = v[0x40];
        if (0x42u + 2u * L > len) continue;  // the name would run past the value
        e.name = platform::utf16ToUtf8(v + 0x42, L);
        e.hasName = true;
        e.recordFlags = le16(rec.data() + 0x16);
        e.allocatedSize = static_cast<int64_t>(le64(v + 0x28));
        if (!parentTaken) {
            e.parent = parentReference(v);
            parentTaken = true;
        }
    }
    return parentTaken;
}
}  // namespace

bool ntfs::plausibleRecord(const uint8_t* sector) {
    return hasFileSignature(sector) && le16(sector + 0x04) < 512 && le16(sector + 0x06) < 512 && le16(sector + 0x14) < 512;
}

void ntfs::scanRecords(int64_t limit, const std::function<size_t(int64_t, Record&)>& onRecord,
                       const std::function<bool(int64_t)>& beforeChunk) {
    if (limit <= 0) return;
    if (sink) sink->setRange(0, limit / kScanChunk);
    // One spare record so that a record starting in a chunk's last 512 bytes
    // is read whole.
    std::vector<uint8_t> chunk(static_cast<size_t>(kScanChunk) + kRecordSize);
    for (int64_t k = 0; k * kScanChunk < limit; ++k) {
        if (!keepGoing() || (beforeChunk && !beforeChunk(k))) return;
        if (sink) sink->setPosition(k);
        const int64_t at = k * kScanChunk;
        // The last chunk may be short: it is read up to the volume's end.
        const size_t n = static_cast<size_t>(std::min<int64_t>(kScanChunk, limit - at));
        const size_t withSpare = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n) + kRecordSize, limit - at));
        if (withSpare < chunk.size()) std::fill(chunk.begin() + static_cast<std::ptrdiff_t>(withSpare), chunk.end(), 0);
        readVolume(at, chunk.data(), withSpare);
        for (size_t off = 0; off + 512 <= n;) {
            if (stopRequested()) return;
            if (!plausibleRecord(chunk.data() + off)) {
                off += 512;
                continue;
            }
            Record rec;
            std::memcpy(rec.data(), chunk.data() + off, kRecordSize);
            applyFixup(rec);
            const size_t step = onRecord(at + static_cast<int64_t>(off), rec);
            if (step == 0) return;
            off += step;
        }
    }
    if (sink) sink->setPosition(limit / kScanChunk);
}

bool ntfs::scanForMft() {
    clusterSize = 4096;
    status("boot sector corrupt.Scanning for first mft entry...");
    mftLocated = false;
    mftOffset = 0;
    bool found = false;
    scanRecords(volumeSize, [&](int64_t offset, Record& rec) -> size_t {
        MftEntry e;
        std::memcpy(e.signature, "FILE", 4);
        e.recordOffset = offset;
        e.ownIndex = static_cast<int64_t>(entries.size());
        if (!takeFileNames(rec, e)) return 1024;  // nameless records are not kept
        const bool isMft = e.name.rfind("$MF", 0) == 0;
        entries.push_back(std::move(e));
        link(entries.size() - 1, entries.back().parent);
        if (isMft) {
            status("found mft entry.getting its run ...");
            mftRuns = runsOf(offset, kData);
            status("got run ...");
            if (!mftRuns.empty()) {
                mftLocated = true;
                runsPending = false;
                entries.clear();
                found = true;
                return 0;
            }
        }
        return 1024;
    }, nullptr);
    return found;
}

bool ntfs::deepScan() {
    clusterSize = bootSectorValid() ? bootClusterSize() : 4096;
    mftLocated = false;
    mftOffset = 0;
    entries.clear();
    scanRecords(volumeSize, [&](int64_t offset, Record& rec) -> size_t {
        MftEntry e;
        std::memcpy(e.signature, "FILE", 4);
        e.recordOffset = offset;
        e.ownIndex = static_cast<int64_t>(entries.size());
        // Only records with a name are kept: memory grows with what is shown.
        if (takeFileNames(rec, e)) {
            e.orphan = 1;
            entries.push_back(std::move(e));
            if (entries.size() % 256 == 1) status("MFT ENTRY " + std::to_string(entries.size()) + " Found.Parsing it ..");
        }
        return 1024;
    }, nullptr);
    return false;
}

uint32_t ntfs::findMftCopies(uint32_t maxFound) {
    clusterSize = bootSectorValid() ? bootClusterSize() : 4096;
    mftLocated = false;
    mftOffset = 0;
    foundMfts.clear();
    if (maxFound < 1) maxFound = 3;
    const int64_t limit = volume.sectorCount > 0 ? volume.sectorCount * 512
                                                 : std::clamp<int64_t>(leadingNumber(volume.sizeText), 0, INT32_MAX) * kMiB;
    // Only the last eight records matter: $Boot is the eighth record of an MFT.
    struct Seen {
        int64_t offset;
        std::string name;
    };
    std::vector<Seen> window;
    int64_t listed = 0;
    scanRecords(limit - 1024, [&](int64_t offset, Record& rec) -> size_t {
        MftEntry e;
        takeFileNames(rec, e);
        ++listed;
        window.push_back({offset, e.name});
        if (window.size() > 8) window.erase(window.begin());
        if (window.size() == 8 && window.back().name.rfind("$Boot", 0) == 0) {
            const std::string& head = window.front().name;
            if (head.rfind("$MFT", 0) == 0 && (head.size() < 5 || head[4] != 'M')) {
                foundMfts.push_back(window.front().offset);
                status("MFT ENTRY " + std::to_string(listed) + " Found.Parsing it ...");
            }
        }
        return 1024;
    }, [&](int64_t) {
        // The maximum is looked at between chunks.
        return foundMfts.empty() || foundMfts.size() < maxFound;
    });
    return static_cast<uint32_t>(foundMfts.size());
}

int64_t ntfs::mftDataSize(int64_t recordOffset) const {
    Record rec;
    if (!readRecord(recordOffset, rec) || !hasFileSignature(rec.data())) return 0;
    for (const Attribute& a : walkAttributes(rec)) {
        NonResident nr;
        if (a.type == kData && a.nameLength == 0 && nonResidentHeader(rec, a, nr) && nr.firstVcn == 0)
            return std::max<int64_t>(nr.realSize, 0);
    }
    return 0;
}

bool ntfs::loadRunsFromFound(size_t index) {
    mftLocated = false;
    if (index >= foundMfts.size()) return false;
    mftRuns = runsOf(foundMfts[index], kData);
    mftBytes = mftDataSize(foundMfts[index]);
    if (!mftRuns.empty()) {
        mftLocated = true;
        runsPending = false;
    }
    return !mftRuns.empty();
}

void ntfs::readMftRecords() {
    if (!mftLocated || stopRequested()) return;
    if (clusterSize <= 0) clusterSize = 4096;
    if (runsPending && !entries.empty()) {
        status("getting run of mft...");
        mftRuns = runsOf(entries[0].recordOffset, kData);
        status("got run...");
        runsPending = false;
    }
    entries.clear();
    // The MFT cannot hold more records than the volume has room for, nor more
    // than its own $DATA says it holds.
    int64_t limit = std::max<int64_t>(volumeSize / 1024, 0);
    if (mftBytes > 0) limit = std::min(limit, mftBytes / 1024);
    const size_t maxRecords = static_cast<size_t>(std::min<int64_t>(limit, kMaxRecords));
    std::vector<uint8_t> buf(kBatchRecords * kRecordSize);
    for (const DataRun& run : mftRuns) {
        status("parsing " + std::to_string(run.startCluster) + " cluster of MFT run.");
        if (!keepGoing()) break;
        const uint64_t runClusters = std::min<uint64_t>(run.clusterCount, static_cast<uint64_t>(volumeSize / clusterSize) + 1);
        const uint64_t runBytes = runClusters * static_cast<uint64_t>(clusterSize);
        const uint64_t records = std::min<uint64_t>(runBytes / kRecordSize, maxRecords - std::min(maxRecords, entries.size()));
        const int64_t start = clusterOffset(run.startCluster);
        for (uint64_t r = 0; r < records;) {
            if (stopRequested()) break;
            const size_t batch = static_cast<size_t>(std::min<uint64_t>(kBatchRecords, records - r));
            const int64_t at = start + static_cast<int64_t>(r * kRecordSize);
            // A sparse run holds no records; its numbers are kept so that an
            // entry's position stays its record number.
            const bool onDisk = run.startCluster > 0 && start >= 0 && at < volumeSize;
            if (onDisk) readVolume(at, buf.data(), batch * kRecordSize);
            for (size_t k = 0; k < batch; ++k) {
                MftEntry e;
                if (onDisk) std::memcpy(e.signature, buf.data() + k * kRecordSize, 4);
                e.recordOffset = at + static_cast<int64_t>(k * kRecordSize);
                e.ownIndex = static_cast<int64_t>(entries.size());
                entries.push_back(std::move(e));
            }
            r += batch;
        }
        if (entries.size() >= maxRecords) break;
    }
}

int64_t ntfs::clusterOffset(int64_t cluster) const {
    // A cluster number from a run list is trusted only inside the volume.
    if (cluster < 0 || clusterSize <= 0 || cluster > volumeSize / clusterSize) return -1;
    return cluster * clusterSize;
}

bool ntfs::wouldCycle(size_t child, int64_t parentIndex) const {
    int64_t p = parentIndex;
    for (int steps = 0; p >= 0; ++steps) {
        if (static_cast<size_t>(p) == child || steps > kMaxAncestorWalk) return true;
        p = entries[static_cast<size_t>(p)].linkedParent;
    }
    return false;
}

void ntfs::appendChild(int64_t parentIndex, size_t child) {
    MftEntry& e = entries[child];
    const int64_t n = static_cast<int64_t>(entries.size());
    if (!(e.ownIndex > 0 && e.ownIndex < n) || parentIndex == static_cast<int64_t>(child)) return;
    if (wouldCycle(child, parentIndex)) {
        e.orphan = 1;  // a node is never its own ancestor
        return;
    }
    MftEntry& p = entries[static_cast<size_t>(parentIndex)];
    e.nextSibling = 0;
    if (p.firstChild <= 0) p.firstChild = static_cast<int64_t>(child);
    else entries[static_cast<size_t>(p.lastChild)].nextSibling = static_cast<int64_t>(child);
    p.lastChild = static_cast<int64_t>(child);
    e.linked = true;
    e.linkedParent = parentIndex;
}

void ntfs::link(size_t i, int64_t p) {
    MftEntry& e = entries[i];
    if (e.linked || e.orphan) return;
    const int64_t n = static_cast<int64_t>(entries.size());
    if (p >= 0 && p < static_cast<int64_t>(i)) {
        if (entries[static_cast<size_t>(p)].kind == 'D') appendChild(p, i);
        else e.orphan = 1;
    } else {
        e.nextSibling = 0;
        // A parent listed after its child may not be parsed yet: its kind is not known.
        if (p >= 0 && p < n) appendChild(p, i);
        else e.orphan = 1;
    }
}


bool ntfs::parseRecord(size_t index) {
    if (index >= entries.size()) return false;
    Record rec;
    if (!readRecord(entries[index].recordOffset, rec)) return false;
    if (takeFileNames(rec, entries[index])) link(index, entries[index].parent);
    return true;
}

void ntfs::gatherOrphans() {
    MftEntry& orphanNode = entries[static_cast<size_t>(orphanIndex)];
    bool first = true;
    for (size_t j = 0; j < entries.size(); ++j) {
        MftEntry& e = entries[j];
        if (e.orphan != 1 || static_cast<int64_t>(j) == orphanIndex) continue;
        if (first) {
            orphanNode.firstChild = static_cast<int64_t>(j);
            e.parent = orphanIndex;
            e.nextSibling = -1;
            first = false;
        } else {
            e.nextSibling = orphanNode.firstChild;
            orphanNode.firstChild = static_cast<int64_t>(j);
        }
        e.linked = true;
        e.linkedParent = orphanIndex;
    }
}

void ntfs::relinkDeep() {
    // Parent references mean nothing for records found anywhere on the
    // volume: every folder goes under ORPHAN_ENTRY (the one found last
    // first), each file under the folder found before it.
    MftEntry& orphanNode = entries[static_cast<size_t>(orphanIndex)];
    orphanNode.firstChild = 0;
    int64_t lastDir = -1;
    size_t dirs = 0;
    for (size_t j = 0; j < entries.size(); ++j) {
        if (static_cast<int64_t>(j) == orphanIndex || static_cast<int64_t>(j) == rootIndex) continue;
        MftEntry& e = entries[j];
        e.firstChild = 0;
        e.parent = 0;
        e.nextSibling = 0;
        e.lastChild = 0;
        const bool dir = e.kind == 'D';
        if (dir && dirs <= 100000) {
            e.parent = orphanIndex;
            e.nextSibling = orphanNode.firstChild > 0 ? orphanNode.firstChild : -1;
            orphanNode.firstChild = static_cast<int64_t>(j);
            lastDir = static_cast<int64_t>(j);
            ++dirs;
            continue;
        }
        MftEntry& holder = lastDir >= 0 ? entries[static_cast<size_t>(lastDir)] : orphanNode;
        e.parent = lastDir >= 0 ? lastDir : orphanIndex;
        e.nextSibling = holder.firstChild > 0 ? holder.firstChild : -1;
        holder.firstChild = static_cast<int64_t>(j);
    }
}

void ntfs::buildEntryTree() {
    if (mftLocated && !stopRequested()) {
        const size_t n = entries.size();
        if (sink) sink->setRange(0, static_cast<int64_t>(n));
        std::vector<uint8_t> buf(kBatchRecords * kRecordSize);
        for (size_t i = 0; i < n;) {
            if (!keepGoing()) break;
            if (sink) {
                status("parsing MFT entry " + std::to_string(i) + "...");
                sink->setPosition(static_cast<int64_t>(i));
            }
            // Records that follow each other on disk are read together.
            size_t batch = 1;
            while (batch < kBatchRecords && i + batch < n &&
                   entries[i + batch].recordOffset == entries[i].recordOffset + static_cast<int64_t>(batch * kRecordSize))
                ++batch;
            readVolume(entries[i].recordOffset, buf.data(), batch * kRecordSize);
            for (size_t k = 0; k < batch; ++k) {
                MftEntry& e = entries[i + k];
                if (!e.isFile()) continue;
                Record rec;
                std::memcpy(rec.data(), buf.data() + k * kRecordSize, kRecordSize);
                applyFixup(rec);
                if (takeFileNames(rec, e)) link(i + k, e.parent);
            }
            i += batch;
        }
    }

    MftEntry orphanNode;
    std::memcpy(orphanNode.signature, "FILE", 4);
    orphanNode.name = "ORPHAN_ENTRY";
    orphanNode.hasName = true;
    orphanNode.kind = 'D';
    entries.push_back(orphanNode);
    orphanIndex = static_cast<int64_t>(entries.size() - 1);
    entries.back().ownIndex = orphanIndex;
    const int64_t n = static_cast<int64_t>(entries.size());
    rootIndex = n;
    for (int64_t i = 0; i < n; ++i) {
        if (entries[static_cast<size_t>(i)].hasName && entries[static_cast<size_t>(i)].name == ".") {
            rootIndex = i;
            break;
        }
    }
    if (rootIndex > 0 && rootIndex < n) {
        MftEntry& o = entries[static_cast<size_t>(orphanIndex)];
        o.parent = rootIndex;
        o.nextSibling = 0;
        o.recordFlags = 1;
        appendChild(rootIndex, static_cast<size_t>(orphanIndex));
    }
    if (recoveryMode == 3) relinkDeep();
    else gatherOrphans();

    if (!tree) return;
    const int folder = icons ? icons->folderImage() : IconIndex::kFolder;
    auto insert = [&](int64_t index) {
        const MftEntry& e = entries[static_cast<size_t>(index)];
        const bool dir = e.kind == 'D';
        const int image = dir ? folder : (icons ? icons->imageForName(e.name) : IconIndex::kGenericFile);
        const TreeItem item = tree->insertItem(e.name, image, image, rootItem);
        tree->setItemData(item, static_cast<uint64_t>(index));
        if (!(e.recordFlags & 1)) tree->setTextColor(item, kDeletedColor);
    };
    bool orphanShown = false;
    if (rootIndex < n && recoveryMode != 3) {
        int64_t steps = 0;
        for (auto c = firstChildOf(static_cast<EntryRef>(rootIndex)); c && steps < n; c = nextSiblingOf(*c), ++steps) {
            insert(static_cast<int64_t>(*c));
            if (static_cast<int64_t>(*c) == orphanIndex) orphanShown = true;
        }
    }
    // Without a root folder the orphans are still shown.
    if (!orphanShown) {
        const TreeItem item = tree->insertItem("ORPHAN_ENTRY", folder, folder, rootItem);
        tree->setItemData(item, static_cast<uint64_t>(orphanIndex));
    }
    tree->setExpanded(rootItem, true);
}

bool ntfs::parse() {
    if (recoveryMode == 2) {
        // The MFT copy chosen on the advanced-input page, whose search ran on this object.
        if (tree) {
            tree->deleteAllItems();
            const int folder = icons ? icons->folderImage() : IconIndex::kFolder;
            rootItem = tree->insertItem("ROOT", folder, folder, kNoItem);
        }
        entries.clear();
        loadRunsFromFound(chosenCandidate);
        if (chosenClusterSectors > 0) clusterSize = static_cast<int64_t>(chosenClusterSectors) * 512;
        readMftRecords();
        buildEntryTree();
        return true;
    }
    prepareVolume();
    readBootSector();
    if (recoveryMode == 3) {
        status(" scanning for mft entries in deep mode ....");
        deepScan();
    } else {
        status(" ParsingBasedOnMFT is going on....");
        locateMft();
    }
    readMftRecords();
    buildEntryTree();
    return true;
}

bool ntfs::empty() const {
    return std::none_of(entries.begin(), entries.end(), [this](const MftEntry& e) {
        return e.hasName && e.ownIndex != orphanIndex;
    });
}

bool ntfs::validRef(EntryRef r) const { return r < entries.size() && entries[r].isFile(); }

std::optional<EntryRef> ntfs::firstChildOf(EntryRef r) const {
    if (!validRef(r)) return std::nullopt;
    const int64_t c = entries[r].firstChild;
    if (c < 1 || c >= static_cast<int64_t>(entries.size())) return std::nullopt;
    return static_cast<EntryRef>(c);
}

std::optional<EntryRef> ntfs::nextSiblingOf(EntryRef r) const {
    if (r >= entries.size()) return std::nullopt;
    const int64_t c = entries[r].nextSibling;
    if (c < 1 || c >= static_cast<int64_t>(entries.size())) return std::nullopt;
    return static_cast<EntryRef>(c);
}

namespace {
std::string attributeText(uint32_t flags) {
    std::string text;
    if (flags & 0x0001) text += "-R";
    if (flags & 0x0002) text += "-H";
    if (flags & 0x0200) text += "-S";
    if (flags & 0x0020) text += "-A";
    if (flags & 0x0800) text += "-C";
    if (flags & 0x4000) text += "-E";
    return text;
}
}  // namespace

EntryTexts ntfs::entryTimeTexts(EntryRef r) {
    EntryTexts t;
    if (!validRef(r) || static_cast<int64_t>(r) == orphanIndex) return t;
    Record rec;
    if (!readRecord(entries[r].recordOffset, rec) || !hasFileSignature(rec.data())) return t;
    bool haveStandardFlags = false;
    for (const Attribute& a : walkAttributes(rec)) {
        const uint8_t* v;
        uint32_t len;
        if (!residentValue(rec, a, v, len)) continue;
        if (a.type == kStandardInformation && len >= 0x20) {
            t.created = fileTimeText(le64(v));
            t.modified = fileTimeText(le64(v + 0x08));
            t.accessed = fileTimeText(le64(v + 0x18));
            // The flags kept up to date are those of $STANDARD_INFORMATION;
            // $FILE_NAME keeps the ones of the last rename.
            if (len >= 0x24) {
                t.attributes = attributeText(le32(v + 0x20));
                haveStandardFlags = true;
            }
        } else if (a.type == kFileName && len >= 0x42 && !haveStandardFlags) {
            t.attributes = attributeText(le32(v + 0x38));
        }
    }
    return t;
}

DataInfo ntfs::dataInfo(size_t index, bool& hasData, bool& hasAttributeList) const {
    DataInfo info;
    hasData = false;
    hasAttributeList = false;
    if (index >= entries.size()) return info;
    Record rec;
    if (!readRecord(entries[index].recordOffset, rec) || !hasFileSignature(rec.data())) return info;
    for (const Attribute& a : walkAttributes(rec)) {
        if (a.type == kAttributeList) hasAttributeList = true;
        if (a.type != kData || a.nameLength != 0) continue;  // named streams are not the file's data
        hasAttributeList = false;
        hasData = true;
        if (a.flags == 0x0001) info.dataText = "Compressed";
        else if (a.flags == 0x4000) info.dataText = "Encrypted";
        else if (a.flags == 0) info.dataText = "Normal";
        info.compressed = (a.flags & 0x0001) != 0;
        if (a.nonResident) {
            NonResident nr;
            if (!nonResidentHeader(rec, a, nr)) continue;
            info.valuePosition = nr.runListOffset;
            info.valueLength = static_cast<int32_t>(a.length - nr.runListOffset);
            info.compressionUnit = nr.compressionUnit;
            info.firstVcn = nr.firstVcn;
            info.lastVcn = nr.lastVcn;
            info.allocatedSize = nr.allocatedSize;
            info.realSize = nr.realSize;
            info.initializedSize = nr.initializedSize;
            info.residency = 'N';
            break;  // the first non-resident $DATA wins
        }
        const uint8_t* v;
        uint32_t len;
        if (!residentValue(rec, a, v, len)) continue;
        info.valuePosition = static_cast<uint16_t>(v - rec.data());
        info.valueLength = static_cast<int32_t>(len);
        info.realSize = len;
        info.initializedSize = len;
        info.residency = 'R';
    }
    return info;
}

std::vector<int64_t> ntfs::extentRecords(size_t index) const {
    std::vector<int64_t> out;
    if (index >= entries.size()) return out;
    Record rec;
    if (!readRecord(entries[index].recordOffset, rec)) return out;
    constexpr size_t kMaxListBytes = 256 * 1024;
    auto walkList = [&](const uint8_t* p, size_t n) {
        for (size_t off = 0; off + 0x18 <= n;) {
            const uint32_t type = le32(p + off);
            const uint16_t len = le16(p + off + 4);
            if (type == 0 || type == kEndMarker || len == 0) break;
            if (type == kData) out.push_back(static_cast<int64_t>(le64(p + off + 0x10) & 0xFFFFFFFFFFFFULL));
            off += len;
        }
    };
    for (const Attribute& a : walkAttributes(rec)) {
        if (a.type != kAttributeList) continue;
        if (!a.nonResident) {
            const uint8_t* v;
            uint32_t len;
            if (residentValue(rec, a, v, len)) walkList(v, len);
            continue;
        }
        NonResident nr;
        if (!nonResidentHeader(rec, a, nr)) continue;
        std::string data;
        for (const DataRun& run : runsOf(entries[index].recordOffset, kAttributeList)) {
            if (data.size() >= kMaxListBytes) break;
            const size_t bytes = static_cast<size_t>(std::min<uint64_t>(run.clusterCount * static_cast<uint64_t>(clusterSize),
                                                                         kMaxListBytes - data.size()));
            const size_t at = data.size();
            data.resize(at + bytes);
            if (run.startCluster > 0) readVolume(clusterOffset(run.startCluster), data.data() + at, bytes);
        }
        const size_t real = static_cast<size_t>(std::clamp<int64_t>(nr.realSize, 0, static_cast<int64_t>(data.size())));
        walkList(reinterpret_cast<const uint8_t*>(data.data()), real);
    }
    return out;
}

int64_t ntfs::entrySize(EntryRef r) {
    if (!validRef(r)) return 0;
    bool hasData, hasList;
    const DataInfo info = dataInfo(r, hasData, hasList);
    if (!hasList) return info.realSize;
    const std::vector<int64_t> extents = extentRecords(r);
    uint64_t clusters = 0;
    for (int64_t x : extents) {
        if (x < 0 || static_cast<size_t>(x) >= entries.size()) continue;
        bool d, l;
        const DataInfo part = dataInfo(static_cast<size_t>(x), d, l);
        // The extent that starts the data knows the real size.
        if (part.residency == 'N' && part.firstVcn == 0 && part.realSize >= 0) return part.realSize;
        for (const DataRun& run : runsOf(entries[static_cast<size_t>(x)].recordOffset, kData)) clusters += run.clusterCount;
    }
    return static_cast<int64_t>(std::min<uint64_t>(clusters, static_cast<uint64_t>(INT64_MAX / clusterSize))) * clusterSize;
}

std::string ntfs::entrySizeText(EntryRef r) { return formatSizeText(entrySize(r)); }

EntryFace::Times ntfs::entryTimes(EntryRef r) {
    Times t;
    if (!validRef(r) || static_cast<int64_t>(r) == orphanIndex) return t;
    Record rec;
    if (!readRecord(entries[r].recordOffset, rec) || !hasFileSignature(rec.data())) return t;
    for (const Attribute& a : walkAttributes(rec)) {
        const uint8_t* v;
        uint32_t len;
        if (a.type == kStandardInformation && residentValue(rec, a, v, len) && len >= 0x20) {
            t.created = le64(v);
            t.modified = le64(v + 0x08);
            t.accessed = le64(v + 0x18);
        }
    }
    return t;
}

namespace {
constexpr size_t kIoChunk = 1 << 20;
// No file written from a volume grows past this, whatever its sizes claim.
constexpr int64_t kMaxOutput = int64_t{1} << 40;

}  // namespace

bool ntfs::writeRuns(const std::vector<DataRun>& runs, int64_t realSize, int64_t initializedSize, platform::ByteSink& out,
                     int64_t& written) const {
    bool complete = true;
    realSize = std::min(realSize, kMaxOutput);
    std::vector<uint8_t> buf(kIoChunk);
    for (const DataRun& run : runs) {
        if (written >= realSize) break;
        const uint64_t runClusters = std::min<uint64_t>(run.clusterCount, static_cast<uint64_t>(kMaxOutput / clusterSize));
        int64_t left = std::min<int64_t>(static_cast<int64_t>(runClusters) * clusterSize, realSize - written);
        int64_t at = clusterOffset(run.startCluster);
        const bool onVolume = at >= 0;
        while (left > 0) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(kIoChunk)));
            if (run.startCluster == 0) {
                std::fill(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n), 0);
            } else if (!onVolume || !readVolume(at, buf.data(), n)) {
                // A run outside the volume, or what could not be read, stays zero.
                std::fill(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n), 0);
                complete = false;
            }
            // Bytes past the initialized size read as zeros.
            if (written + static_cast<int64_t>(n) > initializedSize) {
                const int64_t from = std::max<int64_t>(0, initializedSize - written);
                std::fill(buf.begin() + from, buf.begin() + static_cast<std::ptrdiff_t>(n), 0);
            }
            if (!out.write(buf.data(), n)) return false;
            written += static_cast<int64_t>(n);
            left -= static_cast<int64_t>(n);
            at += static_cast<int64_t>(n);
        }
    }
    return complete && written >= realSize;
}

bool ntfs::writeCompressed(const std::vector<DataRun>& runs, uint32_t unitClusters, int64_t realSize,
                           platform::ByteSink& out, int64_t& written) const {
    bool complete = true;
    realSize = std::min(realSize, kMaxOutput);
    unitClusters = std::clamp<uint32_t>(unitClusters, 1, 4096);
    const size_t unitBytes = static_cast<size_t>(unitClusters) * static_cast<size_t>(clusterSize);
    if (unitBytes > (64u << 20)) return false;
    std::vector<uint8_t> raw(unitBytes), plain;
    std::vector<int64_t> lcns(unitClusters);
    size_t runIndex = 0;
    uint64_t inRun = 0;
    while (written < realSize) {
        // The next unit's clusters in VCN order (0: sparse).
        uint32_t have = 0;
        while (have < unitClusters && runIndex < runs.size()) {
            const DataRun& run = runs[runIndex];
            if (inRun >= run.clusterCount) {
                ++runIndex;
                inRun = 0;
                continue;
            }
            lcns[have++] = run.startCluster == 0 ? 0 : run.startCluster + static_cast<int64_t>(inRun);
            ++inRun;
        }
        if (have == 0) break;  // the runs end before the data does
        for (uint32_t k = have; k < unitClusters; ++k) lcns[k] = 0;
        int last = -1;
        for (uint32_t k = 0; k < unitClusters; ++k)
            if (lcns[k] != 0) last = static_cast<int>(k);
        std::fill(raw.begin(), raw.end(), 0);
        for (int k = 0; k <= last; ++k) {
            if (lcns[static_cast<size_t>(k)] == 0) continue;
            if (!readVolume(clusterOffset(lcns[static_cast<size_t>(k)]), raw.data() + static_cast<size_t>(k) * static_cast<size_t>(clusterSize),
                            static_cast<size_t>(clusterSize)))
                complete = false;
        }
        const uint8_t* unit = raw.data();
        if (last >= 0 && last + 1 < static_cast<int>(unitClusters)) {
            // Fewer clusters than the unit holds: compressed.
            if (!lznt1Decompress(raw.data(), static_cast<size_t>(last + 1) * static_cast<size_t>(clusterSize), unitBytes, plain))
                complete = false;
            plain.resize(unitBytes, 0);
            unit = plain.data();
        }
        const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(unitBytes), realSize - written));
        if (!out.write(unit, n)) return false;
        written += static_cast<int64_t>(n);
    }
    return complete && written >= realSize;
}

EntryFace::SaveOutcome ntfs::saveEntry(EntryRef r, platform::ByteSink& out) {
    SaveOutcome o;
    if (!validRef(r) || static_cast<int64_t>(r) == orphanIndex || !entries[r].hasName) return o;
    Record rec;
    if (!readRecord(entries[r].recordOffset, rec) || !hasFileSignature(rec.data())) {
        platform::prompter().message("not a valid entry...");
        return o;
    }
    o.written = true;
    bool hasData = false, hasList = false;
    const DataInfo info = dataInfo(r, hasData, hasList);
    if (hasList) {
        // The data is spread over extension records: their runs in list order.
        std::vector<DataRun> runs;
        DataInfo head;
        bool haveHead = false;
        for (int64_t x : extentRecords(r)) {
            if (x < 0 || static_cast<size_t>(x) >= entries.size()) continue;
            bool d, l;
            const DataInfo part = dataInfo(static_cast<size_t>(x), d, l);
            if (!haveHead && part.residency == 'N' && part.firstVcn == 0) {
                head = part;
                haveHead = true;
            }
            const auto more = runsOf(entries[static_cast<size_t>(x)].recordOffset, kData);
            runs.insert(runs.end(), more.begin(), more.end());
        }
        if (!haveHead) return o;
        o.complete = head.compressed
                         ? writeCompressed(runs, 1u << std::min<uint16_t>(head.compressionUnit, 12), head.realSize, out, o.bytes)
                         : writeRuns(runs, head.realSize, head.initializedSize, out, o.bytes);
        return o;
    }
    if (!hasData) return o;  // no data: an empty file
    if (entries[r].kind == 'D') {
        platform::prompter().message("This is  " + entries[r].name + " directory .Please specify file names ");
        return o;
    }
    if (info.residency == 'R') {
        const size_t at = info.valuePosition, len = static_cast<size_t>(std::max(info.valueLength, 0));
        if (at + len > kRecordSize) return o;
        out.write(rec.data() + at, len);
        o.bytes = static_cast<int64_t>(len);
        return o;
    }
    const std::vector<DataRun> runs = runsOf(entries[r].recordOffset, kData);
    o.complete = info.compressed
                     ? writeCompressed(runs, 1u << std::min<uint16_t>(info.compressionUnit, 12), info.realSize, out, o.bytes)
                     : writeRuns(runs, info.realSize, info.initializedSize, out, o.bytes);
    return o;
}

void ntfs::renameEntry(EntryRef r, const std::string& name) {
    if (validRef(r)) entries[r].name = name;
}

}  // namespace salvor

#pragma once
// What the browse page asks of any parser's records, and the calling order a
// parser runs on the browse page's worker. Each parser answers for its own
// records; a reference (EntryRef) is whatever the parser keeps in a tree
// item's data to find its record in constant time.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "controls/check_tree.h"
#include "discovery/volume_record.h"
#include "platform/output_dir.h"
#include "platform/worker.h"

namespace salvor {

class readWriteInterface;
class IconIndex;

using EntryRef = uint64_t;

struct EntryTexts {
    std::string created;
    std::string accessed;
    std::string modified;
    std::string attributes;
};

enum class RecycleStyle {
    None,            // no recycle-bin renaming
    PerUserFolders,  // NTFS: read each folder inside the recycle folder
    Folder,          // FAT32, exFAT: read the recycle folder itself
};

class EntryFace {
public:
    virtual ~EntryFace() = default;

    virtual bool validRef(EntryRef r) const = 0;
    virtual bool isFolder(EntryRef r) const = 0;
    virtual bool isDeleted(EntryRef r) const = 0;
    virtual std::string entryName(EntryRef r) const = 0;
    virtual std::optional<EntryRef> firstChildOf(EntryRef r) const = 0;
    virtual std::optional<EntryRef> nextSiblingOf(EntryRef r) const = 0;
    // Whether the file list shows the record as a row.
    virtual bool isListRow(EntryRef r) const { return !isFolder(r); }
    virtual EntryTexts entryTimeTexts(EntryRef r) = 0;
    virtual std::string entrySizeText(EntryRef r) = 0;
    // The size in bytes the size text shows.
    virtual int64_t entrySize(EntryRef r) = 0;

    // Writes the record's file data into `out`. `written` is false when the
    // record could not be processed at all; `complete` false when some of its
    // data could not be read (those bytes are written as zeros).
    struct SaveOutcome {
        bool written = false;
        bool complete = true;
        int64_t bytes = 0;
    };
    virtual SaveOutcome saveEntry(EntryRef r, platform::ByteSink& out) = 0;
    // The record's times as UTC file times (100 ns since 1601); 0 = unknown.
    struct Times {
        uint64_t created = 0;
        uint64_t accessed = 0;
        uint64_t modified = 0;
    };
    virtual Times entryTimes(EntryRef r) = 0;

    // Saving: folders are walked, files written. A file system may treat
    // some records apart.
    virtual bool isSaveFolder(EntryRef r) const { return isFolder(r); }
    virtual bool isSaveFile(EntryRef r) const { return !isFolder(r); }
    virtual bool skipDescend(EntryRef) const { return false; }
    virtual bool skipWrite(EntryRef) const { return false; }

    // Reads at most `limit` bytes of the record's data (for small index
    // files such as the recycle bin's). False when it cannot be read.
    bool readEntryData(EntryRef r, std::string& out, size_t limit) {
        platform::StringSink sink(limit);
        const SaveOutcome o = saveEntry(r, sink);
        out = std::move(sink.bytes);
        return o.written && o.complete;
    }
    virtual void renameEntry(EntryRef r, const std::string& name) = 0;

    // How the browse routes differ by file system.
    virtual bool fillInheritsCheck() const { return false; }
    virtual bool expandEmptiesList() const { return true; }
    virtual bool doubleClickFillsWithPlaceholder() const { return false; }
    virtual RecycleStyle recycleStyle() const { return RecycleStyle::None; }
};

// A parser as the browse page drives it: its inputs, then parse() on the
// worker, which inserts "ROOT" and the first level into the tree.
class VolumeParser : public EntryFace {
public:
    // Inputs, set before parse().
    readWriteInterface* source = nullptr;
    VolumeRecord volume;
    CXHtmlTree* tree = nullptr;
    IconIndex* icons = nullptr;
    platform::ProgressSink* sink = nullptr;
    platform::WorkerControl* control = nullptr;
    int recoveryMode = 1;  // 1 Standard, 2 Advanced, 3 Deep

    // Runs the calling order of the mode. False when the volume is not of this
    // parser's kind (the page then says so).
    virtual bool parse() = 0;
    // True when the parse found no entry at all.
    virtual bool empty() const = 0;
    // The message shown when parse() found the volume not of this parser's kind.
    virtual std::string rejectMessage() const { return "not a valid drive."; }
    // A message shown before the final one (empty: none).
    virtual std::string firstMessage() const { return std::string(); }
    // The final status line of a finished parse.
    virtual std::string finalStatus() const { return "Scanning processing done.Select save button to save the data."; }

    // Stop: ends every loop at its next check.
    void requestStop() { stop_ = true; }
    void clearStop() { stop_ = false; }
    bool stopRequested() const { return stop_ || (control && control->stopRequested()); }

protected:
    // Reads `n` bytes at a volume-relative offset through the thread-safe
    // positioned read; what cannot be read is zeros.
    bool readVolume(int64_t offset, void* buffer, size_t n) const;
    // The volume's first byte on the disk; set when the parse starts.
    int64_t base_ = 0;

    // Between units of work: waits while paused; false when the work must end.
    bool keepGoing() {
        if (stop_) return false;
        return !control || control->poll();
    }
    void status(const std::string& text) const {
        if (sink) sink->setStatus(text);
    }

private:
    std::atomic<bool> stop_{false};
};

}  // namespace salvor

#pragma once
// Saving found entries below an output folder: a folder's contents (Save on a
// selected folder), one file (double click), or every checked entry of the
// tree keeping its folder structure. Files are written by the parser; folders
// are made here. Nothing outside the output folder is ever touched.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browse/entry_face.h"
#include "controls/check_tree.h"
#include "platform/output_dir.h"
#include "platform/worker.h"

namespace salvor {

struct SaveReport {
    uint64_t files = 0;       // files handed to the parser (and skipped ones)
    uint64_t written = 0;     // files written whole
    uint64_t incomplete = 0;  // written with what could be read
    uint64_t failed = 0;      // could not be created or not processed
    uint64_t bytes = 0;
    std::vector<std::string> problems;  // one line per file not written whole
};

class Saver {
public:
    // `keepGoing` is asked before each entry: false ends the save (Stop).
    Saver(EntryFace& face, platform::ProgressSink* sink, std::function<bool()> keepGoing)
        : face_(face), sink_(sink), keepGoing_(std::move(keepGoing)) {}

    // Files below a folder (folders walked, files counted).
    uint64_t countFiles(EntryRef folder) const;
    // Files the checked entries of the tree stand for.
    uint64_t countChecked(const CXHtmlTree& tree) const;

    // The folder's contents straight into `dir`.
    void saveContents(EntryRef folder, platform::OutputDir& dir);
    // One file into `dir`.
    void saveFile(EntryRef file, platform::OutputDir& dir);
    // A file into `dir`, or a folder as a folder of its own with its contents.
    void saveItem(EntryRef r, platform::OutputDir& dir) { saveEntryInto(r, dir, 0); }
    // Every checked entry below the tree's root, keeping the folder structure.
    void saveChecked(const CXHtmlTree& tree, platform::OutputDir& dir);

    // Called before each file with its path and size, and after it with the outcome.
    std::function<void(const std::string& path, int64_t size)> onFileStart;
    std::function<void(const std::string& path, const EntryFace::SaveOutcome&)> onFile;

    const SaveReport& report() const { return report_; }

    // Folders deeper than this are not entered (reported instead).
    static constexpr int kMaxDepth = 256;

private:
    bool keepGoing() const;
    void saveEntryInto(EntryRef r, platform::OutputDir& dir, int depth);
    void saveContentsAt(EntryRef folder, platform::OutputDir& dir, int depth);
    void saveCheckedItem(const CXHtmlTree& tree, TreeItem item, platform::OutputDir& dir, int depth);
    bool anyChecked(const CXHtmlTree& tree, TreeItem item) const;

    EntryFace& face_;
    platform::ProgressSink* sink_;
    std::function<bool()> keepGoing_;
    SaveReport report_;
};

}  // namespace salvor

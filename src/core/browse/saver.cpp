#include "browse/saver.h"

#include <algorithm>
#include <sys/stat.h>
#include <unordered_set>

#include "platform/time_conv.h"

namespace salvor {

namespace {
constexpr size_t kMaxChildren = 50'000'000;
}

bool Saver::keepGoing() const { return !keepGoing_ || keepGoing_(); }

uint64_t Saver::countFiles(EntryRef folder) const {
    uint64_t n = 0;
    std::unordered_set<EntryRef> seen{folder};
    std::vector<EntryRef> stack{folder};
    while (!stack.empty()) {
        const EntryRef f = stack.back();
        stack.pop_back();
        size_t steps = 0;
        for (auto c = face_.firstChildOf(f); c && steps < kMaxChildren; c = face_.nextSiblingOf(*c), ++steps) {
            if (face_.isSaveFolder(*c)) {
                if (!face_.skipDescend(*c) && seen.insert(*c).second) stack.push_back(*c);
            } else if (face_.isSaveFile(*c)) {
                ++n;
            }
        }
    }
    return n;
}

void Saver::saveFile(EntryRef file, platform::OutputDir& dir) {
    ++report_.files;
    if (sink_) {
        sink_->setPosition(static_cast<int64_t>(report_.files));
        sink_->setStatus("saving File  " + dir.path() + "/" + face_.entryName(file));
    }
    if (onFileStart) onFileStart(dir.path() + "/" + face_.entryName(file), face_.entrySize(file));
    if (face_.skipWrite(file)) return;
    auto out = dir.createFile(face_.entryName(file));
    if (!out) {
        ++report_.failed;
        report_.problems.push_back(dir.lastPath() + ": cannot be created");
        return;
    }
    const EntryFace::SaveOutcome o = face_.saveEntry(file, *out);
    const EntryFace::Times t = face_.entryTimes(file);
    if (t.accessed || t.modified) {
        const timespec now{0, UTIME_OMIT};
        out->setTimes(t.accessed ? platform::fileTimeToTimespec(t.accessed) : now,
                      t.modified ? platform::fileTimeToTimespec(t.modified) : now);
    }
    report_.bytes += static_cast<uint64_t>(std::max<int64_t>(o.bytes, 0));
    if (!o.written || out->failed()) {
        ++report_.failed;
        report_.problems.push_back(dir.lastPath() + (out->failed() ? ": write failed" : ": not a valid entry"));
    } else if (!o.complete) {
        ++report_.incomplete;
        report_.problems.push_back(dir.lastPath() + ": written with what could be read");
    } else {
        ++report_.written;
    }
    if (onFile) onFile(dir.lastPath(), o);
}

void Saver::saveEntryInto(EntryRef r, platform::OutputDir& dir, int depth) {
    if (face_.isSaveFolder(r)) {
        if (face_.skipDescend(r)) return;
        if (depth >= kMaxDepth) {
            report_.problems.push_back(dir.path() + "/" + face_.entryName(r) + ": folders nested too deep, not entered");
            return;
        }
        auto sub = dir.subfolder(face_.entryName(r));
        if (!sub) {
            report_.problems.push_back(dir.lastPath() + ": folder cannot be created");
            return;
        }
        saveContentsAt(r, *sub, depth + 1);
    } else if (face_.isSaveFile(r)) {
        saveFile(r, dir);
    }
}

void Saver::saveContentsAt(EntryRef folder, platform::OutputDir& dir, int depth) {
    size_t steps = 0;
    for (auto c = face_.firstChildOf(folder); c && steps < kMaxChildren; c = face_.nextSiblingOf(*c), ++steps) {
        if (!keepGoing()) return;
        saveEntryInto(*c, dir, depth);
    }
}

void Saver::saveContents(EntryRef folder, platform::OutputDir& dir) { saveContentsAt(folder, dir, 0); }

bool Saver::anyChecked(const CXHtmlTree& tree, TreeItem item) const {
    std::vector<TreeItem> stack{item};
    while (!stack.empty()) {
        const TreeItem t = stack.back();
        stack.pop_back();
        if (tree.getCheck(t)) return true;
        for (TreeItem c = tree.firstChild(t); c; c = tree.nextSibling(c)) stack.push_back(c);
    }
    return false;
}

uint64_t Saver::countChecked(const CXHtmlTree& tree) const {
    uint64_t n = 0;
    std::vector<TreeItem> stack{tree.rootItem()};
    while (!stack.empty()) {
        const TreeItem t = stack.back();
        stack.pop_back();
        for (TreeItem c = tree.firstChild(t); c; c = tree.nextSibling(c)) {
            const uint64_t data = tree.itemData(c);
            const bool valid = data != kNoData && face_.validRef(data);
            if (tree.getCheck(c) && valid) {
                if (face_.isSaveFolder(data)) n += face_.skipDescend(data) ? 0 : countFiles(data);
                else if (face_.isSaveFile(data)) ++n;
            } else if (anyChecked(tree, c)) {
                stack.push_back(c);
            }
        }
    }
    return n;
}

void Saver::saveCheckedItem(const CXHtmlTree& tree, TreeItem item, platform::OutputDir& dir, int depth) {
    for (TreeItem c = tree.firstChild(item); c; c = tree.nextSibling(c)) {
        if (!keepGoing()) return;
        const uint64_t data = tree.itemData(c);
        const bool valid = data != kNoData && face_.validRef(data);
        if (tree.getCheck(c) && valid) {
            // A checked folder stands for everything below it, inserted in the tree or not.
            saveEntryInto(data, dir, depth);
        } else if (valid && anyChecked(tree, c) && depth < kMaxDepth) {
            auto sub = dir.subfolder(face_.entryName(data));
            if (sub) saveCheckedItem(tree, c, *sub, depth + 1);
        }
    }
}

void Saver::saveChecked(const CXHtmlTree& tree, platform::OutputDir& dir) {
    if (tree.rootItem() != kNoItem) saveCheckedItem(tree, tree.rootItem(), dir, 0);
}

}  // namespace salvor

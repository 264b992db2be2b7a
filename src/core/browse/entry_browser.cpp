#include "browse/entry_browser.h"

#include <map>
#include <vector>

#include "platform/codepage.h"
#include "util/endian.h"

namespace salvor {

namespace {
// Children walks stop after this many steps: a damaged volume must not make
// a chain that never ends keep the page busy.
constexpr size_t kMaxChildren = 10'000'000;
}  // namespace

bool EntryBrowser::isPlaceholder(TreeItem item) const {
    return tree_.valid(item) && tree_.itemData(item) == kNoData && tree_.itemText(item) == kPlaceholderText;
}

std::optional<EntryRef> EntryBrowser::refOf(TreeItem item) const {
    const uint64_t data = tree_.itemData(item);
    if (data == kNoData || !face_.validRef(data)) return std::nullopt;
    return data;
}

bool EntryBrowser::hasChildRecords(EntryRef ref) const { return face_.firstChildOf(ref).has_value(); }

void EntryBrowser::insertPlaceholder(TreeItem item) {
    tree_.insertItem(kPlaceholderText, IconIndex::kPlaceholder, IconIndex::kPlaceholder, item);
}

void EntryBrowser::finishTree() {
    const TreeItem root = tree_.rootItem();
    for (TreeItem c = tree_.firstChild(root); c != kNoItem; c = tree_.nextSibling(c)) {
        if (tree_.itemImage(c) != icons_.folderImage()) continue;
        const auto ref = refOf(c);
        if (ref && face_.isFolder(*ref) && hasChildRecords(*ref) && !tree_.hasChildren(c)) insertPlaceholder(c);
    }
}

bool EntryBrowser::fillFolder(TreeItem folder, Route route) {
    const auto ref = refOf(folder);
    if (!ref || !face_.isFolder(*ref)) return false;
    const TreeItem first = tree_.firstChild(folder);
    const bool placeholderFirst = isPlaceholder(first);
    if (route == Route::DoubleClick && !face_.doubleClickFillsWithPlaceholder()) {
        if (first != kNoItem) return false;  // a placeholder stays on this route
    } else if (first != kNoItem && !placeholderFirst) {
        return false;  // filled already
    }
    const bool folderChecked = tree_.getCheck(folder);
    if (placeholderFirst) tree_.deleteItem(first);
    size_t steps = 0;
    for (auto c = face_.firstChildOf(*ref); c && steps < kMaxChildren; c = face_.nextSiblingOf(*c), ++steps) {
        const bool isDir = face_.isFolder(*c);
        const std::string name = face_.entryName(*c);
        const int image = isDir ? icons_.folderImage() : icons_.imageForName(name);
        const TreeItem item = tree_.insertItem(name, image, image, folder);
        if (isDir && hasChildRecords(*c)) {
            insertPlaceholder(item);
            if (route == Route::DoubleClick) tree_.setExpanded(item, false);
        }
        tree_.setItemData(item, *c);
        if (face_.fillInheritsCheck()) tree_.setCheck(item, folderChecked);
        if (face_.isDeleted(*c)) tree_.setTextColor(item, kDeletedColor);
    }
    return true;
}

ListRow EntryBrowser::rowFor(TreeItem item, EntryRef ref) {
    ListRow row;
    const EntryTexts t = face_.entryTimeTexts(ref);
    row.texts = {tree_.itemText(item), t.created, t.accessed, t.modified, face_.entrySizeText(ref), t.attributes};
    row.item = item;
    return row;
}

void EntryBrowser::labelClick(TreeItem item) {
    if (item == kNoItem) return;
    const auto ref = refOf(item);
    if (!ref) return;
    if (face_.isFolder(*ref)) {
        fillFolder(item, Route::LabelClick);
        if (!tree_.hasChildren(item)) return;  // the list keeps what it showed
        list_.searchResults = false;
        std::vector<ListRow> rows;
        for (TreeItem c = tree_.firstChild(item); c != kNoItem; c = tree_.nextSibling(c)) {
            const auto cref = refOf(c);
            if (cref && face_.isListRow(*cref)) rows.push_back(rowFor(c, *cref));
        }
        list_.clear();
        for (auto& r : rows) list_.appendRow(std::move(r));
    } else {
        list_.searchResults = false;
        list_.clear();
        if (face_.isListRow(*ref)) list_.appendRow(rowFor(item, *ref));
    }
}

void EntryBrowser::expand(TreeItem item) {
    const auto ref = refOf(item);
    if (!ref || !face_.isFolder(*ref)) return;
    fillFolder(item, Route::Expand);
    if (face_.expandEmptiesList() && tree_.hasChildren(item)) list_.clear();
}

bool EntryBrowser::doubleClick(TreeItem item) {
    const auto ref = refOf(item);
    if (!ref) return false;
    if (!face_.isFolder(*ref)) return true;
    fillFolder(item, Route::DoubleClick);
    if (tree_.hasChildren(item)) {
        list_.clear();
        for (TreeItem c = tree_.firstChild(item); c != kNoItem; c = tree_.nextSibling(c)) {
            if (tree_.itemImage(c) == icons_.folderImage()) continue;
            ListRow row;
            row.texts[0] = tree_.itemText(c);
            row.item = c;
            list_.appendRow(std::move(row));
        }
    }
    return false;
}

void EntryBrowser::rowCheckClicked(size_t row) {
    if (row >= list_.rows().size()) return;
    const bool wasChecked = list_.rows()[row].checked;
    list_.setRowChecked(row, !wasChecked);
    if (list_.searchResults) return;
    const TreeItem item = list_.rows()[row].item;
    if (tree_.valid(item)) tree_.setCheck(item, !wasChecked);
}

std::string EntryBrowser::formerNameFromIndex(const std::string& contents) {
    const auto* b = reinterpret_cast<const uint8_t*>(contents.data());
    const size_t n = contents.size();
    if (n < 26) return std::string();
    size_t start = 24;
    size_t units = (n - start) / 2;
    // Version 2 (Windows 10): the name length in characters at 24, the path at 28.
    if (le64(b) == 2 && n >= 28) {
        start = 28;
        units = std::min<size_t>(le32(b + 24), (n - start) / 2);
    }
    const std::string path = platform::utf16ToUtf8(b + start, units, false, true);
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void EntryBrowser::renameIn(EntryRef folder) {
    std::map<std::string, std::string> former;  // "$I..." -> former name
    size_t steps = 0;
    for (auto c = face_.firstChildOf(folder); c && steps < kMaxChildren; c = face_.nextSiblingOf(*c), ++steps) {
        if (face_.isFolder(*c)) continue;
        const std::string name = face_.entryName(*c);
        if (name.rfind("$I", 0) != 0) continue;
        std::string contents;
        // Index files of 2048 bytes or more are not index files.
        if (!face_.readEntryData(*c, contents, 2048) || contents.size() >= 2048) continue;
        const std::string was = formerNameFromIndex(contents);
        if (!was.empty()) former[name] = was;
    }
    for (const auto& [index, was] : former) {
        const std::string data = "$R" + index.substr(2);
        steps = 0;
        for (auto c = face_.firstChildOf(folder); c && steps < kMaxChildren; c = face_.nextSiblingOf(*c), ++steps) {
            std::string name = face_.entryName(*c);
            if (face_.recycleStyle() == RecycleStyle::Folder)
                while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
            if (name == data) face_.renameEntry(*c, was);
        }
    }
}

void EntryBrowser::renameRecycleBin() {
    if (face_.recycleStyle() == RecycleStyle::None) return;
    const TreeItem root = tree_.rootItem();
    for (TreeItem c = tree_.firstChild(root); c != kNoItem; c = tree_.nextSibling(c)) {
        if (tree_.itemImage(c) != icons_.folderImage()) continue;
        const std::string text = tree_.itemText(c);
        if (text != "$RECYCLE.BIN" && text != "$RECYCLEBIN") continue;
        const auto ref = refOf(c);
        if (!ref) continue;
        if (face_.recycleStyle() == RecycleStyle::Folder) {
            renameIn(*ref);
            continue;
        }
        size_t steps = 0;
        for (auto u = face_.firstChildOf(*ref); u && steps < kMaxChildren; u = face_.nextSiblingOf(*u), ++steps)
            if (face_.isFolder(*u)) renameIn(*u);
    }
}

}  // namespace salvor

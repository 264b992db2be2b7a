#pragma once
// The browse page's handling of the tree and the file list: the finishing pass
// after a parse, filling folders lazily on the three routes (label click,
// expand button, double click), list rows, mirroring row checks into the tree,
// and the recycle-bin renaming.
#include <string>

#include "browse/entry_face.h"
#include "browse/icon_index.h"
#include "controls/check_list.h"
#include "controls/check_tree.h"

namespace salvor {

inline constexpr const char* kPlaceholderText = "..DUMY..";
inline constexpr const char* kRootText = "ROOT";

class EntryBrowser {
public:
    EntryBrowser(CXHtmlTree& tree, CCheckListCtrl& list, EntryFace& face, IconIndex& icons)
        : tree_(tree), list_(list), face_(face), icons_(icons) {}

    enum class Route { LabelClick, Expand, DoubleClick };

    // After a parse: a placeholder under every first-level folder whose
    // record has children.
    void finishTree();

    // Inserts a folder's children when they are not there yet. True when it
    // inserted them.
    bool fillFolder(TreeItem folder, Route route);

    // The three routes. labelClick and expand ignore items without a valid
    // reference. doubleClick returns true when the item is a file (the page
    // then saves it).
    void labelClick(TreeItem item);
    void expand(TreeItem item);
    bool doubleClick(TreeItem item);

    // A click on a row's check box: the row's tree item takes the row's new
    // state (unless the list shows search results).
    void rowCheckClicked(size_t row);

    // Gives recycled files the names they had before deletion.
    void renameRecycleBin();

    // The list row for a tree item holding `ref`.
    ListRow rowFor(TreeItem item, EntryRef ref);

    // Recycle-bin index file ($I...) contents -> the former name (after the
    // last backslash of its path); empty when the contents are not an index.
    static std::string formerNameFromIndex(const std::string& contents);

    bool isPlaceholder(TreeItem item) const;

private:
    std::optional<EntryRef> refOf(TreeItem item) const;
    bool hasChildRecords(EntryRef ref) const;
    void insertPlaceholder(TreeItem item);
    void renameIn(EntryRef folder);

    CXHtmlTree& tree_;
    CCheckListCtrl& list_;
    EntryFace& face_;
    IconIndex& icons_;
};

}  // namespace salvor

#include "browse/entry_walk.h"

#include <unordered_set>
#include <vector>

namespace salvor {

void walkEntries(const CXHtmlTree& tree, const EntryFace& face, const std::function<void(const WalkedEntry&)>& visit) {
    const TreeItem root = tree.rootItem();
    if (root == kNoItem) return;
    const std::string rootPath = tree.itemText(root);
    std::unordered_set<EntryRef> seen;
    struct Frame {
        EntryRef ref;
        std::string path;
        int depth;
    };
    // The first level comes from the tree; below it from the records. An
    // explicit stack keeps deep volumes from exhausting the call stack.
    std::vector<Frame> stack;
    std::vector<Frame> level;
    for (TreeItem c = tree.firstChild(root); c != kNoItem; c = tree.nextSibling(c)) {
        const uint64_t data = tree.itemData(c);
        if (data == kNoData || !face.validRef(data)) continue;
        level.push_back({data, rootPath + "/" + tree.itemText(c), 1});
    }
    stack.assign(level.rbegin(), level.rend());
    while (!stack.empty()) {
        Frame f = std::move(stack.back());
        stack.pop_back();
        if (!seen.insert(f.ref).second) continue;
        visit({f.path, f.ref, f.depth});
        if (!face.isFolder(f.ref)) continue;
        level.clear();
        size_t steps = 0;
        for (auto c = face.firstChildOf(f.ref); c && steps < 50'000'000; c = face.nextSiblingOf(*c), ++steps) {
            if (seen.count(*c)) continue;
            level.push_back({*c, f.path + "/" + face.entryName(*c), f.depth + 1});
        }
        for (auto it = level.rbegin(); it != level.rend(); ++it) stack.push_back(std::move(*it));
    }
}

}  // namespace salvor

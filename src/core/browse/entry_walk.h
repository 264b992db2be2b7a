#pragma once
// Walks every entry the tree can reach, depth first in tree order: the first
// level as the parser inserted it under "ROOT", then each folder's records by
// the entry face.
#include <functional>
#include <string>

#include "browse/entry_face.h"
#include "controls/check_tree.h"

namespace salvor {

struct WalkedEntry {
    std::string path;  // from "ROOT", joined with "/"
    EntryRef ref = 0;
    int depth = 0;     // 1 for the first level
};

// Calls `visit` for each entry; a record met twice is not walked again.
void walkEntries(const CXHtmlTree& tree, const EntryFace& face, const std::function<void(const WalkedEntry&)>& visit);

}  // namespace salvor

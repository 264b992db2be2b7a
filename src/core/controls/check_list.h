#pragma once
// The file list with a check box per row and a check-all box in its header,
// without any widget. Each row holds six texts and the tree item it shows.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "controls/check_tree.h"

namespace salvor {

struct ListRow {
    std::array<std::string, 6> texts;  // name, creation, access, modification, size, attribute
    TreeItem item = kNoItem;
    bool checked = false;
};

class CCheckListCtrl {
public:
    static const std::array<const char*, 6>& columnTitles();
    static const std::array<int, 6>& columnWidths();

    void clear();
    void appendRow(ListRow row);
    const std::vector<ListRow>& rows() const { return rows_; }
    void setRowChecked(size_t row, bool checked);
    // The header box: checks or clears every row.
    void setAllChecked(bool checked);
    // Checked exactly when every row is (and there is at least one).
    bool headerChecked() const;

    // 1 while the list shows search results: row checks are not mirrored into the tree.
    bool searchResults = false;

    // Called after every change (rows replaced, a check changed).
    std::function<void()> onChanged;

private:
    void changed() {
        if (onChanged) onChanged();
    }
    std::vector<ListRow> rows_;
};

}  // namespace salvor

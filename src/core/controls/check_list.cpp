#include "controls/check_list.h"

#include <algorithm>

namespace salvor {

const std::array<const char*, 6>& CCheckListCtrl::columnTitles() {
    static const std::array<const char*, 6> titles = {"File(s) List", "Creation Time", "Access Time",
                                                      "Modification Time", "Size", "Attribute"};
    return titles;
}

const std::array<int, 6>& CCheckListCtrl::columnWidths() {
    static const std::array<int, 6> widths = {80, 90, 90, 90, 80, 70};
    return widths;
}

void CCheckListCtrl::clear() {
    rows_.clear();
    changed();
}

void CCheckListCtrl::appendRow(ListRow row) {
    rows_.push_back(std::move(row));
    changed();
}

void CCheckListCtrl::setRowChecked(size_t row, bool checked) {
    if (row >= rows_.size() || rows_[row].checked == checked) return;
    rows_[row].checked = checked;
    changed();
}

void CCheckListCtrl::setAllChecked(bool checked) {
    for (auto& r : rows_) r.checked = checked;
    changed();
}

bool CCheckListCtrl::headerChecked() const {
    return !rows_.empty() && std::all_of(rows_.begin(), rows_.end(), [](const ListRow& r) { return r.checked; });
}

}  // namespace salvor

#include "controls/check_tree.h"

#include <algorithm>

namespace salvor {

bool CXHtmlTree::valid(TreeItem item) const {
    return item > 0 && static_cast<size_t>(item) <= nodes_.size() && node(item).alive;
}

TreeItem CXHtmlTree::insertItem(const std::string& text, int image, int selectedImage, TreeItem parent) {
    if (parent != kNoItem && !valid(parent)) return kNoItem;
    if (listener_) listener_->itemAboutToBeInserted(parent, childCount(parent));
    TreeItem id;
    if (!free_.empty()) {
        id = free_.back();
        free_.pop_back();
        node(id) = Node{};
    } else {
        nodes_.emplace_back();
        id = static_cast<TreeItem>(nodes_.size());
    }
    Node& n = node(id);
    n.alive = true;
    n.text = text;
    n.image = image;
    n.selectedImage = selectedImage;
    n.parent = parent;
    if (parent == kNoItem) {
        n.prev = lastTop_;
        if (lastTop_) node(lastTop_).next = id;
        else firstTop_ = id;
        lastTop_ = id;
    } else {
        Node& p = node(parent);
        n.prev = p.last;
        if (p.last) node(p.last).next = id;
        else p.first = id;
        p.last = id;
        p.children++;
        n.pos = static_cast<int>(p.order.size());
        p.order.push_back(id);
    }
    if (listener_) listener_->itemInserted(parent, id);
    // A new item is unchecked: its checked ancestors are no longer fully checked.
    if (parent != kNoItem) updateAncestors(parent);
    return id;
}

void CXHtmlTree::release(TreeItem item) {
    for (TreeItem c = node(item).first; c != kNoItem;) {
        const TreeItem next = node(c).next;
        release(c);
        c = next;
    }
    if (node(item).checked) --checkedCount_;
    if (selected_ == item) selected_ = kNoItem;
    node(item) = Node{};
    free_.push_back(item);
}

void CXHtmlTree::deleteItem(TreeItem item) {
    if (!valid(item)) return;
    const TreeItem parent = node(item).parent;
    if (listener_) listener_->itemAboutToBeRemoved(parent, item);
    Node& n = node(item);
    if (n.prev) node(n.prev).next = n.next;
    if (n.next) node(n.next).prev = n.prev;
    if (parent == kNoItem) {
        if (firstTop_ == item) firstTop_ = n.next;
        if (lastTop_ == item) lastTop_ = n.prev;
    } else {
        Node& p = node(parent);
        if (p.first == item) p.first = n.next;
        if (p.last == item) p.last = n.prev;
        p.children--;
        if (n.checked) p.checkedChildren--;
        const auto at = p.order.begin() + n.pos;
        p.order.erase(at);
        for (size_t k = static_cast<size_t>(n.pos); k < p.order.size(); ++k) node(p.order[k]).pos = static_cast<int>(k);
    }
    release(item);
    if (listener_) listener_->itemRemoved(parent, item);
    if (parent != kNoItem) updateAncestors(parent);
}

void CXHtmlTree::deleteAllItems() {
    while (firstTop_ != kNoItem) deleteItem(firstTop_);
}

void CXHtmlTree::setItemData(TreeItem item, uint64_t data) {
    if (valid(item)) node(item).data = data;
}
uint64_t CXHtmlTree::itemData(TreeItem item) const { return valid(item) ? node(item).data : kNoData; }
std::string CXHtmlTree::itemText(TreeItem item) const { return valid(item) ? node(item).text : std::string(); }
void CXHtmlTree::setItemText(TreeItem item, const std::string& text) {
    if (!valid(item)) return;
    node(item).text = text;
    if (listener_) listener_->itemChanged(item);
}
int CXHtmlTree::itemImage(TreeItem item) const { return valid(item) ? node(item).image : 0; }
int CXHtmlTree::selectedImage(TreeItem item) const { return valid(item) ? node(item).selectedImage : 0; }
void CXHtmlTree::setTextColor(TreeItem item, uint32_t rgb) {
    if (!valid(item)) return;
    node(item).color = rgb;
    if (listener_) listener_->itemChanged(item);
}
uint32_t CXHtmlTree::textColor(TreeItem item) const { return valid(item) ? node(item).color : kDefaultColor; }

TreeItem CXHtmlTree::rootItem() const { return firstTop_; }
TreeItem CXHtmlTree::parentItem(TreeItem item) const { return valid(item) ? node(item).parent : kNoItem; }
TreeItem CXHtmlTree::firstChild(TreeItem item) const { return valid(item) ? node(item).first : kNoItem; }
TreeItem CXHtmlTree::nextSibling(TreeItem item) const { return valid(item) ? node(item).next : kNoItem; }
int CXHtmlTree::childCount(TreeItem item) const {
    if (item == kNoItem) {
        int n = 0;
        for (TreeItem t = firstTop_; t; t = node(t).next) ++n;
        return n;
    }
    return valid(item) ? node(item).children : 0;
}

int CXHtmlTree::indexInParent(TreeItem item) const {
    if (!valid(item)) return -1;
    const TreeItem parent = node(item).parent;
    if (parent == kNoItem) {
        int i = 0;
        for (TreeItem t = firstTop_; t; t = node(t).next, ++i)
            if (t == item) return i;
        return -1;
    }
    return node(item).pos;
}

TreeItem CXHtmlTree::childAt(TreeItem parent, int index) const {
    if (index < 0) return kNoItem;
    if (parent == kNoItem) {
        TreeItem t = firstTop_;
        for (int i = 0; t && i < index; ++i) t = node(t).next;
        return t;
    }
    if (!valid(parent)) return kNoItem;
    const auto& order = node(parent).order;
    return static_cast<size_t>(index) < order.size() ? order[static_cast<size_t>(index)] : kNoItem;
}

void CXHtmlTree::setExpanded(TreeItem item, bool expanded) {
    if (valid(item)) node(item).expanded = expanded;
}
bool CXHtmlTree::isExpanded(TreeItem item) const { return valid(item) && node(item).expanded; }

bool CXHtmlTree::getCheck(TreeItem item) const { return valid(item) && node(item).checked; }

void CXHtmlTree::setOwnCheck(TreeItem item, bool checked) {
    Node& n = node(item);
    if (n.checked == checked) return;
    n.checked = checked;
    checkedCount_ += checked ? 1 : -1;
    if (n.parent != kNoItem) node(n.parent).checkedChildren += checked ? 1 : -1;
    if (listener_) listener_->itemChanged(item);
}

void CXHtmlTree::setSubtree(TreeItem item, bool checked) {
    // Iterative walk: deep trees must not exhaust the stack.
    std::vector<TreeItem> stack{item};
    while (!stack.empty()) {
        const TreeItem t = stack.back();
        stack.pop_back();
        setOwnCheck(t, checked);
        for (TreeItem c = node(t).first; c != kNoItem; c = node(c).next) stack.push_back(c);
    }
}

void CXHtmlTree::updateAncestors(TreeItem parent) {
    for (TreeItem p = parent; p != kNoItem; p = node(p).parent) {
        const Node& n = node(p);
        const bool all = n.children > 0 ? n.checkedChildren == n.children : n.checked;
        if (all == n.checked) break;
        setOwnCheck(p, all);
    }
}

void CXHtmlTree::setCheck(TreeItem item, bool checked) {
    if (!valid(item)) return;
    setSubtree(item, checked);
    updateAncestors(node(item).parent);
}

}  // namespace salvor

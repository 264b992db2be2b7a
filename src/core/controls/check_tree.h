#pragma once
// The entry tree with linked check boxes, without any widget: items with text,
// images, item data, a check state and a text colour, inserted last under
// their parent. The linked rule holds after every insertion, deletion and
// check change: checking an item gives all its inserted descendants the same
// check, and an item with descendants is checked exactly when all of them are.
// Views follow the tree through a TreeListener.
#include <cstdint>
#include <string>
#include <vector>

namespace salvor {

using TreeItem = int32_t;  // 0 = no item
inline constexpr TreeItem kNoItem = 0;
inline constexpr uint64_t kNoData = UINT64_MAX;
inline constexpr uint32_t kDefaultColor = 0x000000;
inline constexpr uint32_t kDeletedColor = 0xFF0000;  // RGB(255,0,0)

class TreeListener {
public:
    virtual ~TreeListener() = default;
    // An item is about to be inserted as child number `row` of `parent`
    // (kNoItem: top level); itemInserted follows.
    virtual void itemAboutToBeInserted(TreeItem parent, int row) = 0;
    virtual void itemInserted(TreeItem parent, TreeItem item) = 0;
    // `item` and its descendants are about to be removed from `parent`.
    virtual void itemAboutToBeRemoved(TreeItem parent, TreeItem item) = 0;
    virtual void itemRemoved(TreeItem parent, TreeItem item) = 0;
    // Text, colour or check of `item` changed.
    virtual void itemChanged(TreeItem item) = 0;
};

class CXHtmlTree {
public:
    TreeItem insertItem(const std::string& text, int image, int selectedImage, TreeItem parent);
    void deleteItem(TreeItem item);
    void deleteAllItems();

    bool valid(TreeItem item) const;
    void setItemData(TreeItem item, uint64_t data);
    uint64_t itemData(TreeItem item) const;
    std::string itemText(TreeItem item) const;
    void setItemText(TreeItem item, const std::string& text);
    int itemImage(TreeItem item) const;
    int selectedImage(TreeItem item) const;
    void setTextColor(TreeItem item, uint32_t rgb);
    uint32_t textColor(TreeItem item) const;

    TreeItem rootItem() const;  // the first top-level item
    TreeItem parentItem(TreeItem item) const;
    TreeItem firstChild(TreeItem item) const;
    TreeItem nextSibling(TreeItem item) const;
    bool hasChildren(TreeItem item) const { return firstChild(item) != kNoItem; }
    int childCount(TreeItem item) const;
    // Position of `item` among its parent's children.
    int indexInParent(TreeItem item) const;
    TreeItem childAt(TreeItem parent, int index) const;

    void setExpanded(TreeItem item, bool expanded);
    bool isExpanded(TreeItem item) const;
    void selectItem(TreeItem item) { selected_ = valid(item) ? item : kNoItem; }
    TreeItem selectedItem() const { return valid(selected_) ? selected_ : kNoItem; }

    void setCheck(TreeItem item, bool checked);
    bool getCheck(TreeItem item) const;
    // Number of checked items.
    int checkedCount() const { return checkedCount_; }

    void setListener(TreeListener* listener) { listener_ = listener; }

private:
    struct Node {
        std::string text;
        int image = 0;
        int selectedImage = 0;
        uint64_t data = kNoData;
        uint32_t color = kDefaultColor;
        bool checked = false;
        bool expanded = false;
        bool alive = false;
        TreeItem parent = kNoItem;
        TreeItem first = kNoItem;
        TreeItem last = kNoItem;
        TreeItem next = kNoItem;
        TreeItem prev = kNoItem;
        int children = 0;
        int checkedChildren = 0;
        std::vector<TreeItem> order;  // children in order, for index lookups
        int pos = 0;                  // this item's place among its parent's children
    };
    Node& node(TreeItem i) { return nodes_[static_cast<size_t>(i - 1)]; }
    const Node& node(TreeItem i) const { return nodes_[static_cast<size_t>(i - 1)]; }
    void setOwnCheck(TreeItem item, bool checked);
    void setSubtree(TreeItem item, bool checked);
    void updateAncestors(TreeItem parent);
    void release(TreeItem item);

    std::vector<Node> nodes_;
    std::vector<TreeItem> free_;
    TreeItem firstTop_ = kNoItem;
    TreeItem lastTop_ = kNoItem;
    TreeItem selected_ = kNoItem;
    int checkedCount_ = 0;
    TreeListener* listener_ = nullptr;
};

}  // namespace salvor

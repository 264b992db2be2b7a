#include "controls/entry_tree_view.h"

#include <QMouseEvent>
#include <QStyleOptionViewItem>

namespace salvor::gui {

TreeModel::TreeModel(CXHtmlTree& tree, IconProvider& icons, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), icons_(icons) {
    tree_.setListener(this);
}

TreeModel::~TreeModel() { tree_.setListener(nullptr); }

QModelIndex TreeModel::indexOf(TreeItem item) const {
    if (!tree_.valid(item)) return QModelIndex();
    return createIndex(tree_.indexInParent(item), 0, static_cast<quintptr>(item));
}

TreeItem TreeModel::itemAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TreeItem>(index.internalId()) : kNoItem;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0) return QModelIndex();
    const TreeItem child = tree_.childAt(itemAt(parent), row);
    return child == kNoItem ? QModelIndex() : createIndex(row, 0, static_cast<quintptr>(child));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    const TreeItem p = tree_.parentItem(itemAt(child));
    return p == kNoItem ? QModelIndex() : indexOf(p);
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return tree_.childCount(itemAt(parent));
}

int TreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    const TreeItem item = itemAt(index);
    if (!tree_.valid(item)) return QVariant();
    switch (role) {
        case Qt::DisplayRole: return QString::fromStdString(tree_.itemText(item));
        case Qt::DecorationRole: return icons_.icon(tree_.itemImage(item));
        case Qt::ForegroundRole:
            if (tree_.textColor(item) != kDefaultColor) {
                const uint32_t c = tree_.textColor(item);
                return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
            }
            return QVariant();
        case Qt::CheckStateRole: return tree_.getCheck(item) ? Qt::Checked : Qt::Unchecked;
        default: return QVariant();
    }
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole) return false;
    tree_.setCheck(itemAt(index), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

void TreeModel::itemAboutToBeInserted(TreeItem parent, int row) { beginInsertRows(indexOf(parent), row, row); }
void TreeModel::itemInserted(TreeItem, TreeItem) { endInsertRows(); }
void TreeModel::itemAboutToBeRemoved(TreeItem parent, TreeItem item) {
    const int row = tree_.indexInParent(item);
    beginRemoveRows(indexOf(parent), row, row);
}
void TreeModel::itemRemoved(TreeItem, TreeItem) { endRemoveRows(); }
void TreeModel::itemChanged(TreeItem item) {
    const QModelIndex i = indexOf(item);
    emit dataChanged(i, i);
}

EntryTreeView::EntryTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setUniformRowHeights(true);
}

void EntryTreeView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    bool onLabel = index.isValid();
    if (onLabel) {
        QStyleOptionViewItem opt;
        initViewItemOption(&opt);
        opt.rect = visualRect(index);
        opt.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
        opt.index = index;
        const QRect check = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, this);
        if (check.contains(event->position().toPoint()) || !opt.rect.contains(event->position().toPoint())) onLabel = false;
    }
    QTreeView::mousePressEvent(event);
    if (onLabel && event->button() == Qt::LeftButton) emit labelClicked(index);
}

}  // namespace salvor::gui

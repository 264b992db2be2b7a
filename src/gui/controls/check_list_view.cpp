#include "controls/check_list_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace salvor::gui {

ListModel::ListModel(CCheckListCtrl& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {
    list_.onChanged = [this] {
        beginResetModel();
        endResetModel();
    };
}

ListModel::~ListModel() { list_.onChanged = nullptr; }

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(list_.rows().size()); }
int ListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 6; }

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= list_.rows().size()) return QVariant();
    const ListRow& row = list_.rows()[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return QString::fromStdString(row.texts[static_cast<size_t>(index.column())]);
    if (role == Qt::CheckStateRole && index.column() == 0) return row.checked ? Qt::Checked : Qt::Unchecked;
    return QVariant();
}

bool ListModel::setData(const QModelIndex& index, const QVariant&, int role) {
    if (role != Qt::CheckStateRole || index.column() != 0) return false;
    if (onRowCheckClicked) onRowCheckClicked(static_cast<size_t>(index.row()));
    else list_.setRowChecked(static_cast<size_t>(index.row()), !list_.rows()[static_cast<size_t>(index.row())].checked);
    return true;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 6) return QVariant();
    const QString title = QString::fromUtf8(CCheckListCtrl::columnTitles()[static_cast<size_t>(section)]);
    return section == 0 ? QStringLiteral("      ") + title : title;  // room for the header's check box
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

CCheckHeadCtrl::CCheckHeadCtrl(CCheckListCtrl& list, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), list_(list) {
    setSectionsClickable(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CCheckHeadCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex != 0) return;
    QStyleOptionButton box;
    const int size = style()->pixelMetric(QStyle::PM_IndicatorWidth);
    box.rect = QRect(rect.left() + 4, rect.center().y() - size / 2, size, size);
    box.state = QStyle::State_Enabled | (list_.headerChecked() ? QStyle::State_On : QStyle::State_Off);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter);
}

void CCheckHeadCtrl::mousePressEvent(QMouseEvent* event) {
    if (logicalIndexAt(event->position().toPoint()) == 0) {
        list_.setAllChecked(!list_.headerChecked());
        viewport()->update();
        return;
    }
    QHeaderView::mousePressEvent(event);
}

CCheckListCtrlView::CCheckListCtrlView(CCheckListCtrl& list, QWidget* parent) : QTableView(parent) {
    model_ = new ListModel(list, this);
    setHorizontalHeader(new CCheckHeadCtrl(list, this));
    setModel(model_);
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setWordWrap(false);
    for (int c = 0; c < 6; ++c) setColumnWidth(c, CCheckListCtrl::columnWidths()[static_cast<size_t>(c)] + (c == 0 ? 60 : c <= 3 ? 60 : 20));
    horizontalHeader()->setStretchLastSection(true);
}

}  // namespace salvor::gui

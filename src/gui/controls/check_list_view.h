#pragma once
// The file list on screen: six columns over the check-box list, a check box
// per row and a check-all box drawn in the header of the first column.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>
#include <functional>

#include "controls/check_list.h"

namespace salvor::gui {

class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListModel(CCheckListCtrl& list, QObject* parent = nullptr);
    ~ListModel() override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // A click on a row's check box; the page mirrors it into the tree.
    std::function<void(size_t row)> onRowCheckClicked;

private:
    CCheckListCtrl& list_;
};

class CCheckHeadCtrl : public QHeaderView {
    Q_OBJECT
public:
    CCheckHeadCtrl(CCheckListCtrl& list, QWidget* parent);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CCheckListCtrl& list_;
};

class CCheckListCtrlView : public QTableView {
    Q_OBJECT
public:
    CCheckListCtrlView(CCheckListCtrl& list, QWidget* parent);
    ListModel* listModel() const { return model_; }

private:
    ListModel* model_;
};

}  // namespace salvor::gui

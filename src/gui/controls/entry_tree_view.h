#pragma once
// The check-box tree on screen: a Qt model over the entry tree and a view that
// tells label clicks apart from clicks on the check box or the expand arrow.
#include <QAbstractItemModel>
#include <QTreeView>

#include "controls/check_tree.h"
#include "controls/icon_provider.h"

namespace salvor::gui {

class TreeModel : public QAbstractItemModel, public TreeListener {
    Q_OBJECT
public:
    TreeModel(CXHtmlTree& tree, IconProvider& icons, QObject* parent = nullptr);
    ~TreeModel() override;

    QModelIndex indexOf(TreeItem item) const;
    TreeItem itemAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void itemAboutToBeInserted(TreeItem parent, int row) override;
    void itemInserted(TreeItem parent, TreeItem item) override;
    void itemAboutToBeRemoved(TreeItem parent, TreeItem item) override;
    void itemRemoved(TreeItem parent, TreeItem item) override;
    void itemChanged(TreeItem item) override;

private:
    CXHtmlTree& tree_;
    IconProvider& icons_;
};

class EntryTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit EntryTreeView(QWidget* parent = nullptr);

signals:
    // The left button went down on an item's label (not its check box or arrow).
    void labelClicked(const QModelIndex& index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace salvor::gui

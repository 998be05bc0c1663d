// The items and columns behind a TFbCustomListView: a flat table whose texts and icons
// are asked of the view only for the rows drawn, so a folder of thousands of files costs
// what the screen shows.
#pragma once

#include "shell/FbListVw.h"

#include <QAbstractTableModel>

class TFbListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TFbListModel(TFbCustomListView* view) : QAbstractTableModel(view), FView(view) {}
    ~TFbListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int Count() const { return static_cast<int>(FItems.size()); }
    TFbListItem* Item(int index) const;
    void Append(std::vector<std::unique_ptr<TFbListItem>> items);
    void Remove(int index);
    void Clear();
    using TCompare = std::function<int(TFbListItem*, TFbListItem*)>;
    void Sort(const TCompare& compare);
    // Puts the item now in row order[i] in row i; `order` holds every row once.
    void Arrange(const std::vector<std::size_t>& order);
    // Puts each item where `compare` orders it among the sorted items (after its equals).
    void InsertSorted(std::vector<std::unique_ptr<TFbListItem>> items, const TCompare& compare);
    // Moves the item at `index` to where `compare` orders it among the others; its
    // selection and focus go with it.
    void Reposition(int index, const TCompare& compare);
    void ItemChanged(int index);

    const std::vector<TFbListColumn>& Columns() const { return FColumns; }
    void SetColumns(std::vector<TFbListColumn> columns);
    // Marks the item being edited, the only one whose label may change.
    void SetEditable(int index) { FEditable = index; }

private:
    void Renumber(int from);

    TFbCustomListView* FView;
    std::vector<std::unique_ptr<TFbListItem>> FItems;
    std::vector<TFbListColumn> FColumns;
    int FEditable = -1;
};

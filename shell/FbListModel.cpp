#include "shell/FbListModel.h"

#include "gui/SystemImageList.h"

#include <algorithm>
#include <numeric>

#include <QPainter>

namespace {

constexpr double kCutOpacity = 0.5;

} // namespace

void TFbListItem::SetCaption(std::string caption) {
    FCaption = std::move(caption);
    FCaptionKnown = true;
}

void TFbListItem::Invalidate() {
    FCaption.clear();
    FCaptionKnown = false;
    FImageIndex = -1;
}

TFbListModel::~TFbListModel() {
    Clear();
}

int TFbListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int TFbListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

TFbListItem* TFbListModel::Item(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return FItems[static_cast<std::size_t>(index)].get();
}

QVariant TFbListModel::data(const QModelIndex& index, int role) const {
    TFbListItem* item = Item(index.row());
    if (item == nullptr || FView->FDestroying)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == 0)
            return QString::fromStdString(FView->ItemCaption(item));
        return QString::fromStdString(FView->SubItemText(item, column));
    case Qt::DecorationRole: {
        if (column != 0)
            return {};
        QPixmap pixmap =
            SystemImageListOfSize(true).Pixmap(FView->ItemImage(item), item->OverlayIndex());
        if (item->Cut()) {
            QPixmap faded(pixmap.size());
            faded.fill(Qt::transparent);
            QPainter p(&faded);
            p.setOpacity(kCutOpacity);
            p.drawPixmap(0, 0, pixmap);
            pixmap = faded;
        }
        return pixmap;
    }
    case Qt::TextAlignmentRole:
        if (column >= 0 && column < columnCount())
            return QVariant::fromValue(FColumns[static_cast<std::size_t>(column)].alignment |
                                       Qt::AlignVCenter);
        return {};
    case Qt::ToolTipRole: {
        const std::string hint = FView->ItemHint(item);
        return hint.empty() ? QVariant() : QVariant(QString::fromStdString(hint));
    }
    default:
        return {};
    }
}

QVariant TFbListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const TFbListColumn& column = FColumns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return QString::fromStdString(column.caption);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TFbListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.row() == FEditable && index.column() == 0)
        f |= Qt::ItemIsEditable;
    return f;
}

void TFbListModel::Renumber(int from) {
    for (int i = std::max(from, 0); i < Count(); ++i)
        FItems[static_cast<std::size_t>(i)]->FIndex = i;
}

void TFbListModel::Append(std::vector<std::unique_ptr<TFbListItem>> items) {
    if (items.empty())
        return;
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(items.size()) - 1);
    FItems.reserve(FItems.size() + items.size());
    for (auto& item : items)
        FItems.push_back(std::move(item));
    Renumber(first);
    endInsertRows();
}

void TFbListModel::Remove(int index) {
    TFbListItem* item = Item(index);
    if (item == nullptr)
        return;
    FView->ItemDeleting(item);
    beginRemoveRows(QModelIndex(), index, index);
    FItems.erase(FItems.begin() + index);
    Renumber(index);
    endRemoveRows();
}

void TFbListModel::Clear() {
    if (FItems.empty())
        return;
    beginResetModel();
    for (auto& item : FItems)
        FView->ItemDeleting(item.get());
    FItems.clear();
    endResetModel();
}

void TFbListModel::Sort(const TCompare& compare) {
    std::vector<std::size_t> order(FItems.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return compare(FItems[a].get(), FItems[b].get()) < 0;
    });
    Arrange(order);
}

void TFbListModel::Arrange(const std::vector<std::size_t>& order) {
    if (order.size() != FItems.size())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::unique_ptr<TFbListItem>> arranged;
    arranged.reserve(FItems.size());
    // Selection and focus follow their items to their new rows.
    std::vector<int> newRow(FItems.size());
    for (std::size_t row = 0; row < order.size(); ++row) {
        newRow[order[row]] = static_cast<int>(row);
        arranged.push_back(std::move(FItems[order[row]]));
    }
    FItems = std::move(arranged);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.push_back(this->index(newRow[static_cast<std::size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    Renumber(0);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TFbListModel::InsertSorted(std::vector<std::unique_ptr<TFbListItem>> items,
                                const TCompare& compare) {
    // Many newcomers at once (a folder copied in) cost less as one sort than as as many
    // insertions, each of which shifts the rows after it.
    constexpr std::size_t kInsertOneByOne = 64;
    if (items.size() > kInsertOneByOne) {
        Append(std::move(items));
        Sort(compare);
        return;
    }
    for (auto& item : items) {
        const auto at =
            std::upper_bound(FItems.begin(), FItems.end(), item, [&](const auto& a, const auto& b) {
                return compare(a.get(), b.get()) < 0;
            });
        const int row = static_cast<int>(at - FItems.begin());
        beginInsertRows(QModelIndex(), row, row);
        FItems.insert(at, std::move(item));
        Renumber(row);
        endInsertRows();
    }
}

void TFbListModel::Reposition(int index, const TCompare& compare) {
    TFbListItem* item = Item(index);
    if (item == nullptr)
        return;
    const auto before = [&](const auto& other) {
        return compare(item, other.get()) < 0;
    };
    const auto after = [&](const auto& other) {
        return compare(other.get(), item) <= 0;
    };
    const auto begin = FItems.begin();
    const auto here = begin + index;
    // The row the item takes among the others, counted as if it were taken out first.
    int target = index;
    if (index > 0 && before(*(here - 1)))
        target = static_cast<int>(
            std::partition_point(begin, here, [&](const auto& o) { return !before(o); }) - begin);
    else if (index + 1 < Count() && compare((here + 1)->get(), item) < 0)
        target = static_cast<int>(std::partition_point(here + 1, FItems.end(), after) - begin) - 1;
    if (target == index)
        return;
    // Qt names the destination as the row it goes before, counted with the item in place.
    const int destination = target > index ? target + 1 : target;
    beginMoveRows(QModelIndex(), index, index, QModelIndex(), destination);
    if (target > index)
        std::rotate(here, here + 1, begin + target + 1);
    else
        std::rotate(begin + target, here, here + 1);
    Renumber(std::min(index, target));
    endMoveRows();
}

void TFbListModel::ItemChanged(int index) {
    if (index < 0 || index >= Count())
        return;
    emit dataChanged(this->index(index, 0), this->index(index, std::max(columnCount() - 1, 0)));
}

void TFbListModel::SetColumns(std::vector<TFbListColumn> columns) {
    beginResetModel();
    FColumns = std::move(columns);
    endResetModel();
}

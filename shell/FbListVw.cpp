#include "shell/FbListVw.h"

#include "gui/Application.h"
#include "gui/SystemImageList.h"
#include "shell/FbListModel.h"
#include "shell/FbSortHeader.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

// Hands the label editor the owner's editing text and the committed text back to the
// owner, who renames the item and decides what it then shows.
class TFbListEditDelegate : public QStyledItemDelegate {
public:
    explicit TFbListEditDelegate(TFbCustomListView* view)
        : QStyledItemDelegate(view), FView(view) {}

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        TFbListItem* item = FView->Item(index.row());
        if (line == nullptr || item == nullptr)
            return QStyledItemDelegate::setEditorData(editor, index);
        line->setText(QString::fromStdString(FView->EditText(item)));
        line->selectAll();
    }
    // In icon view the editor takes the caption's place below the picture.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override {
        if (FView->ViewStyle() != vsIcon)
            return QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        editor->setGeometry(FView->EditorRect(index));
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setAlignment(Qt::AlignHCenter);
    }
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        TFbListItem* item = FView->Item(index.row());
        if (line == nullptr || item == nullptr)
            return;
        std::string text = line->text().toStdString();
        FView->Edited(item, text);
    }

private:
    TFbCustomListView* FView;
};

TFbCustomListView::TFbCustomListView(QWidget* parent)
    : QTreeView(parent), FFrame(this), FModel(new TFbListModel(this)),
      FHeader(new TFbSortHeader(this)) {
    setHeader(FHeader);
    setModel(FModel);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(TSystemImageList::kSmallSize, TSystemImageList::kSmallSize));
    setItemDelegate(new TFbListEditDelegate(this));
    // The view's own sorting stays off (the owner orders the items); switching it off
    // also makes the header unclickable, so the header is made clickable afterwards.
    setSortingEnabled(false);
    FHeader->setSectionsClickable(true);
    FHeader->setStretchLastSection(false);
    FFrame.Apply();
    ApplyInactiveSelection(this, FHideSelection);
    connect(FHeader, &QHeaderView::sectionClicked, this,
            [this](int section) { ColumnClicked(section); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                SelectionChanged(selected, deselected);
            });
}

TFbCustomListView::~TFbCustomListView() {
    FDestroying = true;
    FModel->Clear();
}

THeaderSortDisplayMode TFbCustomListView::HeaderSortDisplayMode() const {
    return FHeader->Mode();
}

void TFbCustomListView::SetHeaderSortDisplayMode(THeaderSortDisplayMode mode) {
    FHeader->SetMode(mode);
}

int TFbCustomListView::ItemCount() const {
    return FModel->Count();
}

TFbListItem* TFbCustomListView::Item(int index) const {
    return FModel->Item(index);
}

void TFbCustomListView::AddItems(std::vector<std::unique_ptr<TFbListItem>> items) {
    FModel->Append(std::move(items));
}

void TFbCustomListView::DeleteItem(TFbListItem* item) {
    if (item != nullptr)
        FModel->Remove(item->Index());
}

void TFbCustomListView::ClearItems() {
    FModel->Clear();
}

void TFbCustomListView::CustomSort(const std::function<int(TFbListItem*, TFbListItem*)>& compare) {
    FModel->Sort(compare);
}

void TFbCustomListView::ArrangeItems(const std::vector<std::size_t>& order) {
    FModel->Arrange(order);
}

void TFbCustomListView::InsertItemsSorted(
    std::vector<std::unique_ptr<TFbListItem>> items,
    const std::function<int(TFbListItem*, TFbListItem*)>& compare) {
    FModel->InsertSorted(std::move(items), compare);
}

void TFbCustomListView::RepositionItem(
    TFbListItem* item, const std::function<int(TFbListItem*, TFbListItem*)>& compare) {
    if (item != nullptr)
        FModel->Reposition(item->Index(), compare);
}

void TFbCustomListView::UpdateItem(TFbListItem* item) {
    if (item != nullptr)
        FModel->ItemChanged(item->Index());
}

int TFbCustomListView::ColumnCount() const {
    return FModel->columnCount();
}

const TFbListColumn& TFbCustomListView::Column(int index) const {
    return FModel->Columns().at(static_cast<std::size_t>(index));
}

void TFbCustomListView::SetColumns(std::vector<TFbListColumn> columns) {
    std::vector<int> widths;
    for (const auto& c : columns)
        widths.push_back(c.width);
    FModel->SetColumns(std::move(columns));
    for (std::size_t i = 0; i < widths.size(); ++i)
        setColumnWidth(static_cast<int>(i), widths[i]);
}

int TFbCustomListView::ColumnWidth(int index) const {
    return columnWidth(index);
}

void TFbCustomListView::SetSortMark(int column, bool ascending) {
    FHeader->SetSortMark(column, ascending);
}

TFbListItem* TFbCustomListView::ItemAt(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    return index.isValid() ? Item(index.row()) : nullptr;
}

QModelIndex TFbCustomListView::IndexOf(const TFbListItem* item, int column) const {
    return item != nullptr ? FModel->index(item->Index(), column) : QModelIndex();
}

TFbListItem* TFbCustomListView::Selected() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return nullptr;
    int first = rows.front().row();
    for (const QModelIndex& index : rows)
        first = std::min(first, index.row());
    return Item(first);
}

std::vector<TFbListItem*> TFbCustomListView::SelectedItems() const {
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<TFbListItem*> items;
    for (const QModelIndex& index : rows)
        items.push_back(Item(index.row()));
    return items;
}

int TFbCustomListView::SelCount() const {
    return static_cast<int>(selectionModel()->selectedRows().size());
}

void TFbCustomListView::SelectItem(TFbListItem* item, bool selected) {
    if (item == nullptr)
        return;
    selectionModel()->select(
        IndexOf(item), (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                           QItemSelectionModel::Rows);
}

void TFbCustomListView::SelectItems(const std::vector<TFbListItem*>& items) {
    QItemSelection selection;
    for (const TFbListItem* item : items) {
        if (item != nullptr)
            selection.select(IndexOf(item), IndexOf(item));
    }
    if (!selection.isEmpty())
        selectionModel()->select(selection,
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TFbCustomListView::SelectAll() {
    selectAll();
}

void TFbCustomListView::ClearSelection() {
    clearSelection();
}

TFbListItem* TFbCustomListView::ItemFocused() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? Item(current.row()) : nullptr;
}

void TFbCustomListView::SetItemFocused(TFbListItem* item) {
    selectionModel()->setCurrentIndex(IndexOf(item), QItemSelectionModel::NoUpdate);
}

bool TFbCustomListView::StartEditing(TFbListItem* item) {
    if (item == nullptr || FReadOnly || IsEditing() || !CanEdit(item))
        return false;
    bool allow = true;
    if (OnEditing)
        OnEditing(this, item, allow);
    if (!allow)
        return false;
    const QModelIndex index = IndexOf(item);
    FModel->SetEditable(item->Index());
    scrollTo(index);
    setCurrentIndex(index);
    edit(index);
    FModel->SetEditable(-1);
    return IsEditing();
}

void TFbCustomListView::SelectionChanged(const QItemSelection& selected,
                                         const QItemSelection& deselected) {
    if (!OnSelectItem)
        return;
    // Each range spans every column of its rows: one event per row, deselections first.
    for (const QItemSelection* part : {&deselected, &selected}) {
        for (const QItemSelectionRange& range : *part) {
            for (int row = range.top(); row <= range.bottom(); ++row) {
                if (TFbListItem* item = Item(row))
                    InvokeHandler([&] { OnSelectItem(this, item, part == &selected); });
            }
        }
    }
}

std::string TFbCustomListView::ItemCaption(TFbListItem* item) {
    return item->Caption();
}

std::string TFbCustomListView::SubItemText(TFbListItem* item, int column) {
    const auto& subItems = item->SubItems();
    const auto at = static_cast<std::size_t>(column - 1);
    return column > 0 && at < subItems.size() ? subItems[at] : std::string();
}

int TFbCustomListView::ItemImage(TFbListItem* item) {
    if (item->ImageIndex() < 0 && OnGetImageIndex)
        OnGetImageIndex(this, item);
    return std::max(item->ImageIndex(), 0);
}

std::string TFbCustomListView::ItemHint(TFbListItem*) {
    return {};
}

bool TFbCustomListView::CanEdit(TFbListItem*) {
    return true;
}

std::string TFbCustomListView::EditText(TFbListItem* item) {
    return ItemCaption(item);
}

void TFbCustomListView::Edited(TFbListItem* item, std::string& text) {
    if (OnEdited)
        OnEdited(this, item, text);
    item->SetCaption(text);
    UpdateItem(item);
}

void TFbCustomListView::EditingEnded() {
}

void TFbCustomListView::ItemDeleting(TFbListItem*) {
}

void TFbCustomListView::ColumnClicked(int column) {
    if (OnColumnClick)
        OnColumnClick(this, column);
}

void TFbCustomListView::ItemDoubleClicked(TFbListItem*) {
}

void TFbCustomListView::ShowItemContextMenu(TFbListItem*, const QPoint&) {
}

void TFbCustomListView::SetHideSelection(bool value) {
    FHideSelection = value;
    ApplyInactiveSelection(this, FHideSelection);
}

void TFbCustomListView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    FFrame.Apply();
}

void TFbCustomListView::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    FFrame.Apply();
}

void TFbCustomListView::changeEvent(QEvent* event) {
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        FFrame.Apply();
}

void TFbCustomListView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    const bool plain = (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                              Qt::AltModifier | Qt::MetaModifier)) == 0;
    if (plain && current.isValid() && !selectionModel()->hasSelection()) {
        switch (event->key()) {
        case Qt::Key_Down:
        case Qt::Key_Up:
        case Qt::Key_Space:
            // The focus mark alone is not a selection yet: the first key takes the marked
            // item rather than skipping past it.
            selectionModel()->select(current, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
            return event->accept();
        default:
            break;
        }
    }
    QTreeView::keyPressEvent(event);
    // Home on the first item, or End on the last, moves nowhere, and Qt then selects
    // nothing; the item they name is selected all the same.
    if (plain && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) &&
        currentIndex().isValid() && !selectionModel()->isRowSelected(currentIndex().row())) {
        selectionModel()->select(currentIndex(),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void TFbCustomListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The report view finds the row under the mouse by its own row layout.
    if (IconView())
        QAbstractItemView::mouseDoubleClickEvent(event);
    else
        QTreeView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        ItemDoubleClicked(Item(index.row()));
}

void TFbCustomListView::contextMenuEvent(QContextMenuEvent* event) {
    TFbListItem* item = nullptr;
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = indexAt(event->pos());
        item = index.isValid() ? Item(index.row()) : nullptr;
    } else {
        item = Selected();
    }
    bool handled = false;
    if (OnItemContextMenu)
        OnItemContextMenu(this, item, event->pos(), handled);
    if (!handled)
        ShowItemContextMenu(item, event->globalPos());
    event->accept();
}

void TFbCustomListView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTreeView::closeEditor(editor, hint);
    EditingEnded();
}

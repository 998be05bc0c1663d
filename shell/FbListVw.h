// A list view in report form (one row per item, one column per detail) with a drawn frame,
// focus and disabled frame colours, a column header that marks the sort column and its
// direction, items that carry a record of their owner and whose texts and icons are asked
// for only when drawn, label editing the owner decides about, and an item context-menu
// event. The file list builds on it.
#pragma once

#include "shell/FbFrameController.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QTreeView>

class TFbCustomListView;
class TFbListModel;
class TFbSortHeader;

// What an item carries for its owner; freed with the item.
class TFbItemData {
public:
    virtual ~TFbItemData() = default;
};

class TFbListItem {
public:
    int Index() const { return FIndex; }
    // The caption; the owner supplies it when first drawn unless set.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string caption);
    bool CaptionKnown() const { return FCaptionKnown; }
    // Texts of the columns after the first; a non-empty one wins over the owner's.
    std::vector<std::string>& SubItems() { return FSubItems; }
    const std::vector<std::string>& SubItems() const { return FSubItems; }

    TFbItemData* Data() const { return FData.get(); }
    void SetData(std::unique_ptr<TFbItemData> data) { FData = std::move(data); }
    // -1 until known; the owner is asked when the item is first drawn.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int index) { FImageIndex = index; }
    // Overlay image on the icon (0 none, 1 shared, 2 link).
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int overlay) { FOverlayIndex = overlay; }
    bool Cut() const { return FCut; }
    void SetCut(bool cut) { FCut = cut; }
    // Forgets the caption and icon, so they are asked for again.
    void Invalidate();

private:
    friend class TFbListModel;
    int FIndex = -1;
    std::string FCaption;
    bool FCaptionKnown = false;
    std::vector<std::string> FSubItems;
    std::unique_ptr<TFbItemData> FData;
    int FImageIndex = -1;
    int FOverlayIndex = 0;
    bool FCut = false;
};

enum THeaderSortDisplayMode { hsdmNone, hsdmLeftAlign, hsdmRightOfText, hsdmRightAlign };

struct TFbListColumn {
    std::string caption;
    Qt::Alignment alignment = Qt::AlignLeft;
    int width = 50;
};

class TFbCustomListView : public QTreeView {
    Q_OBJECT
public:
    using TLVSelectItemEvent =
        std::function<void(QObject* Sender, TFbListItem* Item, bool Selected)>;
    using TLVColumnClickEvent = std::function<void(QObject* Sender, int Column)>;
    using TLVEditingEvent =
        std::function<void(QObject* Sender, TFbListItem* Item, bool& AllowEdit)>;
    using TLVEditedEvent = std::function<void(QObject* Sender, TFbListItem* Item, std::string& S)>;
    using TLVNotifyItemEvent = std::function<void(QObject* Sender, TFbListItem* Item)>;
    using TFbItemContextMenuEvent = std::function<void(QObject* Sender, TFbListItem* Item,
                                                       const QPoint& MousePos, bool& Handled)>;

    explicit TFbCustomListView(QWidget* parent = nullptr);
    ~TFbCustomListView() override;

    TFbFrame& Frame() { return FFrame; }
    void SetFrameController(TFbFrameController* controller) { FFrame.SetController(controller); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    THeaderSortDisplayMode HeaderSortDisplayMode() const;
    void SetHeaderSortDisplayMode(THeaderSortDisplayMode mode);

    // Items.
    int ItemCount() const;
    TFbListItem* Item(int index) const;
    // The item at a point of the viewport; null over empty space.
    TFbListItem* ItemAt(const QPoint& pos) const;
    // Appends items (one insertion for all of them) in their order.
    void AddItems(std::vector<std::unique_ptr<TFbListItem>> items);
    void DeleteItem(TFbListItem* item);
    void ClearItems();
    // Orders the items by `compare` (negative, 0, positive); equal items keep their order.
    void CustomSort(const std::function<int(TFbListItem*, TFbListItem*)>& compare);
    // For items already in `compare`'s order: adds items each at its place in it, and
    // moves one item (whose sort key changed) to its place.
    void InsertItemsSorted(std::vector<std::unique_ptr<TFbListItem>> items,
                           const std::function<int(TFbListItem*, TFbListItem*)>& compare);
    void RepositionItem(TFbListItem* item,
                        const std::function<int(TFbListItem*, TFbListItem*)>& compare);
    // Redraws the item's texts and icon.
    void UpdateItem(TFbListItem* item);

    // Columns.
    int ColumnCount() const;
    const TFbListColumn& Column(int index) const;
    void SetColumns(std::vector<TFbListColumn> columns);
    // The width a column shows now (the user may have dragged it).
    int ColumnWidth(int index) const;
    // The sort mark: a column and its direction; -1 shows none.
    void SetSortMark(int column, bool ascending);

    // Selection and focus.
    TFbListItem* Selected() const;
    std::vector<TFbListItem*> SelectedItems() const;
    int SelCount() const;
    void SelectItem(TFbListItem* item, bool selected);
    // Adds the items to the selection in one step.
    void SelectItems(const std::vector<TFbListItem*>& items);
    void SelectAll();
    void ClearSelection();
    TFbListItem* ItemFocused() const;
    // Marks the item focused without selecting it.
    void SetItemFocused(TFbListItem* item);

    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
    bool StartEditing(TFbListItem* item);

    TLVSelectItemEvent OnSelectItem;
    TLVColumnClickEvent OnColumnClick;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TLVNotifyItemEvent OnGetImageIndex;
    TFbItemContextMenuEvent OnItemContextMenu;

protected:
    // Hooks for the owner of the items' records.
    virtual std::string ItemCaption(TFbListItem* item);
    virtual std::string SubItemText(TFbListItem* item, int column);
    virtual int ItemImage(TFbListItem* item);
    virtual std::string ItemHint(TFbListItem* item);
    virtual bool CanEdit(TFbListItem* item);
    virtual std::string EditText(TFbListItem* item);
    virtual void Edited(TFbListItem* item, std::string& text);
    virtual void EditingEnded();
    virtual void ItemDeleting(TFbListItem* item);
    // A header section was clicked; raises OnColumnClick.
    virtual void ColumnClicked(int column);
    virtual void ItemDoubleClicked(TFbListItem* item);
    // The context menu of the selected items, or of the empty space when `item` is null,
    // when OnItemContextMenu did not handle it.
    virtual void ShowItemContextMenu(TFbListItem* item, const QPoint& globalPos);

    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class TFbListModel;
    friend class TFbListEditDelegate;
    void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    QModelIndex IndexOf(const TFbListItem* item, int column = 0) const;

    TFbFrame FFrame;
    TFbListModel* FModel;
    TFbSortHeader* FHeader;
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FDestroying = false;
};

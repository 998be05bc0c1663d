// A list view in report form (one row per item, one column per detail) or in icon view (a
// grid of pictures with their captions below, see FbListVwIcons.cpp), with a drawn frame,
// focus and disabled frame colours, a column header that marks the sort column and its
// direction, items that carry a record of their owner and whose texts and icons are asked
// for only when drawn, label editing the owner decides about, and an item context-menu
// event. Both views are one control over one model and one selection. The file list builds
// on it.
#pragma once

#include "shell/FbFrameController.h"
#include "shell/FbIconLayout.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QImage>
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

// Report: rows and columns. Icon: a grid of pictures (thumbnails) with captions below.
enum TViewStyle { vsIcon, vsReport };

// What icon view draws for an item above its caption.
struct TFbItemPicture {
    enum TKind {
        ipIcon,    // the item's icon, drawn large
        ipPending, // a neutral placeholder: the picture is being made
        ipImage,   // `Image`, at its own size at most
    };
    TKind Kind = ipIcon;
    QImage Image;
};

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

    // The view; report at creation. Switching keeps the items, the selection and the focus.
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle style);
    // The side of the square each picture of icon view fits in, in pixels (256 at creation).
    int PictureSize() const { return FPictureSize; }
    void SetPictureSize(int size);
    // Icon view's grid as laid out for the present items and width.
    const TFbIconLayout& IconLayout() const;
    // The items icon view shows in part or whole now, top left to bottom right; first >
    // last when none.
    void VisibleItems(int& first, int& last) const;

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
    // Puts the item now at index order[i] at index i; `order` holds every index once.
    void ArrangeItems(const std::vector<std::size_t>& order);
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

    // The view's geometry, per view style.
    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

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
    // Icon view: the item's picture (its icon unless the owner has another), whether it is
    // drawn as the target of a drag, and the end of a paint that asked for pictures.
    virtual TFbItemPicture ItemPicture(TFbListItem* item);
    virtual bool ItemDropHighlighted(TFbListItem* item) const;
    virtual void PicturesPainted();
    // The view style or picture size changed.
    virtual void ViewStyleChanged();

    // Icon view takes these over from the report view.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

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

    // Icon view (FbListVwIcons.cpp).
    bool IconView() const { return FViewStyle == vsIcon; }
    void ArrangeIcons() const;
    QRect IconRect(int index) const; // in viewport coordinates
    void PaintIcons(QPaintEvent* event);
    void PaintIconItem(QPainter& painter, int index, bool hovered);
    void PaintPicture(QPainter& painter, TFbListItem* item, const QRect& box);
    QRect EditorRect(const QModelIndex& index) const;
    QRect BandRect() const;

    // First: the frame's set-up below already sends the view events that ask for it.
    TViewStyle FViewStyle = vsReport;
    TFbFrame FFrame;
    TFbListModel* FModel;
    TFbSortHeader* FHeader;
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FDestroying = false;
    int FPictureSize = 256;
    // Kept up to date by ArrangeIcons: an item count or width it has not seen yet is laid
    // out afresh when asked (items come and go before the view lays them out).
    mutable TFbIconLayout FIconLayout;
    // A rubber band being dragged in icon view, in content coordinates; none when null.
    QPoint FBandOrigin;
    QPoint FBandEnd;
    bool FBanding = false;
};

// The file list as a drag source (its selected items) and as a drop target (a folder item
// under the cursor, else the folder the list shows).
#include "platform/shellns/ShellTypes.h"
#include "shell/FbShellDragData.h"
#include "shell/FbShellList.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace sh = platform::shellns;

void TFbCustomShellList::ApplyDropOption() {
    const bool on = FOptions.testFlag(sloOleDrop);
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
}

void TFbCustomShellList::mousePressEvent(QMouseEvent* event) {
    FDragStart.Pressed(event);
    TFbCustomListView::mousePressEvent(event);
}

void TFbCustomShellList::mouseMoveEvent(QMouseEvent* event) {
    if (FOptions.testFlag(sloOleDrag) && !IsEditing()) {
        const Qt::MouseButton button = FDragStart.DragButtonAt(event);
        // Only a press on an item drags; on empty space the mouse selects a range.
        if (button != Qt::NoButton && ItemAt(FDragStart.PressPosition()) != nullptr) {
            StartSelectionDrag(button);
            return event->accept();
        }
    }
    TFbCustomListView::mouseMoveEvent(event);
}

void TFbCustomShellList::mouseReleaseEvent(QMouseEvent* event) {
    FDragStart.Released();
    TFbCustomListView::mouseReleaseEvent(event);
}

QMimeData* TFbCustomShellList::MakeSelectionDragData(std::uint32_t& effects) {
    effects = sh::DROPEFFECT_NONE;
    const std::vector<PCItemIDList> items = SelectedRelativeItems();
    if (items.empty() || !FShellFolder)
        return nullptr;
    effects = CommonItemEffects(FShellFolder, items);
    return MakeShellDragData(FFolderList, FShellFolder, items);
}

void TFbCustomShellList::StartSelectionDrag(Qt::MouseButton button) {
    std::uint32_t effects = 0;
    QMimeData* data = MakeSelectionDragData(effects);
    if (data == nullptr)
        return;
    const bool dropped = ExecShellDrag(this, data, effects, button, FDragging);
    SetDropHighlight(nullptr);
    // The press that started the drag never saw its release: the view must not go on
    // selecting as if the button were still down.
    setState(NoState);
    if (dropped || FRefreshPending) {
        RefreshList();
        Sort();
    }
}

std::unique_ptr<sh::IDropTarget> TFbCustomShellList::ItemDropTarget(TFbListItem* item) {
    std::unique_ptr<sh::IDropTarget> target;
    TFbShellListData* data = item != nullptr ? ListData(item) : nullptr;
    if (!FShellFolder || sh::Failed(FShellFolder->GetDropTarget(
                             data != nullptr ? data->RelativeItem() : nullptr, target)))
        target.reset();
    return target;
}

std::unique_ptr<sh::IDropTarget> TFbCustomShellList::DropTargetAt(const QPoint& pos,
                                                                  TFbListItem*& item) {
    item = ItemAt(pos);
    if (item != nullptr) {
        if (auto target = ItemDropTarget(item))
            return target;
        item = nullptr; // a file takes nothing: the drop goes to the folder around it
    }
    return ItemDropTarget(nullptr);
}

std::uint32_t TFbCustomShellList::DragOverAt(QDropEvent* event, TFbListItem*& item) {
    const QPoint pos = event->position().toPoint();
    item = ItemAt(pos);
    // Items dragged from this list onto its own empty space would land where they are.
    if (item == nullptr && FDragging) {
        FDrop.LeaveTarget();
        return ActiveDragButton() == Qt::RightButton ? sh::DROPEFFECT_COPY & FDrop.Allowed()
                                                     : sh::DROPEFFECT_NONE;
    }
    std::unique_ptr<sh::IDropTarget> target = DropTargetAt(pos, item);
    return FDrop.Over(
        item, [&target] { return std::move(target); }, DragEventKeyState(event));
}

void TFbCustomShellList::SetDropHighlight(TFbListItem* item) {
    if (item == FDropHighlight)
        return;
    FDropHighlight = item;
    viewport()->update();
}

void TFbCustomShellList::dragEnterEvent(QDragEnterEvent* event) {
    if (!FOptions.testFlag(sloOleDrop) || DroppedPaths(event->mimeData()).empty())
        return event->ignore();
    FDrop.Begin(event->mimeData(), event->possibleActions());
    FAutoScroll.Start(event->position().toPoint());
    TFbListItem* item = nullptr;
    const std::uint32_t effect = DragOverAt(event, item);
    SetDropHighlight(effect != sh::DROPEFFECT_NONE ? item : nullptr);
    AnswerDragEvent(event, effect);
    // Taken whatever the effect: the drag is this list's while it is over it, and the
    // window behind must not preview what the user meant to drop here.
    event->accept();
}

void TFbCustomShellList::dragMoveEvent(QDragMoveEvent* event) {
    if (!FDrop.Active())
        return event->ignore();
    FAutoScroll.Move(event->position().toPoint());
    TFbListItem* item = nullptr;
    const std::uint32_t effect = DragOverAt(event, item);
    SetDropHighlight(effect != sh::DROPEFFECT_NONE ? item : nullptr);
    AnswerDragEvent(event, effect);
}

void TFbCustomShellList::dragLeaveEvent(QDragLeaveEvent* event) {
    DragEnded();
    event->accept();
}

void TFbCustomShellList::DragEnded() {
    FAutoScroll.Stop();
    FDrop.End();
    SetDropHighlight(nullptr);
}

void TFbCustomShellList::dropEvent(QDropEvent* event) {
    FAutoScroll.Stop();
    std::uint32_t effect = sh::DROPEFFECT_NONE;
    if (FDrop.Active()) {
        TFbListItem* item = nullptr;
        if (DragOverAt(event, item) != sh::DROPEFFECT_NONE) {
            std::unique_ptr<sh::IDropTarget> target =
                DropTargetAt(event->position().toPoint(), item);
            effect = FDrop.Drop(
                item, [&target] { return std::move(target); }, DragEventKeyState(event));
        }
    }
    DragEnded();
    AnswerDragEvent(event, effect);
    if (effect != sh::DROPEFFECT_NONE)
        RefreshList();
}

void TFbCustomShellList::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    if (FDropHighlight == nullptr || Item(index.row()) != FDropHighlight)
        return TFbCustomListView::drawRow(painter, option, index);
    QStyleOptionViewItem highlighted(option);
    highlighted.state |= QStyle::State_Selected;
    TFbCustomListView::drawRow(painter, highlighted, index);
}

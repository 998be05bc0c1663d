// The folder tree as a drag source (a node, never the root) and as a drop target (the
// node under the cursor, through its parent folder's drop handling).
#include "platform/shellns/ShellTypes.h"
#include "shell/FbShellDragData.h"
#include "shell/FbShellList.h"
#include "shell/FbShellTree.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace sh = platform::shellns;

void TFbCustomShellTree::ApplyDropOption() {
    const bool on = FOptions.testFlag(stoOleDrop);
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
}

TFbTreeNode* TFbCustomShellTree::NodeAt(const QPoint& pos) const {
    return static_cast<TFbTreeNode*>(itemAt(pos));
}

void TFbCustomShellTree::mouseMoveEvent(QMouseEvent* event) {
    if (FOptions.testFlag(stoOleDrag) && !IsEditing()) {
        const Qt::MouseButton button = FDragStart.DragButtonAt(event);
        if (button != Qt::NoButton) {
            if (TFbTreeNode* node = NodeAt(FDragStart.PressPosition())) {
                StartNodeDrag(node, button);
                return event->accept();
            }
        }
    }
    TFbCustomTreeView::mouseMoveEvent(event);
}

void TFbCustomShellTree::mouseReleaseEvent(QMouseEvent* event) {
    FDragStart.Released();
    TFbCustomTreeView::mouseReleaseEvent(event);
}

QMimeData* TFbCustomShellTree::MakeNodeDragData(TFbTreeNode* node, std::uint32_t& effects) {
    TFbShellTreeData* data = ShellData(node);
    effects = sh::DROPEFFECT_NONE;
    if (data == nullptr || data->IsRoot())
        return nullptr;
    const ShellFolderPtr& folder = data->ParentFolder();
    if (!folder)
        return nullptr;
    const std::vector<PCItemIDList> items{data->RelativeItem()};
    effects = CommonItemEffects(folder, items);
    return MakeShellDragData(data->ParentData()->AbsoluteItemList(), folder, items);
}

void TFbCustomShellTree::StartNodeDrag(TFbTreeNode* node, Qt::MouseButton button) {
    std::uint32_t effects = 0;
    QMimeData* data = MakeNodeDragData(node, effects);
    if (data == nullptr)
        return;
    FDragNode = node;
    const bool dropped = ExecShellDrag(this, data, effects, button, FDragging);
    FDragNode = nullptr;
    SetDropHighlight(nullptr);
    // The press that started the drag never saw its release: the view must not go on
    // selecting as if the button were still down.
    setState(NoState);
    if (dropped || FRefreshPending)
        RefreshTree();
}

std::unique_ptr<sh::IDropTarget> TFbCustomShellTree::NodeDropTarget(TFbTreeNode* node) {
    std::unique_ptr<sh::IDropTarget> target;
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr)
        return target;
    // The root's parent folder is found through its absolute list like any other's.
    const ShellFolderPtr& folder = data->ParentFolder();
    if (!folder || sh::Failed(folder->GetDropTarget(data->RelativeItem(), target)))
        target.reset();
    return target;
}

void TFbCustomShellTree::SetDropHighlight(TFbTreeNode* node) {
    if (node == FDropHighlight)
        return;
    FDropHighlight = node;
    viewport()->update();
}

void TFbCustomShellTree::dragEnterEvent(QDragEnterEvent* event) {
    if (!FOptions.testFlag(stoOleDrop) || DroppedPaths(event->mimeData()).empty())
        return event->ignore();
    FDrop.Begin(event->mimeData(), event->possibleActions());
    FAutoScroll.Start(event->position().toPoint());
    DragMovedOver(event);
    // Taken even over empty space: the drag is this tree's while it is over it, and the
    // window behind must not preview what the user meant to drop here.
    event->accept();
}

void TFbCustomShellTree::dragMoveEvent(QDragMoveEvent* event) {
    if (!FDrop.Active())
        return event->ignore();
    FAutoScroll.Move(event->position().toPoint());
    DragMovedOver(event);
}

void TFbCustomShellTree::DragMovedOver(QDropEvent* event) {
    TFbTreeNode* node = NodeAt(event->position().toPoint());
    if (node == nullptr) {
        FDrop.LeaveTarget();
        SetDropHighlight(FDragNode);
        return AnswerDragEvent(event, sh::DROPEFFECT_NONE);
    }
    SetDropHighlight(node);
    const std::uint32_t effect = FDrop.Over(
        node, [this, node] { return NodeDropTarget(node); }, DragEventKeyState(event));
    AnswerDragEvent(event, effect);
}

void TFbCustomShellTree::dragLeaveEvent(QDragLeaveEvent* event) {
    DragEnded();
    event->accept();
}

void TFbCustomShellTree::DragEnded() {
    FAutoScroll.Stop();
    FDrop.End();
    SetDropHighlight(FDragNode);
}

void TFbCustomShellTree::dropEvent(QDropEvent* event) {
    FAutoScroll.Stop();
    TFbTreeNode* node = NodeAt(event->position().toPoint());
    std::uint32_t effect = sh::DROPEFFECT_NONE;
    if (node != nullptr && FDrop.Active())
        effect = FDrop.Drop(
            node, [this, node] { return NodeDropTarget(node); }, DragEventKeyState(event));
    DragEnded();
    AnswerDragEvent(event, effect);
    if (effect == sh::DROPEFFECT_NONE)
        return;
    RefreshTree();
    // The linked list may show the folder that received the drop.
    if (FShellList != nullptr)
        FShellList->RefreshList();
}

void TFbCustomShellTree::HoverExpand(const QPoint& pos) {
    TFbTreeNode* node = NodeAt(pos);
    if (node == nullptr || node->Expanded() || !node->HasChildren())
        return;
    try {
        ExpandNode(node);
    } catch (const std::exception&) {
        // A folder that cannot be opened now shows no expand mark rather than one that
        // keeps failing under the cursor.
        node->SetHasChildren(false);
        return;
    }
    if (node->Count() == 0)
        node->SetHasChildren(false);
}

void TFbCustomShellTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    if (FDropHighlight == nullptr || itemFromIndex(index) != FDropHighlight)
        return TFbCustomTreeView::drawRow(painter, option, index);
    QStyleOptionViewItem highlighted(option);
    highlighted.state |= QStyle::State_Selected;
    TFbCustomTreeView::drawRow(painter, highlighted, index);
}

bool TFbCustomShellTree::DrawnSelected(const QModelIndex& index) const {
    return TFbCustomTreeView::DrawnSelected(index) ||
           (FDropHighlight != nullptr && itemFromIndex(index) == FDropHighlight);
}

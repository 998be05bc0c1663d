// A tree view with a drawn frame (its colours from a shared frame controller), focus and
// disabled frame colours, nodes that carry a record of their owner, icons asked for only
// when a node is first drawn, label editing that the owner decides about, and a node
// context-menu event. The folder tree builds on it.
#pragma once

#include "shell/FbFrameController.h"

#include <functional>
#include <memory>
#include <string>

#include <QIcon>
#include <QTreeWidget>

class TFbCustomTreeView;

// What a node carries for its owner; freed with the node.
class TFbNodeData {
public:
    virtual ~TFbNodeData() = default;
};

class TFbTreeNode : public QTreeWidgetItem {
public:
    explicit TFbTreeNode(TFbCustomTreeView* tree);
    ~TFbTreeNode() override;

    TFbCustomTreeView* Tree() const { return FTree; }
    TFbTreeNode* Parent() const { return static_cast<TFbTreeNode*>(parent()); }
    TFbTreeNode* Child(int index) const { return static_cast<TFbTreeNode*>(child(index)); }
    int Count() const { return childCount(); }
    // Depth below the top level (0 for a top-level node).
    int Level() const;

    std::string Text() const { return text(0).toStdString(); }
    void SetText(const std::string& text);

    TFbNodeData* Data() const { return FData.get(); }
    void SetData(std::unique_ptr<TFbNodeData> data) { FData = std::move(data); }

    // Index 0 means "not known yet": the tree is asked the first time the node is drawn.
    int ImageIndex() const { return FImageIndex; }
    int SelectedIndex() const { return FSelectedIndex; }
    void SetImages(int image, int selected);
    // The overlay image drawn on the icon (0 none, 1 shared, 2 link).
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int overlay);
    // Drawn faded, as items that are hidden or cut.
    bool Cut() const { return FCut; }
    void SetCut(bool cut);

    // The expand mark, whether or not the children were enumerated yet.
    bool HasChildren() const;
    void SetHasChildren(bool value);

    bool Expanded() const { return isExpanded(); }
    bool Selected() const { return isSelected(); }

    QVariant data(int column, int role) const override;
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    friend class TFbCustomTreeView;
    void DropIcon() { FIcon = QIcon(); }

    TFbCustomTreeView* FTree;
    std::unique_ptr<TFbNodeData> FData;
    int FImageIndex = 0;
    int FSelectedIndex = 0;
    int FOverlayIndex = 0;
    bool FCut = false;
    mutable QIcon FIcon;
};

class TFbCustomTreeView : public QTreeWidget {
    Q_OBJECT
public:
    using TTVChangedEvent = std::function<void(QObject* Sender, TFbTreeNode* Node)>;
    using TTVEditingEvent =
        std::function<void(QObject* Sender, TFbTreeNode* Node, bool& AllowEdit)>;
    using TTVEditedEvent = std::function<void(QObject* Sender, TFbTreeNode* Node, std::string& S)>;
    using TFbNodeContextMenuEvent = std::function<void(QObject* Sender, TFbTreeNode* Node,
                                                       const QPoint& MousePos, bool& Handled)>;

    explicit TFbCustomTreeView(QWidget* parent = nullptr);
    ~TFbCustomTreeView() override;

    TFbFrame& Frame() { return FFrame; }
    void SetFrameController(TFbFrameController* controller) { FFrame.SetController(controller); }

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    // A node selected is expanded at once.
    bool AutoExpand() const { return FAutoExpand; }
    void SetAutoExpand(bool value) { FAutoExpand = value; }
    // A right click selects the node under the mouse before its menu shows.
    bool RightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool value) { FRightClickSelect = value; }
    // The selection keeps its highlight while another control has the focus.
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    // The dotted lines between nodes; most desktop styles draw none either way.
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool value);
    int Indent() const { return indentation(); }
    void SetIndent(int value) { setIndentation(value); }
    // Expand marks at the top level.
    bool ShowRoot() const { return rootIsDecorated(); }
    void SetShowRoot(bool value) { setRootIsDecorated(value); }

    int NodeCount() const { return topLevelItemCount(); }
    TFbTreeNode* TopNode(int index) const;
    TFbTreeNode* Selected() const;
    void SetSelected(TFbTreeNode* node);
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
    // Opens the label editor on `node` when the owner allows it; answers whether it opened.
    bool StartEditing(TFbTreeNode* node);
    // Deletes every node.
    void ClearNodes();

    TTVChangedEvent OnChange;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TFbNodeContextMenuEvent OnNodeContextMenu;

protected:
    // Hooks for the owner of the nodes' records.
    virtual void Change(TFbTreeNode* node);
    // The icon indexes of a node whose stored index is still 0.
    virtual void GetImageIndex(TFbTreeNode* node);
    virtual bool CanEdit(TFbTreeNode* node);
    // The text the label editor starts with.
    virtual std::string EditText(TFbTreeNode* node);
    // The label editor was committed with `text`.
    virtual void Edited(TFbTreeNode* node, std::string& text);
    // The label editor closed, committed or not.
    virtual void EditingEnded();
    // Called before a collapsed node with the expand mark opens; false refuses it.
    virtual bool CanExpand(TFbTreeNode* node);
    virtual int CompareNodes(const TFbTreeNode* a, const TFbTreeNode* b) const;
    // The node's tip; empty shows none.
    virtual std::string NodeHint(TFbTreeNode* node);
    virtual void NodeDeleting(TFbTreeNode* node);
    // The node's context menu when OnNodeContextMenu did not handle it.
    virtual void ShowNodeContextMenu(TFbTreeNode* node, const QPoint& globalPos);

    // Whether the row is drawn as selected (a drop target is drawn so too).
    virtual bool DrawnSelected(const QModelIndex& index) const;
    void initViewItemOption(QStyleOptionViewItem* option) const override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class TFbTreeNode;
    friend class TFbTreeEditDelegate;
    QIcon IconOf(const TFbTreeNode* node);

    TFbFrame FFrame;
    bool FReadOnly = false;
    bool FAutoExpand = false;
    bool FRightClickSelect = false;
    bool FHideSelection = true;
    bool FShowLines = true;
    bool FDestroying = false;
};

#include "shell/FbTreeVw.h"

#include "gui/Application.h"
#include "gui/SystemImageList.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>

namespace {

constexpr double kCutOpacity = 0.5;

QPixmap Faded(const QPixmap& pixmap) {
    QPixmap faded(pixmap.size());
    faded.fill(Qt::transparent);
    QPainter p(&faded);
    p.setOpacity(kCutOpacity);
    p.drawPixmap(0, 0, pixmap);
    return faded;
}

} // namespace

// Hands the label editor the owner's editing text and the committed text back to the
// owner, who decides what the node then shows: a rename may fail, or change the name.
class TFbTreeEditDelegate : public QStyledItemDelegate {
public:
    explicit TFbTreeEditDelegate(TFbCustomTreeView* tree)
        : QStyledItemDelegate(tree), FTree(tree) {}

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        TFbTreeNode* node = NodeAt(index);
        if (line == nullptr || node == nullptr)
            return QStyledItemDelegate::setEditorData(editor, index);
        line->setText(QString::fromStdString(FTree->EditText(node)));
        line->selectAll();
    }
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        TFbTreeNode* node = NodeAt(index);
        if (line == nullptr || node == nullptr)
            return;
        std::string text = line->text().toStdString();
        FTree->Edited(node, text);
    }

private:
    TFbTreeNode* NodeAt(const QModelIndex& index) const {
        return static_cast<TFbTreeNode*>(FTree->itemFromIndex(index));
    }
    TFbCustomTreeView* FTree;
};

TFbTreeNode::TFbTreeNode(TFbCustomTreeView* tree) : QTreeWidgetItem(UserType), FTree(tree) {
    setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

TFbTreeNode::~TFbTreeNode() {
    if (FTree != nullptr)
        FTree->NodeDeleting(this);
}

int TFbTreeNode::Level() const {
    int level = 0;
    for (const QTreeWidgetItem* p = parent(); p != nullptr; p = p->parent())
        ++level;
    return level;
}

void TFbTreeNode::SetText(const std::string& text) {
    setText(0, QString::fromStdString(text));
}

void TFbTreeNode::SetImages(int image, int selected) {
    FImageIndex = image;
    FSelectedIndex = selected;
    DropIcon();
}

void TFbTreeNode::SetOverlayIndex(int overlay) {
    FOverlayIndex = overlay;
    DropIcon();
}

void TFbTreeNode::SetCut(bool cut) {
    FCut = cut;
    DropIcon();
}

bool TFbTreeNode::HasChildren() const {
    return childCount() > 0 || childIndicatorPolicy() == ShowIndicator;
}

void TFbTreeNode::SetHasChildren(bool value) {
    setChildIndicatorPolicy(value ? ShowIndicator : DontShowIndicator);
}

QVariant TFbTreeNode::data(int column, int role) const {
    if (role == Qt::DecorationRole && column == 0 && FTree != nullptr)
        return FTree->IconOf(this);
    if (role == Qt::ToolTipRole && FTree != nullptr && !FTree->FDestroying) {
        const std::string hint = FTree->NodeHint(const_cast<TFbTreeNode*>(this));
        return hint.empty() ? QVariant() : QVariant(QString::fromStdString(hint));
    }
    return QTreeWidgetItem::data(column, role);
}

bool TFbTreeNode::operator<(const QTreeWidgetItem& other) const {
    if (FTree == nullptr || other.type() != UserType)
        return QTreeWidgetItem::operator<(other);
    return FTree->CompareNodes(this, static_cast<const TFbTreeNode*>(&other)) < 0;
}

TFbCustomTreeView::TFbCustomTreeView(QWidget* parent) : QTreeWidget(parent), FFrame(this) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    setIconSize(QSize(TSystemImageList::kSmallSize, TSystemImageList::kSmallSize));
    setItemDelegate(new TFbTreeEditDelegate(this));
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    FFrame.Apply();
    ApplyInactiveSelection(this, FHideSelection);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                Change(static_cast<TFbTreeNode*>(current));
            });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!CanExpand(static_cast<TFbTreeNode*>(item)))
            item->setExpanded(false);
    });
}

TFbCustomTreeView::~TFbCustomTreeView() {
    FDestroying = true;
    ClearNodes();
}

TFbTreeNode* TFbCustomTreeView::TopNode(int index) const {
    return static_cast<TFbTreeNode*>(topLevelItem(index));
}

TFbTreeNode* TFbCustomTreeView::Selected() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : static_cast<TFbTreeNode*>(selected.front());
}

void TFbCustomTreeView::SetSelected(TFbTreeNode* node) {
    if (node == nullptr) {
        setCurrentItem(nullptr);
        clearSelection();
        return;
    }
    setCurrentItem(node);
}

void TFbCustomTreeView::ClearNodes() {
    clear();
}

bool TFbCustomTreeView::StartEditing(TFbTreeNode* node) {
    if (node == nullptr || FReadOnly || IsEditing() || !CanEdit(node))
        return false;
    bool allow = true;
    if (OnEditing)
        OnEditing(this, node, allow);
    if (!allow)
        return false;
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    scrollToItem(node);
    editItem(node, 0);
    node->setFlags(node->flags() & ~Qt::ItemIsEditable);
    return IsEditing();
}

void TFbCustomTreeView::Change(TFbTreeNode* node) {
    if (FAutoExpand && node != nullptr && node->HasChildren())
        node->setExpanded(true);
    if (OnChange)
        InvokeHandler([&] { OnChange(this, node); });
}

void TFbCustomTreeView::GetImageIndex(TFbTreeNode*) {
}

bool TFbCustomTreeView::CanEdit(TFbTreeNode*) {
    return true;
}

std::string TFbCustomTreeView::EditText(TFbTreeNode* node) {
    return node->Text();
}

void TFbCustomTreeView::Edited(TFbTreeNode* node, std::string& text) {
    if (OnEdited)
        OnEdited(this, node, text);
    node->SetText(text);
}

void TFbCustomTreeView::EditingEnded() {
}

void TFbCustomTreeView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTreeWidget::closeEditor(editor, hint);
    EditingEnded();
}

bool TFbCustomTreeView::CanExpand(TFbTreeNode*) {
    return true;
}

int TFbCustomTreeView::CompareNodes(const TFbTreeNode* a, const TFbTreeNode* b) const {
    return a->text(0).localeAwareCompare(b->text(0));
}

std::string TFbCustomTreeView::NodeHint(TFbTreeNode*) {
    return {};
}

void TFbCustomTreeView::NodeDeleting(TFbTreeNode*) {
}

void TFbCustomTreeView::ShowNodeContextMenu(TFbTreeNode*, const QPoint&) {
}

QIcon TFbCustomTreeView::IconOf(const TFbTreeNode* node) {
    if (!node->FIcon.isNull())
        return node->FIcon;
    auto* mutableNode = const_cast<TFbTreeNode*>(node);
    if (node->FImageIndex == 0 && !FDestroying)
        GetImageIndex(mutableNode);
    const TSystemImageList& images = SystemImageListOfSize(true);
    QPixmap normal = images.Pixmap(node->FImageIndex, node->FOverlayIndex);
    QPixmap selected = images.Pixmap(node->FSelectedIndex, node->FOverlayIndex);
    if (node->FCut) {
        normal = Faded(normal);
        selected = Faded(selected);
    }
    QIcon icon(normal);
    icon.addPixmap(selected, QIcon::Selected);
    node->FIcon = icon;
    return icon;
}

void TFbCustomTreeView::SetHideSelection(bool value) {
    FHideSelection = value;
    ApplyInactiveSelection(this, FHideSelection);
}

void TFbCustomTreeView::SetShowLines(bool value) {
    FShowLines = value;
    viewport()->update();
}

void TFbCustomTreeView::drawBranches(QPainter* painter, const QRect& rect,
                                     const QModelIndex& index) const {
    if (FShowLines)
        return QTreeWidget::drawBranches(painter, rect, index);
    // Without lines the branch area draws only the node's own expand mark: the style
    // draws lines only for the sibling and item states, so they are left out.
    const QTreeWidgetItem* item = itemFromIndex(index);
    if (item == nullptr)
        return;
    const bool children =
        item->childCount() > 0 || item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
    if (!children || (index.parent() == QModelIndex() && !rootIsDecorated()))
        return;
    QStyleOption option;
    option.initFrom(this);
    const int width = indentation();
    option.rect = QRect(rect.right() + 1 - width, rect.top(), width, rect.height());
    option.state = QStyle::State_Children;
    if (item->isExpanded())
        option.state |= QStyle::State_Open;
    // The mark is drawn in the colour of the row's text: styles take the window-text
    // colour, which the frame has made its own (see initViewItemOption).
    const bool highlighted = DrawnSelected(index);
    if (highlighted)
        option.state |= QStyle::State_Selected;
    const QColor mark =
        option.palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text);
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        option.palette.setColor(role, mark);
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
}

void TFbCustomTreeView::initViewItemOption(QStyleOptionViewItem* option) const {
    QTreeWidget::initViewItemOption(option);
    // Styles draw expand marks and branch lines in the window-text colour, which the frame
    // has taken for itself (the focus blue, invisible on a blue selection): the nodes'
    // own text colour serves them instead.
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        option->palette.setColor(group, QPalette::WindowText,
                                 option->palette.color(group, QPalette::Text));
}

bool TFbCustomTreeView::DrawnSelected(const QModelIndex& index) const {
    return selectionModel()->isSelected(index);
}

void TFbCustomTreeView::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    FFrame.Apply();
}

void TFbCustomTreeView::focusOutEvent(QFocusEvent* event) {
    QTreeWidget::focusOutEvent(event);
    FFrame.Apply();
}

void TFbCustomTreeView::changeEvent(QEvent* event) {
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        FFrame.Apply();
}

void TFbCustomTreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && FRightClickSelect) {
        if (auto* node = static_cast<TFbTreeNode*>(itemAt(event->position().toPoint())))
            SetSelected(node);
    }
    QTreeWidget::mousePressEvent(event);
}

void TFbCustomTreeView::contextMenuEvent(QContextMenuEvent* event) {
    TFbTreeNode* node = event->reason() == QContextMenuEvent::Mouse
                            ? static_cast<TFbTreeNode*>(itemAt(event->pos()))
                            : Selected();
    bool handled = false;
    if (OnNodeContextMenu)
        OnNodeContextMenu(this, node, event->pos(), handled);
    if (!handled && node != nullptr)
        ShowNodeContextMenu(node, event->globalPos());
    event->accept();
}

#include "tests/shell/BrowserTest.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace shellns_test {

bool BrowserTest::WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void BrowserTest::OpenLinked(TFbCustomShellTree& tree, TFbCustomShellList& list,
                             const std::string& path) {
    tree.SetShellList(&list);
    tree.SetOptions(tree.Options() | stoAutoFill);
    list.SetOptions(list.Options() | sloAutoFill);
    tree.CurrentFolder()->SetFolderPath(path);
    tree.RefreshTree();
}

std::vector<std::string> BrowserTest::Captions(TFbCustomListView& list) {
    return ColumnTexts(list, 0);
}

std::vector<std::string> BrowserTest::ColumnTexts(TFbCustomListView& list, int column) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.ItemCount(); ++i)
        texts.push_back(list.model()->index(i, column).data().toString().toStdString());
    return texts;
}

std::vector<std::string> BrowserTest::Headers(TFbCustomListView& list) {
    std::vector<std::string> headers;
    for (int i = 0; i < list.ColumnCount(); ++i)
        headers.push_back(list.model()->headerData(i, Qt::Horizontal).toString().toStdString());
    return headers;
}

TFbListItem* BrowserTest::ItemCaptioned(TFbCustomListView& list, const std::string& caption) {
    for (int i = 0; i < list.ItemCount(); ++i) {
        if (list.model()->index(i, 0).data().toString().toStdString() == caption)
            return list.Item(i);
    }
    return nullptr;
}

std::vector<std::string> BrowserTest::ChildTexts(TFbTreeNode* node) {
    std::vector<std::string> texts;
    for (int i = 0; node != nullptr && i < node->Count(); ++i)
        texts.push_back(node->Child(i)->Text());
    return texts;
}

namespace {

TFbTreeNode* Search(TFbTreeNode* node, const std::string& path) {
    TFbShellTreeData* data = ShellData(node);
    if (data != nullptr && ItemListToPath(data->AbsoluteItemList()) == path)
        return node;
    for (int i = 0; i < node->Count(); ++i) {
        if (TFbTreeNode* found = Search(node->Child(i), path))
            return found;
    }
    return nullptr;
}

} // namespace

TFbTreeNode* BrowserTest::NodeOf(TFbCustomShellTree& tree, const std::string& path) {
    return tree.NodeCount() > 0 ? Search(tree.TopNode(0), path) : nullptr;
}

std::string BrowserTest::SelectedPath(TFbCustomShellTree& tree) {
    TFbShellTreeData* data = tree.SelectedData();
    return data != nullptr ? ItemListToPath(data->AbsoluteItemList()) : std::string();
}

std::string BrowserTest::ListFolder(TFbCustomShellList& list) {
    return list.Folder()->FolderPath();
}

std::string BrowserTest::TreeFolder(const std::string& name) const {
    return FTree.Path() + "/" + (name.empty() ? std::string() : name + "/");
}

} // namespace shellns_test

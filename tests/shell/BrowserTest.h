// The fixture of the folder tree and file list tests: a temporary home and a folder of
// files to browse (from NamespaceTest, which also proves every item list was given back),
// and helpers that read what the controls show as plain values.
#pragma once

#include "shell/FbShellCtrls.h"
#include "tests/shellns/NamespaceTest.h"

#include <functional>
#include <string>
#include <vector>

namespace shellns_test {

class BrowserTest : public NamespaceTest {
public:
    // What the main window does at its first activation: links the list to the tree,
    // switches on their filling, and fills the tree at `path`, which fills the list.
    static void OpenLinked(TFbCustomShellTree& tree, TFbCustomShellList& list,
                           const std::string& path);

protected:
    // Waits, handling events, until `condition` holds or `timeoutMs` has passed; answers
    // whether it holds.
    static bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

    // The captions of the list's items, top to bottom.
    static std::vector<std::string> Captions(TFbCustomListView& list);
    // The text of one column for every item, top to bottom.
    static std::vector<std::string> ColumnTexts(TFbCustomListView& list, int column);
    static std::vector<std::string> Headers(TFbCustomListView& list);
    static TFbListItem* ItemCaptioned(TFbCustomListView& list, const std::string& caption);

    // The texts of a node's children, in order.
    static std::vector<std::string> ChildTexts(TFbTreeNode* node);
    // The node showing the folder at `path` (ending with "/"), among the nodes made so far.
    static TFbTreeNode* NodeOf(TFbCustomShellTree& tree, const std::string& path);
    // The path of the selected node; empty when none is selected.
    static std::string SelectedPath(TFbCustomShellTree& tree);
    // The path of the list's folder.
    static std::string ListFolder(TFbCustomShellList& list);

    // FTree's path with "/" at the end, as folder paths are handed around.
    std::string TreeFolder(const std::string& name = "") const;
};

} // namespace shellns_test

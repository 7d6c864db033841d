#pragma once
// What the find dialog asks of the main window's record tree: show a hit as
// if the user had clicked it. The main window implements it; tests use a
// recording fake. Keys are code-page text: "<IndNum>key".
#include <string>

class FindTarget {
public:
    virtual ~FindTarget() = default;

    // Makes the node keyed `key` the tree's selected node; false (and nothing
    // changed) when the tree has no such node.
    virtual bool SelectTreeNode(const std::string& key) = 0;
    // Makes the node keyed `key` the drop-highlighted node as well: the node
    // the tree's node commands (edit, rename, delete) act on.
    virtual void SetDropHighlight(const std::string& key) = 0;
    // Expands the node's parents and scrolls the tree so the node is seen.
    virtual void EnsureTreeNodeVisible(const std::string& key) = 0;
    // The tree's click: shows the selected node's record in the value box and
    // sets the toolbar as a click on it does.
    virtual void trvDatabaseClick() = 0;
};

#pragma once
// What the edit record and edit folder dialogs ask of the main window's
// record tree: show a saved row in its node. The main window implements it;
// tests use a recording fake. Texts are code-page text; colours are colour
// values (red in the low byte).
#include "app/core/CoreView.h"

class TreeNodeTarget {
public:
    virtual ~TreeNodeTarget() = default;

    // Gives the node keyed `node.key` the text, colour and boldness of
    // `node`, and its image unless `node.image` is empty (the row kept its
    // image). The tag stays.
    virtual void UpdateTreeNode(const TreeNode& node) = 0;
};

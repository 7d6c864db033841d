#pragma once
// What the core asks of the main window. The core knows no widget: the record
// tree, the value box and the toolbar are reached only through this interface,
// which the main window implements (and a recording fake in the tests).
//
// Every text crossing it is code-page bytes, as everywhere in the core; the
// window converts at its own boundary. Colours are the stored colour values
// (red in the low byte, then green, then blue).
#include <cstdint>
#include <string>

// One node of the record tree, as the core fills it in.
struct TreeNode {
    std::string key;    // "<IndNum>key"; the root is "0key"
    std::string text;   // the row's title; the root's is the database's tag
    std::string image;  // "<n>key" or "DBIcon"; a key without an image shows no icon
    std::string tag;    // "1" folder, "2" record; empty for the root
    std::int32_t colour = 0;
    bool bold = false;
};

// Style bits of a piece of value-box text.
inline constexpr std::int32_t kStyleItalic = 1;
inline constexpr std::int32_t kStyleUnderline = 2;
inline constexpr std::int32_t kStyleBold = 4;

class CoreView {
public:
    virtual ~CoreView() = default;

    // ---- The record tree ----
    // Removes every node.
    virtual void ClearTree() = 0;
    // Adds `node` as the last child of the node keyed `parentKey`, or as a
    // top-level node when `parentKey` is empty. The parent is always a node
    // added before; the key is new.
    virtual void AddTreeNode(const std::string& parentKey, const TreeNode& node) = 0;
    virtual void ExpandTreeNode(const std::string& key) = 0;
    // Makes the node keyed `key` the selected one.
    virtual void SelectTreeNode(const std::string& key) = 0;

    // ---- The value box ----
    virtual void ClearValueBox() = 0;
    // Appends `text` at the end in `colour` with exactly the styles of
    // `styleBits` (kStyle...); afterwards the box shows its beginning with
    // nothing selected.
    virtual void AppendValueText(const std::string& text, std::int32_t colour, std::int32_t styleBits) = 0;

    // ---- The toolbar ----
    // Enables or disables the button keyed `key` ("btnDelFolder", ...).
    virtual void EnableToolbarButton(const std::string& key, bool enabled) = 0;
};

#pragma once
// What the core asks of the main window. The core knows no widget: the record
// tree, the value box, the toolbar and what the user is told about a login
// are reached only through this interface, which the main window implements
// (and a recording fake in the tests).
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
    // A whole tree is coming: between these two calls only AddTreeNode
    // comes, and the window may keep the nodes out of sight until the end.
    virtual void BeginTreeFill() {}
    virtual void EndTreeFill() noexcept {}
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

    // ---- Telling the user ----
    // The database just logged in could be read only in part: `keptCopy` is
    // the file the original was kept as, or "" when no copy could be made
    // (saves over the original are then refused).
    virtual void TellPartialLoad(const std::string& keptCopy) = 0;
};

// A window that shows nothing: what the core reaches while no main window is
// registered.
class SilentView : public CoreView {
public:
    void ClearTree() override {}
    void AddTreeNode(const std::string&, const TreeNode&) override {}
    void ExpandTreeNode(const std::string&) override {}
    void SelectTreeNode(const std::string&) override {}
    void ClearValueBox() override {}
    void AppendValueText(const std::string&, std::int32_t, std::int32_t) override {}
    void EnableToolbarButton(const std::string&, bool) override {}
    void TellPartialLoad(const std::string&) override {}
};

namespace modMain {
// The main window registers itself here, and the core's procedures that show
// something without being handed a window (logging in and out) reach it
// through MainView. With none registered, or after SetMainView(nullptr),
// MainView is a SilentView.
void SetMainView(CoreView* view);
CoreView& MainView();
}  // namespace modMain

#pragma once
// The main window's layout arithmetic, without a window: where the record
// tree, the splitter and the value box go for a client area of W x H twips,
// and where a splitter drag may take the splitter. All values are twips in
// single precision, as the window computes them.
#include <cstdint>

namespace mainlayout {

struct Rect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Fixed design values.
inline constexpr float kTreeLeft = 30;
inline constexpr float kTreeTopWithToolbar = 600;
inline constexpr float kTreeTopWithoutToolbar = 135;
inline constexpr float kGap = 105;  // between the bars and the tree; between tree and value box
inline constexpr float kValueRightMargin = 60;
inline constexpr float kSplitterWidth = 90;
inline constexpr float kSplitterToTree = 15;  // splitter left = tree left + tree width + 15
inline constexpr float kDesignTreeWidth = 3015;

struct Input {
    float W = 0;               // client width
    float H = 0;               // client height
    bool toolbarShown = true;  // option 1
    float toolbarHeight = 0;   // 0 while the toolbar is hidden
    float statusHeight = 0;    // 0 while the status bar is hidden
    float treeWidth = kDesignTreeWidth;
};

struct Result {
    Rect tree;
    Rect value;
    Rect splitter;
    float treeWidth = 0;  // after the clamps
    int passes = 0;       // layout passes run (1, or 2 after a clamp)
};

// The resize: places the three controls between the bars and keeps the
// splitter within 4 % .. 96 % of the width; a clamp changes the tree width
// and lays out once more.
Result Layout(const Input& in);

// A splitter drag by X twips (the pointer's position within the splitter)
// from splitter left L in a client of width W (whole twips): the new splitter
// left, held within 0.04 W .. 0.96 W exactly.
float DragSplitter(std::int32_t W, float L, float X);

// The tree width that puts the splitter at `splitterLeft`.
inline float TreeWidthForSplitter(float splitterLeft) { return splitterLeft - kTreeLeft - kSplitterToTree; }

}  // namespace mainlayout

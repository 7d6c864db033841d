#include "app/mainwindow/MainLayout.h"

#include <cmath>

namespace mainlayout {

namespace {

void Pass(const Input& in, Result& r, float& treeWidth) {
    ++r.passes;
    r.tree.left = kTreeLeft;
    r.tree.top = in.toolbarShown ? kTreeTopWithToolbar : kTreeTopWithoutToolbar;
    r.tree.height = std::fabs(in.H - in.toolbarHeight - kGap - in.statusHeight);
    r.tree.width = treeWidth;

    r.value.top = r.tree.top;
    r.value.left = r.tree.width + r.tree.left + kGap;
    r.value.width = std::fabs(in.W - r.value.left - kValueRightMargin);
    r.value.height = r.tree.height;

    r.splitter.left = r.value.left - kSplitterWidth;
    r.splitter.width = kSplitterWidth;
    r.splitter.height = r.tree.height;
    const float centred = in.toolbarHeight + (r.tree.height - r.splitter.height) / 2;
    r.splitter.top = r.tree.top <= centred ? centred : r.tree.top;

    const float lower = 0.04f * in.W;
    if (r.splitter.left < lower) {
        r.splitter.left = lower + 1;
        treeWidth = TreeWidthForSplitter(r.splitter.left);
        Pass(in, r, treeWidth);
    }
    const float upper = 0.96f * in.W;
    if (r.splitter.left > upper) {
        r.splitter.left = std::floor(upper);
        treeWidth = TreeWidthForSplitter(r.splitter.left);
        Pass(in, r, treeWidth);
    }
}

}  // namespace

Result Layout(const Input& in) {
    Result r;
    float treeWidth = in.treeWidth;
    Pass(in, r, treeWidth);
    r.treeWidth = treeWidth;
    return r;
}

float DragSplitter(std::int32_t W, float L, float X) {
    const float w = static_cast<float>(W);
    if (0.04f * w > L + X) X = 0.04f * w - L;
    if (0.96f * w < L + X) X = 0.96f * w - L;
    return L + X;
}

}  // namespace mainlayout

// The layout arithmetic of the main window, without a window.
#include <gtest/gtest.h>

#include <ostream>

#include "app/mainwindow/MainLayout.h"
#include "app/mainwindow/Twips.h"

namespace {

using mainlayout::Input;
using mainlayout::Layout;
using mainlayout::Rect;

struct LayoutCase {
    const char* name;
    Input in;
    Rect tree, value, splitter;
    float treeWidth;
    int passes;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class LayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTable, PlacesTreeSplitterAndValueBox) {
    const LayoutCase& c = GetParam();
    const auto r = Layout(c.in);
    EXPECT_EQ(r.tree, c.tree);
    EXPECT_EQ(r.value, c.value);
    EXPECT_EQ(r.splitter, c.splitter);
    EXPECT_FLOAT_EQ(r.treeWidth, c.treeWidth);
    EXPECT_EQ(r.passes, c.passes);
}

INSTANTIATE_TEST_SUITE_P(Cases, LayoutTable,
                         ::testing::Values(
                             // The design client area with both bars shown.
                             LayoutCase{"design",
                                        {9090, 7350, true, 495, 255, 3015},
                                        {30, 600, 3015, 6495},
                                        {3150, 600, 5880, 6495},
                                        {3060, 600, 90, 6495},
                                        3015,
                                        1},
                             // Toolbar hidden: the tree moves up to 135 and takes the toolbar's height.
                             LayoutCase{"toolbar off",
                                        {9090, 7350, false, 0, 255, 3015},
                                        {30, 135, 3015, 6990},
                                        {3150, 135, 5880, 6990},
                                        {3060, 135, 90, 6990},
                                        3015,
                                        1},
                             // Status bar hidden: a zero height gives its room to the tree.
                             LayoutCase{"status bar off",
                                        {9090, 7350, true, 495, 0, 3015},
                                        {30, 600, 3015, 6750},
                                        {3150, 600, 5880, 6750},
                                        {3060, 600, 90, 6750},
                                        3015,
                                        1},
                             // A stored tree width of 0 puts the splitter at 4 % of the width + 1.
                             LayoutCase{"clamp at 4 %",
                                        {9090, 7350, true, 495, 255, 0},
                                        {30, 600, 319.6f, 6495},
                                        {454.6f, 600, 8575.4f, 6495},
                                        {364.6f, 600, 90, 6495},
                                        319.6f,
                                        2},
                             // A window narrower than its tree: the splitter stops at Int(96 %).
                             LayoutCase{"clamp at 96 %",
                                        {9090, 7350, true, 495, 255, 9000},
                                        {30, 600, 8681, 6495},
                                        {8816, 600, 214, 6495},
                                        {8726, 600, 90, 6495},
                                        8681,
                                        2},
                             // A client lower than the bars: the height is taken as a distance.
                             LayoutCase{"tiny height",
                                        {9090, 300, true, 495, 255, 3015},
                                        {30, 600, 3015, 555},
                                        {3150, 600, 5880, 555},
                                        {3060, 600, 90, 555},
                                        3015,
                                        1}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(SplitterDrag, StopsExactlyAtFourAndNinetySixPercent) {
    // Dragged far right: 0.96 W exactly, not the resize's whole-twip bound.
    EXPECT_FLOAT_EQ(mainlayout::DragSplitter(9090, 3060, 20000), 0.96f * 9090);
    // Dragged far left: 0.04 W exactly.
    EXPECT_FLOAT_EQ(mainlayout::DragSplitter(9090, 3060, -20000), 0.04f * 9090);
    // Inside the bounds the splitter follows the pointer.
    EXPECT_FLOAT_EQ(mainlayout::DragSplitter(9090, 3060, 150), 3210);
    // The resize that follows keeps it there: 0.96 W is not beyond its bound.
    const float left = mainlayout::DragSplitter(9090, 3060, 20000);
    const auto r = Layout({9090, 7350, true, 495, 255, mainlayout::TreeWidthForSplitter(left)});
    EXPECT_FLOAT_EQ(r.splitter.left, 0.96f * 9090);
    EXPECT_EQ(r.passes, 1);
}

TEST(Twips, FifteenToAPixel) {
    EXPECT_EQ(twips::ToPixels(495), 33);
    EXPECT_EQ(twips::ToPixels(9090), 606);
    EXPECT_EQ(twips::ToPixels(7350), 490);
    EXPECT_EQ(twips::ToPixels(364.6), 24);
    EXPECT_DOUBLE_EQ(twips::FromPixels(33), 495);
}

}  // namespace

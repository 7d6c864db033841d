// The keys of the record tree's nodes and pictures, and the node of a row.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/core/TreeKeys.h"
#include "app/core/modMainTree.h"

namespace {

using modMain::ImageKey;
using modMain::KeyNumber;
using modMain::NodeKey;

TEST(TreeKeys, NodeAndImageKeysAreTheNumberAndKey) {
    EXPECT_EQ(NodeKey("17"), "17key");
    EXPECT_EQ(NodeKey("2147483647"), "2147483647key");
    // The root stands for the Parent text "0".
    EXPECT_EQ(NodeKey("0"), modMain::kRootKey);
    EXPECT_EQ(ImageKey(1), modMain::kRecordImage);
    EXPECT_EQ(ImageKey(2), modMain::kFolderImage);
    EXPECT_EQ(ImageKey(43), "43key");
}

TEST(TreeKeys, KeyNumberReadsTheLeadingNumberRoundedHalfToEven) {
    struct Case {
        const char* key;
        std::int32_t number;
    } cases[] = {
        {"17key", 17},
        {"0key", 0},  // the root: no row's
        {"2147483647key", 2147483647},
        {"2.5key", 2},
        {"3.5key", 4},
        {"7", 7},
        {" 12key", 12},
        {"-3key", -3},  // callers take only numbers from 1
        {"key", 0},
        {"DBIcon", 0},
        {"", 0},
        {"2147483648key", 0},  // beyond the Long range
        {"1e400key", 0},       // beyond the double range
    };
    for (const Case& c : cases) EXPECT_EQ(KeyNumber(c.key), c.number) << '"' << c.key << '"';
}

TEST(TreeKeys, EveryIdentifierComesBackFromItsKey) {
    for (std::int32_t id : {1, 9, 10, 12345, 2147483647}) EXPECT_EQ(KeyNumber(NodeKey(std::to_string(id))), id);
}

TEST(TreeKeys, ARowNodeIsKeyedTitledAndTaggedByTypeAndForgetsWhatTheNodeHeld) {
    TreeNode node;
    node.image = "9key";
    node.colour = 255;
    node.bold = true;
    modMain::MakeRowNode(node, "5", "Mail", false);
    EXPECT_EQ(node.key, "5key");
    EXPECT_EQ(node.text, "Mail");
    EXPECT_EQ(node.tag, "2");
    EXPECT_EQ(node.image, modMain::kRecordImage);
    EXPECT_EQ(node.colour, 0);
    EXPECT_FALSE(node.bold);

    modMain::MakeRowNode(node, "12", "Work", true);
    EXPECT_EQ(node.key, "12key");
    EXPECT_EQ(node.text, "Work");
    EXPECT_EQ(node.tag, "1");
    EXPECT_EQ(node.image, modMain::kFolderImage);
}

}  // namespace

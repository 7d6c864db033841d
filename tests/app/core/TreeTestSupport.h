#pragma once
// Shared set-up of the record tree, display and find tests: a recording
// window (also what logging in and out shows), a loaded user database made
// the current one, and the debug log read back.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "app/core/CoreView.h"

class clsDatabase;

namespace treetest {

// Records what the core does to the window.
class FakeView : public CoreView {
public:
    struct Node {
        TreeNode node;
        std::string parent;
        std::vector<std::string> children;
        bool expanded = false;
    };
    struct Piece {
        std::string text;
        std::int32_t colour;
        std::int32_t style;
    };

    void ClearTree() override;
    void AddTreeNode(const std::string& parentKey, const TreeNode& node) override;
    void ExpandTreeNode(const std::string& key) override;
    // Only a node that is there can be selected.
    void SelectTreeNode(const std::string& key) override;
    void ClearValueBox() override { box.clear(); }
    void AppendValueText(const std::string& text, std::int32_t colour, std::int32_t styleBits) override {
        box.push_back({text, colour, styleBits});
    }
    void EnableToolbarButton(const std::string& key, bool enabled) override { buttons[key] = enabled; }
    void TellPartialLoad(const std::string& keptCopy) override { told.push_back(keptCopy); }

    const Node& At(const std::string& key) const;
    // The texts of a node's children, in order.
    std::vector<std::string> ChildTexts(const std::string& key) const;
    // The whole value box as text.
    std::string BoxText() const;

    std::map<std::string, Node> nodes;
    std::vector<std::string> top;
    std::string selected;
    std::vector<Piece> box;
    std::map<std::string, bool> buttons;
    std::vector<std::string> told;  // the kept copies of partial loads told
};

using coretest::Row;

// A user database with the given rows of "DataTable", made the current one
// (CurUsDB).
class TreeTest : public coretest::LibraryTest {
protected:
    void SetUp() override;

    // A loaded user database named "alice" (its tag) holding `rows`.
    std::shared_ptr<clsDatabase> MakeDb(const std::vector<Row>& rows, const std::string& tableTag = "0");
    // Replaces the current database.
    void Use(const std::vector<Row>& rows, const std::string& tableTag = "0");
    clsDatabase& Db();
    // The rows of "DataTable" as they stand.
    std::vector<Row> Rows();
    std::vector<std::string> Log() const { return LogMessages(); }
    // The tree of the current database, built into a fresh view.
    FakeView Build();
};

// A folder or record row with the usual image and flags.
Row Folder(const std::string& id, const std::string& parent, const std::string& title);
Row Record(const std::string& id, const std::string& parent, const std::string& title);

}  // namespace treetest

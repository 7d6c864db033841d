#include "TreeTestSupport.h"

#include <filesystem>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"

namespace treetest {

void FakeView::ClearTree() {
    nodes.clear();
    top.clear();
}

void FakeView::AddTreeNode(const std::string& parentKey, const TreeNode& node) {
    ASSERT_EQ(nodes.count(node.key), 0u) << "a second node keyed " << node.key;
    if (parentKey.empty()) {
        top.push_back(node.key);
    } else {
        ASSERT_EQ(nodes.count(parentKey), 1u) << "no parent node " << parentKey << " for " << node.key;
        nodes[parentKey].children.push_back(node.key);
    }
    nodes[node.key] = Node{node, parentKey, {}, false};
}

void FakeView::ExpandTreeNode(const std::string& key) {
    ASSERT_EQ(nodes.count(key), 1u);
    nodes[key].expanded = true;
}

void FakeView::SelectTreeNode(const std::string& key) {
    EXPECT_EQ(nodes.count(key), 1u) << "selected " << key << ", which is no node";
    selected = key;
}

const FakeView::Node& FakeView::At(const std::string& key) const {
    static const Node none;
    auto it = nodes.find(key);
    EXPECT_NE(it, nodes.end()) << "no node " << key;
    return it == nodes.end() ? none : it->second;
}

std::vector<std::string> FakeView::ChildTexts(const std::string& key) const {
    std::vector<std::string> texts;
    for (const auto& child : At(key).children) texts.push_back(At(child).node.text);
    return texts;
}

std::string FakeView::BoxText() const {
    std::string text;
    for (const auto& piece : box) text += piece.text;
    return text;
}

void TreeTest::SetUp() {
    LibraryTest::SetUp();
    Use({});
}

std::shared_ptr<clsDatabase> TreeTest::MakeDb(const std::vector<Row>& rows, const std::string& tableTag) {
    const std::string path = file("alice.txt");
    qpmtest::WriteBytes(path, modMain::NewUserTemplate());
    auto db = std::make_shared<clsDatabase>();
    EXPECT_EQ(db->LoadDB(path, ""), 1);
    std::filesystem::remove(path);
    db->Tag("alice");
    db->SetTblTag(1, tableTag);
    for (const Row& row : rows) coretest::AddRow(*db, row);
    return db;
}

void TreeTest::Use(const std::vector<Row>& rows, const std::string& tableTag) {
    modMain::CurUsDB = MakeDb(rows, tableTag);
}

clsDatabase& TreeTest::Db() { return *modMain::CurUsDB; }

std::vector<Row> TreeTest::Rows() {
    std::vector<Row> rows;
    for (std::int32_t r = 1; r <= Db().GetTblRecNum(1); ++r) {
        const vedb::Fields f = Db().GetTblRecord(1, r).fields;
        rows.emplace_back(f.begin(), f.end());
    }
    return rows;
}

FakeView TreeTest::Build() {
    FakeView view;
    modMain::ShowUsDBInTreeView(Db(), view);
    return view;
}

Row Folder(const std::string& id, const std::string& parent, const std::string& title) {
    return {id, parent, "1", title, "", "", "", "2key", "0|0"};
}

Row Record(const std::string& id, const std::string& parent, const std::string& title) {
    return {id, parent, "2", title, "login-" + id, "pw-" + id, "", "1key", "0|0"};
}

}  // namespace treetest

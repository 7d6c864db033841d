// The record tree model: building the nodes from the rows, adding, changing
// and deleting rows, and the rows that do not follow the rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ScopedEnv.h"
#include "TreeTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using treetest::FakeView;
using treetest::Folder;
using treetest::Record;
using treetest::Row;

class Tree : public treetest::TreeTest {};

bool Logged(const std::vector<std::string>& log, const std::string& part) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// ---- Building ----

TEST_F(Tree, ANewDatabaseIsTheRootAloneExpandedWithTheUserName) {
    FakeView view = Build();
    EXPECT_THAT(view.top, ElementsAre("0key"));
    const auto& root = view.At("0key");
    EXPECT_EQ(root.node.text, "alice");
    EXPECT_EQ(root.node.image, "DBIcon");
    EXPECT_EQ(root.node.tag, "");
    EXPECT_TRUE(root.expanded);
    EXPECT_THAT(root.children, IsEmpty());
    EXPECT_THAT(Log(), IsEmpty());
}

TEST_F(Tree, FoldersComeFirstNewestFirstThenRecordsInTheOrderAdded) {
    Use({Record("1", "0", "r1"), Folder("2", "0", "A"), Folder("3", "0", "B"), Record("4", "0", "r2"),
         Folder("5", "0", "C"), Record("6", "3", "inB"), Folder("7", "3", "subB")});
    FakeView view = Build();
    EXPECT_THAT(view.ChildTexts("0key"), ElementsAre("C", "B", "A", "r1", "r2"));
    EXPECT_THAT(view.ChildTexts("3key"), ElementsAre("subB", "inB"));
    EXPECT_EQ(view.At("7key").parent, "3key");
    EXPECT_THAT(Log(), IsEmpty());
}

TEST_F(Tree, AChildStoredBeforeItsParentLoadsUnderIt) {
    // Folder 1 was moved into folder 3, which was created after it.
    Use({Folder("1", "3", "older"), Record("2", "1", "deep"), Folder("3", "0", "newer")});
    FakeView view = Build();
    EXPECT_THAT(view.ChildTexts("0key"), ElementsAre("newer"));
    EXPECT_THAT(view.ChildTexts("3key"), ElementsAre("older"));
    EXPECT_THAT(view.ChildTexts("1key"), ElementsAre("deep"));
    EXPECT_THAT(Log(), IsEmpty());
}

TEST_F(Tree, FarApartIdentifiersLoadAlike) {
    Use({Folder("2000000000", "0", "far"), Record("7", "2000000000", "near"), Record("2147483647", "7", "last"),
         Record("9", "0", "loose")});
    FakeView view = Build();
    EXPECT_THAT(view.ChildTexts("0key"), ElementsAre("far", "loose"));
    EXPECT_THAT(view.ChildTexts("2000000000key"), ElementsAre("near"));
    EXPECT_THAT(view.ChildTexts("7key"), ElementsAre("last"));
    EXPECT_THAT(Log(), IsEmpty());
}

TEST_F(Tree, NodesTakeKeyTagImageColourAndBoldFromTheRow) {
    struct Case {
        Row row;
        std::string image;
        std::int32_t colour;
        bool bold;
    } cases[] = {
        {{"1", "0", "1", "f", "", "", "", "2key", "0|0"}, "2key", 0, false},
        {{"2", "0", "2", "red", "", "", "", "7key", "255|1"}, "7key", 255, true},
        {{"3", "0", "2", "seven", "", "", "", "7", "16711680|2"}, "7key", 16711680, false},
        {{"4", "0", "2", "half", "", "", "", "7.5key", "0|3"}, "8key", 0, true},
        {{"5", "0", "2", "unknown image", "", "", "", "99key", "0|x"}, "99key", 0, false},
    };
    std::vector<Row> rows;
    for (const auto& c : cases) rows.push_back(c.row);
    Use(rows);
    FakeView view = Build();
    for (const auto& c : cases) {
        const TreeNode& n = view.At(c.row[0] + "key").node;
        SCOPED_TRACE(c.row[3]);
        EXPECT_EQ(n.text, c.row[3]);
        EXPECT_EQ(n.tag, c.row[2]);
        EXPECT_EQ(n.image, c.image);
        EXPECT_EQ(n.colour, c.colour);
        EXPECT_EQ(n.bold, c.bold);
    }
    EXPECT_THAT(Log(), IsEmpty());
}

// ---- Rows that do not follow the rules ----

TEST_F(Tree, DamagedTypeImageAndFlagsStillShowTheRowAndAreLogged) {
    struct Case {
        Row row;
        std::string tag;
        std::string image;
        std::int32_t colour;
        bool bold;
        std::string logged;
    } cases[] = {
        {{"1", "0", "", "no type", "", "", "", "1key", "0|0"}, "2", "1key", 0, false, "has the type \"\""},
        {{"2", "0", "x", "odd type", "", "", "", "1key", "0|0"}, "2", "1key", 0, false, "has the type \"x\""},
        {{"3", "0", "1.0", "folder-ish", "", "", "", "2key", "0|0"}, "1", "2key", 0, false, "has the type \"1.0\""},
        {{"4", "0", "2", "no image", "", "", "", "", "0|0"}, "2", "1key", 0, false, "has the image \"\""},
        {{"5", "0", "1", "bad image", "", "", "", "abc", "0|0"}, "1", "2key", 0, false, "has the image \"abc\""},
        {{"6", "0", "2", "huge image", "", "", "", "1e30key", "0|0"}, "2", "1key", 0, false, "has the image"},
        {{"7", "0", "2", "no flags", "", "", "", "1key", ""}, "2", "1key", 0, false, "has the flags \"\""},
        {{"8", "0", "2", "no bar", "", "", "", "1key", "7"}, "2", "1key", 0, false, "has the flags \"7\""},
        {{"9", "0", "2", "bad colour", "", "", "", "1key", "red|1"}, "2", "1key", 0, false, "has the flags \"red|1\""},
        {{"10", "0", "2", "huge", "", "", "", "1key", "1|1e20"}, "2", "1key", 0, false, "has the flags \"1|1e20\""},
    };
    std::vector<Row> rows;
    for (const auto& c : cases) rows.push_back(c.row);
    Use(rows);
    FakeView view = Build();
    const auto log = Log();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row[3]);
        const TreeNode& n = view.At(c.row[0] + "key").node;
        EXPECT_EQ(n.text, c.row[3]);
        EXPECT_EQ(n.tag, c.tag);
        EXPECT_EQ(n.image, c.image);
        EXPECT_EQ(n.colour, c.colour);
        EXPECT_EQ(n.bold, c.bold);
        EXPECT_TRUE(Logged(log, "(IndNum \"" + c.row[0] + "\") " + c.logged)) << testing::PrintToString(log);
    }
    // The flags errors were handled: the call stack is back to empty.
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(Tree, RowsWithoutAUsableIdentifierAreLeftOutAndTheirChildrenShowUnderTheRoot) {
    Use({Folder("", "0", "empty id"), Folder("abc", "0", "text id"), Folder("0", "0", "zero id"),
         Folder("012", "0", "leading zero"), Folder("-3", "0", "negative"), Folder("2147483648", "0", "too big"),
         Record("20", "abc", "child of text id"), Folder("21", "0", "fine")});
    FakeView view = Build();
    EXPECT_THAT(view.ChildTexts("0key"), ElementsAre("fine", "child of text id"));
    EXPECT_EQ(view.nodes.size(), 3u);
    const auto log = Log();
    for (const std::string id : {"", "abc", "0", "012", "-3", "2147483648"})
        EXPECT_TRUE(Logged(log, "(IndNum \"" + id + "\") has no usable identifier")) << id;
    EXPECT_TRUE(Logged(log, "(IndNum \"20\") has no parent in the tree; shown under the root"));
}

TEST_F(Tree, ARepeatedIdentifierShowsOnlyTheFirstRowAndNeverLoops) {
    // The second row 5 names the first as its parent: following the rows by
    // identifier alone would come back to it for ever.
    Use({Folder("5", "0", "first"), Folder("5", "5", "second"), Record("6", "5", "child")});
    FakeView view = Build();
    EXPECT_THAT(view.ChildTexts("0key"), ElementsAre("first"));
    EXPECT_THAT(view.ChildTexts("5key"), ElementsAre("child"));
    EXPECT_TRUE(Logged(Log(), "row 2 (IndNum \"5\") repeats the identifier of row 1; not shown"));
}

TEST_F(Tree, MissingParentsAndCyclesShowUnderTheRootWithTheirSubtrees) {
    Use({Folder("1", "2", "cycle a"), Folder("2", "1", "cycle b"), Record("3", "1", "in cycle"),
         Folder("4", "4", "own parent"), Folder("5", "99", "lost"), Record("6", "5", "in lost"),
         Record("7", "0", "normal")});
    FakeView view = Build();
    EXPECT_THAT(view.ChildTexts("0key"), ElementsAre("normal", "cycle b", "own parent", "lost"));
    EXPECT_THAT(view.ChildTexts("2key"), ElementsAre("cycle a"));
    EXPECT_THAT(view.ChildTexts("1key"), ElementsAre("in cycle"));
    EXPECT_THAT(view.ChildTexts("4key"), IsEmpty());
    EXPECT_THAT(view.ChildTexts("5key"), ElementsAre("in lost"));
    EXPECT_EQ(view.nodes.size(), 8u);
    const auto log = Log();
    EXPECT_TRUE(Logged(log, "(IndNum \"2\") is in a cycle of parents; shown under the root"));
    EXPECT_TRUE(Logged(log, "(IndNum \"4\") is in a cycle of parents"));
    EXPECT_TRUE(Logged(log, "(IndNum \"5\") has no parent in the tree"));
}

TEST_F(Tree, ADatabaseWithoutTheTableShowsTheRootAlone) {
    clsDatabase empty;
    empty.Tag("bob");
    FakeView view;
    modMain::ShowUsDBInTreeView(empty, view);
    EXPECT_THAT(view.top, ElementsAre("0key"));
    EXPECT_EQ(view.nodes.size(), 1u);
    EXPECT_TRUE(Logged(Log(), "no table \"DataTable\""));
}

TEST_F(Tree, LoadingOneNodeAddsOnlyItsSubtree) {
    // Folder 5 lies in a cycle through its own subtree.
    Use({Folder("1", "0", "a"), Record("2", "1", "in a"), Folder("3", "0", "b"), Record("4", "9", "lost"),
         Folder("5", "6", "c"), Folder("6", "5", "in c")});
    FakeView view;
    view.AddTreeNode("", TreeNode{"1key", "a", "2key", "1", 0, false});
    modMain::LoadUsDBInTreeViewNode(Db(), view, "1key", 1);
    EXPECT_THAT(view.ChildTexts("1key"), ElementsAre("in a"));
    view.AddTreeNode("", TreeNode{"5key", "c", "2key", "1", 0, false});
    modMain::LoadUsDBInTreeViewNode(Db(), view, "5key", 5);
    EXPECT_THAT(view.ChildTexts("5key"), ElementsAre("in c"));
    EXPECT_THAT(view.ChildTexts("6key"), IsEmpty());
    EXPECT_EQ(view.nodes.size(), 4u);
}

// ---- Adding and changing rows ----

TEST_F(Tree, AddFolderWritesTheRowAndLeavesTheTagToTheCaller) {
    Use({}, "4");
    modMain::AddFolderToDB("Mail", 0, "5");
    modMain::AddFolderToDB("Inner", 5, "6");
    EXPECT_THAT(Rows(), ElementsAre(Row{"5", "0", "1", "Mail", "", "", "", "2key", "0|0"},
                                    Row{"6", "5", "1", "Inner", "", "", "", "2key", "0|0"}));
    EXPECT_EQ(Db().GetTblTag(1), "4");
}

TEST_F(Tree, AddRecordTakesTheNextIdentifiersAndDeletingNeverLowersTheTag) {
    Use({Folder("7", "0", "f")}, "7");
    EXPECT_EQ(modMain::AddRecordToDB("7", "Bank", "me", "s3cret", "pin 1", Db()), "8");
    EXPECT_EQ(modMain::AddRecordToDB("0", "Mail", "", "", "", Db()), "9");
    EXPECT_EQ(Db().GetTblTag(1), "9");
    EXPECT_EQ(Rows()[1], (Row{"8", "7", "2", "Bank", "me", "s3cret", "pin 1", "1key", "0|0"}));
    EXPECT_EQ(Rows()[2], (Row{"9", "0", "2", "Mail", "", "", "", "1key", "0|0"}));
    modMain::DelRecordTreeFromDataTable("IndNum", "9", "Parent");
    EXPECT_EQ(modMain::AddRecordToDB("0", "Next", "", "", "", Db()), "10");
}

TEST_F(Tree, AddingToADatabaseWithoutItsTableIsAClearError) {
    clsDatabase empty;
    EXPECT_EQ(coretest::ErrorOf([&] { modMain::AddRecordToDB("0", "t", "", "", "", empty); }), 9);
    modMain::CurUsDB.reset();
    EXPECT_EQ(coretest::ErrorOf([] { modMain::AddFolderToDB("f", 0, "1"); }), 91);
    EXPECT_EQ(coretest::ErrorOf([] { modMain::ChangeDataTableField("IndNum", "1", "Title", "x"); }), 91);
    trace::ResetStack();
}

// A user file that is not as the core writes it still loads (kept aside), so
// "DataTable" may lack a column: what the user enters for it must never be
// dropped unseen, and a row must never be written in part.
TEST_F(Tree, ARowForAColumnTheTableLacksIsRefusedWholeWithAClearText) {
    struct Case {
        std::size_t column;
        const char* name;
        bool folderRefused;
    } cases[] = {{0, "IndNum", true}, {5, "Password", false}, {7, "Image", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Use({Folder("7", "0", "f")}, "7");
        vedb::DataBase record = Db().DB();
        record.Tables[0].Caption.fields[c.column].Name = "Damaged";
        Db().DB(record);
        const std::vector<Row> before = Rows();
        const std::string refusal =
            std::string("This item cannot be stored: the table \"DataTable\" has no column \"") + c.name +
            "\". Nothing was changed.";
        EXPECT_EQ(modMain::RowRefusal(Db(), false), refusal);
        EXPECT_EQ(coretest::ErrorOf([&] { modMain::AddRecordToDB("7", "Bank", "me", "s3cret", "pin", Db()); }), 9);
        EXPECT_EQ(modMain::RowRefusal(Db(), true), c.folderRefused ? refusal : "");
        if (c.folderRefused) {
            EXPECT_EQ(coretest::ErrorOf([] { modMain::AddFolderToDB("Mail", 7, "8"); }), 9);
        }
        EXPECT_EQ(Rows(), before);
        EXPECT_EQ(Db().GetTblTag(1), "7");
        // A change of a column the table lacks changes nothing, as for a row
        // that is not there.
        modMain::ChangeDataTableField("IndNum", "7", c.name, "x");
        EXPECT_EQ(Rows(), before);
        trace::ResetStack();
    }
    clsDatabase empty;
    EXPECT_EQ(modMain::RowRefusal(empty, true),
              "This item cannot be stored: the database has no table \"DataTable\". Nothing was changed.");
    Use({});
    EXPECT_EQ(modMain::RowRefusal(Db(), false), "");
}

TEST_F(Tree, TheFixedNamesOfNewRowsAreInTheCodePage) {
    {
        qpmtest::ScopedEnv cp("QUELLON_CODEPAGE", "1251");
        plat::SetAnsiCodePageForTests(0);
        EXPECT_EQ(modMain::NewFolderText(), "\xCD\xEE\xE2\xE0\xFF \xEF\xE0\xEF\xEA\xE0");
        EXPECT_EQ(modMain::NewRecordText(), "\xCD\xEE\xE2\xE0\xFF \xC7\xE0\xEF\xE8\xF1\xFC");
    }
    // Never question marks: where the code page lacks the letters, the
    // English names stand in.
    for (const char* codePage : {"1252", "1250"}) {
        qpmtest::ScopedEnv cp("QUELLON_CODEPAGE", codePage);
        plat::SetAnsiCodePageForTests(0);
        EXPECT_EQ(modMain::NewFolderText(), "New folder") << codePage;
        EXPECT_EQ(modMain::NewRecordText(), "New record") << codePage;
    }
    plat::SetAnsiCodePageForTests(0);
}

TEST_F(Tree, ChangeFieldSetsTheFirstMatchingRowOnly) {
    Use({Folder("1", "0", "a"), Folder("2", "0", "b"), Record("3", "1", "r")});
    modMain::ChangeDataTableField("IndNum", "2", "Title", "renamed");
    modMain::ChangeDataTableField("IndNum", "3", "Parent", "2");
    modMain::ChangeDataTableField("IndNum", "1", "Title", "");
    EXPECT_EQ(Rows()[0][3], "");
    EXPECT_EQ(Rows()[1][3], "renamed");
    EXPECT_EQ(Rows()[2][1], "2");

    const auto before = Rows();
    modMain::ChangeDataTableField("IndNum", "42", "Title", "nobody");
    EXPECT_EQ(Rows(), before);
    EXPECT_TRUE(Logged(Log(), "no row has IndNum = \"42\"; nothing changed"));
}

// ---- Deleting ----

TEST_F(Tree, DeleteRemovesExactlyTheSubtreeChildrenFirst) {
    // Folder 1 holds folder 5, which holds 6 and folder 7 (with 8); folder 0's
    // other rows stay. Folder 2 was created before folder 1 and moved into it.
    Use({Folder("2", "1", "moved in"), Folder("1", "0", "top"), Record("3", "0", "stays"), Record("4", "2", "in moved"),
         Folder("5", "1", "level1"), Record("6", "5", "level2"), Folder("7", "5", "level2f"),
         Record("8", "7", "level3"), Folder("9", "0", "other")});
    modMain::DelRecordTreeFromDataTable("IndNum", "1", "Parent");
    EXPECT_THAT(Rows(), ElementsAre(Record("3", "0", "stays"), Folder("9", "0", "other")));
    std::vector<std::string> deletes;
    for (const auto& line : Log())
        if (line.rfind("-= DELETE: ", 0) == 0) deletes.push_back(line.substr(11));
    EXPECT_THAT(deletes, ElementsAre("in moved", "moved in", "level2", "level3", "level2f", "level1", "top"));
    FakeView view = Build();
    EXPECT_THAT(view.ChildTexts("0key"), ElementsAre("other", "stays"));
}

TEST_F(Tree, DeletingAnIdentifierNoRowHasDeletesNothing) {
    // The root's identifier names no row; its children must not go with it.
    Use({Folder("1", "0", "a"), Record("2", "1", "r"), Record("3", "0", "s")});
    const auto before = Rows();
    modMain::DelRecordTreeFromDataTable("IndNum", "0", "Parent");
    modMain::DelRecordTreeFromDataTable("IndNum", "77", "Parent");
    EXPECT_EQ(Rows(), before);
    EXPECT_TRUE(Logged(Log(), "no row has IndNum = \"0\"; nothing deleted"));
}

TEST_F(Tree, DeletingInACycleEnds) {
    Use({Folder("1", "2", "a"), Folder("2", "1", "b"), Record("3", "2", "r"), Record("4", "0", "s")});
    modMain::DelRecordTreeFromDataTable("IndNum", "2", "Parent");
    EXPECT_THAT(Rows(), ElementsAre(Record("4", "0", "s")));
}

TEST_F(Tree, DeleteFindsTheRowAgainWhenTheGivenNumberIsStale) {
    Use({Folder("1", "0", "a"), Record("2", "1", "r"), Record("3", "0", "s")});
    modMain::DelRecordTree(1, 1, "1", 2, 3, Db());
    EXPECT_THAT(Rows(), ElementsAre(Record("3", "0", "s")));
}

}  // namespace

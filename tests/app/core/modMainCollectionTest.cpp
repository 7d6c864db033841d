#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "CoreTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMainCollection.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/VbError.h"

namespace {

using coretest::ErrorOf;

TEST(Collection, KeepsTheOrderOfAddingAndFindsKeysInAnyLetterCase) {
    modMain::Collection<std::string> col;
    col.Add("first", "/data/Alice.vdb");
    col.Add("second", "/data/bob.vdb");
    col.Add("third", "/data/Carol.vdb");
    EXPECT_EQ(col.Count(), 3);
    EXPECT_EQ(col.Item(1), "first");
    EXPECT_EQ(col.Item(3), "third");
    EXPECT_EQ(col.Item("/DATA/alice.VDB"), "first");
    EXPECT_TRUE(col.Contains("/data/BOB.vdb"));
    EXPECT_FALSE(col.Contains("/data/bob.vd"));
    col.Remove("/data/ALICE.vdb");
    EXPECT_EQ(col.Items(), (std::vector<std::string>{"second", "third"}));
}

TEST(Collection, RaisesTheRuntimesErrorsForKeysAndPositions) {
    modMain::Collection<int> col;
    col.Add(1, "key");
    EXPECT_EQ(ErrorOf([&] { col.Add(2, "KEY"); }), modMain::errKeyInUse);
    EXPECT_EQ(ErrorOf([&] { col.Item("other"); }), vb::errInvalidCall);
    EXPECT_EQ(ErrorOf([&] { col.Remove("other"); }), vb::errInvalidCall);
    EXPECT_EQ(ErrorOf([&] { col.Item(0L); }), vb::errSubscript);
    EXPECT_EQ(ErrorOf([&] { col.Item(2L); }), vb::errSubscript);
    EXPECT_EQ(col.Count(), 1);
}

TEST(Collection, FoldsLettersOfTheCodePageButKeepsOtherCharactersApart) {
    plat::SetAnsiCodePageForTests(1252);
    // "É" and "é" are one letter in two cases; "Ω" is outside cp1252, and a
    // key holding it folds its ASCII letters only.
    EXPECT_EQ(modMain::CollectionKeyForm("/x/\xC3\x89t\xC3\xA9.vdb"),
              modMain::CollectionKeyForm("/X/\xC3\xA9T\xC3\xA9.VDB"));
    EXPECT_EQ(modMain::CollectionKeyForm("/x/\xCE\xA9.vdb"), modMain::CollectionKeyForm("/X/\xCE\xA9.VDB"));
    EXPECT_NE(modMain::CollectionKeyForm("/x/\xCE\xA9.vdb"), modMain::CollectionKeyForm("/x/\xCF\x89.vdb"));
    EXPECT_NE(modMain::CollectionKeyForm("/x/a.vdb"), modMain::CollectionKeyForm("/x/b.vdb"));
    plat::SetAnsiCodePageForTests(0);
}

class DatabaseCollection : public coretest::LibraryTest {};

TEST_F(DatabaseCollection, FindObjInColAnswersOneOrZeroAndLeavesTheStackEmpty) {
    modMain::DBCollection col;
    col.Add(std::make_shared<clsDatabase>(), "/tmp/A.vdb");
    EXPECT_EQ(modMain::FindObjInCol(col, "/tmp/a.VDB"), 1);
    EXPECT_EQ(modMain::FindObjInCol(col, "/tmp/b.vdb"), 0);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(DatabaseCollection, DumpsItsItemsByPosition) {
    modMain::DBCollection col;
    col.Add(std::make_shared<clsDatabase>(), "a");
    col.Add(std::make_shared<clsDatabase>(), "b");
    EXPECT_EQ(trace::DumpVariable("DBFlsCol", col),
              "<DBFlsCol>\r\n"
              "  <DBFlsCol[1]>{clsDatabase}</DBFlsCol[1]>\r\n"
              "  <DBFlsCol[2]>{clsDatabase}</DBFlsCol[2]>\r\n"
              "</DBFlsCol>\r\n");
}

}  // namespace

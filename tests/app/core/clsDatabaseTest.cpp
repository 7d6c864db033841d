#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "CoreTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace {

using coretest::ErrorOf;
using coretest::Row;

class Database : public coretest::LibraryTest {
protected:
    // A loaded user database with three rows: a folder and two records.
    std::shared_ptr<clsDatabase> Loaded() {
        const std::string path = file("user.txt");
        qpmtest::WriteBytes(path, modMain::NewUserTemplate());
        auto db = std::make_shared<clsDatabase>();
        EXPECT_EQ(db->LoadDB(path, ""), 1);
        coretest::AddRow(*db, {"1", "0", "1", "Mail", "", "", "", "2key", "0|0"});
        coretest::AddRow(*db, {"2", "1", "2", "Webmail", "me", "pw-one", "", "1key", "0|0"});
        coretest::AddRow(*db, {"3", "1", "2", "Old mail", "me", "pw-two", "note", "1key", "255|1"});
        return db;
    }
};

TEST_F(Database, ANewObjectIsEmptyAndAnswersWithoutError) {
    clsDatabase db;
    EXPECT_EQ(db.TabNum(), 0);
    EXPECT_EQ(db.Path(), "");
    EXPECT_EQ(db.GetTblName(1), "");
    EXPECT_EQ(db.GetTblRecNum(1), 0);
    EXPECT_EQ(db.GetTblRecord(1, 1), vedb::Record{});
    EXPECT_EQ(db.FindTable("DataTable"), 0);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(Database, LoadsTheNewUserTextAndReadsItsRowsByNumberAndName) {
    auto db = Loaded();
    EXPECT_EQ(db->TabNum(), 1);
    EXPECT_EQ(db->Name(), "UserDataBase");
    EXPECT_EQ(db->Version(), "1.1a");
    EXPECT_EQ(db->GetTblName(1), "DataTable");
    EXPECT_EQ(db->FindTable("DataTable"), 1);
    EXPECT_EQ(db->FindField(1, "Password"), 6);
    EXPECT_EQ(db->FindField(2, "Password"), 0);
    EXPECT_EQ(db->GetTblRecNum(1), 3);
    EXPECT_EQ(db->GetTblCaption(1).Num, 9);
    EXPECT_EQ(db->GetTblFldVal(1, 2, 4), "Webmail");
    EXPECT_EQ(db->GetTblFldValNm(1, 3, "Description"), "note");
    db->SetTblFldValNm(1, 3, "Login", "you");
    EXPECT_EQ(db->GetTblRecord(1, 3).fields[4], "you");
    db->SetFldAllRecsVal(1, 9, "7|0");
    EXPECT_EQ(db->GetTblFldVal(1, 1, 9), "7|0");
    EXPECT_EQ(db->GetTblFldVal(1, 3, 9), "7|0");
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

// The core reads a table in place: what ReadTable answers is the table
// itself, so it shows every later change and costs no copy.
TEST_F(Database, ReadTableAnswersTheTableItselfNotACopy) {
    auto db = Loaded();
    const vedb::Table* table = db->ReadTable(1);
    ASSERT_NE(table, nullptr);
    vedb::Table copy;
    db->GetTable(1, copy);
    EXPECT_EQ(*table, copy);
    db->SetTblFldVal(1, 2, 4, "Changed");
    EXPECT_EQ(table->Records[1].fields[3], "Changed");
    EXPECT_EQ(db->ReadTable(1), table);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(Database, OutOfRangeNumbersAnswerEmptyAndSettersDoNothing) {
    auto db = Loaded();
    const vedb::DataBase before = db->DB();
    for (std::int32_t t : {0, 2, -1}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(db->GetTblName(t), "");
        EXPECT_EQ(db->GetTblRecNum(t), 0);
        EXPECT_EQ(db->GetTblFlags(t), 0);
        EXPECT_EQ(db->GetTblTag(t), "");
        EXPECT_EQ(db->GetTblCaption(t), vedb::Head{});
        EXPECT_EQ(db->FindField(t, "Title"), 0);
        db->SetTblName(t, "X");
        db->SetTblFlags(t, 5);
        db->SetTblTag(t, "X");
        db->AddRecord(t);
        vedb::Table table;
        table.Name = "untouched";
        db->GetTable(t, table);
        EXPECT_EQ(table.Name, "untouched");
        EXPECT_EQ(db->ReadTable(t), nullptr);
    }
    EXPECT_EQ(db->GetTblRecord(1, 0), vedb::Record{});
    EXPECT_EQ(db->GetTblRecord(1, 4), vedb::Record{});
    vedb::HelpTable help;
    help.Name = "untouched";
    db->GetHTable(1, help);
    EXPECT_EQ(help.Name, "untouched");
    db->DeleteRec(1, 0);
    db->DeleteRec(1, 4);
    EXPECT_EQ(db->DB(), before);
}

// The manager refuses a column or record the table lacks; the value must not
// vanish unseen.
TEST_F(Database, SettingAColumnOrRecordTheTableLacksByNameRaisesAndChangesNothing) {
    auto db = Loaded();
    const vedb::DataBase before = db->DB();
    EXPECT_EQ(coretest::ErrorOf([&] { db->SetTblFldValNm(1, 2, "Pasword", "s3cret"); }), 9);
    EXPECT_EQ(coretest::ErrorOf([&] { db->SetTblFldValNm(1, 4, "Password", "s3cret"); }), 9);
    EXPECT_EQ(coretest::ErrorOf([&] { db->SetTblFldValNm(1, 0, "Password", "s3cret"); }), 9);
    EXPECT_EQ(db->DB(), before);
    trace::ResetStack();
}

TEST_F(Database, MembersThatIndexWithoutCheckingRaiseSubscriptOutOfRange) {
    auto db = Loaded();
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"GetTblFldVal table", [&] { db->GetTblFldVal(2, 1, 1); }},
        {"GetTblFldVal record", [&] { db->GetTblFldVal(1, 4, 1); }},
        {"GetTblFldVal column", [&] { db->GetTblFldVal(1, 1, 10); }},
        {"SetTblFldVal", [&] { db->SetTblFldVal(1, 0, 1, "x"); }},
        {"GetTblFldValNm", [&] { db->GetTblFldValNm(0, 1, "Title"); }},
        {"SetTblFldValNm", [&] { db->SetTblFldValNm(0, 1, "Title", "x"); }},
        {"FindHelpVal", [&] { db->FindHelpVal(1, 0, 1); }},
        {"GetRecNumFromVal",
         [&] {
             std::int32_t start = 1;
             db->GetRecNumFromVal(1, 10, "x", start);
         }},
        {"FindRecord",
         [&] {
             std::int32_t start = 1;
             db->FindRecord(3, 1, "x", start, false);
         }},
        {"GetHelpVal", [&] { db->GetHelpVal(2, "Title", 1); }},
        {"DeleteRec", [&] { db->DeleteRec(2, 1); }},
        {"SetFldAllRecsVal", [&] { db->SetFldAllRecsVal(1, 10, "x"); }},
        {"GetHelpValNum", [&] { db->GetHelpValNum(1, "x"); }},
        {"GetComplexFldVal", [&] { db->GetComplexFldVal(2, 1, 1); }},
    };
    for (const auto& [name, call] : calls) {
        EXPECT_EQ(ErrorOf(call), vb::errSubscript) << name;
        trace::ResetStack();
        trace::ResetReportingForTests();
    }
}

TEST_F(Database, SearchesWriteTheCorrectedStartBack) {
    auto db = Loaded();
    std::int32_t start = 0;
    EXPECT_EQ(db->GetRecNumFromVal(1, 2, "1", start), 2);
    EXPECT_EQ(start, 1);
    start = 3;
    EXPECT_EQ(db->GetRecNumFromVal(1, 2, "1", start), 3);
    start = 4;  // past the last record: no search at all
    EXPECT_EQ(db->GetRecNumFromVal(1, 2, "1", start), 0);
    EXPECT_EQ(db->GetRecNumFromVal(1, 4, "mail", start = 0), 0);  // exact match only

    start = -5;
    EXPECT_EQ(db->FindRecord(1, 4, "MAIL", start, false), 1);
    EXPECT_EQ(start, 1);
    start = 2;
    EXPECT_EQ(db->FindRecord(1, 4, "MAIL", start, true), 0);
    EXPECT_EQ(db->FindRecord(1, 4, "mail", start, true), 2);
    start = 9;
    EXPECT_EQ(db->FindRecord(1, 4, "mail", start, false), 0);
}

TEST_F(Database, SetTblRecordNeedsOneValuePerColumnAndTakesTheTableAsText) {
    auto db = Loaded();
    const vedb::Record old = db->GetTblRecord(1, 2);
    vedb::Record shorter{{"9", "0", "2", "t", "l", "p", "d", "1key"}};
    vedb::Record longer{{"9", "0", "2", "t", "l", "p", "d", "1key", "0|0", "extra"}};
    vedb::Record exact{{"9", "0", "2", "t", "l", "p", "d", "1key", "0|0"}};
    db->SetTblRecord("1", 2, shorter);
    db->SetTblRecord("1", 2, longer);
    db->SetTblRecord("2", 2, exact);
    db->SetTblRecord("1", 4, exact);
    db->SetTblRecord("abc", 2, exact);
    EXPECT_EQ(db->GetTblRecord(1, 2), old);
    db->SetTblRecord("1", 2, exact);
    EXPECT_EQ(db->GetTblRecord(1, 2), exact);
}

TEST_F(Database, DeleteRecMovesLaterRecordsDown) {
    auto db = Loaded();
    db->DeleteRec(1, 2);
    EXPECT_EQ(db->GetTblRecNum(1), 2);
    EXPECT_EQ(db->GetTblFldVal(1, 2, 4), "Old mail");
}

TEST_F(Database, DbGetAndLetCopyTheWholeRecord) {
    auto db = Loaded();
    vedb::DataBase copy = db->DB();
    copy.Tables[0].Records[0].fields.Set(3, "Changed");
    EXPECT_EQ(db->GetTblFldVal(1, 1, 4), "Mail");
    db->DB(copy);
    copy.Tables[0].Records[0].fields.Set(3, "Again");
    EXPECT_EQ(db->GetTblFldVal(1, 1, 4), "Changed");
}

TEST_F(Database, FlagsOutsideTheSixteenBitRangeRaiseOverflow) {
    auto db = Loaded();
    db->flags(-32768);
    EXPECT_EQ(db->flags(), -32768);
    EXPECT_EQ(ErrorOf([&] { db->flags(32768); }), vb::errOverflow);
    EXPECT_EQ(ErrorOf([&] { db->SetTblFlags(1, 40000); }), vb::errOverflow);
    db->SetTblFlags(1, 12);
    EXPECT_EQ(db->GetTblFlags(1), 12);
}

TEST_F(Database, OnlyTheTableAndFileMembersStampTheLastAccess) {
    auto db = Loaded();
    const std::vector<std::pair<const char*, std::function<void()>>> quiet = {
        {"Tag", [&] { db->Tag(); }},
        {"Path", [&] { db->Path(); }},
        {"TabNum", [&] { db->TabNum(); }},
        {"Name", [&] { db->Name("x"); }},
        {"DB", [&] { db->DB(); }},
        {"GetTblName", [&] { db->GetTblName(1); }},
        {"SetTblName", [&] { db->SetTblName(1, "DataTable"); }},
    };
    for (const auto& [name, call] : quiet) {
        db->DBLastAccess(-7);
        call();
        EXPECT_EQ(db->DBLastAccess(), -7) << name;
    }
    const std::vector<std::pair<const char*, std::function<void()>>> stamping = {
        {"GetTblRecNum", [&] { db->GetTblRecNum(9); }},
        {"GetTblFldVal", [&] { db->GetTblFldVal(1, 1, 1); }},
        {"FindTable", [&] { db->FindTable("x"); }},
        {"AddRecord", [&] { db->AddRecord(9); }},
        {"ReadTable", [&] { db->ReadTable(1); }},
        {"SaveDB", [&] { db->SaveDB(file("saved.txt"), "", false); }},
        {"FindRecord",
         [&] {
             std::int32_t start = 1;
             db->FindRecord(1, 1, "x", start, false);
         }},
        {"LoadDB", [&] { db->LoadDB(file("missing"), ""); }},
    };
    for (const auto& [name, call] : stamping) {
        db->DBLastAccess(-7);
        clock = 1000.5;  // whole seconds, halves to even
        call();
        EXPECT_EQ(db->DBLastAccess(), 1000) << name;
    }
    clock = 1001.5;
    db->GetTblRecNum(1);
    EXPECT_EQ(db->DBLastAccess(), 1002);
}

TEST_F(Database, SavesAndLoadsItsRecordUnderAPassword) {
    auto db = Loaded();
    const std::string path = file("saved.txt");
    db->SaveDB(path, "0123456789ABCDEF", false);
    const std::string text = qpmtest::ReadBytes(path);
    EXPECT_EQ(text.rfind("dzorvaLiL.ENC\r\n", 0), 0u);
    EXPECT_EQ(text.find("pw-one"), std::string::npos);

    clsDatabase again;
    EXPECT_EQ(again.LoadDB(path, "wrong"), -6);
    EXPECT_FALSE(again.Ready());
    EXPECT_EQ(again.LoadDB(path, "0123456789ABCDEF"), 1);
    EXPECT_TRUE(again.Ready());
    EXPECT_EQ(again.GetTblFldValNm(1, 2, "Password"), "pw-one");
    EXPECT_EQ(again.GetTblRecNum(1), 3);
}

TEST_F(Database, TblsToStringEndsEachNameWithTheSeparator) {
    auto db = Loaded();
    std::string text;
    EXPECT_EQ(db->TblsToString({"DataTable"}, text, {}), 0);
    EXPECT_NE(text.find("Webmail"), std::string::npos);
    EXPECT_EQ(db->TblsToString({"Missing"}, text, {}), -2);
    EXPECT_EQ(text, "");
}

TEST_F(Database, TheReportShowsTheModuleVariablesAndHidesFieldValues) {
    auto db = Loaded();
    db->DBLastAccess(42);
    EXPECT_EQ(db->DumpModuleVars(),
              "<lDBLastAccess>42</lDBLastAccess>\r\n<lDBMngr>{VEDataManager}</lDBMngr>\r\n"
              "<lDB>{Cannot dump external UDTs}</lDB>");
    // A field value in flight is hidden in the parameters of the stack entry.
    db->SetTblFldVal(1, 2, 6, "hunter2");
    try {
        db->SetTblFldVal(1, 9, 6, "hunter2");
    } catch (const vb::VbError&) {
    }
    ASSERT_EQ(trace::FStack.UBound(), 1);
    const std::string entry = trace::FStack(1);
    EXPECT_NE(entry.find("clsDatabase.SetTblFldVal"), std::string::npos) << entry;
    EXPECT_NE(entry.find("<newval>{Hidden}</newval>"), std::string::npos) << entry;
    EXPECT_EQ(entry.find("hunter2"), std::string::npos) << entry;
}

}  // namespace

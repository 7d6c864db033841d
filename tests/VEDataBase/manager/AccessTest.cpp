// Record and field access: lookups, values, help codes, adding and deleting.
#include <gtest/gtest.h>

#include "ManagerTestSupport.h"
#include "platform/VbError.h"

using namespace vedbtest;

namespace {

long ErrorNumberOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const vb::VbError& e) {
        return e.Number();
    }
    return 0;
}

vedb::DataBase AccessDb() {
    vedb::DataBase db = SampleDb();
    vedb::HelpTable codes;
    codes.Name = "Codes";
    codes.hfields = {{10, "ten"}, {20, "twenty"}, {2, "two"}};
    codes.RecNum = 3;
    db.HTables.push_back(codes);
    db.HTabNum = 2;
    vedb::Table people = MakeTable("People", {{"Name", 0}, {"Kind", 8}, {"name", 0}});
    people.Caption.fields[1].HelpTable = "Kinds";
    AddRow(people, {"Ann", "2", "x"});
    AddRow(people, {"bob", "1", "y"});
    AddRow(people, {"Bob", "7", "z"});
    db.Tables.push_back(people);
    db.tabnum = 2;
    return db;
}

}  // namespace

TEST(Access, LookupsAreExactAndFirstMatch) {
    auto m = NewManager();
    vedb::DataBase db = AccessDb();
    const vedb::Table& people = db.Tables[1];
    EXPECT_EQ(m->FindTable(db, "People"), 2);
    EXPECT_EQ(m->FindTable(db, "people"), 0);
    EXPECT_EQ(m->FindHTable(db, "Codes"), 2);
    EXPECT_EQ(m->FindHTable(db, "Nope"), 0);
    EXPECT_EQ(m->FindField(people, "name"), 3);
    EXPECT_EQ(m->FindField(people, "NAME"), 0);
    EXPECT_EQ(m->GetHelpNum(db.HTables[1], "two"), 3);  // the position, not the code
    EXPECT_EQ(m->GetHelpNum(db.HTables[1], "Two"), 0);
    EXPECT_EQ(m->GetHelpNumFromDB(db, "Kinds", "beta"), 2);

    std::int32_t start = 0;
    EXPECT_EQ(m->GetRecnumFromFldVal(people, "Name", "Bob", start), 3);  // "bob" differs in case
    EXPECT_EQ(start, 1);
    start = 3;
    EXPECT_EQ(m->GetRecnumFromFldVal(people, "Name", "Ann", start), 0);
    start = 4;
    EXPECT_EQ(m->GetRecnumFromFldVal(people, "Name", "Ann", start), 0);
    EXPECT_EQ(m->GetRecnumFromFldVal(people, "Name", "Ann"), 1);
    start = -1;
    EXPECT_EQ(ErrorNumberOf([&] { m->GetRecnumFromFldVal(people, "Name", "Ann", start); }), 9);
}

TEST(Access, ValuesAndHelpCodes) {
    auto m = NewManager();
    vedb::DataBase db = AccessDb();
    const vedb::Table& people = db.Tables[1];
    EXPECT_EQ(m->GetFieldVal(people, 2, 1), "bob");
    EXPECT_EQ(m->GetFldValFromTbl(people, "name", 3), "z");
    EXPECT_EQ(m->GetFldValFromDB(db, "People", "Name", 1), "Ann");
    EXPECT_EQ(m->GetComplexFieldVal(db, people, 1, 2), "beta");
    EXPECT_EQ(m->GetComplexFieldVal(db, people, 3, 2), "Unknown");
    EXPECT_EQ(m->GetComplexFieldVal(db, people, 1, 1), "Ann");
    EXPECT_EQ(m->GetHelpVal(db, people, "Kind", 2), "alpha");

    // Codes away from their position are found by scanning.
    EXPECT_EQ(m->FindHelpVal(db, "Codes", 20), "twenty");
    EXPECT_EQ(m->FindHelpVal(db, "Codes", 2), "two");
    EXPECT_EQ(m->FindHelpVal(db, "Codes", 30), "Unknown");
    EXPECT_EQ(m->FindHelpVal(db, "Nope", 1), "Unknown");
    EXPECT_EQ(m->ErrHistLen(), 0);

    // Members without a handler let an index error reach the caller.
    EXPECT_EQ(ErrorNumberOf([&] { m->GetFieldVal(people, 4, 1); }), 9);
    EXPECT_EQ(ErrorNumberOf([&] { m->GetFieldVal(people, 1, 0); }), 9);
    EXPECT_EQ(ErrorNumberOf([&] { m->GetFldValFromTbl(people, "Nope", 1); }), 9);
    EXPECT_EQ(ErrorNumberOf([&] { m->GetFldValFromDB(db, "Nope", "Name", 1); }), 9);
    EXPECT_EQ(ErrorNumberOf([&] { m->GetHelpNumFromDB(db, "Nope", "x"); }), 9);
    // Members with one record it and give "-1".
    EXPECT_EQ(m->GetComplexFieldVal(db, people, 9, 1), "-1");
    EXPECT_EQ(m->ErrFrom(), "GetComplexFieldVal");
    EXPECT_EQ(m->ErrExtra().rfind("Request record: 9, Requested field: 1.", 0), 0u) << m->ErrExtra();
}

TEST(Access, SettersChangeOnlyWhatTheyName) {
    auto m = NewManager();
    vedb::DataBase db = AccessDb();
    EXPECT_EQ(m->SetFieldVal(db, "People", 2, "name", "new"), 0);
    EXPECT_EQ(db.Tables[1].Records[1].fields[2], "new");
    EXPECT_EQ(m->SetFieldValInTbl(db.Tables[1], 1, "Name", "Anna"), 0);
    EXPECT_EQ(db.Tables[1].Records[0].fields[0], "Anna");

    EXPECT_EQ(m->SetValToHField(db, "People", "Kind", 1, "beta"), 2);
    EXPECT_EQ(db.Tables[1].Records[0].fields[1], "2");
    EXPECT_EQ(m->SetValToHField(db, "People", "Kind", 1, "gamma"), 0);
    EXPECT_EQ(db.Tables[1].Records[0].fields[1], "0");
    EXPECT_EQ(m->SetValToHField(db, "People", "Name", 1, "beta"), 0);  // not a help column
    EXPECT_EQ(db.Tables[1].Records[0].fields[0], "Anna");

    // Unknown names and numbers: recorded, -1, nothing changes, and the
    // value (it may be a password) is not in the record.
    const vedb::DataBase before = db;
    EXPECT_EQ(m->SetFieldVal(db, "Nope", 1, "Name", "secret"), -1);
    EXPECT_EQ(m->SetFieldVal(db, "People", 1, "Nope", "secret"), -1);
    EXPECT_EQ(m->SetFieldValInTbl(db.Tables[1], 0, "Name", "secret"), -1);
    EXPECT_EQ(m->SetValToHField(db, "People", "Kind", 9, "secret"), -1);
    EXPECT_EQ(db, before);
    ASSERT_EQ(m->ErrHistLen(), 4);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(m->ErrHistory(i).find("secret"), std::string::npos) << m->ErrHistory(i);
    EXPECT_EQ(m->ErrFrom(), "SetValToHField");
}

TEST(Access, AddingAndDeletingRecords) {
    auto m = NewManager();
    vedb::Table t = MakeTable("T", {{"A", 0}, {"B", 0}});
    EXPECT_EQ(m->AddRecord(t), 0);
    EXPECT_EQ(t.RecNum, 1);
    EXPECT_EQ(t.Records[0].fields, (std::vector<std::string>{"", ""}));

    EXPECT_EQ(m->AddFullRecord(t, vedb::Record{{"only one"}}), 0);
    EXPECT_EQ(m->AddFullRecord(t, vedb::Record{{"a", "b", "c"}}), 0);
    EXPECT_EQ(t.RecNum, 1);
    EXPECT_EQ(m->AddFullRecord(t, vedb::Record{{"2a", "2b"}}), std::nullopt);
    EXPECT_EQ(m->AddFullRecord(t, vedb::Record{{"3a", "3b"}}), std::nullopt);
    ASSERT_EQ(t.RecNum, 3);

    EXPECT_EQ(m->DelRecord(t, 2), std::nullopt);
    ASSERT_EQ(t.RecNum, 2);
    EXPECT_EQ(t.Records[0].fields[0], "");
    EXPECT_EQ(t.Records[1].fields[0], "3a");

    // Outside the table nothing is deleted.
    const vedb::Table before = t;
    EXPECT_EQ(ErrorNumberOf([&] { m->DelRecord(t, 3); }), 9);
    EXPECT_EQ(ErrorNumberOf([&] { m->DelRecord(t, 0); }), 9);
    EXPECT_EQ(t, before);

    m->DelRecord(t, 1);
    m->DelRecord(t, 1);
    EXPECT_EQ(t.RecNum, 0);
    EXPECT_TRUE(t.Records.empty());
    EXPECT_EQ(m->AddFullRecord(t, vedb::Record{{"x", "y"}}), std::nullopt);
    EXPECT_EQ(t.RecNum, 1);
}

TEST(Access, CleanDataKeepsPathReadyAndTag) {
    auto m = NewManager();
    vedb::DataBase db = AccessDb();
    db.Path = "/some/file.vdb";
    db.Ready = true;
    db.flags = 5;
    EXPECT_EQ(m->CleanData(db), 0);
    vedb::DataBase expected;
    expected.Path = "/some/file.vdb";
    expected.Ready = true;
    expected.tag = "t";
    EXPECT_EQ(db, expected);
}

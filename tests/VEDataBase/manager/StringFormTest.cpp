// The string form of a database: its exact text, the way back, filters, and
// what the writer refuses and the readers survive.
#include <gtest/gtest.h>

#include "ManagerTestSupport.h"

using namespace vedbtest;

namespace {

// The markers hold '|', so here '~' stands for SEP.
std::string T(std::string text) {
    for (char& c : text) {
        if (c == '~') c = '\x87';
    }
    return text;
}

vedb::DataBase FormDb() {
    vedb::DataBase db;
    db.flags = 1;
    db.Name = "Demo";
    db.Path = "/p/x.vdb";
    db.Ready = true;
    db.tag = "tg";
    db.Version = "1.1a";
    vedb::HelpTable kinds;
    kinds.Name = "Kinds";
    kinds.flags = 3;
    kinds.hfields = {{1, "alpha"}, {2, "beta"}};
    kinds.RecNum = 2;
    db.HTables = {kinds};
    db.HTabNum = 1;
    vedb::Table main = MakeTable("Main", {{"Id", 0}, {"Note", 2}, {"Kind", 8}});
    main.Caption.fields[2].HelpTable = "Kinds";
    main.Caption.tag = "ct";
    main.flags = 5;
    main.tag = T("t~ag");  // a table tag may hold SEP
    AddRow(main, {"1", T("a~b"), "1"});
    AddRow(main, {"2", "", "2"});
    db.Tables = {main};
    db.tabnum = 1;
    return db;
}

const std::string kDbInfo = T("{.DBINFO|~1~Demo~/p/x.vdb~True~tg~1.1a|.ENDDBINFO}");
const std::string kKinds = T("{HTBLSTART.|{.HTBLINFO|Kinds~3~2|.ENDHTBLINFO}$$|$$alpha~1$$|$$beta~2~|.ENDHTBL}");
const std::string kMainInfo = T("$$|$$3~ct$$|$$Id~0~$$|$$Note~2~$$|$$Kind~8~Kinds|.ENDTBLINFO}");

std::string MainPart(const std::string& count, const std::string& records) {
    return T("{TBLSTART.|{.TBLINFO|Main~5~") + count + T("~t~ag") + kMainInfo + records + T("~|.ENDTBL}");
}

const std::string kMainRecords = T("$$|$$1~a") + kSepEscape + T("b~1$$|$$2~~2");

vedb::ReqField Cond(const std::string& value, const std::string& op) { return {value, op, 0}; }

}  // namespace

TEST(StringForm, WritesTheLayoutAndReadsItBackUnchanged) {
    auto m = NewManager();
    const vedb::DataBase db = FormDb();
    std::string buf = "old";
    ASSERT_EQ(m->TablesToString(db, T("Main~"), buf, {}), 0);
    EXPECT_EQ(buf, kDbInfo + kKinds + MainPart("2", kMainRecords));

    vedb::DataBase back;
    EXPECT_EQ(m->StringToDB(back, buf), std::nullopt);
    EXPECT_EQ(back, db);
    EXPECT_EQ(m->ErrHistLen(), 0);

    // "False", and a last name without SEP is taken too.
    vedb::DataBase notReady = db;
    notReady.Ready = false;
    ASSERT_EQ(m->TablesToString(notReady, "Main", buf, {}), 0);
    EXPECT_NE(buf.find(T("~False~")), std::string::npos);
    ASSERT_EQ(m->StringToDB(back, buf), std::nullopt);
    EXPECT_FALSE(back.Ready);
}

TEST(StringForm, LargeDatabasesGrowTheBufferAndRoundTrip) {
    auto m = NewManager();
    vedb::DataBase db = FormDb();
    db.Tables.push_back(MakeTable("Big", {{"A", 0}, {"B", 2}}));
    db.tabnum = 2;
    for (int r = 0; r < 10000; ++r) AddRow(db.Tables[1], {"row " + std::to_string(r), T("x~y\r\nz")});
    std::string buf;
    ASSERT_EQ(m->TablesToString(db, T("Main~Big~"), buf, {}), 0);
    EXPECT_GT(buf.size(), 65536u * 2);
    EXPECT_EQ(buf.find('\0'), std::string::npos) << "cut to the used length";
    vedb::DataBase back;
    ASSERT_EQ(m->StringToDB(back, buf), std::nullopt);
    EXPECT_EQ(back, db);
}

TEST(StringForm, FiltersPickTheRecordsOfEachTable) {
    auto m = NewManager();
    const vedb::DataBase db = FormDb();
    std::string buf;
    // Several filters name the table: the last one wins.
    const std::vector<vedb::TblRequest> filters = {
        {"Main", {Cond("1", "=")}},
        {"Other", {Cond("9", "=")}},
        {"Main", {Cond("2", "=")}},
    };
    ASSERT_EQ(m->TablesToString(db, T("Main~"), buf, filters), 0);
    EXPECT_EQ(buf, kDbInfo + kKinds + MainPart("1", T("$$|$$2~~2")));

    // A filter that passes nothing: the count 0, and read back no records.
    ASSERT_EQ(m->TablesToString(db, T("Main~"), buf, {{"Main", {Cond("9", "=")}}}), 0);
    EXPECT_EQ(buf, kDbInfo + kKinds + MainPart("0", ""));
    vedb::DataBase back;
    ASSERT_EQ(m->StringToDB(back, buf), std::nullopt);
    ASSERT_EQ(back.tabnum, 1);
    EXPECT_EQ(back.Tables[0].RecNum, 0);
    EXPECT_TRUE(back.Tables[0].Records.empty());

    // An empty request filters nothing.
    vedb::Request none;
    std::string part;
    ASSERT_EQ(m->TableToString(db.Tables[0], part, none), 1);
    EXPECT_EQ(part, MainPart("2", kMainRecords));
}

TEST(StringForm, MissingTableGivesMinusTwo) {
    auto m = NewManager();
    std::string buf = "left over";
    EXPECT_EQ(m->TablesToString(FormDb(), T("Main~Nope~"), buf, {}), -2);
    EXPECT_EQ(buf, "");
    EXPECT_EQ(m->ErrNum(), 10);
    EXPECT_EQ(m->ErrFrom(), "TablesToString");
    EXPECT_EQ(m->ErrExtra(), "Table Nope in DB Demo. LastVbErrorNum: 0, LastVbErrorDesc: ");
}

// A text the format cannot carry (it has no escape for its markers, nor for
// SEP outside record values and the table tag) is refused with -1 rather
// than handed out in a form that reads back as something else.
TEST(StringForm, TextsTheFormCannotCarryAreRefused) {
    struct Case {
        const char* what;
        void (*spoil)(vedb::DataBase&);
    };
    const Case cases[] = {
        {"item marker in a value", [](vedb::DataBase& d) { d.Tables[0].Records[0].fields.Set(1, "a$$|$$b"); }},
        {"table end marker in a value", [](vedb::DataBase& d) { d.Tables[0].Records[1].fields.Set(0, "|.ENDTBL}"); }},
        {"table start marker in a tag", [](vedb::DataBase& d) { d.Tables[0].tag = "{TBLSTART.|"; }},
        {"SEP in the database name", [](vedb::DataBase& d) { d.Name = T("a~b"); }},
        {"SEP in a help text", [](vedb::DataBase& d) { d.HTables[0].hfields[0].str = T("a~b"); }},
        {"SEP in a column name", [](vedb::DataBase& d) { d.Tables[0].Caption.fields[0].Name = T("a~b"); }},
        {"the escape itself in a value", [](vedb::DataBase& d) { d.Tables[0].Records[0].fields.Set(0, kSepEscape); }},
        {"a table without columns",
         [](vedb::DataBase& d) {
             d.Tables[0].Caption = {};
             d.Tables[0].Records.clear();
             d.Tables[0].RecNum = 0;
         }},
        {"a short record", [](vedb::DataBase& d) { d.Tables[0].Records[1].fields.pop_back(); }},
        {"a count above the records", [](vedb::DataBase& d) { d.Tables[0].RecNum = 3; }},
        {"a help count above the entries", [](vedb::DataBase& d) { d.HTables[0].RecNum = 3; }},
    };
    for (const Case& c : cases) {
        auto m = NewManager();
        vedb::DataBase db = FormDb();
        c.spoil(db);
        std::string buf = "left over";
        EXPECT_EQ(m->TablesToString(db, T("Main~"), buf, {}), -1) << c.what;
        EXPECT_EQ(buf, "") << c.what;
        EXPECT_EQ(m->ErrNum(), 0) << c.what;
        EXPECT_EQ(m->ErrFrom(), "TablesToString") << c.what;
    }
}

TEST(StringForm, PartWritersAndReaders) {
    auto m = NewManager();
    const vedb::DataBase db = FormDb();
    std::string text;
    EXPECT_EQ(m->AddDBInfo(db, text), 0);
    EXPECT_EQ(text, kDbInfo);
    vedb::DataBase info;
    EXPECT_EQ(m->GetDBInfo(info, text.substr(0, text.size() - 12)), 0);
    EXPECT_EQ(info.Name, "Demo");
    EXPECT_EQ(info.Version, "1.1a");
    EXPECT_EQ(info.flags, 1);
    EXPECT_TRUE(info.Ready);

    EXPECT_EQ(m->HTableToString(db.HTables[0], text), 1);
    EXPECT_EQ(text, kKinds);
    vedb::HelpTable ht;
    EXPECT_EQ(m->StringToHTable(text, ht), 0);
    EXPECT_EQ(ht, db.HTables[0]);
    vedb::HelpTable empty;
    empty.Name = "E";
    EXPECT_EQ(m->HTableToString(empty, text), 1);
    EXPECT_EQ(text, T("{HTBLSTART.|{.HTBLINFO|E~0~0|.ENDHTBLINFO}~|.ENDHTBL}"));
    EXPECT_EQ(m->StringToHTable(text, ht), 0);
    EXPECT_EQ(ht, empty);

    vedb::Table tbl;
    EXPECT_EQ(m->StringToTable(MainPart("2", kMainRecords), tbl), 0);
    EXPECT_EQ(tbl, db.Tables[0]);
    // Only a text that starts with the table marker is read.
    vedb::Table untouched = tbl;
    EXPECT_EQ(m->StringToTable(" " + MainPart("2", kMainRecords), untouched), 0);
    EXPECT_EQ(untouched, tbl);

    vedb::Table broken = db.Tables[0];
    broken.RecNum = 5;
    EXPECT_EQ(m->TableToString(broken, text, {}), -1);
    EXPECT_EQ(m->ErrFrom(), "TableToString");
    EXPECT_EQ(m->ErrExtra().rfind("TblName: Main. LastVbErrorNum: 9", 0), 0u) << m->ErrExtra();
    vedb::HelpTable brokenHelp = db.HTables[0];
    brokenHelp.RecNum = 3;
    EXPECT_EQ(m->HTableToString(brokenHelp, text), 0);
    EXPECT_EQ(m->ErrFrom(), "HTableToString");
}

TEST(StringForm, ReadingATextWithoutTablesKeepsTheTargetsTables) {
    auto m = NewManager();
    vedb::DataBase target = FormDb();
    target.Name = "before";
    EXPECT_EQ(m->StringToDB(target, T("{.DBINFO|~0~After~~False~~2|.ENDDBINFO}")), std::nullopt);
    EXPECT_EQ(target.Name, "After");
    EXPECT_EQ(target.Version, "2");
    EXPECT_FALSE(target.Ready);
    EXPECT_EQ(target.Tables, FormDb().Tables);
    EXPECT_EQ(target.HTables, FormDb().HTables);
}

// Counts in the text only limit what is read: they never size anything, and
// a text that cannot be read changes nothing.
TEST(StringForm, ReadersTrustNoCountAndFailWithoutChangingTheTarget) {
    auto m = NewManager();
    vedb::DataBase back;
    const std::string text = kDbInfo + T("{HTBLSTART.|{.HTBLINFO|K~0~2000000000|.ENDHTBLINFO}$$|$$only~1~|.ENDHTBL}") +
                             T("{TBLSTART.|{.TBLINFO|T~0~2000000000~$$|$$32000~$$|$$A~0~|.ENDTBLINFO}$$|$$v~|.ENDTBL}");
    ASSERT_EQ(m->StringToDB(back, text), std::nullopt);
    ASSERT_EQ(back.HTabNum, 1);
    EXPECT_EQ(back.HTables[0].RecNum, 1);
    EXPECT_EQ(back.HTables[0].hfields, (std::vector<vedb::HelpField>{{1, "only"}}));
    ASSERT_EQ(back.tabnum, 1);
    EXPECT_EQ(back.Tables[0].Caption.Num, 1);
    EXPECT_EQ(back.Tables[0].RecNum, 1);
    EXPECT_EQ(back.Tables[0].Records[0].fields, std::vector<std::string>{"v"});

    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"no database information", "garbage without any marker at all, long enough"},
        {"a table without columns", kDbInfo + T("{TBLSTART.|{.TBLINFO|T~0~0~$$|$$0~|.ENDTBLINFO}~|.ENDTBL}")},
        {"a table part without its end", kDbInfo + T("{TBLSTART.|{.TBLINFO|T~0~0~$$|$$1~$$|$$A~0~")},
        {"a column count beyond 16 bits", kDbInfo + T("{TBLSTART.|{.TBLINFO|T~0~0~$$|$$99999~|.ENDTBLINFO}~|.ENDTBL}")},
        {"a help entry without SEP", kDbInfo + T("{HTBLSTART.|{.HTBLINFO|K~0~1|.ENDHTBLINFO}$$|$$x|.ENDHTBL}")},
    };
    for (const Case& c : cases) {
        vedb::DataBase target = FormDb();
        EXPECT_EQ(m->StringToDB(target, c.text), 0) << c.what;
        EXPECT_EQ(target, FormDb()) << c.what;
        EXPECT_EQ(m->ErrFrom(), "StringToDb") << c.what;
        EXPECT_EQ(m->ErrExtra().rfind("Part of InpStr : " + c.text.substr(0, 35) + ".", 0), 0u) << c.what;
    }
}

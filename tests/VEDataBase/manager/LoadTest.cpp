// The reader's results: every failure code, and the partial loads that keep
// what is there and report 0.
#include <gtest/gtest.h>

#include "ManagerTestSupport.h"
#include "clsZLIB.h"
#include "platform/FileIO.h"

using namespace vedbtest;
using qpmtest::ReadBytes;
using qpmtest::TempDir;
using qpmtest::WriteBytes;

namespace {

const std::string kHead = "dzorvaLiL\r\n" + S("N|0|1|\r\n");

// A plain table block "T" with columns A (flags 0) and B (flags 2).
std::string TableBlock(const std::string& counts, const std::string& records, bool withEnd = true) {
    return "[T]\r\n" + S(counts) + "\r\n\r\n" + S("A 0|B 2\r\n") + S(records) + (withEnd ? "[END T]\r\n" : "");
}

bool HistoryHas(const vedb::VEDataManager& m, const std::string& text) {
    for (int i = 1; i <= m.ErrHistLen(); ++i) {
        if (m.ErrHistory(i).find(text) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST(Load, FailureCodesFromSmallFixtures) {
    struct Case {
        const char* what;
        std::string bytes;  // empty: no file at all
        const char* pasw;
        int result;
    };
    const std::string encrypted = "dzorvaLiL.ENC\r\n";
    const Case cases[] = {
        {"missing file", "", "", -4},
        {"neither mark nor compressed", "hello\r\n", "", -5},
        {"mark length but no mark", "dzorvaLiX\r\n", "", -2},
        {"only the encrypted mark", encrypted, "pw", -1},
        {"unrecognised line between blocks", kHead + "garbage\r\n", "", 0},
        {"table name too short", kHead + "[]\r\n", "", 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("x.vdb");
        if (!c.bytes.empty()) WriteBytes(path, c.bytes);
        auto m = NewManager();
        vedb::DataBase db;
        EXPECT_EQ(m->LoadDB(db, path, c.pasw), c.result) << c.what;
        EXPECT_FALSE(db.Ready) << c.what;
        EXPECT_EQ(db.Path, path) << c.what;
    }
}

TEST(Load, EmptyFileIsARunTimeError) {
    TempDir dir;
    WriteBytes(dir.file("e.vdb"), "");
    auto m = NewManager();
    vedb::DataBase db;
    EXPECT_EQ(m->LoadDB(db, dir.file("e.vdb")), -1);
    EXPECT_EQ(m->ErrFrom(), "LoadDB");
    EXPECT_EQ(m->ErrExtra().rfind("LoadPath:" + dir.file("e.vdb") + ". LastVbErrorNum: 62", 0), 0u) << m->ErrExtra();
}

TEST(Load, WrongOrEmptyPasswordGivesMinusSix) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db = SampleDb();
    ASSERT_EQ(m->SaveDB(db, dir.file("e.vdb"), "right"), 2);
    for (const char* pasw : {"wrong", ""}) {
        vedb::DataBase back;
        EXPECT_EQ(m->LoadDB(back, dir.file("e.vdb"), pasw), -6) << pasw;
        EXPECT_FALSE(back.Ready);
        EXPECT_TRUE(back.Tables.empty());
    }
}

TEST(Load, CompressedFilesThatDoNotHoldADatabase) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db;
    // Expands, but to no database: -2, and the file stays expanded.
    const std::string notDb = dir.file("a.vdb");
    WriteBytes(notDb, "just some text\r\n");
    vedb::clsZLIB zlib;
    ASSERT_EQ(zlib.CompressFile(notDb, notDb), 0);
    EXPECT_EQ(m->LoadDB(db, notDb), -2);
    EXPECT_EQ(ReadBytes(notDb), "just some text\r\n");
    // A damaged stream: the file is left exactly as it was.
    const std::string damaged = dir.file("b.vdb");
    const std::string bytes = std::string("hd+kvZo23 o8 j@a") + "40\x87" + "not a zlib stream";
    WriteBytes(damaged, bytes);
    EXPECT_EQ(m->LoadDB(db, damaged), -2);
    EXPECT_EQ(ReadBytes(damaged), bytes);
    // The marker in another letter case is no compressed file.
    WriteBytes(damaged, std::string("hd+kvzo23 o8 j@a") + "4\x87" + "xxxx");
    EXPECT_EQ(m->LoadDB(db, damaged), -5);
}

TEST(Load, FindingsOfTheBlockStepsStopTheLoad) {
    struct Case {
        const char* what;
        std::string body;
        int error;
        const char* source;
    };
    const Case cases[] = {
        {"line without bracket", "abc\r\n", 9, "AnalyseString"},
        {"bracket without close", "[abc\r\n", 9, "AnalyseString"},
        {"duplicate table", TableBlock("0|1", "a|b\r\n") + TableBlock("0|0", ""), 5, "LoadNewTable"},
        {"duplicate column", "[T]\r\n" + S("0|0\r\n\r\nA 0|A 0\r\n[END T]\r\n"), 6, "LoadNewHeadF"},
        {"help link without vyht", "[T]\r\n" + S("0|0\r\n\r\nA 8 K\r\n[END T]\r\n"), 4, "LoadNewHeadF"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteBytes(dir.file("x.vdb"), kHead + c.body);
        auto m = NewManager();
        vedb::DataBase db;
        EXPECT_EQ(m->LoadDB(db, dir.file("x.vdb")), 0) << c.what;
        EXPECT_FALSE(db.Ready) << c.what;
        EXPECT_EQ(m->ErrNum(), c.error) << c.what;
        EXPECT_EQ(m->ErrFrom(), c.source) << c.what;
    }
}

// Blocks that can be read only in part keep what is there, the rest of the
// file is still read, and the load reports 0 so callers know.
TEST(Load, PartialBlocksKeepWhatIsThereAndReportZero) {
    struct Case {
        const char* what;
        std::string body;
        std::vector<std::vector<std::string>> records;  // of table T
        const char* source;
        bool tableAfter;  // the table U after T is read too
    };
    const std::string u = "[U]\r\n" + S("0|0\r\n\r\nZ 0\r\n[END U]\r\n");
    const Case cases[] = {
        {"file ends inside the records", TableBlock("0|3", "a|b\r\n", false), {{"a", "b"}}, "LoadTblFields", false},
        {"more record lines than declared",
         TableBlock("0|1", "a|b\r\nc|d\r\n") + u,
         {{"a", "b"}, {"c", "d"}},
         "LoadTblFields",
         true},
        {"records under a zero count", TableBlock("0|0", "a|b\r\n") + u, {{"a", "b"}}, "LoadTblFields", true},
        {"more parts than columns",
         TableBlock("0|2", "a|b|c\r\nd|e\r\n") + u,
         {{"a", "b"}, {"d", "e"}},
         "LoadTblFields",
         true},
        {"counts line without SEP", "[T]\r\n0\r\n\r\nA 0\r\n", {}, "LoadNewTable", false},
        {"help table cut short", "[VEHELPTABLE K]\r\n" + S("0|2\r\nx|1\r\n"), {}, "LoadNewHTable", false},
        {"help table longer than declared",
         "[VEHELPTABLE K]\r\n" + S("0|1\r\nx|1\r\ny|2\r\n[END K]\r\n") + u,
         {},
         "LoadNewHTable",
         true},
        {"fewer records than declared", TableBlock("0|3", "a|b\r\n") + u, {{"a", "b"}}, "LoadTblFields", true},
        {"fewer values than columns",
         TableBlock("0|2", "a\r\nc|d\r\n") + u,
         {{"a", ""}, {"c", "d"}},
         "LoadTblFields",
         true},
        // The block ends at its count; the line after the damaged end line
        // starts the next block.
        {"damaged end line",
         TableBlock("0|1", "a|b\r\n", false) + "[END X]\r\n" + u,
         {{"a", "b"}},
         "LoadTblFields",
         true},
        {"count that is no number",
         TableBlock("0|2x", "a|b\r\nc|d\r\n") + u,
         {{"a", "b"}, {"c", "d"}},
         "LoadNewTable",
         true},
        {"caption column that does not read back",
         "[T]\r\n" + S("0|1\r\n\r\nA 0|B 2x\r\na|b\r\n[END T]\r\n") + u,
         {{"a", "b"}},
         "LoadNewHeadF",
         true},
        {"help table shorter than declared",
         "[VEHELPTABLE K]\r\n" + S("0|5\r\nx|1\r\n[END K]\r\n") + u,
         {},
         "LoadNewHTable",
         true},
        {"damaged help table end line",
         "[VEHELPTABLE K]\r\n" + S("0|1\r\nx|1\r\n[END Q]\r\n") + u,
         {},
         "LoadNewHTable",
         true},
        {"help entry whose code is no number",
         "[VEHELPTABLE K]\r\n" + S("0|1\r\nx|one\r\n[END K]\r\n") + u,
         {},
         "LoadNewHTable",
         true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteBytes(dir.file("x.vdb"), kHead + c.body);
        auto m = NewManager();
        vedb::DataBase db;
        EXPECT_EQ(m->LoadDB(db, dir.file("x.vdb")), 0) << c.what;
        EXPECT_FALSE(db.Ready) << c.what;
        EXPECT_TRUE(HistoryHas(*m, "ErrSource: " + std::string(c.source))) << c.what;
        const int t = m->FindTable(db, "T");
        if (!c.records.empty()) {
            ASSERT_GT(t, 0) << c.what;
            const vedb::Table& tbl = db.Tables[t - 1];
            EXPECT_EQ(tbl.RecNum, static_cast<int>(c.records.size())) << c.what;
            ASSERT_EQ(tbl.Records.size(), c.records.size()) << c.what;
            for (std::size_t r = 0; r < c.records.size(); ++r) EXPECT_EQ(tbl.Records[r].fields, c.records[r]) << c.what;
        }
        EXPECT_EQ(m->FindTable(db, "U") > 0, c.tableAfter) << c.what;
    }
}

// Counts from the file size nothing: a table or help table that claims
// two billion lines reads the few it has.
TEST(Load, HugeCountsAllocateNothing) {
    TempDir dir;
    WriteBytes(dir.file("x.vdb"), kHead + "[VEHELPTABLE K]\r\n" + S("0|2147483647\r\nx|1\r\n[END K]\r\n") +
                                      TableBlock("0|2147483647", "a|b\r\n") + TableBlock("0|1e300", "c|d\r\n"));
    auto m = NewManager();
    vedb::DataBase db;
    // The second table's name repeats: the load stops there with error 5.
    EXPECT_EQ(m->LoadDB(db, dir.file("x.vdb")), 0);
    EXPECT_EQ(m->ErrNum(), 5);
    ASSERT_EQ(db.HTabNum, 1);
    EXPECT_EQ(db.HTables[0].RecNum, 1);
    ASSERT_EQ(db.tabnum, 1);
    EXPECT_EQ(db.Tables[0].RecNum, 1);
    EXPECT_EQ(db.Tables[0].Records.size(), 1u);

    // A count beyond every integer type still reads, and is reported as the
    // number the file gave.
    WriteBytes(dir.file("y.vdb"), kHead + TableBlock("0|25555555555555555555555555555555", "a|b\r\n", false));
    EXPECT_EQ(m->LoadDB(db, dir.file("y.vdb")), 0);
    EXPECT_EQ(m->ErrFrom(), "LoadTblFields");
    EXPECT_NE(m->ErrExtra().find("VarNum:  2.55555555555556E+31."), std::string::npos) << m->ErrExtra();
    EXPECT_EQ(db.Tables[0].RecNum, 1);
}

TEST(Load, HelpTablesReadBackEntriesAndTheirCount) {
    TempDir dir;
    WriteBytes(dir.file("x.vdb"), kHead + "[VEHELPTABLE K]\r\n" + S("7|2\r\n  x|1  \r\ny|2\r\n[END K]\r\n") +
                                      "[VEHELPTABLE E]\r\n" + S("0|0\r\n[END E]\r\n"));
    auto m = NewManager();
    vedb::DataBase db;
    EXPECT_EQ(m->LoadDB(db, dir.file("x.vdb")), 1);
    ASSERT_EQ(db.HTabNum, 2);
    EXPECT_EQ(db.HTables[0].flags, 7);
    EXPECT_EQ(db.HTables[0].RecNum, 2);
    EXPECT_EQ(db.HTables[0].hfields, (std::vector<vedb::HelpField>{{1, "x"}, {2, "y"}}));
    EXPECT_EQ(db.HTables[1].Name, "E");
    EXPECT_EQ(db.HTables[1].RecNum, 0);
    EXPECT_TRUE(db.HTables[1].hfields.empty());
}

TEST(Load, HeaderFindingsAreRecordedButTheLoadGoesOn) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db;
    // The writer always writes the flags: a header without them is damage.
    WriteBytes(dir.file("a.vdb"), "dzorvaLiL\r\nName\r\n" + TableBlock("0|0", ""));
    EXPECT_EQ(m->LoadDB(db, dir.file("a.vdb")), 0);
    EXPECT_EQ(db.tabnum, 1);
    EXPECT_EQ(m->ErrNum(), 2);
    EXPECT_EQ(m->ErrFrom(), "AnalyseDHeader");
    EXPECT_EQ(m->ErrExtra(), "Header: Name. LastVbErrorNum: 0, LastVbErrorDesc: ");
    // An empty version is recorded, and the tag after it is still read.
    WriteBytes(dir.file("b.vdb"), "dzorvaLiL\r\n" + S("Name|0||tag\r\n"));
    EXPECT_EQ(m->LoadDB(db, dir.file("b.vdb")), 1);
    EXPECT_EQ(m->ErrNum(), 2);
    EXPECT_EQ(db.tag, "tag");
    WriteBytes(dir.file("c.vdb"), "dzorvaLiL\r\n" + S("|0|1\r\n"));
    EXPECT_EQ(m->LoadDB(db, dir.file("c.vdb")), 1);
    EXPECT_EQ(m->ErrNum(), 1);

    // A database saved with an empty name or version loads back whole.
    for (const std::string pasw : {"", "pw"}) {
        vedb::DataBase saved = SampleDb();
        saved.Name.clear();
        saved.Version.clear();
        ASSERT_EQ(m->SaveDB(saved, dir.file("d.vdb"), pasw), 2);
        vedb::DataBase back;
        EXPECT_EQ(m->LoadDB(back, dir.file("d.vdb"), pasw), 1) << pasw;
        EXPECT_EQ(back.flags, saved.flags) << pasw;
        EXPECT_EQ(back.tag, "t") << pasw;
        EXPECT_EQ(back.HTables, saved.HTables) << pasw;
        ASSERT_EQ(back.tabnum, 1) << pasw;
        EXPECT_EQ(back.Tables[0].RecNum, 2) << pasw;
    }
}

// Header lines no writer writes: the rest of the file is still read, and
// the load reports 0.
TEST(Load, DamagedHeadersMakeAPartialLoad) {
    const std::string body = TableBlock("0|1", "a|b\r\n");
    const std::string cases[] = {
        "N|x|1.1a|t",    // flags that are no number
        "N|01|1.1a|t",   // nor written so
        "N|1|1.1a|t",    // the enciphered bit in a plain file
        "N|0|1.1a|t|u",  // five parts
        "N|0",           // no version
    };
    for (const std::string& header : cases) {
        TempDir dir;
        WriteBytes(dir.file("x.vdb"), "dzorvaLiL\r\n" + S(header) + "\r\n" + body);
        auto m = NewManager();
        vedb::DataBase db;
        EXPECT_EQ(m->LoadDB(db, dir.file("x.vdb")), 0) << header;
        EXPECT_EQ(m->ErrFrom(), "AnalyseDHeader") << header;
        ASSERT_EQ(db.tabnum, 1) << header;
        EXPECT_EQ(db.Tables[0].Records[0].fields, (std::vector<std::string>{"a", "b"})) << header;
    }
}

// An older writer followed a negative column flag with its minus sign and no
// blank; such a column still reads whole, and is written back with the blank.
TEST(Load, OlderNegativeColumnFlagsReadWhole) {
    TempDir dir;
    WriteBytes(dir.file("x.vdb"), kHead + "[VEHELPTABLE K]\r\n" + S("0|0\r\n[END K]\r\n[T]\r\n0|1\r\n\r\n") +
                                      S("A-5 vyht:K|C-9|B 2\r\na|c|b\r\n[END T]\r\n"));
    auto m = NewManager();
    vedb::DataBase db;
    ASSERT_EQ(m->LoadDB(db, dir.file("x.vdb")), 1);
    const std::vector<vedb::HeadField> columns = {{"A", -5, "K"}, {"C", -9, ""}, {"B", 2, ""}};
    EXPECT_EQ(db.Tables[0].Caption.fields, columns);
    ASSERT_EQ(m->SaveDB(db, dir.file("y.vdb")), 2);
    EXPECT_NE(ReadBytes(dir.file("y.vdb")).find(S("A -5 vyht:K|C -9|B 2\r\n")), std::string::npos);
}

TEST(Load, EndLinesMatchInAnyCaseOnlyInPlainFiles) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db;
    WriteBytes(dir.file("p.vdb"), kHead + TableBlock("0|1", "a|b\r\n", false) + "[end t]\r\n");
    EXPECT_EQ(m->LoadDB(db, dir.file("p.vdb")), 1);
    EXPECT_EQ(db.Tables[0].RecNum, 1);
}

TEST(Load, OneManagerReadsPlainAndEncryptedFilesInTurn) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db = SampleDb();
    ASSERT_EQ(m->SaveDB(db, dir.file("e.vdb"), "pw"), 2);
    ASSERT_EQ(m->SaveDB(db, dir.file("p.vdb")), 2);
    for (const char* name : {"e.vdb", "p.vdb", "e.vdb"}) {
        vedb::DataBase back;
        ASSERT_EQ(m->LoadDB(back, dir.file(name), "pw"), 1) << name;
        EXPECT_EQ(back.Tables[0].Records[0], db.Tables[0].Records[0]) << name;
    }
    // A reused record is emptied first, but keeps its tag.
    vedb::DataBase reused = SampleDb();
    reused.tag = "mine";
    ASSERT_EQ(m->LoadDB(reused, dir.file("p.vdb")), 1);
    EXPECT_EQ(reused.tabnum, 1);
}

TEST(Load, TwoManagersKeepTheirOwnKeys) {
    TempDir dir;
    auto a = NewManager();
    auto b = NewManager();
    vedb::DataBase db = SampleDb();
    ASSERT_EQ(a->SaveDB(db, dir.file("a.vdb"), "one"), 2);
    ASSERT_EQ(b->SaveDB(db, dir.file("b.vdb"), "two"), 2);
    EXPECT_EQ(a->EncryptText("x"), b->EncryptText("x", "one"));
    vedb::DataBase back;
    EXPECT_EQ(a->LoadDB(back, dir.file("b.vdb"), "two"), 1);
}

TEST(LoadPart, ReadsTheWantedTablesOfAPlainFile) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db = SampleDb();
    vedb::Table second = MakeTable("Second", {{"Q", 0}});
    AddRow(second, {"q1"});
    db.Tables.push_back(second);
    db.Tables.push_back(MakeTable("Third", {{"R", 0}}));
    db.tabnum = 3;
    ASSERT_EQ(m->SaveDB(db, dir.file("p.vdb")), 2);

    vedb::DataBase part;
    EXPECT_EQ(m->LoadPartDB(part, dir.file("p.vdb"), {"Second"}), 1);
    EXPECT_TRUE(part.Ready);
    EXPECT_EQ(part.Name, "Demo");
    ASSERT_EQ(part.tabnum, 1);
    EXPECT_EQ(part.Tables[0], second);
    EXPECT_EQ(part.HTables, db.HTables);

    vedb::DataBase none;
    EXPECT_EQ(m->LoadPartDB(none, dir.file("p.vdb"), {}), 1);
    EXPECT_EQ(none.tabnum, 0);

    // The new-user template's end line ("[End DataTable]") is skipped too.
    WriteBytes(dir.file("t.vdb"),
               kHead + "[DataTable]\r\n" + S("0|0\r\n0\r\nA 0\r\n") + "[End DataTable]\r\n" + TableBlock("0|0", ""));
    vedb::DataBase t;
    EXPECT_EQ(m->LoadPartDB(t, dir.file("t.vdb"), {"T"}), 1);
    EXPECT_EQ(t.tabnum, 1);
}

TEST(LoadPart, MissingEncryptedAndTruncatedFiles) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db = SampleDb();
    vedb::DataBase part;
    EXPECT_EQ(m->LoadPartDB(part, dir.file("none.vdb"), {"Main"}), -4);
    ASSERT_EQ(m->SaveDB(db, dir.file("e.vdb"), "pw"), 2);
    EXPECT_EQ(m->LoadPartDB(part, dir.file("e.vdb"), {"Main"}), 0);
    EXPECT_EQ(m->ErrNum(), 9);
    EXPECT_FALSE(part.Ready);
    WriteBytes(dir.file("t.vdb"), kHead + TableBlock("0|5", "a|b\r\n", false));
    EXPECT_EQ(m->LoadPartDB(part, dir.file("t.vdb"), {"Other"}), 0);
    EXPECT_FALSE(part.Ready);
    // A file that ends before its header is a failed load, not an error
    // thrown at the caller.
    WriteBytes(dir.file("m.vdb"), "dzorvaLiL\r\n");
    EXPECT_EQ(m->LoadPartDB(part, dir.file("m.vdb"), {"T"}), -1);
    EXPECT_EQ(m->ErrFrom(), "LoadPartDB");
    EXPECT_EQ(m->ErrExtra().rfind("LoadPath:" + dir.file("m.vdb") + ". LastVbErrorNum: 62", 0), 0u) << m->ErrExtra();
    EXPECT_FALSE(part.Ready);
}

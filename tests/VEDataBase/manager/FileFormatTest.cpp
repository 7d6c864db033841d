// The stored bytes of the database text file, and what the writer refuses.
#include <gtest/gtest.h>

#include "ManagerTestSupport.h"
#include "clsRC4.h"
#include "platform/FileIO.h"

using namespace vedbtest;
using qpmtest::ReadBytes;
using qpmtest::TempDir;
using qpmtest::WriteBytes;

namespace {

std::string PlainSample() {
    return "dzorvaLiL\r\n" + S("Demo|0|1.1a|t\r\n") + "[VEHELPTABLE Kinds]\r\n" + S("0|2\r\nalpha|1\r\nbeta|2\r\n") +
           "[END Kinds]\r\n[Main]\r\n" + S("3|2\r\ntg\r\nId 0|Note 2|Kind 8 vyht:Kinds\r\n") + S("1|a") + kSepEscape +
           "bzbTo0czbTo1lczbTo2nd" + S("|1\r\n") + "x" + kSepEscape + "yzbTo0czbTo1l" + S("||2\r\n") + "[END Main]\r\n";
}

// The same database saved under the password "k1305": each line after the
// check line is RC4 under that key (a fresh key stream per line), then CR, LF
// and NUL of the cipher text become their tokens. The entry line "alpha|1"
// enciphers to a text that starts with a blank, which must survive.
const char* kEncryptedSampleHex =
    "647a6f7276614c694c2e454e430d0a41333442344330313046373839354232314339463036423246453838323341380d0a05"
    "fc7a62546f3063527a62546f3063e46451756a7230a20d0a1acf2575cf99b3341a195ff2f60b7ba8a462820d0a711e520d0a"
    "20f51055eb52d20d0a23fc145c7a62546f3063e70d0a1adc2e79aa9e8a0e3f284e0d0a1ad40154e4880d0a721e520d0a35fe"
    "0d0a08fd407a62546f30637a62546f30639b8c143e7b21309d297ca2e029ff9c78106241590e59e94b0d0a701e0157eea6ef"
    "57443969d5822f22a5ba738b8530147501703358bf56c4432e0d0a39f3044e86e2fc19213947d8e62368a4947eee8686ff24"
    "0d0a1adc2e79aa98820935060d0a";

// What a load gives back for SampleDb: CR, LF and NUL survive only in the
// column with bit value 2; elsewhere their tokens stay.
vedb::DataBase SampleAsLoaded(const std::string& path, std::int16_t flags) {
    vedb::DataBase db = SampleDb();
    db.Path = path;
    db.Ready = true;
    db.flags = flags;
    db.Tables[0].Records[1].fields.Set(0, "x\x87yzbTo0czbTo1l");
    return db;
}

}  // namespace

TEST(FileFormat, PlainSaveWritesTheExpectedBytesAndLoadsBack) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db = SampleDb();
    db.flags = 1;  // cleared by a save without password
    ASSERT_EQ(m->SaveDB(db, dir.file("p.vdb")), 2);
    EXPECT_EQ(db.flags, 0);
    EXPECT_EQ(ReadBytes(dir.file("p.vdb")), PlainSample());

    vedb::DataBase back;
    ASSERT_EQ(m->LoadDB(back, dir.file("p.vdb")), 1);
    EXPECT_EQ(back, SampleAsLoaded(dir.file("p.vdb"), 0));
    EXPECT_EQ(m->ErrHistLen(), 0);
}

TEST(FileFormat, EncryptedSaveWritesTheExpectedBytesAndLoadsBack) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db = SampleDb();
    ASSERT_EQ(m->SaveDB(db, dir.file("e.vdb"), "k1305"), 2);
    EXPECT_EQ(db.flags, 1);
    EXPECT_EQ(ReadBytes(dir.file("e.vdb")), FromHex(kEncryptedSampleHex));

    // A different manager reads it with only the password.
    auto other = NewManager();
    vedb::DataBase back;
    ASSERT_EQ(other->LoadDB(back, dir.file("e.vdb"), "k1305"), 1);
    EXPECT_EQ(back, SampleAsLoaded(dir.file("e.vdb"), 1));
}

TEST(FileFormat, NewUserTemplateLoadsAndTakesRecords) {
    TempDir dir;
    const std::string path = dir.file("new.vdb");
    WriteBytes(path, "dzorvaLiL\r\n" + S("UserDataBase|0|1.1a\r\n[DataTable]\r\n0|0\r\n0\r\n") +
                         S("IndNum 69|Parent 5|Type 5|Title 66|Login 2|Password 2|Description 2|Image 5|Flags 5\r\n") +
                         "[End DataTable]\r\n");
    auto m = NewManager();
    vedb::DataBase db;
    db.tag = "kept";
    ASSERT_EQ(m->LoadDB(db, path), 1);
    EXPECT_TRUE(db.Ready);
    EXPECT_EQ(db.Name, "UserDataBase");
    EXPECT_EQ(db.Version, "1.1a");
    EXPECT_EQ(db.tag, "kept");  // a three-part header leaves the tag alone
    ASSERT_EQ(db.tabnum, 1);
    vedb::Table& t = db.Tables[0];
    EXPECT_EQ(t.Name, "DataTable");
    EXPECT_EQ(t.tag, "0");
    EXPECT_EQ(t.RecNum, 0);
    EXPECT_TRUE(t.Records.empty());
    const std::vector<std::pair<std::string, int>> columns = {{"IndNum", 69},     {"Parent", 5}, {"Type", 5},
                                                              {"Title", 66},      {"Login", 2},  {"Password", 2},
                                                              {"Description", 2}, {"Image", 5},  {"Flags", 5}};
    ASSERT_EQ(t.Caption.Num, 9);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        EXPECT_EQ(t.Caption.fields[c].Name, columns[c].first);
        EXPECT_EQ(t.Caption.fields[c].flags, columns[c].second);
    }

    EXPECT_EQ(m->AddRecord(t), 0);
    EXPECT_EQ(m->SetFieldValInTbl(t, 1, "Password", "s3cr\r\net"), 0);
    vedb::Record full{{"2", "0", "2", "Mail", "me", "pw", "", "1key", "0|0"}};
    EXPECT_EQ(m->AddFullRecord(t, full), std::nullopt);
    ASSERT_EQ(t.RecNum, 2);
    ASSERT_EQ(m->SaveDB(db, path, "key"), 2);
    vedb::DataBase back;
    ASSERT_EQ(m->LoadDB(back, path, "key"), 1);
    EXPECT_EQ(back.Tables, db.Tables);
    EXPECT_EQ(back.Tables[0].Records[0].fields[5], "s3cr\r\net");
}

TEST(FileFormat, HeaderAndHelpTextsWithSeparatorsAndLineBreaksRoundTrip) {
    TempDir dir;
    for (const std::string pasw : {"", "pw"}) {
        auto m = NewManager();
        vedb::DataBase db = SampleDb();
        db.Name = S("a|b");
        db.Version = "v\r\n1";
        db.tag = std::string("t|\0", 3);
        db.HTables[0].hfields[0].str = S("x|y\r\nz");
        db.Tables[0].tag = S("tag|with\r\nbreak");
        ASSERT_EQ(m->SaveDB(db, dir.file("h.vdb"), pasw), 2) << pasw;
        vedb::DataBase back;
        ASSERT_EQ(m->LoadDB(back, dir.file("h.vdb"), pasw), 1) << pasw;
        EXPECT_EQ(back.Name, db.Name);
        EXPECT_EQ(back.Version, db.Version);
        EXPECT_EQ(back.tag, db.tag);
        EXPECT_EQ(back.HTables, db.HTables);
        EXPECT_EQ(back.Tables[0].tag, db.Tables[0].tag);
    }
}

TEST(FileFormat, NegativeCaptionFlagsKeepTheirBlank) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db;
    db.Name = "N";
    db.Version = "1";
    vedb::Table t = MakeTable("T", {{"X", -16}, {"Y", 0}});
    db.Tables = {t};
    db.tabnum = 1;
    ASSERT_EQ(m->SaveDB(db, dir.file("n.vdb")), 2);
    EXPECT_NE(ReadBytes(dir.file("n.vdb")).find(S("X -16|Y 0\r\n")), std::string::npos);
    vedb::DataBase back;
    ASSERT_EQ(m->LoadDB(back, dir.file("n.vdb")), 1);
    EXPECT_EQ(back.Tables[0].Caption, t.Caption);
}

TEST(FileFormat, CompressedSaveStartsWithTheMarkerAndLoadsBack) {
    TempDir dir;
    const std::string path = dir.file("c.vdb");
    auto m = NewManager();
    vedb::DataBase db = SampleDb();
    ASSERT_EQ(m->SaveDB(db, path, "pw", true), 2);
    EXPECT_EQ(ReadBytes(path).rfind("hd+kvZo23 o8 j@a", 0), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no staging file left";
    vedb::DataBase back;
    ASSERT_EQ(m->LoadDB(back, path, "pw"), 1);
    EXPECT_EQ(back.Tables, SampleAsLoaded(path, 1).Tables);
    // The load expanded the file in place.
    EXPECT_EQ(ReadBytes(path).rfind("dzorvaLiL.ENC\r\n", 0), 0u);
}

// Names no line can carry are refused before anything is written.
TEST(FileFormat, UnstorableNamesAreRefusedAndNothingIsWritten) {
    struct Case {
        const char* what;
        void (*spoil)(vedb::DataBase&);
        int error;
    };
    const Case cases[] = {
        {"table name with SEP", [](vedb::DataBase& d) { d.Tables[0].Name = S("a|b"); }, 3},
        {"table name with CR LF", [](vedb::DataBase& d) { d.Tables[0].Name = "a\r\nb"; }, 3},
        {"empty table name", [](vedb::DataBase& d) { d.Tables[0].Name = ""; }, 3},
        {"table posing as help table", [](vedb::DataBase& d) { d.Tables[0].Name = "VEHELPTABLE x"; }, 3},
        {"column name with blank", [](vedb::DataBase& d) { d.Tables[0].Caption.fields[0].Name = "a b"; }, 4},
        {"column name with NUL", [](vedb::DataBase& d) { d.Tables[0].Caption.fields[0].Name = std::string("a\0b", 3); },
         4},
        {"empty column name", [](vedb::DataBase& d) { d.Tables[0].Caption.fields[1].Name = ""; }, 4},
        {"help link with blank", [](vedb::DataBase& d) { d.Tables[0].Caption.fields[2].HelpTable = "K s"; }, 4},
        {"help table name with LF", [](vedb::DataBase& d) { d.HTables[0].Name = "K\n"; }, 3},
        {"duplicate column", [](vedb::DataBase& d) { d.Tables[0].Caption.fields[1].Name = "Id"; }, 6},
        {"duplicate table",
         [](vedb::DataBase& d) {
             d.Tables.push_back(d.Tables[0]);
             d.tabnum = 2;
         },
         5},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("x.vdb");
        WriteBytes(path, "old");
        auto m = NewManager();
        vedb::DataBase db = SampleDb();
        c.spoil(db);
        EXPECT_EQ(m->SaveDB(db, path, "pw"), -1) << c.what;
        EXPECT_EQ(m->ErrNum(), c.error) << c.what;
        EXPECT_EQ(m->ErrFrom(), "SaveDB") << c.what;
        EXPECT_EQ(ReadBytes(path), "old") << c.what;
        EXPECT_EQ(db.flags, 0) << c.what << ": a refused save changes nothing";
    }
}

// A failed save keeps the old file byte for byte, whatever failed.
TEST(FileFormat, FailedSaveLeavesTheOldFileIntact) {
    struct Case {
        const char* what;
        void (*spoil)(vedb::DataBase&);
    };
    const Case cases[] = {
        {"a table without columns",
         [](vedb::DataBase& d) { d.Tables.push_back(MakeTable("Empty", {})), d.tabnum = 2; }},
        {"a short record", [](vedb::DataBase& d) { d.Tables[0].Records[1].fields.pop_back(); }},
        {"a record count above the records", [](vedb::DataBase& d) { d.Tables[0].RecNum = 5; }},
        {"a help count above the entries", [](vedb::DataBase& d) { d.HTables[0].RecNum = 3; }},
        {"a table count above the tables", [](vedb::DataBase& d) { d.tabnum = 2; }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("x.vdb");
        WriteBytes(path, "old file");
        auto m = NewManager();
        vedb::DataBase db = SampleDb();
        c.spoil(db);
        EXPECT_EQ(m->SaveDB(db, path), -1) << c.what;
        EXPECT_EQ(ReadBytes(path), "old file") << c.what;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << c.what;
    }
}

TEST(FileFormat, BrokenTableBlockIsRecordedWithoutItsText) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db = SampleDb();
    db.Tables[0].Records[1].fields = {"secret-password"};
    EXPECT_EQ(m->SaveDB(db, dir.file("x.vdb")), -1);
    EXPECT_EQ(m->ErrFrom(), "SaveTbl");
    EXPECT_EQ(m->ErrExtra().rfind("Buffer: record 2.", 0), 0u) << m->ErrExtra();
    EXPECT_EQ(m->ErrHistory(1).find("secret"), std::string::npos);
    EXPECT_FALSE(plat::FileExists(dir.file("x.vdb")));
}

TEST(FileFormat, WriteFaultsNeverReplaceTheOldFile) {
    for (bool compress : {false, true}) {
        for (plat::WriteFaults faults : {plat::WriteFaults{10, false}, plat::WriteFaults{-1, true}}) {
            TempDir dir;
            const std::string path = dir.file("x.vdb");
            WriteBytes(path, "old file");
            auto m = NewManager();
            vedb::DataBase db = SampleDb();
            {
                plat::ScopedWriteFaults seam(faults);
                EXPECT_EQ(m->SaveDB(db, path, "pw", compress), -1);
            }
            EXPECT_EQ(m->ErrFrom(), "SaveDB");
            EXPECT_EQ(ReadBytes(path), "old file");
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
        }
    }
}

TEST(FileFormat, SingleColumnRecordThatReadsAsTheEndLineIsRefused) {
    TempDir dir;
    auto m = NewManager();
    vedb::DataBase db;
    db.Name = "N";
    db.Version = "1";
    vedb::Table t = MakeTable("T", {{"V", 0}});
    AddRow(t, {"[end t]"});
    db.Tables = {t};
    db.tabnum = 1;
    EXPECT_EQ(m->SaveDB(db, dir.file("x.vdb")), -1);
    EXPECT_FALSE(plat::FileExists(dir.file("x.vdb")));
}

// An enciphered help-table entry may begin or end with a blank: the cipher
// text is stored and read back whole, never trimmed.
TEST(FileFormat, EncipheredHelpEntriesKeepBlanksAtTheirEnds) {
    auto* rc4 = new vedb::clsRC4();
    const std::string entry = S("alpha|1");
    // Keys under which the entry's cipher text starts, or ends, with a blank.
    std::string leading, trailing;
    for (int k = 0; k < 100000 && (leading.empty() || trailing.empty()); ++k) {
        const std::string key = "k" + std::to_string(k);
        const std::string cipher = rc4->EncryptString(entry, key);
        if (leading.empty() && cipher.front() == ' ') leading = key;
        if (trailing.empty() && cipher.back() == ' ') trailing = key;
    }
    ASSERT_FALSE(leading.empty() || trailing.empty());
    for (const std::string& key : {leading, trailing}) {
        TempDir dir;
        auto m = NewManager();
        vedb::DataBase db = SampleDb();
        ASSERT_EQ(m->SaveDB(db, dir.file("e.vdb"), key), 2);
        std::string line;
        m->ProcessStringIn(rc4->EncryptString(entry, key), line);
        EXPECT_NE(ReadBytes(dir.file("e.vdb")).find("\r\n" + line + "\r\n"), std::string::npos) << key;
        vedb::DataBase back;
        ASSERT_EQ(m->LoadDB(back, dir.file("e.vdb"), key), 1) << key;
        EXPECT_EQ(back.HTables, db.HTables) << key;
    }
    rc4->Release();
}

// A cipher text that happens to hold an escape token would be read back as
// an escaped byte, shifting and garbling the rest of its line: such a save
// is refused and the old file kept.
TEST(FileFormat, LineWhoseCipherTextHoldsATokenIsRefused) {
    auto* rc4 = new vedb::clsRC4();
    // A key and a value whose cipher text is "zbTo0c", and whose bytes the
    // value escapes leave alone.
    std::string key, value;
    for (int k = 0; value.empty(); ++k) {
        key = "k" + std::to_string(k);
        const std::string stream = rc4->EncryptString(std::string(6, '\0'), key);
        std::string v = "zbTo0c";
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<char>(v[i] ^ stream[i]);
        if (v.find_first_of(std::string_view("\r\n\0\x87", 4)) == std::string::npos) value = v;
    }
    rc4->Release();

    TempDir dir;
    const std::string path = dir.file("x.vdb");
    WriteBytes(path, "old file");
    auto m = NewManager();
    vedb::DataBase db;
    db.Name = "N";
    db.Version = "1";
    vedb::Table t = MakeTable("T", {{"V", 0}});
    AddRow(t, {value});
    db.Tables = {t};
    db.tabnum = 1;
    EXPECT_EQ(m->SaveDB(db, path, key), -1);
    EXPECT_EQ(m->ErrFrom(), "SaveTbl");
    EXPECT_EQ(ReadBytes(path), "old file");
    // Plain, the same value is stored as it is.
    ASSERT_EQ(m->SaveDB(db, path), 2);
    vedb::DataBase back;
    ASSERT_EQ(m->LoadDB(back, path), 1);
    EXPECT_EQ(back.Tables[0].Records, db.Tables[0].Records);
}

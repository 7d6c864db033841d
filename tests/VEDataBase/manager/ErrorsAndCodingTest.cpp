// The error history, and the line coding and cipher wrappers.
#include <gtest/gtest.h>

#include "ManagerTestSupport.h"
#include "clsRC4.h"
#include "platform/VbError.h"

using namespace vedbtest;
using qpmtest::TempDir;
using qpmtest::WriteBytes;

TEST(Errors, HistoryRecordsEachErrorInOrder) {
    auto m = NewManager();
    EXPECT_EQ(m->ErrHistLen(), 0);
    EXPECT_EQ(m->ErrNum(), 0);
    EXPECT_EQ(m->ErrDesc(), "");
    TempDir dir;
    WriteBytes(dir.file("x.vdb"), "dzorvaLiL\r\nName\r\nnot a block\r\n");
    vedb::DataBase db;
    EXPECT_EQ(m->LoadDB(db, dir.file("x.vdb")), 0);
    ASSERT_EQ(m->ErrHistLen(), 2);
    const std::string prefix =
        "ErrNumber:  2, ErrDescription: Database hasn't flags description., ErrSource: AnalyseDHeader, "
        "ErrExtra: Header: Name. LastVbErrorNum: 0, LastVbErrorDesc: , Time: ";
    const std::string first = m->ErrHistory(1);
    ASSERT_EQ(first.rfind(prefix, 0), 0u) << first;
    // "YYYY-MM-DD HH:MM:SS (seconds since midnight)"
    const std::string time = first.substr(prefix.size());
    ASSERT_GE(time.size(), 23u) << time;
    EXPECT_EQ(time.substr(4, 1) + time.substr(7, 1) + time.substr(10, 1) + time.substr(13, 1) + time.substr(16, 1),
              "-- ::")
        << time;
    EXPECT_EQ(time.substr(19, 2), " (") << time;
    EXPECT_EQ(time.back(), ')') << time;
    EXPECT_EQ(time.find_first_not_of("0123456789.", 21), time.size() - 1) << time;
    EXPECT_EQ(m->ErrHistory(2).rfind("ErrNumber:  9, ErrDescription: Unrecognized string in DB file., "
                                     "ErrSource: AnalyseString, ErrExtra: Part of String: line 3. ",
                                     0),
              0u)
        << m->ErrHistory(2);
    EXPECT_EQ(m->ErrHistory(3), "");
    EXPECT_THROW(m->ErrHistory(0), vb::VbError);

    EXPECT_EQ(m->ClearErrors(), 0);
    EXPECT_EQ(m->ErrHistLen(), 0);
    EXPECT_EQ(m->ErrHistory(1), "");
    EXPECT_EQ(m->ErrNum(), 9);  // the last error stays
    EXPECT_EQ(m->ErrDesc(), "Unrecognized string in DB file.");
}

TEST(Errors, ExtraTextsOfRecordedErrors) {
    // The extras name tables, columns and positions, never a value.
    auto m = NewManager();
    vedb::DataBase db;
    std::string buf;
    EXPECT_EQ(m->TablesToString(db, S("Nope|"), buf, {}), -2);
    EXPECT_EQ(m->ErrDesc(), "Not find table for conversion to string.");
    EXPECT_EQ(m->ErrExtra(), "Table Nope in DB . LastVbErrorNum: 0, LastVbErrorDesc: ");
    vedb::Table t = MakeTable("T", {{"A", 0}});
    EXPECT_EQ(m->SetFieldValInTbl(t, 1, "A", "v"), -1);
    EXPECT_EQ(m->ErrDesc(), "Unknown error.");
    EXPECT_EQ(m->ErrFrom(), "SetFieldValInTbl");
    EXPECT_EQ(m->ErrExtra(),
              "TblName: T, FName: A, RecNum: 1. LastVbErrorNum: 9, LastVbErrorDesc: Subscript out of range");
}

TEST(LineCoding, EscapesAndTheirReverse) {
    auto m = NewManager();
    std::string buf;
    const std::string raw = std::string("a\r\nb") + '\0' + "c\r";
    EXPECT_EQ(m->ProcessStringIn(raw, buf), "azbTo0czbTo1lbzbTo2nczbTo0c");
    EXPECT_EQ(buf, "azbTo0czbTo1lbzbTo2nczbTo0c");
    EXPECT_EQ(m->ProcessStringOut(buf, buf), raw);
    EXPECT_EQ(m->ProcessStringOut("zbTozbTo1lzbTo", buf), "zbTo\nzbTo");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(m->ProcessStringOut(m->ProcessStringIn(one, buf), buf), one);
    }
}

TEST(LineCoding, CipherWrappersFollowTheCurrentKey) {
    auto m = NewManager();
    auto* fresh = new vedb::clsRC4();
    // A new manager enciphers under the cipher's default key.
    EXPECT_EQ(m->EncryptText("abc"), fresh->EncryptString("abc", "plumvase"));
    // A given key is kept for later calls.
    const std::string c = m->EncryptText("abc", "k1");
    EXPECT_EQ(m->EncryptText("abc"), c);
    EXPECT_EQ(m->DecryptText(c), "abc");
    EXPECT_EQ(m->EncryptText(""), "");
    // PaswKey sets the key; a save sets it too.
    m->PaswKey("k2");
    EXPECT_EQ(m->PaswKey(), "k2");
    EXPECT_EQ(m->EncryptText("abc"), fresh->EncryptString("abc", "k2"));
    TempDir dir;
    vedb::DataBase db = SampleDb();
    ASSERT_EQ(m->SaveDB(db, dir.file("x.vdb"), "k3"), 2);
    EXPECT_EQ(m->EncryptText("abc"), fresh->EncryptString("abc", "k3"));

    vedb::ByteArray bytes = {1, 2, 3};
    vedb::ByteArray empty;
    EXPECT_EQ(m->EncryptBytesText(bytes), "17");
    EXPECT_EQ(m->EncryptBytesText(empty), "0");
    EXPECT_EQ(m->DecryptBytesText(bytes), std::string("\1\2\3", 3));
    m->CryptPasw("stored");
    EXPECT_EQ(m->CryptPasw(), "stored");
    fresh->Release();
}

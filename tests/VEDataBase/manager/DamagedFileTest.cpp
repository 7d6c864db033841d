// Damaged files: one flipped bit anywhere in the head of a user's database
// text, and damaged block ends. A load that reports itself complete must hold
// everything the file holds; whatever the reader cannot take makes the load
// partial (0), so the caller keeps the original before anything is saved.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ManagerTestSupport.h"
#include "VEDataManagerFormat.h"

using namespace vedbtest;
using qpmtest::TempDir;
using qpmtest::WriteBytes;

namespace {

// A 64-character key, as the program derives one from a password.
const std::string kKey = "F06738D7778E140C5DD14D0929ECF588F13FAB06A740F667B3DBAA695713F9A8";

// A small user's database: the program's nine columns and three rows.
vedb::DataBase UserDb() {
    vedb::DataBase db;
    db.Name = "lena";
    db.Version = "1.1a";
    db.tag = "lena";
    vedb::Table t = MakeTable("DataTable", {{"IndNum", 69},
                                            {"Parent", 5},
                                            {"Type", 5},
                                            {"Title", 66},
                                            {"Login", 2},
                                            {"Password", 2},
                                            {"Description", 2},
                                            {"Image", 5},
                                            {"Flags", 5}});
    t.tag = "3";
    AddRow(t, {"1", "0", "1", "Mail", "", "", "", "2key", "0|0"});
    AddRow(t, {"2", "1", "2", "Work mail", "lena@example.org", "s3cret!", "first\r\nsecond", "1key", "0|0"});
    AddRow(t, {"3", "0", "2", "Bank", "lena", "pin 1234", "", "1key", "255|1"});
    db.Tables.push_back(t);
    db.tabnum = 1;
    return db;
}

// Where each line starts and how long it is (without its CR LF).
struct Line {
    std::size_t start;
    std::size_t length;
};
std::vector<Line> Lines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back({pos, end - pos});
        pos = end + 2;
    }
    return lines;
}

// Everything a user keeps: the tables' names and records. A value may come
// back with its line breaks as their tokens where the damage took the
// line-break flag off its column (the stored bytes are unchanged).
bool SameRecords(const vedb::DataBase& a, const vedb::DataBase& b) {
    if (a.Tables.size() != b.Tables.size()) return false;
    for (std::size_t t = 0; t < a.Tables.size(); ++t) {
        const vedb::Table& x = a.Tables[t];
        const vedb::Table& y = b.Tables[t];
        if (x.Name != y.Name || x.RecNum != y.RecNum || x.Records.size() != y.Records.size() ||
            x.Caption.Num != y.Caption.Num)
            return false;
        for (std::size_t r = 0; r < x.Records.size(); ++r) {
            const auto& got = x.Records[r].fields;
            const auto& want = y.Records[r].fields;
            if (got.size() != want.size()) return false;
            for (std::size_t c = 0; c < got.size(); ++c) {
                const bool lostFlag = (x.Caption.fields[c].flags & 2) == 0 && (y.Caption.fields[c].flags & 2) != 0;
                if (got[c] != want[c] && !(lostFlag && got[c] == vedb::fmt::EscapeControls(want[c]))) return false;
            }
        }
    }
    return true;
}

struct Tally {
    const char* line;
    int tried = 0;
    int completeEqual = 0;
    int completeOneTextDiffers = 0;
    int partial = 0;
    int refused = 0;
};

}  // namespace

// Every bit of every byte from the header line to the caption line's CR LF
// (header, table name, counts, tag and caption lines and all their line
// ends) of an enciphered user database.
TEST(DamagedFile, EveryBitFlipInTheHeadIsEitherHarmlessOrAPartialLoad) {
    TempDir dir;
    const std::string path = dir.file("lena.vdb");
    vedb::DataBase original = UserDb();
    {
        auto m = NewManager();
        ASSERT_EQ(m->SaveDB(original, path, kKey), 2);
    }
    const std::string bytes = qpmtest::ReadBytes(path);
    const std::vector<Line> lines = Lines(bytes);
    // Mark, check line, header, "[DataTable]", counts, tag, caption, records.
    ASSERT_EQ(lines.size(), 11u);

    vedb::DataBase expected = original;
    expected.Path = path;
    expected.Ready = true;
    expected.Tables[0].Records[1].fields.Set(6, "first\r\nsecond");

    // One tally per line, each with the line's CR LF.
    Tally tallies[] = {{"header"}, {"table name"}, {"counts"}, {"tag"}, {"caption"}};
    for (std::size_t l = 0; l < 5; ++l) {
        Tally& tally = tallies[l];
        const Line& line = lines[2 + l];
        for (std::size_t at = line.start; at < line.start + line.length + 2; ++at) {
            for (int bit = 0; bit < 8; ++bit) {
                std::string damaged = bytes;
                damaged[at] = static_cast<char>(damaged[at] ^ (1 << bit));
                WriteBytes(path, damaged);
                auto m = NewManager();
                vedb::DataBase db;
                const int r = m->LoadDB(db, path, kKey);
                ++tally.tried;
                const std::string where = "byte " + std::to_string(at) + " bit " + std::to_string(bit);
                if (r == 1) {
                    ASSERT_TRUE(db.Ready) << where;
                    if (db == expected) {
                        ++tally.completeEqual;
                        continue;
                    }
                    // No checksum guards the format: a bit that turns one
                    // letter or digit of a name or number into another still
                    // reads as a well-formed file. Every record must be there.
                    ASSERT_TRUE(SameRecords(db, expected)) << where;
                    ++tally.completeOneTextDiffers;
                } else if (r == 0) {
                    EXPECT_FALSE(db.Ready) << where;
                    EXPECT_GT(m->ErrHistLen(), 0) << where;
                    ++tally.partial;
                } else {
                    ++tally.refused;
                }
            }
        }
        std::printf(
            "%-10s bit flips %4d: complete and equal %3d, complete with one text changed %3d, partial %3d, "
            "refused %d\n",
            tally.line, tally.tried, tally.completeEqual, tally.completeOneTextDiffers, tally.partial, tally.refused);
    }
}

// The line end after the caption: a damaged CR or LF joins the caption and
// the first record into one line, which must never pass for a whole table.
TEST(DamagedFile, AJoinedCaptionAndFirstRecordIsAPartialLoad) {
    TempDir dir;
    const std::string path = dir.file("lena.vdb");
    for (const std::string& pasw : {std::string(), kKey}) {
        vedb::DataBase original = UserDb();
        auto m = NewManager();
        ASSERT_EQ(m->SaveDB(original, path, pasw), 2);
        const std::string bytes = qpmtest::ReadBytes(path);
        const std::vector<Line> lines = Lines(bytes);
        const Line& caption = lines[pasw.empty() ? 5 : 6];
        for (std::size_t at : {caption.start + caption.length, caption.start + caption.length + 1}) {
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
            WriteBytes(path, damaged);
            vedb::DataBase db;
            EXPECT_EQ(m->LoadDB(db, path, pasw), 0) << pasw.empty() << " " << at;
            EXPECT_FALSE(db.Ready);
        }
    }
}

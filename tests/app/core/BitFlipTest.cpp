// One flipped bit in a user's file, as the core loads it: the outer layer is
// a stream cipher, so a bit flipped there flips the same bit of the database
// text inside. Whatever the flip, the login either holds every record of the
// file, or knows it loaded only in part and has kept the file as a side copy
// before anything can be saved over it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "TreeTestSupport.h"
#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "VEDataBase/_clsRC4.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUserFiles.h"
#include "app/core/modMainUsers.h"
#include "platform/com/Creation.h"

namespace {

namespace fs = std::filesystem;

std::string Md5(const std::string& text) {
    return com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH)->DigestStrToHexStr(text);
}

std::string Rc4(std::string bytes, const std::string& key) {
    com::CreateObject<vedb::_clsRC4>(vedb::kProgIdClsRC4)->CipherInPlace(bytes.data(), bytes.size(), key);
    return bytes;
}

struct Line {
    std::size_t start;
    std::size_t length;  // without its CR LF
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

const std::vector<coretest::Row> kRows = {
    {"1", "0", "1", "Mail", "", "", "", "2key", "0|0"},
    {"2", "1", "2", "Work mail", "lena@example.org", "s3cret!", "first\r\nsecond", "1key", "0|0"},
    {"3", "0", "2", "Bank", "lena", "pin 1234", "", "1key", "255|1"},
};

class BitFlips : public coretest::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        folder = file("DataBases");
        fs::create_directory(folder);
        SetOptions(coretest::DefaultOptions());
        modMain::ProgConfig(5) = folder;
        modMain::ProgCfgPath = file("config.dat");
        modMain::MDFM = std::make_shared<clsDataFilesManager>();
        modMain::CurUsDB = std::make_shared<clsDatabase>();
        modMain::SetMainView(&view);

        // A user with three records, saved as the program saves it.
        path = folder + "/lena.vdb";
        ASSERT_EQ(modMain::AddUser(path, "lena", "password1"), modMain::kUserCreated);
        ASSERT_FALSE(modMain::FullUserLoad("lena", Md5("password1")).has_value());
        for (const coretest::Row& row : kRows) coretest::AddRow(*modMain::CurUsDB, row);
        key = modMain::GetTruePasw(Md5("password1")).str();
        ASSERT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), 2);
        saved = modMain::CurUsDB->DB();
        modMain::UnloadUser();
        bytes = qpmtest::ReadBytes(path);
        lines = Lines(Rc4(bytes, key));
        // Mark, check line, header, table name, counts, tag, caption, rows,
        // end line.
        ASSERT_EQ(lines.size(), 11u);
    }
    void TearDown() override {
        modMain::SetMainView(nullptr);
        modMain::PartialLoadFile.clear();
        modMain::PartialLoadCopy.clear();
        LibraryTest::TearDown();
    }

    // The side copies in the folder besides the user's file.
    std::vector<std::string> SideCopies() const {
        std::vector<std::string> copies;
        for (const std::string& name : coretest::FilesIn(folder)) {
            if (name != "lena.vdb") copies.push_back(folder + "/" + name);
        }
        return copies;
    }

    // Every row with every value. A value may come back with its line breaks
    // as their stored tokens where the flip took the line-break flag off its
    // column; the stored bytes are the same.
    bool HoldsEveryRecord(const clsDatabase& db) const {
        const vedb::DataBase loaded = db.DB();
        if (loaded.Tables.size() != 1 || loaded.Tables[0].Records.size() != kRows.size()) return false;
        const vedb::Table& t = loaded.Tables[0];
        for (std::size_t r = 0; r < kRows.size(); ++r) {
            const auto& got = t.Records[r].fields;
            const auto& want = saved.Tables[0].Records[r].fields;
            if (got.size() != want.size()) return false;
            for (std::size_t c = 0; c < got.size(); ++c) {
                std::string tokens(want[c]);
                for (std::size_t p; (p = tokens.find("\r\n")) != std::string::npos;)
                    tokens.replace(p, 2, "zbTo0czbTo1l");
                const bool lostFlag = (t.Caption.fields[c].flags & 2) == 0;
                if (got[c] != want[c] && !(lostFlag && got[c] == tokens)) return false;
            }
        }
        return true;
    }

    std::string folder;
    std::string path;
    std::string key;
    std::string bytes;
    std::vector<Line> lines;
    vedb::DataBase saved;
    treetest::FakeView view;
};

}  // namespace

// The header, the record counter and the caption lines with their line ends,
// flipped in the outer layer of the user's file: every bit of the line-end
// bytes, and one bit of each text byte (bit 0 to 7 in turn), since each load
// here goes through the disk twice. The library's own tests flip every bit.
// A load the library calls complete is checked against what the core writes,
// so every flip either loads the file exactly as it was saved or is kept
// aside. Texts the core cannot judge are let through and counted: the
// version text, which the core only needs to be there, the root text, which
// the user may rename to anything, and a record counter
// raised above every record number, which a file legitimately holds after
// its last records were deleted.
TEST_F(BitFlips, EachFlipLoadsTheFileAsSavedOrKeepsItAside) {
    struct Tally {
        int tried = 0;
        int completeEqual = 0;
        int completeVersionChanged = 0;
        int completeRootTextChanged = 0;
        int completeCounterRaised = 0;
        int partialWithCopy = 0;
    } tally;
    for (const std::size_t l : {2u, 5u, 6u}) {
        for (std::size_t at = lines[l].start; at < lines[l].start + lines[l].length + 2; ++at) {
            const bool lineEnd = at >= lines[l].start + lines[l].length;
            for (int bit = 0; bit < 8; ++bit) {
                if (!lineEnd && bit != static_cast<int>(at % 8)) continue;
                const std::string where =
                    "line " + std::to_string(l + 1) + " byte " + std::to_string(at) + " bit " + std::to_string(bit);
                std::string damaged = bytes;
                damaged[at] = static_cast<char>(damaged[at] ^ (1 << bit));
                qpmtest::WriteBytes(path, damaged);
                modMain::CurUsDB = std::make_shared<clsDatabase>();
                ASSERT_EQ(modMain::LoadUser(path, key), 2) << where;
                ++tally.tried;
                const std::vector<std::string> copies = SideCopies();
                if (modMain::PartialLoadFile.empty()) {
                    // Complete: nothing was set aside, and the database is
                    // the one saved.
                    EXPECT_TRUE(copies.empty()) << where;
                    ASSERT_TRUE(HoldsEveryRecord(*modMain::CurUsDB)) << where;
                    vedb::DataBase loaded = modMain::CurUsDB->DB();
                    loaded.Path = saved.Path;
                    loaded.Ready = saved.Ready;
                    if (loaded == saved) {
                        ++tally.completeEqual;
                        continue;
                    }
                    vedb::DataBase sameVersion = loaded;
                    sameVersion.Version = saved.Version;
                    vedb::DataBase sameRootText = loaded;
                    sameRootText.tag = saved.tag;
                    vedb::DataBase sameCounter = loaded;
                    sameCounter.Tables[0].tag = saved.Tables[0].tag;
                    if (sameVersion == saved && !loaded.Version.empty()) {
                        ++tally.completeVersionChanged;
                    } else if (sameRootText == saved) {
                        ++tally.completeRootTextChanged;
                    } else if (sameCounter == saved &&
                               loaded.Tables[0].tag.find_first_not_of("0123456789") == std::string::npos &&
                               std::stoll(loaded.Tables[0].tag) > std::stoll(saved.Tables[0].tag)) {
                        ++tally.completeCounterRaised;
                    } else {
                        ADD_FAILURE() << where << ": loaded as complete but differs from the file saved";
                    }
                } else {
                    // Partial: the damaged file as it was is kept aside.
                    EXPECT_EQ(modMain::PartialLoadFile, path) << where;
                    ASSERT_EQ(copies, std::vector<std::string>{modMain::PartialLoadCopy}) << where;
                    EXPECT_EQ(qpmtest::ReadBytes(modMain::PartialLoadCopy), damaged) << where;
                    ++tally.partialWithCopy;
                    fs::remove(modMain::PartialLoadCopy);
                }
            }
        }
    }
    std::printf(
        "outer-layer bit flips %d: complete and equal %d, complete with only the version text changed %d, "
        "complete with only the root text changed %d, complete with only the record counter raised %d, partial with "
        "a side copy %d\n",
        tally.tried, tally.completeEqual, tally.completeVersionChanged, tally.completeRootTextChanged,
        tally.completeCounterRaised, tally.partialWithCopy);
}

// The damage first found by the drills: the caption's line end, flipped.
// The login tells the user, and the intact rows are shown.
TEST_F(BitFlips, ADamagedCaptionLineEndIsToldAtLogin) {
    const std::size_t at = lines[6].start + lines[6].length;
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
    qpmtest::WriteBytes(path, damaged);
    ASSERT_FALSE(modMain::FullUserLoad("lena", Md5("password1")).has_value());
    ASSERT_NE(modMain::PartialLoadCopy, "");
    EXPECT_EQ(qpmtest::ReadBytes(modMain::PartialLoadCopy), damaged);
    EXPECT_EQ(view.told, std::vector<std::string>{modMain::PartialLoadCopy});
}

// Files whose every line reads, as the core would or would not have written
// them. One it would not have written is kept aside and told at login, as a
// file that read only in part is.
TEST_F(BitFlips, AFileTheCoreWouldNotHaveWrittenIsKeptAside) {
    struct Case {
        const char* what;
        void (*change)(vedb::DataBase&);
        bool kept;
    };
    const Case cases[] = {
        {"as saved", [](vedb::DataBase&) {}, false},
        {"counter above every record, as after deleting the last ones",
         [](vedb::DataBase& d) { d.Tables[0].tag = "7"; }, false},
        {"another version text", [](vedb::DataBase& d) { d.Version = "1.1b"; }, false},
        {"counter below a record number", [](vedb::DataBase& d) { d.Tables[0].tag = "2"; }, true},
        {"counter no whole number", [](vedb::DataBase& d) { d.Tables[0].tag = "3a"; }, true},
        {"counter negative", [](vedb::DataBase& d) { d.Tables[0].tag = "-3"; }, true},
        {"counter beyond what it can count", [](vedb::DataBase& d) { d.Tables[0].tag = "4294967296"; }, true},
        {"record table renamed", [](vedb::DataBase& d) { d.Tables[0].Name = "DataTablf"; }, true},
        {"column renamed", [](vedb::DataBase& d) { d.Tables[0].Caption.fields[4].Name = "Logim"; }, true},
        {"column flags changed", [](vedb::DataBase& d) { d.Tables[0].Caption.fields[5].flags = 3; }, true},
        {"column missing",
         [](vedb::DataBase& d) {
             vedb::Table& t = d.Tables[0];
             t.Caption.fields.pop_back();
             t.Caption.Num = static_cast<std::int16_t>(t.Caption.fields.size());
             for (vedb::Record& r : t.Records) r.fields.pop_back();
         },
         true},
        {"stored name another user's, as in a file renamed outside the program",
         [](vedb::DataBase& d) { d.Name = d.tag = "lenb"; }, false},
        {"stored name no safe file name", [](vedb::DataBase& d) { d.Name = d.tag = "le/na"; }, true},
        {"root renamed by the user", [](vedb::DataBase& d) { d.tag = "My passwords"; }, false},
        {"stored name neither the file's nor the root text", [](vedb::DataBase& d) { d.Name = "lenb"; }, true},
    };
    for (const Case& c : cases) {
        auto db = std::make_shared<clsDatabase>();
        vedb::DataBase d = saved;
        c.change(d);
        db->DB(d);
        ASSERT_EQ(modMain::WriteUserFile(db, path, key, true), 2) << c.what;
        view.told.clear();
        ASSERT_FALSE(modMain::FullUserLoad("lena", Md5("password1")).has_value()) << c.what;
        EXPECT_EQ(modMain::PartialLoadFile, c.kept ? path : "") << c.what;
        EXPECT_EQ(SideCopies().size(), c.kept ? 1u : 0u) << c.what;
        EXPECT_EQ(view.told.size(), c.kept ? 1u : 0u) << c.what;
        if (c.kept) fs::remove(modMain::PartialLoadCopy);
        modMain::UnloadUser();
    }
}

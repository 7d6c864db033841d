// Databases built at random through the manager's own members save and load
// back equal, plain, encrypted and compressed; and the rules by which the
// format changes a text on the way.
#include <gtest/gtest.h>

#include <random>

#include "ManagerTestSupport.h"

using namespace vedbtest;
using qpmtest::TempDir;

namespace {

class Builder {
public:
    explicit Builder(unsigned seed) : rng_(seed) {}

    // Any bytes but CR, LF and NUL (unless allowed); SEP, blanks at the ends,
    // bytes 0x80-0xFF and the empty text come up often.
    std::string Text(bool controls) {
        std::string s;
        const int len = Pick(0, 4) == 0 ? 0 : Pick(1, 24);
        for (int i = 0; i < len; ++i) {
            switch (Pick(0, 7)) {
                case 0:
                    s.push_back('\x87');
                    break;
                case 1:
                    s.push_back(' ');
                    break;
                case 2:
                    s.push_back(static_cast<char>(Pick(0x80, 0xFF)));
                    break;
                case 3:
                    if (controls) {
                        const char c[] = {'\r', '\n', '\0'};
                        s.push_back(c[Pick(0, 2)]);
                        break;
                    }
                    [[fallthrough]];
                default: {
                    char c = static_cast<char>(Pick(0x01, 0x7F));
                    if (c == '\r' || c == '\n') c = 'r';
                    s.push_back(c);
                }
            }
        }
        return s;
    }
    std::string Name(const std::string& prefix) { return prefix + std::to_string(Pick(0, 1 << 20)); }

    vedb::DataBase Db(vedb::VEDataManager& m) {
        vedb::DataBase db;
        db.Name = "x" + Text(true);
        db.Version = "v" + Text(true);
        db.tag = Text(true);
        for (int h = Pick(0, 2); h > 0; --h) {
            vedb::HelpTable ht;
            ht.Name = Name("H") + std::to_string(h);
            ht.flags = Pick(-5, 100);
            for (int e = Pick(0, 4); e > 0; --e) {
                // Help texts lose leading blanks by the format's rule.
                std::string text = Text(true);
                text.erase(
                    0, text.find_first_not_of(' ') == std::string::npos ? text.size() : text.find_first_not_of(' '));
                ht.hfields.push_back({static_cast<std::int16_t>(ht.hfields.size() + 1), text});
            }
            ht.RecNum = static_cast<std::int32_t>(ht.hfields.size());
            db.HTables.push_back(ht);
        }
        db.HTabNum = static_cast<std::int32_t>(db.HTables.size());
        for (int t = Pick(1, 3); t > 0; --t) {
            std::vector<std::pair<std::string, int>> cols;
            for (int c = Pick(1, 6); c > 0; --c) {
                const int flags[] = {0, 2, 5, 66, 69, 8, -16};
                cols.push_back({"c" + std::to_string(c), flags[Pick(0, 6)]});
            }
            vedb::Table tbl = MakeTable("T" + std::to_string(t) + Text(false).substr(0, 0), cols);
            for (auto& f : tbl.Caption.fields) {
                if (f.flags & 8) f.HelpTable = Name("H");
            }
            tbl.flags = static_cast<std::int16_t>(Pick(-100, 100));
            tbl.tag = Text(true);
            for (int r = Pick(0, 6); r > 0; --r) {
                std::vector<std::string> values;
                for (const auto& f : tbl.Caption.fields) values.push_back(Text((f.flags & 2) != 0));
                if (Pick(0, 1)) {
                    EXPECT_EQ(m.AddFullRecord(tbl, vedb::Record{values}), std::nullopt);
                } else {
                    m.AddRecord(tbl);
                    for (std::size_t c = 0; c < values.size(); ++c)
                        EXPECT_EQ(m.SetFieldValInTbl(tbl, tbl.RecNum, tbl.Caption.fields[c].Name, values[c]), 0);
                }
            }
            db.Tables.push_back(tbl);
        }
        db.tabnum = static_cast<std::int32_t>(db.Tables.size());
        return db;
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    std::mt19937 rng_;
};

}  // namespace

TEST(RoundTrip, RandomDatabasesSaveAndLoadBackEqual) {
    TempDir dir;
    const std::string path = dir.file("r.vdb");
    struct Mode {
        const char* pasw;
        bool compress;
    };
    const Mode modes[] = {{"", false}, {"pass word", false}, {"", true}, {"\xE9t\xE9", true}};
    for (unsigned seed = 1; seed <= 30; ++seed) {
        for (const Mode& mode : modes) {
            auto m = NewManager();
            Builder b(seed);
            vedb::DataBase db = b.Db(*m);
            ASSERT_EQ(m->SaveDB(db, path, mode.pasw, mode.compress), 2) << "seed " << seed << ": " << m->ErrExtra();
            auto reader = NewManager();
            vedb::DataBase back;
            ASSERT_EQ(reader->LoadDB(back, path, mode.pasw), 1) << "seed " << seed << ": " << reader->ErrExtra();
            db.Path = path;
            db.Ready = true;
            EXPECT_EQ(back, db) << "seed " << seed << " password '" << mode.pasw << "' compress " << mode.compress;
        }
    }
}

// The format's own lossy rules, kept for files written elsewhere.
TEST(RoundTrip, LossyRulesOfTheFormat) {
    struct Case {
        const char* what;
        int columnFlags;
        std::string stored;
        std::string loaded;
    };
    const std::string cr(1, '\r');
    const Case cases[] = {
        {"line breaks outside bit 2 become tokens", 0, "a\r\nb" + std::string(1, '\0'), "azbTo0czbTo1lbzbTo2n"},
        {"a literal token in a bit-2 column decodes", 2, "xzbTo0cy", "x" + cr + "y"},
        {"a literal token elsewhere stays", 0, "xzbTo0cy", "xzbTo0cy"},
        {"the separator escape decodes everywhere", 0, "a" + kSepEscape + "b", S("a|b")},
        {"blanks at the ends of values stay", 2, "  v  ", "  v  "},
    };
    for (const char* pasw : {"", "pw"}) {
        for (const Case& c : cases) {
            TempDir dir;
            auto m = NewManager();
            vedb::DataBase db;
            db.Name = "N";
            db.Version = "1";
            vedb::Table t = MakeTable("T", {{"V", c.columnFlags}, {"W", 0}});
            AddRow(t, {c.stored, ""});
            db.Tables = {t};
            db.tabnum = 1;
            ASSERT_EQ(m->SaveDB(db, dir.file("x.vdb"), pasw), 2);
            vedb::DataBase back;
            ASSERT_EQ(m->LoadDB(back, dir.file("x.vdb"), pasw), 1);
            EXPECT_EQ(back.Tables[0].Records[0].fields[0], c.loaded) << c.what << " / '" << pasw << "'";
        }
        // Help-table texts lose their leading blanks, in both kinds of file.
        TempDir dir;
        auto m = NewManager();
        vedb::DataBase db = SampleDb();
        db.HTables[0].hfields[0].str = "  lead and trail  ";
        ASSERT_EQ(m->SaveDB(db, dir.file("h.vdb"), pasw), 2);
        vedb::DataBase back;
        ASSERT_EQ(m->LoadDB(back, dir.file("h.vdb"), pasw), 1);
        EXPECT_EQ(back.HTables[0].hfields[0].str, "lead and trail  ") << pasw;
    }
}

// The find dialog's search: from a start row, in the titles or in every
// visible column, wrapping to the first row once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TreeTestSupport.h"
#include "VEDataBase/Types.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMainDisplay.h"
#include "app/trace/Trace.h"

namespace {

using treetest::Row;

constexpr std::int32_t kTitle = 4;

class Find : public treetest::TreeTest {
protected:
    // Rows 1-6; "mail" is in the titles of rows 2 and 5 only.
    void SetUp() override {
        TreeTest::SetUp();
        Use({{"1", "0", "1", "Folder", "", "", "", "2key", "0|0"},
             {"2", "1", "2", "Webmail", "me", "x", "", "1key", "0|0"},
             {"3", "1", "2", "Bank", "MAIL-user", "", "", "1key", "0|0"},
             {"4", "0", "2", "Shop", "", "secret-77", "", "1key", "0|0"},
             {"5", "0", "2", "Old MAIL", "", "", "", "1key", "0|0"},
             {"6", "0", "2", "Games", "", "", "the note", "1key", "0|0"}});
    }
    std::string Titles(const std::string& text, std::int32_t& start, bool caseSens = false) {
        return modMain::FindRecordInDB(text, 1, kTitle, start, Db(), false, caseSens);
    }
    std::string All(const std::string& text, std::int32_t& start, bool caseSens = false) {
        return modMain::FindRecordInDB(text, 1, 0, start, Db(), true, caseSens);
    }
};

TEST_F(Find, TitlesWalkOnFromStartAndWrapOnce) {
    struct Step {
        std::int32_t start;
        std::string answer;
        std::int32_t startAfter;
    } steps[] = {
        {0, "2", 3},   // start 0 counts as row 1
        {3, "5", 6},   // the next hit below the start
        {6, "2", 3},   // nothing from 6 on: round to the top
        {-4, "2", 3},  // below 1 counts as 1
        {7, "2", 3},   // past the last row: wraps at once
        {99, "2", 3},
    };
    for (const auto& s : steps) {
        std::int32_t start = s.start;
        EXPECT_EQ(Titles("mail", start), s.answer) << "from " << s.start;
        EXPECT_EQ(start, s.startAfter) << "from " << s.start;
    }
}

TEST_F(Find, ConsecutiveCallsVisitEveryHitInTurn) {
    std::int32_t start = 0;
    std::vector<std::string> hits;
    for (int i = 0; i < 5; ++i) hits.push_back(Titles("mail", start));
    EXPECT_EQ(hits, (std::vector<std::string>{"2", "5", "2", "5", "2"}));
}

TEST_F(Find, NoHitAnswersMinusTwoWithStartOne) {
    for (std::int32_t from : {0, 1, 4, 50}) {
        std::int32_t start = from;
        EXPECT_EQ(Titles("absent", start), "-2");
        EXPECT_EQ(start, 1);
    }
}

TEST_F(Find, LetterCaseCountsOnlyWhenAsked) {
    std::int32_t start = 1;
    EXPECT_EQ(Titles("MAIL", start, true), "5");  // not "Webmail"
    start = 1;
    EXPECT_EQ(Titles("MAIL", start, false), "2");
    start = 3;
    EXPECT_EQ(Titles("webMAIL", start, true), "-2");
}

TEST_F(Find, EverywhereSearchesTheVisibleColumnsAndTakesTheLowestRow) {
    struct Case {
        std::string text;
        std::int32_t start;
        std::string answer;
    } cases[] = {
        {"mail", 1, "2"},                      // title of row 2, login of row 3
        {"mail", 3, "3"},                      // the login of row 3
        {"mail", 4, "5"},                      // the title of row 5
        {"77", 1, "4"},                        // a password
        {"the note", 5, "6"},                  // a description
        {"1key", 1, "-2"},                     // internal columns are not searched
        {"0|0", 1, "-2"},     {"me", 1, "2"},  // the login of row 2
        {"me", 3, "6"},                        // "Games": letter case ignored
    };
    for (const auto& c : cases) {
        std::int32_t start = c.start;
        EXPECT_EQ(All(c.text, start), c.answer) << c.text << " from " << c.start;
    }
}

TEST_F(Find, TitlesOnlyDoNotLookAtOtherColumns) {
    std::int32_t start = 1;
    EXPECT_EQ(Titles("77", start), "-2");
    start = 1;
    EXPECT_EQ(Titles("the note", start), "-2");
}

TEST_F(Find, ATableOrColumnThatIsNotThereFindsNothing) {
    std::int32_t start = 1;
    EXPECT_EQ(modMain::FindRecordInDB("mail", 1, 0, start, Db(), false, false), "-2");
    start = 1;
    EXPECT_EQ(modMain::FindRecordInDB("mail", 1, 10, start, Db(), false, false), "-2");
    start = 3;
    EXPECT_EQ(modMain::FindRecordInDB("mail", 2, kTitle, start, Db(), true, false), "-2");
    EXPECT_EQ(start, 1);
}

// The answer the library's own search gives, a column at a time: the lowest
// row from the start that its FindRecord finds in a searched column, else
// the lowest from row 1, else "-2".
std::string LibraryAnswer(clsDatabase& db, const std::string& text, std::int32_t start, bool all, bool caseSens) {
    const std::vector<std::int32_t> columns = all ? std::vector<std::int32_t>{4, 5, 6, 7} : std::vector{kTitle};
    auto lowest = [&](std::int32_t from) {
        std::int32_t best = 0;
        for (std::int32_t c : columns) {
            std::int32_t s = from;
            const std::int32_t r = db.FindRecord(1, c, text, s, caseSens);
            if (r > 0 && (best == 0 || r < best)) best = r;
        }
        return best;
    };
    const std::int32_t from = std::max(start, 1);
    std::int32_t hit = lowest(from);
    if (hit == 0 && from != 1) hit = lowest(1);
    return hit == 0 ? "-2" : std::to_string(hit);
}

// Texts where a search that compares letters itself can go wrong: overlapping
// beginnings, a hit at the very end, a text longer than the value, letters
// outside ASCII (0xE9 and 0xC9 are one letter in both cases in the code
// pages 1250-1252), empty values and an empty text.
TEST_F(Find, EverySearchAnswersAsTheLibrarysColumnSearch) {
    Use({{"1", "0", "1", "aaab", "", "", "", "2key", "0|0"},
         {"2", "1", "2", "Caf\xE9 Noir", "ab", "", "tail-end", "1key", "0|0"},
         {"3", "1", "2", "", "CAF\xC9", "aAb", "", "1key", "0|0"},
         {"4", "0", "2", "short", "", "x", "AAAB", "1key", "0|0"},
         {"5", "0", "2", "end", "caf\xE9", "", "", "1key", "0|0"}});
    const char* texts[] = {"aab", "AAB",      "ab",   "b",       "caf\xE9", "CAF\xC9", "\xE9",
                           "end", "tail-end", "-end", "shorter", "",        "x",       "q"};
    for (const char* text : texts) {
        for (std::int32_t start = 0; start <= 6; ++start) {
            for (bool all : {false, true}) {
                for (bool caseSens : {false, true}) {
                    std::int32_t s = start;
                    const std::string got = modMain::FindRecordInDB(text, 1, kTitle, s, Db(), all, caseSens);
                    EXPECT_EQ(got, LibraryAnswer(Db(), text, start, all, caseSens))
                        << '"' << text << "\" from " << start << (all ? " everywhere" : " in titles")
                        << (caseSens ? ", case counts" : "");
                    EXPECT_EQ(s, got == "-2" ? 1 : std::stoi(got) + 1);
                }
            }
        }
    }
}

// A row that lacks some of the table's columns (no file the program reads
// gives one, but the table allows it) is met as the library meets it: an
// error where its column-by-column search reaches the row, a hit before it.
TEST_F(Find, ARowWithoutAllColumnsIsMetAsTheLibraryMeetsIt) {
    clsDatabase& db = Db();
    vedb::DataBase data = db.DB();
    data.Tables.at(0).Records.at(3).fields.resize(4);  // row 4 "Shop": no login, password, ...
    db.DB(data);
    struct Case {
        const char* text;
        std::int32_t start;
        bool all;
        long error;
    } cases[] = {
        {"Games", 1, false, 0},  // titles: every row has one
        {"mail", 1, true, 9},    // the password column reaches row 4 before any hit
        {"the note", 5, true, 0},
        {"x", 1, true, 9},  // a hit in row 2, but the login column goes on to row 4
    };
    for (const Case& c : cases) {
        std::int32_t start = c.start;
        std::string got;
        EXPECT_EQ(coretest::ErrorOf([&] { got = modMain::FindRecordInDB(c.text, 1, kTitle, start, db, c.all, false); }),
                  c.error)
            << c.text;
        std::string expected;
        EXPECT_EQ(coretest::ErrorOf([&] { expected = LibraryAnswer(db, c.text, c.start, c.all, false); }), c.error)
            << c.text;
        EXPECT_EQ(got, expected) << c.text;
        trace::ResetStack();
    }
}

}  // namespace

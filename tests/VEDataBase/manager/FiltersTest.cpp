// Record filters and the text search.
#include <gtest/gtest.h>

#include "ManagerTestSupport.h"
#include "platform/CodePage.h"
#include "platform/VbError.h"

using namespace vedbtest;

namespace {

struct Cp1252 {
    Cp1252() { plat::SetAnsiCodePageForTests(1252); }
    ~Cp1252() { plat::SetAnsiCodePageForTests(0); }
};

}  // namespace

TEST(Filters, FieldConditions) {
    Cp1252 cp;
    struct Case {
        std::string field;
        vedb::ReqField filter;
        int result;
    };
    const Case cases[] = {
        {"anything", {"", "??", 0}, 1},
        {"10", {"9", ">", 1}, -1},  // numbers
        {"10", {"9", ">", 0}, 0},   // texts
        {"10", {"9", "<", 0}, -1},
        {" 1e1", {"10", "=", 1}, -1},
        {"abc", {"12", ">=", 1}, 0},  // no number is 0
        {"abc", {"abc", "=", 0}, -1},
        {"abc", {"abc", "<=", 0}, -1},
        {"abc", {"abd", ">=", 0}, 0},
        {"abc", {"abc", "<>", 0}, 0},  // not one of the five
        {"Abc", {"abc", "<", 0}, -1},  // by character code, case counts
        // 0x80 is the euro sign (U+20AC), above 0xA0 (U+00A0) as characters.
        {"\x80", {"\xA0", ">", 0}, -1},
        {"2024-01-02", {"2023-12-31", ">", 16}, -1},
        {"2024-01-02 10:00", {"2024-01-02 09:59:59", ">", 16}, -1},
        {"2024-01-02", {"2024-01-02 00:00:00", "=", 16}, -1},
        {"not a date", {"2023-12-31", "<", 16}, 0},
        {"2024-01-02", {"yesterday", "<", 16}, 0},
    };
    auto m = NewManager();
    for (const Case& c : cases) {
        EXPECT_EQ(m->FilterField(c.field, c.filter), c.result)
            << c.field << " " << c.filter.Operation << " " << c.filter.Value << " type " << c.filter.Type;
    }
}

TEST(Filters, RecordsAndCounts) {
    auto m = NewManager();
    vedb::Table t = MakeTable("T", {{"N", 0}, {"S", 0}});
    AddRow(t, {"5", "b"});
    AddRow(t, {"15", "a"});
    AddRow(t, {"25", "b"});
    vedb::Request none;
    vedb::Request empties{{{"", "=", 0}, {"", ">", 0}}};
    vedb::Request big{{{"10", ">", 1}}};
    vedb::Request bigB{{{"10", ">", 1}, {"b", "=", 0}}};
    vedb::Request tooMany{{{"", "=", 0}, {"", "=", 0}, {"", "=", 0}}};
    EXPECT_EQ(m->GetFilteredRecsNum(t, none), 3);
    EXPECT_EQ(m->GetFilteredRecsNum(t, empties), 3);
    EXPECT_EQ(m->GetFilteredRecsNum(t, big), 2);
    EXPECT_EQ(m->GetFilteredRecsNum(t, bigB), 1);
    EXPECT_EQ(m->FilterRecord(t.Records[2], bigB), 1);
    EXPECT_EQ(m->FilterRecord(t.Records[1], bigB), 0);
    EXPECT_EQ(m->GetFilteredRecsNum(t, tooMany), 0);
}

TEST(Filters, FindRecordSearchesOneColumnFromStart) {
    Cp1252 cp;
    auto m = NewManager();
    vedb::Table t = MakeTable("T", {{"A", 0}, {"B", 0}});
    AddRow(t, {"", "Hello World"});
    AddRow(t, {"x", "caf\xE9"});
    AddRow(t, {"y", "CAF\xC9 au lait"});

    std::int32_t start = 0;
    EXPECT_EQ(m->FindRecord(t, 2, "world", start), 1);
    EXPECT_EQ(start, 1);  // written back
    EXPECT_EQ(m->FindRecord(t, 2, "world", start, true), 0);
    EXPECT_EQ(m->FindRecord(t, 2, "World", start, true), 1);
    start = 2;
    EXPECT_EQ(m->FindRecord(t, 2, "CAF\xC9", start), 2);  // letter case of the code page
    EXPECT_EQ(m->FindRecord(t, 2, "CAF\xC9", start, true), 3);
    start = 4;
    EXPECT_EQ(m->FindRecord(t, 2, "a", start), 0);

    // An empty text is found in the first non-empty value from Start.
    start = -3;
    EXPECT_EQ(m->FindRecord(t, 1, "", start), 2);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(m->FindRecord(t, 1, ""), 2);

    start = 1;
    EXPECT_THROW(m->FindRecord(t, 3, "a", start), vb::VbError);
}

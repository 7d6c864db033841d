// A record's values in one block: every change keeps the other values byte
// for byte, values may hold any byte, and equal values make equal records.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "VEDataBase/Fields.h"

namespace {

using vedb::Fields;
using Values = std::vector<std::string>;

Values Of(const Fields& f) { return Values(f.begin(), f.end()); }

// A value may not be assigned through the view it is read as: that would be
// an assignment to a temporary, and the record would silently keep its value.
static_assert(!std::is_assignable_v<decltype(std::declval<Fields&>()[0]), std::string_view>);

const Values kRow = {"12", "0", "Bank", std::string("a\0b", 3), "", "\x87sep\x87", "long value past any inline buffer"};

TEST(Fields, BuildsFromValuesAndReadsThemBack) {
    const Fields f(kRow);
    ASSERT_EQ(f.size(), kRow.size());
    EXPECT_EQ(Of(f), kRow);
    EXPECT_EQ(f[3], std::string_view("a\0b", 3));
    EXPECT_THROW((void)f[kRow.size()], std::out_of_range);
    EXPECT_TRUE(Fields().empty());
    EXPECT_EQ(Of(Fields(3)), (Values{"", "", ""}));
    EXPECT_EQ(Of(Fields{"a", "", "c"}), (Values{"a", "", "c"}));
}

TEST(Fields, SetChangesOnlyItsValue) {
    struct Case {
        std::size_t at;
        std::string value;
    };
    const Case cases[] = {
        {0, "99"},                       // same size, first
        {2, "Savings account at home"},  // grows
        {6, ""},                         // shrinks to nothing, last
        {4, std::string("\0\0", 2)},     // an empty value gets bytes
        {5, "\x87"},                     // shrinks
    };
    for (const Case& c : cases) {
        Fields f(kRow);
        f.Set(c.at, c.value);
        Values want = kRow;
        want[c.at] = c.value;
        EXPECT_EQ(Of(f), want) << "value " << c.at;
        // A record has one form for its values, whatever led to them.
        EXPECT_EQ(f, Fields(want)) << "value " << c.at;
    }
    Fields f(kRow);
    EXPECT_THROW(f.Set(kRow.size(), "x"), std::out_of_range);
    EXPECT_EQ(Of(f), kRow);
}

TEST(Fields, SetTakesAViewOfItsOwnValues) {
    Fields f(kRow);
    f.Set(0, f[6]);               // grows, from a later value
    f.Set(6, f[0].substr(5));     // shrinks, from an earlier value
    f.Set(1, f[2].substr(0, 1));  // same size, from a neighbour
    Values want = kRow;
    want[0] = kRow[6];
    want[6] = kRow[6].substr(5);
    want[1] = "B";
    EXPECT_EQ(Of(f), want);
}

TEST(Fields, ResizeKeepsTheFirstValuesAndAddsEmptyOnes) {
    Fields f(kRow);
    f.resize(3);
    EXPECT_EQ(Of(f), Values(kRow.begin(), kRow.begin() + 3));
    f.resize(5);
    EXPECT_EQ(Of(f), (Values{kRow[0], kRow[1], kRow[2], "", ""}));
    f.push_back("tail");
    EXPECT_EQ(f[5], "tail");
    f.pop_back();
    EXPECT_EQ(f, Fields({kRow[0], kRow[1], kRow[2], "", ""}));
    f.resize(0);
    EXPECT_TRUE(f.empty());
    EXPECT_EQ(f, Fields());
    EXPECT_THROW(f.pop_back(), std::out_of_range);
    f.push_back(kRow[6]);
    EXPECT_EQ(Of(f), Values{kRow[6]});
}

TEST(Fields, EqualityComparesTheValues) {
    EXPECT_EQ(Fields(kRow), Fields(kRow));
    Values other = kRow;
    other[3] = std::string("a\0c", 3);
    EXPECT_NE(Fields(kRow), Fields(other));
    // The same bytes split differently are other values.
    EXPECT_NE((Fields{"ab", "c"}), (Fields{"a", "bc"}));
    EXPECT_NE((Fields{"", ""}), (Fields{""}));
}

}  // namespace

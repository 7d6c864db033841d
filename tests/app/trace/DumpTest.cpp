#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/trace/Dump.h"
#include "platform/VbError.h"

namespace {

using trace::DumpVariable;
using trace::VbArray;

struct Named : trace::Traced {
    const char* TraceName() const override { return "clsDatabase"; }
};
struct Broken : trace::Traced {
    const char* TraceName() const override { vb::Raise(vb::errSubscript); }
};

TEST(DumpVariable, ScalarsAndTheirClosingTags) {
    struct Case {
        std::string got, want;
    };
    std::string withNul("a\0b\0", 4);
    std::vector<Case> cases = {
        {DumpVariable("FindIndNum", std::int32_t{5}), "<FindIndNum>5</FindIndNum>\r\n"},
        {DumpVariable("LastGenPasw", std::string()), "<LastGenPasw></LastGenPasw>\r\n"},
        {DumpVariable("FrmPaswShown", true), "<FrmPaswShown>True</FrmPaswShown>\r\n"},
        {DumpVariable("DoUnloadTIcon", false), "<DoUnloadTIcon>False</DoUnloadTIcon>\r\n"},
        {DumpVariable("b", std::uint8_t{255}), "<b>255</b>\r\n"},
        {DumpVariable("n", std::int64_t{-7}), "<n>-7</n>\r\n"},
        {DumpVariable("d", 2.5), "<d>2.5</d>\r\n"},
        {DumpVariable("s", withNul), "<s>a{Null}b{Null}</s>\r\n"},
        // A name with a blank closes with the part before it (array elements).
        {DumpVariable("x Index=\"3\"", std::string("v"), 99, 2), "  <x Index=\"3\">v</x>\r\n"},
        {DumpVariable("v", std::optional<int>{}), "<v>{Empty}</v>\r\n"},
        {DumpVariable("v Index=\"1\"", std::optional<int>{}), "<v Index=\"1\">{Empty}</v Index=\"1\">\r\n"},
        {DumpVariable("lDBMngr", static_cast<const trace::Traced*>(nullptr)), "<lDBMngr>{Nothing}</lDBMngr>\r\n"},
    };
    Named named;
    cases.push_back({DumpVariable("o", static_cast<const trace::Traced*>(&named)), "<o>{clsDatabase}</o>\r\n"});
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(DumpVariable, FailureGivesTheErrorTextAlone) {
    Broken broken;
    EXPECT_EQ(DumpVariable("o", static_cast<const trace::Traced*>(&broken)), "{Error 9 formatting for output}");
}

TEST(DumpVariable, ArraysKeepTheirShape) {
    VbArray<std::string> stack(1, 1);
    stack(1) = "x";
    EXPECT_EQ(DumpVariable("FStack", stack), "<FStack>\r\n  <FStack Index=\"1\">x</FStack>\r\n</FStack>\r\n");

    VbArray<std::string> empty(0, 0);
    EXPECT_EQ(DumpVariable("FStack", empty), "<FStack>\r\n  <FStack Index=\"0\"></FStack>\r\n</FStack>\r\n");

    VbArray<std::uint8_t> never;
    EXPECT_EQ(DumpVariable("CustomColors", never), "<CustomColors>\r\n{UnInitialised Array}</CustomColors>\r\n");

    VbArray<int> grid;
    grid.ReDim({{1, 2}, {1, 2}});
    grid.at({1, 2}) = 12;
    grid.at({2, 1}) = 21;
    EXPECT_EQ(DumpVariable("g", grid, 99, 1),
              " <g>\r\n"
              "   <g Index=\"1,1\">0</g>\r\n"
              "   <g Index=\"1,2\">12</g>\r\n"
              "   <g Index=\"2,1\">21</g>\r\n"
              "   <g Index=\"2,2\">0</g>\r\n"
              " </g>\r\n");

    VbArray<std::optional<int>> variants(1, 1);
    EXPECT_EQ(DumpVariable("v", variants), "<v>\r\n  <v Index=\"1\">{Empty}</v Index=\"1\">\r\n</v>\r\n");
}

TEST(DumpVariable, CollectionItemsAreNumberedAndIndented) {
    std::vector<std::string> items = {"a", "b"};
    EXPECT_EQ(trace::DumpItems("DBFlsCol", items),
              "<DBFlsCol>\r\n  <DBFlsCol[1]>a</DBFlsCol[1]>\r\n  <DBFlsCol[2]>b</DBFlsCol[2]>\r\n</DBFlsCol>\r\n");
    EXPECT_EQ(trace::DumpItems("DBFlsCol", std::vector<std::string>{}), "<DBFlsCol>\r\n</DBFlsCol>\r\n");
}

TEST(DumpVariable, SecretsAreHiddenUnlessEmpty) {
    EXPECT_EQ(DumpVariable("CurUsPasw", trace::Secret("0123456789ABCDEF0123456789ABCDEF")),
              "<CurUsPasw>{Hidden}</CurUsPasw>\r\n");
    EXPECT_EQ(DumpVariable("LastGenPasw", trace::Secret()), "<LastGenPasw></LastGenPasw>\r\n");
    VbArray<trace::Secret> fields(1, 2);
    fields(1) = "hunter2";
    EXPECT_EQ(DumpVariable("f", fields), "<f>\r\n  <f Index=\"1\">{Hidden}</f>\r\n  <f Index=\"2\"></f>\r\n</f>\r\n");
}

TEST(DumpVariable, FixedTexts) {
    EXPECT_EQ(trace::FixedUdt("CurPos", "POINTAPI"), "<CurPos>{POINTAPI}</CurPos>");
    EXPECT_EQ(trace::FixedExternal("CurUsDB"), "<CurUsDB>{Cannot dump external UDTs}</CurUsDB>");
    EXPECT_EQ(trace::FixedUdtParam("pDB"), "<pDB>{Can't dump UDT parameters}</pDB>");
}

// Without a widget the trace never looks at a window: the namer does, and a
// stand-in namer is enough to show the framing and its failure.
class DumpWindowTest : public ::testing::Test {
protected:
    void TearDown() override { trace::SetWindowNamer(nullptr); }
    // Never dereferenced: only the namer would look at it.
    const QWidget* window = reinterpret_cast<const QWidget*>(&storage);
    int storage = 0;
};

TEST_F(DumpWindowTest, NothingObjectOrTheNamersText) {
    EXPECT_EQ(trace::DumpWindow("hwnd", nullptr), "<hwnd>{Nothing}</hwnd>\r\n");
    EXPECT_EQ(trace::DumpWindow("hwnd", window), "<hwnd>{Object}</hwnd>\r\n");

    trace::SetWindowNamer([](const QWidget*) { return std::string("frmOptions"); });
    EXPECT_EQ(trace::DumpWindow("OwnerForm", window, 2), "  <OwnerForm>{frmOptions}</OwnerForm>\r\n");
    EXPECT_EQ(trace::DumpWindow("OwnerForm", nullptr), "<OwnerForm>{Nothing}</OwnerForm>\r\n");

    trace::SetWindowNamer([](const QWidget*) -> std::string { vb::Raise(vb::errSubscript); });
    EXPECT_EQ(trace::DumpWindow("hwnd", window), "{Error 9 formatting for output}");
}

TEST(VbArray, BoundsAndErrors) {
    VbArray<int> a;
    EXPECT_FALSE(a.Allocated());
    EXPECT_THROW(a.UBound(), vb::VbError);
    a.ReDim(0, 0);
    a.ReDimPreserve(1, 3);
    a(3) = 7;
    a.ReDimPreserve(1, 4);
    EXPECT_EQ(a(3), 7);
    EXPECT_EQ(a.LBound(), 1);
    EXPECT_EQ(a.UBound(), 4);
    try {
        (void)a(5);
        FAIL();
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), 9);
    }
}

}  // namespace

// The inactivity check, the autorun entry, the colour dialog and the small
// string, array and file helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CoreTestEnv.h"
#include "platform/Registry.h"
#include "platform/VbError.h"

namespace {

using coretest::CoreTest;

class modMainServices : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        qtplat::SetInputProbeForTests({[this] { return cursor; }, [this] { return keys; }});
    }
    qtplat::CursorPoint cursor{};
    qtplat::KeyState keys{};
};

TEST_F(modMainServices, MouseFirstThenKeysAndAnyNumberOfChangedKeysAtOnce) {
    SetOptions({"", "", "", "", "", "", "", "", "", "", "15"});
    clock = 100.4;
    cursor = {10, 20};
    keys[0x41] = 0x81;
    keys[0x10] = 0x80;
    // Mouse moved and keys changed in the same tick: the mouse wins and the
    // key state waits for the next call.
    EXPECT_EQ(modMain::CheckActivity(), 1);
    EXPECT_EQ(modMain::LastActive, 100);
    EXPECT_EQ(modMain::LastCursorPos, (modMain::POINTAPI{10, 20}));
    EXPECT_EQ(modMain::LastKbdState[0x41], 0);
    clock = 200.5;  // rounds half to even
    EXPECT_EQ(modMain::CheckActivity(), 2);
    EXPECT_EQ(modMain::LastActive, 200);
    EXPECT_EQ(modMain::LastKbdState, keys);
    clock = 300.0;
    EXPECT_EQ(modMain::CheckActivity(), 0);
    EXPECT_EQ(modMain::LastActive, 200);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(modMainServices, InactiveOnlyAfterStrictlyMoreThanTheOptionsMinutes) {
    SetOptions({"", "", "", "", "", "", "", "", "", "", "15"});
    modMain::LastActive = 1000;
    const std::pair<double, int> cases[] = {{1000.0, 0}, {1900.0, 0}, {1900.5, 3}, {5000.0, 3}};
    for (const auto& [now, result] : cases) {
        clock = now;
        EXPECT_EQ(modMain::CheckActivity(), result) << now;
    }
    // A lock time that is no number, or switched off, locks nothing.
    for (const char* option : {"n15", "", "soon"}) {
        modMain::ProgConfig(11) = option;
        EXPECT_EQ(modMain::CheckActivity(), 0) << option;
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(modMainServices, AutorunWritesAndRemovesTheDesktopsStartEntry) {
    const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    modMain::AutorunManagement(true);
    const auto value = plat::RegQueryString(plat::HKEY_LOCAL_MACHINE, run, "Norvask Kessaro");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->rfind(appDir() + "/", 0), 0u) << *value;
    EXPECT_EQ(value->find('/', appDir().size() + 1), std::string::npos) << *value;
    EXPECT_TRUE(std::filesystem::exists(plat::AutostartFolder() + "/Norvask Kessaro.desktop"));
    modMain::AutorunManagement(false);
    EXPECT_FALSE(std::filesystem::exists(plat::AutostartFolder() + "/Norvask Kessaro.desktop"));
    modMain::AutorunManagement(false);  // nothing to remove: no error
    EXPECT_TRUE(shown.empty());
}

TEST_F(modMainServices, ColourChoiceKeepsTheCustomColoursOnlyWhenConfirmed) {
    modMain::CustomColors.ReDim(0, 63);
    modMain::CustomColors(4) = 0x11;  // custom colour 1: red 0x11, green 0x22
    modMain::CustomColors(5) = 0x22;
    std::optional<std::uint32_t> answer = 0x00FF8000;
    std::uint32_t seenInitial = 0;
    qtplat::CustomColorTable seenCustom{};
    qtplat::SetColorChooserForTests([&](QWidget*, std::uint32_t initial, qtplat::CustomColorTable& custom) {
        seenInitial = initial;
        seenCustom = custom;
        custom[15] = 0x00010203;
        return answer;
    });
    EXPECT_EQ(modMain::ShowChooseColor(nullptr, 0x0000FF), 0x00FF8000);
    EXPECT_EQ(seenInitial, 0x0000FFu);
    EXPECT_EQ(seenCustom[1], 0x00002211u);
    EXPECT_EQ(modMain::CustomColors(60), 0x03);
    EXPECT_EQ(modMain::CustomColors(61), 0x02);
    EXPECT_EQ(modMain::CustomColors(62), 0x01);
    answer.reset();
    modMain::CustomColors(60) = 0x7F;
    EXPECT_EQ(modMain::ShowChooseColor(nullptr, 0), -1);
    EXPECT_EQ(modMain::CustomColors(60), 0x7F);
}

TEST_F(modMainServices, AppendingToAnArrayOfUpperBoundZeroStartsItAtOne) {
    trace::VbArray<std::string> mass(0, 0);
    mass(0) = "dropped";
    modMain::AddElemToStrMass(mass, "a");
    EXPECT_EQ(mass.LBound(), 1);
    EXPECT_EQ(mass.UBound(), 1);
    EXPECT_EQ(mass(1), "a");
    modMain::AddElemToStrMass(mass, "b");
    EXPECT_EQ(mass.UBound(), 2);
    EXPECT_EQ(mass(1), "a");
    EXPECT_EQ(mass(2), "b");
    trace::VbArray<std::string> never;
    modMain::AddElemToStrMass(never, "x");
    EXPECT_EQ(never.LBound(), 1);
    EXPECT_EQ(never(1), "x");
}

TEST_F(modMainServices, NullCharactersCutTheText) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string("abc\0def", 7), "abc"}, {"plain", "plain"}, {std::string("\0x", 2), ""}, {"", ""}};
    for (const auto& [in, out] : cases) {
        std::string a = in, b = in;
        EXPECT_EQ(modMain::StripNulls(a), out);
        EXPECT_EQ(a, out);
        modMain::RemoveNullChar(b);
        EXPECT_EQ(b, out);
    }
}

TEST_F(modMainServices, TrueKillDeletesReadOnlyFilesAndSaysWhenThereIsNone) {
    const std::string file = tmp.file("locked.vdb");
    qpmtest::WriteBytes(file, "x");
    ::chmod(file.c_str(), 0400);
    EXPECT_EQ(modMain::TrueKill(file), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(modMain::TrueKill(file), -2);
    // A folder is no file to delete.
    std::filesystem::create_directory(tmp.file("folder"));
    EXPECT_THROW(modMain::TrueKill(tmp.file("folder")), vb::VbError);
    EXPECT_TRUE(std::filesystem::exists(tmp.file("folder")));
}

TEST_F(modMainServices, RecordFlagsSplitIntoColourAndFlags) {
    struct Case {
        std::string text;
        std::int32_t colour, flags;
    };
    const Case cases[] = {{"255|1", 255, 1}, {"0|0", 0, 0},     {"16711680|1x", 16711680, 1},
                          {"7|", 7, 0},      {" 12 |3", 12, 3}, {"1|2|3", 1, 2}};
    for (const Case& c : cases) {
        std::int32_t colour = -1, flags = -1;
        modMain::GetSepatRecOptns(c.text, colour, flags);
        EXPECT_EQ(colour, c.colour) << c.text;
        EXPECT_EQ(flags, c.flags) << c.text;
    }
    const std::pair<std::string, long> errors[] = {
        {"255", vb::errInvalidCall}, {"|1", vb::errTypeMismatch}, {"red|1", vb::errTypeMismatch}};
    for (const auto& [text, number] : errors) {
        std::int32_t colour = 0, flags = 0;
        try {
            modMain::GetSepatRecOptns(text, colour, flags);
            ADD_FAILURE() << text;
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), number) << text;
        }
        trace::ResetStack();
    }
}

}  // namespace

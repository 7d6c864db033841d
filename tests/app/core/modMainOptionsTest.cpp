// The options' readers: the runtime's Boolean and Long rules on a slot's
// text, the fallback (logged unless quiet) for a text that is neither or a
// slot the options lack, and the writer that grows the options.
#include <gtest/gtest.h>

#include "CoreTestEnv.h"
#include "app/core/modMainOptions.h"
#include "platform/VbError.h"

namespace {

using coretest::CoreTest;
using modMain::IfUnusable;
using modMain::Option;

class modMainOptions : public CoreTest {
protected:
    // The log lines that tell of a fallback.
    std::size_t Fallbacks() const {
        std::size_t n = 0;
        for (const std::string& m : LogMessages()) n += m.find("is not usable; the design value is taken") != m.npos;
        return n;
    }
};

TEST_F(modMainOptions, TextsReadAsTheRuntimeConvertsThem) {
    struct Case {
        const char* text;
        std::optional<bool> boolean;
        std::optional<std::int32_t> number;
    };
    const Case cases[] = {
        {"True", true, std::nullopt},
        {"False", false, std::nullopt},
        {"true", true, std::nullopt},
        {"FALSE", false, std::nullopt},
        {"1", true, 1},
        {"0", false, 0},
        {"-1", true, -1},
        {" 1 ", true, 1},
        {" 7 ", true, 7},
        {"2.5", true, 2},  // half to even
        {"15.5", true, 16},
        {"0.0", false, 0},
        {"2147483647", true, 2147483647},
        // Too large for a Long, yet still a number for a Boolean.
        {"2147483648", true, std::nullopt},
        {"99999999999999", true, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"yes", std::nullopt, std::nullopt},
        {"Yes please", std::nullopt, std::nullopt},
        {"1x", std::nullopt, std::nullopt},
        {"n15", std::nullopt, std::nullopt},
    };
    SetOptions(std::vector<std::string>(modMain::kOptionCount));
    for (const Case& c : cases) {
        SCOPED_TRACE('"' + std::string(c.text) + '"');
        modMain::OptionSlot(Option::TreeWidth) = c.text;
        EXPECT_EQ(modMain::OptionText(Option::TreeWidth), c.text);
        EXPECT_EQ(modMain::CBoolText(c.text), c.boolean);
        EXPECT_EQ(modMain::CLngText(c.text), c.number);
        const std::size_t logged = Fallbacks();
        EXPECT_EQ(modMain::OptionBool(Option::TreeWidth, true), c.boolean.value_or(true));
        EXPECT_EQ(modMain::OptionBool(Option::TreeWidth, false), c.boolean.value_or(false));
        EXPECT_EQ(modMain::OptionLong(Option::TreeWidth), c.number);
        EXPECT_EQ(modMain::OptionLong(Option::TreeWidth, 3015), c.number.value_or(3015));
        // Each fallback is told once, with the option's number and text.
        const std::size_t fallbacks = (c.boolean ? 0 : 2) + (c.number ? 0 : 2);
        EXPECT_EQ(Fallbacks(), logged + fallbacks);
        if (fallbacks) {
            EXPECT_EQ(LogMessages().back(),
                      "Option 20 = \"" + std::string(c.text) + "\" is not usable; the design value is taken");
        }
        // The quiet readers fall back alike and say nothing.
        EXPECT_EQ(modMain::OptionBool(Option::TreeWidth, true, IfUnusable::Quiet), c.boolean.value_or(true));
        EXPECT_EQ(modMain::OptionLong(Option::TreeWidth, IfUnusable::Quiet), c.number);
        EXPECT_EQ(Fallbacks(), logged + fallbacks);
    }
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(modMainOptions, MissingSlotsReadAsEmpty) {
    // Options cut short, no options at all, and a slot below the first.
    for (const long held : {11L, 0L, -1L}) {
        SCOPED_TRACE(held);
        if (held > 0)
            SetOptions(std::vector<std::string>(static_cast<std::size_t>(held), "1"));
        else if (held == 0)
            modMain::ProgConfig.Erase();
        else
            modMain::ProgConfig.ReDim(2, 20);
        const Option n = held < 0 ? Option::Toolbar : Option::TreeWidth;
        EXPECT_EQ(modMain::OptionText(n), "");
        EXPECT_TRUE(modMain::OptionBool(n, true));
        EXPECT_FALSE(modMain::OptionBool(n, false));
        EXPECT_EQ(modMain::OptionLong(n), std::nullopt);
        EXPECT_EQ(modMain::OptionLong(n, 3015), 3015);
        EXPECT_FALSE(modMain::TrayModeOn());
    }
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(modMainOptions, SlotsTheOptionsLackAreAnErrorWhenIndexed) {
    SetOptions(std::vector<std::string>(4, "x"));
    try {
        (void)modMain::OptionSlot(Option::DBPath);
        FAIL() << "no error";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), vb::errSubscript);
    }
    EXPECT_EQ(modMain::OptionSlot(Option::LastUser), "x");
}

TEST_F(modMainOptions, SettingBeyondTheOptionsGrowsThem) {
    SetOptions(std::vector<std::string>(14, ""));
    modMain::OptionSlot(Option::Language) = "English";
    modMain::SetOption(Option::TreeWidth, "2000");
    EXPECT_EQ(modMain::ProgConfig.LBound(), 1);
    EXPECT_EQ(modMain::ProgConfig.UBound(), 20);
    EXPECT_EQ(modMain::ProgConfig(14), "English");
    EXPECT_EQ(modMain::ProgConfig(15), "");
    EXPECT_EQ(modMain::ProgConfig(20), "2000");
    modMain::SetOption(Option::Toolbar, "False");
    EXPECT_EQ(modMain::ProgConfig.UBound(), 20);
    EXPECT_EQ(modMain::ProgConfig(1), "False");

    modMain::ProgConfig.Erase();
    modMain::SetOption(Option::OnTop, "True");
    EXPECT_EQ(modMain::ProgConfig.LBound(), 1);
    EXPECT_EQ(modMain::ProgConfig.UBound(), 6);
    EXPECT_EQ(modMain::ProgConfig(6), "True");
}

TEST_F(modMainOptions, TrayModeIsExactlyOne) {
    SetOptions(std::vector<std::string>(modMain::kOptionCount));
    for (const char* text : {"0", "", "True", " 1", "n1", "1.0"}) {
        modMain::OptionSlot(Option::TrayMode) = text;
        EXPECT_FALSE(modMain::TrayModeOn()) << text;
    }
    modMain::OptionSlot(Option::TrayMode) = "1";
    EXPECT_TRUE(modMain::TrayModeOn());
}

}  // namespace

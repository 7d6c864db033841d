// The language file and the text lookup.
#include <gtest/gtest.h>

#include "CoreTestEnv.h"
#include "platform/VbError.h"

namespace {

using coretest::CoreTest;

class modLang_ : public CoreTest {
protected:
    std::string Write(const std::string& bytes) {
        const std::string path = tmp.file("English.lng");
        qpmtest::WriteBytes(path, bytes);
        return path;
    }
};

TEST_F(modLang_, TextsAreTakenVerbatimAfterTheFirstEqualsSign) {
    modLang::LoadLang(
        Write("6\r\n"
              "# comment line = not a text\r\n"
              "1=Exit?\r\n"
              "3= a = b = c \r\n"
              "5=first\r\n"
              "2=\r\n"
              "5=second\r\n"
              "6=caf\xE9 \x87 tab\there\r\n"));
    EXPECT_EQ(modLang::TxtMas.LBound(), 1);
    EXPECT_EQ(modLang::TxtMas.UBound(), 6);
    EXPECT_EQ(modLang::Texts(1), "Exit?");
    EXPECT_EQ(modLang::Texts(3), " a = b = c ");
    EXPECT_EQ(modLang::Texts(5), "second");                  // the last line wins
    EXPECT_EQ(modLang::Texts(6), "caf\xE9 \x87 tab\there");  // code-page bytes kept
    // Numbers the file leaves out are empty, without a log line.
    EXPECT_EQ(modLang::Texts(2), "");
    EXPECT_EQ(modLang::Texts(4), "");
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(modLang_, LinesEndedByLineFeedAloneReadTheSame) {
    modLang::LoadLang(Write("2\n1=one\n2=two"));
    EXPECT_EQ(modLang::Texts(1), "one");
    EXPECT_EQ(modLang::Texts(2), "two");
}

TEST_F(modLang_, ANumberOutsideTheTableGivesTheFailureTextAndOneLogLine) {
    EXPECT_EQ(modLang::Texts(1), "#Error in language module#");  // nothing loaded yet
    modLang::LoadLang(Write("2\r\n1=a\r\n2=b\r\n"));
    EXPECT_EQ(modLang::Texts(0), "#Error in language module#");
    EXPECT_EQ(modLang::Texts(3), "#Error in language module#");
    EXPECT_EQ(modLang::Texts(-7), "#Error in language module#");
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Error #0001. TxtIdent = 1.", "Error #0001. TxtIdent = 0.",
                                                       "Error #0001. TxtIdent = 3.", "Error #0001. TxtIdent = -7."}));
    EXPECT_EQ(trace::FStack.UBound(), 0);
    EXPECT_TRUE(shown.empty());
}

TEST_F(modLang_, ABadFileRaisesTheRunTimeErrorOfItsFirstFaultAndKeepsTheTextsLoadedBefore) {
    modLang::LoadLang(Write("1\r\n1=kept\r\n"));
    const std::pair<std::string, long> cases[] = {
        {"", vb::errInputPastEnd},                          // no count line
        {"many\r\n1=a\r\n", vb::errTypeMismatch},           // count is no number
        {"2\r\n1=a\r\nno equals\r\n", vb::errInvalidCall},  // a text line without "="
        {"2\r\n1=a\r\n\r\n", vb::errInvalidCall},           // an empty line
        {"2\r\nx=a\r\n", vb::errTypeMismatch},              // number is no number
        {"2\r\n3=a\r\n", vb::errSubscript},                 // number above the count
        {"2\r\n0=a\r\n", vb::errSubscript},                 // number below 1
        {"-1\r\n", vb::errSubscript},                       // a negative count
        {"99999999\r\n", vb::errOverflow},                  // a count no language file has
    };
    for (const auto& [bytes, number] : cases) {
        try {
            modLang::LoadLang(Write(bytes));
            ADD_FAILURE() << "no error for " << bytes;
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), number) << bytes;
        }
        trace::ResetStack();
        EXPECT_EQ(modLang::Texts(1), "kept") << bytes;
    }
    try {
        modLang::LoadLang(tmp.file("missing.lng"));
        ADD_FAILURE();
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), vb::errFileNotFound);
    }
}

}  // namespace

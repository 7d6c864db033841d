#include <gtest/gtest.h>

#include <string>

#include "TraceFixture.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"

namespace modSecrets {

trace::Secret CurUsPasw = "5F4DCC3B5AA765D61D8327DEB882CF99";
trace::Secret FrmPaswEnetered = "typed-plain-text";
trace::Secret LastGenPasw = "Gen3r4tedPw";
std::string CurUser = "alice";

std::string DumpModuleVars() {
    return trace::DumpVariable("CurUser", CurUser) + trace::DumpVariable("CurUsPasw", CurUsPasw) +
           trace::DumpVariable("FrmPaswEnetered", FrmPaswEnetered) + trace::DumpVariable("LastGenPasw", LastGenPasw);
}

// A field setter: the new value travels as a plain-looking parameter.
void SetField(const std::string& FieldName, const trace::Secret& NewValue) {
    TRACE_MOD(modSecrets, "SetField", TV(FieldName), TV(NewValue));
    vb::Raise(vb::errSubscript);
}

// A search: the text searched may be a password, although it is a plain string.
void FindText(const std::string& SText) {
    TRACE_MOD(modSecrets, "FindText", TV_HIDDEN(SText));
    SetField("Password", trace::Secret("correct horse battery"));
}

void SaveRecord(const trace::Secret& Pasw) {
    TRACE_MOD(modSecrets, "SaveRecord", TV(Pasw));
    trace::Secret key = "D41D8CD98F00B204E9800998ECF8427E" + Pasw.str();
    TRACE_LOCAL(key);
    trace::Secret login = "alice@example.org";
    TRACE_LOCAL(login);
    trace::Secret description = "safe combination 31-24-11";
    TRACE_LOCAL(description);
    FindText("hunter2-searched");
}

}  // namespace modSecrets

namespace {

class frmSecret : public trace::Traced {
public:
    const char* TraceName() const override { return "frmSecret"; }
    void cmdOK_Click() try {
        TRACE("cmdOK_Click");
        modSecrets::SaveRecord(modSecrets::CurUsPasw);
    }
    TRACE_BOUNDARY
};

using SecretReport = tracetest::TraceTest;

TEST_F(SecretReport, ReportHoldsNoSecretWhereverItIsHeld) {
    trace::RegisterGlobals(trace::GlobalSection::ModMain, [] { return modSecrets::DumpModuleVars(); });
    frmSecret form;
    ExpectEnds([&] { form.cmdOK_Click(); });
    const std::string& r = trace::ErrorMessage;
    ASSERT_NE(r.find("Block Name: SetField"), std::string::npos);
    for (const char* secret :
         {"5F4DCC3B5AA765D61D8327DEB882CF99", "typed-plain-text", "Gen3r4tedPw", "D41D8CD98F00B204E9800998ECF8427E",
          "alice@example.org", "31-24-11", "correct horse", "hunter2-searched"})
        EXPECT_EQ(r.find(secret), std::string::npos) << secret;
    // The variables are still there, with their names.
    EXPECT_NE(r.find("<CurUsPasw>{Hidden}</CurUsPasw>"), std::string::npos);
    EXPECT_NE(r.find("<NewValue>{Hidden}</NewValue>"), std::string::npos);
    EXPECT_NE(r.find("Name: modSecrets.FindText, Type: 1, Parameters: <SText>{Hidden}</SText>"), std::string::npos);
    EXPECT_NE(r.find("<CurUser>alice</CurUser>"), std::string::npos);
}

TEST(Secret, KeepsItsBytesForTheCode) {
    trace::Secret a = "pw";
    trace::Secret b = a;
    EXPECT_EQ(b.str(), "pw");
    trace::Secret c = std::move(a);
    EXPECT_TRUE(a.empty());  // NOLINT: a moved-from Secret is wiped
    EXPECT_EQ(c, b);
    c.clear();
    EXPECT_TRUE(c.empty());
}

// What a dropped Secret leaves in its own buffer: short texts live inside the
// object itself, and a move copies them out rather than taking a pointer.
TEST(Secret, LeavesNoByteBehindWhenMovedOrCleared) {
    auto leftover = [](const trace::Secret& s) {
        const std::string& str = s.str();
        return std::string(str.data(), str.capacity());
    };
    for (const char* text : {"pw12345", "a secret longer than any inline buffer"}) {
        trace::Secret a = text;
        trace::Secret b = std::move(a);
        EXPECT_EQ(b.str(), text);
        EXPECT_EQ(leftover(a).find_first_not_of('\0'), std::string::npos) << text;  // NOLINT: moved-from
        trace::Secret c = text;
        c = std::move(b);
        EXPECT_EQ(leftover(b).find_first_not_of('\0'), std::string::npos) << text;  // NOLINT: moved-from
        c.clear();
        EXPECT_EQ(leftover(c).find_first_not_of('\0'), std::string::npos) << text;
    }
}

}  // namespace

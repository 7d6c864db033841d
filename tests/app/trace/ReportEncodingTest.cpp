// A report is one code-page text although paths are held as the file
// system's bytes (UTF-8): with a home folder "hömé" the report, the report
// window and the upload all carry the code page's bytes for it.
#include <gtest/gtest.h>

#include "ReportBytes.h"
#include "TraceFixture.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/trace/windows/ReportUpload.h"
#include "platform/CodePage.h"
#include "platform/qt/AnsiText.h"

namespace {

class ReportEncoding : public tracetest::TraceTest {
protected:
    void SetUp() override {
        tracetest::TraceTest::SetUp();
        plat::SetAnsiCodePageForTests(1252);
        modMain::RegisterTraceGlobals();
    }
    void TearDown() override {
        modMain::ProgCfgPath.clear();
        modMain::CurUsDBPath.clear();
        modMain::BrowsePath.clear();
        modMain::ProgConfig.Erase();
        plat::SetAnsiCodePageForTests(0);
        tracetest::TraceTest::TearDown();
    }
};

TEST_F(ReportEncoding, PathsEnterTheReportAsCodePageText) {
    // "hömé" in UTF-8, as the file system holds it; "ж" is outside cp1252 and
    // "Á" is C3 81 in UTF-8, whose 81 cp1252 leaves undefined.
    const std::string home = "/home/h\xC3\xB6m\xC3\xA9";
    modMain::ProgCfgPath = home + "/.local/share/QuellonPM/config.dat";
    modMain::CurUsDBPath = home + "/db/\xC3\x81nna.vdb";
    modMain::BrowsePath = home + "/\xD0\xB6";
    modMain::ProgConfig.ReDim(1, 20);
    modMain::ProgConfig(4) = "J\xF6rg";  // a user name: code-page text already
    modMain::ProgConfig(5) = home + "/db";

    ExpectEnds([&] {
        try {
            modLang::LoadLang(home + "/Languages/English.lng");  // no such file
        } catch (...) {
            trace::Fail();
        }
    });
    ASSERT_EQ(shown.size(), 1u);
    const std::string& report = shown[0];
    const std::string cpHome = "/home/h\xF6m\xE9";
    for (const std::string& part : std::initializer_list<std::string>{
             "<ProgCfgPath>" + cpHome + "/.local/share/QuellonPM/config.dat</ProgCfgPath>",
             "<CurUsDBPath>" + cpHome + "/db/\xC1nna.vdb</CurUsDBPath>",
             std::string("<ProgConfig Index=\"4\">J\xF6rg</ProgConfig>"),
             "<ProgConfig Index=\"5\">" + cpHome + "/db</ProgConfig>",
             "<Parameters>\r\n<LangFile>" + cpHome + "/Languages/English.lng</LangFile>\r\n</Parameters>",
             "Stack Trace: Name: modLang.LoadLang, Type: 1, Parameters: <LangFile>" + cpHome + "/Languages/",
         })
        EXPECT_NE(report.find(part), std::string::npos) << part;
    EXPECT_EQ(report.find("\xC3"), std::string::npos);
    tracetest::ExpectCodePageText(report);

    // What the report window shows and what the upload sends.
    EXPECT_TRUE(qtplat::AnsiToQString(report).contains(QStringLiteral("/home/hömé/db/Ánna.vdb")));
    const std::string body = trace::URLEncode(report);
    EXPECT_NE(body.find("%2Fhome%2Fh%F6m%E9%2Fdb"), std::string::npos);
    EXPECT_EQ(body.find("%C3"), std::string::npos);
}

TEST_F(ReportEncoding, ACharacterTheCodePageLacksBecomesAQuestionMark) {
    EXPECT_EQ(trace::DumpPath("BrowsePath", "/home/\xD0\xB6/x"), "<BrowsePath>/home/?/x</BrowsePath>\r\n");
    // Bytes that are no UTF-8 at all (a name from another system) too.
    EXPECT_EQ(trace::ReportPath("/a/\xFF\xFE"), "/a/??");
    plat::SetAnsiCodePageForTests(1251);
    EXPECT_EQ(trace::ReportPath("/home/\xD0\xB6/h\xC3\xB6"), "/home/\xE6/h?");
}

}  // namespace

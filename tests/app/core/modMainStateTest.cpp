// The module's variables in the error report: their order, and secrets
// hidden whatever path they take.
#include <gtest/gtest.h>

#include "CoreTestEnv.h"

namespace {

using coretest::CoreTest;

class modMainState : public CoreTest {};

// The modMain section of the global dump as a report lists it.
std::string ExpectedGlobals(const std::string& progConfig, const std::string& stack) {
    return "<FrmPaswResult>1</FrmPaswResult>\r\n"
           "<FrmPaswEnetered>{Hidden}</FrmPaswEnetered>\r\n"
           "<FrmPaswShown>True</FrmPaswShown>\r\n"
           "<FindIndNum>4</FindIndNum>\r\n"
           "<LastActive>77</LastActive>\r\n"
           "<DoUnloadTIcon>False</DoUnloadTIcon>\r\n"
           "<CurUser>alice</CurUser>\r\n"
           "<CurUsDBPath>/db/alice.vdb</CurUsDBPath>\r\n"
           "<CurUsPasw>{Hidden}</CurUsPasw>\r\n" +
           progConfig +
           "<ProgCfgPath>/cfg/config.dat</ProgCfgPath>\r\n"
           "<LastGenPasw></LastGenPasw>\r\n"
           "<LastFindText>{Hidden}</LastFindText>\r\n"
           "<UpTime>3</UpTime>\r\n"
           "<LastKbdState>{KeyboardBytes}</LastKbdState><LastCursorPos>{POINTAPI}</LastCursorPos>"
           "<ErrorMessage></ErrorMessage>\r\n" +
           stack + "<CurUsDB>{Cannot dump external UDTs}</CurUsDB><MDFM>{Cannot dump external UDTs}</MDFM>";
}

void FillState() {
    using namespace modMain;
    FrmPaswResult = 1;
    FrmPaswEnetered = "typed secret";
    FrmPaswShown = true;
    FindIndNum = 4;
    LastActive = 77;
    CurUser = "alice";
    CurUsDBPath = "/db/alice.vdb";
    CurUsPasw = "0123456789ABCDEF0123456789ABCDEF";
    ProgCfgPath = "/cfg/config.dat";
    LastGenPasw.clear();  // an empty secret keeps its empty form
    LastFindText = "bank";
    UpTime = 3;
}

TEST_F(modMainState, ModuleDumpListsPrivateVariablesThenTheGlobalsInReportOrder) {
    FillState();
    SetOptions({"True", "n15"});
    modMain::BrowsePath = "/home";
    const std::string progConfig =
        "<ProgConfig>\r\n"
        "  <ProgConfig Index=\"1\">True</ProgConfig>\r\n"
        "  <ProgConfig Index=\"2\">n15</ProgConfig>\r\n"
        "</ProgConfig>\r\n";
    EXPECT_EQ(modMain::DumpModuleVars(),
              "<DbgFile>0</DbgFile>\r\n"
              "<BrowsePath>/home</BrowsePath>\r\n"
              "<CustomColors>\r\n{UnInitialised Array}</CustomColors>\r\n" +
                  ExpectedGlobals(progConfig, "<FStack>\r\n  <FStack Index=\"0\"></FStack>\r\n</FStack>\r\n"));
}

TEST_F(modMainState, ReportOfAnErrorInACoreProcedureHidesTheSecretsOfEveryList) {
    FillState();
    ExpectEnds([] {
        try {
            std::int32_t colour = 0, flags = 0;
            // No "|": the split raises, as a damaged flags text must.
            modMain::GetSepatRecOptns("no bar", colour, flags);
        }
        TRACE_BOUNDARY
    });
    ASSERT_EQ(shown.size(), 1u);
    const std::string& report = shown.front();
    EXPECT_NE(report.find("Module Name: modMain\r\nBlock Name: GetSepatRecOptns\r\n"), std::string::npos);
    EXPECT_NE(report.find("<LocalVariables>\r\n<p>0</p>\r\n</LocalVariables>"), std::string::npos);
    // The module variables and the global section both carry modMain's
    // globals in order, with the secrets hidden and ProgConfig never loaded.
    const std::string stack =
        "<FStack>\r\n  <FStack Index=\"1\">Name: modMain.GetSepatRecOptns, Type: 1, Parameters: "
        "<InpStr>no bar</InpStr>\r\n<BufCol>0</BufCol>\r\n<BufFlags>0</BufFlags>\r\n;--></FStack>\r\n</FStack>\r\n";
    const std::string globals = ExpectedGlobals("<ProgConfig>\r\n{UnInitialised Array}</ProgConfig>\r\n", stack);
    EXPECT_NE(report.find("<ModuleVariables>\r\n<DbgFile>0</DbgFile>\r\n<BrowsePath></BrowsePath>\r\n"
                          "<CustomColors>\r\n{UnInitialised Array}</CustomColors>\r\n" +
                          globals + "</ModuleVariables>"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("<GlobalVariables>\r\n" + globals +
                          "<TxtMas>\r\n{UnInitialised Array}</TxtMas>\r\n"
                          "<TrayIcon>{NOTIFYICONDATA}</TrayIcon>"),
              std::string::npos)
        << report;
    EXPECT_EQ(report.find("typed secret"), std::string::npos);
    EXPECT_EQ(report.find("0123456789ABCDEF"), std::string::npos);
}

}  // namespace

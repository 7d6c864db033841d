#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TempDir.h"
#include "app/trace/Trace.h"
#include "app/trace/zeltClient.h"
#include "platform/Registry.h"

namespace {

using trace::RegValue;
using trace::zeltClient;

struct FakeLink : trace::DebuggerLink {
    void Start(long mode) override { started = mode; }
    bool HasDebugSession() override { return true; }
    long Send(long, const std::string&, std::int32_t&, long, long) override { return 1; }
    long started = -1;
};

zeltClient WithCount(RegValue count, bool toolInstalled) {
    return zeltClient([count](const std::string&, const std::string&) { return count; },
                      [toolInstalled]() -> std::unique_ptr<trace::DebuggerLink> {
                          if (!toolInstalled) return nullptr;
                          return std::make_unique<FakeLink>();
                      });
}

TEST(zeltClient, InitializeNeedsASessionAndTheTool) {
    struct Case {
        RegValue count;
        bool tool;
        bool ready;
    };
    const Case cases[] = {
        {RegValue{}, true, false},                   // no key or value
        {RegValue{std::string("0")}, true, false},   // text 0
        {RegValue{std::uint32_t{0}}, true, false},   // number 0
        {RegValue{std::string("3")}, false, false},  // a session, but no tool
        {RegValue{std::string("2 x")}, true, true},  // leading number
        {RegValue{std::uint32_t{1}}, true, true},
    };
    for (const Case& c : cases) {
        zeltClient client = WithCount(c.count, c.tool);
        EXPECT_EQ(client.Initialize(1), c.ready);
        EXPECT_FALSE(client.Initialize(1));  // only the first call works
    }
}

TEST(zeltClient, TheRealProbeReadsTheRegistryAndStaysInert) {
    qpmtest::TempDir dir;
    ::setenv("QUELLON_REGISTRY_ROOT", dir.path().c_str(), 1);
    zeltClient empty;
    EXPECT_FALSE(empty.Initialize(1));
    ASSERT_EQ(plat::RegSetString(plat::HKEY_CURRENT_USER, zeltClient::kDebuggerKey, "Count", "3"), plat::RegStatus::Ok);
    zeltClient withSession;
    EXPECT_FALSE(withSession.Initialize(1));  // the tool is not part of this system
    EXPECT_EQ(withSession.IPC(), nullptr);

    trace::InitErrorTrace();
    EXPECT_FALSE(trace::IsDebugSession());
    std::int32_t v = 0;
    EXPECT_EQ(trace::SendDebuggerMessage(500, "frmMain,3", v, 2000, 0), -10);
    ::unsetenv("QUELLON_REGISTRY_ROOT");
}

TEST(zeltClient, SplitCommandLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"/a b/x\"  arg", "/a b/x arg"},
        {"x", "x"},
        {"x   a b", "x a b"},
        {"\"/a b/x\"", "/a b/x"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(zeltClient::SplitCommandLine(in), out) << in;
}

TEST(zeltClient, Queries) {
    zeltClient client;
    std::string r = "old";
    EXPECT_EQ(client.OnQuery(5, r), -6);
    EXPECT_EQ(r, "");
    EXPECT_EQ(client.OnQuery(1, r), 1);
    EXPECT_EQ(r, "QuellonPasswordMngr");
    EXPECT_EQ(client.OnQuery(3, r), 1);
    EXPECT_EQ(r, trace::VersionText());
    EXPECT_EQ(client.OnQuery(2, r), 1);
    EXPECT_NE(r.find("app_trace_tests"), std::string::npos);
    EXPECT_EQ(client.OnQuery(4, r), 1);
    EXPECT_EQ(r.rfind(zeltClient::SplitCommandLine(zeltClient::ProcessCommandLine()), 0), 0u);
}

}  // namespace

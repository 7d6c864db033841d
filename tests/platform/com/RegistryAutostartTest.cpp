#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/RegistryAutostart.h"

namespace {

using namespace plat::reg_internal;

// The Exec value as the desktop entry holds it, string escapes included
// (every backslash of the quoted argument doubled).
TEST(RegistryAutostart, ExecLineQuotesOddPathsAndReadsThemBack) {
    struct Case {
        std::string command;
        std::string exec;
    };
    const Case cases[] = {
        {"/opt/q/QuellonPasswordMngr", "/opt/q/QuellonPasswordMngr"},
        {"/opt/100%u/run", "/opt/100%%u/run"},  // no field code
        {"/opt/my progs/q", "\"/opt/my progs/q\""},
        {" /lead and trail ", "\" /lead and trail \""},
        {"/opt/two  blanks", "\"/opt/two  blanks\""},
        {"/opt/it's", "\"/opt/it's\""},
        {"/opt/$HOME/`x`", "\"/opt/\\\\$HOME/\\\\`x\\\\`\""},
        {"/opt/say \"hi\"", "\"/opt/say \\\\\"hi\\\\\"\""},
        {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
        {"/opt/a;b&c|d>e<f~g*h?i#j(k)", "\"/opt/a;b&c|d>e<f~g*h?i#j(k)\""},
        {"/opt/50% of $", "\"/opt/50%% of \\\\$\""},
        {"/opt/\xC3\xA9t\xC3\xA9", "/opt/\xC3\xA9t\xC3\xA9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExecLine(c.command), c.exec) << c.command;
        EXPECT_EQ(CommandFromExec(c.exec), c.command) << c.exec;
    }
}

// Entries written by hand or by another tool: arguments come back joined by one blank.
TEST(RegistryAutostart, ReadsHandWrittenExecLines) {
    struct Case {
        std::string exec;
        std::optional<std::string> command;
    };
    const Case cases[] = {
        {"/usr/bin/q --minimized", "/usr/bin/q --minimized"},
        {"  \"/opt/a b\"\t-x  ", "/opt/a b -x"},
        {"/opt/a\\sb", "/opt/a b"},  // the entry's string escape for a blank
        {"\"/opt/a\\\\\"b\"", "/opt/a\"b"},
        {"\"/opt/unclosed", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(CommandFromExec(c.exec), c.command) << c.exec;
}

}  // namespace

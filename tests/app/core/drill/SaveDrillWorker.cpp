// The worker of the save drill: logs a user in and saves it again, over and
// over, until it is killed. Each round raises the generation stored in the
// first record's title, so the drill can tell the old content from the new.
//
// Usage: SaveDrillWorker <program folder> <databases folder> <user> <password MD5>
// The environment (registry, private folder) comes from the drill. It writes
// "ready" once set up and "saved <generation>" after each complete save, one
// line each, to standard output.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"

namespace {

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "save drill worker: %s\n", why.c_str());
    std::_Exit(3);
}

void Say(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size())) Fail("output lost");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) Fail("usage: SaveDrillWorker <program folder> <databases folder> <user> <password MD5>");
    const std::string name = argv[3];
    const trace::Secret md5 = std::string(argv[4]);
    trace::SetErrorHooks(
        {[](const std::string& report) { Fail("run-time error:\n" + report); }, [] { Fail("the program would end"); }});
    modMain::RegisterTraceGlobals();
    modMain::SetAppPathForTests(argv[1]);
    modMain::ProgConfig.ReDim(1, 20);
    modMain::ProgConfig(5) = argv[2];
    modMain::ProgCfgPath = std::string(argv[1]) + "/config.dat";
    modMain::MDFM = std::make_shared<clsDataFilesManager>();
    modMain::CurUsDB = std::make_shared<clsDatabase>();
    Say("ready");
    try {
        for (;;) {
            if (modMain::FullUserLoad(name, md5).has_value()) Fail("the login failed");
            clsDatabase& db = *modMain::CurUsDB;
            const std::string title = db.GetTblFldVal(1, 1, 4);
            const long generation = std::strtol(title.c_str() + title.find(' ') + 1, nullptr, 10) + 1;
            db.SetTblFldVal(1, 1, 4, "generation " + std::to_string(generation));
            const std::int32_t saved = modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(md5));
            if (saved != 2) Fail("the save gave " + std::to_string(saved));
            Say("saved " + std::to_string(generation));
        }
    } catch (const std::exception& e) {
        Fail(e.what());
    }
}

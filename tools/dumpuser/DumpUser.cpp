// Prints the rows of a user's database file, opened with the user's master
// password the way the program opens it (the outer layer, then the library's
// load under the file key):
//
//   qpm_dump_user <user file> <password>
//
// The first line names the columns; each further line is one row, its fields
// separated by tabs, as UTF-8 from the stored code-page bytes. A tab, CR, LF
// or backslash inside a field is written as \t, \r, \n or \\, so a row is
// always one line. Exit status: 0 printed, 2 the password does not open the
// file, 1 any other failure (no file, unreadable file, no library).
//
// The library must be registered (QUELLON_REGISTRY_ROOT) and the private
// folder (XDG_RUNTIME_DIR) must be one the tool may use. Nothing is written
// but a temporary file in that folder, removed again.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/com/Creation.h"

namespace {

constexpr int kWrongPassword = 2;

// The database objects hold components of the library: they are released
// before the process ends, on every path.
void ReleaseDatabases() {
    modMain::CurUsDB.reset();
    modMain::MDFM.reset();
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "qpm_dump_user: %s\n", what.c_str());
    ReleaseDatabases();
    std::exit(1);
}

std::string Escaped(const std::string& ansi) {
    std::string out;
    for (const char c : plat::AnsiToUtf8(ansi)) {
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

int Dump(const std::string& path, const std::string& password) {
    modMain::ProgConfig.ReDim(1, 20);
    modMain::MDFM = std::make_shared<clsDataFilesManager>();
    modMain::CurUsDB = std::make_shared<clsDatabase>();
    if (!plat::ReadWholeFile(path)) Fail("cannot read " + path);

    const trace::Secret md5 =
        com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH)->DigestStrToHexStr(password);
    if (modMain::TestUsPasw(path, md5) != 1) {
        ReleaseDatabases();
        return kWrongPassword;
    }
    const std::int32_t loaded = modMain::LoadUser(path, modMain::GetTruePasw(md5));
    if (loaded != 2) Fail("the file did not load (result " + std::to_string(loaded) + ")");

    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t table = db.FindTable("DataTable");
    if (table <= 0) Fail("the file holds no table DataTable");
    const vedb::Head head = db.GetTblCaption(table);
    std::string line;
    for (std::size_t c = 0; c < head.fields.size(); ++c) line += (c ? "\t" : "") + Escaped(head.fields[c].Name);
    std::printf("%s\n", line.c_str());
    const std::int32_t rows = db.GetTblRecNum(table);
    for (std::int32_t r = 1; r <= rows; ++r) {
        line.clear();
        for (std::size_t c = 0; c < head.fields.size(); ++c)
            line += (c ? "\t" : "") + Escaped(db.GetTblFldVal(table, r, static_cast<std::int32_t>(c) + 1));
        std::printf("%s\n", line.c_str());
    }
    ReleaseDatabases();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) Fail("usage: qpm_dump_user <user file> <password>");
    trace::ResetStack();
    trace::SetErrorHooks(
        {[](const std::string& report) { std::fprintf(stderr, "%s\n", report.c_str()); }, [] { std::exit(1); }});
    try {
        return Dump(argv[1], argv[2]);
    } catch (const vb::VbError& e) {
        Fail("run-time error " + std::to_string(e.Number()) + ": " + e.Description());
    }
}

// Makes the sample user's database for the program folder: the user
// "SampleUser" with the password "58203716", holding a few folders and records
// made up for the purpose (no real account). The program's own code creates,
// logs in and saves the user, so the file is exactly what the program writes.
//
//   qpm_make_sample_user <work folder> <output file>
//
// The library must be registered (QUELLON_REGISTRY_ROOT) and the private
// folder (XDG_RUNTIME_DIR) must be the tool's own. The output is replaced only
// once it is complete.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/com/Creation.h"

namespace {

constexpr const char* kUser = "SampleUser";
constexpr const char* kPassword = "58203716";

// IndNum, Parent, Type (1 folder, 2 record), Title, Login, Password,
// Description, Image, Flags (colour|bold).
const std::vector<std::vector<std::string>> kRows = {
    {"1", "0", "1", "Internet", "", "", "", "2key", "0|0"},
    {"2", "0", "1", "Mail", "", "", "", "3key", "0|0"},
    {"3", "0", "1", "Money and shopping", "", "", "", "4key", "0|0"},
    {"4", "1", "2", "Example forum", "sample.user", "Forum-Demo-4821",
     "A made-up forum account: it shows where a login and its password go.", "10key", "0|0"},
    {"5", "1", "2", "Home router", "admin", "Router-Demo-9357",
     "Routers come with a default password.\r\nChange it, and keep the new one here.", "14key", "0|0"},
    {"6", "2", "2", "Sample mailbox", "sample.user@example.com", "Mail-Demo-2690",
     "A record shown in red and bold: the edit dialog sets the colour and style.", "8key", "255|1"},
    {"7", "3", "2", "Example shop", "sample.user", "Shop-Demo-7714", "", "17key", "0|0"},
    {"8", "3", "2", "Demo card PIN", "", "0000", "Not a real card.", "9key", "0|0"},
    {"9", "0", "2", "Read me", "", "",
     "This is the sample database of the user SampleUser.\r\nCreate a user of your own for your passwords.", "41key",
     "0|0"},
};

std::string Md5Text(const std::string& text) {
    return com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH)->DigestStrToHexStr(text);
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "qpm_make_sample_user: %s\n", what.c_str());
    std::exit(1);
}

void MakeSample(const std::string& work, const std::string& output) {
    modMain::ProgConfig.ReDim(1, 20);
    modMain::ProgConfig(5) = work;
    modMain::ProgCfgPath = work + "/config.dat";
    modMain::MDFM = std::make_shared<clsDataFilesManager>();
    modMain::CurUsDB = std::make_shared<clsDatabase>();

    const std::string path = modMain::UserFilePath(kUser);
    if (modMain::AddUser(path, kUser, kPassword) != modMain::kUserCreated) Fail("the user was not created");
    const trace::Secret pasw = Md5Text(kPassword);
    if (modMain::TestUsPasw(path, pasw) != 1) Fail("the new user's password does not open the file");
    if (modMain::FullUserLoad(kUser, pasw).has_value()) Fail("the new user could not log in");

    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t table = db.FindTable("DataTable");
    for (const auto& row : kRows) {
        db.AddRecord(table);
        const std::int32_t r = db.GetTblRecNum(table);
        for (std::size_t c = 0; c < row.size(); ++c)
            db.SetTblFldVal(table, r, static_cast<std::int32_t>(c) + 1, row[c]);
    }
    db.SetTblTag(table, kRows.back().front());
    if (modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)) != 2)
        Fail("the sample records were not saved");

    const std::optional<std::string> bytes = plat::ReadWholeFile(path);
    if (!bytes) Fail("cannot read " + path);
    // The program folder's copy is read by every user of the machine.
    plat::ReplaceFile(output, *bytes, 0644);

    modMain::UnloadUser();
    modMain::CurUsDB.reset();
    modMain::MDFM.reset();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) Fail("usage: qpm_make_sample_user <work folder> <output file>");
    trace::ResetStack();
    trace::SetErrorHooks(
        {[](const std::string& report) { std::fprintf(stderr, "%s\n", report.c_str()); }, [] { std::exit(1); }});
    try {
        MakeSample(argv[1], argv[2]);
    } catch (const vb::VbError& e) {
        Fail("run-time error " + std::to_string(e.Number()) + ": " + e.Description());
    }
    return 0;
}

#pragma once
// The main module: the program state every window and dialog reads and
// writes, the start procedure Main, the debug log, the options file, and the
// small services (activity check, autorun, colour choice, string and file
// helpers) the rest of the core calls.
//
// Text is held as ANSI code-page bytes (std::string), never UTF-8. Folder
// paths use "/" where the original used "\"; Pt appends it.
//
// Secrets (the password hash of the logged-in user, the dialog's typed
// password, the last generated password) are trace::Secret, so an error
// report shows them as {Hidden}.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/trace/Secret.h"
#include "app/trace/VbArray.h"

class clsDatabase;
class clsDataFilesManager;

namespace modMain {

// A screen position (the platform's POINTAPI record).
struct POINTAPI {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const POINTAPI&, const POINTAPI&) = default;
};
// The 256-byte key state of the program's thread (KeyboardBytes).
using KeyboardBytes = std::array<std::uint8_t, 256>;

// ---- Program state ----

// Result of the password dialog: 1 password right, 2 wrong or no user file,
// 3 cancelled.
extern std::int32_t FrmPaswResult;
// While the password dialog is open the text typed so far; after its OK the
// MD5 text of that password.
extern trace::Secret FrmPaswEnetered;
extern bool FrmPaswShown;                       // the password dialog is open
extern std::int32_t FindIndNum;                 // row where the next find starts
extern std::int32_t LastActive;                 // whole clock seconds of the last input
extern bool DoUnloadTIcon;                      // the notification-area icon exists
extern std::string CurUser;                     // the logged-in user; empty when none
extern std::string CurUsDBPath;                 // full path of that user's file
extern trace::Secret CurUsPasw;                 // MD5 text of that user's password
extern trace::VbArray<std::string> ProgConfig;  // the options, 1-based
extern std::string ProgCfgPath;                 // the options file SaveConfig writes
extern trace::Secret LastGenPasw;               // last password of the generator
extern std::string LastFindText;                // last text searched
extern std::int32_t UpTime;                     // ticks of the auto-backup timer
extern KeyboardBytes LastKbdState;              // key state last seen by CheckActivity
extern POINTAPI LastCursorPos;                  // cursor position last seen by CheckActivity
// The logged-in user's database (an empty one when nobody is logged in) and
// the registry of open database files; both exist from Main's step 10 on.
extern std::shared_ptr<clsDatabase> CurUsDB;
extern std::shared_ptr<clsDataFilesManager> MDFM;

// Module-private in spirit; here so the report and the tests see them.
extern std::int32_t DbgFile;                       // file number DbgPrint used
extern std::string BrowsePath;                     // start folder of the folder picker
extern trace::VbArray<std::uint8_t> CustomColors;  // 16 custom colours, 4 bytes each

// ---- Trace hooks ----

// The module's variables as dump lines: DbgFile, BrowsePath, CustomColors,
// then the globals in report order.
std::string DumpModuleVars();
// The module's section of the report's global dump.
std::string DumpGlobals();
// Registers modMain's and modLang's sections with the trace.
void RegisterTraceGlobals();

}  // namespace modMain

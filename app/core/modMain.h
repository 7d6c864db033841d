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
#include <optional>
#include <string>
#include <string_view>

#include "app/trace/Secret.h"
#include "app/trace/VbArray.h"

class clsDatabase;
class clsDataFilesManager;
class QWidget;

namespace qtplat {
class FolderPicker;
}

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
extern trace::Secret LastFindText;              // last text searched (it may be a password)
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

// ---- Start-up ----

// What Main did: the program runs on, or another instance was found and the
// program must end.
enum class StartResult { Started, SecondInstance };

// Brings the program up: trace, log banner and version, second-instance
// check, control registration, common controls, colours, options, language
// texts. `afterStart` then runs the rest of the start (the two database
// objects and the main window); without it Main returns after the language
// texts. Any run-time error goes to the error handler, which reports it for
// modMain.Main and ends the program.
StartResult Main(const std::function<void()>& afterStart = {});

// ---- Program folder and debug log ----

// The program's folder (where the executable lives), without a trailing "/".
std::string AppPath();
// Tests point the program folder at a folder of their own; empty restores it.
void SetAppPathForTests(const std::string& folder);

// Appends one line to "DbgFile.dat" in the program folder: the date and time,
// ".(", the clock with 5 decimals, "): ", the text, CR LF. A log that cannot
// be written is skipped: the log never ends the program.
void DbgPrint(const std::string& DbgStr);
// The path with "/" appended unless it already ends with it; the empty path
// gives "./" (the current folder, never the root).
std::string Pt(const std::string& Path);
// True when the path names an existing file or folder; never raises.
bool FileExist(const std::string& FileName);

// ---- Options ----

// Appends each line of an options file to pOptions; -2 (and a log line) when
// the file does not exist, else 0.
std::int32_t LoadConfig(const std::string& FPath, trace::VbArray<std::string>& pOptions);
// Writes ProgConfig to the file, one option per line, replacing the file
// only once everything is written. Raises 75 (76 for a missing folder) when
// the file cannot be written, and 75 when it is a symbolic link, which is
// never written through; the old file then stays as it was.
void SaveConfigOrRaise(const std::string& FPath);
// The same for the saves the program makes on its own (log-in, log-out,
// exit): a failure is logged and the options stay in memory; with tellUser
// the user is told with a message, once until a save succeeds again.
// False when the file could not be written.
bool SaveConfig(const std::string& FPath, bool tellUser = true);
// First run: the options from "start.dat", a "DataBases" folder in
// UsFoldPath as option 5, saved to CfgPath (which becomes ProgCfgPath).
void CreateConfig(const std::string& UsFoldPath, const std::string& CfgPath);
// Lets the user pick the databases folder (option 5) and saves the options.
// The picker belongs to `owner` (a dialog that asks for it, so the picker is
// never hidden behind that dialog), or to the main window when none is given.
void ChaneDBPath(QWidget* owner = nullptr);
// The folder picker; Path is where it starts and, when a folder is chosen
// (result True), that folder.
bool dlgBrowseFolder(QWidget* OwnerForm, std::string& Path, const std::string& Title, bool AllowExtStyle,
                     bool AllowManualEnter);
// The picker's callback: once it is ready, selects BrowsePath. Always 0.
std::int32_t BrowseCallbackProc(qtplat::FolderPicker* hwnd, std::uint32_t uMsg, std::intptr_t lParam,
                                std::intptr_t lpData);

// ---- Services ----

// 0 nothing new, 1 the mouse moved, 2 a key state changed, 3 no input for
// longer than option 11 minutes (15, with a log line, while option 11 is no
// usable number: a damaged option never switches the lock off).
std::int32_t CheckActivity();
// Writes (True) or removes (False) the autorun entry "Norvask Kessaro".
void AutorunManagement(bool Autorun);
// The colour dialog: the chosen colour, or -1 when cancelled. The custom
// colours the user set stay for the next call.
std::int32_t ShowChooseColor(QWidget* hwnd, std::int32_t InitCol);
// Appends Elem; an array whose upper bound is 0 becomes (1 To 1).
void AddElemToStrMass(trace::VbArray<std::string>& pMass, const std::string& Elem);
// The text before its first NUL (all of it without one); the argument is cut
// the same way.
std::string StripNulls(std::string& OriginalStr);
// Cuts Text at its first NUL.
void RemoveNullChar(std::string& Text);
// Deletes a file (read-only ones too): 0 deleted, -2 no such file.
std::int32_t TrueKill(const std::string& Path);
// Returns Addr unchanged.
std::intptr_t FnPtr(std::intptr_t Addr);
// Splits a record's flags text "colour|flags" into its two numbers.
void GetSepatRecOptns(const std::string& InpStr, std::int32_t& BufCol, std::int32_t& BufFlags);

// ---- Trace hooks ----

// The module's variables as dump lines: DbgFile, BrowsePath, CustomColors,
// then the globals in report order.
std::string DumpModuleVars();
// The module's section of the report's global dump.
std::string DumpGlobals();
// An options array as a report shows it (the databases folder is a path).
std::string DumpOptions(std::string_view name, const trace::VbArray<std::string>& options);
// Registers modMain's and modLang's sections with the trace.
void RegisterTraceGlobals();

}  // namespace modMain

// The options: the options file, the first-run set-up, the choice between a
// portable and a per-user installation, and the databases folder picker.
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "app/core/TextLines.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainStartup.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/FileIO.h"
#include "platform/SystemFolder.h"
#include "platform/TextStream.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/Choosers.h"
#include "platform/qt/Desktop.h"

namespace modMain {
namespace {

// No option needs more than a path's length; a longer line is damage (or an
// attack), and carried on it would make every window that shows it unusable.
constexpr std::size_t kMaxOptionLength = 4096;
// The last user is a user name, which is at most 40 characters.
constexpr std::size_t kMaxUserNameLength = 40;

// Told when the options could not be written; the options stay in memory.
constexpr const char* kOptionsNotSaved = "The options could not be saved to ";
constexpr const char* kOptionsNotSavedTail = ". The changes apply until the program ends.";
// The options file the user has been told could not be saved; a save that
// succeeds clears it, so a file that keeps failing is told about once, not
// at every login.
std::string g_toldNotSaved;

long OptionsHeld() { return ProgConfig.Allocated() && ProgConfig.Dimensions() == 1 ? ProgConfig.UBound() : 0; }

void MakeFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) vb::Raise(vb::errPathFileAccess, "modMain");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
}

// Copies a file without ever replacing one that is there.
void CopyNewFile(const std::string& from, const std::string& to) {
    if (FileExist(to)) return;
    plat::ReplaceFile(to, plat::ReadFileOrRaise(from));
}

// Options the file lacks (a file cut short, edited by hand) are taken from
// the shipped defaults, so no reader ever meets a missing option.
void CompleteOptions() {
    const long held = OptionsHeld();
    if (held >= kOptionCount) return;
    trace::VbArray<std::string> defaults(0, 0);
    if (LoadConfig(Pt(AppPath()) + "start.dat", defaults) != 0) return;
    const long available = defaults.UBound();
    for (long i = held + 1; i <= kOptionCount && i <= available; ++i) AddElemToStrMass(ProgConfig, defaults(i));
    DbgPrint("Options " + std::to_string(held + 1) + " to " + std::to_string(std::min(kOptionCount, available)) +
             " missing: taken from start.dat");
}

}  // namespace

std::int32_t LoadConfig(const std::string& FPath, trace::VbArray<std::string>& pOptions) {
    TRACE_MOD(modMain, "LoadConfig", TV_PATH(FPath), TV(pOptions));
    if (!FileExist(FPath)) {
        DbgPrint("LoadConfig = -2");
        return -2;
    }
    long n = 0;
    for (std::string& line : coretext::ReadTextLines(FPath)) {
        ++n;
        if (line.size() > kMaxOptionLength) {
            DbgPrint("LoadConfig: line " + std::to_string(n) + " of " + FPath + " is " + std::to_string(line.size()) +
                     " bytes long; read as empty");
            line.clear();
        }
        AddElemToStrMass(pOptions, line);
    }
    // A portable installation on Windows followed the drive letter it ran
    // from by giving option 5 the program folder's first character. Paths
    // here have no drive letter (both begin with "/"), so there is nothing
    // to follow and option 5 is kept exactly as the file holds it.
    return 0;
}

void SaveConfigOrRaise(const std::string& FPath) {
    TRACE_MOD(modMain, "SaveConfigOrRaise", TV_PATH(FPath));
    // Options that never loaded are never written over a file that holds some.
    if (OptionsHeld() < 1) {
        DbgPrint("SaveConfig: no options to save");
        return;
    }
    struct stat st {};
    const bool exists = ::lstat(FPath.c_str(), &st) == 0;
    // The new file would take the place of the link and the mode of what it
    // points to: a link is never written through or replaced.
    if (exists && S_ISLNK(st.st_mode)) {
        DbgPrint("SaveConfig: " + FPath + " is a symbolic link; the options are not written");
        vb::Raise(vb::errPathFileAccess, "modMain.SaveConfig");
    }
    // The file names the last user and the databases folder: an options
    // file that came readable by others (unpacked with a portable copy) is
    // made the owner's alone first, so the new file takes over those bits.
    if (exists && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0) ::chmod(FPath.c_str(), st.st_mode & 0700);
    plat::TextWriter out(FPath);
    for (long i = ProgConfig.LBound(); i <= ProgConfig.UBound(); ++i) out.WriteLine(ProgConfig(i));
    out.Close();
}

bool SaveConfig(const std::string& FPath, bool tellUser) {
    TRACE_MOD(modMain, "SaveConfig", TV_PATH(FPath), TV(tellUser));
    try {
        SaveConfigOrRaise(FPath);
    } catch (const vb::VbError& e) {
        trace_frame_.Recover();
        DbgPrint("SaveConfig: " + FPath + " could not be written (" + e.Description() + "); the file is as it was");
        if (tellUser && g_toldNotSaved != FPath) {
            g_toldNotSaved = FPath;
            // The path is in the file system's form, the message in the code page.
            qtplat::MsgBox(kOptionsNotSaved + plat::Utf8ToAnsiLossy(FPath) + kOptionsNotSavedTail,
                           qtplat::vbExclamation);
        }
        return false;
    }
    g_toldNotSaved.clear();
    return true;
}

void CreateConfig(const std::string& UsFoldPath, const std::string& CfgPath) {
    TRACE_MOD(modMain, "CreateConfig", TV_PATH(UsFoldPath), TV_PATH(CfgPath));
    const std::string defaults = Pt(AppPath()) + "start.dat";
    ProgConfig.ReDim(0, 0);
    if (LoadConfig(defaults, ProgConfig) != 0) vb::Raise(vb::errFileNotFound, "modMain.CreateConfig");
    const std::string dbFolder = Pt(UsFoldPath) + "DataBases";
    if (!FileExist(dbFolder)) MakeFolder(dbFolder);
    OptionSlot(Option::DBPath) = dbFolder;
    ProgCfgPath = CfgPath;
    SaveConfig(CfgPath);
}

void ChaneDBPath(QWidget* owner) {
    TRACE_MOD(modMain, "ChaneDBPath");
    std::string p = OptionSlot(Option::DBPath);
    TRACE_LOCAL(p);
    if (dlgBrowseFolder(owner ? owner : qtplat::MainWindow(), p, "", true, true)) {
        OptionSlot(Option::DBPath) = Pt(p);
        SaveConfig(ProgCfgPath);
    }
}

bool dlgBrowseFolder(QWidget* OwnerForm, std::string& Path, const std::string& Title, bool AllowExtStyle,
                     bool AllowManualEnter) {
    TRACE_MOD(modMain, "dlgBrowseFolder", TV_WIDGET(OwnerForm), TV_PATH(Path), TV(Title), TV(AllowExtStyle),
              TV(AllowManualEnter));
    BrowsePath = Path;
    qtplat::FolderRequest BI;
    TRACE_LOCAL_VAR(TV_UDT(BI, "BrowseInfo"));
    BI.owner = OwnerForm;
    BI.title = Title;
    BI.flags = qtplat::BIF_RETURNONLYFSDIRS;
    if (AllowExtStyle) BI.flags |= qtplat::BIF_NEWDIALOGSTYLE;
    if (AllowManualEnter) BI.flags |= qtplat::BIF_EDITBOX;
    BI.callback = &BrowseCallbackProc;
    std::optional<std::string> chosen = qtplat::BrowseForFolder(BI);
    if (!chosen) return false;
    std::string result = *chosen;
    RemoveNullChar(result);
    // A choice that gives no path (a virtual folder) counts as no choice, so
    // no caller takes the empty text for a folder.
    if (result.empty()) return false;
    Path = result;
    return true;
}

std::int32_t BrowseCallbackProc(qtplat::FolderPicker* hwnd, std::uint32_t uMsg, std::intptr_t lParam,
                                std::intptr_t lpData) {
    const std::intptr_t handle = reinterpret_cast<std::intptr_t>(hwnd);
    TRACE_MOD(modMain, "BrowseCallbackProc", trace::Var{[&] { return trace::DumpVariable("hwnd", handle); }}, TV(uMsg),
              TV(lParam), TV(lpData));
    if (uMsg == qtplat::BFFM_INITIALIZED && hwnd) hwnd->SelectFolder(BrowsePath);
    return 0;
}

namespace startup {

void LoadProgramOptions() {
    const std::string portable = Pt(AppPath()) + "config.dat";
    if (FileExist(portable)) {
        LoadConfig(portable, ProgConfig);
        ProgCfgPath = portable;
    } else {
        const std::string folder = Pt(plat::DataHome()) + "QuellonPM";
        const std::string config = Pt(folder) + "config.dat";
        if (!FileExist(folder)) {
            MakeFolder(folder);
            CreateConfig(Pt(folder), config);
            // The demo user; an installation without it simply starts with
            // no users.
            const std::string sample = Pt(AppPath()) + "SampleUser.vdb";
            if (FileExist(sample))
                CopyNewFile(sample, Pt(folder) + "DataBases/SampleUser.vdb");
            else
                DbgPrint("No SampleUser.vdb beside the program: no demo user");
        } else if (FileExist(config)) {
            LoadConfig(config, ProgConfig);
            ProgCfgPath = config;
        } else {
            // The folder is there but its options file is not (removed by
            // hand): the options are made again from the defaults, and the
            // users' files in it stay as they are.
            DbgPrint("No config.dat in " + folder + ": options made again from start.dat");
            CreateConfig(Pt(folder), config);
        }
    }
    CompleteOptions();
    // A last user no user name can be is no user: nobody is asked for.
    if (OptionText(Option::LastUser).size() > kMaxUserNameLength) {
        DbgPrint("Option 4 is " + std::to_string(OptionSlot(Option::LastUser).size()) +
                 " characters long, more than a user name has; no last user");
        OptionSlot(Option::LastUser).clear();
    }
}

}  // namespace startup

}  // namespace modMain

#include "app/core/modMainUsers.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "VEDataBase/_clsRC4.h"
#include "app/core/CoreView.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUserFiles.h"
#include "app/core/modMainUserShape.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/FileIO.h"
#include "platform/SystemFolder.h"
#include "platform/com/Creation.h"

namespace modMain {

std::string PartialLoadFile;
std::string PartialLoadCopy;

void ForgetPartialLoad() {
    PartialLoadFile.clear();
    PartialLoadCopy.clear();
}

namespace {

// The first line of an enciphered database text and its line end.
constexpr std::string_view kMarkLine = "dzorvaLiL.ENC\r\n";

// A user name's file name may grow by the temporary suffixes of a save.
constexpr std::size_t kMaxNameBytes = 200;

com::ComPtr<vedb::_clsMD5HASH> NewMD5() { return com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH); }

com::ComPtr<vedb::_clsRC4> NewRC4() { return com::CreateObject<vedb::_clsRC4>(vedb::kProgIdClsRC4); }

// The first bytes of a file and its length; nothing when it cannot be read.
std::optional<std::string> ReadHead(const std::string& path, std::size_t count, std::int64_t& size) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::string head(count, '\0');
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) n = ::pread(fd, head.data(), count, 0);
    ::close(fd);
    if (n < 0) return std::nullopt;
    size = st.st_size;
    head.resize(static_cast<std::size_t>(n));
    return head;
}

}  // namespace

bool IsSafeUserName(const std::string& name) {
    TRACE_MOD(modMain, "IsSafeUserName", TV(name));
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return false;
        if (std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) return false;
    }
    return plat::AnsiToUtf8(name).size() <= kMaxNameBytes;
}

// The user name of a path "<folder>/<name>.vdb", in the code page; "" when
// the path names no such file.
static std::string UserNameOfPath(const std::string& path) {
    const std::string file = path.substr(path.find_last_of('/') + 1);
    if (file.size() <= 4 || file.compare(file.size() - 4, 4, ".vdb") != 0) return {};
    return plat::Utf8ToAnsi(file.substr(0, file.size() - 4)).value_or(std::string());
}

bool IsUserFilePath(const std::string& path) {
    TRACE_MOD(modMain, "IsUserFilePath", TV_PATH(path));
    const std::string name = UserNameOfPath(path);
    return !name.empty() && IsSafeUserName(name);
}

std::string UserFilePath(const std::string& name) {
    TRACE_MOD(modMain, "UserFilePath", TV(name));
    return Pt(OptionSlot(Option::DBPath)) + plat::AnsiToUtf8(name) + ".vdb";
}

trace::Secret GetTruePasw(const trace::Secret& InPasw) {
    TRACE_MOD(modMain, "GetTruePasw", TV(InPasw));
    auto md5 = NewMD5();
    trace::Secret d = md5->DigestStrToHexStr(InPasw.str());
    for (int i = 0; i < 19; ++i) d = md5->DigestStrToHexStr(d.str());
    return d.str() + InPasw.str();
}

trace::Secret PaswHash(const trace::Secret& Pasw) {
    TRACE_MOD(modMain, "PaswHash", TV(Pasw));
    return NewMD5()->DigestStrToHexStr(Pasw.str());
}

std::string GetWindowsTemp() {
    TRACE_MOD(modMain, "GetWindowsTemp");
    static std::once_flag swept;
    std::call_once(swept, SweepTempFiles);
    return Pt(plat::PrivateFolder());
}

void SweepTempFiles() {
    TRACE_MOD(modMain, "SweepTempFiles");
    RemoveOrphans(plat::PrivateFolder(), "psc");
}

std::int32_t AddUser(const std::string& Path, const std::string& Name, const trace::Secret& Pasw) {
    TRACE_MOD(modMain, "AddUser", TV_PATH(Path), TV(Name), TV(Pasw));
    if (!IsSafeUserName(Name)) {
        DbgPrint("AddUser: refused the user name " + Name);
        return kUserNameRefused;
    }
    if (FileExist(Path)) {
        DbgPrint("AddUser: " + Path + " exists and is kept");
        return kUserFileExists;
    }
    // The template is read from a scratch file, so the new user's file
    // appears only once it is complete and enciphered.
    ScratchFile scratch;
    const std::string TmpFile = scratch.Path();
    TRACE_LOCAL_PATH(TmpFile);
    plat::ReplaceFile(TmpFile, NewUserTemplate());
    const trace::Secret key = GetTruePasw(PaswHash(Pasw));
    TRACE_LOCAL(key);

    std::shared_ptr<clsDatabase> db;
    const std::int32_t r = Files().LoadDB(TmpFile, db, "");
    TRACE_LOCAL(r);
    Files().DeleteDBFromCol(TmpFile);
    if (r != 1) return kUserNotCreated;
    db->Tag(Name);
    db->Name(Name);
    if (WriteUserFile(db, Path, key, false) != 2) {
        DbgPrint("AddUser: " + Path + " was not written");
        return kUserNotCreated;
    }
    return kUserCreated;
}

std::int32_t TestUsPasw(const std::string& UPath, const trace::Secret& Pasw) {
    TRACE_MOD(modMain, "TestUsPasw", TV_PATH(UPath), TV(Pasw));
    if (!FileExist(UPath)) return 2;
    return TestUsKey(UPath, GetTruePasw(Pasw));
}

std::int32_t TestUsKey(const std::string& UPath, const trace::Secret& Key) {
    // No frame of its own: the password test's report stays as it was.
    if (!FileExist(UPath)) return 2;
    // RC4 is a stream cipher: the first bytes of the file decipher alone, so
    // the test needs no deciphered copy of the file anywhere.
    std::int64_t size = 0;
    std::optional<std::string> head = ReadHead(UPath, kMarkLine.size(), size);
    // No password opens what is no file or cannot hold the mark line.
    if (!head || size < static_cast<std::int64_t>(kMarkLine.size())) return kPaswNoUserFile;
    NewRC4()->CipherInPlace(head->data(), head->size(), Key.str());
    const bool right = *head == kMarkLine;
    ::explicit_bzero(head->data(), head->size());
    return right ? 1 : 2;
}

std::int32_t LoadUser(const std::string& UPath, const trace::Secret& Pasw) {
    TRACE_MOD(modMain, "LoadUser", TV_PATH(UPath), TV(Pasw));
    // Where the deciphered text must lie in the private folder, a login
    // killed earlier may have left one there: every login sweeps.
    SweepTempFiles();
    ScratchFile scratch;
    const std::string TmpFile = scratch.Path();
    TRACE_LOCAL_PATH(TmpFile);
    scratch.FillCiphered(UPath, Pasw);

    // The entry is dropped once the load is over, so a later scratch file
    // of the same name can never be handed an old database.
    if (Files().IsDBLoaded(TmpFile) == 1) Files().DeleteDBFromCol(TmpFile);
    std::shared_ptr<clsDatabase> db;
    const std::int32_t r = Files().LoadDB(TmpFile, db, Pasw);
    TRACE_LOCAL(r);
    Files().DeleteDBFromCol(TmpFile);
    if (r < 0) return r;

    ForgetPartialLoad();
    // A file whose every line reads may still not be the file the core
    // wrote: such a load is kept aside just as one that read only in part.
    bool partial = r == 0;
    if (!partial) {
        const std::string deviation = UserDatabaseDeviation(*db, UserNameOfPath(UPath));
        TRACE_LOCAL(deviation);
        if (!deviation.empty()) {
            DbgPrint("LoadUser: " + UPath + " is not a user file as this program writes it: " + deviation);
            partial = true;
        }
    }
    if (partial) {
        // What is in memory is less than, or other than, what is on disk, so
        // the file is kept aside before any save.
        PartialLoadFile = UPath;
        PartialLoadCopy = MakeSideCopy(UPath);
        DbgPrint("LoadUser: " + UPath + " loaded only in part; original kept as " +
                 (PartialLoadCopy.empty() ? std::string("(no copy: saves over it are refused)") : PartialLoadCopy));
    }
    CurUsDB = db;
    return 2;
}

std::string UserSaveFile(const std::shared_ptr<clsDatabase>& pUsDB) {
    TRACE_MOD(modMain, "UserSaveFile", TV(pUsDB));
    const std::string named = UserFilePath(pUsDB->Name());
    TRACE_LOCAL(named);
    if (!FileExist(named) || SameFile(named, pUsDB->Path())) return named;
    // The stored name is another user's: the database goes back to the file
    // it was loaded from, when that is a user's file.
    const std::string own = pUsDB->Path();
    TRACE_LOCAL(own);
    return IsUserFilePath(own) ? own : std::string();
}

std::int32_t SaveUsDB(const std::shared_ptr<clsDatabase>& pUsDB, const trace::Secret& Pasw) {
    TRACE_MOD(modMain, "SaveUsDB", TV(pUsDB), TV(Pasw));
    const std::string name = pUsDB->Name();
    TRACE_LOCAL(name);
    // A database that was never loaded would make "<folder>/.vdb".
    if (name.empty() || pUsDB->TabNum() == 0) {
        DbgPrint("SaveUsDB: no database is loaded; nothing saved");
        return kSaveNotLoaded;
    }
    // The name comes from the file itself and is never trusted as a path.
    if (!IsSafeUserName(name)) {
        DbgPrint("SaveUsDB: the database name " + name + " is no safe file name; nothing saved");
        return kSaveUnsafeName;
    }
    const std::string p = UserSaveFile(pUsDB);
    TRACE_LOCAL(p);
    if (p.empty()) {
        DbgPrint("SaveUsDB: " + UserFilePath(name) + " belongs to another user; nothing saved");
        return kSaveOtherUsersFile;
    }
    if (p != UserFilePath(name))
        DbgPrint("SaveUsDB: " + UserFilePath(name) + " belongs to another user; saved to " + p +
                 ", the file this database was loaded from");
    const bool exists = FileExist(p);
    if (exists && PartialLoadCopy.empty() && SameFile(p, PartialLoadFile)) {
        DbgPrint("SaveUsDB: " + p + " loaded only in part and has no side copy; nothing saved");
        return kSaveDamagedOriginal;
    }
    const std::int32_t r = WriteUserFile(pUsDB, p, Pasw, exists);
    if (r != 2) DbgPrint("SaveUsDB: saving " + p + " failed; the file is as it was");
    return r;
}

std::int32_t DeleteUser(const std::string& UsName, const std::string& UsDBPath) {
    TRACE_MOD(modMain, "DeleteUser", TV(UsName), TV_PATH(UsDBPath));
    if (!FileExist(UsDBPath)) return -2;
    TrueKill(UsDBPath);
    return 1;
}

void FindUsers(const std::string& FPath, trace::VbArray<std::string>& pUsers) {
    TRACE_MOD(modMain, "FindUsers", TV_PATH(FPath), TV(pUsers));
    const std::string folder = Pt(FPath);
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        DbgPrint("Error#0003. FPath = " + folder);
        return;
    }
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() < 4 || file.compare(file.size() - 4, 4, ".vdb") != 0) continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::optional<std::string> name = plat::Utf8ToAnsi(file.substr(0, file.size() - 4));
        if (!name || !IsSafeUserName(*name)) {
            DbgPrint("FindUsers: skipped " + file + ": not a user name this code page can hold");
            continue;
        }
        names.push_back(*name);
    }
    // The platform's listing order is arbitrary; the names come sorted.
    const plat::CodePage& page = plat::AnsiCodePage();
    std::sort(names.begin(), names.end(), [&page](const std::string& a, const std::string& b) {
        const std::string la = page.LCase(a), lb = page.LCase(b);
        return la != lb ? la < lb : a < b;
    });
    for (const std::string& name : names) AddElemToStrMass(pUsers, name);
}

std::string NewUserTemplate() {
    return "dzorvaLiL\r\n"
           "UserDataBase\x87"
           "0\x87"
           "1.1a\r\n"
           "[DataTable]\r\n"
           "0\x87"
           "0\r\n"
           "0\r\n"
           "IndNum 69\x87Parent 5\x87Type 5\x87Title 66\x87Login 2\x87Password 2\x87"
           "Description 2\x87Image 5\x87"
           "Flags 5\r\n"
           "[End DataTable]\r\n";
}

}  // namespace modMain

#pragma once
// The users and their database files. Each user is one file "<name>.vdb" in
// the databases folder (option 5): a database text whose lines are enciphered
// under the user's file key, and the whole file enciphered once more with RC4
// under the same key (the outer layer). The key is built at run time from the
// MD5 text of the master password and never stored.
//
// How the files are kept safe:
// - A save writes the new file beside the old one under a temporary name
//   (never ending in ".vdb" or ".vdb.BACKUP"), requires the library's save to
//   succeed, applies the outer layer and only then renames it over the old
//   file; on any failure the old file stays byte for byte and the result says
//   so. A database that was never loaded (no name) is not saved, and a save
//   never replaces another user's file.
// - A password is tested in memory. A deciphered text that the library must
//   read or write by name lies in an anonymous memory file; only where the
//   system has none is it a 0600 file in the program's private folder,
//   removed on every path, and every login sweeps what a process that ended
//   abruptly left there. No file outside the private folder ever holds the
//   inner layer: the outer layer is put on in memory before a byte is
//   written beside the user file.
// - A user name must be a safe file name; a database that loaded only in part
//   is kept as a side copy before anything can be saved over it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The session's operations (log in, save the logged-in user, log out) come
// with the users' files they work on.
#include "app/core/modMainSession.h"
#include "app/trace/Secret.h"
#include "app/trace/VbArray.h"

class clsDatabase;

namespace modMain {

// Results of SaveUsDB besides the library's 2 (saved) and -1 (failed).
inline constexpr std::int32_t kSaveNotLoaded = -10;        // the database has no name or no tables
inline constexpr std::int32_t kSaveUnsafeName = -11;       // its name is not a safe file name
inline constexpr std::int32_t kSaveOtherUsersFile = -12;   // the target is another user's file, and the database
                                                           // came from no user file of its own
inline constexpr std::int32_t kSaveDamagedOriginal = -13;  // loaded in part and no side copy of the original exists
// Result of TestUsPasw besides 1 (right) and 2 (wrong): the path names no
// file, or a file too short to be any user's (an empty one, say), which no
// password can open.
inline constexpr std::int32_t kPaswNoUserFile = 3;
// Results of AddUser.
inline constexpr std::int32_t kUserCreated = 1;
inline constexpr std::int32_t kUserNameRefused = -11;
inline constexpr std::int32_t kUserFileExists = -12;
inline constexpr std::int32_t kUserNotCreated = -1;

// Set while the logged-in user's database is one that loaded only in part:
// the user file it came from, and the side copy of that file made before
// anything could be saved over it ("" when the copy could not be made; the
// database is then never saved over that file). The login tells the user
// through the main window; the auto-backup leaves the existing backups alone
// while it is set.
extern std::string PartialLoadFile;
extern std::string PartialLoadCopy;
// Clears both: nothing loaded in part is logged in.
void ForgetPartialLoad();

// True when `name` can be a user's file name: not empty, not "." or "..", no
// control character and none of / \ : * ? " < > |, and not too long.
bool IsSafeUserName(const std::string& name);
// True when the path names a user's file: "<safe user name>.vdb".
bool IsUserFilePath(const std::string& path);
// The user file of a user name: Pt(option 5) & name & ".vdb", the name
// converted from the code page to the file system's form.
std::string UserFilePath(const std::string& name);

// The text of a new user's database: the plain database text with one empty
// table "DataTable" of the nine record columns.
std::string NewUserTemplate();

// The MD5 text of a password in clear (32 upper-case hexadecimal characters,
// by the library's hash class, on which every stored user file depends): the
// input of the file key and all the program keeps of a password.
trace::Secret PaswHash(const trace::Secret& Pasw);
// The file key of a password's MD5 text: 20 MD5 rounds over the text, then
// the text itself (64 characters).
trace::Secret GetTruePasw(const trace::Secret& InPasw);
// The program's private folder for temporary files, ending in "/".
std::string GetWindowsTemp();
// Removes deciphered temporary files left behind by processes that have
// ended (a crash or a kill). Runs on the first use of the folder and at every
// login; start-up may call it earlier.
void SweepTempFiles();

// Creates the user file `Path` for `Name` with the password in clear `Pasw`:
// 1 created; kUserNameRefused, kUserFileExists (an existing file is never
// replaced) or kUserNotCreated (nothing is left behind).
std::int32_t AddUser(const std::string& Path, const std::string& Name, const trace::Secret& Pasw);
// 1 when the password (its MD5 text) opens the file, 2 when it does not or
// the file is missing, kPaswNoUserFile when no password could.
std::int32_t TestUsPasw(const std::string& UPath, const trace::Secret& Pasw);
// The same for a file key (GetTruePasw of the MD5 text) already derived.
std::int32_t TestUsKey(const std::string& UPath, const trace::Secret& Key);
// Loads a user file under the key `Pasw` into CurUsDB: 2 loaded (also in
// part), otherwise the negative result of the load and CurUsDB unchanged.
[[nodiscard]] std::int32_t LoadUser(const std::string& UPath, const trace::Secret& Pasw);
// The file SaveUsDB writes the database to: the user file of the name stored
// in it, unless that file is another user's; then the user file it was loaded
// from (its Path), or "" when its Path is no user file. The name must be safe.
std::string UserSaveFile(const std::shared_ptr<clsDatabase>& pUsDB);
// Saves the database to UserSaveFile with the key `Pasw` (logged when that is
// not the file of its stored name): 2 saved, -1 failed, or one of the kSave
// refusals; the old file is unchanged unless the result is 2.
[[nodiscard]] std::int32_t SaveUsDB(const std::shared_ptr<clsDatabase>& pUsDB, const trace::Secret& Pasw);
// 1 deleted, -2 no such file.
std::int32_t DeleteUser(const std::string& UsName, const std::string& UsDBPath);
// Appends the users of a databases folder (the names of its "<name>.vdb"
// files) to pUsers.
void FindUsers(const std::string& FPath, trace::VbArray<std::string>& pUsers);

}  // namespace modMain

#pragma once
// The session of the logged-in user: who it is (CurUser), its file
// (CurUsDBPath), the MD5 text of its password (CurUsPasw), its database
// (CurUsDB) and the file key of that password. The operations here are the
// only ones that change them; the windows call them and never assign the
// state themselves.
//
// The file key costs 20 MD5 rounds. It is derived once, when the user logs in,
// and held as a secret beside the hash it came from until a password change
// replaces it or the log-out wipes it. The password check before a switch,
// the load and every save of the logged-in user use the held key.
#include <cstdint>
#include <optional>
#include <string>

#include "app/trace/Secret.h"

namespace modMain {

// The file key of CurUsPasw. It is the key held since the login; a hash put
// in place by anything but these operations gets its own key.
const trace::Secret& CurUsKey();

// Logs a user in with the MD5 text of the password: nothing (Empty) when
// logged in, -1 when the user's file could not be found by the load, 100 for
// any other failure. The previous user's database is saved first (with its
// own key, and only while that key still opens its file). A login shows the
// user's tree in the main window (MainView) with the root selected and an
// empty value box, disables the delete buttons, and tells the user when the
// database could be read only in part; a failed one shows nothing and keeps
// the hash and key that were the session's.
[[nodiscard]] std::optional<std::int32_t> FullUserLoad(const std::string& UsName, const trace::Secret& UsPasw);
// Logs the user in with the password dialog's hash (FrmPaswEnetered), which
// is taken out of the dialog's result: FullUserLoad's result.
[[nodiscard]] std::optional<std::int32_t> LogInWithEnteredHash(const std::string& UsName);
// Saves the logged-in user's database under the held key: SaveUsDB's result.
[[nodiscard]] std::int32_t SaveCurUser();
// Saves the logged-in user's database under the key of a new password hash.
// Only when the save succeeds (2) are the new hash and key the session's;
// on any other result the file, the hash and the key stay as they were.
[[nodiscard]] std::int32_t ChangeCurUsPasw(const trace::Secret& NewPasw);
// The inactivity lock: the database is dropped from memory and from the
// registry of open files. The user, its file, hash and key stay, so the
// password brings the user back.
void CloseCurUsDB();
// The database kept open through a lock is the user's again: the password
// dialog's hash, taken out of its result, becomes the session's.
void ResumeWithEnteredHash();
// The program's end: the database objects hold components of the library,
// so they are released (unsaved) before the program's static objects go; the
// held key is wiped with them.
void ReleaseDatabases();
// Logs out: the database is dropped without saving, the hash and key are
// wiped, and the main window's tree and value box are emptied.
void UnloadUser();

}  // namespace modMain

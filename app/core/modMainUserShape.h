#pragma once
// What the core relies on in a user's database, checked after a load the
// library calls complete. The file format has no checksum over its header and
// caption lines, so one damaged letter or digit there reads as a valid file
// that differs from the one the core wrote: a lowered record counter would
// hand out a record number a row already has, a changed name would save the
// records under another user's file name.
#include <string>

class clsDatabase;

namespace modMain {

// Why the loaded user database is not one the core writes, or "" when it is:
// the "DataTable" table is there with the nine columns and column flags of a
// new user's file, its tag is a whole number not below the highest record
// number in the table, and its stored name is a safe user name that is
// either the name of the file it came from (fileUser) or its root text (a
// file renamed outside the program keeps both; a root the user renamed keeps
// the name). The version text is not checked: the core needs no more of it
// than that it is there.
std::string UserDatabaseDeviation(clsDatabase& db, const std::string& fileUser);

}  // namespace modMain

#pragma once
// The record tree model. A user's folders and records are the rows of the
// table "DataTable"; each row names its parent folder by identifier, so the
// rows form a tree whose root is the database itself. These procedures turn
// the rows into the nodes of the main window's tree and add, change and
// delete rows. None of them saves the file.
//
// Columns, in order: IndNum (the row's identifier, a positive decimal
// number, unique), Parent ("0" under the root), Type ("1" folder, "2"
// record), Title, Login, Password, Description, Image ("<n>key"), Flags
// ("<colour>|<bits>", bit value 1 = bold). The table's tag holds the last
// identifier given out, so identifiers are never reused.
//
// A node's key is IndNum & "key" (TreeKeys.h); the root's key is "0key", its
// text the database's tag and its image "DBIcon".
//
// Rows that do not follow these rules never stop the tree from loading: a
// row without a usable identifier (not a positive decimal number, or one an
// earlier row already has) is left out; a row whose parent no row has, or
// whose parents lead round in a cycle, is shown under the root; an unknown
// type shows as a record, an image without a number as the type's own
// image, and flags that cannot be read as black and plain. Each case is
// written to the debug log.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/trace/Secret.h"

class clsDatabase;
class CoreView;

namespace modMain {

inline constexpr const char* kDataTable = "DataTable";
inline constexpr const char* kRootKey = "0key";
inline constexpr const char* kRootImage = "DBIcon";
inline constexpr const char* kFolderImage = "2key";
inline constexpr const char* kRecordImage = "1key";
inline constexpr const char* kNewRowFlags = "0|0";

// The fixed names the window gives a new folder and the add-record dialog a
// new record, in the code page; "New folder" and "New record" where the code
// page cannot hold the Cyrillic names.
std::string NewFolderText();
std::string NewRecordText();

// True when the numeric value of a row's Type text is n (1 folder, 2 record).
bool RowTypeIs(std::string_view Type, int n);

// Fills the (cleared) tree from UsDB: the root node, every row below it, and
// the root expanded.
void ShowUsDBInTreeView(clsDatabase& UsDB, CoreView& pTrView);
// Adds under the node keyed pNode every row whose Parent is pNodeID, with
// their subtrees: under each node the folders first, newest first, then the
// records in the order they were added. Loading the root's rows (pNodeID 0)
// also shows, under pNode, the rows no path from the root reaches.
void LoadUsDBInTreeViewNode(clsDatabase& UsDB, CoreView& pTrView, const std::string& pNode, std::int32_t pNodeID);

// What the user is told when a folder's (folder) or a record's row cannot be
// stored in db: "DataTable" is missing or lacks a column the row is written
// with. "" when the row can be stored. A user file that is not as the core
// writes it still loads (kept aside), and a value set in a column the table
// lacks would be lost unseen.
std::string RowRefusal(clsDatabase& db, bool folder);
// RowRefusal, logged under `who` and told to the user; true when the row is
// refused. Callers ask before they change anything.
bool TellRowRefusal(clsDatabase& db, bool folder, const std::string& who);

// Appends a folder row to the current user's database. The caller has
// already raised the table's tag to FoldID and made the node.
void AddFolderToDB(const std::string& FoldName, std::int32_t Parent, const std::string& FoldID);
// Appends a record row to pDB under the next identifier, raises the table's
// tag to it and answers it.
std::string AddRecordToDB(const std::string& rParent, const std::string& rTitle, const trace::Secret& rLogin,
                          const trace::Secret& rPasw, const trace::Secret& rDesc, clsDatabase& pDB);

// Sets column FldName of the first row whose column UniqFName equals
// UniqFVal; with no such row nothing changes.
void ChangeDataTableField(const std::string& UniqFName, const std::string& UniqFVal, const std::string& FldName,
                          const trace::Secret& newval);

// Deletes the row whose column UniqFName equals UniqFVal and every row the
// tree shows below it, following column SearchFName to the children; with no
// such row nothing is deleted.
void DelRecordTreeFromDataTable(const std::string& UniqFName, const std::string& UniqFVal,
                                const std::string& SearchFName);
// The delete itself: row CurRecNum of table TblNum (found again by UniqFVal
// in column UniqFNum when it does not carry it) and its subtree, children
// before their parents, each logged as "-= DELETE: " & its title.
void DelRecordTree(std::int32_t TblNum, std::int32_t UniqFNum, const std::string& UniqFVal, std::int32_t SearchFNum,
                   std::int32_t CurRecNum, clsDatabase& pDB);

}  // namespace modMain

#pragma once
// Services the windows call around the record tree: a record's visible
// fields in the value box, the folder and record counts of the status bar,
// the find dialog's search, and the generator's random passwords.
//
// Text is code-page bytes. A record's "Password", "Login" and "Description"
// values and generated passwords travel as trace::Secret, so an error report
// never shows them.
#include <cstdint>
#include <string>

#include "app/trace/Secret.h"

class clsDatabase;
class CoreView;

namespace modMain {

// Caption colour and style of the value box.
inline constexpr std::int32_t kCaptionColour = 0xFF6400;

// Appends to the value box (the caller empties it first), for each column of
// table TblNum that is not internal (head flag bit value 4), a caption line
// and the value of row RecNum followed by an empty line.
void ShowDataInTextBox(clsDatabase& UsDB, std::int32_t RecNum, std::int32_t TblNum, CoreView& pTxt);
// Appends Text in colour col with the style bits of flags (kStyle...).
void AddColoredTxt(CoreView& TxtBox, const trace::Secret& Text, std::int32_t col, std::int32_t flags);
// The caption of a column: language texts 13-16 for "Title", "Login",
// "Password" and "Description" (exact names); any other name, or an empty
// text, gives the name itself.
std::string GetTblTrueCapText(const std::string& InTxt);

// Adds to NumFolds and NumRecs the rows of "DataTable" directly under the
// row whose IndNum is IndNum ("0" for the root): Type 2 counts as a record,
// anything else as a folder.
void GetStatBarData(clsDatabase& pDB, const std::string& IndNum, std::int32_t& NumFolds, std::int32_t& NumRecs);

// The next row from Start whose title (SearchAll false: column SFNum) or any
// non-internal column (SearchAll true) contains SText; when none is found
// below Start the search starts once more from row 1. Answers the row number
// as decimal text and moves Start past it, or answers "-2" (no row matches)
// with Start 1.
std::string FindRecordInDB(const std::string& SText, std::int32_t STblNum, std::int32_t SFNum, std::int32_t& Start,
                           clsDatabase& pDB, bool SearchAll, bool CaseSens);

// A random password of Lenght characters ("" below 1) from the system's
// random source: about 30 % digits "0"-"9", 35 % "a"-"z" and 35 % "A"-"Z".
trace::Secret GeneratePassword(std::int32_t Lenght);

}  // namespace modMain

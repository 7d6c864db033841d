#pragma once
// The library's public record types, shared with the main program. The caller
// owns every record and passes it by reference; the manager only changes what
// it is handed.
//
// Strings are code-page bytes (one byte per character, the separator is the
// byte 0x87), never UTF-8.
//
// Index mapping, written down once: the arrays of the original records count
// from 1. Here they are plain std::vector (a record's values: Fields) counted
// from 0, so element k of the original (k >= 1) is element k - 1 here, and
// "the single element 0" or "not allocated" are both an empty vector. Public members that take a record,
// column or entry number (RecNum, rind, find, FldNum, Start, Val) keep the
// 1-based numbers of the original; an upper bound is size().
//
// The count fields (tabnum, HTabNum, RecNum, Num) stay because callers read
// them; every library member keeps them equal to the vector's size().
#include <cstdint>
#include <string>
#include <vector>

#include "VEDataBase/Fields.h"

namespace vedb {

// The separator between the parts of a stored line.
inline constexpr char SEP = '\x87';

struct HeadField {
    std::string Name;
    // Bit value 8: the column holds codes of the help table HelpTable.
    // Bit value 2: free text whose CR, LF and NUL survive a save and a load.
    std::int16_t flags = 0;
    std::string HelpTable;

    friend bool operator==(const HeadField&, const HeadField&) = default;
};

struct Head {
    std::int16_t Num = 0;  // number of columns
    std::string tag;       // carried by the string form only
    std::vector<HeadField> fields;

    friend bool operator==(const Head&, const Head&) = default;
};

struct Record {
    Fields fields;  // one value per column

    friend bool operator==(const Record&, const Record&) = default;
};

struct HelpField {
    std::int16_t Num = 0;  // the code; expected to equal the entry's position
    std::string str;       // the text

    friend bool operator==(const HelpField&, const HelpField&) = default;
};

struct HelpTable {
    std::vector<HelpField> hfields;
    std::string Name;
    std::int32_t RecNum = 0;
    std::int32_t flags = 0;

    friend bool operator==(const HelpTable&, const HelpTable&) = default;
};

struct Table {
    std::string Name;
    Head Caption;
    std::int32_t RecNum = 0;
    std::int16_t flags = 0;
    std::string tag;
    std::vector<Record> Records;

    friend bool operator==(const Table&, const Table&) = default;
};

struct DataBase {
    std::string Version;
    bool Ready = false;  // true after a complete load
    std::string Path;    // native path of the file last loaded
    std::string Name;
    std::int16_t flags = 0;  // bit value 1: the file's lines are enciphered
    std::string tag;
    std::int32_t tabnum = 0;
    std::vector<Table> Tables;
    std::int32_t HTabNum = 0;
    std::vector<HelpTable> HTables;

    friend bool operator==(const DataBase&, const DataBase&) = default;
};

// Declared for callers; no member uses it. Num is a currency value in units of
// 1/10000.
struct Field {
    std::string txt;
    std::int64_t Num = 0;

    friend bool operator==(const Field&, const Field&) = default;
};

// One filter condition. An empty Value always passes. Operation is one of
// "=", ">", "<", ">=", "<="; Type 1 compares numbers, 16 dates, anything else
// text.
struct ReqField {
    std::string Value;
    std::string Operation;
    std::int32_t Type = 0;

    friend bool operator==(const ReqField&, const ReqField&) = default;
};

// One condition per column; an empty list filters nothing.
struct Request {
    std::vector<ReqField> ReqFields;

    friend bool operator==(const Request&, const Request&) = default;
};

struct TblRequest {
    std::string TblName;
    std::vector<ReqField> ReqFields;

    friend bool operator==(const TblRequest&, const TblRequest&) = default;
};

}  // namespace vedb

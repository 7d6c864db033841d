#pragma once
// The text form of a variable in an error report (DumpVariable). Each value
// kind has an overload; every form ends in CR LF except the fixed texts below
// and the "{Error n formatting for output}" result of a dump that failed.
//
//   scalar   Pad<Name>text</Tag>      Tag = Name up to its first blank
//   Empty    Pad<Name>{Empty}</Name>  (an empty std::optional)
//   object   Pad<Name>{Nothing}</Name> or Pad<Name>{TypeName}</Name>
//   array    Pad<Name>, elements "Name Index="i"" at Indent + 2, Pad</Tag>
//   items    Pad<Name>, items "Name[i]" at Indent + 2, Pad</Name>
//   Secret   Pad<Name>{Hidden}</Tag>, or the empty scalar form
#include <concepts>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "app/trace/Secret.h"
#include "app/trace/VbArray.h"

class QWidget;

namespace trace {

inline constexpr const char* kCrLf = "\r\n";

// Forms and classes derive from Traced: the name the trace writes for them
// ("frmMain"), and their module-level variables as dump lines ("{None}" for an
// object that has none).
class Traced {
public:
    virtual ~Traced() = default;
    virtual const char* TraceName() const = 0;
    virtual std::string DumpModuleVars() const { return "{None}"; }
};

namespace detail {
std::string Pad(long indent);
std::string TagOf(std::string_view name);
std::string Framed(std::string_view name, std::string_view text, long indent);  // closes with the whole name
std::string Scalar(std::string_view name, std::string_view text, long indent);  // closes with the tag
std::string FailedDump(std::exception_ptr e);
std::string ElementName(std::string_view name, const std::vector<long>& idx);
std::string FormatDouble(double d);
}  // namespace detail

// Text of a value as the runtime converts it (booleans True/False, integers in
// decimal, NUL characters written as "{Null}").
std::string DumpVariable(std::string_view name, std::string_view value, long depth = 99, long indent = 0);
inline std::string DumpVariable(std::string_view name, const std::string& value, long depth = 99, long indent = 0) {
    return DumpVariable(name, std::string_view(value), depth, indent);
}
inline std::string DumpVariable(std::string_view name, const char* value, long depth = 99, long indent = 0) {
    return DumpVariable(name, std::string_view(value ? value : ""), depth, indent);
}
std::string DumpVariable(std::string_view name, bool value, long depth = 99, long indent = 0);
std::string DumpVariable(std::string_view name, double value, long depth = 99, long indent = 0);
std::string DumpVariable(std::string_view name, const Secret& value, long depth = 99, long indent = 0);
std::string DumpVariable(std::string_view name, const Traced* object, long depth = 99, long indent = 0);

// Paths are held as the file system's bytes (UTF-8), every other text as
// code-page bytes; a report is one code-page text, so a path enters it
// converted. A character the code page lacks becomes "?": lossy, which is
// right for diagnostic text and nowhere else.
std::string ReportPath(std::string_view path);
std::string DumpPath(std::string_view name, std::string_view path, long depth = 99, long indent = 0);
// An array of texts some of whose elements are paths (the options: the
// databases folder).
std::string DumpWithPaths(std::string_view name, const VbArray<std::string>& texts,
                          std::initializer_list<long> pathIndexes, long depth = 99, long indent = 0);

template <typename T>
requires(std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char>) std::string
    DumpVariable(std::string_view name, T value, long /*depth*/ = 99, long indent = 0) {
    return detail::Scalar(name, std::to_string(value), indent);
}

// An enum is written as its number.
template <typename T>
requires std::is_enum_v<T> std::string DumpVariable(std::string_view name, T value, long depth = 99, long indent = 0) {
    return DumpVariable(name, static_cast<std::int64_t>(value), depth, indent);
}

// A variant that may be Empty.
template <typename T>
std::string DumpVariable(std::string_view name, const std::optional<T>& value, long depth = 99, long indent = 0) {
    if (!value) return detail::Framed(name, "{Empty}", indent);
    return DumpVariable(name, *value, depth, indent);
}

template <typename T>
std::string DumpVariable(std::string_view name, const VbArray<T>& arr, long depth = 99, long indent = 0) {
    try {
        std::string out = detail::Pad(indent) + "<" + std::string(name) + ">" + kCrLf;
        if (!arr.Allocated() || arr.Dimensions() == 0) {
            out += "{UnInitialised Array}";
        } else if (arr.Dimensions() > 3) {
            out += "{Dump truncated at " + std::to_string(arr.Dimensions()) + " dimensions}";
        } else {
            const auto& b = arr.AllBounds();
            std::vector<long> idx(b.size());
            for (std::size_t d = 0; d < b.size(); ++d) idx[d] = b[d].lower;
            for (const T& item : arr.Items()) {
                out += DumpVariable(detail::ElementName(name, idx), item, depth - 1, indent + 2);
                // Next index in row order: the last index runs fastest.
                for (std::size_t d = b.size(); d-- > 0;) {
                    if (++idx[d] <= b[d].upper) break;
                    idx[d] = b[d].lower;
                }
            }
        }
        out += detail::Pad(indent) + "</" + detail::TagOf(name) + ">" + kCrLf;
        return out;
    } catch (...) {
        return detail::FailedDump(std::current_exception());
    }
}

// An enumerable object (a Collection): its items "Name[1]", "Name[2]", ... at
// depth 3 and Indent + 2.
template <typename Range>
std::string DumpItems(std::string_view name, const Range& items, long indent = 0) {
    try {
        std::string out = detail::Pad(indent) + "<" + std::string(name) + ">" + kCrLf;
        long i = 0;
        for (const auto& item : items)
            out += DumpVariable(std::string(name) + "[" + std::to_string(++i) + "]", item, 3, indent + 2);
        out += detail::Pad(indent) + "</" + std::string(name) + ">" + kCrLf;
        return out;
    } catch (...) {
        return detail::FailedDump(std::current_exception());
    }
}

// A window handed to code that knows no widget (the owner of a dialog the
// core opens): "{Nothing}" for none, else "{" & the form's trace name or its
// class name & "}". Only the windows can tell what a window is, so they
// install the namer at start-up; until then a window dumps as "{Object}".
using WindowNamer = std::string (*)(const QWidget* window);
void SetWindowNamer(WindowNamer namer) noexcept;
std::string DumpWindow(std::string_view name, const QWidget* window, long indent = 0);

// Fixed texts, without a line end: a record of the program or the platform
// ("<CurPos>{POINTAPI}</CurPos>"), a variable of another component's type
// ("<CurUsDB>{Cannot dump external UDTs}</CurUsDB>") and a record parameter
// ("<pDB>{Can't dump UDT parameters}</pDB>").
std::string FixedUdt(std::string_view name, std::string_view typeName);
std::string FixedExternal(std::string_view name);
std::string FixedUdtParam(std::string_view name);

}  // namespace trace

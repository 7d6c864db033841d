#include "app/trace/Dump.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/CodePage.h"
#include "platform/VbError.h"

namespace trace {

void Secret::Wipe() noexcept {
    // The whole buffer, not just the current text: a short text lives inside
    // the string object, and a move or a shorter assignment leaves its bytes
    // there. Growing to the capacity never reallocates, so it cannot throw.
    value_.resize(value_.capacity());
    // Overwrite through a volatile pointer so the store is not optimised away.
    volatile char* p = value_.data();
    for (std::size_t i = 0; i < value_.size(); ++i) p[i] = 0;
    value_.clear();
}

namespace detail {

std::string Pad(long indent) { return std::string(indent > 0 ? static_cast<std::size_t>(indent) : 0, ' '); }

std::string TagOf(std::string_view name) { return std::string(name.substr(0, name.find(' '))); }

std::string Framed(std::string_view name, std::string_view text, long indent) {
    std::string n(name);
    return Pad(indent) + "<" + n + ">" + std::string(text) + "</" + n + ">" + kCrLf;
}

std::string Scalar(std::string_view name, std::string_view text, long indent) {
    std::string out = Pad(indent) + "<" + std::string(name) + ">";
    for (char c : text) {
        if (c == '\0')
            out += "{Null}";
        else
            out += c;
    }
    out += "</" + TagOf(name) + ">" + kCrLf;
    return out;
}

std::string FailedDump(std::exception_ptr e) {
    long number = vb::errInvalidCall;
    try {
        std::rethrow_exception(e);
    } catch (const vb::VbError& err) {
        number = err.Number();
    } catch (const std::bad_alloc&) {
        number = vb::errOutOfMemory;
    } catch (const std::out_of_range&) {
        number = vb::errSubscript;
    } catch (...) {
    }
    return "{Error " + std::to_string(number) + " formatting for output}";
}

std::string ElementName(std::string_view name, const std::vector<long>& idx) {
    std::string out(name);
    out += " Index=\"";
    for (std::size_t i = 0; i < idx.size(); ++i) {
        if (i) out += ',';
        out += std::to_string(idx[i]);
    }
    out += '"';
    return out;
}

// The runtime's text of a Double: up to 15 significant digits, "." as the
// decimal point, no trailing zeros, an exponent only for very large or small
// magnitudes ("1E+20", "1E-20").
std::string FormatDouble(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", d);
    return buf;
}

}  // namespace detail

std::string DumpVariable(std::string_view name, std::string_view value, long, long indent) {
    try {
        return detail::Scalar(name, value, indent);
    } catch (...) {
        return detail::FailedDump(std::current_exception());
    }
}

std::string DumpVariable(std::string_view name, bool value, long, long indent) {
    return detail::Scalar(name, value ? "True" : "False", indent);
}

std::string DumpVariable(std::string_view name, double value, long, long indent) {
    return detail::Scalar(name, detail::FormatDouble(value), indent);
}

std::string DumpVariable(std::string_view name, const Secret& value, long, long indent) {
    return detail::Scalar(name, value.empty() ? "" : "{Hidden}", indent);
}

namespace {
WindowNamer g_windowNamer = nullptr;
}  // namespace

void SetWindowNamer(WindowNamer namer) noexcept { g_windowNamer = namer; }

std::string DumpWindow(std::string_view name, const QWidget* window, long indent) {
    try {
        if (!window) return detail::Framed(name, "{Nothing}", indent);
        return detail::Framed(name, "{" + (g_windowNamer ? g_windowNamer(window) : std::string("Object")) + "}",
                              indent);
    } catch (...) {
        return detail::FailedDump(std::current_exception());
    }
}

std::string DumpVariable(std::string_view name, const Traced* object, long, long indent) {
    try {
        if (!object) return detail::Framed(name, "{Nothing}", indent);
        return detail::Framed(name, "{" + std::string(object->TraceName()) + "}", indent);
    } catch (...) {
        return detail::FailedDump(std::current_exception());
    }
}

std::string ReportPath(std::string_view path) { return plat::Utf8ToAnsiLossy(path); }

std::string DumpPath(std::string_view name, std::string_view path, long depth, long indent) {
    try {
        return DumpVariable(name, std::string_view(ReportPath(path)), depth, indent);
    } catch (...) {
        return detail::FailedDump(std::current_exception());
    }
}

std::string DumpWithPaths(std::string_view name, const VbArray<std::string>& texts,
                          std::initializer_list<long> pathIndexes, long depth, long indent) {
    try {
        VbArray<std::string> shown = texts;
        if (shown.Allocated() && shown.Dimensions() == 1)
            for (long i : pathIndexes)
                if (i >= shown.LBound() && i <= shown.UBound()) shown(i) = ReportPath(shown(i));
        return DumpVariable(name, shown, depth, indent);
    } catch (...) {
        return detail::FailedDump(std::current_exception());
    }
}

std::string FixedUdt(std::string_view name, std::string_view typeName) {
    std::string n(name);
    return "<" + n + ">{" + std::string(typeName) + "}</" + n + ">";
}

std::string FixedExternal(std::string_view name) {
    std::string n(name);
    return "<" + n + ">{Cannot dump external UDTs}</" + n + ">";
}

std::string FixedUdtParam(std::string_view name) {
    std::string n(name);
    return "<" + n + ">{Can't dump UDT parameters}</" + n + ">";
}

}  // namespace trace

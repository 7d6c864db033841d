#include "platform/RegistryAutostart.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/FileIO.h"
#include "platform/RegistryHive.h"
#include "platform/RegistryStore.h"
#include "platform/SystemFolder.h"
#include "platform/VbError.h"

namespace plat {
namespace reg_internal {
namespace {

constexpr std::string_view kRunKey = "software\\microsoft\\windows\\currentversion\\run";

// Printable ASCII without the characters file systems or desktops trip over.
bool IsSafeFileName(std::string_view name) {
    if (name.empty() || name.size() > 200) return false;
    if (name.front() == '.' || name.front() == ' ' || name.back() == ' ') return false;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) return false;
        if (std::string_view("/\\:*?\"<>|%").find(c) != std::string_view::npos) return false;
    }
    return true;
}

bool IsUtf8Text(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = (c >= 0xC2 && c <= 0xDF)   ? 2
                          : (c >= 0xE0 && c <= 0xEF) ? 3
                          : (c >= 0xF0 && c <= 0xF4) ? 4
                                                     : 0;
        if (len == 0 || i + len > s.size()) return false;
        std::uint32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; k < len; ++k) {
            auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += len;
    }
    return true;
}

std::string DesktopFile(std::string_view name) { return AutostartFolder() + "/" + std::string(name) + ".desktop"; }

}  // namespace

bool IsRunKey(Hive hive, const std::string& normalizedKey) {
    return hive == Hive::LocalMachine && EqualFolded(normalizedKey, kRunKey);
}

// The Run key and the keys above it always exist: the autostart folder backs them.
bool IsRunKeyOrParent(Hive hive, const std::string& normalizedKey) {
    if (hive != Hive::LocalMachine) return false;
    std::string k = Folded(normalizedKey);
    if (k.empty()) return true;
    return k == kRunKey || (kRunKey.size() > k.size() && kRunKey.substr(0, k.size()) == k && kRunKey[k.size()] == '\\');
}

// The command as one Exec argument: quoted when it holds a reserved
// character, then written with the string escapes of a desktop entry.
std::string ExecLine(std::string_view command) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    bool quote = command.find_first_of(kReserved) != std::string_view::npos;
    std::string arg;
    if (quote) arg += '"';
    for (char c : command) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) arg += '\\';
        if (c == '%') arg += '%';  // a literal percent sign is not a field code
        arg += c;
    }
    if (quote) arg += '"';
    std::string line;
    for (char c : arg) {
        if (c == '\\') line += '\\';
        line += c;
    }
    return line;
}

// Undoes ExecLine: the arguments of an Exec value, joined by one blank.
std::optional<std::string> CommandFromExec(std::string_view value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            char n = value[++i];
            switch (n) {
                case 's':
                    unescaped += ' ';
                    break;
                case 'n':
                    unescaped += '\n';
                    break;
                case 't':
                    unescaped += '\t';
                    break;
                case 'r':
                    unescaped += '\r';
                    break;
                case '\\':
                    unescaped += '\\';
                    break;
                default:
                    unescaped += '\\';
                    unescaped += n;
            }
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < unescaped.size()) {
        while (i < unescaped.size() && (unescaped[i] == ' ' || unescaped[i] == '\t')) ++i;
        if (i >= unescaped.size()) break;
        std::string arg;
        if (unescaped[i] == '"') {
            ++i;
            bool closed = false;
            while (i < unescaped.size()) {
                char c = unescaped[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < unescaped.size()) c = unescaped[i++];
                arg += c;
            }
            if (!closed) return std::nullopt;
        } else {
            while (i < unescaped.size() && unescaped[i] != ' ' && unescaped[i] != '\t') arg += unescaped[i++];
        }
        std::string plain;
        for (std::size_t k = 0; k < arg.size(); ++k) {
            plain += arg[k];
            if (arg[k] == '%' && k + 1 < arg.size() && arg[k + 1] == '%') ++k;
        }
        args.push_back(std::move(plain));
    }
    if (args.empty()) return std::nullopt;
    std::string joined = args[0];
    for (std::size_t k = 1; k < args.size(); ++k) joined += ' ' + args[k];
    return joined;
}

RegStatus RunSet(std::string_view name, const RegValue& value) {
    if (!IsSafeFileName(name)) return RegStatus::BadName;
    const auto* command = std::get_if<std::string>(&value);
    if (!command || command->empty() || !IsUtf8Text(*command)) return RegStatus::BadValue;
    std::string folder = AutostartFolder();
    if (!MakeFolders(folder, 0700)) return RegStatus::IoError;
    std::string entry = "[Desktop Entry]\nType=Application\nName=" + std::string(name) +
                        "\nExec=" + ExecLine(*command) + "\nX-GNOME-Autostart-enabled=true\n";
    try {
        ReplaceFile(DesktopFile(name), entry, 0644);
    } catch (const vb::VbError&) {
        return RegStatus::IoError;
    }
    return RegStatus::Ok;
}

std::optional<RegValue> RunQuery(std::string_view name, RegStatus& status) {
    if (!IsSafeFileName(name)) {
        status = RegStatus::BadName;
        return std::nullopt;
    }
    std::string path = DesktopFile(name);
    auto content = ReadWholeFile(path);
    status = RegStatus::NotFound;
    if (!content) return std::nullopt;
    std::string_view rest(*content);
    bool inEntry = false;
    while (!rest.empty()) {
        std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (inEntry && line.substr(0, 5) == "Exec=") {
            auto command = CommandFromExec(line.substr(5));
            if (!command) {
                status = RegStatus::Damaged;
                return std::nullopt;
            }
            status = RegStatus::Ok;
            return RegValue{std::move(*command)};
        }
    }
    return std::nullopt;
}

RegStatus RunDelete(std::string_view name) {
    if (!IsSafeFileName(name)) return RegStatus::BadName;
    if (::unlink(DesktopFile(name).c_str()) == 0) return RegStatus::Ok;
    return errno == ENOENT ? RegStatus::NotFound : RegStatus::IoError;
}

}  // namespace reg_internal

std::string AutostartFolder() { return ConfigHome() + "/autostart"; }

}  // namespace plat

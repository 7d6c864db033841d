#include "platform/Registry.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/FileIO.h"
#include "platform/RegistryHive.h"
#include "platform/RegistryStore.h"
#include "platform/SystemFolder.h"
#include "platform/VbError.h"

namespace plat {

using namespace reg_internal;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

constexpr std::string_view kRunKey = "software\\microsoft\\windows\\currentversion\\run";

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

// ---------------------------------------------------------------- the Run key

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

std::string DesktopFile(std::string_view name) { return AutostartFolder() + "/" + std::string(name) + ".desktop"; }

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

RegStatus SetAny(Hive hive, std::string_view key, std::string_view name, RegValue value) {
    auto norm = NormalizeKey(key);
    if (!norm) return RegStatus::BadName;
    if (IsRunKey(hive, *norm)) return RunSet(name, value);
    return Modify(hive, [&](HiveData& h) {
        Key& k = h.Create(*norm);
        Value* existing = FindValue(k, name);
        if (existing && existing->data == value) return ChangeResult{RegStatus::Ok, false};
        SetValue(k, name, std::move(value));
        return ChangeResult{RegStatus::Ok, true};
    });
}

}  // namespace

// ---------------------------------------------------------------- public

const char* HiveName(Hive hive) {
    switch (hive) {
        case Hive::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
        case Hive::CurrentUser:
            return "HKEY_CURRENT_USER";
        case Hive::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
    }
    return "HKEY_UNKNOWN";
}

const char* RegStatusText(RegStatus status) {
    switch (status) {
        case RegStatus::Ok:
            return "done";
        case RegStatus::NotFound:
            return "no such key or value";
        case RegStatus::BadName:
            return "the key or value name is not allowed";
        case RegStatus::BadValue:
            return "the key cannot hold this value";
        case RegStatus::Damaged:
            return "the hive file is damaged";
        case RegStatus::IoError:
            return "the registry files could not be read or written";
    }
    return "unknown";
}

std::string RegistryRoot() {
    std::string root = Env("QUELLON_REGISTRY_ROOT");
    if (!root.empty()) {
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        return root;
    }
    return ConfigHome() + "/QuellonPM/registry";
}

std::string AutostartFolder() { return ConfigHome() + "/autostart"; }

RegStatus RegCreateKey(Hive hive, std::string_view key) {
    auto norm = NormalizeKey(key);
    if (!norm) return RegStatus::BadName;
    if (norm->empty() || IsRunKeyOrParent(hive, *norm)) return RegStatus::Ok;
    return Modify(hive, [&](HiveData& h) {
        if (h.Find(*norm)) return ChangeResult{RegStatus::Ok, false};
        h.Create(*norm);
        return ChangeResult{RegStatus::Ok, true};
    });
}

bool RegKeyExists(Hive hive, std::string_view key) {
    auto norm = NormalizeKey(key);
    if (!norm) return false;
    if (norm->empty() || IsRunKeyOrParent(hive, *norm)) return true;
    LoadedHive l = LoadHive(hive);
    return l.data.Find(*norm) != nullptr;
}

RegStatus RegSetString(Hive hive, std::string_view key, std::string_view name, std::string_view data) {
    return SetAny(hive, key, name, RegValue{std::string(data)});
}

RegStatus RegSetDword(Hive hive, std::string_view key, std::string_view name, std::uint32_t data) {
    return SetAny(hive, key, name, RegValue{data});
}

std::optional<RegValue> RegQueryValue(Hive hive, std::string_view key, std::string_view name, RegStatus* status) {
    RegStatus local = RegStatus::Ok;
    RegStatus& st = status ? *status : local;
    auto norm = NormalizeKey(key);
    if (!norm) {
        st = RegStatus::BadName;
        return std::nullopt;
    }
    if (IsRunKey(hive, *norm)) return RunQuery(name, st);
    LoadedHive l = LoadHive(hive);
    if (l.unreadable) {
        st = RegStatus::IoError;
        return std::nullopt;
    }
    Key* k = l.data.Find(*norm);
    Value* v = k ? FindValue(*k, name) : nullptr;
    st = l.damaged ? RegStatus::Damaged : v ? RegStatus::Ok : RegStatus::NotFound;
    if (!v) return std::nullopt;
    return v->data;
}

std::optional<std::string> RegQueryString(Hive hive, std::string_view key, std::string_view name, RegStatus* status) {
    auto v = RegQueryValue(hive, key, name, status);
    if (!v) return std::nullopt;
    if (auto* s = std::get_if<std::string>(&*v)) return std::move(*s);
    if (status && *status == RegStatus::Ok) *status = RegStatus::NotFound;
    return std::nullopt;
}

RegStatus RegDeleteValue(Hive hive, std::string_view key, std::string_view name) {
    auto norm = NormalizeKey(key);
    if (!norm) return RegStatus::BadName;
    if (IsRunKey(hive, *norm)) return RunDelete(name);
    return Modify(hive, [&](HiveData& h) {
        Key* k = h.Find(*norm);
        if (!k || !RemoveValue(*k, name)) return ChangeResult{RegStatus::NotFound, false};
        return ChangeResult{RegStatus::Ok, true};
    });
}

RegStatus RegDeleteKey(Hive hive, std::string_view key) {
    auto norm = NormalizeKey(key);
    if (!norm || norm->empty()) return RegStatus::BadName;
    return Modify(hive, [&](HiveData& h) {
        if (!h.Remove(*norm)) return ChangeResult{RegStatus::NotFound, false};
        return ChangeResult{RegStatus::Ok, true};
    });
}

RegBatch& RegBatch::CreateKey(std::string_view key) {
    changes_.push_back(Change{Op::CreateKey, std::string(key), {}, {}});
    return *this;
}
RegBatch& RegBatch::SetString(std::string_view key, std::string_view name, std::string_view data) {
    changes_.push_back(Change{Op::SetValue, std::string(key), std::string(name), RegValue{std::string(data)}});
    return *this;
}
RegBatch& RegBatch::SetDword(std::string_view key, std::string_view name, std::uint32_t data) {
    changes_.push_back(Change{Op::SetValue, std::string(key), std::string(name), RegValue{data}});
    return *this;
}
RegBatch& RegBatch::DeleteValue(std::string_view key, std::string_view name) {
    changes_.push_back(Change{Op::DeleteValue, std::string(key), std::string(name), {}});
    return *this;
}
RegBatch& RegBatch::DeleteKey(std::string_view key) {
    changes_.push_back(Change{Op::DeleteKey, std::string(key), {}, {}});
    return *this;
}

RegStatus RegBatch::Commit() {
    // Names are checked before anything is touched, so a refused change
    // leaves the hive as it was.
    std::vector<std::string> keys;
    keys.reserve(changes_.size());
    for (const Change& c : changes_) {
        auto norm = NormalizeKey(c.key);
        if (!norm) return RegStatus::BadName;
        if (c.op == Op::DeleteKey && norm->empty()) return RegStatus::BadName;
        if (IsRunKey(hive_, *norm)) return RegStatus::BadName;
        keys.push_back(std::move(*norm));
    }
    if (changes_.empty()) return RegStatus::Ok;
    return Modify(hive_, [&](HiveData& h) {
        bool changed = false;
        for (std::size_t i = 0; i < changes_.size(); ++i) {
            const Change& c = changes_[i];
            const std::string& key = keys[i];
            switch (c.op) {
                case Op::CreateKey:
                    if (!key.empty() && !h.Find(key)) {
                        h.Create(key);
                        changed = true;
                    }
                    break;
                case Op::SetValue: {
                    Key& k = h.Create(key);
                    Value* existing = FindValue(k, c.name);
                    if (!existing || existing->data != c.value) {
                        SetValue(k, c.name, c.value);
                        changed = true;
                    }
                    break;
                }
                case Op::DeleteValue:
                    if (Key* k = h.Find(key)) changed = RemoveValue(*k, c.name) || changed;
                    break;
                case Op::DeleteKey:
                    changed = h.Remove(key) || changed;
                    break;
            }
        }
        return ChangeResult{RegStatus::Ok, changed};
    });
}

}  // namespace plat

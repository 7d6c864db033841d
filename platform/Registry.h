#pragma once
// A small file-backed registry: the program and the library keep their class
// registrations, the autorun entry and a few settings here.
//
// Hives are HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, one
// file each, "<hive name>.hive", under the registry root:
//   $QUELLON_REGISTRY_ROOT when set and not empty, else
//   $XDG_CONFIG_HOME/QuellonPM/registry ($XDG_CONFIG_HOME defaults to ~/.config).
// The root is made (0700) on the first write; reading never creates anything.
//
// Keys are backslash paths below a hive ("CLSID\{...}\InprocServer32");
// leading and trailing backslashes are ignored, an empty part in the middle
// is refused. Keys and value names compare case-insensitively (ASCII letters)
// and keep the case they were first written with. Creating a key creates its
// missing parents. Values are strings or 32-bit numbers; the default value of
// a key has the empty name.
//
// Hive file format. Lines end in LF; the first line is the header, every
// other line is one record whose fields are separated by one TAB:
//   QuellonPM registry hive 1
//   K  <key>                        a key (listed even when it has values)
//   S  <key>  <name>  <data>        a string value
//   D  <key>  <name>  <decimal>     a 32-bit number, 0 .. 4294967295
// In <key>, <name> and <data> the bytes '%', TAB, LF, CR, the other control
// bytes below 0x20 and 0x7F are written as %XX (two upper-case hex digits);
// every other byte stands as it is, so code-page text survives byte for byte.
//
// Writing: every change reads the hive, changes it and replaces the file
// atomically (plat::ReplaceFile), while holding an exclusive flock on
// "<root>/.lock", so concurrent writers (threads or processes) never lose each
// other's changes. Readers take no lock: a hive file is always whole.
//
// A damaged hive file (no header, a malformed line, an unterminated last line)
// is reported through the reporter (once per file and process) and read as the
// lines that are well formed; the status says Damaged. The first write keeps
// the damaged file as "<hive file>.damaged-<n>" before it replaces it.
//
// The key HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run is
// backed by the XDG autostart folder, so autorun works on a Linux desktop: the
// string value <name> = <command> is the desktop entry
// $XDG_CONFIG_HOME/autostart/<name>.desktop, whose Exec line starts <command>
// as one program path (quoted when it needs quoting). Querying reads the Exec
// line back, deleting the value removes the file. A value name that is not a
// safe file name, a number value and a command that is not plain UTF-8 text
// are refused. Deleting the key (or a parent) leaves the autostart folder alone.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace plat {

enum class Hive { ClassesRoot, CurrentUser, LocalMachine };
inline constexpr Hive HKEY_CLASSES_ROOT = Hive::ClassesRoot;
inline constexpr Hive HKEY_CURRENT_USER = Hive::CurrentUser;
inline constexpr Hive HKEY_LOCAL_MACHINE = Hive::LocalMachine;

// The name of a hive as written in paths and file names ("HKEY_CLASSES_ROOT").
const char* HiveName(Hive hive);

enum class RegStatus {
    Ok,
    NotFound,  // no such key or value
    BadName,   // a key or value name the registry refuses
    BadValue,  // a value the key cannot hold (the Run key: numbers, non-UTF-8 text)
    Damaged,   // read from a damaged hive file (see above)
    IoError,   // the root, the lock or the hive file could not be read or written
};
const char* RegStatusText(RegStatus status);

using RegValue = std::variant<std::string, std::uint32_t>;

// The folder the hive files live in (from the environment at each call).
std::string RegistryRoot();
// The XDG autostart folder that backs the Run key.
std::string AutostartFolder();

RegStatus RegCreateKey(Hive hive, std::string_view key);
bool RegKeyExists(Hive hive, std::string_view key);
// Sets a value, creating the key (and its parents) when missing.
RegStatus RegSetString(Hive hive, std::string_view key, std::string_view name, std::string_view data);
RegStatus RegSetDword(Hive hive, std::string_view key, std::string_view name, std::uint32_t data);
// The value, or nothing when the key or value is missing; `status`, when
// given, says why (Ok, NotFound, BadName, Damaged, IoError).
std::optional<RegValue> RegQueryValue(Hive hive, std::string_view key, std::string_view name,
                                      RegStatus* status = nullptr);
// A string value only: a number value gives nothing.
std::optional<std::string> RegQueryString(Hive hive, std::string_view key, std::string_view name,
                                          RegStatus* status = nullptr);
RegStatus RegDeleteValue(Hive hive, std::string_view key, std::string_view name);
// Deletes the key with all its subkeys; the hive itself cannot be deleted.
RegStatus RegDeleteKey(Hive hive, std::string_view key);

// Several changes to one hive applied together in one atomic write: either
// all reach the file or none does. Deleting a missing key or value inside a
// batch is no error. The Run key is not part of batches (Commit gives
// BadName).
class RegBatch {
public:
    explicit RegBatch(Hive hive) : hive_(hive) {}
    RegBatch& CreateKey(std::string_view key);
    RegBatch& SetString(std::string_view key, std::string_view name, std::string_view data);
    RegBatch& SetDword(std::string_view key, std::string_view name, std::uint32_t data);
    RegBatch& DeleteValue(std::string_view key, std::string_view name);
    RegBatch& DeleteKey(std::string_view key);
    RegStatus Commit();

private:
    enum class Op { CreateKey, SetValue, DeleteValue, DeleteKey };
    struct Change {
        Op op;
        std::string key;
        std::string name;
        RegValue value;
    };
    Hive hive_;
    std::vector<Change> changes_;
};

// Where damage reports go; the default writes one line to stderr. An empty
// function restores the default.
using RegistryReporter = std::function<void(const std::string& message)>;
void SetRegistryReporter(RegistryReporter reporter);

}  // namespace plat

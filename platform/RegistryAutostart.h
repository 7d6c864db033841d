#pragma once
// Internal to the registry (callers use platform/Registry.h): the Run key,
// whose string values are XDG autostart desktop entries, so autorun works on
// a Linux desktop. The hive files never hold it.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace plat::reg_internal {

// `normalizedKey` as NormalizeKey gives it.
bool IsRunKey(Hive hive, const std::string& normalizedKey);
// The Run key and the keys above it always exist: the autostart folder backs them.
bool IsRunKeyOrParent(Hive hive, const std::string& normalizedKey);

// The value <name> = <command> as the desktop entry <name>.desktop; refuses
// a name that is no safe file name (BadName), and a number or a command that
// is not plain UTF-8 text (BadValue).
RegStatus RunSet(std::string_view name, const RegValue& value);
// The command the entry's Exec line starts; Damaged when that line cannot be read.
std::optional<RegValue> RunQuery(std::string_view name, RegStatus& status);
RegStatus RunDelete(std::string_view name);

// The command as an Exec value that starts it as one program path, and back.
std::string ExecLine(std::string_view command);
std::optional<std::string> CommandFromExec(std::string_view value);

}  // namespace plat::reg_internal

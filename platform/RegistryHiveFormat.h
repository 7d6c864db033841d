#pragma once
// Internal to the registry (callers use platform/Registry.h): the text of a
// hive file, its escapes and its records, as Registry.h describes the format.
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryHive.h"

namespace plat::reg_internal {

// A key, name or string as it stands in a record: '%', the control bytes and
// 0x7F as %XX, every other byte as it is.
std::string Escape(std::string_view s);
// Undoes Escape; nothing for a cut-off or non-hex escape or a raw control
// byte, which we never write.
std::optional<std::string> Unescape(std::string_view s);

struct ParsedHive {
    HiveData data;
    bool damaged = false;  // not all of the text was a hive we wrote
};
// The well-formed records of a hive file's text.
ParsedHive ParseHive(std::string_view text);
std::string SerializeHive(const HiveData& hive);

}  // namespace plat::reg_internal

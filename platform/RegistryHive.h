#pragma once
// Internal to the registry (callers use platform/Registry.h): key names and a
// hive held in memory, as the store reads it from and writes it to its file.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace plat::reg_internal {

// Keys and value names compare with ASCII letters folded only, so code-page
// text in a name never changes meaning with the locale.
std::string Folded(std::string_view s);
bool EqualFolded(std::string_view a, std::string_view b);

// The key path without leading and trailing backslashes; nothing when a part
// in the middle is empty, a part is longer than 255 bytes or it holds a NUL.
std::optional<std::string> NormalizeKey(std::string_view key);

struct Value {
    std::string name;
    RegValue data;
};

struct Key {
    std::string path;  // as first written
    std::vector<Value> values;
};

struct HiveData {
    std::map<std::string, Key> keys;  // by folded path

    // The key, made with its missing parents when it is not there.
    Key& Create(const std::string& path);
    Key* Find(const std::string& path);
    // Removes the key and its subkeys; false when it did not exist.
    bool Remove(const std::string& path);
};

Value* FindValue(Key& key, std::string_view name);
void SetValue(Key& key, std::string_view name, RegValue data);
bool RemoveValue(Key& key, std::string_view name);

}  // namespace plat::reg_internal

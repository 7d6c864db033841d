#include "platform/RegistryHive.h"

#include <algorithm>

namespace plat::reg_internal {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string Folded(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

bool EqualFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::optional<std::string> NormalizeKey(std::string_view key) {
    while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    std::size_t partLen = 0;
    for (std::size_t i = 0; i < key.size(); ++i) {
        char c = key[i];
        if (c == '\0') return std::nullopt;
        if (c == '\\') {
            if (partLen == 0) return std::nullopt;
            partLen = 0;
        } else if (++partLen > 255) {
            return std::nullopt;
        }
    }
    return std::string(key);
}

Key& HiveData::Create(const std::string& path) {
    // Parents first, as the registry creates them.
    std::size_t pos = 0;
    while ((pos = path.find('\\', pos)) != std::string::npos) {
        std::string parent = path.substr(0, pos);
        keys.try_emplace(Folded(parent), Key{parent, {}});
        ++pos;
    }
    return keys.try_emplace(Folded(path), Key{path, {}}).first->second;
}

Key* HiveData::Find(const std::string& path) {
    auto it = keys.find(Folded(path));
    return it == keys.end() ? nullptr : &it->second;
}

bool HiveData::Remove(const std::string& path) {
    std::string folded = Folded(path);
    bool found = keys.erase(folded) > 0;
    std::string prefix = folded + '\\';
    for (auto it = keys.lower_bound(prefix); it != keys.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
        it = keys.erase(it);
    return found;
}

Value* FindValue(Key& key, std::string_view name) {
    for (Value& v : key.values)
        if (EqualFolded(v.name, name)) return &v;
    return nullptr;
}

void SetValue(Key& key, std::string_view name, RegValue data) {
    if (Value* v = FindValue(key, name)) {
        v->data = std::move(data);
    } else {
        key.values.push_back(Value{std::string(name), std::move(data)});
    }
}

bool RemoveValue(Key& key, std::string_view name) {
    auto it =
        std::find_if(key.values.begin(), key.values.end(), [&](const Value& v) { return EqualFolded(v.name, name); });
    if (it == key.values.end()) return false;
    key.values.erase(it);
    return true;
}

}  // namespace plat::reg_internal

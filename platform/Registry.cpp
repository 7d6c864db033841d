#include "platform/Registry.h"

#include "platform/RegistryAutostart.h"
#include "platform/RegistryHive.h"
#include "platform/RegistryStore.h"
#include "platform/SystemFolder.h"

namespace plat {

using namespace reg_internal;

namespace {

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

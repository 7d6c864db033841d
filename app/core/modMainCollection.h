#pragma once
// A keyed collection with the runtime's Collection semantics: items keep the
// order in which they were added and are reached by key or by position 1 to
// Count. Keys compare without regard to letter case, through the code page's
// case mapping (keys are file paths, so a path spelled in another case finds
// the same entry). The collection holds its own reference to each item;
// removing an entry drops that reference only.
//
// Errors as the runtime raises them: adding a key that is present 457, a key
// that is missing 5, a position outside 1 to Count 9.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/VbError.h"

class clsDatabase;

namespace modMain {

// The form in which two keys are compared: equal forms, equal keys.
std::string CollectionKeyForm(std::string_view key);

inline constexpr long errKeyInUse = 457;

template <class T>
class Collection {
public:
    long Count() const noexcept { return static_cast<long>(items_.size()); }

    // Appends `item` under `key`; raises 457 when the key is present.
    void Add(T item, std::string_view key) {
        std::string form = CollectionKeyForm(key);
        if (IndexOf(form) != kNone)
            throw vb::VbError(errKeyInUse, "This key is already associated with an element of this collection");
        items_.push_back(Entry{std::move(form), std::move(item)});
    }

    // The item under `key`; raises 5 when there is none.
    const T& Item(std::string_view key) const { return items_[IndexOrRaise(key)].item; }

    // The item at position `index` (1 to Count); raises 9 outside.
    const T& Item(long index) const {
        if (index < 1 || index > Count()) vb::Raise(vb::errSubscript);
        return items_[static_cast<std::size_t>(index - 1)].item;
    }

    // Removes the entry under `key`; raises 5 when there is none.
    void Remove(std::string_view key) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(IndexOrRaise(key))); }

    bool Contains(std::string_view key) const { return IndexOf(CollectionKeyForm(key)) != kNone; }

    // The items in order.
    std::vector<T> Items() const {
        std::vector<T> out;
        out.reserve(items_.size());
        for (const Entry& e : items_) out.push_back(e.item);
        return out;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Entry {
        std::string keyForm;
        T item;
    };
    std::size_t IndexOf(const std::string& form) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].keyForm == form) return i;
        return kNone;
    }
    std::size_t IndexOrRaise(std::string_view key) const {
        std::size_t i = IndexOf(CollectionKeyForm(key));
        if (i == kNone) vb::Raise(vb::errInvalidCall);
        return i;
    }

    std::vector<Entry> items_;
};

// The collection of loaded databases, keyed by file path.
using DBCollection = Collection<std::shared_ptr<clsDatabase>>;

// 1 when the collection holds an item under the key, else 0.
std::int32_t FindObjInCol(const DBCollection& Collect, const std::string& ObjKey);

}  // namespace modMain

// A collection in a dump: its items "Name[1]", "Name[2]", ... between the
// opening and the closing line.
namespace trace {
std::string DumpVariable(std::string_view name, const modMain::DBCollection& items, long depth = 99, long indent = 0);
}

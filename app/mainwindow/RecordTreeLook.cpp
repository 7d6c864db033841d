#include "app/mainwindow/RecordTreeLook.h"

#include <QHash>
#include <unordered_map>
#include <utility>

struct RecordTreeLookRef::Entry {
    RecordTreeLook look;
    std::size_t hash;
    std::size_t refs;
};

namespace {

std::size_t HashOf(const RecordTreeLook& look) {
    // Equal looks hash alike: each term is one that equality compares.
    std::size_t h = look.held;
    const auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(qHash(look.tag));
    mix(qHash(look.image));
    mix(static_cast<std::size_t>(look.icon.cacheKey()));
    mix(look.foreground.color().rgba());
    mix(static_cast<std::size_t>(look.foreground.style()));
    mix(qHash(look.font));
    mix(look.font.resolveMask());
    return h;
}

bool SameString(const QString& a, const QString& b) { return a.isNull() == b.isNull() && a == b; }

// The interned looks by hash. Made once and never destroyed, so that a node
// outliving the program's static objects still finds it.
std::unordered_multimap<std::size_t, RecordTreeLookRef::Entry*>& Registry() {
    static auto* registry = new std::unordered_multimap<std::size_t, RecordTreeLookRef::Entry*>;
    return *registry;
}

}  // namespace

bool RecordTreeLook::operator==(const RecordTreeLook& other) const {
    return held == other.held && SameString(tag, other.tag) && SameString(image, other.image) &&
           icon.cacheKey() == other.icon.cacheKey() && foreground == other.foreground && font == other.font &&
           font.resolveMask() == other.font.resolveMask();
}

RecordTreeLookRef RecordTreeLookRef::Intern(const RecordTreeLook& look) {
    if (look.held == 0) return {};
    const std::size_t hash = HashOf(look);
    auto& registry = Registry();
    for (auto [it, end] = registry.equal_range(hash); it != end; ++it) {
        if (it->second->look == look) {
            ++it->second->refs;
            return RecordTreeLookRef(it->second);
        }
    }
    auto* entry = new Entry{look, hash, 1};
    try {
        registry.emplace(hash, entry);
    } catch (...) {
        delete entry;
        throw;
    }
    return RecordTreeLookRef(entry);
}

RecordTreeLookRef::RecordTreeLookRef(const RecordTreeLookRef& other) noexcept : entry_(other.entry_) {
    if (entry_) ++entry_->refs;
}

RecordTreeLookRef::RecordTreeLookRef(RecordTreeLookRef&& other) noexcept
    : entry_(std::exchange(other.entry_, nullptr)) {}

RecordTreeLookRef& RecordTreeLookRef::operator=(RecordTreeLookRef other) noexcept {
    std::swap(entry_, other.entry_);
    return *this;
}

RecordTreeLookRef::~RecordTreeLookRef() {
    if (!entry_ || --entry_->refs > 0) return;
    auto& registry = Registry();
    for (auto [it, end] = registry.equal_range(entry_->hash); it != end; ++it) {
        if (it->second == entry_) {
            registry.erase(it);
            break;
        }
    }
    delete entry_;
}

const RecordTreeLook* RecordTreeLookRef::get() const { return entry_ ? &entry_->look : nullptr; }

const RecordTreeLook& RecordTreeLookRef::Look() const { return entry_->look; }

std::size_t RecordTreeLookRef::InternedCount() { return Registry().size(); }

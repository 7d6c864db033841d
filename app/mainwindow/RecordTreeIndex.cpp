#include "app/mainwindow/RecordTreeIndex.h"

#include <functional>
#include <utility>

namespace {

std::size_t HashOf(std::string_view key) { return std::hash<std::string_view>{}(key); }

}  // namespace

std::size_t RecordTreeIndex::SlotOf(std::string_view key, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (!s.node || (s.hash == hash && keyOf_(s.node) == key)) return i;
    }
}

QTreeWidgetItem* RecordTreeIndex::Find(std::string_view key) const {
    if (size_ == 0) return nullptr;
    return slots_[SlotOf(key, HashOf(key))].node;
}

void RecordTreeIndex::Insert(QTreeWidgetItem* node) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    const std::string_view key = keyOf_(node);
    const std::size_t hash = HashOf(key);
    slots_[SlotOf(key, hash)] = {hash, node};
    ++size_;
}

void RecordTreeIndex::Erase(std::string_view key) {
    if (size_ == 0) return;
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = SlotOf(key, HashOf(key));
    if (!slots_[hole].node) return;
    slots_[hole] = {};
    --size_;
    // Moves back every later entry of the run that may not stay behind the
    // hole, so that no look-up stops at it before reaching its entry.
    for (std::size_t j = (hole + 1) & mask; slots_[j].node; j = (j + 1) & mask) {
        const std::size_t home = slots_[j].hash & mask;
        const bool reachable = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
        if (reachable) continue;
        slots_[hole] = std::exchange(slots_[j], Slot{});
        hole = j;
    }
}

void RecordTreeIndex::Clear() {
    slots_ = {};
    size_ = 0;
}

void RecordTreeIndex::Grow() {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slots_.empty() ? 16 : slots_.size() * 2));
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (!s.node) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].node) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

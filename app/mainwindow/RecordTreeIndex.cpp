#include "app/mainwindow/RecordTreeIndex.h"

#include <functional>
#include <utility>

namespace {

// The part of a key's hash the table keeps, and from which an entry's home
// slot is taken.
std::uint32_t HashOf(std::string_view key) { return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key)); }

}  // namespace

std::size_t RecordTreeIndex::SlotOf(std::string_view key, std::uint32_t hash) const {
    const std::size_t mask = nodes_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const QTreeWidgetItem* node = nodes_[i];
        if (!node || (hashes_[i] == hash && keyOf_(node) == key)) return i;
    }
}

QTreeWidgetItem* RecordTreeIndex::Find(std::string_view key) const {
    if (size_ == 0) return nullptr;
    return nodes_[SlotOf(key, HashOf(key))];
}

bool RecordTreeIndex::Insert(QTreeWidgetItem* node) {
    // At most 13/16 full: an empty slot is never far for linear probing,
    // and 100,000 nodes still fit 131,072 slots.
    if ((size_ + 1) * 16 > nodes_.size() * 13) Grow();
    const std::string_view key = keyOf_(node);
    const std::uint32_t hash = HashOf(key);
    const std::size_t i = SlotOf(key, hash);
    if (nodes_[i]) return false;
    nodes_[i] = node;
    hashes_[i] = hash;
    ++size_;
    return true;
}

void RecordTreeIndex::Erase(std::string_view key) {
    if (size_ == 0) return;
    const std::size_t mask = nodes_.size() - 1;
    std::size_t hole = SlotOf(key, HashOf(key));
    if (!nodes_[hole]) return;
    nodes_[hole] = nullptr;
    --size_;
    // Moves back every later entry of the run that may not stay behind the
    // hole, so that no look-up stops at it before reaching its entry.
    for (std::size_t j = (hole + 1) & mask; nodes_[j]; j = (j + 1) & mask) {
        const std::size_t home = hashes_[j] & mask;
        const bool reachable = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
        if (reachable) continue;
        nodes_[hole] = std::exchange(nodes_[j], nullptr);
        hashes_[hole] = hashes_[j];
        hole = j;
    }
}

void RecordTreeIndex::Clear() {
    nodes_ = {};
    hashes_ = {};
    size_ = 0;
}

void RecordTreeIndex::Grow() {
    // Both tables are made before either is given up, so that a failed
    // allocation leaves the index as it was.
    const std::size_t count = nodes_.empty() ? 16 : nodes_.size() * 2;
    std::vector<QTreeWidgetItem*> nodes(count);
    std::vector<std::uint32_t> hashes(count);
    const std::size_t mask = count - 1;
    for (std::size_t k = 0; k < nodes_.size(); ++k) {
        if (!nodes_[k]) continue;
        std::size_t i = hashes_[k] & mask;
        while (nodes[i]) i = (i + 1) & mask;
        nodes[i] = nodes_[k];
        hashes[i] = hashes_[k];
    }
    nodes_.swap(nodes);
    hashes_.swap(hashes);
}

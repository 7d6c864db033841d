#pragma once
// The record tree's nodes by key: an open-addressing table, linear probing,
// at most 13/16 full, of nodes and beside them the low 32 bits of their keys'
// hashes (12 bytes a slot); the key itself is read from the node. A look-up
// scans neighbouring hashes and touches a node only where its hash agrees,
// where a node-based map touches a bucket, a list node and its key, each far
// apart in memory once the tree holds 100,000 nodes. A node's key must not
// change while the node is in the index.
#include <QTreeWidgetItem>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class RecordTreeIndex {
public:
    // The key of a node in the index, valid while the node is.
    using KeyOf = std::string_view (*)(const QTreeWidgetItem*);
    explicit RecordTreeIndex(KeyOf keyOf) : keyOf_(keyOf) {}

    // The node with `key`, or nullptr.
    QTreeWidgetItem* Find(std::string_view key) const;
    // Enters `node` under its key; false (and nothing changes) when a node
    // with that key is there.
    bool Insert(QTreeWidgetItem* node);
    // Takes out the node with `key`, if there is one.
    void Erase(std::string_view key);
    // Empties the index and gives back its memory.
    void Clear();
    std::size_t Size() const { return size_; }

    template <class F>
    void ForEach(F f) const {
        for (QTreeWidgetItem* node : nodes_)
            if (node) f(node);
    }

private:
    // The slot holding `key`, or the empty slot where it would go; the
    // table must not be empty.
    std::size_t SlotOf(std::string_view key, std::uint32_t hash) const;
    void Grow();

    KeyOf keyOf_;
    // A power of two of slots, or none; an empty slot holds no node.
    std::vector<QTreeWidgetItem*> nodes_;
    std::vector<std::uint32_t> hashes_;
    std::size_t size_ = 0;
};

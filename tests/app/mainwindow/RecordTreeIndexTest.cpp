// The record tree's index of nodes by key against a plain map, through
// inserts, look-ups and erasures that leave runs of collided slots behind.
#include <gtest/gtest.h>

#include <QTreeWidgetItem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/mainwindow/RecordTreeIndex.h"

namespace {

struct KeyedItem : QTreeWidgetItem {
    explicit KeyedItem(std::string k) : key(std::move(k)) {}
    std::string key;
};

std::string_view KeyOf(const QTreeWidgetItem* node) { return static_cast<const KeyedItem*>(node)->key; }

class IndexTest : public ::testing::Test {
protected:
    QTreeWidgetItem* Add(const std::string& key) {
        items_.push_back(std::make_unique<KeyedItem>(key));
        EXPECT_TRUE(index.Insert(items_.back().get()));
        model[key] = items_.back().get();
        return items_.back().get();
    }
    void Erase(const std::string& key) {
        index.Erase(key);
        model.erase(key);
    }
    // Every key the model holds is found with its node, and the count agrees.
    void ExpectAsModel() {
        ASSERT_EQ(index.Size(), model.size());
        for (const auto& [key, node] : model) ASSERT_EQ(index.Find(key), node) << key;
        std::size_t seen = 0;
        index.ForEach([&](QTreeWidgetItem* node) {
            ++seen;
            EXPECT_EQ(model.at(std::string(KeyOf(node))), node);
        });
        EXPECT_EQ(seen, model.size());
    }

    RecordTreeIndex index{&KeyOf};
    std::map<std::string, QTreeWidgetItem*> model;

private:
    std::vector<std::unique_ptr<KeyedItem>> items_;
};

TEST_F(IndexTest, AnEmptyIndexFindsAndErasesNothing) {
    EXPECT_EQ(index.Find("1key"), nullptr);
    index.Erase("1key");
    EXPECT_EQ(index.Size(), 0u);
    Add("1key");
    index.Clear();
    EXPECT_EQ(index.Find("1key"), nullptr);
    EXPECT_EQ(index.Size(), 0u);
    Add("1key");
    EXPECT_NE(index.Find("1key"), nullptr);
}

TEST_F(IndexTest, KeysDifferingInOneByteAreApartAndAbsentKeysAreNotFound) {
    QTreeWidgetItem* a = Add("12key");
    QTreeWidgetItem* b = Add("21key");
    QTreeWidgetItem* c = Add("12Key");
    EXPECT_EQ(index.Find("12key"), a);
    EXPECT_EQ(index.Find("21key"), b);
    EXPECT_EQ(index.Find("12Key"), c);
    for (const char* absent : {"", "12", "12key ", "key", "112key"}) EXPECT_EQ(index.Find(absent), nullptr) << absent;
    // A second node under a key in use is refused and the first kept.
    KeyedItem again("21key");
    EXPECT_FALSE(index.Insert(&again));
    EXPECT_EQ(index.Find("21key"), b);
    EXPECT_EQ(index.Size(), 3u);
}

// Random inserts and erasures, with the table growing and its runs of
// neighbouring slots broken up by erasures: after each step every entry
// is still found.
TEST_F(IndexTest, ErasuresInsideRunsKeepEveryOtherEntryFound) {
    std::mt19937 random(7);
    std::vector<std::string> keys;
    for (int i = 0; i < 3000; ++i) keys.push_back(std::to_string(i) + "key");
    for (int round = 0; round < 4; ++round) {
        for (const std::string& k : keys)
            if (!model.count(k) && random() % 2) Add(k);
        ExpectAsModel();
        for (const std::string& k : keys)
            if (random() % 3 == 0) Erase(k);
        ExpectAsModel();
    }
    for (const std::string& k : keys) Erase(k);
    ExpectAsModel();
    EXPECT_EQ(index.Size(), 0u);
}

}  // namespace

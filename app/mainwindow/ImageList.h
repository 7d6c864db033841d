#pragma once
// An image list: pictures by key, in the order they were added (the tree's
// node pictures, the toolbar's pictures). A key the list does not hold gives
// a null icon, so a node or button with an unknown picture shows none.
#include <QIcon>
#include <QObject>
#include <string>
#include <utility>
#include <vector>

class ImageList : public QObject {
public:
    explicit ImageList(QObject* parent = nullptr) : QObject(parent) {}

    void Add(const std::string& key, const QIcon& icon);
    QIcon Icon(const std::string& key) const;
    bool Has(const std::string& key) const;
    int Count() const { return static_cast<int>(items_.size()); }
    // The key of the index-th picture (1-based), "" outside the list.
    std::string KeyAt(int index) const;

private:
    std::vector<std::pair<std::string, QIcon>> items_;
};

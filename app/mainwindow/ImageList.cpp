#include "app/mainwindow/ImageList.h"

void ImageList::Add(const std::string& key, const QIcon& icon) {
    for (auto& item : items_) {
        if (item.first == key) {
            item.second = icon;
            return;
        }
    }
    items_.emplace_back(key, icon);
}

QIcon ImageList::Icon(const std::string& key) const {
    for (const auto& item : items_)
        if (item.first == key) return item.second;
    return {};
}

bool ImageList::Has(const std::string& key) const {
    for (const auto& item : items_)
        if (item.first == key) return true;
    return false;
}

std::string ImageList::KeyAt(int index) const {
    if (index < 1 || index > Count()) return {};
    return items_[static_cast<std::size_t>(index - 1)].first;
}

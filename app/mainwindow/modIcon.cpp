#include "app/mainwindow/modIcon.h"

#include <QApplication>
#include <QImageReader>
#include <QWidget>
#include <algorithm>
#include <map>

#include "app/trace/Trace.h"
#include "platform/qt/AnsiText.h"

namespace modIcon {

namespace {

std::map<std::string, QIcon>& Cache() {
    static std::map<std::string, QIcon> cache;
    return cache;
}

QIcon Load(const std::string& path) {
    auto& cache = Cache();
    if (auto it = cache.find(path); it != cache.end()) return it->second;
    QIcon icon;
    const QString file = qtplat::PathToQString(path);
    QImageReader reader(file);
    // Every image the file holds, so each window size gets its best fit.
    if (reader.canRead()) {
        const int count = std::max(reader.imageCount(), 1);
        for (int i = 0; i < count; ++i) {
            if (i > 0 && !reader.jumpToImage(i)) break;
            const QImage image = reader.read();
            if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    cache.emplace(path, icon);
    return icon;
}

QWidget* TopOwner(QWidget* w) {
    QWidget* top = w->window();
    while (QWidget* owner = top->parentWidget()) top = owner->window();
    return top;
}

}  // namespace

std::string DumpModuleVars() { return "{None}"; }

void SetIcon(QWidget* hWnd, const std::string& IconPath, bool bSetAsAppIcon) {
    TRACE_MOD(modIcon, "SetIcon", TV(IconPath), TV(bSetAsAppIcon));
    const QIcon icon = Load(IconPath);
    if (icon.isNull()) return;
    if (bSetAsAppIcon) {
        TopOwner(hWnd)->setWindowIcon(icon);
        QApplication::setWindowIcon(icon);
    }
    hWnd->setWindowIcon(icon);
}

QIcon GetIconHandle(const std::string& IconPath) {
    TRACE_MOD(modIcon, "GetIconHandle", TV(IconPath));
    return Load(IconPath);
}

void ClearCacheForTests() { Cache().clear(); }

}  // namespace modIcon

#include "app/mainwindow/modIcon.h"

#include <QApplication>
#include <QImageReader>
#include <QWidget>
#include <algorithm>
#include <map>

#include "app/trace/Trace.h"
#include "platform/qt/AnsiText.h"
#include "resources/icons/QpmImages.h"

namespace modIcon {

namespace {

std::map<std::string, QIcon>& Cache() {
    static std::map<std::string, QIcon> cache;
    return cache;
}

// Every image an icon file holds, so each size gets its best fit; a null
// icon when the file cannot be read.
QIcon ReadIconFile(const QString& file) {
    QIcon icon;
    QImageReader reader(file);
    if (reader.canRead()) {
        const int count = std::max(reader.imageCount(), 1);
        for (int i = 0; i < count; ++i) {
            if (i > 0 && !reader.jumpToImage(i)) break;
            const QImage image = reader.read();
            if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}

QIcon Load(const std::string& path) {
    auto& cache = Cache();
    if (auto it = cache.find(path); it != cache.end()) return it->second;
    QIcon icon = ReadIconFile(qtplat::PathToQString(path));
    // Without its icon file the program still shows its own icon, so the
    // window and the notification-area icon can always be found.
    if (icon.isNull()) {
        qpmimages::InitImages();
        icon = ReadIconFile(QStringLiteral(":/app/mainicon.ico"));
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
    TRACE_MOD(modIcon, "SetIcon", TV_PATH(IconPath), TV(bSetAsAppIcon));
    const QIcon icon = Load(IconPath);
    if (icon.isNull()) return;
    if (bSetAsAppIcon) {
        TopOwner(hWnd)->setWindowIcon(icon);
        QApplication::setWindowIcon(icon);
    }
    hWnd->setWindowIcon(icon);
}

QIcon GetIconHandle(const std::string& IconPath) {
    TRACE_MOD(modIcon, "GetIconHandle", TV_PATH(IconPath));
    return Load(IconPath);
}

void ClearCacheForTests() { Cache().clear(); }

}  // namespace modIcon

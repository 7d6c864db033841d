#include "app/trace/windows/WindowNamer.h"

#include <QWidget>

#include "app/trace/Dump.h"

namespace trace {

std::string WindowTypeName(const QWidget* window) {
    if (const auto* traced = dynamic_cast<const Traced*>(window)) return traced->TraceName();
    return window->metaObject()->className();
}

}  // namespace trace

#include "app/mainwindow/WindowOptions.h"

#include <cstdio>
#include <cstdlib>

#include "platform/VbStrings.h"

namespace winopt {

std::string CStrSingle(float value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(value));
    // Back through the runtime's own double form, which prints the shortest
    // text of the rounded value ("364.6", "9090", "1E+20").
    return vb::CStr(std::strtod(buf, nullptr));
}

}  // namespace winopt

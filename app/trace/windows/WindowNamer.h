#pragma once
// What a window is, for the trace's dumps of a window handed to code that
// knows no widget: the form's trace name when the form takes part in the
// trace, else its class name. main.cpp installs it (trace::SetWindowNamer).
#include <string>

class QWidget;

namespace trace {

std::string WindowTypeName(const QWidget* window);

}  // namespace trace

#pragma once
// Trace dump of a window handed to the core, as the runtime dumps an object
// variable: "{Nothing}" for none, else "{" & its type name & "}" (the form's
// own name when it takes part in the trace).
#include <QWidget>
#include <string>
#include <string_view>

#include "app/trace/Trace.h"

namespace coretrace {

inline std::string DumpWidget(std::string_view name, const QWidget* widget) {
    if (!widget) return trace::DumpVariable(name, static_cast<const trace::Traced*>(nullptr));
    if (const auto* traced = dynamic_cast<const trace::Traced*>(widget)) return trace::DumpVariable(name, traced);
    return trace::detail::Framed(name, "{" + std::string(widget->metaObject()->className()) + "}", 0);
}

}  // namespace coretrace

#define TV_WIDGET(x)                                     \
    ::trace::Var {                                       \
        [&]() { return ::coretrace::DumpWidget(#x, x); } \
    }

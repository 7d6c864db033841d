// A source of the core as the build compiles one, with the core's own flags
// and include folders: it reaches the trace, the Qt stand-ins and QtCore.
// With QPM_PROBE_WIDGET it also asks for a widget, which must not compile.
#include <QString>

#include "app/core/modMain.h"
#include "app/trace/Trace.h"
#include "platform/qt/AnsiText.h"

#ifdef QPM_PROBE_WIDGET
#include <QWidget>
#endif

int LayerProbeCoreSource() { return static_cast<int>(QString().size()); }

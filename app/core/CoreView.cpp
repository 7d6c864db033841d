#include "app/core/CoreView.h"

namespace modMain {

namespace {

SilentView g_silent;
CoreView* g_view = &g_silent;

}  // namespace

void SetMainView(CoreView* view) { g_view = view ? view : &g_silent; }

CoreView& MainView() { return *g_view; }

}  // namespace modMain

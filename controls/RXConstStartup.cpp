// Start-up of the component library in a GUI program: the program's cursors enter the screen's
// cursor table.
#include "controls/AdvCursors.h"

namespace {

struct TCursorStartup {
  TCursorStartup() { InitAdvCursors(GetModuleHandleA(nullptr)); }
} CursorStartup;

}  // namespace

// Start-up of the component library in a GUI program: the program's cursors enter the screen's
// cursor table and the icon clipboard format is registered.
#include "controls/AdvCursors.h"
#include "controls/ClipIcon.h"

namespace {

struct TComponentLibraryStartup {
  TComponentLibraryStartup() {
    InitAdvCursors(GetModuleHandleA(nullptr));
    InitClipIcon();
  }
} ComponentLibraryStartup;

}  // namespace

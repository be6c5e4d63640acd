// Start-up of the component library in a GUI program.
#include "controls/RXConstStartup.h"

#include "controls/AdvCursors.h"
#include "controls/ClipIcon.h"

void StartComponentLibrary() {
  InitAdvCursors(GetModuleHandleA(nullptr));
  InitClipIcon();
}

#include "controls/AdvCursors.h"

#include "classlib/gui/Forms.h"
#include "controls/RXConst.h"

HCURSOR LoadCursorSafe(HINSTANCE Instance, const char* Name) {
  if (HCURSOR Cursor = LoadCursorA(Instance, Name)) return Cursor;
  return LoadCursorA(nullptr, IDC_ARROW);
}

void InitAdvCursors(HINSTANCE Instance) {
  OSVERSIONINFOA Version{};
  Version.dwOSVersionInfoSize = sizeof(Version);
  GetVersionExA(&Version);
  const bool SystemHand = Version.dwPlatformId == VER_PLATFORM_WIN32_NT && Version.dwMajorVersion >= 5;
  Screen->SetCursors(crLinkHand, SystemHand ? LoadCursorSafe(nullptr, IDC_HAND) : Screen->Cursors(crHandPoint));
  Screen->SetCursors(crExchange, LoadCursorSafe(Instance, "Exchange"));
  Screen->SetCursors(crCopy, LoadCursorSafe(Instance, "Copy"));
  for (const int Cursor : {crHand, crDragHand})
    if (const HCURSOR Handle = LoadRxCursor(Cursor)) Screen->SetCursors(Cursor, Handle);
}

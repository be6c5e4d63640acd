// Cursor identifiers of the component library: the hand and the dragging hand, loaded from the
// program's cursor resources "RX_HANDCUR" and "RX_DRAGCUR" into the screen's cursor table at start-up.
#pragma once

#include <windows.h>

constexpr int crHand = 14000;
constexpr int crDragHand = 14001;

// The resource name of crHand or crDragHand; nullptr for any other identifier.
const char* RxCursorResourceName(int Cursor);
// The cursor resource of crHand or crDragHand from the program's own module; nullptr for any other
// identifier or a missing resource. The cursor is shared (not to be destroyed).
HCURSOR LoadRxCursor(int Cursor);

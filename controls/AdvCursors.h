// The program's cursors in the screen's cursor table: 1 the hand for links, 2 "Exchange" and 3 "Copy"
// for dragging, and the component library's hand (crHand) and dragging hand (crDragHand).
#pragma once

#include <windows.h>

constexpr int crLinkHand = 1, crExchange = 2, crCopy = 3;

// LoadCursorA(Instance, Name), or the system's arrow when that fails. Name: a resource name or
// MAKEINTRESOURCE number.
HCURSOR LoadCursorSafe(HINSTANCE Instance, const char* Name);
// Fills the screen's cursor table from Instance's resources (the start-up step of GUI programs).
void InitAdvCursors(HINSTANCE Instance);

// The clipboard format of icons.
#pragma once

#include <windows.h>

// Registers the format (once) and tells the picture classes that it holds a TIcon; run at start-up.
// Returns the format.
UINT InitClipIcon();
// The format; 0 before InitClipIcon.
UINT IconClipboardFormat();

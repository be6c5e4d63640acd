// The hourglass on the screen object for a scope; the default cursor afterwards.
#pragma once

#include "classlib/gui/Forms.h"

class THourGlass {
public:
  THourGlass() { Screen->SetCursor(crHourGlass); }
  ~THourGlass() { Screen->SetCursor(crDefault); }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;
};

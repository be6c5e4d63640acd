// System colours set for a test's lifetime.
#pragma once

#include "tests/support/Gui.h"

#include <initializer_list>
#include <utility>
#include <vector>

// Sets system colours and puts the old ones back when it goes.
class TSysColors {
public:
  TSysColors(std::initializer_list<std::pair<int, COLORREF>> Colors) {
    for (const auto& [Index, Color] : Colors) {
      FIndexes.push_back(Index);
      FOld.push_back(GetSysColor(Index));
      FNew.push_back(Color);
    }
    Apply(FNew);
  }
  ~TSysColors() { Apply(FOld); }
  TSysColors(const TSysColors&) = delete;
  TSysColors& operator=(const TSysColors&) = delete;
  void Set(int Index, COLORREF Color) {
    const INT I[] = {Index};
    const COLORREF C[] = {Color};
    SetSysColors(1, I, C);
    PumpUntilIdle(20, 500);
  }

private:
  std::vector<INT> FIndexes;
  std::vector<COLORREF> FOld, FNew;
  void Apply(const std::vector<COLORREF>& Colors) {
    SetSysColors(static_cast<int>(FIndexes.size()), FIndexes.data(), Colors.data());
    PumpUntilIdle(20, 500);
  }
};

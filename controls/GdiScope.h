// Scoped GDI handles: a selection, an owned object, an owned memory DC.
#pragma once

#include "classlib/core/Graphics.h"
#include "classlib/core/SysUtils.h"

#include <windows.h>

// A GDI object selected into a DC for one scope.
class TSelection {
public:
  TSelection(HDC DC, HGDIOBJ Object) : FDC(DC), FOld(SelectObject(DC, Object)) {}
  ~TSelection() {
    if (FOld != nullptr && FOld != HGDI_ERROR) SelectObject(FDC, FOld);
  }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

private:
  HDC FDC;
  HGDIOBJ FOld;
};

// An owned GDI object.
template <class T>
class TGdiObject {
public:
  explicit TGdiObject(T Handle) : FHandle(Handle) {}
  ~TGdiObject() {
    if (FHandle != nullptr) DeleteObject(FHandle);
  }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  T Get() const { return FHandle; }

private:
  T FHandle;
};

// An owned memory DC.
class TMemoryDC {
public:
  explicit TMemoryDC(HDC Compatible) : FDC(CreateCompatibleDC(Compatible)) {
    if (FDC == nullptr) throw EOutOfResources(SysErrorMessage(GetLastError()));
  }
  ~TMemoryDC() { DeleteDC(FDC); }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const { return FDC; }

private:
  HDC FDC;
};

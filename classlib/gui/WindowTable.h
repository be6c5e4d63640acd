// What the library keeps per window of this process (its control, a hook's link), found by handle.
// A window property would hold it too, but under Wine every property look-up is a round trip to
// the server, and the procedures look it up for every message. The table also never answers for
// a window of another process.
#pragma once

#include <windows.h>

#include <unordered_map>

template <class T>
class TWindowTable {
public:
  T* Find(HWND Wnd) const noexcept {
    if (!Wnd) return nullptr;
    AcquireSRWLockShared(&FLock);
    const auto It = FMap.find(Wnd);
    T* Result = It == FMap.end() ? nullptr : It->second;
    ReleaseSRWLockShared(&FLock);
    return Result;
  }

  // False when the entry could not be stored (no memory).
  bool Add(HWND Wnd, T* Value) noexcept {
    AcquireSRWLockExclusive(&FLock);
    bool Stored = true;
    try {
      FMap[Wnd] = Value;
    } catch (...) {
      Stored = false;
    }
    ReleaseSRWLockExclusive(&FLock);
    return Stored;
  }

  void Remove(HWND Wnd) noexcept {
    AcquireSRWLockExclusive(&FLock);
    FMap.erase(Wnd);
    ReleaseSRWLockExclusive(&FLock);
  }

private:
  mutable SRWLOCK FLock = SRWLOCK_INIT;
  std::unordered_map<HWND, T*> FMap;
};

// A table that outlives static destruction: windows can still go after it.
template <class T>
TWindowTable<T>& WindowTable() {
  static auto* Table = new TWindowTable<T>;
  return *Table;
}

// Timing, scratch folders and the windows of started programs, for the benchmarks.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// Seconds on the performance counter.
inline double Now() {
  static const double Frequency = [] {
    LARGE_INTEGER F;
    QueryPerformanceFrequency(&F);
    return static_cast<double>(F.QuadPart);
  }();
  LARGE_INTEGER C;
  QueryPerformanceCounter(&C);
  return static_cast<double>(C.QuadPart) / Frequency;
}

// The shortest of Repeats runs of Run (each returns its seconds).
template <class F>
double BestOf(int Repeats, F&& Run) {
  double Result = 1e30;
  for (int I = 0; I < Repeats; ++I) Result = std::min(Result, Run());
  return Result;
}

// The median of V (of an even count, the mean of the middle two).
inline double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  const size_t N = V.size();
  return N % 2 ? V[N / 2] : (V[N / 2 - 1] + V[N / 2]) / 2;
}

// The folder of the running bench, with a trailing "\".
inline std::string BenchFolder() {
  char Module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Module, MAX_PATH);
  std::string Bin = Module;
  Bin.resize(Bin.find_last_of('\\') + 1);
  return Bin;
}

// A new folder "<Stem><process>_<n>" under the temporary path, with a trailing "\"; "" on failure.
inline std::string MakeFolder(const std::string& Stem) {
  char Path[MAX_PATH];
  const DWORD N = GetTempPathA(MAX_PATH, Path);
  for (int I = 0; I < 1000; ++I) {
    const std::string D = std::string(Path, N) + Stem + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(I);
    if (CreateDirectoryA(D.c_str(), nullptr)) return D + "\\";
  }
  return "";
}

// Removes a folder of MakeFolder with the files in it.
inline void RemoveFolder(const std::string& Folder) {
  if (Folder.empty()) return;
  WIN32_FIND_DATAA F;
  const HANDLE H = FindFirstFileA((Folder + "*").c_str(), &F);
  if (H != INVALID_HANDLE_VALUE) {
    do {
      const std::string N = F.cFileName;
      if (N != "." && N != "..") DeleteFileA((Folder + N).c_str());
    } while (FindNextFileA(H, &F));
    FindClose(H);
  }
  RemoveDirectoryA(Folder.c_str());
}

struct TFindTop {
  DWORD Pid;
  std::function<bool(HWND)> Match;
  HWND Found;
};

inline BOOL CALLBACK FindTop(HWND Wnd, LPARAM Param) noexcept {
  auto* F = reinterpret_cast<TFindTop*>(Param);
  DWORD Pid = 0;
  GetWindowThreadProcessId(Wnd, &Pid);
  try {
    if (Pid == F->Pid && IsWindowVisible(Wnd) && F->Match(Wnd)) {
      F->Found = Wnd;
      return FALSE;
    }
  } catch (...) {
    return FALSE;  // the search ends without a window
  }
  return TRUE;
}

inline std::string ClassOf(HWND Wnd) {
  char Class[64] = {};
  GetClassNameA(Wnd, Class, sizeof(Class));
  return Class;
}

// A visible top-level window of process Pid for which Match holds, waited for up to Ms.
inline HWND WaitTop(DWORD Pid, HANDLE Process, const std::function<bool(HWND)>& Match, DWORD Ms) {
  TFindTop F{Pid, Match, nullptr};
  const double Start = Now();
  while (!F.Found && (Now() - Start) * 1000 < Ms && WaitForSingleObject(Process, 0) == WAIT_TIMEOUT) {
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&F));
    if (!F.Found) Sleep(1);
  }
  return F.Found;
}

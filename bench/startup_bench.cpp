// Corvane.exe's start-up: from CreateProcess to the main window shown and idle, median of 5, with a
// Corvane.ini of 100 static and 1,000 dynamic items over 50 file types and 200 fixture file types in
// HKEY_CLASSES_ROOT (removed after). The baseline, started alike and timed to its end: the scan with
// icons and both sections loaded through TCorvIniFile into the menus, without windows.
#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int Types = 200, UsedTypes = 50, StaticItems = 100, DynamicItems = 1000;

std::string TypeName(int I) { return "corvbenchfile" + std::to_string(I); }

void SetDefault(const std::string& Path, const std::string& Value) {
  HKEY Key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExA(Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()), static_cast<DWORD>(Value.size() + 1));
  RegCloseKey(Key);
}

std::string IniText() {
  std::string S = "[Static Items]\r\n";
  for (int I = 0; I < StaticItems; ++I) {
    const std::string N = std::to_string(I);
    // Inactive items: the load writes no shell verbs.
    S += "Application" + N + "=C:\\Tools\\app" + N + ".exe\r\nParameters" + N + "=\"%1\"\r\nCaption" + N + "=Static " + N +
         "\r\nChecked" + N + "=0\r\nFileType" + N + "=" + TypeName(I % UsedTypes) + "\r\n";
  }
  S += "Count=" + std::to_string(StaticItems) + "\r\n[Dynamic Items]\r\n";
  for (int I = 1; I <= DynamicItems; ++I) {
    const std::string N = std::to_string(I);
    S += "Parent" + N + "=0\r\nApplication" + N + "=C:\\Tools\\app" + N + ".exe\r\nParameters" + N + "=\"%1\"\r\nCaption" + N +
         "=Dynamic " + N + "\r\nHint" + N + "=Hint " + N + "\r\nChecked" + N + "=1\r\nFileType" + N + "=" +
         TypeName(I % UsedTypes) + "\r\n";
  }
  return S + "Count=" + std::to_string(DynamicItems) + "\r\n";
}

// Seconds from CreateProcess to the main window visible and idle (Program), or to the end (baseline);
// negative on failure.
double TimeRun(const std::string& Program, const std::string& Arguments, bool WaitMain) {
  std::string Line = "\"" + Program + "\" " + Arguments;
  STARTUPINFOA Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Info{};
  const double Start = Now();
  if (!CreateProcessA(Program.c_str(), Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info)) return -1;
  double Result = -1;
  if (WaitMain) {
    const HWND Main =
        WaitTop(Info.dwProcessId, Info.hProcess, [](HWND W) { return ClassOf(W) == "TfrmMain"; }, 300000);
    if (Main) {
      WaitForInputIdle(Info.hProcess, 60000);
      Result = Now() - Start;
      PostMessageA(Main, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(Info.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(Info.hProcess, 1);
  } else {
    WaitForSingleObject(Info.hProcess, INFINITE);
    DWORD Code = 1;
    GetExitCodeProcess(Info.hProcess, &Code);
    if (Code == 0) Result = Now() - Start;
  }
  CloseHandle(Info.hThread);
  CloseHandle(Info.hProcess);
  return Result;
}

}  // namespace

int main() {
  const std::string Bin = BenchFolder();
  const std::string Folder = MakeFolder("startup_bench");
  const std::string Program = Folder + "Corvane.exe", Baseline = Folder + "startup_baseline.exe";
  if (Folder.empty() || !CopyFileA((Bin + "Corvane.exe").c_str(), Program.c_str(), FALSE) ||
      !CopyFileA((Bin + "startup_baseline.exe").c_str(), Baseline.c_str(), FALSE)) {
    std::fprintf(stderr, "startup_bench: Corvane.exe or startup_baseline.exe missing beside the bench\n");
    return 1;
  }
  const std::string Ini = Folder + "Corvane.ini", Text = IniText();
  for (int I = 0; I < Types; ++I) {
    SetDefault(".corvbench" + std::to_string(I), TypeName(I));
    SetDefault(TypeName(I), "Bench type " + std::to_string(I));
  }
  std::vector<double> Program_, Base;
  for (int Run = 0; Run < 5; ++Run) {
    // The same file each run: closing writes the placement into it.
    HANDLE F = CreateFileA(Ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD Written = 0;
    WriteFile(F, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
    CloseHandle(F);
    Base.push_back(TimeRun(Baseline, Ini, false));
    Program_.push_back(TimeRun(Program, "", true));
  }
  for (int I = 0; I < Types; ++I) {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, (".corvbench" + std::to_string(I)).c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, TypeName(I).c_str());
  }
  RemoveFolder(Folder);
  if (*std::min_element(Program_.begin(), Program_.end()) < 0 || *std::min_element(Base.begin(), Base.end()) < 0) {
    std::fprintf(stderr, "startup_bench: a run failed (Corvane.exe %.3f s, baseline %.3f s at worst)\n",
                 *std::min_element(Program_.begin(), Program_.end()), *std::min_element(Base.begin(), Base.end()));
    return 1;
  }
  const double P = Median(Program_), B = Median(Base);
  std::printf("startup_bench: %d static and %d dynamic items over %d types, %d fixture types, median of 5\n", StaticItems,
              DynamicItems, UsedTypes, Types);
  std::printf("  Corvane.exe to main window idle: %.3f s\n", P);
  std::printf("  baseline (scan with icons, both sections into the menus): %.3f s\n", B);
  std::printf("  ratio: %.2f (goal: at most 1.7)\n", P / B);
  return 0;
}

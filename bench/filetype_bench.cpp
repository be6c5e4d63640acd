// Benchmark of the file-type scan (TFileTypes::Refresh, no icons) on a redirected HKEY_CLASSES_ROOT
// of 2,000, 10,000 and 50,000 file types with two extensions each, against a bare loop that
// enumerates the same keys and reads the same values with the registry calls. Prints both times,
// their ratio and the goal checks; always exits with 0 (a report, not a test).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "classlib/core/SysUtils.h"
#include "model/FileTypes.h"
#include "model/SortedCollection.h"
#include "tests/support/Registry.h"

namespace {

constexpr double RatioGoal = 3.0;    // scan time / bare loop time
constexpr double ScalingGoal = 1.5;  // time per type at the largest size / at the smallest
// Rounds: each measures every size once (bare loop, then scan), so that the load of the machine,
// which moves the cost of every registry call, falls alike on all sizes; each figure is the best
// of its rounds.
constexpr int Rounds = 2;
constexpr int Sizes[] = {2000, 10000, 50000};

// A scratch key under HKEY_CURRENT_USER with Types file types, to stand for HKEY_CLASSES_ROOT.
class TScratchClasses {
public:
  explicit TScratchClasses(int Types) : FTypes(Types) {
    FPath = "Software\\CorvaneBench\\filetype_bench_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(Types);
    RegDeleteTreeA(HKEY_CURRENT_USER, FPath.c_str());
    // Volatile: the fixture never reaches the disk, so no registry save runs into the timings, and
    // nothing is left behind should the program stop early.
    if (RegCreateKeyExA(HKEY_CURRENT_USER, FPath.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &FKey, nullptr) != ERROR_SUCCESS)
      FKey = nullptr;
  }
  ~TScratchClasses() {
    if (FKey != nullptr) {
      // The last key first: nothing moves up in the parent's list of keys.
      std::vector<std::string> Names;
      char Name[256];
      for (DWORD I = 0;; ++I) {
        DWORD Len = sizeof(Name);
        if (RegEnumKeyExA(FKey, I, Name, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        Names.emplace_back(Name, Len);
      }
      for (auto It = Names.rbegin(); It != Names.rend(); ++It) RegDeleteKeyA(FKey, It->c_str());
      RegCloseKey(FKey);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, FPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, FPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CorvaneBench");  // fails while other fixtures remain
  }
  TScratchClasses(const TScratchClasses&) = delete;
  TScratchClasses& operator=(const TScratchClasses&) = delete;

  int Types() const { return FTypes; }

  // "TypeNNNNNN" with a description and two extensions ".eNNNNNNa" and ".eNNNNNNb" per type. The
  // keys are made in the registry's order of names, so that each one is appended to its parent.
  bool Fill() {
    if (FKey == nullptr) return false;
    char Name[32], Value[64];
    for (int I = 0; I < FTypes; ++I) {
      std::snprintf(Value, sizeof(Value), "Type%06d", I);
      for (const char* Suffix : {"a", "b"}) {
        std::snprintf(Name, sizeof(Name), ".e%06d%s", I, Suffix);
        if (!SetDefault(Name, Value)) return false;
      }
    }
    for (int I = 0; I < FTypes; ++I) {
      std::snprintf(Name, sizeof(Name), "Type%06d", I);
      std::snprintf(Value, sizeof(Value), "File type %06d", I);
      if (!SetDefault(Name, Value)) return false;
    }
    return true;
  }

  // Redirects HKEY_CLASSES_ROOT here.
  bool Activate() const {
    const TRegOverridePredefKey Override = RegOverridePredefKeyProc();
    return Override != nullptr && Override(HKEY_CLASSES_ROOT, FKey) == ERROR_SUCCESS;
  }

private:
  int FTypes;
  std::string FPath;
  HKEY FKey = nullptr;

  bool SetDefault(const std::string& SubKey, const std::string& Value) {
    HKEY Key = nullptr;
    if (RegCreateKeyExA(FKey, SubKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &Key, nullptr) !=
        ERROR_SUCCESS)
      return false;
    const LONG R = RegSetValueExA(Key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                                  static_cast<DWORD>(Value.size() + 1));
    RegCloseKey(Key);
    return R == ERROR_SUCCESS;
  }
};

// The default value of an open key into Buffer; the registry calls only.
void ReadDefault(HKEY Key, std::vector<char>& Buffer) {
  DWORD Type = 0;
  DWORD Size = static_cast<DWORD>(Buffer.size());
  RegQueryValueExA(Key, "", nullptr, &Type, reinterpret_cast<BYTE*>(Buffer.data()), &Size);
}

// Tries a subkey of a type key, reading its default value when it opens.
void ProbeSubKey(HKEY TypeKey, const char* Name, std::vector<char>& Buffer) {
  HKEY Sub = nullptr;
  if (RegOpenKeyExA(TypeKey, Name, 0, KEY_READ, &Sub) == ERROR_SUCCESS) {
    ReadDefault(Sub, Buffer);
    RegCloseKey(Sub);
  }
}

// What the scan reads, without a model: every key of the root; a type key's default value and its
// "CurVer", "DefaultIcon" and "CLSID" subkeys; an extension key's default value. Answers the number
// of keys read.
int BareLoop() {
  HKEY Root = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_READ, &Root) != ERROR_SUCCESS) return -1;
  DWORD MaxLen = 0;
  RegQueryInfoKeyA(Root, nullptr, nullptr, nullptr, nullptr, &MaxLen, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  std::vector<char> Name(MaxLen + 2);
  std::vector<char> Buffer(1024);
  int Keys = 0;
  for (DWORD I = 0;; ++I) {
    DWORD Len = static_cast<DWORD>(Name.size());
    if (RegEnumKeyExA(Root, I, Name.data(), &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY Key = nullptr;
    if (RegOpenKeyExA(Root, Name.data(), 0, KEY_READ, &Key) != ERROR_SUCCESS) continue;
    ReadDefault(Key, Buffer);
    if (Name[0] != '.') {
      ProbeSubKey(Key, "CurVer", Buffer);
      ProbeSubKey(Key, "DefaultIcon", Buffer);
      ProbeSubKey(Key, "CLSID", Buffer);
    }
    RegCloseKey(Key);
    ++Keys;
  }
  RegCloseKey(Root);
  return Keys;
}

struct TFigures {
  int Types = 0;
  double Bare = 1e30;  // seconds, best of the rounds
  double Scan = 1e30;
  bool Correct = true;
};

// One bare loop and one scan of the active fixture.
void MeasureOnce(TFigures& F) {
  double T0 = Now();
  const int Keys = BareLoop();
  F.Bare = std::min(F.Bare, Now() - T0);
  if (Keys != 3 * F.Types) F.Correct = false;

  TFileTypes Model(nullptr);
  TAdvStringList Errors;
  T0 = Now();
  Model.Refresh(Errors);
  F.Scan = std::min(F.Scan, Now() - T0);
  const int Expected = F.Types + static_cast<int>(PredefinedLists().Names.size());
  if (Model.Count() != Expected || Errors.Count() != 0 || Model.GetItem(Model.Count() - 1)->GetExtensionCount() != 2)
    F.Correct = false;
}

int Run() {
  if (RegOverridePredefKeyProc() == nullptr) {
    std::printf("filetype_bench: RegOverridePredefKey is missing\n");
    return 0;
  }
  PredefinedLists();  // built once, outside the timings
  std::vector<std::unique_ptr<TScratchClasses>> Fixtures;
  std::vector<TFigures> All;
  const double T0 = Now();
  for (int Types : Sizes) {
    Fixtures.push_back(std::make_unique<TScratchClasses>(Types));
    if (!Fixtures.back()->Fill()) {
      std::printf("filetype_bench: cannot write the fixture of %d types\n", Types);
      return 0;
    }
    TFigures F;
    F.Types = Types;
    All.push_back(F);
  }
  std::printf("Fixtures of %d, %d and %d types (two extensions each) written in %.1f s\n", Sizes[0], Sizes[1],
              Sizes[2], Now() - T0);
  std::fflush(stdout);

  for (int Round = 0; Round < Rounds; ++Round) {
    const double R0 = Now();
    for (size_t I = 0; I < Fixtures.size(); ++I) {
      if (!Fixtures[I]->Activate()) {
        std::printf("filetype_bench: cannot redirect HKEY_CLASSES_ROOT\n");
        RegOverridePredefKeyProc()(HKEY_CLASSES_ROOT, nullptr);
        return 0;
      }
      MeasureOnce(All[I]);
    }
    std::printf("  round %d of %d: %.1f s\n", Round + 1, Rounds, Now() - R0);
    std::fflush(stdout);
  }
  RegOverridePredefKeyProc()(HKEY_CLASSES_ROOT, nullptr);

  std::printf("\nFile-type scan (TFileTypes::Refresh, no icons) against a bare registry loop; best of %d rounds\n",
              Rounds);
  std::printf("%8s %8s %10s %10s %7s %15s %15s %6s\n", "types", "keys", "bare [s]", "scan [s]", "ratio",
              "bare/type [us]", "scan/type [us]", "model");
  for (const TFigures& F : All)
    std::printf("%8d %8d %10.3f %10.3f %7.2f %15.2f %15.2f %6s\n", F.Types, 3 * F.Types, F.Bare, F.Scan,
                F.Scan / F.Bare, 1e6 * F.Bare / F.Types, 1e6 * F.Scan / F.Types, F.Correct ? "ok" : "WRONG");

  const TFigures& Small = All.front();
  const TFigures& Large = All.back();
  const double Scaling = (Large.Scan / Large.Types) / (Small.Scan / Small.Types);
  const double BareScaling = (Large.Bare / Large.Types) / (Small.Bare / Small.Types);
  std::printf("\nGoals\n");
  for (const TFigures& F : All)
    std::printf("  %-48s %6.2f <= %.1f  %s\n", ("scan / bare loop at " + std::to_string(F.Types) + " types").c_str(),
                F.Scan / F.Bare, RatioGoal, F.Scan / F.Bare <= RatioGoal ? "PASS" : "FAIL");
  std::printf("  %-48s %6.2f <= %.1f  %s\n",
              ("scan per type at " + std::to_string(Large.Types) + " / at " + std::to_string(Small.Types)).c_str(),
              Scaling, ScalingGoal, Scaling <= ScalingGoal ? "PASS" : "FAIL");
  bool Correct = true;
  for (const TFigures& F : All) Correct = Correct && F.Correct;
  std::printf("  %-48s %s\n", "every scan found every type and extension", Correct ? "PASS" : "FAIL");
  std::printf("\nFor comparison: the bare loop's time per type at %d / at %d is %.2f (the registry's own growth);\n"
              "the scan's ratio to the bare loop at %d / at %d is %.2f.\n",
              Large.Types, Small.Types, BareScaling, Large.Types, Small.Types,
              (Large.Scan / Large.Bare) / (Small.Scan / Small.Bare));
  return 0;
}

}  // namespace

int main() {
  try {
    return Run();
  } catch (const std::exception& E) {
    std::printf("filetype_bench: %s\n", E.what());
  }
  return 0;
}

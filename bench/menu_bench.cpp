// Benchmark of the dynamic menu's store: menus of 100, 1,000 and 10,000 items over 50 file types
// (plain items, submenus with children, separators), saved and loaded through TCorvIniFile, and
// loaded through the class library's TIniFile (the profile API's semantics, read from memory).
// Prints a table and the goal checks; always exits with 0 (a report, not a test).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "classlib/core/IniFiles.h"
#include "classlib/core/SysUtils.h"
#include "model/CorvIniFile.h"
#include "model/DynamicMenu.h"
#include "model/FileTypes.h"

namespace {

constexpr int TypeCount = 50;
constexpr int Repeats = 3;  // every load and save figure is the best of this many runs
const char* const Section = "Dynamic Items";

long long FileSize(const std::string& Name) {
  WIN32_FILE_ATTRIBUTE_DATA Data;
  if (!GetFileAttributesExA(Name.c_str(), GetFileExInfoStandard, &Data)) return -1;
  return (static_cast<long long>(Data.nFileSizeHigh) << 32) | Data.nFileSizeLow;
}

std::string Two(int N) { return (N < 10 ? "0" : "") + std::to_string(N); }

void FillTypes(TFileTypes& Types) {
  for (int I = 0; I < TypeCount; ++I) {
    TFileType* T = Types.Add();
    T->SetName("benchtype" + Two(I));
    T->SetDescription("Bench type " + Two(I));
  }
}

void FillItem(TDynamicMenuItem* Item, int Category, int Index) {
  const std::string Tag = Two(Category) + "." + std::to_string(Index);
  Item->SetCaption("Item " + Tag);
  Item->SetApplication("C:\\Program Files\\Bench\\app" + std::to_string(Index % 17) + ".exe");
  Item->SetParameters(Index % 3 == 0 ? "/open \"%1\"" : "\"%1\"");
  Item->SetHint(Index % 7 == 0 ? "Opens " + Tag + "; with options" : "Opens " + Tag);
  Item->SetIconIndex(-1);
}

// Count items spread evenly over the types; in every category, groups of ten entries: a submenu
// with three children, four plain items, a separator, four plain items.
void FillMenu(TDynamicMenu& Menu, TFileTypes& Types, int Count) {
  Menu.BeginUpdate();
  for (int C = 0; C < TypeCount; ++C) {
    const int PerType = Count / TypeCount + (C < Count % TypeCount ? 1 : 0);
    if (PerType == 0) continue;
    auto* Items = static_cast<TDynamicMenuItems*>(Menu.GetItems()->GetCategory(Types.GetItem(C))->GetItems());
    for (int J = 0; J < PerType;) {
      if (J % 10 == 0 && J + 4 <= PerType) {
        TDynamicSubMenu* Sub = Items->AddSubMenu();
        FillItem(Sub, C, J);
        Sub->SetCaption("Submenu " + Two(C) + "." + std::to_string(J));
        auto* Children = static_cast<TDynamicMenuItems*>(Sub->Items());
        for (int K = 1; K <= 3; ++K) FillItem(Children->AddItem(), C, J + K);
        J += 4;
      } else if (J % 10 == 5) {
        Items->AddItem()->SetIsSeparator(true);
        ++J;
      } else {
        FillItem(Items->AddItem(), C, J);
        ++J;
      }
    }
  }
  Menu.EndUpdate();
}

int CountItems(TTreeItems* Items) {
  int N = 0;
  for (int I = 0; I < Items->Count(); ++I) {
    TTreeItem* Item = Items->GetItem(I);
    if (dynamic_cast<TCustomMenuItem*>(Item) != nullptr) ++N;
    N += CountItems(Item->Items());
  }
  return N;
}

struct TRow {
  int Items = 0;
  long long Bytes = 0;
  double Save = 0, CorvLoad = 0, IniLoad = 0;  // seconds
  double CorvRead = 0;  // the engine alone: opening the file and reading the keys a load reads
  bool Checked = true;
};

double Best(int Repeats, const std::function<double()>& Run) {
  double Result = 1e30;
  for (int I = 0; I < Repeats; ++I) Result = std::min(Result, Run());
  return Result;
}

// The load through an INI class of the given type: a fresh menu, the load, the check.
template <class TIni>
double LoadThrough(const std::string& Name, TFileTypes& Types, int Count, bool& Checked) {
  return Best(Repeats, [&] {
    TDynamicMenu Menu(&Types);
    const double T0 = Now();
    {
      TIni Ini(Name);
      Menu.LoadFromIni(Ini, Section);
    }
    const double Elapsed = Now() - T0;
    if (CountItems(Menu.Items()) != Count || Menu.ErrorLog()->Count() != 0) Checked = false;
    return Elapsed;
  });
}

TRow Measure(int Count, TFileTypes& Types, const std::string& Folder) {
  TRow Row;
  Row.Items = Count;
  const std::string Name = Folder + "menu" + std::to_string(Count) + ".ini";

  TDynamicMenu Source(&Types);
  FillMenu(Source, Types, Count);
  Row.Save = Best(Repeats, [&] {
    DeleteFileA(Name.c_str());
    const double T0 = Now();
    {
      TCorvIniFile Ini(Name);
      Source.SaveToIni(Ini, Section);
      Ini.UpdateFile();
    }
    return Now() - T0;
  });
  Row.Bytes = FileSize(Name);

  Row.CorvLoad = LoadThrough<TCorvIniFile>(Name, Types, Count, Row.Checked);
  Row.IniLoad = LoadThrough<TIniFile>(Name, Types, Count, Row.Checked);

  // The keys the loader reads, in its order, without building a menu.
  Row.CorvRead = Best(Repeats, [&] {
    const double T0 = Now();
    size_t Length = 0;
    {
      TCorvIniFile Ini(Name);
      const int N = Ini.ReadInteger(Section, "Count", 0);
      for (int I = 1; I <= N; ++I) {
        const std::string Number = std::to_string(I);
        for (const char* Key : {"Parent", "FileType", "Submenu", "IsSeparator", "Application", "Parameters",
                                "Caption", "Hint", "IconFile", "IconIndex", "Checked"})
          Length += Ini.ReadString(Section, Key + Number, "").size();
      }
    }
    const double Elapsed = Now() - T0;
    if (Length == 0) Row.Checked = false;
    return Elapsed;
  });

  return Row;
}

std::string Ms(double Seconds) {
  if (Seconds < 0) return "-";
  char Buffer[32];
  std::snprintf(Buffer, sizeof(Buffer), "%.1f", Seconds * 1000.0);
  return Buffer;
}

}  // namespace

int main() {
  const std::string Folder = MakeFolder("CorvMenuBench");
  if (Folder.empty()) {
    std::printf("menu_bench: no temporary folder\n");
    return 0;
  }
  try {
    TFileTypes Types(nullptr);
    FillTypes(Types);
    std::vector<TRow> Rows;
    for (int Count : {100, 1000, 10000}) Rows.push_back(Measure(Count, Types, Folder));

    std::printf("menu_bench: dynamic menu over %d file types, section \"%s\" (times in ms, best of %d)\n", TypeCount,
                Section, Repeats);
    std::printf("%8s %10s %10s %12s %12s %14s %14s %8s\n", "items", "bytes", "save", "load Corv", "read keys",
                "load TIniFile", "TIniFile/Corv", "check");
    for (const TRow& R : Rows) {
      std::printf("%8d %10lld %10s %12s %12s %14s %14.2f %8s\n", R.Items, R.Bytes, Ms(R.Save).c_str(),
                  Ms(R.CorvLoad).c_str(), Ms(R.CorvRead).c_str(), Ms(R.IniLoad).c_str(), R.IniLoad / R.CorvLoad,
                  R.Checked ? "ok" : "FAILED");
    }

    const TRow& R1 = Rows[1];
    const TRow& R2 = Rows[2];
    const double Growth = R2.CorvLoad / R1.CorvLoad;
    std::printf("goal: TCorvIniFile load at 10,000 items within 10 times that at 1,000: %.1f times -> %s\n", Growth,
                Growth < 10.0 ? "met" : "NOT met");
    const double SaveGrowth = R2.Save / R1.Save;
    std::printf("      (save: %.1f times; the engine's reads alone: %.1f times)\n", SaveGrowth, R2.CorvRead / R1.CorvRead);
    for (const TRow* R : {&R1, &R2}) {
      const double Ratio = R->IniLoad / R->CorvLoad;
      std::printf("goal: TIniFile load at %d items within 3 times the TCorvIniFile load: %.2f times -> %s\n", R->Items,
                  Ratio, Ratio <= 3.0 ? "met" : "NOT met");
    }
  } catch (const std::exception& E) {
    std::printf("menu_bench: %s\n", E.what());
  }
  RemoveFolder(Folder);
  return 0;
}

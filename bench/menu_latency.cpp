// Latency of Vellisk's menu: Initialize plus QueryContextMenu of a context-menu object for one
// class, from INI files of 100, 1,000 and 10,000 dynamic items spread over 20 classes (median of 20
// runs each), against the baseline of inserting the same number of items into a fresh menu with
// InsertMenuItemA. A private copy of the built library is used through its class factory, so
// nothing is registered; one class key is made for the time of the run. Prints a table
// and the goal checks; always exits with 0 (a report, not a test).
#include "tests/shellext/ShellHost.h"

#include "bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace shellhost;

namespace {

constexpr int Classes = 20;
constexpr int Runs = 20;

// Section "Dynamic Items" as Corvane writes it: Items items, item n of class (n - 1) mod 20; in
// each class every tenth item is a submenu holding the class's next four items.
std::string MenuIni(int Items, const std::vector<std::string>& ClassNames) {
  std::string Text = "[Dynamic Items]\r\n";
  Text.reserve(static_cast<size_t>(Items) * 200);
  std::vector<int> Seen(ClassNames.size(), 0), Submenu(ClassNames.size(), 0);
  for (int N = 1; N <= Items; ++N) {
    const size_t C = static_cast<size_t>(N - 1) % ClassNames.size();
    const int K = Seen[C]++;
    const std::string S = std::to_string(N);
    if (K % 10 == 0) {
      Submenu[C] = N;
      Text += "Parent" + S + "=0\r\nCaption" + S + "=Submenu " + S + "\r\nChecked" + S + "=1\r\nFileType" + S + "=" +
              ClassNames[C] + "\r\nHint" + S + "=Commands of group " + S + "\r\nIconFile" + S + "=\r\nIconIndex" + S +
              "=-1\r\nSubmenu" + S + "=1\r\n";
      continue;
    }
    const int Parent = K % 10 <= 4 ? Submenu[C] : 0;
    Text += "Parent" + S + "=" + std::to_string(Parent) + "\r\nApplication" + S +
            "=C:\\Program Files\\Some Tool\\tool.exe\r\nParameters" + S + "=\"%1\"\r\nCaption" + S + "=Item " + S +
            "\r\nHint" + S + "=Runs the tool on the selection (" + S + ")\r\nIconFile" + S + "=\r\nIconIndex" + S +
            "=-1\r\nChecked" + S + "=1\r\nFileType" + S + "=" + ClassNames[C] + "\r\n";
  }
  Text += "Count=" + std::to_string(Items) + "\r\n";
  return Text;
}

struct TFigures {
  int Items = 0;
  UINT Inserted = 0;
  double Menu = 0;      // ms, Initialize + QueryContextMenu
  double Baseline = 0;  // ms, InsertMenuItemA of as many items
};

}  // namespace

int main() {
  TComApartment Apartment;
  TVelliskCopy Copy("vellisk_bench");
  if (!Copy.Copied() || FAILED(Apartment.Result())) {
    std::printf("menu_latency: cannot copy %sVellisk.dll or enter an apartment\n", ProgramFolder().c_str());
    return 0;
  }
  TComPtr<IClassFactory> Factory;
  if (Copy.GetClassObject(VelliskClassID, IID_IClassFactory, Factory.OutVoid()) != S_OK) {
    std::printf("menu_latency: the library's class factory is not available\n");
    return 0;
  }
  const std::string Prefix = "VelliskBench." + std::to_string(GetCurrentProcessId()) + ".";
  std::vector<std::string> ClassNames;
  for (int C = 0; C < Classes; ++C) ClassNames.push_back(Prefix + "class" + std::to_string(C));
  // The measured class: the one of item 1.
  HKEY ClassKey = nullptr;
  // Not volatile: the object's marker key must be creatable below it.
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, ClassNames[0].c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &ClassKey, nullptr) != ERROR_SUCCESS) {
    std::printf("menu_latency: cannot create HKEY_CLASSES_ROOT\\%s\n", ClassNames[0].c_str());
    return 0;
  }

  std::vector<TFigures> Table;
  for (int Items : {100, 1000, 10000}) {
    Copy.WriteIni(MenuIni(Items, ClassNames));
    TFigures F;
    F.Items = Items;
    std::vector<double> Menu, Baseline;
    for (int Run = 0; Run < Runs + 1; ++Run) {  // the first run warms the file cache, not counted
      TComPtr<IShellExtInit> Init;
      const HRESULT Created = Factory->CreateInstance(nullptr, __uuidof(IShellExtInit), Init.OutVoid());
      if (Created != S_OK) {
        std::printf("menu_latency: CreateInstance answered %08lX\n", static_cast<unsigned long>(Created));
        break;
      }
      TComPtr<IContextMenu> Context = Init.As<IContextMenu>();
      HMENU Popup = CreatePopupMenu();
      const double Start = Now();
      const HRESULT I = Init->Initialize(nullptr, nullptr, ClassKey);
      const HRESULT Q = Context->QueryContextMenu(Popup, 0, 1, 0x7FFF, CMF_NORMAL);
      const double Elapsed = (Now() - Start) * 1000;
      DestroyMenu(Popup);
      if (I != S_OK || FAILED(Q)) {
        std::printf("menu_latency: Initialize answered %08lX, QueryContextMenu %08lX\n", static_cast<unsigned long>(I),
                    static_cast<unsigned long>(Q));
        break;
      }
      F.Inserted = HRESULT_CODE(Q);
      if (Run > 0) Menu.push_back(Elapsed);
    }
    for (int Run = 0; Run < Runs && F.Inserted > 0; ++Run) {
      HMENU Popup = CreatePopupMenu();
      const double Start = Now();
      for (UINT N = 0; N < F.Inserted; ++N) {
        std::string Text = "Item " + std::to_string(N);
        MENUITEMINFOA Info{};
        Info.cbSize = sizeof(Info);
        Info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
        Info.fType = MFT_STRING;
        Info.wID = 1 + N;
        Info.dwTypeData = Text.data();
        Info.cch = static_cast<UINT>(Text.size());
        InsertMenuItemA(Popup, static_cast<UINT>(-1), TRUE, &Info);
      }
      Baseline.push_back((Now() - Start) * 1000);
      DestroyMenu(Popup);
    }
    if (Menu.empty() || Baseline.empty()) {
      std::printf("menu_latency: no items inserted for %d items\n", Items);
      break;
    }
    F.Menu = Median(Menu);
    F.Baseline = Median(Baseline);
    Table.push_back(F);
  }
  RegCloseKey(ClassKey);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, ClassNames[0].c_str());

  std::printf("Vellisk menu latency: Initialize + QueryContextMenu for one of %d classes, median of %d runs\n", Classes,
              Runs);
  std::printf("%8s %9s %12s %14s %8s\n", "items", "inserted", "menu (ms)", "baseline (ms)", "ratio");
  for (const TFigures& F : Table)
    std::printf("%8d %9u %12.3f %14.3f %8.1f\n", F.Items, F.Inserted, F.Menu, F.Baseline,
                F.Baseline > 0 ? F.Menu / F.Baseline : 0.0);
  const TFigures* Thousand = nullptr;
  const TFigures* TenThousand = nullptr;
  for (const TFigures& F : Table) {
    if (F.Items == 1000) Thousand = &F;
    if (F.Items == 10000) TenThousand = &F;
  }
  if (Thousand != nullptr)
    std::printf("goal: under 5 ms at 1,000 items: %.3f ms, %s\n", Thousand->Menu, Thousand->Menu < 5 ? "met" : "MISSED");
  if (Thousand != nullptr && TenThousand != nullptr && Thousand->Menu > 0) {
    const double Growth = TenThousand->Menu / Thousand->Menu;
    std::printf("goal: 10,000 items within 12 times 1,000 items: %.1f times, %s\n", Growth,
                Growth <= 12 ? "met" : "MISSED");
  }
  return 0;
}

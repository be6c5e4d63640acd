// Benchmark of the file-type list view: the ftvsAll rows of 1,000 and 10,000 extensions (types of 1
// to 5 extensions, sorted by extension) rebuilt by TFileTypeListView, against the same rows inserted
// into a bare report list view with LVM_INSERTITEMA and sorted with LVM_SORTITEMS by the same
// lstrcmpA comparison, in the same run. Prints both times and their ratio with the goal; always exits
// with 0 (a report, not a test). Run inside a display.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "classlib/gui/Forms.h"
#include "controls/FileTypeView.h"
#include "controls/RXConstStartup.h"

namespace {

constexpr int Repeats = 5;  // every figure is the best of this many runs

struct TRow {
  std::string Description, Extension;
  int Image;
};

// A model of types with 1 to 5 extensions each, Extensions in all; the rows it gives in ftvsAll.
void BuildModel(TFileTypeList& List, int Extensions, std::vector<TRow>& Rows) {
  TFileTypes& Model = *List.FileTypes();
  Rows.clear();
  unsigned Seed = 12345;
  int Made = 0;
  for (int T = 0; Made < Extensions; ++T) {
    TFileType* Type = Model.Add();
    char Name[32];
    std::snprintf(Name, sizeof(Name), "Type %06d", T);
    Type->SetName(Name);
    Type->SetDescription(std::string("Description of ") + Name);
    const int Count = std::min(1 + T % 5, Extensions - Made);
    for (int E = 0; E < Count; ++E, ++Made) {
      Seed = Seed * 1103515245u + 12345u;
      char Ext[32];
      std::snprintf(Ext, sizeof(Ext), ".x%08x", Seed);
      Type->AddExtension(Ext);
    }
  }
  for (int I = 0; I < Model.Count(); ++I) {
    TFileType* Type = Model.GetItem(I);
    for (const std::string& Ext : Type->Extensions()) Rows.push_back({Type->Description(), Ext, I});
  }
}

int CALLBACK CompareExtensions(LPARAM A, LPARAM B, LPARAM) {
  return lstrcmpA(reinterpret_cast<const TRow*>(A)->Extension.c_str(), reinterpret_cast<const TRow*>(B)->Extension.c_str());
}

// Seconds to insert Rows into a bare report list view (caption, second column, image, data) and sort them.
double FillBare(HWND View, std::vector<TRow>& Rows) {
  SendMessageA(View, LVM_DELETEALLITEMS, 0, 0);
  const double Start = Now();
  SendMessageA(View, WM_SETREDRAW, FALSE, 0);
  for (size_t I = 0; I < Rows.size(); ++I) {
    LVITEMA Item{};
    Item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    Item.iItem = static_cast<int>(I);
    Item.pszText = Rows[I].Description.data();
    Item.iImage = Rows[I].Image;
    Item.lParam = reinterpret_cast<LPARAM>(&Rows[I]);
    const int At = static_cast<int>(SendMessageA(View, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&Item)));
    LVITEMA Sub{};
    Sub.iSubItem = 1;
    Sub.pszText = Rows[I].Extension.data();
    SendMessageA(View, LVM_SETITEMTEXTA, static_cast<WPARAM>(At), reinterpret_cast<LPARAM>(&Sub));
  }
  SendMessageA(View, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(CompareExtensions));
  SendMessageA(View, WM_SETREDRAW, TRUE, 0);
  const double Time = Now() - Start;
  if (SendMessageA(View, LVM_GETITEMCOUNT, 0, 0) != static_cast<LRESULT>(Rows.size())) std::printf("  wrong bare row count\n");
  return Time;
}


void RunOne(TForm& Form, int Extensions) {
  auto* List = new TFileTypeList(&Form);
  std::vector<TRow> Rows;
  BuildModel(*List, Extensions, Rows);

  auto* View = new TFileTypeListView(&Form);
  View->SetBounds(0, 0, 380, 360);
  View->SetSortType(ftstExtension);
  View->SetParent(&Form);
  View->SetFileTypes(List);
  const double Rebuild = BestOf(Repeats, [&] {
    const double Start = Now();
    View->RebuildRows();
    return Now() - Start;
  });
  if (View->Items()->Count() != static_cast<int>(Rows.size())) std::printf("  wrong row count %d\n", View->Items()->Count());

  HWND Bare = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS,
                              390, 0, 380, 360, Form.Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  for (int C = 0; C < 2; ++C) {
    LVCOLUMNA Column{};
    Column.mask = LVCF_WIDTH | LVCF_TEXT;
    Column.cx = C == 0 ? 280 : 90;
    Column.pszText = const_cast<char*>(C == 0 ? "File Type" : "Extension");
    SendMessageA(Bare, LVM_INSERTCOLUMNA, static_cast<WPARAM>(C), reinterpret_cast<LPARAM>(&Column));
  }
  const double Baseline = BestOf(Repeats, [&] { return FillBare(Bare, Rows); });
  DestroyWindow(Bare);
  delete View;
  delete List;

  const double Ratio = Rebuild / Baseline;
  std::printf("  %6d rows: view rebuild %9.2f ms, bare insert and sort %9.2f ms, ratio %5.2f", Extensions, Rebuild * 1e3,
              Baseline * 1e3, Ratio);
  if (Extensions == 10000) std::printf(" (goal <= 2.00: %s)", Ratio <= 2.0 ? "met" : "MISSED");
  std::printf("\n");
}

}  // namespace

int main() {
  try {
    StartComponentLibrary();
    auto Form = std::make_unique<TForm>(Application);
    Form->SetBounds(0, 0, 800, 400);
    Form->Show();
    Application->ProcessMessages();
    std::printf("File-type list view, ftvsAll sorted by extension, best of %d runs\n", Repeats);
    RunOne(*Form, 1000);
    RunOne(*Form, 10000);
  } catch (const std::exception& E) {
    std::printf("filetype_view failed: %s\n", E.what());
  }
  return 0;
}

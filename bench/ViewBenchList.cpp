// The list half of the view benchmark: 5,000 two-column report rows added through the list view's
// items and through a TAdvStringList and sorted by data, against the raw LVM_INSERTITEMA and
// LVM_SORTITEMS on a plain list-view window in the same run.
#include "bench/BenchSupport.h"
#include "classlib/gui/Forms.h"
#include "classlib/gui/ListView.h"
#include "model/SortedCollection.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

void RunListBench();

namespace {

constexpr int Rows = 5000;
constexpr int Runs = 3;

struct TRow {
  std::string Caption, Extension;
  INT_PTR Key;
};

std::vector<TRow> MakeRows() {
  std::vector<TRow> Result;
  unsigned Seed = 12345;
  for (int I = 0; I < Rows; ++I) {
    Seed = Seed * 1103515245u + 12345u;
    Result.push_back({"File type " + std::to_string(I), "." + std::to_string(Seed % 100000), static_cast<INT_PTR>(Seed >> 8)});
  }
  return Result;
}

int CALLBACK CompareKeys(LPARAM A, LPARAM B, LPARAM) { return A < B ? -1 : A > B ? 1 : 0; }

struct TTimes {
  double Add = 1e9, Sort = 1e9, ProcSort = 1e9;
  void Keep(double A, double S) {
    Add = std::min(Add, A);
    Sort = std::min(Sort, S);
  }
};

// A plain report list view with two columns, filled and sorted with the messages alone.
void RawRun(HWND Parent, const std::vector<TRow>& Data, TTimes& Times) {
  HWND List = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 400, 300, Parent, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  for (int C = 0; C < 2; ++C) {
    LVCOLUMNA Column{};
    Column.mask = LVCF_TEXT | LVCF_WIDTH;
    char Caption[] = "Column";
    Column.pszText = Caption;
    Column.cx = 150;
    SendMessageA(List, LVM_INSERTCOLUMNA, static_cast<WPARAM>(C), reinterpret_cast<LPARAM>(&Column));
  }
  const double Start = Now();
  SendMessageA(List, WM_SETREDRAW, FALSE, 0);
  for (int I = 0; I < Rows; ++I) {
    const TRow& R = Data[static_cast<size_t>(I)];
    LVITEMA Item{};
    Item.mask = LVIF_TEXT | LVIF_PARAM;
    Item.iItem = I;
    Item.pszText = const_cast<char*>(R.Caption.c_str());
    Item.lParam = R.Key;
    const int At = static_cast<int>(SendMessageA(List, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&Item)));
    Item.mask = LVIF_TEXT;
    Item.iSubItem = 1;
    Item.pszText = const_cast<char*>(R.Extension.c_str());
    SendMessageA(List, LVM_SETITEMTEXTA, static_cast<WPARAM>(At), reinterpret_cast<LPARAM>(&Item));
  }
  SendMessageA(List, WM_SETREDRAW, TRUE, 0);
  const double Added = Now();
  SendMessageA(List, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(CompareKeys));
  Times.Keep(Added - Start, Now() - Added);
  DestroyWindow(List);
}

TListView* NewView(TForm& Form) {
  auto* View = new TListView(&Form);
  View->SetBounds(0, 0, 400, 300);
  View->SetParent(&Form);
  View->Columns()->Add()->SetCaption("File Type");
  View->Columns()->Add()->SetCaption("Extension");
  View->OnCompare = [](TObject*, TListItem* A, TListItem* B, LPARAM, int& Compare) {
    Compare = CompareKeys(reinterpret_cast<LPARAM>(A->Data()), reinterpret_cast<LPARAM>(B->Data()), 0);
  };
  View->HandleNeeded();
  return View;
}

// Through the items: caption, sub-item and data per row in one update bracket, then sorted.
void ItemsRun(TForm& Form, const std::vector<TRow>& Data, TTimes& Times) {
  TListView* View = NewView(Form);
  const double Start = Now();
  View->Items()->BeginUpdate();
  for (const TRow& R : Data) {
    TListItem* Item = View->Items()->Add();
    Item->SetCaption(R.Caption);
    Item->SubItems()->Add(R.Extension);
    Item->SetData(reinterpret_cast<void*>(R.Key));
  }
  View->Items()->EndUpdate();
  const double Added = Now();
  View->AlphaSort();
  Times.Keep(Added - Start, Now() - Added);
  // The same rows sorted back and forth with a plain procedure instead of OnCompare.
  View->CustomSort([](LPARAM A, LPARAM B, LPARAM) -> int { return CompareKeys(B, A, 0); }, 0);
  const double Reversed = Now();
  View->CustomSort([](LPARAM A, LPARAM B, LPARAM) -> int {
    return CompareKeys(reinterpret_cast<LPARAM>(reinterpret_cast<TListItem*>(A)->Data()),
                       reinterpret_cast<LPARAM>(reinterpret_cast<TListItem*>(B)->Data()), 0);
  }, 0);
  Times.ProcSort = std::min(Times.ProcSort, Now() - Reversed);
  delete View;
}

// Through a TAdvStringList (captions and data), the second column then through the items.
void StringsRun(TForm& Form, const std::vector<TRow>& Data, TTimes& Times) {
  TListView* View = NewView(Form);
  TAdvStringList Lines;
  for (const TRow& R : Data) Lines.AddObject(R.Caption, reinterpret_cast<TObject*>(R.Key));
  const double Start = Now();
  View->Assign(&Lines);
  View->Items()->BeginUpdate();
  for (int I = 0; I < Rows; ++I) View->Items()->Item(I)->SubItems()->Add(Data[static_cast<size_t>(I)].Extension);
  View->Items()->EndUpdate();
  const double Added = Now();
  View->AlphaSort();
  Times.Keep(Added - Start, Now() - Added);
  delete View;
}

void Print(const char* What, double Seconds, double Raw) {
  std::printf("  %-34s %8.1f ms   ratio %.2f\n", What, Seconds * 1000, Seconds / Raw);
}

}  // namespace

void RunListBench() {
  const std::vector<TRow> Data = MakeRows();
  TForm Form(nullptr);
  Form.SetBounds(0, 0, 420, 320);
  Form.HandleNeeded();
  TTimes Raw, Items, Strings;
  for (int Run = 0; Run < Runs; ++Run) {
    RawRun(Form.Handle(), Data, Raw);
    ItemsRun(Form, Data, Items);
    StringsRun(Form, Data, Strings);
  }
  std::printf("List view, %d two-column report rows (best of %d runs; ratio against the raw messages, goal <= 2):\n", Rows, Runs);
  std::printf("  %-34s %8.1f ms\n", "raw LVM_INSERTITEMA", Raw.Add * 1000);
  Print("rows through the items", Items.Add, Raw.Add);
  Print("rows through TAdvStringList", Strings.Add, Raw.Add);
  std::printf("  %-34s %8.1f ms\n", "raw LVM_SORTITEMS by data", Raw.Sort * 1000);
  Print("sort by data through OnCompare", Items.Sort, Raw.Sort);
  Print("sort by data, CustomSort procedure", Items.ProcSort, Raw.Sort);
  Print("sort after TAdvStringList", Strings.Sort, Raw.Sort);
}

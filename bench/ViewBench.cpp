// Benchmark of the views. Tree half: 10,000 tree nodes on two levels (100 parents of 99 children)
// added through TTreeNodes in one update bracket, against raw TVM_INSERTITEMA of the same shape in
// the same run, and the cost per node at 10,000 against 1,000 nodes. Prints times and ratios with
// the goals; always exits with 0 (a report, not a test). Run inside a display.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "classlib/gui/Forms.h"
#include "classlib/gui/TreeView.h"

namespace {

constexpr int Repeats = 5;  // every figure is the best of this many runs
constexpr int ChildrenPerParent = 99;

std::string NodeText(int Parent, int Child) { return "Node " + std::to_string(Parent) + "." + std::to_string(Child); }

// Seconds to add Count nodes through the node list inside one update bracket.
double FillNodes(TTreeView& Tree, int Count) {
  TTreeNodes& Items = Tree.Items();
  const int Parents = Count / (ChildrenPerParent + 1);
  const double Start = Now();
  Items.BeginUpdate();
  for (int P = 0; P < Parents; ++P) {
    TTreeNode* Parent = Items.AddObject(nullptr, NodeText(P, 0), nullptr);
    for (int C = 1; C <= ChildrenPerParent; ++C) Items.AddChildObject(Parent, NodeText(P, C), nullptr);
  }
  Items.EndUpdate();
  const double Time = Now() - Start;
  if (Items.Count() != Parents * (ChildrenPerParent + 1)) std::printf("  wrong node count %d\n", Items.Count());
  Items.Clear();
  return Time;
}

HTREEITEM RawInsert(HWND Wnd, HTREEITEM Parent, const std::string& Text) {
  TVINSERTSTRUCTA Insert{};
  Insert.hParent = Parent;
  Insert.hInsertAfter = TVI_LAST;
  Insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  Insert.item.pszText = const_cast<char*>(Text.c_str());
  Insert.item.iImage = Insert.item.iSelectedImage = -1;
  return reinterpret_cast<HTREEITEM>(SendMessageA(Wnd, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&Insert)));
}

// The same shape with the raw messages, redrawing off as the bracket does.
double FillRaw(TTreeView& Tree, int Count) {
  const HWND Wnd = Tree.Handle();
  const int Parents = Count / (ChildrenPerParent + 1);
  const double Start = Now();
  SendMessageA(Wnd, WM_SETREDRAW, FALSE, 0);
  for (int P = 0; P < Parents; ++P) {
    const HTREEITEM Parent = RawInsert(Wnd, TVI_ROOT, NodeText(P, 0));
    for (int C = 1; C <= ChildrenPerParent; ++C) RawInsert(Wnd, Parent, NodeText(P, C));
  }
  SendMessageA(Wnd, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Wnd, nullptr, TRUE);
  const double Time = Now() - Start;
  SendMessageA(Wnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  return Time;
}


void RunTreeBench() {
  auto Form = std::make_unique<TForm>(Application);
  Form->SetBounds(0, 0, 400, 400);
  auto* Tree = new TTreeView(Form.get());
  Tree->SetBounds(0, 0, 380, 360);
  Tree->SetParent(Form.get());
  Form->Show();
  Application->ProcessMessages();

  std::printf("Tree view: nodes on two levels (parents of %d children), best of %d runs\n", ChildrenPerParent, Repeats);
  const double Nodes10k = BestOf(Repeats, [&] { return FillNodes(*Tree, 10000); });
  const double Raw10k = BestOf(Repeats, [&] { return FillRaw(*Tree, 10000); });
  const double Nodes1k = BestOf(Repeats, [&] { return FillNodes(*Tree, 1000); });
  std::printf("  %-44s %9.2f ms\n", "10,000 nodes through TTreeNodes (one bracket)", Nodes10k * 1e3);
  std::printf("  %-44s %9.2f ms\n", "10,000 items by raw TVM_INSERTITEMA", Raw10k * 1e3);
  std::printf("  %-44s %9.2f ms\n", "1,000 nodes through TTreeNodes (one bracket)", Nodes1k * 1e3);
  const double RawRatio = Nodes10k / Raw10k;
  const double ScaleRatio = (Nodes10k / 10000) / (Nodes1k / 1000);
  std::printf("  nodes / raw at 10,000:                      %5.2f (goal <= 2.00: %s)\n", RawRatio,
              RawRatio <= 2.0 ? "met" : "MISSED");
  std::printf("  per node at 10,000 / per node at 1,000:     %5.2f (goal <= 1.50: %s)\n", ScaleRatio,
              ScaleRatio <= 1.5 ? "met" : "MISSED");
}

}  // namespace

void RunListBench();  // bench/ViewBenchList.cpp

int main() {
  try {
    RunTreeBench();
    RunListBench();
  } catch (const std::exception& E) {
    std::printf("view_bench failed: %s\n", E.what());
  }
  return 0;
}

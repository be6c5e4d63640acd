#include "controls/AdvTreeView.h"

#include "classlib/core/ResStrings.h"
#include "controls/DropFiles.h"
#include "resources/ResStrings.h"

#include <shellapi.h>

const TClassInfo& TAdvTreeView::StaticClassInfo() {
  static const TClassInfo Info{
      "TAdvTreeView",
      &TTreeView::StaticClassInfo(),
      {BoolProp<TAdvTreeView>("DefaultDragging", &TAdvTreeView::DefaultDragging, &TAdvTreeView::SetDefaultDragging),
       BoolProp<TAdvTreeView>("AcceptFiles", &TAdvTreeView::AcceptFiles, &TAdvTreeView::SetAcceptFiles)},
      {EventProp<TAdvTreeView>("OnFilesDrop", &TAdvTreeView::OnFilesDrop)},
      MakeComponent<TAdvTreeView>};
  return Info;
}

TAdvTreeView::TAdvTreeView(TComponent* AOwner) : TTreeView(AOwner) {}

TAdvTreeView::~TAdvTreeView() { DestroyHandle(); }

void TAdvTreeView::RegisterDropTarget(bool Accept) {
  if (HWND Wnd = Handle()) DragAcceptFiles(Wnd, Accept);
}

void TAdvTreeView::SetAcceptFiles(bool Value) {
  if (Value == FAcceptFiles) return;
  RegisterDropTarget(Value);
  FAcceptFiles = Value;
}

void TAdvTreeView::SetDefaultDragging(bool Value) {
  if (Value == FDefaultDragging) return;
  if (Dragging()) throw Exception(LoadResString(SDefaultDraggingError));
  FDefaultDragging = Value;
}

void TAdvTreeView::CreateWnd() {
  TTreeView::CreateWnd();
  if (FAcceptFiles) RegisterDropTarget(true);
}

void TAdvTreeView::DestroyWindowHandle() {
  if (HandleAllocated()) DragAcceptFiles(FHandle, FALSE);
  TTreeView::DestroyWindowHandle();
}

void TAdvTreeView::DoFilesDrop(TStrings* FileList) {
  if (OnFilesDrop) OnFilesDrop(this, FileList);
}

void TAdvTreeView::WndProc(TMessage& M) {
  if (M.Msg == WM_DROPFILES) {
    M.Result = 0;
    HandleFileDrop(reinterpret_cast<HDROP>(M.WParam), [this](TStrings* FileList) { DoFilesDrop(FileList); });
    return;
  }
  TTreeView::WndProc(M);
}

TDragImageList* TAdvTreeView::GetDragImages() { return FDefaultDragging ? TTreeView::GetDragImages() : nullptr; }

void TAdvTreeView::DoStartDrag(TDragObject*& DragObject) {
  try {
    TTreeView::DoStartDrag(DragObject);
  } catch (...) {
    FDraggedNode = nullptr;
    throw;
  }
}

void TAdvTreeView::DoEndDrag(TObject* Target, int X, int Y) {
  TTreeView::DoEndDrag(Target, X, Y);
  FDraggedNode = nullptr;
}

void TAdvTreeView::Notify(TMessage& M) {
  const auto* Header = M.Msg == CN_NOTIFY ? reinterpret_cast<NMHDR*>(M.LParam) : nullptr;
  if (!Header || Header->code != TVN_BEGINDRAGA) {
    TTreeView::Notify(M);
    return;
  }
  // The node is known before the view's drag starts, so that OnStartDrag can read it; it stays
  // only while that drag runs.
  const TVITEMA& Item = reinterpret_cast<NMTREEVIEWA*>(M.LParam)->itemNew;
  FDraggedNode = (Item.mask & TVIF_PARAM) ? reinterpret_cast<TTreeNode*>(Item.lParam) : Items().GetNode(Item.hItem);
  try {
    TTreeView::Notify(M);
  } catch (...) {
    FDraggedNode = nullptr;
    throw;
  }
  if (!Dragging()) FDraggedNode = nullptr;
}

// The drag manager: one drag at a time, armed by a press or started at once, driven by the mouse
// messages that reach the library's windows or its capture window.
#include "classlib/gui/DragDrop.h"

#include "classlib/gui/Forms.h"

#include <cstdlib>
#include <exception>
#include <memory>

namespace {

constexpr int DefaultDragThreshold = 5;

struct TDragManager {
  TControl* Source = nullptr;
  TDragObject* Object = nullptr;
  bool Armed = false;   // pressed, waiting for the pointer to pass the threshold
  bool Active = false;  // the drag runs
  bool Starting = false;           // inside the source's OnStartDrag
  bool CancelledAtStart = false;   // CancelDrag was called there
  POINT Start{0, 0};
  int Threshold = DefaultDragThreshold;
  TControl* Target = nullptr;
  bool Accepted = false;
  TDragImageList* Images = nullptr;
  HWND ImageWnd = nullptr;  // the window the drag image is drawn on
  HWND CaptureWnd = nullptr;
};

TDragManager& Manager() {
  static TDragManager M;
  return M;
}

// What the events see as Source: the dragged control for the default object, else the object.
TObject* SourceOf(TDragObject* Object) {
  if (auto* C = dynamic_cast<TDragControlObject*>(Object)) return C->Control;
  return Object;
}

void SetDragCursor(TCursor Cursor) {
  if (Screen) ::SetCursor(Screen->Cursors(Cursor));
}

// The drag image is drawn on the source's top-level window, over its children, at points relative
// to that window's frame (the desktop window would draw it under every top-level window).
HWND DragImageWindow(TControl* Source) {
  auto* Win = dynamic_cast<TWinControl*>(Source);
  HWND Root = Win && Win->HandleAllocated() ? GetAncestor(Win->Handle(), GA_ROOT) : nullptr;
  return Root ? Root : GetDesktopWindow();
}

POINT DragImagePoint(HWND Wnd, POINT Screen) {
  RECT Frame{};
  GetWindowRect(Wnd, &Frame);
  return POINT{Screen.x - Frame.left, Screen.y - Frame.top};
}

// Takes the drag down without events: the image, the capture and the manager's state.
TDragObject* Dismantle() {
  TDragManager& D = Manager();
  TDragObject* Object = D.Object;
  if (D.Images) {
    if (Object) Object->HideDragImage();
    D.Images->EndDrag();
  }
  D.Active = D.Armed = false;
  D.Source = nullptr;
  D.Object = nullptr;
  D.Target = nullptr;
  D.Images = nullptr;
  D.ImageWnd = nullptr;
  D.Accepted = false;
  if (D.CaptureWnd && GetCapture() == D.CaptureWnd) ReleaseCapture();
  return Object;
}

void Finish(bool Drop) {
  TDragManager& D = Manager();
  if (!D.Active) return;
  TControl* Source = D.Source;
  TControl* Target = D.Target;
  const bool Accepted = Drop && Target && D.Accepted;
  std::unique_ptr<TDragObject> Object(Dismantle());
  SetDragCursor(crDefault);
  const POINT Pos = Object->DragPos;
  Object->Cancelling = !Drop;
  Object->Dropped = Accepted;
  std::exception_ptr Failure;
  try {
    if (Accepted) {
      const POINT P = Target->ScreenToClient(Pos);
      Target->DragDrop(SourceOf(Object.get()), P.x, P.y);
    } else if (Target) {
      const POINT P = Target->ScreenToClient(Pos);
      bool Ignored = false;
      Target->DragOver(SourceOf(Object.get()), P.x, P.y, dsDragLeave, Ignored);
    }
  } catch (...) {
    Failure = std::current_exception();
  }
  const POINT P = Source->ScreenToClient(Pos);
  Source->DoEndDrag(Accepted ? Target : nullptr, P.x, P.y);
  if (Failure) std::rethrow_exception(Failure);
}

// Asks Target about the drag at the screen point; the image is hidden while it runs.
void AskTarget(TControl* Target, TDragState State, POINT Pos, bool& Accept) {
  TDragManager& D = Manager();
  TDragObject* Object = D.Object;
  const POINT P = Target->ScreenToClient(Pos);
  Object->HideDragImage();
  try {
    Target->DragOver(SourceOf(Object), P.x, P.y, State, Accept);
  } catch (...) {
    if (D.Object == Object) Object->ShowDragImage();
    throw;
  }
  if (D.Object == Object) Object->ShowDragImage();
}

void DragTo(POINT Pos) {
  TDragManager& D = Manager();
  TDragObject* Object = D.Object;
  Object->DragPos = Pos;
  TControl* NewTarget = FindDragTarget(Pos, false);
  if (NewTarget != D.Target) {
    TControl* Old = D.Target;
    D.Target = nullptr;
    D.Accepted = false;
    if (Old) {
      bool Ignored = false;
      AskTarget(Old, dsDragLeave, Pos, Ignored);
      if (D.Object != Object) return;
    }
    D.Target = NewTarget;
    Object->DragTarget = NewTarget;
    if (NewTarget) AskTarget(NewTarget, dsDragEnter, Pos, D.Accepted);
  } else if (NewTarget) {
    AskTarget(NewTarget, dsDragMove, Pos, D.Accepted);
  }
  if (D.Object != Object) return;  // a handler ended the drag
  SetDragCursor(Object->GetDragCursor(D.Accepted, Pos.x, Pos.y));
  if (D.Images) {
    const POINT P = DragImagePoint(D.ImageWnd, Pos);
    D.Images->DragMove(P.x, P.y);
  }
}

// The mouse and key messages of a drag, in the client coordinates of Wnd; true when taken.
bool HandleDragMessage(HWND Wnd, TMessage& M) {
  TDragManager& D = Manager();
  POINT P{static_cast<short>(LOWORD(M.LParam)), static_cast<short>(HIWORD(M.LParam))};
  switch (M.Msg) {
    case WM_MOUSEMOVE:
      MapWindowPoints(Wnd, HWND_DESKTOP, &P, 1);
      if (D.Armed) {
        if (!(M.WParam & MK_LBUTTON)) {
          D.Armed = false;
          D.Source = nullptr;
          return false;
        }
        if (std::abs(P.x - D.Start.x) < D.Threshold && std::abs(P.y - D.Start.y) < D.Threshold) return false;
        DragBegin(D.Source, true, D.Threshold, P);
        return true;
      }
      DragTo(P);
      return true;
    case WM_LBUTTONUP:
      if (D.Armed) {
        D.Armed = false;
        D.Source = nullptr;
        return false;
      }
      MapWindowPoints(Wnd, HWND_DESKTOP, &P, 1);
      DragTo(P);
      Finish(true);
      return true;
    case WM_RBUTTONDOWN:
      if (!D.Active) return false;
      Finish(false);
      return true;
    case WM_KEYDOWN:
      if (!D.Active || M.WParam != VK_ESCAPE) return false;
      Finish(false);
      return true;
    case WM_CANCELMODE:
      if (D.Active) Finish(false);
      return false;
    default: return false;
  }
}

void CaptureWndMethod(TMessage& M) {
  TDragManager& D = Manager();
  if (D.Active && M.Msg == WM_CAPTURECHANGED && reinterpret_cast<HWND>(M.LParam) != D.CaptureWnd) {
    Finish(false);
    return;
  }
  if ((D.Active || D.Armed) && HandleDragMessage(D.CaptureWnd, M)) return;
  M.Result = DefWindowProcA(D.CaptureWnd, M.Msg, M.WParam, M.LParam);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Drag objects

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) { return Accepted ? crDrag : crNo; }

void TDragObject::HideDragImage() {
  if (TDragImageList* Images = GetDragImages()) Images->HideDragImage();
}

void TDragObject::ShowDragImage() {
  if (TDragImageList* Images = GetDragImages()) Images->ShowDragImage();
}

TCursor TDragControlObject::GetDragCursor(bool Accepted, int, int) { return Accepted ? Control->DragCursor : crNo; }

TDragImageList* TDragControlObject::GetDragImages() { return Control->GetDragImages(); }

// ---------------------------------------------------------------------------------------------
// The manager

TControl* DragSource() { return Manager().Active ? Manager().Source : nullptr; }
TDragObject* DragObject() { return Manager().Object; }
void CancelDrag() {
  TDragManager& D = Manager();
  if (D.Starting) D.CancelledAtStart = true;
  else Finish(false);
}

void DragBegin(TControl* Control, bool Immediate, int Threshold, POINT ScreenPos) {
  TDragManager& D = Manager();
  if (D.Active || (D.Armed && D.Source != Control)) return;
  D.Source = Control;
  D.Start = ScreenPos;
  D.Threshold = Threshold < 0 ? DefaultDragThreshold : Threshold;
  if (!Immediate) {
    D.Armed = true;
    return;
  }
  D.Armed = false;
  TDragObject* Object = nullptr;
  D.Starting = true;
  D.CancelledAtStart = false;
  try {
    Control->DoStartDrag(Object);
  } catch (...) {
    D.Starting = false;
    delete Object;
    D.Source = nullptr;
    throw;
  }
  D.Starting = false;
  if (D.CancelledAtStart) {  // the source refused the drag: nothing starts
    delete Object;
    D.Source = nullptr;
    return;
  }
  if (!Object) Object = new TDragControlObject(Control);
  D.Object = Object;
  D.Active = true;
  D.Target = nullptr;
  D.Accepted = false;
  Object->DragPos = ScreenPos;
  if (!D.CaptureWnd) D.CaptureWnd = AllocateHWnd(CaptureWndMethod);
  SetCapture(D.CaptureWnd);
  TDragImageList* Images = Object->GetDragImages();
  const HWND ImageWnd = DragImageWindow(Control);
  const POINT ImagePos = DragImagePoint(ImageWnd, ScreenPos);
  if (Images && Images->Count() > 0 && Images->BeginDrag(ImageWnd, ImagePos.x, ImagePos.y)) {
    D.Images = Images;
    D.ImageWnd = ImageWnd;
  }
  DragTo(ScreenPos);
}

bool DragMessage(TControl* Control, TMessage& M) {
  TDragManager& D = Manager();
  if (!D.Active && !D.Armed) return false;
  auto* Win = dynamic_cast<TWinControl*>(Control);
  if (!Win || !Win->HandleAllocated()) return false;
  return HandleDragMessage(Win->Handle(), M);
}

void DragControlGone(TControl* Control) {
  TDragManager& D = Manager();
  if (D.Target == Control) {
    D.Target = nullptr;
    D.Accepted = false;
    if (D.Object) D.Object->DragTarget = nullptr;
  }
  if (D.Source == Control) delete Dismantle();
}

// ---------------------------------------------------------------------------------------------
// TControl's side

void TControl::BeginDrag(bool Immediate, int Threshold) {
  POINT P{0, 0};
  GetCursorPos(&P);
  DragBegin(this, Immediate, Threshold, P);
}

bool TControl::Dragging() const { return Manager().Active && Manager().Source == this; }

void TControl::EndDrag(bool Drop) {
  if (Dragging()) Finish(Drop);
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
  if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = static_cast<bool>(OnDragOver);
  if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

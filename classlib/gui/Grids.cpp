// The draw grid.
#include "classlib/gui/Grids.h"

#include <algorithm>

const TClassInfo& TDrawGrid::StaticClassInfo() {
  using G = TDrawGrid;
  static const TClassInfo Info{
      "TDrawGrid",
      &TCustomControl::StaticClassInfo(),
      {IntProp<G>("ColCount", &G::ColCount, &G::SetColCount), IntProp<G>("RowCount", &G::RowCount, &G::SetRowCount),
       IntProp<G>("DefaultColWidth", &G::DefaultColWidth, &G::SetDefaultColWidth),
       IntProp<G>("DefaultRowHeight", &G::DefaultRowHeight, &G::SetDefaultRowHeight),
       IntProp<G>("GridLineWidth", &G::GridLineWidth, &G::SetGridLineWidth),
       EnumProp<G, TScrollStyle>("ScrollBars", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, &G::ScrollBars,
                                 &G::SetScrollBars)},
      {EventProp<G>("OnDrawCell", &G::OnDrawCell), EventProp<G>("OnSelectCell", &G::OnSelectCell)},
      MakeComponent<TDrawGrid>};
  return Info;
}

TDrawGrid::TDrawGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 320;
  FHeight = 120;
  TabStop = true;
  SetBorderStyle(bsSingle);
}

void TDrawGrid::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) P.Style |= WS_HSCROLL;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) P.Style |= WS_VSCROLL;
}

void TDrawGrid::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollBars();
}

void TDrawGrid::SizeChanged() {
  FCol = std::clamp(FCol, 0, std::max(0, FColCount - 1));
  FRow = std::clamp(FRow, 0, std::max(0, FRowCount - 1));
  SetLeftCol(FLeftCol);
  SetTopRow(FTopRow);
  UpdateScrollBars();
  Invalidate();
}

void TDrawGrid::SetColCount(int Value) {
  Value = std::max(0, Value);
  if (Value == FColCount) return;
  FColCount = Value;
  SizeChanged();
}

void TDrawGrid::SetRowCount(int Value) {
  Value = std::max(0, Value);
  if (Value == FRowCount) return;
  FRowCount = Value;
  SizeChanged();
}

void TDrawGrid::SetDefaultColWidth(int Value) {
  Value = std::max(1, Value);
  if (Value == FDefaultColWidth) return;
  FDefaultColWidth = Value;
  SizeChanged();
}

void TDrawGrid::SetDefaultRowHeight(int Value) {
  Value = std::max(1, Value);
  if (Value == FDefaultRowHeight) return;
  FDefaultRowHeight = Value;
  SizeChanged();
}

void TDrawGrid::SetGridLineWidth(int Value) {
  Value = std::max(0, Value);
  if (Value == FGridLineWidth) return;
  FGridLineWidth = Value;
  SizeChanged();
}

void TDrawGrid::SetScrollBars(TScrollStyle Value) {
  if (Value == FScrollBars) return;
  FScrollBars = Value;
  RecreateWnd();
}

void TDrawGrid::Resize() {
  TCustomControl::Resize();
  if (HandleAllocated()) SizeChanged();
}

int TDrawGrid::VisibleColCount() {
  const int Step = FDefaultColWidth + FGridLineWidth;
  return std::clamp((ClientWidth() + FGridLineWidth) / Step, std::min(1, FColCount), std::max(0, FColCount - FLeftCol));
}

int TDrawGrid::VisibleRowCount() {
  const int Step = FDefaultRowHeight + FGridLineWidth;
  return std::clamp((ClientHeight() + FGridLineWidth) / Step, std::min(1, FRowCount), std::max(0, FRowCount - FTopRow));
}

void TDrawGrid::SetLeftCol(int Value) {
  const int Step = FDefaultColWidth + FGridLineWidth;
  const int Whole = std::max(1, (ClientWidth() + FGridLineWidth) / Step);
  Value = std::clamp(Value, 0, std::max(0, FColCount - Whole));
  if (Value == FLeftCol) return;
  FLeftCol = Value;
  UpdateScrollBars();
  Invalidate();
}

void TDrawGrid::SetTopRow(int Value) {
  const int Step = FDefaultRowHeight + FGridLineWidth;
  const int Whole = std::max(1, (ClientHeight() + FGridLineWidth) / Step);
  Value = std::clamp(Value, 0, std::max(0, FRowCount - Whole));
  if (Value == FTopRow) return;
  FTopRow = Value;
  UpdateScrollBars();
  Invalidate();
}

RECT TDrawGrid::CellRect(int ACol, int ARow) {
  if (ACol < FLeftCol || ARow < FTopRow || ACol >= FColCount || ARow >= FRowCount) return RECT{};
  const int X = (ACol - FLeftCol) * (FDefaultColWidth + FGridLineWidth);
  const int Y = (ARow - FTopRow) * (FDefaultRowHeight + FGridLineWidth);
  if (X >= ClientWidth() || Y >= ClientHeight()) return RECT{};
  return RECT{X, Y, X + FDefaultColWidth, Y + FDefaultRowHeight};
}

bool TDrawGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) {
  if (X < 0 || Y < 0) return false;
  ACol = FLeftCol + X / (FDefaultColWidth + FGridLineWidth);
  ARow = FTopRow + Y / (FDefaultRowHeight + FGridLineWidth);
  return ACol < FColCount && ARow < FRowCount;
}

bool TDrawGrid::SelectCell(int ACol, int ARow) {
  bool CanSelect = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, CanSelect);
  return CanSelect;
}

void TDrawGrid::FocusCell(int ACol, int ARow) {
  MoveCurrent(std::clamp(ACol, 0, std::max(0, FColCount - 1)), std::clamp(ARow, 0, std::max(0, FRowCount - 1)));
}

void TDrawGrid::MoveCurrent(int ACol, int ARow) {
  if (FColCount == 0 || FRowCount == 0 || !SelectCell(ACol, ARow)) return;
  const RECT Old = CellRect(FCol, FRow);
  const bool Moved = ACol != FCol || ARow != FRow;
  FCol = ACol;
  FRow = ARow;
  ClampInView();
  if (HandleAllocated()) {
    InvalidateRect(FHandle, &Old, FALSE);
    const RECT New = CellRect(FCol, FRow);
    InvalidateRect(FHandle, &New, FALSE);
  }
  if (Moved) Click();
}

void TDrawGrid::ClampInView() {
  if (FCol < FLeftCol) SetLeftCol(FCol);
  else if (FCol >= FLeftCol + VisibleColCount()) SetLeftCol(FCol - VisibleColCount() + 1);
  if (FRow < FTopRow) SetTopRow(FRow);
  else if (FRow >= FTopRow + VisibleRowCount()) SetTopRow(FRow - VisibleRowCount() + 1);
}

void TDrawGrid::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  const auto Set = [this](int Bar, int Count, int Visible, int Pos) {
    SCROLLINFO Info{sizeof(Info), SIF_ALL | SIF_DISABLENOSCROLL, 0, std::max(0, Count - 1),
                    static_cast<UINT>(std::max(1, Visible)), Pos, 0};
    SetScrollInfo(FHandle, Bar, &Info, TRUE);
  };
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Set(SB_HORZ, FColCount, VisibleColCount(), FLeftCol);
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) Set(SB_VERT, FRowCount, VisibleRowCount(), FTopRow);
}

void TDrawGrid::Scroll(int Bar, WORD Code) {
  const bool Horz = Bar == SB_HORZ;
  const int Current = Horz ? FLeftCol : FTopRow;
  const int Page = Horz ? VisibleColCount() : VisibleRowCount();
  int Target = Current;
  switch (Code) {
    case SB_LINELEFT: Target = Current - 1; break;
    case SB_LINERIGHT: Target = Current + 1; break;
    case SB_PAGELEFT: Target = Current - Page; break;
    case SB_PAGERIGHT: Target = Current + Page; break;
    case SB_LEFT: Target = 0; break;
    case SB_RIGHT: Target = Horz ? FColCount : FRowCount; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      SCROLLINFO Info{sizeof(Info), SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(FHandle, Bar, &Info);
      Target = Info.nTrackPos;
      break;
    }
    default: return;
  }
  if (Horz) SetLeftCol(Target);
  else SetTopRow(Target);
}

void TDrawGrid::DrawCell(int ACol, int ARow, const RECT& Rect, TGridDrawState State) {
  if (OnDrawCell) {
    OnDrawCell(this, ACol, ARow, Rect, State);
    return;
  }
  FCanvas.FillRect(Rect);
}

void TDrawGrid::Paint() {
  RECT Client = ClientRect();
  FCanvas.Brush().SetColor(Color());
  FCanvas.FillRect(Client);
  const bool HasFocus = HandleAllocated() && GetFocus() == FHandle;
  for (int C = FLeftCol; C < FColCount; ++C) {
    for (int R = FTopRow; R < FRowCount; ++R) {
      const RECT Cell = CellRect(C, R);
      if (Cell.right <= Cell.left) break;
      TGridDrawState State = 0;
      if (C == FCol && R == FRow) State = gdSelected | (HasFocus ? static_cast<unsigned>(gdFocused) : 0u);
      FCanvas.Brush().SetColor(State ? clHighlight : Color());
      FCanvas.Font().SetColor(State ? clHighlightText : Font().Color());
      DrawCell(C, R, Cell, State);
      if (State & gdFocused) DrawFocusRect(FCanvas.Handle(), &Cell);
    }
    if (CellRect(C, FTopRow).right <= 0) break;
  }
  if (FGridLineWidth > 0) {
    FCanvas.Brush().SetColor(clBtnFace);
    for (int C = FLeftCol; C < FColCount; ++C) {
      const int X = (C - FLeftCol) * (FDefaultColWidth + FGridLineWidth) + FDefaultColWidth;
      if (X >= Client.right) break;
      FCanvas.FillRect(RECT{X, 0, X + FGridLineWidth, Client.bottom});
    }
    for (int R = FTopRow; R < FRowCount; ++R) {
      const int Y = (R - FTopRow) * (FDefaultRowHeight + FGridLineWidth) + FDefaultRowHeight;
      if (Y >= Client.bottom) break;
      FCanvas.FillRect(RECT{0, Y, Client.right, Y + FGridLineWidth});
    }
  }
}

void TDrawGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  // A click is the move to the pressed cell, not the press and release.
  ControlState &= ~static_cast<unsigned>(csClicked);
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    int C = 0, R = 0;
    if (MouseToCell(X, Y, C, R)) MoveCurrent(C, R);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TDrawGrid::KeyDown(WORD Key, TShiftState Shift) {
  int C = FCol, R = FRow;
  switch (Key) {
    case VK_LEFT: --C; break;
    case VK_RIGHT: ++C; break;
    case VK_UP: --R; break;
    case VK_DOWN: ++R; break;
    case VK_PRIOR: R -= VisibleRowCount(); break;
    case VK_NEXT: R += VisibleRowCount(); break;
    case VK_HOME: (Shift & ssCtrl) ? (C = 0, R = 0) : C = 0; break;
    case VK_END: (Shift & ssCtrl) ? (C = FColCount - 1, R = FRowCount - 1) : C = FColCount - 1; break;
    default: return;
  }
  C = std::clamp(C, 0, std::max(0, FColCount - 1));
  R = std::clamp(R, 0, std::max(0, FRowCount - 1));
  if (C != FCol || R != FRow) MoveCurrent(C, R);
}

void TDrawGrid::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS;
      return;
    case WM_KEYDOWN:
      if (DoKeyMessage(M)) return;
      KeyDown(static_cast<WORD>(M.WParam), KeyboardShift());
      M.Result = 0;
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (M.LParam) break;
      Scroll(M.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(M.WParam));
      M.Result = 0;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::WndProc(M);
      if (HandleAllocated()) {
        const RECT Cell = CellRect(FCol, FRow);
        InvalidateRect(FHandle, &Cell, FALSE);
      }
      return;
  }
  TCustomControl::WndProc(M);
}

// The draw grid: a window of equally sized cells painted by OnDrawCell, with a focused cell moved by
// the mouse and the arrow keys, scroll bars, and a veto on selection.
#pragma once

#include "classlib/gui/Controls.h"

#include <functional>

enum TGridDrawStateBit : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, const RECT& Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TDrawGrid : public TCustomControl {
public:
  explicit TDrawGrid(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  int ColCount() const { return FColCount; }
  void SetColCount(int Value);
  int RowCount() const { return FRowCount; }
  void SetRowCount(int Value);
  int DefaultColWidth() const { return FDefaultColWidth; }
  void SetDefaultColWidth(int Value);
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(int Value);
  // The lines between cells (0: none).
  int GridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(int Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);

  // The focused cell. Setting it asks OnSelectCell, then scrolls it into view and runs OnClick.
  int Col() const { return FCol; }
  void SetCol(int Value) { FocusCell(Value, FRow); }
  int Row() const { return FRow; }
  void SetRow(int Value) { FocusCell(FCol, Value); }
  void FocusCell(int ACol, int ARow);
  // The first column and row shown.
  int LeftCol() const { return FLeftCol; }
  void SetLeftCol(int Value);
  int TopRow() const { return FTopRow; }
  void SetTopRow(int Value);
  // Columns and rows shown whole (at least one when there are any).
  int VisibleColCount();
  int VisibleRowCount();
  // The cell's rectangle in client coordinates (empty when it is scrolled out of view).
  RECT CellRect(int ACol, int ARow);
  // The cell at a client point; false when there is none.
  bool MouseToCell(int X, int Y, int& ACol, int& ARow);

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;

  void WndProc(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  virtual bool SelectCell(int ACol, int ARow);
  virtual void DrawCell(int ACol, int ARow, const RECT& Rect, TGridDrawState State);
  virtual void KeyDown(WORD Key, TShiftState Shift);

private:
  int FColCount = 5, FRowCount = 5, FDefaultColWidth = 64, FDefaultRowHeight = 24, FGridLineWidth = 1;
  int FCol = 0, FRow = 0, FLeftCol = 0, FTopRow = 0;
  TScrollStyle FScrollBars = ssBoth;
  void MoveCurrent(int ACol, int ARow);
  void ClampInView();
  void UpdateScrollBars();
  void Scroll(int Bar, WORD Code);
  void SizeChanged();
};

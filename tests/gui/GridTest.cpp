// The draw grid on a real window: the icon picker's shape (46 columns by 4 rows of 44-pixel cells,
// no lines, horizontal scroll bar), clicks, the selection veto, keys, scrolling and the screenshot.
#include "classlib/gui/Grids.h"
#include "classlib/gui/Forms.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Cell = 44;

class GridTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(100, 100, 380, 260);
    Form->SetCaption("Draw grid");
    Grid = new TDrawGrid(Form.get());
    Grid->SetBounds(8, 8, 350, 4 * Cell + GetSystemMetrics(SM_CYHSCROLL) + 4);
    Grid->SetParent(Form.get());
    Grid->SetDefaultColWidth(Cell);
    Grid->SetDefaultRowHeight(Cell);
    Grid->SetGridLineWidth(0);
    Grid->SetScrollBars(ssHorizontal);
    Grid->SetColCount(46);
    Grid->SetRowCount(4);
    Grid->OnClick = [this](TObject*) { Clicks.push_back({Grid->Col(), Grid->Row()}); };
    Grid->OnDrawCell = [this](TObject*, int C, int R, const RECT& Rect, TGridDrawState State) {
      // Picture number c * 4 + r: a square of its own colour, framed when focused.
      TControlCanvas& Canvas = Grid->Canvas();
      Canvas.FillRect(Rect);
      Canvas.Brush().SetColor(static_cast<TColor>(RGB((C * 37) % 200 + 40, (R * 60) % 200 + 40, 160)));
      Canvas.FillRect(RECT{Rect.left + 6, Rect.top + 6, Rect.right - 6, Rect.bottom - 6});
      Drawn.push_back({C, R});
      if (State & gdSelected) SelectedDrawn.push_back({C, R});
    };
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 300);
    Application->OnException = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
  }
  void ShowGrid() {
    Form->Show();
    Grid->SetFocus();
    PumpUntilIdle();
  }
  void ClickCell(int C, int R) {
    const RECT Rect = Grid->CellRect(C, R);
    const LPARAM At = MAKELPARAM((Rect.left + Rect.right) / 2, (Rect.top + Rect.bottom) / 2);
    PostMessageA(Grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    PostMessageA(Grid->Handle(), WM_LBUTTONUP, 0, At);
    PumpUntilIdle();
  }
  void PostKey(WORD Key) {
    PostMessageA(Grid->Handle(), WM_KEYDOWN, Key, 1);
    PostMessageA(Grid->Handle(), WM_KEYUP, Key, static_cast<LPARAM>(0xC0000001u));
    PumpUntilIdle();
  }
  using TCell = std::pair<int, int>;
  std::vector<std::string> Errors;
  std::unique_ptr<TForm> Form;
  TDrawGrid* Grid = nullptr;
  std::vector<TCell> Clicks, Drawn, SelectedDrawn;
};

TEST_F(GridTest, AClickFocusesTheCellAndClicksOnce) {
  ShowGrid();
  ClickCell(1, 3);
  EXPECT_EQ(Grid->Col(), 1);
  EXPECT_EQ(Grid->Row(), 3);
  EXPECT_EQ(Clicks, (std::vector<TCell>{{1, 3}}));
  // The focused cell is drawn selected.
  ASSERT_FALSE(SelectedDrawn.empty());
  EXPECT_EQ(SelectedDrawn.back(), (TCell{1, 3}));
  // A click on the focused cell again moves nothing and clicks nothing.
  ClickCell(1, 3);
  EXPECT_EQ(Clicks.size(), 1u);
}

TEST_F(GridTest, OnSelectCellVetoKeepsTheFocus) {
  std::vector<TCell> Asked;
  Grid->OnSelectCell = [&](TObject*, int C, int R, bool& CanSelect) {
    Asked.push_back({C, R});
    CanSelect = C * 4 + R < 10;  // ten pictures
  };
  ShowGrid();
  ClickCell(2, 2);  // picture 10
  EXPECT_EQ(Asked, (std::vector<TCell>{{2, 2}}));
  EXPECT_EQ(Grid->Col(), 0);
  EXPECT_EQ(Grid->Row(), 0);
  EXPECT_TRUE(Clicks.empty());
  Grid->SetCol(3);  // set from code: asked and refused as well
  EXPECT_EQ(Grid->Col(), 0);
  ClickCell(2, 1);  // picture 9
  EXPECT_EQ((TCell{Grid->Col(), Grid->Row()}), (TCell{2, 1}));
  EXPECT_EQ(Clicks, (std::vector<TCell>{{2, 1}}));
}

TEST_F(GridTest, ArrowKeysMoveTheFocus) {
  ShowGrid();
  ASSERT_TRUE(Grid->Focused());
  const std::vector<std::tuple<WORD, int, int>> Steps{
      {VK_RIGHT, 1, 0}, {VK_DOWN, 1, 1}, {VK_LEFT, 0, 1}, {VK_LEFT, 0, 1}, {VK_UP, 0, 0}, {VK_UP, 0, 0}, {VK_END, 45, 0}, {VK_HOME, 0, 0}};
  for (const auto& [Key, C, R] : Steps) {
    PostKey(Key);
    EXPECT_EQ((TCell{Grid->Col(), Grid->Row()}), (TCell{C, R})) << "key " << Key;
  }
  // Every move clicked once; the keys at an edge moved nothing.
  EXPECT_EQ(Clicks.size(), 6u);
}

TEST_F(GridTest, TheLastColumnScrollsIntoView) {
  ShowGrid();
  EXPECT_EQ(Grid->LeftCol(), 0);
  Grid->SetCol(45);
  PumpUntilIdle();
  const int Visible = Grid->VisibleColCount();
  EXPECT_EQ(Grid->LeftCol(), 46 - Visible);
  const RECT Rect = Grid->CellRect(45, 0);
  EXPECT_GT(Rect.right, Rect.left);
  EXPECT_LE(Rect.right, Grid->ClientWidth());
  SCROLLINFO Info{sizeof(Info), SIF_POS, 0, 0, 0, 0, 0};
  GetScrollInfo(Grid->Handle(), SB_HORZ, &Info);
  EXPECT_EQ(Info.nPos, Grid->LeftCol());
  EXPECT_EQ(GetWindowLongPtrA(Grid->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
  // The scroll bar scrolls back; the focus stays.
  SendMessageA(Grid->Handle(), WM_HSCROLL, SB_LEFT, 0);
  EXPECT_EQ(Grid->LeftCol(), 0);
  EXPECT_EQ(Grid->Col(), 45);
  // A click after scrolling hits the cell shown there.
  SendMessageA(Grid->Handle(), WM_HSCROLL, SB_LINERIGHT, 0);
  ClickCell(3, 2);
  EXPECT_EQ((TCell{Grid->Col(), Grid->Row()}), (TCell{3, 2}));
  int C = -1, R = -1;
  ASSERT_TRUE(Grid->MouseToCell(Cell / 2, Cell / 2, C, R));
  EXPECT_EQ((TCell{C, R}), (TCell{1, 0}));
}

TEST_F(GridTest, DrawGridScreenshot) {
  ShowGrid();
  ClickCell(2, 1);
  TWindowCapture Shot(Form->Handle());
  ASSERT_TRUE(Shot.SavePng("draw_grid"));
  // Cells lie edge to edge without lines: the colour of picture (1, 0) fills its square.
  const COLORREF Expected = RGB(37 + 40, 40, 160);
  EXPECT_TRUE(NearColor(Shot.ClientPixel(Grid->Handle(), Cell + Cell / 2, Cell / 2), Expected));
  EXPECT_FALSE(NearColor(Shot.ClientPixel(Grid->Handle(), Cell, Cell / 2), Expected));  // the cell's own margin
}

}  // namespace

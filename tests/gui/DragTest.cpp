// Dragging between two tree views on real windows: a sent press after posted moves gives the
// tree's own begin-drag notification, posted mouse messages drive the drag, the target's events,
// the cursor and the drag image follow, and a release or Escape ends it.
#include "classlib/gui/DragDrop.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/Forms.h"
#include "classlib/gui/TreeView.h"
#include "tests/support/Gui.h"
#include "tests/support/TreeDrag.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr COLORREF Magenta = RGB(255, 0, 255);

// A drag object with a magenta drag image; tells when it is freed.
class TTestDragObject : public TDragObject {
public:
  explicit TTestDragObject(bool& Freed) : FFreed(Freed), FImages(24, 24) {
    TBitmap Bmp;
    Bmp.SetSize(24, 24);
    Bmp.Canvas().BrushColor = static_cast<TColor>(Magenta);
    Bmp.Canvas().FillRect(RECT{0, 0, 24, 24});
    FImages.SetMasked(false);
    FImages.Add(Bmp, nullptr);
    FImages.SetDragImage(0, 0, 0);
  }
  ~TTestDragObject() override { FFreed = true; }
  TCursor GetDragCursor(bool Accepted, int, int) override { return Accepted ? crHandPoint : crNo; }
  TDragImageList* GetDragImages() override { return &FImages; }

private:
  bool& FFreed;
  TDragImageList FImages;
};

struct TOver {
  TObject* Source;
  TDragState State;
};

class DragTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(150, 150, 460, 260);
    Form->SetCaption("Drag");
    First = new TTreeView(Form.get());
    First->SetBounds(10, 10, 200, 200);
    First->SetParent(Form.get());
    First->DragMode = dmAutomatic;
    Second = new TTreeView(Form.get());
    Second->SetBounds(240, 10, 200, 200);
    Second->SetParent(Form.get());
    for (const char* S : {"Apple", "Banana", "Cherry"}) First->Items().Add(nullptr, S);
    for (const char* S : {"Drop here", "Or here"}) Second->Items().Add(nullptr, S);
    First->OnStartDrag = [this](TObject* Sender, TDragObject*& Object) {
      EXPECT_EQ(Sender, First);
      ++Starts;
      if (GiveObject) Object = Given = new TTestDragObject(Freed);
    };
    Second->OnDragOver = [this](TObject* Sender, TObject* Source, int, int, TDragState State, bool& Accept) {
      EXPECT_EQ(Sender, Second);
      Overs.push_back({Source, State});
      Accept = Accepting;
    };
    Second->OnDragDrop = [this](TObject*, TObject* Source, int X, int Y) {
      Drops.push_back(Source);
      DropNode = Second->GetNodeAt(X, Y);
    };
    First->OnEndDrag = [this](TObject* Sender, TObject* Target, int, int) {
      EXPECT_EQ(Sender, First);
      Ends.push_back(Target);
    };
    Form->Show();
    SetForegroundWindow(Form->Handle());
    PumpUntilIdle();
  }
  void TearDown() override {
    CancelDrag();
    Form.reset();
    PumpUntilIdle(10, 500);
    Application->OnException = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
  }
  std::unique_ptr<TForm> Form;
  TTreeView* First = nullptr;
  TTreeView* Second = nullptr;
  bool GiveObject = true, Accepting = false, Freed = false;
  TDragObject* Given = nullptr;
  int Starts = 0;
  std::vector<TOver> Overs;
  std::vector<TObject*> Drops, Ends;
  TTreeNode* DropNode = nullptr;
  std::vector<std::string> Errors;
};

TEST_F(DragTest, DragFromOneTreeToAnotherDropsOnceAndFreesTheObject) {
  TTreeNode* Banana = First->Items().Item(1);
  PressAndPull(Banana);
  ASSERT_EQ(Starts, 1);
  ASSERT_TRUE(First->Dragging());
  EXPECT_EQ(First->DragNode(), Banana);
  EXPECT_EQ(DragSource(), First);
  EXPECT_EQ(DragObject(), Given);
  EXPECT_FALSE(Second->Dragging());

  TTreeNode* Target = Second->Items().Item(1);
  const POINT Over = LabelCenter(Target);
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Second, Over);
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Second, {Over.x + 2, Over.y});
  ASSERT_EQ(Overs.size(), 2u);
  EXPECT_EQ(Overs[0].State, dsDragEnter);
  EXPECT_EQ(Overs[1].State, dsDragMove);
  for (const TOver& O : Overs) EXPECT_EQ(O.Source, Given);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crNo));

  Accepting = true;
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Second, {Over.x + 4, Over.y});
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  EXPECT_NE(Screen->Cursors(crHandPoint), Screen->Cursors(crNo));

  // The drag image follows the pointer, its top left at the hot spot.
  POINT Screen = Over;
  ClientToScreen(Second->Handle(), &Screen);
  Screen.x += 4;
  const TWindowCapture Shot(GetDesktopWindow(), false);
  // (comctl32 may tint a drag image: the probe allows for it; white or the tree's colours are far.)
  EXPECT_TRUE(NearColor(Shot.At(Screen.x + 8, Screen.y + 8), Magenta, 80));
  EXPECT_TRUE(NearColor(Shot.At(Screen.x + 20, Screen.y + 20), Magenta, 80));
  EXPECT_FALSE(NearColor(Shot.At(Screen.x - 6, Screen.y - 6), Magenta, 80));
  EXPECT_FALSE(NearColor(Shot.At(Screen.x + 30, Screen.y + 30), Magenta, 80));
  const TWindowCapture FormShot(Form->Handle(), false);
  EXPECT_TRUE(FormShot.SavePng("drag_in_progress"));

  PostToCapture(WM_LBUTTONUP, 0, Second, {Over.x + 4, Over.y});
  EXPECT_EQ(Drops, std::vector<TObject*>{Given});
  EXPECT_EQ(DropNode, Target);
  EXPECT_EQ(Ends, std::vector<TObject*>{Second});
  EXPECT_TRUE(Freed);
  EXPECT_FALSE(First->Dragging());
  EXPECT_EQ(DragObject(), nullptr);
  EXPECT_EQ(First->DragNode(), nullptr);
  // The release moved once more; a drop is no leave.
  ASSERT_EQ(Overs.size(), 4u);
  EXPECT_EQ(Overs.back().State, dsDragMove);
}

TEST_F(DragTest, EscapeAndRightButtonCancelWithoutDrop) {
  struct TCase {
    const char* Name;
    UINT Msg;
    WPARAM WParam;
  };
  const TCase Cases[] = {{"escape", WM_KEYDOWN, VK_ESCAPE}, {"right button", WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON}};
  Accepting = true;
  for (const TCase& C : Cases) {
    Freed = false;
    Ends.clear();
    Overs.clear();
    PressAndPull(First->Items().Item(0));
    ASSERT_TRUE(First->Dragging()) << C.Name;
    PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Second, LabelCenter(Second->Items().Item(0)));
    ASSERT_FALSE(Overs.empty()) << C.Name;
    if (C.Msg == WM_KEYDOWN)
      PostMessageA(First->Handle(), C.Msg, C.WParam, 1);
    else
      PostMessageA(GetCapture(), C.Msg, C.WParam, 0);
    PumpUntilIdle();
    EXPECT_FALSE(First->Dragging()) << C.Name;
    EXPECT_EQ(Ends, std::vector<TObject*>{nullptr}) << C.Name;
    EXPECT_TRUE(Freed) << C.Name;
    EXPECT_EQ(Overs.back().State, dsDragLeave) << C.Name;
  }
  EXPECT_TRUE(Drops.empty());
}

TEST_F(DragTest, ReleaseOverARefusingTargetEndsWithoutTarget) {
  PressAndPull(First->Items().Item(2));
  ASSERT_TRUE(First->Dragging());
  const POINT Over = LabelCenter(Second->Items().Item(0));
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Second, Over);
  PostToCapture(WM_LBUTTONUP, 0, Second, Over);
  EXPECT_TRUE(Drops.empty());
  EXPECT_EQ(Ends, std::vector<TObject*>{nullptr});
  EXPECT_TRUE(Freed);
}

TEST_F(DragTest, CancelDragInOnStartDragStartsNothing) {
  for (const bool Give : {false, true}) {
    SCOPED_TRACE(Give ? "an object given" : "no object");
    Freed = false;
    First->OnStartDrag = [&](TObject*, TDragObject*& Object) {
      ++Starts;
      if (Give) Object = new TTestDragObject(Freed);
      CancelDrag();
    };
    PressAndPull(First->Items().Item(1));
    PumpUntilIdle();
    EXPECT_FALSE(First->Dragging());
    EXPECT_EQ(DragObject(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Freed, Give);
    const POINT At = LabelCenter(First->Items().Item(1));
    PostMessageA(First->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(At.x, At.y));
    PumpUntilIdle();
  }
  EXPECT_EQ(Starts, 2);
  EXPECT_TRUE(Ends.empty());
}

TEST_F(DragTest, DefaultObjectShowsTheSourceAndItsDragCursor) {
  GiveObject = false;
  First->DragCursor = crHandPoint;
  Accepting = true;
  PressAndPull(First->Items().Item(0));
  ASSERT_TRUE(First->Dragging());
  ASSERT_NE(dynamic_cast<TDragControlObject*>(DragObject()), nullptr);
  const POINT Over = LabelCenter(Second->Items().Item(0));
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Second, Over);
  ASSERT_EQ(Overs.size(), 1u);
  EXPECT_EQ(Overs[0].Source, First);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  PostToCapture(WM_LBUTTONUP, 0, Second, Over);
  EXPECT_EQ(Drops, std::vector<TObject*>{First});
  EXPECT_EQ(Ends, std::vector<TObject*>{Second});
}

TEST_F(DragTest, AutomaticDragOfAPanelStartsPastTheThreshold) {
  auto* Panel = new TPanel(Form.get());
  Panel->SetBounds(215, 10, 20, 100);
  Panel->SetParent(Form.get());
  Panel->DragMode = dmAutomatic;
  int PanelStarts = 0;
  std::vector<TObject*> PanelEnds;
  Panel->OnStartDrag = [&](TObject*, TDragObject*&) { ++PanelStarts; };
  Panel->OnEndDrag = [&](TObject*, TObject* Target, int, int) { PanelEnds.push_back(Target); };
  PumpUntilIdle();
  const HWND Wnd = Panel->Handle();
  PostMessageA(Wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageA(Wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, 11));
  PumpUntilIdle();
  EXPECT_EQ(PanelStarts, 0);
  EXPECT_FALSE(Panel->Dragging());
  PostMessageA(Wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, 30));
  PumpUntilIdle();
  EXPECT_EQ(PanelStarts, 1);
  ASSERT_TRUE(Panel->Dragging());
  Accepting = true;
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Second, LabelCenter(Second->Items().Item(0)));
  ASSERT_EQ(Overs.size(), 1u);
  EXPECT_EQ(Overs[0].Source, Panel);
  PostToCapture(WM_LBUTTONUP, 0, Second, LabelCenter(Second->Items().Item(0)));
  EXPECT_EQ(PanelEnds, std::vector<TObject*>{Second});

  // A press released before the threshold starts nothing.
  PostMessageA(Wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageA(Wnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  PostMessageA(Wnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 60));
  PumpUntilIdle();
  EXPECT_EQ(PanelStarts, 1);
  EXPECT_FALSE(Panel->Dragging());
}

TEST_F(DragTest, TreeWithImagesDragsItsNodesPicture) {
  GiveObject = false;
  TImageList Images(16, 16);
  TBitmap Bmp;
  Bmp.SetSize(16, 16);
  Images.Add(Bmp, nullptr);
  First->SetImages(&Images);
  for (TTreeNode* N = First->Items().GetFirstNode(); N; N = N->GetNextSibling()) N->SetImageIndex(0);
  // The view's own picture of a node, as comctl32 makes it here (Wine's holds no image).
  TTreeNode* Node = First->Items().Item(1);
  const auto Picture = reinterpret_cast<HIMAGELIST>(
      SendMessageA(First->Handle(), TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(Node->ItemId())));
  const int PictureImages = Picture ? ImageList_GetImageCount(Picture) : 0;
  if (Picture) ImageList_Destroy(Picture);
  PressAndPull(Node);
  ASSERT_TRUE(First->Dragging());
  EXPECT_EQ(First->DragNode(), Node);
  TDragImageList* Own = First->GetDragImages();
  EXPECT_EQ(DragObject()->GetDragImages(), Own);
  if (PictureImages > 0) {
    ASSERT_NE(Own, nullptr);
    EXPECT_EQ(Own->Count(), PictureImages);
  } else {
    EXPECT_EQ(Own, nullptr);
  }
  CancelDrag();
  EXPECT_EQ(Ends, std::vector<TObject*>{nullptr});
  First->SetImages(nullptr);
}

}  // namespace

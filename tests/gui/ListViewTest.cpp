// The report list view on real windows: columns, items with sub-items and data, sorting through
// OnCompare, column clicks, selection events, published columns and the screenshot.
#include "classlib/gui/ListView.h"
#include "classlib/gui/Forms.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class ListViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(120, 120, 360, 260);
    Form->SetCaption("Report list");
    List = new TListView(Form.get());
    List->SetName("lvTypes");
    List->SetBounds(8, 8, 330, 200);
    List->SetParent(Form.get());
    List->SetRowSelect(true);
    List->SetReadOnly(true);
    AddColumn("File Type", 150);
    AddColumn("Extension", 100);
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 300);
    Application->OnException = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
  }
  TListColumn* AddColumn(const std::string& Caption, int Width) {
    TListColumn* C = List->Columns()->Add();
    C->SetCaption(Caption);
    C->SetWidth(Width);
    return C;
  }
  // Rows of caption, sub-item and a sort key as data.
  void AddRows(const std::vector<std::tuple<std::string, std::string, int>>& Rows) {
    List->Items()->BeginUpdate();
    for (const auto& [Caption, Sub, Key] : Rows) {
      TListItem* Item = List->Items()->Add();
      Item->SetCaption(Caption);
      Item->SubItems()->Add(Sub);
      Item->SetData(reinterpret_cast<void*>(static_cast<INT_PTR>(Key)));
    }
    List->Items()->EndUpdate();
  }
  // The texts the window shows in a column, top to bottom.
  std::vector<std::string> WindowColumn(int Column) {
    std::vector<std::string> Result;
    const int N = static_cast<int>(SendMessageA(List->Handle(), LVM_GETITEMCOUNT, 0, 0));
    for (int I = 0; I < N; ++I) {
      char Buffer[128] = {};
      LVITEMA Item{};
      Item.iSubItem = Column;
      Item.pszText = Buffer;
      Item.cchTextMax = sizeof(Buffer);
      SendMessageA(List->Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&Item));
      Result.push_back(Buffer);
    }
    return Result;
  }
  std::string HeaderText(int Column) {
    char Buffer[128] = {};
    LVCOLUMNA C{};
    C.mask = LVCF_TEXT;
    C.pszText = Buffer;
    C.cchTextMax = sizeof(Buffer);
    SendMessageA(List->Handle(), LVM_GETCOLUMNA, static_cast<WPARAM>(Column), reinterpret_cast<LPARAM>(&C));
    return Buffer;
  }
  static INT_PTR Key(TListItem* Item) { return reinterpret_cast<INT_PTR>(Item->Data()); }
  std::vector<std::string> Errors;
  std::unique_ptr<TForm> Form;
  TListView* List = nullptr;
};

TEST_F(ListViewTest, ShowsCaptionsAndSubItemsInTheirColumns) {
  AddRows({{"Text Document", ".txt", 2}, {"Bitmap", ".bmp", 1}});
  Form->Show();
  PumpUntilIdle();
  EXPECT_EQ(WindowColumn(0), (std::vector<std::string>{"Text Document", "Bitmap"}));
  EXPECT_EQ(WindowColumn(1), (std::vector<std::string>{".txt", ".bmp"}));
  // A sub-item changed later shows at once; items added after the window exists too.
  List->Items()->Item(1)->SubItems()->Put(0, ".dib");
  TListItem* Late = List->Items()->Add();
  Late->SetCaption("Late");
  EXPECT_EQ(WindowColumn(1), (std::vector<std::string>{".txt", ".dib", ""}));
  EXPECT_EQ(WindowColumn(0).back(), "Late");
  EXPECT_EQ(List->Columns()->Items(0)->Width(), 150);
  EXPECT_EQ(HeaderText(1), "Extension");
}

TEST_F(ListViewTest, SortsByDataThroughOnCompare) {
  int Calls = 0;
  List->OnCompare = [&](TObject* Sender, TListItem* A, TListItem* B, LPARAM, int& Compare) {
    EXPECT_EQ(Sender, List);
    ++Calls;
    Compare = static_cast<int>(Key(A) - Key(B));
  };
  AddRows({{"c", "3", 30}, {"a", "1", 10}, {"d", "4", 40}, {"b", "2", 20}});
  Form->Show();
  PumpUntilIdle();
  ASSERT_TRUE(List->AlphaSort());
  EXPECT_GT(Calls, 0);
  EXPECT_EQ(WindowColumn(0), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(WindowColumn(1), (std::vector<std::string>{"1", "2", "3", "4"}));
  // The items follow the window's order.
  for (int I = 0; I < 4; ++I) {
    EXPECT_EQ(Key(List->Items()->Item(I)), (I + 1) * 10);
    EXPECT_EQ(List->Items()->Item(I)->Index(), I);
  }
  // A sorted view re-sorts when data changes.
  List->SetSortType(stData);
  List->Items()->Item(0)->SetData(reinterpret_cast<void*>(static_cast<INT_PTR>(50)));
  EXPECT_EQ(WindowColumn(0), (std::vector<std::string>{"b", "c", "d", "a"}));
}

TEST_F(ListViewTest, SortsBeforeTheWindowExistsAndKeepsSelectionAcrossRecreation) {
  List->OnCompare = [](TObject*, TListItem* A, TListItem* B, LPARAM, int& Compare) { Compare = static_cast<int>(Key(B) - Key(A)); };
  AddRows({{"one", "", 1}, {"three", "", 3}, {"two", "", 2}});
  List->Items()->Item(2)->SetSelected(true);
  List->SetSortType(stData);
  Form->Show();
  PumpUntilIdle();
  EXPECT_EQ(WindowColumn(0), (std::vector<std::string>{"three", "two", "one"}));
  ASSERT_NE(List->Selected(), nullptr);
  EXPECT_EQ(List->Selected()->Caption(), "two");
  List->SetMultiSelect(true);  // a style change keeps the items
  List->RecreateWnd();
  EXPECT_EQ(WindowColumn(0), (std::vector<std::string>{"three", "two", "one"}));
  EXPECT_EQ(List->Selected()->Caption(), "two");
  EXPECT_EQ(List->SelCount(), 1);
}

TEST_F(ListViewTest, AnExceptionInOnCompareReachesTheCallerAndKeepsTheOrder) {
  int Calls = 0;
  List->OnCompare = [&](TObject*, TListItem* A, TListItem* B, LPARAM, int& Compare) {
    if (++Calls == 2) throw Exception("compare failed");
    Compare = static_cast<int>(Key(A) - Key(B));
  };
  AddRows({{"z", "", 3}, {"y", "", 2}, {"x", "", 1}});
  Form->Show();
  try {
    List->AlphaSort();
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "compare failed");
  }
  EXPECT_EQ(WindowColumn(0), (std::vector<std::string>{"z", "y", "x"}));
  EXPECT_EQ(List->Items()->Item(0)->Caption(), "z");
  // A procedure of CustomSort gets the items and the sort's data.
  EXPECT_TRUE(List->CustomSort(
      [](LPARAM A, LPARAM B, LPARAM Data) -> int {
        EXPECT_EQ(Data, 7);
        return reinterpret_cast<TListItem*>(A)->Caption().compare(reinterpret_cast<TListItem*>(B)->Caption());
      },
      7));
  EXPECT_EQ(WindowColumn(0), (std::vector<std::string>{"x", "y", "z"}));
}

TEST_F(ListViewTest, ColumnClickNamesItsColumn) {
  AddRows({{"a", "1", 1}});
  std::vector<std::string> Clicked;
  List->OnColumnClick = [&](TObject*, TListColumn* Column) { Clicked.push_back(Column->Caption()); };
  Form->Show();
  PumpUntilIdle();
  const HWND Header = reinterpret_cast<HWND>(SendMessageA(List->Handle(), LVM_GETHEADER, 0, 0));
  ASSERT_NE(Header, nullptr);
  for (int Column : {1, 0}) {
    RECT R{};
    SendMessageA(Header, HDM_GETITEMRECT, static_cast<WPARAM>(Column), reinterpret_cast<LPARAM>(&R));
    const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    SendMessageA(Header, WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Header, WM_LBUTTONUP, 0, At);
    PumpUntilIdle();
  }
  EXPECT_EQ(Clicked, (std::vector<std::string>{"Extension", "File Type"}));
}

TEST_F(ListViewTest, ColumnCaptionSetByNameChangesTheHeader) {
  Form->Show();
  SetPropText(List, "Columns.(0).Caption", "Type");
  EXPECT_EQ(List->Columns()->Items(0)->Caption(), "Type");
  EXPECT_EQ(HeaderText(0), "Type");
  EXPECT_EQ(GetPropText(List, "Columns.(1).Caption"), "Extension");
  SetPropText(List, "Columns.(1).Width", "77");
  EXPECT_EQ(List->Columns()->Items(1)->Width(), 77);
  EXPECT_THROW(SetPropText(List, "Columns.(2).Caption", "x"), EPropertyError);
}

TEST_F(ListViewTest, SelectionFocusAndChangeEvents) {
  AddRows({{"a", "", 1}, {"b", "", 2}, {"c", "", 3}});
  std::vector<std::string> Changes;
  List->OnChange = [&](TObject*, TListItem* Item, TItemChange Change) {
    if (Change == ctState) Changes.push_back(Item->Caption());
  };
  Form->Show();
  PumpUntilIdle();
  // A click on the second row selects and focuses it.
  const RECT R = List->Items()->Item(1)->DisplayRect(drBounds);
  ASSERT_GT(R.bottom, R.top);
  const LPARAM At = MAKELPARAM(R.left + 20, (R.top + R.bottom) / 2);
  SendMessageA(List->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
  SendMessageA(List->Handle(), WM_LBUTTONUP, 0, At);
  PumpUntilIdle();
  ASSERT_NE(List->Selected(), nullptr);
  EXPECT_EQ(List->Selected()->Caption(), "b");
  EXPECT_EQ(List->ItemFocused(), List->Items()->Item(1));
  EXPECT_EQ(List->GetItemAt(R.left + 20, (R.top + R.bottom) / 2), List->Items()->Item(1));
  EXPECT_NE(std::find(Changes.begin(), Changes.end(), "b"), Changes.end());
  List->SetSelected(List->Items()->Item(2));
  EXPECT_TRUE(List->Items()->Item(2)->Selected());
  EXPECT_FALSE(List->Items()->Item(1)->Selected());
  List->Items()->Item(0)->Delete();
  EXPECT_EQ(WindowColumn(0), (std::vector<std::string>{"b", "c"}));
}

TEST_F(ListViewTest, AnEditedLabelBecomesTheCaptionUnlessReadOnly) {
  AddRows({{"old", "", 1}});
  Form->Show();
  PumpUntilIdle();
  List->SetFocus();
  EXPECT_EQ(SendMessageA(List->Handle(), LVM_EDITLABELA, 0, 0), 0);  // read-only: no edit
  List->SetReadOnly(false);
  const HWND Edit = reinterpret_cast<HWND>(SendMessageA(List->Handle(), LVM_EDITLABELA, 0, 0));
  ASSERT_NE(Edit, nullptr);
  SetWindowTextA(Edit, "Renamed");
  SendMessageA(Edit, WM_KEYDOWN, VK_RETURN, 1);
  PumpUntilIdle();
  EXPECT_EQ(List->Items()->Item(0)->Caption(), "Renamed");
  EXPECT_EQ(WindowColumn(0), std::vector<std::string>{"Renamed"});
}

TEST_F(ListViewTest, MakeVisibleScrollsTheLastRowIntoView) {
  List->SetHeight(90);
  std::vector<std::tuple<std::string, std::string, int>> Rows;
  for (int I = 0; I < 40; ++I) Rows.emplace_back("row " + std::to_string(I), std::to_string(I), I);
  AddRows(Rows);
  Form->Show();
  PumpUntilIdle();
  TListItem* Last = List->Items()->Item(39);
  EXPECT_EQ(SendMessageA(List->Handle(), LVM_GETTOPINDEX, 0, 0), 0);
  Last->MakeVisible(false);
  EXPECT_GT(SendMessageA(List->Handle(), LVM_GETTOPINDEX, 0, 0), 30);
  RECT Client;
  GetClientRect(List->Handle(), &Client);
  const RECT R = Last->DisplayRect(drBounds);
  EXPECT_LE(R.bottom, Client.bottom);
  EXPECT_GE(R.top, 0);
}

TEST_F(ListViewTest, AutoSizeColumnTakesTheRestAndHeadersCanHide) {
  List->Columns()->Items(1)->SetAutoSize(true);
  List->Columns()->Items(1)->SetMinWidth(60);
  Form->Show();
  PumpUntilIdle();
  RECT Client;
  GetClientRect(List->Handle(), &Client);
  EXPECT_EQ(List->Columns()->Items(1)->Width(), Client.right - 150);
  List->SetWidth(190);
  PumpUntilIdle();
  EXPECT_EQ(List->Columns()->Items(1)->Width(), 60);  // not below its minimum
  List->SetShowColumnHeaders(false);
  EXPECT_NE(GetWindowLongPtrA(List->Handle(), GWL_STYLE) & LVS_NOCOLUMNHEADER, 0);
}

TEST_F(ListViewTest, ReportListScreenshot) {
  auto* Images = new TImageList(Form.get());
  // Two coloured squares on white (the transparent colour) as images.
  for (COLORREF Colour : {RGB(200, 40, 40), RGB(40, 120, 200)}) {
    TBitmap Square;
    Square.SetSize(16, 16);
    Square.Canvas().BrushColor = clWhite;
    Square.Canvas().FillRect(RECT{0, 0, 16, 16});
    Square.Canvas().BrushColor = static_cast<TColor>(Colour);
    Square.Canvas().FillRect(RECT{2, 2, 14, 14});
    Images->AddMasked(Square, clWhite);
  }
  ASSERT_EQ(Images->Count(), 2);
  List->SetSmallImages(Images);
  AddRows({{"Text Document", ".txt", 1}, {"Bitmap Image", ".bmp", 2}, {"Batch File", ".bat", 3}, {"Folder", "", 4}});
  for (int I = 0; I < List->Items()->Count(); ++I) List->Items()->Item(I)->SetImageIndex(I % 2);
  List->SetHideSelection(false);
  List->Items()->Item(1)->SetSelected(true);
  Form->Show();
  PumpUntilIdle();
  TWindowCapture Shot(Form->Handle());
  ASSERT_TRUE(Shot.SavePng("report_list"));
  // The first row's image is drawn: its red square inside the icon rectangle.
  const RECT Icon = List->Items()->Item(0)->DisplayRect(drIcon);
  EXPECT_TRUE(NearColor(Shot.ClientPixel(List->Handle(), (Icon.left + Icon.right) / 2, (Icon.top + Icon.bottom) / 2),
                        RGB(200, 40, 40), 24));
}

}  // namespace

// The file-type list view and the file-type drop-down over a scanned HKEY_CLASSES_ROOT fixture.
#include "controls/AdvTreeView.h"
#include "controls/FileTypeView.h"
#include "controls/RXCtrls.h"
#include "controls/ToolEdit.h"
#include "tests/controls/FileTypesForm.h"
#include "tests/filetypes/FileTypesFixture.h"
#include "tests/support/ButtonFace.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

int RowsOf(TFileTypeListView& View, const TFileType* Type) {
  int N = 0;
  for (int I = 0; I < View.Items()->Count(); ++I) N += View.Items()->Item(I)->Data() == Type;
  return N;
}

std::string Second(TListItem* Row) { return Row->SubItems()->Count() ? Row->SubItems()->Get(0) : ""; }

class FileTypeViewTest : public TFileTypesFormTest {
protected:
  void SetUp() override {
    TFileTypesFormTest::SetUp();
    List = new TFileTypeList(Form.get());
  }
  void Scan() {
    List->SetActive(true);
    PumpUntilIdle();
  }
  TFileType* Find(const std::string& Name) { return List->FileTypes()->FindByName(Name); }
  TFileTypeList* List = nullptr;
};

TEST_F(FileTypeViewTest, RowsColumnsAndOrder) {
  Type("Triple", "Triple type");
  Type(".tc", "Triple");
  Type(".ta", "Triple");
  Type(".tb", "Triple");
  Type(".zz", "Other");  // keeps the extension order apart from the type order
  Type("Other", "Another type");
  Scan();
  auto* View = new TFileTypeListView(Form.get());
  View->SetBounds(10, 10, 380, 260);
  View->SetParent(Form.get());
  View->SetFileTypes(List);
  Form->Show();
  PumpUntilIdle();
  TFileType *Triple = Find("Triple"), *Lonely = Find("Folder");  // the scan keeps types without extensions only among the predefined
  ASSERT_TRUE(Triple && Lonely) << fttest::Joined(fttest::DumpModel(*List->FileTypes()), "\n");

  const struct {
    TFileTypesViewStyle Style;
    int Triple, Lonely;
  } Cases[] = {{ftvsExtensions, 3, 0}, {ftvsAll, 3, 1}, {ftvsTypes, 1, 1}};
  for (const auto& C : Cases) {
    View->SetViewStyle(C.Style);
    EXPECT_EQ(RowsOf(*View, Triple), C.Triple) << C.Style;
    EXPECT_EQ(RowsOf(*View, Lonely), C.Lonely) << C.Style;
    for (int I = 0; I < View->Items()->Count(); ++I) {
      TListItem* Row = View->Items()->Item(I);
      EXPECT_EQ(Row->ImageIndex(), static_cast<TFileType*>(Row->Data())->Index());
    }
  }
  // One column: the client width less one, no horizontal scroll bar.
  RECT Client;
  GetClientRect(View->Handle(), &Client);
  EXPECT_EQ(SendMessageA(View->Handle(), LVM_GETCOLUMNWIDTH, 0, 0), Client.right - 1);
  EXPECT_EQ(GetWindowLongPtrA(View->Handle(), GWL_STYLE) & WS_HSCROLL, 0);

  View->SetViewStyle(ftvsAll);
  const int Total = View->Items()->Count();
  TPredefinedTypes Without = TPredefinedTypes::All();
  View->SetPredefinedTypes(Without.Exclude(ptypAllFiles));
  EXPECT_EQ(View->Items()->Count(), Total - 1);
  EXPECT_EQ(RowsOf(*View, Find("*")), 0);
  EXPECT_EQ(RowsOf(*View, Find("AllFileSystemObjects")), 1);

  GetClientRect(View->Handle(), &Client);
  const int First = static_cast<int>(SendMessageA(View->Handle(), LVM_GETCOLUMNWIDTH, 0, 0));
  EXPECT_EQ(First, Client.right * 3 / 4);
  EXPECT_EQ(SendMessageA(View->Handle(), LVM_GETCOLUMNWIDTH, 1, 0), Client.right - First);
  EXPECT_EQ(GetWindowLongPtrA(View->Handle(), GWL_STYLE) & WS_HSCROLL, 0);

  auto InModelOrder = [&] {
    for (int I = 1; I < View->Items()->Count(); ++I)
      if (static_cast<TFileType*>(View->Items()->Item(I - 1)->Data())->Index() >
          static_cast<TFileType*>(View->Items()->Item(I)->Data())->Index())
        return false;
    return true;
  };
  auto InExtensionOrder = [&] {
    for (int I = 1; I < View->Items()->Count(); ++I)
      if (lstrcmpA(Second(View->Items()->Item(I - 1)).c_str(), Second(View->Items()->Item(I)).c_str()) > 0) return false;
    return true;
  };
  EXPECT_TRUE(InModelOrder());
  EXPECT_FALSE(InExtensionOrder());
  const HWND Header = reinterpret_cast<HWND>(SendMessageA(View->Handle(), LVM_GETHEADER, 0, 0));
  auto ClickHeader = [&](int Column) {
    RECT R;
    SendMessageA(Header, HDM_GETITEMRECT, static_cast<WPARAM>(Column), reinterpret_cast<LPARAM>(&R));
    POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(Header, &P);
    LeftClickAt(Form->Handle(), P);
  };
  ClickHeader(1);
  EXPECT_EQ(View->SortType(), ftstExtension);
  EXPECT_TRUE(InExtensionOrder());
  ClickHeader(0);
  EXPECT_EQ(View->SortType(), ftstType);
  EXPECT_TRUE(InModelOrder());
  View->SetSortType(ftstExtension);
  Type(".tx", "Triple");
  List->Refresh();
  EXPECT_EQ(RowsOf(*View, Find("Triple")), 4);
  EXPECT_TRUE(InExtensionOrder());
}

class FileTypeDropDownTest : public FileTypeViewTest {
protected:
  void Open(int Types) {
    for (int I = 0; I < Types; ++I) {
      const std::string Name = "Type" + std::to_string(100 + I);
      Type(Name, "Description " + std::to_string(100 + I));
      Type(".e" + std::to_string(100 + I), Name);
    }
    Scan();
    Combo = new TFileTypeComboBox(Form.get());
    Combo->SetBounds(10, 10, 300, 21);
    Combo->SetParent(Form.get());
    Combo->SetPredefinedTypes(TPredefinedTypes());
    Combo->SetFileTypes(List);
    Form->Show();
    // The list closes when its form is not the active window.
    ASSERT_TRUE(BringToForeground(Form->Handle()));
    Combo->SetFocus();
    PumpUntilIdle();
    Combo->DoClick();
    PumpUntilIdle();
  }
  int RowHeight() {
    RECT R{};
    R.left = LVIR_BOUNDS;
    SendMessageA(Combo->DropDown()->ListView()->Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&R));
    return R.bottom - R.top;
  }
  TFileTypeComboBox* Combo = nullptr;
};

TEST_F(FileTypeDropDownTest, TwentyTypesOpenEightRows) {
  Open(20);
  ASSERT_TRUE(Combo->PopupVisible());
  TPopupFileTypes* Drop = Combo->DropDown();
  EXPECT_EQ(Drop->ListView()->Items()->Count(), 20);
  EXPECT_EQ(Drop->Height(), 8 * RowHeight() + GetSystemMetrics(SM_CYHSCROLL) + 4);
  EXPECT_EQ(Drop->FindComponent("FlvFileTypes"), Drop->ListView());
  EXPECT_EQ(GetFocus(), Drop->ListView()->Handle());

  // The mouse focuses rows; Enter takes the focused type. The open list is the active window.
  TListItem* Third = Drop->ListView()->Items()->Item(2);
  const RECT R = Third->DisplayRect(drBounds);
  MovePointerTo(Drop->Handle(), Drop->ListView()->ClientToScreen(POINT{R.left + 30, (R.top + R.bottom) / 2}));
  PumpUntilIdle(30);
  EXPECT_EQ(Drop->ListView()->ItemFocused(), Third);
  TapKey(Drop->Handle(), VK_RETURN);
  EXPECT_FALSE(Combo->PopupVisible());
  EXPECT_EQ(Combo->Text(), static_cast<TFileType*>(Third->Data())->Description());
  EXPECT_EQ(Combo->GetFileType(), Third->Data());

  Combo->DoClick();
  PumpUntilIdle();
  TapKey(Combo->DropDown()->Handle(), VK_DOWN);
  TapKey(Combo->DropDown()->Handle(), VK_ESCAPE);
  EXPECT_FALSE(Combo->PopupVisible());
  EXPECT_EQ(Combo->Text(), static_cast<TFileType*>(Third->Data())->Description());

  Combo->SetFileType(nullptr);
  EXPECT_EQ(Combo->Text(), "");
  EXPECT_EQ(Combo->GetFileType(), nullptr);
  Combo->SetFileType(static_cast<TFileType*>(Third->Data()));
  EXPECT_EQ(Combo->GetFileType(), Third->Data());

  delete List;
  List = nullptr;
  EXPECT_EQ(Drop->ListView()->Items()->Count(), 0);
  EXPECT_EQ(Combo->FileTypes(), nullptr);
}

TEST_F(FileTypeDropDownTest, NoTypesOpenOneRow) {
  Open(0);
  ASSERT_TRUE(Combo->PopupVisible());
  EXPECT_EQ(Combo->DropDown()->ListView()->Items()->Count(), 0);
  Combo->DropDown()->ListView()->Items()->Add();
  const int Row = RowHeight();
  Combo->DropDown()->ListView()->Items()->Clear();
  EXPECT_GT(Row, 0);
  EXPECT_EQ(Combo->DropDown()->Height(), Row + GetSystemMetrics(SM_CYHSCROLL) + 4);
}

// The main window's controls side by side, the file-type drop-down open: each is painted (more than
// one colour inside it) and the picture is kept.
TEST_F(FileTypeDropDownTest, GalleryOfTheNewControls) {
  Form->SetBounds(60, 60, 640, 300);
  Open(12);
  ASSERT_TRUE(Combo->PopupVisible());

  auto* Tree = new TAdvTreeView(Form.get());
  Tree->SetBounds(330, 10, 140, 240);
  Tree->SetParent(Form.get());
  TTreeNode* Category = Tree->Items().Add(nullptr, "Text files");
  Tree->Items().AddChild(Category, "Open with Editor");
  TTreeNode* Sub = Tree->Items().AddChild(Category, "Tools");
  Tree->Items().AddChild(Sub, "Compare");
  Category->Expand(true);

  auto* Edit = new TFilenameEdit(Form.get());
  Edit->SetBounds(10, 230, 300, 21);
  Edit->SetParent(Form.get());
  Edit->SetFileName("C:\\windows\\notepad.exe");

  auto* Checks = new TRxCheckListBox(Form.get());
  Checks->SetBounds(480, 10, 140, 240);
  Checks->SetParent(Form.get());
  Checks->SetAllowGrayed(true);
  for (const char* T : {"open", "edit", "print", "printto"}) Checks->Items()->Add(T);
  Checks->SetState(0, cbChecked);
  Checks->SetState(2, cbGrayed);
  Checks->SetEntryEnabled(3, false);
  PumpUntilIdle();
  ASSERT_TRUE(Combo->PopupVisible());

  const TWindowCapture Screen(GetDesktopWindow(), false);
  for (HWND Wnd : {Combo->DropDown()->Handle(), Tree->Handle(), Edit->Handle(), Checks->Handle()}) {
    RECT R{};
    GetWindowRect(Wnd, &R);
    const COLORREF First = Screen.At(R.left + 2, R.top + 2);
    bool Painted = false;
    for (int Y = R.top + 2; Y < R.bottom - 2 && !Painted; ++Y)
      for (int X = R.left + 2; X < R.right - 2 && !Painted; ++X) Painted = Screen.At(X, Y) != First;
    EXPECT_TRUE(Painted) << "window " << Wnd << " shows one colour";
  }
  // The buttons of both edits show their pictures (the drop-down's arrow, the file edit's folder).
  for (TCustomComboEdit* E : {static_cast<TCustomComboEdit*>(Combo), static_cast<TCustomComboEdit*>(Edit)})
    EXPECT_GT(DarkPixelsOnScreen(E->BtnControl()->Handle()), 0) << E->ClassName() << "'s button is blank";
  EXPECT_TRUE(Screen.SavePng("controls-2"));
}

}  // namespace

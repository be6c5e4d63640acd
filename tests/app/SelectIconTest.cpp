// The icon picker in process: shell32.dll for an item without icon file, the column-major grid of
// fixture icon libraries, files without icons, pictures that fail to load, a PNG scaled into its
// cell, choosing by mouse, OK, Cancel and Enter, and the icon handles it extracts; the pictures and
// columns of the recent-icons menu.
#include "application/AppPaths.h"
#include "application/SelectIcon.h"
#include "classlib/core/ImgList.h"
#include "classlib/core/PngImage.h"
#include "classlib/gui/Menus.h"
#include "classlib/gui/StdCtrls.h"
#include "controls/MRUList.h"
#include "controls/ToolEdit.h"
#include "model/Utils.h"
#include "tests/app/Modal.h"
#include "tests/filetypes/FileTypesFixture.h"
#include "tests/support/ButtonFace.h"
#include "tests/support/Files.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

std::string SystemShell32() {
  char Folder[MAX_PATH] = {};
  GetSystemDirectoryA(Folder, MAX_PATH);
  return std::string(Folder) + "\\shell32.dll";
}

int IconCountOf(const std::string& File) {
  return static_cast<int>(reinterpret_cast<UINT_PTR>(ExtractIconA(GetModuleHandleA(nullptr), File.c_str(), UINT(-1))));
}

// The colour of icon Index of the fixture libraries (icons/make-icons.py).
COLORREF ImageColor(int Index) { return RGB(40 + 20 * Index, 200 - 15 * Index, 90 + 9 * Index); }

// The fixture library app_icons_<Variant>.dll beside the test.
std::string IconLibrary(const std::string& Variant) {
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  const std::string Self = Path;
  return Self.substr(0, Self.find_last_of('\\') + 1) + "app_icons_" + Variant + ".dll";
}

// The extraction seam of the tests: the system's extraction, recording every handle it gives, and
// failing the indexes of FailIndexes.
struct TExtractionLog {
  std::vector<HICON> Handles;
  std::set<int> FailIndexes;
  TListIconProc System = nullptr;
};
TExtractionLog* Log = nullptr;

HICON RecordingExtraction(const std::string& FileName, int Index, bool Small) {
  if (Log->FailIndexes.count(Index)) return nullptr;
  const HICON Icon = Log->System(FileName, Index, Small);
  if (Icon) Log->Handles.push_back(Icon);
  return Icon;
}

class TExtractionSeam {
public:
  TExtractionSeam() {
    Log = &FLog;
    FLog.System = SetListIconProc(RecordingExtraction);
  }
  ~TExtractionSeam() {
    SetListIconProc(FLog.System);
    Log = nullptr;
  }
  TExtractionLog& operator*() { return FLog; }
  TExtractionLog* operator->() { return &FLog; }

private:
  TExtractionLog FLog;
};

bool IconAlive(HICON Icon) {
  ICONINFO Info{};
  if (!GetIconInfo(Icon, &Info)) return false;
  if (Info.hbmColor) DeleteObject(Info.hbmColor);
  if (Info.hbmMask) DeleteObject(Info.hbmMask);
  return true;
}

class SelectIconTest : public ::testing::Test {
public:
  void SetUp() override {
    RequireDisplay();
    ASSERT_TRUE(Dir.Valid());
    Application->SetTitle(ProductTitle);
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 300);
  }
  // The picker as the page opens it, shown without a modal loop.
  void Open(const std::string& File, int Index) {
    Form = std::make_unique<TfrmSelectIcon>(Application);
    Form->SetIcon(File, Index);
    Form->Show();
    PumpUntilIdle(10, 500);
  }
  template <class T>
  T* Get(const char* Name) {
    return FindByName<T>(Form.get(), Name);
  }
  TDrawGrid* Grid() { return Get<TDrawGrid>("dgPictures"); }
  std::string IndexText() { return Get<TControl>("lblIconIndex")->Caption(); }
  bool OkEnabled() { return Get<TControl>("btnOK")->Enabled(); }
  std::vector<COLORREF> Picture(int Index) { return fttest::ImagePixels(Form->IconList->Handle(), Index); }
  // The user clicks the grid's cell.
  void ClickCell(int Col, int Row) {
    const RECT Cell = Grid()->CellRect(Col, Row);
    ASSERT_LT(Cell.left, Cell.right) << "cell not shown";
    const LPARAM At = MAKELPARAM((Cell.left + Cell.right) / 2, (Cell.top + Cell.bottom) / 2);
    SendMessageA(Grid()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Grid()->Handle(), WM_LBUTTONUP, 0, At);
    PumpUntilIdle(10, 300);
  }

  TTempDir Dir;
  // Every box of a test is expected; an unexpected one fails it.
  TMessageBoxAnswerer Boxes;
  std::unique_ptr<TfrmSelectIcon> Form;
};

// The "DEFAULT" icon as the list draws it.
std::vector<COLORREF> DefaultPicture() {
  TCustomImageList List(32, 32);
  TIcon Icon;
  Icon.LoadFromResourceName(GetModuleHandleA(nullptr), "DEFAULT");
  List.AddIcon(Icon);
  return fttest::ImagePixels(List.Handle(), 0);
}

}  // namespace

TEST_F(SelectIconTest, WithoutIconFileShowsShell32AndDestroysItsHandles) {
  TExtractionSeam Seam;
  Open("", -1);
  EXPECT_EQ(Form->Caption(), "Select Menu Item Icon");
  EXPECT_EQ(Form->ClientWidth(), 371);
  EXPECT_EQ(Form->ClientHeight(), 321);
  const std::string Shell32 = SystemShell32();
  EXPECT_EQ(Form->GetFileName(), Shell32);
  const int Count = IconCountOf(Shell32);
  ASSERT_GT(Count, 4);
  EXPECT_EQ(Grid()->RowCount(), 4);
  EXPECT_EQ(Grid()->ColCount(), (Count + 3) / 4);
  EXPECT_EQ(Form->IconList->Count(), Count);
  EXPECT_EQ(Grid()->Col(), 0);
  EXPECT_EQ(Grid()->Row(), 0);
  EXPECT_EQ(Form->IconIndex, 0);
  EXPECT_EQ(IndexText(), "0");
  EXPECT_TRUE(OkEnabled());
  // One handle per picture, each destroyed once in the list.
  EXPECT_EQ(static_cast<int>(Seam->Handles.size()), Count);
  for (HICON Icon : Seam->Handles) EXPECT_FALSE(IconAlive(Icon));
  TWindowCapture(Form->Handle()).SavePng("app_select_icon");
}

TEST_F(SelectIconTest, PicturesStandInColumnsOfFour) {
  struct TCase {
    int Icons, Rows, Cols;
  } const Cases[] = {{1, 1, 1}, {4, 4, 1}, {5, 4, 2}, {9, 4, 3}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Icons);
    const std::string File = IconLibrary(std::to_string(C.Icons));
    ASSERT_EQ(IconCountOf(File), C.Icons);
    Open(File, -1);
    EXPECT_EQ(Grid()->RowCount(), C.Rows);
    EXPECT_EQ(Grid()->ColCount(), C.Cols);
    ASSERT_EQ(Form->IconList->Count(), C.Icons);
    for (int I = 0; I < C.Icons; ++I) EXPECT_EQ(fttest::CenterPixel(Form->IconList->Handle(), I), ImageColor(I)) << I;
    // A cell past the last picture cannot be focused.
    if (C.Icons % 4 != 0 && C.Icons > 4) {
      Grid()->FocusCell(C.Cols - 1, 3);
      EXPECT_FALSE(Grid()->Col() == C.Cols - 1 && Grid()->Row() == 3);
    }
    Form.reset();
  }
}

TEST_F(SelectIconTest, FileWithoutIconsDisablesOk) {
  const std::string WinIni = GetWindowsFolder() + "win.ini";
  if (!FileExists(WinIni)) {
    ASSERT_TRUE(WriteBytes(WinIni, "[windows]\r\n"));
  }
  Boxes.Expect(ProductTitle, "There are no icons in the specified file.", IDOK);
  Open(WinIni, -1);
  EXPECT_EQ(Boxes.Seen(), 1);
  ASSERT_EQ(Boxes.Icons.size(), 1u);
  EXPECT_EQ(Boxes.Icons[0], LoadIconA(nullptr, IDI_EXCLAMATION));
  EXPECT_EQ(Grid()->RowCount(), 0);
  EXPECT_EQ(Grid()->ColCount(), 0);
  EXPECT_EQ(Form->IconList->Count(), 0);
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(IndexText(), "");
  EXPECT_EQ(Form->IconIndex, -1);
  Form.reset();

  // An item whose file lost its icons keeps its index; no cell is focused.
  Boxes.Expect(ProductTitle, "There are no icons in the specified file.", IDOK);
  Open(WinIni, 6);
  EXPECT_EQ(Form->IconIndex, 6);
  EXPECT_EQ(IndexText(), "6");
  EXPECT_EQ(Grid()->RowCount() * Grid()->ColCount(), 0);
  EXPECT_FALSE(OkEnabled());
  Form.reset();

  // Choosing such a file in the dialog after a good one: OK off, index -1; back on a good file.
  const std::string Good = IconLibrary("5");
  Open(Good, 2);
  EXPECT_EQ(Form->IconIndex, 2);
  Boxes.Expect(ProductTitle, "There are no icons in the specified file.", IDOK);
  Form->SetFileName(WinIni);
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(Form->IconIndex, -1);
  EXPECT_EQ(IndexText(), "");
  Form->SetFileName(Good);
  EXPECT_TRUE(OkEnabled());
  EXPECT_EQ(Form->IconIndex, 0);
  EXPECT_EQ(Grid()->ColCount(), 2);
}

TEST_F(SelectIconTest, FailedPicturesGetTheDefaultIconAndOneMessage) {
  const std::vector<COLORREF> Default = DefaultPicture();
  const std::string File = IconLibrary("5");
  struct TCase {
    std::set<int> Fail;
    const char* Listed;
  } const Cases[] = {{{1}, "1"}, {{0, 3, 4}, "0,3,4"}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Listed);
    TExtractionSeam Seam;
    Seam->FailIndexes = C.Fail;
    Boxes.Expect(ProductTitle, std::string("Error loading icon(s):\r\n") + C.Listed + "\r\nfrom file:\r\n\"" + File + "\"",
                 IDOK);
    const int Before = Boxes.Seen();
    Open(File, -1);
    EXPECT_EQ(Boxes.Seen(), Before + 1);
    ASSERT_FALSE(Boxes.Icons.empty());
    EXPECT_EQ(Boxes.Icons.back(), LoadIconA(nullptr, IDI_EXCLAMATION));
    ASSERT_EQ(Form->IconList->Count(), 5);
    for (int I = 0; I < 5; ++I) {
      if (C.Fail.count(I)) EXPECT_EQ(Picture(I), Default) << I;
      else EXPECT_EQ(fttest::CenterPixel(Form->IconList->Handle(), I), ImageColor(I)) << I;
    }
    EXPECT_TRUE(OkEnabled());
    EXPECT_EQ(Grid()->ColCount(), 2);
    for (HICON Icon : Seam->Handles) EXPECT_FALSE(IconAlive(Icon));
    Form.reset();
  }
}

TEST_F(SelectIconTest, BrokenIconGetsTheDefaultIcon) {
  const std::string File = IconLibrary("broken");
  ASSERT_EQ(IconCountOf(File), 3);
  Boxes.Expect(ProductTitle, "Error loading icon(s):\r\n1\r\nfrom file:\r\n\"" + File + "\"", IDOK);
  Open(File, -1);
  ASSERT_EQ(Form->IconList->Count(), 3);
  EXPECT_EQ(Picture(1), DefaultPicture());
  EXPECT_EQ(fttest::CenterPixel(Form->IconList->Handle(), 2), ImageColor(2));
  EXPECT_TRUE(OkEnabled());
}

TEST_F(SelectIconTest, PngIsScaledIntoOnePicture) {
  // 64 by 64: red, green and blue quadrants, a transparent bottom-left one, a yellow centre.
  std::vector<uint32_t> Pixels(64 * 64);
  for (int Y = 0; Y < 64; ++Y)
    for (int X = 0; X < 64; ++X) {
      uint32_t& P = Pixels[static_cast<size_t>(Y) * 64 + X];
      if (X >= 24 && X < 40 && Y >= 24 && Y < 40) P = 0xFFFFFF00;
      else if (Y < 32) P = X < 32 ? 0xFFFF0000 : 0xFF00FF00;
      else P = X < 32 ? 0x00000000 : 0xFF0000FF;
    }
  TPNGObject Png;
  Png.SetPixels(64, 64, Pixels.data());
  const std::string File = Dir.File("picture.PNG");
  Png.SaveToFile(File);
  Open(File, -1);
  EXPECT_EQ(Grid()->RowCount(), 1);
  EXPECT_EQ(Grid()->ColCount(), 1);
  ASSERT_EQ(Form->IconList->Count(), 1);
  const std::vector<COLORREF> Drawn = Picture(0);
  ASSERT_EQ(Drawn.size(), 32u * 32u);
  const auto At = [&](int X, int Y) { return Drawn[static_cast<size_t>(Y) * 32 + X]; };
  const COLORREF Magenta = RGB(255, 0, 255);  // the background ImagePixels draws on
  EXPECT_EQ(At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(At(30, 1), RGB(0, 255, 0));
  EXPECT_EQ(At(30, 30), RGB(0, 0, 255));
  EXPECT_EQ(At(1, 30), Magenta);
  EXPECT_EQ(At(16, 16), RGB(255, 255, 0));
  EXPECT_EQ(Form->IconIndex, 0);
  EXPECT_TRUE(OkEnabled());
}

TEST_F(SelectIconTest, ClickingACellChoosesItsIndexOkAnswersCancelKeeps) {
  const std::string File = IconLibrary("9");
  Open(File, 2);
  EXPECT_EQ(Grid()->Col(), 0);
  EXPECT_EQ(Grid()->Row(), 2);
  ClickCell(1, 3);
  EXPECT_EQ(Form->IconIndex, 7);
  EXPECT_EQ(IndexText(), "7");
  // A cell past the last picture is refused.
  ClickCell(2, 1);
  EXPECT_EQ(Form->IconIndex, 7);
  EXPECT_EQ(Grid()->Col(), 1);
  Form.reset();

  for (bool Ok : {true, false}) {
    SCOPED_TRACE(Ok ? "OK" : "Cancel");
    std::string Chosen = File;
    int Index = 1;
    const bool Answer = RunModal([&] { return ShowSelectIcon(Chosen, Index); },
                                 [&](TCustomForm* F) {
                                   auto* Picker = dynamic_cast<TfrmSelectIcon*>(F);
                                   ASSERT_NE(Picker, nullptr);
                                   auto* Pictures = FindByName<TDrawGrid>(F, "dgPictures");
                                   const RECT Cell = Pictures->CellRect(1, 3);
                                   const LPARAM At = MAKELPARAM((Cell.left + Cell.right) / 2, (Cell.top + Cell.bottom) / 2);
                                   SendMessageA(Pictures->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
                                   SendMessageA(Pictures->Handle(), WM_LBUTTONUP, 0, At);
                                   EXPECT_EQ(Picker->IconIndex, 7);
                                   const char* Button = Ok ? "btnOK" : "btnCancel";
                                   SendMessageA(FindByName<TWinControl>(F, Button)->Handle(), BM_CLICK, 0, 0);
                                 });
    EXPECT_EQ(Answer, Ok);
    EXPECT_EQ(Chosen, File);
    EXPECT_EQ(Index, Ok ? 7 : 1);
  }
}

TEST_F(SelectIconTest, StoredIndexPastTheEndFocusesTheFirstCell) {
  const std::string File = IconLibrary("5");
  for (int Stored : {5, 7, 40}) {
    SCOPED_TRACE(Stored);
    Open(File, Stored);
    EXPECT_EQ(Grid()->Col(), 0);
    EXPECT_EQ(Grid()->Row(), 0);
    EXPECT_EQ(Form->IconIndex, 0);
    EXPECT_EQ(IndexText(), "0");
    Form.reset();
  }
  Open(File, 4);
  EXPECT_EQ(Grid()->Col(), 1);
  EXPECT_EQ(Grid()->Row(), 0);
  EXPECT_EQ(Form->IconIndex, 4);
}

TEST_F(SelectIconTest, EnterInTheFileNameKeepsTheDialogEnterElsewhereIsOk) {
  const std::string File = IconLibrary("5");
  std::string Chosen = File;
  int Index = 2;
  bool StayedOpen = false;
  const bool Answer = RunModal([&] { return ShowSelectIcon(Chosen, Index); },
                               [&](TCustomForm* F) {
                                 auto* Edit = FindByName<TWinControl>(F, "edFileName");
                                 Edit->SetFocus();
                                 PumpUntilIdle(10, 300);
                                 PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_RETURN, 0);
                                 PostMessageA(Edit->Handle(), WM_KEYUP, VK_RETURN, 0);
                                 PumpUntilIdle(10, 300);
                                 StayedOpen = F->ModalResult == mrNone && IsWindowVisible(F->Handle());
                                 auto* Pictures = FindByName<TWinControl>(F, "dgPictures");
                                 Pictures->SetFocus();
                                 PumpUntilIdle(10, 300);
                                 PostMessageA(Pictures->Handle(), WM_KEYDOWN, VK_RETURN, 0);
                                 PostMessageA(Pictures->Handle(), WM_KEYUP, VK_RETURN, 0);
                               });
  EXPECT_TRUE(StayedOpen);
  EXPECT_TRUE(Answer);
  EXPECT_EQ(Index, 2);
}

namespace {

// The user types Text over the whole file name, a key every KeyMs milliseconds (each key as the
// edit receives it after translation: its character, then its key going up).
void TypeName(TWinControl* Edit, const std::string& Text, DWORD KeyMs) {
  Edit->SetFocus();
  PumpUntilIdle(10, 300);
  ASSERT_TRUE(Edit->Focused());
  SendMessageA(Edit->Handle(), EM_SETSEL, 0, -1);
  for (char C : Text) {
    const DWORD Start = GetTickCount();
    const SHORT Vk = VkKeyScanA(C);
    PostMessageA(Edit->Handle(), WM_CHAR, static_cast<unsigned char>(C), 1);
    PostMessageA(Edit->Handle(), WM_KEYUP, LOBYTE(Vk), 0xC0000001);
    PumpUntil([&] { return GetTickCount() - Start >= KeyMs; }, KeyMs + 500);
  }
}

}  // namespace

// A typed name loads once typing pauses: no message for the names on the way, OK off and no index
// until then, then the file's pictures.
TEST_F(SelectIconTest, TypedNameLoadsWhenTypingPauses) {
  Open(IconLibrary("5"), 2);
  ASSERT_TRUE(OkEnabled());
  auto* Edit = Get<TWinControl>("edFileName");
  const std::string Shell32 = SystemShell32();
  TypeName(Edit, Shell32, 30);
  EXPECT_EQ(Form->GetFileName(), Shell32);
  const DWORD Typed = GetTickCount();
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(IndexText(), "");
  EXPECT_EQ(Form->IconList->Count(), 5) << "a partial name was loaded";
  PumpUntil([&] { return GetTickCount() - Typed >= 300; }, 1000);
  EXPECT_FALSE(OkEnabled()) << "loaded before typing paused";
  ASSERT_TRUE(PumpUntil([&] { return OkEnabled(); }, 3000));
  EXPECT_EQ(Form->IconList->Count(), IconCountOf(Shell32));
  EXPECT_EQ(IndexText(), "0");
  EXPECT_EQ(Boxes.Seen(), 0);
  // A pasted name loads at once.
  SendMessageA(Edit->Handle(), EM_SETSEL, 0, -1);
  SetClipboardText(Edit->Handle(), IconLibrary("5"));
  SendMessageA(Edit->Handle(), WM_PASTE, 0, 0);
  EXPECT_TRUE(OkEnabled());
  EXPECT_EQ(Form->IconList->Count(), 5);
}

// Enter loads the typed name and keeps the dialog; a name of no file empties the grid silently.
TEST_F(SelectIconTest, TypedNameOfNoFileAndEnter) {
  Open(IconLibrary("5"), 2);
  auto* Edit = Get<TWinControl>("edFileName");
  TypeName(Edit, "C:\\nosuch", 20);
  PostMessageA(Edit->Handle(), WM_CHAR, '\r', 1);
  PostMessageA(Edit->Handle(), WM_KEYUP, VK_RETURN, 0xC0000001);
  PumpUntilIdle(10, 300);
  EXPECT_EQ(Form->GetFileName(), "C:\\nosuch");
  EXPECT_EQ(Grid()->RowCount() * Grid()->ColCount(), 0);
  EXPECT_EQ(Form->IconList->Count(), 0);
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(IndexText(), "");
  EXPECT_EQ(Form->ModalResult, mrNone);
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  PumpUntil([] { return false; }, 700);  // the pause passes: nothing more
  EXPECT_EQ(Boxes.Seen(), 0);
}

// Leaving the field loads the typed name: a file without icons gives its one message.
TEST_F(SelectIconTest, TypedFileWithoutIconsGivesOneMessageOnLeaving) {
  const std::string WinIni = GetWindowsFolder() + "win.ini";
  if (!FileExists(WinIni)) {
    ASSERT_TRUE(WriteBytes(WinIni, "[windows]\r\n"));
  }
  Open(IconLibrary("5"), 2);
  auto* Edit = Get<TWinControl>("edFileName");
  TypeName(Edit, WinIni, 20);
  EXPECT_EQ(Boxes.Seen(), 0);
  Boxes.Expect(ProductTitle, "There are no icons in the specified file.", IDOK);
  PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_TAB, 1);
  PostMessageA(Edit->Handle(), WM_KEYUP, VK_TAB, 0xC0000001);
  ASSERT_TRUE(PumpUntil([&] { return !Edit->Focused() && Boxes.Seen() == 1; }, 3000));
  PumpUntil([] { return false; }, 700);
  EXPECT_EQ(Boxes.Seen(), 1);
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(Grid()->RowCount() * Grid()->ColCount(), 0);
}

// The browse button keeps its face on the screen as the file name takes and loses the focus.
TEST_F(SelectIconTest, BrowseButtonKeepsItsFace) {
  Open(IconLibrary("5"), 2);
  auto* Edit = Get<TFilenameEdit>("edFileName");
  const HWND Holder = Edit->BtnControl()->Handle();
  const int Shown = DarkPixelsOnScreen(Holder);
  EXPECT_GT(Shown, 0);
  const std::pair<const char*, TWinControl*> Steps[] = {
      {"focused", Edit}, {"unfocused", Grid()}, {"focused again", Edit}, {"on OK", Get<TWinControl>("btnOK")}};
  for (const auto& [Name, Target] : Steps) {
    SCOPED_TRACE(Name);
    Target->SetFocus();
    PumpUntilIdle(30);
    EXPECT_EQ(DarkPixelsOnScreen(Holder), Shown);
  }
}

TEST(SelectIconFiles, PngByExtension) {
  struct TCase {
    const char* Name;
    bool Png;
  } const Cases[] = {{"a.png", true}, {"C:\\x\\B.PNG", true}, {"a.png.exe", false}, {"png", false}, {"a.pn", false}};
  for (const TCase& C : Cases) EXPECT_EQ(IsPngFile(C.Name), C.Png) << C.Name;
}

// The recent-icons menu: 16 entries in columns of 15, pictures by each entry's file and user value.
TEST(RecentIconMenu, SixteenEntriesInTwoColumnsWithTheirPictures) {
  RequireDisplay();
  TExtractionSeam Seam;
  TPopupMenu Popup(nullptr);
  auto* Reselect = new TMenuItem(&Popup);
  Reselect->SetCaption("Se&lect Recent");
  Popup.Items()->Add(Reselect);
  TImageList Images(nullptr);
  Reselect->SetSubMenuImages(&Images);
  TMRUManager Recent(nullptr);
  Recent.SetCapacity(30);
  Recent.SetSeparateSize(5);
  Recent.SetMode(rmAppend);
  Recent.SetShowAccelChar(false);
  Recent.OnGetItemData = [](TObject*, std::string& Caption, TShortCut&, int) { Caption = ExtractFileName(Caption); };
  Recent.SetRecentMenu(Reselect);

  TTempDir Dir;
  ASSERT_TRUE(Dir.Valid());
  TPNGObject Png;
  // Red with a transparent bottom-left quadrant (the mask colour is the bottom-left pixel's).
  std::vector<uint32_t> Red(64 * 64, 0xFFFF0000);
  for (int Y = 32; Y < 64; ++Y)
    for (int X = 0; X < 32; ++X) Red[static_cast<size_t>(Y) * 64 + X] = 0;
  Png.SetPixels(64, 64, Red.data());
  Png.SaveToFile(Dir.File("red.png"));
  // Entry e: icon e of the nine-icon library for e < 9, icon e - 9 of the five-icon one up to 13,
  // then the PNG and a file that is gone.
  std::vector<COLORREF> Expected;
  for (int E = 0; E < 14; ++E) {
    const int Index = E < 9 ? E : E - 9;
    Recent.Add(IconLibrary(E < 9 ? "9" : "5") + ", " + std::to_string(Index), Index);
    Expected.push_back(ImageColor(Index));
  }
  Recent.Add(Dir.File("red.png") + ", 0", 0);
  Expected.push_back(RGB(255, 0, 0));
  Recent.Add("C:\\gone\\nothing.dll, 3", 3);
  ASSERT_EQ(Recent.Strings().Count(), 16);
  EXPECT_EQ(Reselect->Count(), 19);  // three separators before

  FillRecentIconMenu(Recent, *Reselect, Images);
  ASSERT_EQ(Reselect->Count(), 18);
  int Separators = 0;
  const HMENU Menu = Reselect->Handle();
  for (int I = 0; I < Reselect->Count(); ++I) {
    TMenuItem* Item = Reselect->Items(I);
    MENUITEMINFOA Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoA(Menu, static_cast<UINT>(I), TRUE, &Info));
    if (Item->Caption() == "-") {
      ++Separators;
      continue;
    }
    const int Entry = static_cast<int>(Item->Tag);
    SCOPED_TRACE(Entry);
    EXPECT_EQ((Info.fType & MFT_MENUBARBREAK) != 0, Entry == 15);
    EXPECT_EQ(Item->Caption(), ExtractFileName(Recent.Strings().Get(Entry)));
    if (Entry == 15) {
      EXPECT_EQ(Item->ImageIndex(), -1);
      continue;
    }
    ASSERT_GE(Item->ImageIndex(), 0);
    EXPECT_EQ(fttest::CenterPixel(Images.Handle(), Item->ImageIndex()), Expected[static_cast<size_t>(Entry)]);
  }
  EXPECT_EQ(Separators, 2);
  EXPECT_EQ(Images.Count(), 15);
  EXPECT_EQ(Reselect->Items(0)->Caption(), "app_icons_9.dll, 0");
  // Made once: a second opening leaves the menu alone.
  FillRecentIconMenu(Recent, *Reselect, Images);
  EXPECT_EQ(Images.Count(), 15);
  EXPECT_EQ(Reselect->Count(), 18);
  EXPECT_EQ(Seam->Handles.size(), 14u);
  for (HICON Icon : Seam->Handles) EXPECT_FALSE(IconAlive(Icon));
}

TEST(RecentIconMenu, FileOfAnEntry) {
  struct TCase {
    const char* Entry;
    const char* File;
  } const Cases[] = {{"C:\\a\\shell32.dll, 7", "C:\\a\\shell32.dll"}, {"C:\\a,b\\x.ico, 0", "C:\\a,b\\x.ico"}, {"x.png", "x.png"}};
  for (const TCase& C : Cases) EXPECT_EQ(RecentIconFile(C.Entry), C.File) << C.Entry;
}

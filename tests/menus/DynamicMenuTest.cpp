// The dynamic menu: the exact text of its section, loading it back through both INI readers, the
// problems a section can hold, icons from icon files, programs, libraries and PNG files,
// separators, submenus and the copies made by drag and drop.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/core/IniFiles.h"
#include "classlib/core/PngImage.h"
#include "model/CorvIniFile.h"
#include "model/DynamicMenu.h"
#include "model/FileTypes.h"
#include "tests/support/TempDir.h"
#include "tests/filetypes/FileTypesFixture.h"
#include "tests/menus/MenuTestUtils.h"

using namespace menutest;

namespace {

const char* const Section = "Dynamic Items";

// ---------------------------------------------------------------------------------------------
// Helpers

std::string Replaced(std::string Text, const std::string& From, const std::string& To) {
  for (size_t At = Text.find(From); At != std::string::npos; At = Text.find(From, At + To.size()))
    Text.replace(At, From.size(), To);
  return Text;
}

// Lines joined with CR LF, each line ending with one.
std::string Lines(const std::vector<std::string>& L) {
  std::string Result;
  for (const std::string& S : L) Result += S + "\r\n";
  return Result;
}

std::string SystemFile(const std::string& Name) {
  char Buffer[MAX_PATH + 1] = {};
  GetSystemDirectoryA(Buffer, sizeof(Buffer));
  return std::string(Buffer) + "\\" + Name;
}

// The number of icons in File as the platform counts them.
int IconCount(const std::string& File) {
  return static_cast<int>(ExtractIconExA(File.c_str(), -1, nullptr, nullptr, 0));
}

// The size of the small icon at Index of File as ExtractIconExA gives it; 0 x 0 when none.
SIZE SmallIconSize(const std::string& File, int Index) {
  HICON Large = nullptr, Small = nullptr;
  SIZE Result{0, 0};
  const UINT Count = ExtractIconExA(File.c_str(), Index, &Large, &Small, 1);
  if (Count != 1 && Count != 2) return Result;
  if (Small != nullptr) {
    ICONINFO Info{};
    if (GetIconInfo(Small, &Info)) {
      BITMAP Bm{};
      GetObjectA(Info.hbmMask, sizeof(Bm), &Bm);
      Result.cx = Bm.bmWidth;
      Result.cy = Info.hbmColor != nullptr ? Bm.bmHeight : Bm.bmHeight / 2;
      if (Info.hbmColor) DeleteObject(Info.hbmColor);
      DeleteObject(Info.hbmMask);
    }
    DestroyIcon(Small);
  }
  if (Large != nullptr) DestroyIcon(Large);
  return Result;
}

// A PNG of Width x Height pixels whose pixel (x, y) is PngPixel(x, y).
uint32_t PngPixel(int X, int Y) {
  return 0xFF000000u | static_cast<uint32_t>(X * 10) << 16 | static_cast<uint32_t>(Y * 20) << 8 | 0x40u;
}

void WritePng(const std::string& FileName, int Width, int Height) {
  std::vector<uint32_t> Pixels;
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X) Pixels.push_back(PngPixel(X, Y));
  TPNGObject Png;
  Png.SetPixels(Width, Height, Pixels.data());
  Png.SaveToFile(FileName);
}

// "empty", "ico WxH" or "png WxH".
std::string Picture(const TGraphic* G) {
  if (G == nullptr) return "none";
  const char* Kind = dynamic_cast<const TPNGObject*>(G) != nullptr ? "png"
                     : dynamic_cast<const TIcon*>(G) != nullptr    ? "ico"
                                                                   : "?";
  if (G->Empty()) return std::string(Kind) + " empty";
  return std::string(Kind) + " " + std::to_string(G->Width()) + "x" + std::to_string(G->Height());
}

void DumpItems(TTreeItems* Items, int Depth, std::vector<std::string>& Out) {
  for (int I = 0; I < Items->Count(); ++I) {
    TTreeItem* Item = Items->GetItem(I);
    std::string Line(static_cast<size_t>(Depth) * 2, ' ');
    if (auto* Category = dynamic_cast<TCustomFileTypeCategory*>(Item)) {
      Line += "category " + (Category->GetFileType() != nullptr ? Category->GetFileType()->Name() : std::string("nil"));
    } else if (auto* D = dynamic_cast<TDynamicMenuItem*>(Item)) {
      Line += dynamic_cast<TDynamicSubMenu*>(D) != nullptr ? "submenu" : D->IsSeparator() ? "separator" : "item";
      Line += " #" + std::to_string(D->SaveNumber()) + " [" + D->Caption() + "] app=" + D->Application() +
              " par=" + D->Parameters() + " hint=" + D->Hint() + " icon=" + D->IconFile() + "," +
              std::to_string(D->IconIndex()) + " " + (D->Checked() ? "on" : "off") + " pic=" + Picture(D->Icon());
    } else {
      Line += "?";
    }
    Line += Item->Expanded() ? " +" : " -";
    Out.push_back(Line);
    DumpItems(Item->Items(), Depth + 1, Out);
  }
}

// One line per category and item, indented by level, with every value the section holds.
std::vector<std::string> FullDump(const TCustomMenu& Menu) {
  std::vector<std::string> Out;
  DumpItems(Menu.Items(), 0, Out);
  return Out;
}

std::vector<std::string> LogLines(const TCustomMenu& Menu) {
  std::vector<std::string> Out;
  for (int I = 0; I < Menu.ErrorLog()->Count(); ++I) Out.push_back(Menu.ErrorLog()->Get(I));
  return Out;
}

TDynamicMenuItems* CategoryItems(TDynamicMenu& Menu, TFileType* Type) {
  return dynamic_cast<TDynamicMenuItems*>(Menu.GetItems()->GetCategory(Type)->GetItems());
}

TDynamicMenuItem* Item(TDynamicMenuItems* Items, const std::string& App, const std::string& Params,
                       const std::string& Caption, const std::string& Hint, const std::string& IconFile, int IconIndex,
                       bool Checked = true) {
  TDynamicMenuItem* I = Items->AddItem();
  I->SetApplication(App);
  I->SetParameters(Params);
  I->SetCaption(Caption);
  I->SetHint(Hint);
  I->SetIconFile(IconFile);
  I->SetIconIndex(IconIndex);
  I->SetChecked(Checked);
  return I;
}

TDynamicSubMenu* SubMenu(TDynamicMenuItems* Items, const std::string& Caption, const std::string& Hint,
                         const std::string& IconFile, int IconIndex) {
  TDynamicSubMenu* S = Items->AddSubMenu();
  S->SetCaption(Caption);
  S->SetHint(Hint);
  S->SetIconFile(IconFile);
  S->SetIconIndex(IconIndex);
  return S;
}

TDynamicMenuItem* Separator(TDynamicMenuItems* Items) {
  TDynamicMenuItem* I = Items->AddItem();
  I->SetIsSeparator(true);
  return I;
}

enum TReader { rdCorvIni, rdProfile };
const char* ReaderName(TReader R) { return R == rdCorvIni ? "TCorvIniFile" : "TIniFile"; }

std::unique_ptr<TCustomIniFile> OpenIni(TReader Reader, const std::string& FileName) {
  if (Reader == rdCorvIni) return std::make_unique<TCorvIniFile>(FileName);
  return std::make_unique<TIniFile>(FileName);
}

// ---------------------------------------------------------------------------------------------
// Fixture: three file types, a folder with an icon file and a PNG, and the system's files

class DynamicMenuTest : public ::testing::Test {
protected:
  TFileTypes Types{nullptr};
  TFileType* AllFiles = AddType(Types, "*", "All files");
  TFileType* Text = AddType(Types, "txtfile", "Text Document");
  TFileType* Folder = AddType(Types, "Directory", "File folders");
  TTempDir Dir;
  std::string IcoFile = Dir.File("item.ico");
  std::string PngFile = Dir.File("picture.PNG");
  std::string Shell32 = SystemFile("shell32.dll");
  std::string Notepad = SystemFile("notepad.exe");
  std::unique_ptr<TDynamicMenu> Menu = std::make_unique<TDynamicMenu>(&Types);

  void SetUp() override {
    ASSERT_TRUE(fttest::WriteIco(IcoFile, {{32, RGB(200, 30, 30)}, {16, RGB(30, 200, 30)}}));
    WritePng(PngFile, 20, 12);
    WriteFileText(Dir.File("bad.png"), "not a picture");
    // The library and the program that the icons come from.
    ASSERT_GT(IconCount(Shell32), 4) << Shell32;
    ASSERT_GT(IconCount(Notepad), 0) << Notepad;
  }

  std::string Expand(const std::string& Text) const {
    return Replaced(Replaced(Replaced(Text, "{dir}", Dir.Path()), "{shell32}", Shell32), "{notepad}", Notepad);
  }

  // In the category of txtfile: A, a submenu S holding B and C, a separator D, then E; in the
  // category of Directory a submenu F holding a separator G and an item H.
  void BuildGoldenMenu(TDynamicMenu& M) {
    TDynamicMenuItems* T = CategoryItems(M, Text);
    Item(T, "C:\\Tools\\editor.exe", "/n \"%1\"", "&Edit", "Opens; then edits", IcoFile, 0);
    TDynamicSubMenu* S = SubMenu(T, "Tools", "More tools", Shell32, 3);
    Item(S->GetItems(), "C:\\Tools\\print.exe", "\"%1\" /p", "Print", "", PngFile, 0, false);
    Item(S->GetItems(), Notepad, "%1", "Notepad", "Opens in Notepad", Notepad, 0);
    Separator(T);
    Item(T, "C:\\a;b\\run.exe", "-x", "Run; twice", "", "", -1);
    TDynamicSubMenu* F = SubMenu(CategoryItems(M, Folder), "Folder tools", "", "", -1);
    Separator(F->GetItems());
    Item(F->GetItems(), "cmd.exe", "/k cd \"%1\"", "Open here", "", Shell32, 4);
  }

  std::string GoldenText() const {
    return Expand(Lines({"[Dynamic Items]",
                         "Parent1=0",
                         "Application1=C:\\Tools\\editor.exe",
                         "Parameters1=/n \"%1\"",
                         "Caption1=&Edit",
                         "Hint1=\"Opens; then edits\"",
                         "IconFile1={dir}\\item.ico",
                         "IconIndex1=0",
                         "Checked1=1",
                         "FileType1=txtfile",
                         "Parent2=0",
                         "Caption2=Tools",
                         "Checked2=1",
                         "FileType2=txtfile",
                         "Hint2=More tools",
                         "IconFile2={shell32}",
                         "IconIndex2=3",
                         "Submenu2=1",
                         "Parent3=2",
                         "Application3=C:\\Tools\\print.exe",
                         "Parameters3=\"%1\" /p",
                         "Caption3=Print",
                         "Hint3=",
                         "IconFile3={dir}\\picture.PNG",
                         "IconIndex3=0",
                         "Checked3=0",
                         "FileType3=txtfile",
                         "Parent4=2",
                         "Application4={notepad}",
                         "Parameters4=%1",
                         "Caption4=Notepad",
                         "Hint4=Opens in Notepad",
                         "IconFile4={notepad}",
                         "IconIndex4=0",
                         "Checked4=1",
                         "FileType4=txtfile",
                         "Parent5=0",
                         "IsSeparator5=1",
                         "Checked5=1",
                         "FileType5=txtfile",
                         "Parent6=0",
                         "Application6=\"C:\\a;b\\run.exe\"",
                         "Parameters6=-x",
                         "Caption6=\"Run; twice\"",
                         "Hint6=",
                         "IconFile6=",
                         "IconIndex6=-1",
                         "Checked6=1",
                         "FileType6=txtfile",
                         "Parent7=0",
                         "Caption7=Folder tools",
                         "Checked7=1",
                         "FileType7=Directory",
                         "Hint7=",
                         "IconFile7=",
                         "IconIndex7=-1",
                         "Submenu7=1",
                         "Parent8=7",
                         "IsSeparator8=1",
                         "Checked8=1",
                         "FileType8=Directory",
                         "Parent9=7",
                         "Application9=cmd.exe",
                         "Parameters9=/k cd \"%1\"",
                         "Caption9=Open here",
                         "Hint9=",
                         "IconFile9={shell32}",
                         "IconIndex9=4",
                         "Checked9=1",
                         "FileType9=Directory",
                         "Count=9"}));
  }

  void Save(TDynamicMenu& M, const std::string& FileName) {
    TCorvIniFile Ini(FileName);
    M.SaveToIni(Ini, Section);
    Ini.UpdateFile();
  }

  void Load(TDynamicMenu& M, TReader Reader, const std::string& FileName) {
    std::unique_ptr<TCustomIniFile> Ini = OpenIni(Reader, FileName);
    M.LoadFromIni(*Ini, Section);
  }

  int BodyCount = 0;

  // Loads the section Body (lines after the header) through Reader into a fresh menu.
  std::unique_ptr<TDynamicMenu> LoadBody(TReader Reader, const std::vector<std::string>& Body) {
    // A name of its own per load: the profile API caches files by name.
    const std::string FileName = Dir.File("body" + std::to_string(++BodyCount) + ".ini");
    std::vector<std::string> All{"[Dynamic Items]"};
    for (const std::string& L : Body) All.push_back(Expand(L));
    WriteFileText(FileName, Lines(All));
    auto M = std::make_unique<TDynamicMenu>(&Types);
    Load(*M, Reader, FileName);
    return M;
  }
};

// ---------------------------------------------------------------------------------------------
// Golden file: save, load, save again, both readers

TEST_F(DynamicMenuTest, SavesTheExactSectionText) {
  BuildGoldenMenu(*Menu);
  Menu->ErrorLog()->Add("an old line");
  const std::string FileName = Dir.File("golden.ini");
  Save(*Menu, FileName);
  EXPECT_EQ(ReadFileText(FileName), GoldenText());
  EXPECT_FALSE(Menu->Modified());
  EXPECT_EQ(Menu->ErrorLog()->Count(), 0);
  // The numbers of the save, in pre-order.
  std::vector<int> Numbers;
  std::function<void(TTreeItems*)> Collect = [&](TTreeItems* Items) {
    for (int I = 0; I < Items->Count(); ++I) {
      if (auto* D = dynamic_cast<TDynamicMenuItem*>(Items->GetItem(I))) Numbers.push_back(D->SaveNumber());
      Collect(Items->GetItem(I)->Items());
    }
  };
  Collect(Menu->Items());
  EXPECT_EQ(Numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(DynamicMenuTest, LoadingTheGoldenTextAndSavingAgainReproducesItByteForByte) {
  const std::string Golden = Dir.File("golden.ini");
  WriteFileText(Golden, GoldenText());
  Load(*Menu, rdCorvIni, Golden);
  EXPECT_EQ(LogLines(*Menu), std::vector<std::string>{});
  EXPECT_FALSE(Menu->Modified());
  const std::string Again = Dir.File("again.ini");
  Save(*Menu, Again);
  EXPECT_EQ(ReadFileText(Again), GoldenText());
  // Loading wrote nothing.
  EXPECT_EQ(ReadFileText(Golden), GoldenText());
}

TEST_F(DynamicMenuTest, BothReadersGiveTheTreeThatWasSaved) {
  TDynamicMenu Built(&Types);
  BuildGoldenMenu(Built);
  const std::string FileName = Dir.File("golden.ini");
  Save(Built, FileName);
  Built.ExpandAll();
  const std::vector<std::string> Expected = FullDump(Built);

  for (TReader Reader : {rdCorvIni, rdProfile}) {
    SCOPED_TRACE(ReaderName(Reader));
    TDynamicMenu Loaded(&Types);
    Load(Loaded, Reader, FileName);
    EXPECT_EQ(FullDump(Loaded), Expected);
    EXPECT_EQ(LogLines(Loaded), std::vector<std::string>{});
    EXPECT_FALSE(Loaded.Modified());
    EXPECT_EQ(Loaded.Focused(), Loaded.Items()->GetItem(0));
  }
}

TEST_F(DynamicMenuTest, LoadedItemsCarryTheirIconsAndSeparatorsTheirDashes) {
  const std::string FileName = Dir.File("golden.ini");
  WriteFileText(FileName, GoldenText());
  Load(*Menu, rdCorvIni, FileName);
  TTreeItems* T = Menu->Items()->GetItem(0)->Items();
  ASSERT_EQ(T->Count(), 4);
  auto* A = dynamic_cast<TDynamicMenuItem*>(T->GetItem(0));
  auto* S = dynamic_cast<TDynamicSubMenu*>(T->GetItem(1));
  auto* D = dynamic_cast<TDynamicMenuItem*>(T->GetItem(2));
  ASSERT_TRUE(A && S && D);
  ASSERT_EQ(S->Items()->Count(), 2);
  auto* B = dynamic_cast<TDynamicMenuItem*>(S->Items()->GetItem(0));
  auto* C = dynamic_cast<TDynamicMenuItem*>(S->Items()->GetItem(1));

  // Icon file, library, program: the small icon as the platform extracts it.
  const struct {
    TDynamicMenuItem* Item;
    std::string File;
    int Index;
  } Icons[] = {{A, IcoFile, 0}, {S, Shell32, 3}, {C, Notepad, 0}};
  for (const auto& Case : Icons) {
    SCOPED_TRACE(Case.File);
    auto* Icon = dynamic_cast<TIcon*>(Case.Item->Icon());
    ASSERT_NE(Icon, nullptr);
    EXPECT_TRUE(Icon->HandleAllocated());
    const SIZE Size = SmallIconSize(Case.File, Case.Index);
    EXPECT_EQ(Icon->Width(), Size.cx);
    EXPECT_EQ(Icon->Height(), Size.cy);
  }
  // ".PNG" in any case is a PNG picture, loaded whole.
  auto* Png = dynamic_cast<TPNGObject*>(B->Icon());
  ASSERT_NE(Png, nullptr);
  ASSERT_EQ(Png->Width(), 20);
  ASSERT_EQ(Png->Height(), 12);
  EXPECT_EQ(Png->Pixel(7, 5), PngPixel(7, 5));
  EXPECT_FALSE(B->Checked());

  EXPECT_TRUE(D->IsSeparator());
  EXPECT_EQ(D->Caption(), std::string(18, '\x97'));
  EXPECT_EQ(D->IconIndex(), -1);
  EXPECT_EQ(D->Application(), "");
  EXPECT_EQ(D->Parameters(), "");
  EXPECT_TRUE(D->Icon()->Empty());
}

TEST_F(DynamicMenuTest, SavingRewritesOnlyItsOwnSection) {
  const std::string FileName = Dir.File("shared.ini");
  WriteFileText(FileName, Lines({"[Corvane]", "Left=10", "", "[Dynamic Items]", "Count=7", "Caption1=old", "",
                                 "[Custom-drawn Menu Properties]", "Enabled=True"}));
  Separator(CategoryItems(*Menu, Folder));
  Save(*Menu, FileName);
  EXPECT_EQ(ReadFileText(FileName),
            Lines({"[Corvane]", "Left=10", "", "[Custom-drawn Menu Properties]", "Enabled=True", "", "[Dynamic Items]",
                   "Parent1=0", "IsSeparator1=1", "Checked1=1", "FileType1=Directory", "Count=1"}));
}

// ---------------------------------------------------------------------------------------------
// Values the readers could change

TEST_F(DynamicMenuTest, SemicolonsSurviveASaveAndAReloadThroughBothReaders) {
  Item(CategoryItems(*Menu, Text), "C:\\x;y\\app.exe", "a;b \"%1\"", "One; two", "Hint; more", "", -1);
  const std::string FileName = Dir.File("semicolons.ini");
  Save(*Menu, FileName);
  for (TReader Reader : {rdCorvIni, rdProfile}) {
    SCOPED_TRACE(ReaderName(Reader));
    TDynamicMenu Loaded(&Types);
    Load(Loaded, Reader, FileName);
    auto* L = dynamic_cast<TDynamicMenuItem*>(Loaded.Items()->GetItem(0)->Items()->GetItem(0));
    ASSERT_NE(L, nullptr);
    EXPECT_EQ(L->Application(), "C:\\x;y\\app.exe");
    EXPECT_EQ(L->Parameters(), "a;b \"%1\"");
    EXPECT_EQ(L->Caption(), "One; two");
    EXPECT_EQ(L->Hint(), "Hint; more");
  }
}

TEST_F(DynamicMenuTest, DefaultParametersSurviveSaveLoadSaveByteForByte) {
  TDynamicMenuItem* I = CategoryItems(*Menu, Text)->AddItem();
  ASSERT_EQ(I->Parameters(), "\"%1\"");
  const std::string First = Dir.File("defaults.ini");
  Save(*Menu, First);
  const std::string Expected = Lines({"[Dynamic Items]", "Parent1=0", "Application1=", "Parameters1='\"%1\"'",
                                      "Caption1=new item", "Hint1=", "IconFile1=", "IconIndex1=0", "Checked1=1",
                                      "FileType1=txtfile", "Count=1"});
  EXPECT_EQ(ReadFileText(First), Expected);
  for (TReader Reader : {rdCorvIni, rdProfile}) {
    SCOPED_TRACE(ReaderName(Reader));
    TDynamicMenu Loaded(&Types);
    Load(Loaded, Reader, First);
    auto* L = dynamic_cast<TDynamicMenuItem*>(Loaded.Items()->GetItem(0)->Items()->GetItem(0));
    ASSERT_NE(L, nullptr);
    EXPECT_EQ(L->Parameters(), "\"%1\"");
    const std::string Again = Dir.File(std::string("again-") + ReaderName(Reader) + ".ini");
    Save(Loaded, Again);
    EXPECT_EQ(ReadFileText(Again), Expected);
  }
}

// ---------------------------------------------------------------------------------------------
// Problems in a section: each is logged, every other item loads

// The log line of an item whose "Parent" names no usable submenu.
std::string ParentLine(const std::string& Caption, const std::string& Category) {
  return "Invalid value of \"Parent\" property for " + Caption + " menu item. Moved to the top level of category \"" +
         Category + "\".";
}

struct TLoadCase {
  const char* Name;
  std::vector<std::string> Body;
  std::string Tree;  // DumpMenu of the loaded menu
  std::vector<std::string> Log;
};

TEST_F(DynamicMenuTest, SectionProblemsAreLoggedAndTheOtherItemsLoad) {
  const std::vector<TLoadCase> Cases = {
      {"unknown file type",
       {"Count=2", "Parent1=0", "Caption1=Lost", "Checked1=1", "FileType1=nosuch", "Parent2=0", "Caption2=Kept",
        "Checked2=1", "FileType2=txtfile"},
       "*:[Lost],txtfile:[Kept]",
       {"File type \"nosuch\" not found. Menu item \"Lost\" moved to category \"All files\"."}},
      {"parent names a plain item",
       {"Count=4", "Parent1=0", "Caption1=Plain", "Checked1=1", "FileType1=txtfile", "Parent2=1", "Caption2=Child",
        "Checked2=1", "FileType2=txtfile", "Parent3=1", "Caption3=Sub", "Submenu3=1", "Checked3=1", "FileType3=txtfile",
        "Parent4=0", "Caption4=After", "Checked4=1", "FileType4=txtfile"},
       "txtfile:[Plain,Child,Sub,After]",
       {ParentLine("Child", "Text Document"), ParentLine("Sub", "Text Document")}},
      {"parent names a separator, a later item and no item",
       {"Count=4", "Parent1=0", "IsSeparator1=1", "Checked1=1", "FileType1=Directory", "Parent2=1", "Caption2=UnderSep",
        "Checked2=1", "FileType2=Directory", "Parent3=4", "Caption3=Early", "Checked3=1", "FileType3=Directory",
        "Parent4=-2", "Caption4=Nowhere", "Submenu4=1", "Checked4=1", "FileType4=Directory"},
       "Directory:[" + std::string(18, '\x97') + ",UnderSep,Early,Nowhere]",
       {ParentLine("UnderSep", "File folders"), ParentLine("Early", "File folders"),
        ParentLine("Nowhere", "File folders")}},
      {"parent is a submenu of another file type: the child goes to its own type silently",
       {"Count=3", "Parent1=0", "Caption1=Sub", "Submenu1=1", "Checked1=1", "FileType1=Directory", "Parent2=1",
        "Caption2=Inside", "Checked2=1", "FileType2=Directory", "Parent3=1", "Caption3=Other", "Checked3=1",
        "FileType3=TXTFILE"},
       "txtfile:[Other],Directory:[Sub[Inside]]",
       {}},
      {"missing icon file",
       {"Count=2", "Parent1=0", "Caption1=Broken", "IconFile1={dir}\\missing.ico", "IconIndex1=2", "Checked1=1",
        "FileType1=txtfile", "Parent2=0", "Caption2=Fine", "IconFile2={dir}\\item.ico", "IconIndex2=0", "Checked2=1",
        "FileType2=txtfile"},
       "txtfile:[Broken,Fine]",
       {"Can not load icon 2 from file \"{dir}\\missing.ico\" for Broken menu item. Its icon index is kept."}},
      {"unreadable PNG and missing icon of a submenu",
       {"Count=2", "Parent1=0", "Caption1=BadPng", "IconFile1={dir}\\bad.png", "IconIndex1=0", "Checked1=1",
        "FileType1=txtfile", "Parent2=0", "Caption2=Sub", "Submenu2=1", "IconFile2={dir}\\gone.dll", "IconIndex2=7",
        "Checked2=1", "FileType2=txtfile"},
       "txtfile:[BadPng,Sub]",
       {"Can not load icon 0 from file \"{dir}\\bad.png\" for BadPng menu item. Its icon index is kept.",
        "Can not load icon 7 from file \"{dir}\\gone.dll\" for Sub menu item. Its icon index is kept."}},
      {"bad Checked values",
       {"Count=3", "Parent1=0", "Caption1=Five", "Checked1=5", "FileType1=txtfile", "Parent2=0", "Caption2=Minus",
        "Checked2=-1", "FileType2=txtfile", "Parent3=0", "Caption3=Good", "Checked3=1", "FileType3=txtfile"},
       "txtfile:[Five,Minus,Good]",
       {"Invalid value of \"Checked\" property for Five menu item. Set to \"False\".",
        "Invalid value of \"Checked\" property for Minus menu item. Set to \"False\"."}},
      {"an item without file type is skipped silently",
       {"Count=3", "Parent1=0", "Caption1=NoType", "Checked1=1", "Parent2=0", "Caption2=Typed", "Checked2=1",
        "FileType2=txtfile", "Parent3=1", "Caption3=ChildOfSkipped", "Checked3=1", "FileType3=txtfile"},
       "txtfile:[Typed,ChildOfSkipped]",
       {ParentLine("ChildOfSkipped", "Text Document")}},
  };
  for (const TLoadCase& Case : Cases) {
    for (TReader Reader : {rdCorvIni, rdProfile}) {
      SCOPED_TRACE(std::string(Case.Name) + " / " + ReaderName(Reader));
      std::unique_ptr<TDynamicMenu> M = LoadBody(Reader, Case.Body);
      EXPECT_EQ(DumpMenu(*M), Case.Tree);
      std::vector<std::string> Log;
      for (const std::string& L : Case.Log) Log.push_back(Expand(L));
      EXPECT_EQ(LogLines(*M), Log);
      // A load that logged something leaves the menu to be saved; the save keeps every item.
      EXPECT_EQ(M->Modified(), !Log.empty());
      const std::string Saved = Dir.File("saved" + std::to_string(++BodyCount) + ".ini");
      Save(*M, Saved);
      TDynamicMenu Again(&Types);
      Load(Again, rdCorvIni, Saved);
      EXPECT_EQ(DumpMenu(Again), Case.Tree);
    }
  }
}

TEST_F(DynamicMenuTest, AnIconThatFailsToLoadKeepsItsIndexForTheNextSave) {
  std::unique_ptr<TDynamicMenu> M = LoadBody(
      rdCorvIni, {"Count=1", "Parent1=0", "Application1=a.exe", "Parameters1=%1", "Caption1=Broken",
                  "Hint1=", "IconFile1={dir}\\missing.ico", "IconIndex1=2", "Checked1=1", "FileType1=txtfile"});
  auto* I = dynamic_cast<TDynamicMenuItem*>(M->Items()->GetItem(0)->Items()->GetItem(0));
  ASSERT_NE(I, nullptr);
  EXPECT_EQ(I->IconIndex(), 2);
  EXPECT_TRUE(I->Icon()->Empty());
  const std::string FileName = Dir.File("resaved.ini");
  Save(*M, FileName);
  EXPECT_EQ(ReadFileText(FileName),
            Expand(Lines({"[Dynamic Items]", "Parent1=0", "Application1=a.exe", "Parameters1=%1", "Caption1=Broken",
                          "Hint1=", "IconFile1={dir}\\missing.ico", "IconIndex1=2", "Checked1=1", "FileType1=txtfile",
                          "Count=1"})));
}

TEST_F(DynamicMenuTest, MissingKeysTakeCorvanesDefaults) {
  // No IconIndex: the first icon of the file; no Checked: inactive; no Parameters: empty.
  std::unique_ptr<TDynamicMenu> M =
      LoadBody(rdCorvIni, {"Count=3", "Caption1=First", "IconFile1={dir}\\item.ico", "FileType1=txtfile",
                           "IsSeparator2=256", "Caption2=NotSeparator", "FileType2=txtfile", "IsSeparator3=2",
                           "Caption3=Separator", "FileType3=txtfile"});
  TTreeItems* T = M->Items()->GetItem(0)->Items();
  ASSERT_EQ(T->Count(), 3);
  auto* First = dynamic_cast<TDynamicMenuItem*>(T->GetItem(0));
  EXPECT_EQ(First->IconIndex(), 0);
  EXPECT_FALSE(First->Icon()->Empty());
  EXPECT_FALSE(First->Checked());
  EXPECT_EQ(First->Parameters(), "");
  EXPECT_EQ(First->Application(), "");
  EXPECT_FALSE(dynamic_cast<TDynamicMenuItem*>(T->GetItem(1))->IsSeparator());
  EXPECT_TRUE(dynamic_cast<TDynamicMenuItem*>(T->GetItem(2))->IsSeparator());
  EXPECT_EQ(LogLines(*M), std::vector<std::string>{});
}

TEST_F(DynamicMenuTest, AnEmptySectionGivesAnEmptyMenu) {
  for (const std::vector<std::string>& Body :
       {std::vector<std::string>{"Count=0", "Caption1=ignored", "FileType1=txtfile"}, std::vector<std::string>{}}) {
    std::unique_ptr<TDynamicMenu> M = LoadBody(rdCorvIni, Body);
    EXPECT_EQ(M->Items()->Count(), 0);
    EXPECT_EQ(M->Focused(), nullptr);
    EXPECT_FALSE(M->Modified());
  }
}

TEST_F(DynamicMenuTest, LoadingReplacesTheTreeWithOneChange) {
  Separator(CategoryItems(*Menu, Folder));
  const std::string FileName = Dir.File("golden.ini");
  WriteFileText(FileName, GoldenText());
  int Changes = 0, Added = 0, FocusChanges = 0;
  Menu->OnChange = [&](TObject*, TTreeItems*, TTreeItem*) { ++Changes; };
  Menu->OnItemAdded = [&](TObject*, TTreeItem*) { ++Added; };
  Menu->OnFocusChange = [&](TObject*) { ++FocusChanges; };
  Load(*Menu, rdCorvIni, FileName);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Added, 0);
  EXPECT_EQ(FocusChanges, 1);
  ASSERT_EQ(Menu->Items()->Count(), 2);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[&Edit,Tools[Print,Notepad]," + std::string(18, '\x97') +
                                 ",Run; twice],Directory:[Folder tools[" + std::string(18, '\x97') + ",Open here]]");
  EXPECT_FALSE(Menu->Modified());
}

TEST_F(DynamicMenuTest, WithoutFileTypesLoadAndSaveRaiseAndChangeNothing) {
  Separator(CategoryItems(*Menu, Folder));
  const std::string FileName = Dir.File("golden.ini");
  WriteFileText(FileName, GoldenText());
  TFileTypes Empty(nullptr);
  for (TFileTypes* List : {static_cast<TFileTypes*>(nullptr), &Empty}) {
    Menu->SetFileTypes(List);
    TCorvIniFile Ini(FileName);
    EXPECT_EQ(MessageOf([&] { Menu->LoadFromIni(Ini, Section); }), "FileTypes property not set or empty");
    EXPECT_EQ(MessageOf([&] { Menu->SaveToIni(Ini, Section); }), "FileTypes property not set or empty");
    EXPECT_FALSE(Ini.Modified());
  }
  Menu->SetFileTypes(&Types);
  EXPECT_EQ(DumpMenu(*Menu), "Directory:[" + std::string(18, '\x97') + "]");
  EXPECT_EQ(ReadFileText(FileName), GoldenText());
}

// ---------------------------------------------------------------------------------------------
// Items, separators, icons

TEST_F(DynamicMenuTest, ANewItemHasTheDefaults) {
  TDynamicMenuItem* I = Menu->GetItems()->AddItem();
  EXPECT_EQ(I->GetFileType(), AllFiles);
  EXPECT_EQ(I->Caption(), "new item");
  EXPECT_EQ(I->Parameters(), "\"%1\"");
  EXPECT_TRUE(I->Checked());
  EXPECT_FALSE(I->IsSeparator());
  EXPECT_EQ(I->IconIndex(), 0);
  EXPECT_EQ(Picture(I->Icon()), "ico empty");
  TDynamicSubMenu* S = Menu->GetItems()->AddSubMenu();
  EXPECT_EQ(S->GetFileType(), AllFiles);
  EXPECT_FALSE(Menu->GetItems()->SubMenu());
}

TEST_F(DynamicMenuTest, SeparatorsClearTheirTextsAndKeepTheDashesWhenTurnedBack) {
  TDynamicMenuItem* I = Item(CategoryItems(*Menu, Text), "a.exe", "%1", "Caption", "Hint", IcoFile, 0);
  ASSERT_FALSE(I->Icon()->Empty());
  I->SetModified(false);
  int Changes = 0;
  Menu->OnItemChange = [&](TObject*, TTreeItem*) { ++Changes; };
  I->SetIsSeparator(true);
  EXPECT_TRUE(I->IsSeparator());
  EXPECT_EQ(I->Caption(), std::string(18, '\x97'));
  EXPECT_EQ(I->Application() + I->Parameters() + I->Hint() + I->IconFile(), "");
  EXPECT_EQ(I->IconIndex(), -1);
  EXPECT_TRUE(I->Icon()->Empty());
  EXPECT_TRUE(I->Modified());
  // Caption, application, parameters and hint, then the item itself.
  EXPECT_EQ(Changes, 5);
  I->SetIsSeparator(false);
  EXPECT_FALSE(I->IsSeparator());
  EXPECT_EQ(I->Caption(), std::string(18, '\x97'));
  EXPECT_EQ(Changes, 6);
  I->SetIsSeparator(false);
  EXPECT_EQ(Changes, 6);
}

TEST_F(DynamicMenuTest, IconIndexLoadsTheIconOrKeepsTheOldIndex) {
  TDynamicMenuItem* I = CategoryItems(*Menu, Text)->AddItem();
  int Changes = 0;
  Menu->OnItemChange = [&](TObject*, TTreeItem*) { ++Changes; };

  // A new file: index -1, an empty icon, no event.
  I->SetIconFile(Shell32);
  EXPECT_EQ(I->IconIndex(), -1);
  EXPECT_EQ(Picture(I->Icon()), "ico empty");
  EXPECT_EQ(Changes, 0);

  I->SetIconIndex(3);
  EXPECT_EQ(I->IconIndex(), 3);
  EXPECT_FALSE(I->Icon()->Empty());
  EXPECT_EQ(Changes, 1);

  // An index the file does not have: no picture, the index stays.
  I->SetIconIndex(IconCount(Shell32) + 100);
  EXPECT_EQ(I->IconIndex(), 3);
  EXPECT_TRUE(I->Icon()->Empty());
  EXPECT_EQ(Changes, 1);

  // No icon.
  I->SetIconIndex(-1);
  EXPECT_EQ(I->IconIndex(), -1);
  EXPECT_EQ(Changes, 2);

  // A PNG by its extension, in any case; any index of 0 or more loads the whole file.
  I->SetIconFile(PngFile);
  I->SetIconIndex(5);
  EXPECT_EQ(Picture(I->Icon()), "png 20x12");
  EXPECT_EQ(I->IconIndex(), 5);

  // Without a file the index is taken as it is.
  I->SetIconFile("");
  EXPECT_EQ(Picture(I->Icon()), "ico empty");
  I->SetIconIndex(2);
  EXPECT_EQ(I->IconIndex(), 2);
  EXPECT_TRUE(I->Icon()->Empty());
}

TEST_F(DynamicMenuTest, ExtractItemIconRaisesForAMissingFileAndReturnsTheAskedSize) {
  EXPECT_EQ(MessageOf([&] { TDynamicMenuItem::ExtractItemIcon(Dir.File("nothing.ico"), 0, true); }),
            "Error extracting icon from file");
  for (bool Small : {true, false}) {
    HICON Large = nullptr, SmallIcon = nullptr;
    ASSERT_GE(ExtractIconExA(IcoFile.c_str(), 0, &Large, &SmallIcon, 1), 1u);
    TIcon Expected, Got;
    Expected.SetHandle(Small ? SmallIcon : Large);
    DestroyIcon(Small ? Large : SmallIcon);
    Got.SetHandle(TDynamicMenuItem::ExtractItemIcon(IcoFile, 0, Small));
    EXPECT_EQ(Got.Width(), Expected.Width()) << Small;
    EXPECT_EQ(Got.Height(), Expected.Height()) << Small;
  }
}

// ---------------------------------------------------------------------------------------------
// Submenus, the factory, copies

TEST_F(DynamicMenuTest, ASubmenuSwitchesItsWholeBranch) {
  TDynamicSubMenu* S = SubMenu(CategoryItems(*Menu, Text), "S", "", "", -1);
  TDynamicSubMenu* Inner = SubMenu(S->GetItems(), "Inner", "", "", -1);
  TDynamicMenuItem* A = S->GetItems()->AddItem();
  TDynamicMenuItem* B = Inner->GetItems()->AddItem();
  S->SetChecked(false);
  EXPECT_FALSE(S->Checked() || Inner->Checked() || A->Checked() || B->Checked());
  A->SetChecked(true);
  S->SetChecked(true);
  EXPECT_TRUE(S->Checked() && Inner->Checked() && A->Checked() && B->Checked());
}

TEST_F(DynamicMenuTest, TheFactoryRefusesChildrenOfPlainItems) {
  TDynamicMenuItem* Plain = CategoryItems(*Menu, Text)->AddItem();
  TDynamicMenuItems* Below = Plain->GetItems();
  ASSERT_NE(Below, nullptr);
  EXPECT_EQ(MessageOf([&] { Below->AddItem(); }), "Can not add subitem for an menu item");
  EXPECT_EQ(MessageOf([&] { Below->AddSubMenu(); }), "Can not add subitem for an menu item");
  EXPECT_FALSE(Below->SubMenu());
  EXPECT_EQ(Below->Count(), 0);
  // A separator is a plain item too.
  Plain->SetIsSeparator(true);
  EXPECT_EQ(MessageOf([&] { Below->AddItem(); }), "Can not add subitem for an menu item");
}

TEST_F(DynamicMenuTest, CopyingASubmenuCopiesItsChildrenAndAPlainItemNone) {
  TDynamicMenuItems* T = CategoryItems(*Menu, Text);
  TDynamicSubMenu* S = SubMenu(T, "S", "sub hint", Shell32, 3);
  Item(S->GetItems(), "a.exe", "-a", "A", "ha", IcoFile, 0, false);
  TDynamicSubMenu* Inner = SubMenu(S->GetItems(), "Inner", "", "", -1);
  Separator(Inner->GetItems());
  TDynamicMenuItem* Plain = Item(T, "p.exe", "-p", "P", "hp", PngFile, 0);

  Separator(CategoryItems(*Menu, Folder));
  TCustomFileTypeCategory* FolderCategory = Menu->GetItems()->FindCategory(Folder);
  S->MoveTo(FolderCategory, 1, false);
  Plain->MoveTo(FolderCategory, 2, false);

  std::vector<std::string> Original, Copies;
  DumpItems(Menu->Items()->GetItem(0)->Items(), 0, Original);
  DumpItems(FolderCategory->Items(), 0, Copies);
  ASSERT_EQ(Copies.size(), Original.size() + 1);
  Copies.erase(Copies.begin());  // the separator that was there
  EXPECT_EQ(Copies, Original);
  // The copy of a plain item gets no children even when given a submenu to copy.
  TDynamicMenuItem* PlainCopy = dynamic_cast<TDynamicMenuItem*>(FolderCategory->Items()->GetItem(2));
  PlainCopy->Assign(S);
  EXPECT_EQ(PlainCopy->Items()->Count(), 0);
  EXPECT_EQ(PlainCopy->Caption(), "S");
  // A submenu takes no plain item; a plain item takes nothing else.
  const std::string Before = DumpMenu(*Menu);
  Inner->Assign(Plain);
  TStoreInfo Other;
  Plain->Assign(&Other);
  EXPECT_EQ(DumpMenu(*Menu), Before);
}

TEST_F(DynamicMenuTest, CopyingASubmenuIntoItsOwnSubtreeEnds) {
  TDynamicSubMenu* S = SubMenu(CategoryItems(*Menu, Text), "S", "", "", -1);
  TDynamicSubMenu* Inner = SubMenu(S->GetItems(), "Inner", "", "", -1);
  Inner->GetItems()->AddItem()->SetCaption("Leaf");
  S->MoveTo(Inner, 0, false);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[S[Inner[S[Inner],Leaf]]]");
  // A submenu assigned from its own child.
  S->Assign(Inner);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[Inner[S[Inner],Leaf]]");
}

}  // namespace

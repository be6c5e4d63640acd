// The shell's menu built from section "Dynamic Items": the item tree of the selection's class,
// identifiers and positions, the owner-draw choice, icons, the identifier limits, help texts, the
// submenus' ownership, and INI files that make no sense.
#include "tests/shellext/MenuFixture.h"

#include "classlib/core/PngImage.h"
#include "tests/helpers/MessageBoxWatcher.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace shellhost;

namespace {

using TKeys = TMenuIni::TKeys;

std::string Upper(std::string S) {
  for (char& C : S) C = static_cast<char>(toupper(static_cast<unsigned char>(C)));
  return S;
}

// The help text of an offset, "<HRESULT>" when the call fails.
std::string HelpText(IContextMenu3* Menu, UINT_PTR Offset) {
  char Buffer[512] = "untouched";
  const HRESULT R = Menu->GetCommandString(Offset, GCS_HELPTEXTA, nullptr, Buffer, sizeof(Buffer));
  return R == S_OK ? std::string(Buffer) : "<" + std::to_string(static_cast<unsigned>(R)) + ">";
}

class MenuBuild : public MenuTest {};

TEST_F(MenuBuild, InsertsTheItemsOfTheClassWithConsecutiveIdentifiers) {
  std::string Class;
  HKEY Key = NewClass("Build", Class);
  ASSERT_NE(Key, nullptr);
  TMenuIni Ini;
  Ini.Add({{"Parent", "0"}, {"Caption", "Sub"}, {"Checked", "1"}, {"FileType", Class}, {"Hint", "sub hint"},
           {"IconFile", ""}, {"IconIndex", "-1"}, {"Submenu", "1"}});
  Ini.Add({{"Parent", "1"}, {"Application", "C:\\a.exe"}, {"Caption", "Child"}, {"Hint", "child hint"},
           {"FileType", Class}});
  Ini.Add({{"Parent", "1"}, {"IsSeparator", "1"}, {"Checked", "1"}, {"FileType", Class}});
  Ini.Add({{"Parent", "0"}, {"Caption", "Star"}, {"Hint", "star hint"}, {"FileType", "*"}});
  Ini.Add({{"Caption", "Plain A"}, {"Hint", "a hint"}, {"FileType", Class}});
  Ini.Add({{"Parent", "4"}, {"Caption", "Plain B"}, {"FileType", Class}});  // its parent is of another class
  Ini.Add({{"Parent", "99"}, {"Caption", "Plain C"}, {"Checked", "0"}, {"FileType", Class}});  // no such item
  Ini.Add({{"Parent", "9"}, {"Caption", "Later parent"}, {"FileType", Class}});  // its parent comes later
  Ini.Add({{"Caption", "Lonely submenu"}, {"Submenu", "1"}, {"FileType", Class}});  // no children
  Ini.Add({{"Caption", "Other case"}, {"FileType", Upper(Class)}});
  Prepare(Ini);

  TComPtr<IContextMenu3> Menu = Open(Key);
  ASSERT_TRUE(Menu);
  TPopupMenu Shell;
  AppendMenuA(Shell, MF_STRING, 1, "first");
  AppendMenuA(Shell, MF_STRING, 2, "last");
  EXPECT_EQ(Menu->QueryContextMenu(Shell, 1, 100, 200, CMF_NORMAL), CountResult(8));
  const std::vector<TMenuEntry> Top = MenuEntries(Shell);
  const struct {
    UINT Identifier;
    const char* Text;
    bool Sub;
  } Expected[] = {{1, "first", false},         {100, "Sub", true},         {103, "Plain A", false},
                  {104, "Plain B", false},     {105, "Plain C", false},    {106, "Later parent", false},
                  {107, "Lonely submenu", false}, {2, "last", false}};
  ASSERT_EQ(Top.size(), std::size(Expected));
  for (size_t I = 0; I < Top.size(); ++I) {
    SCOPED_TRACE(Expected[I].Text);
    EXPECT_EQ(Top[I].Identifier, Expected[I].Identifier);
    EXPECT_EQ(Top[I].Text, Expected[I].Text);
    EXPECT_EQ(Top[I].Type, static_cast<UINT>(MFT_STRING));
    EXPECT_EQ(Top[I].SubMenu != nullptr, Expected[I].Sub);
    EXPECT_EQ(Top[I].Checked, nullptr);
  }
  const std::vector<TMenuEntry> Sub = MenuEntries(Top[1].SubMenu);
  ASSERT_EQ(Sub.size(), 2u);
  EXPECT_EQ(Sub[0].Identifier, 101u);
  EXPECT_EQ(Sub[0].Text, "Child");
  EXPECT_EQ(Sub[0].Type, static_cast<UINT>(MFT_STRING));
  EXPECT_EQ(Sub[1].Identifier, 102u);
  EXPECT_EQ(Sub[1].Type, static_cast<UINT>(MFT_SEPARATOR));

  const std::vector<std::string> Hints = {"sub hint", "child hint", "", "a hint", "", "", "", ""};
  for (UINT Offset = 0; Offset < Hints.size(); ++Offset) EXPECT_EQ(HelpText(Menu.Get(), Offset), Hints[Offset]);

  // A selection of no listed class gets the items of class "*", here appended at the end.
  TComPtr<IContextMenu3> Star = Open(nullptr);
  ASSERT_TRUE(Star);
  TPopupMenu Other;
  AppendMenuA(Other, MF_STRING, 1, "first");
  EXPECT_EQ(Star->QueryContextMenu(Other, static_cast<UINT>(-1), 7, 200, CMF_NORMAL), CountResult(1));
  const std::vector<TMenuEntry> StarItems = MenuEntries(Other);
  ASSERT_EQ(StarItems.size(), 2u);
  EXPECT_EQ(StarItems[1].Identifier, 7u);
  EXPECT_EQ(StarItems[1].Text, "Star");
  EXPECT_EQ(HelpText(Star.Get(), 0), "star hint");
}

TEST_F(MenuBuild, DefaultOnlyInsertsNothingAndKeepsTheIdentifiers) {
  std::string Class;
  HKEY Key = NewClass("DefaultOnly", Class);
  ASSERT_NE(Key, nullptr);
  TMenuIni Ini;
  Ini.Add({{"Caption", "One"}, {"Hint", "one"}, {"FileType", Class}});
  Ini.Add({{"Caption", "Two"}, {"Hint", "two"}, {"FileType", Class}});
  Prepare(Ini);
  TComPtr<IContextMenu3> Menu = Open(Key);
  ASSERT_TRUE(Menu);
  TPopupMenu Shell;
  EXPECT_EQ(Menu->QueryContextMenu(Shell, 0, 1, 100, CMF_DEFAULTONLY), S_OK);
  EXPECT_EQ(GetMenuItemCount(Shell), 0);
  EXPECT_EQ(Menu->QueryContextMenu(Shell, 0, 20, 100, CMF_NORMAL | CMF_EXPLORE), CountResult(2));
  EXPECT_EQ(Menu->QueryContextMenu(Shell, 0, 50, 100, CMF_DEFAULTONLY), S_OK);
  EXPECT_EQ(GetMenuItemCount(Shell), 2);
  // The identifiers of the last full build still answer.
  EXPECT_EQ(HelpText(Menu.Get(), 1), "two");
  EXPECT_EQ(Menu->GetCommandString(1, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(Menu->GetCommandString(2, GCS_VALIDATEA, nullptr, nullptr, 0), S_FALSE);
}

// Which items are owner-drawn: custom drawing on, the level, FirstLevelDefault, and BackgroundFix
// for the submenus of a folder background. System-drawn items carry their icon as check marks.
TEST_F(MenuBuild, OwnerDrawChoice) {
  TTempDir Files;
  const std::string Icon = Files.File("item.ico");
  const int Small = GetSystemMetrics(SM_CXSMICON);
  ASSERT_TRUE(WriteIco(Icon, HalfTransparent(Small, Small, 0x00FF00)));
  std::string Own;
  HKEY OwnKey = NewClass("OwnerDraw", Own);
  ASSERT_NE(OwnKey, nullptr);
  Classes.Guard("Directory");
  HKEY BackgroundKey = Classes.Create("Directory\\Background");
  ASSERT_NE(BackgroundKey, nullptr);

  enum { S, O };  // system-drawn string item, owner-drawn item
  const struct {
    bool Enabled, FirstLevelDefault, BackgroundFix, Background;
    int Plain, Sub, SubItem, SubSub, Deepest;
  } Cases[] = {
      {false, true, true, false, S, S, S, S, S}, {true, true, true, false, S, S, O, O, O},
      {true, false, true, false, O, O, O, O, O}, {true, false, true, true, O, S, O, S, O},
      {true, true, true, true, S, S, O, S, O},   {true, false, false, true, O, O, O, O, O},
      {false, false, true, true, S, S, S, S, S},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::string("Enabled=") + (C.Enabled ? "1" : "0") + " FirstLevelDefault=" +
                 (C.FirstLevelDefault ? "1" : "0") + " BackgroundFix=" + (C.BackgroundFix ? "1" : "0") +
                 (C.Background ? " background" : ""));
    const std::string Kind = C.Background ? "Directory\\Background" : Own;
    TMenuIni Ini;
    const TKeys WithIcon = {{"IconFile", Icon}, {"IconIndex", "0"}, {"FileType", Kind}};
    auto Item = [&](const std::string& Parent, const std::string& Caption) {
      TKeys Keys = WithIcon;
      Keys.push_back({"Parent", Parent});
      Keys.push_back({"Caption", Caption});
      return Ini.Add(Keys);
    };
    Item("0", "Plain");
    const int Sub = Item("0", "Sub");
    Item(std::to_string(Sub), "SubItem");
    const int SubSub = Item(std::to_string(Sub), "SubSub");
    Item(std::to_string(SubSub), "Deepest");
    Ini.Set("Custom-drawn Menu Properties", "Enabled", C.Enabled ? "True" : "False");
    Ini.Set("Custom-drawn Menu Properties", "FirstLevelDefault", C.FirstLevelDefault ? "True" : "False");
    Ini.Set("Custom-drawn Menu Properties", "BackgroundFix", C.BackgroundFix ? "True" : "False");
    Prepare(Ini);
    TComPtr<IContextMenu3> Menu = Open(C.Background ? BackgroundKey : OwnKey);
    ASSERT_TRUE(Menu);
    TPopupMenu Shell;
    ASSERT_EQ(Menu->QueryContextMenu(Shell, 0, 1, 100, CMF_NORMAL), CountResult(5));
    const std::vector<TMenuEntry> Top = MenuEntries(Shell);
    ASSERT_EQ(Top.size(), 2u);
    const std::vector<TMenuEntry> Second = MenuEntries(Top[1].SubMenu);
    ASSERT_EQ(Second.size(), 2u);
    const std::vector<TMenuEntry> Third = MenuEntries(Second[1].SubMenu);
    ASSERT_EQ(Third.size(), 1u);
    const struct {
      const TMenuEntry& Entry;
      int Drawn;
      const char* Name;
    } Checks[] = {{Top[0], C.Plain, "Plain"},
                  {Top[1], C.Sub, "Sub"},
                  {Second[0], C.SubItem, "SubItem"},
                  {Second[1], C.SubSub, "SubSub"},
                  {Third[0], C.Deepest, "Deepest"}};
    for (const auto& Check : Checks) {
      SCOPED_TRACE(Check.Name);
      EXPECT_EQ(Check.Entry.Type, static_cast<UINT>(Check.Drawn == O ? MFT_OWNERDRAW : MFT_STRING));
      EXPECT_EQ(Check.Entry.Text, Check.Name);  // owner-drawn items keep their text too
      if (Check.Drawn == S) {
        EXPECT_NE(Check.Entry.Checked, nullptr);
        EXPECT_EQ(Check.Entry.Unchecked, Check.Entry.Checked);
      } else {
        EXPECT_EQ(Check.Entry.Checked, nullptr);
        EXPECT_EQ(Check.Entry.Unchecked, nullptr);
      }
    }
  }
}

// Icons from icon files, programs and libraries, and PNG files: prepared at check-mark size on
// white; files that give no icon leave the item without one.
TEST_F(MenuBuild, LoadsIconsAtCheckMarkSize) {
  TTempDir Files;
  const int Small = GetSystemMetrics(SM_CXSMICON);
  const int Width = GetSystemMetrics(SM_CXMENUCHECK), Height = GetSystemMetrics(SM_CYMENUCHECK);
  const COLORREF White = RGB(255, 255, 255), Red = RGB(255, 0, 0), Blue = RGB(0, 0, 255);
  ASSERT_TRUE(WriteIco(Files.File("red.ico"), HalfTransparent(Small, Small, 0xFF0000)));
  ASSERT_TRUE(WritePng(Files.File("blue.png"), HalfTransparent(32, 32, 0x0000FF)));
  ASSERT_TRUE(WritePng(Files.File("UPPER.PNG"), HalfTransparent(8, 8, 0x0000FF)));
  ASSERT_TRUE(WriteFileText(Files.File("broken.png"), "not a picture"));
  ASSERT_TRUE(WriteMonochromeIco(Files.File("mono.ico"), HalfTransparent(Small, Small, 0x000000)));
  char System[MAX_PATH] = {};
  GetSystemDirectoryA(System, sizeof(System));
  const std::string Library = std::string(System) + "\\shell32.dll";
  HICON Large = nullptr, SmallIcon = nullptr;
  const UINT Extracted = ExtractIconExA(Library.c_str(), 0, &Large, &SmallIcon, 1);
  const bool LibraryHasIcon = (Extracted == 1 || Extracted == 2) && SmallIcon != nullptr;
  if (Extracted == 1 || Extracted == 2) {
    if (Large != nullptr) DestroyIcon(Large);
    if (SmallIcon != nullptr) DestroyIcon(SmallIcon);
  }
  // The error that loading the broken file raises, as the log names it.
  std::string BrokenError;
  try {
    TPNGObject Png;
    Png.LoadFromFile(Files.File("broken.png"));
  } catch (const Exception& E) {
    BrokenError = ClassNameOf(typeid(E)) + ", " + E.Message();
  }
  ASSERT_FALSE(BrokenError.empty());

  std::string Class;
  HKEY Key = NewClass("Icons", Class);
  ASSERT_NE(Key, nullptr);
  const struct {
    std::string Caption, File, Index;
    bool Icon;
    COLORREF Right;  // the check bitmap's right half; its left half is white
  } Cases[] = {
      {"ico", Files.File("red.ico"), "0", true, Red},
      {"monochrome ico", Files.File("mono.ico"), "0", true, RGB(0, 0, 0)},
      {"png", Files.File("blue.png"), "0", true, Blue},
      {"upper-case extension", Files.File("UPPER.PNG"), "3", true, Blue},
      {"png without index", Files.File("blue.png"), "-1", false, 0},
      {"broken png", Files.File("broken.png"), "0", false, 0},
      {"missing file", Files.File("missing.ico"), "0", false, 0},
      {"index out of range", Files.File("red.ico"), "5", false, 0},
      {"no index key", Files.File("red.ico"), "", false, 0},
      {"no file", "", "0", false, 0},
      {"library", Library, "0", LibraryHasIcon, CLR_INVALID},
  };
  TMenuIni Ini;
  for (const auto& C : Cases) {
    TKeys Keys = {{"Caption", C.Caption}, {"IconFile", C.File}, {"FileType", Class}};
    if (!C.Index.empty()) Keys.push_back({"IconIndex", C.Index});
    Ini.Add(Keys);
  }
  Ini.Set("Debug Options", "DebugLogging", "True");
  Prepare(Ini);
  {
    TComPtr<IContextMenu3> Menu = Open(Key);
    ASSERT_TRUE(Menu);
    TPopupMenu Shell;
    ASSERT_EQ(Menu->QueryContextMenu(Shell, 0, 1, 100, CMF_NORMAL), CountResult(std::size(Cases)));
    const std::vector<TMenuEntry> Items = MenuEntries(Shell);
    ASSERT_EQ(Items.size(), std::size(Cases));
    for (size_t I = 0; I < Items.size(); ++I) {
      const auto& C = Cases[I];
      SCOPED_TRACE(C.Caption);
      EXPECT_EQ(Items[I].Text, C.Caption);
      ASSERT_EQ(Items[I].Checked != nullptr, C.Icon);
      if (!C.Icon) continue;
      EXPECT_EQ(Items[I].Unchecked, Items[I].Checked);
      const SIZE Size = BitmapSize(Items[I].Checked);
      EXPECT_EQ(Size.cx, Width);
      EXPECT_EQ(Size.cy, Height);
      if (C.Right == CLR_INVALID) continue;
      EXPECT_EQ(BitmapPixel(Items[I].Checked, 1, Height / 2), White);
      EXPECT_EQ(BitmapPixel(Items[I].Checked, Width - 2, Height / 2), C.Right);
    }
  }
  ReadLog();
  EXPECT_TRUE(Log.Contains("CreateXMenu: error loading PNG=" + Files.File("broken.png") + " (" + BrokenError + ")"));
  EXPECT_TRUE(Log.Contains("Call to RetrieveIcon(FileName=\"" + Files.File("missing.ico") +
                           "\", idx=0, SmallIcon=True)"));
  EXPECT_TRUE(Log.Contains("RetrieveIcon: EXITING, Result=0"));
  // Neither a PNG without index nor an empty file name is looked at.
  EXPECT_EQ(Log.Find("Call to RetrieveIcon(FileName=\"\""), -1);
}

// Identifiers stop at the shell's last one and at offset 255: nothing is inserted that could not
// be invoked, and the count answered is the number of identifiers taken.
TEST_F(MenuBuild, StopsAtTheIdentifierLimits) {
  std::string Class;
  HKEY Key = NewClass("Limits", Class);
  ASSERT_NE(Key, nullptr);
  TMenuIni Ini;
  Ini.Add({{"Caption", "Sub"}, {"Submenu", "1"}, {"FileType", Class}});
  for (int I = 0; I < 3; ++I) Ini.Add({{"Parent", "1"}, {"Caption", "Child " + std::to_string(I)}, {"FileType", Class}});
  for (int I = 0; I < 300; ++I)
    Ini.Add({{"Caption", "Item " + std::to_string(I)}, {"Hint", "hint " + std::to_string(I)}, {"FileType", Class}});
  Prepare(Ini);
  TComPtr<IContextMenu3> Menu = Open(Key);
  ASSERT_TRUE(Menu);
  const struct {
    UINT First, Last;
    UINT Count;      // identifiers taken
    size_t Top;      // top-level items inserted
    size_t Children;  // items of the submenu
  } Cases[] = {
      {50, 51, 2, 1, 1},       {50, 49, 0, 0, 0},           {10, 0xFFFF, 256, 253, 3},
      {1, 1, 1, 1, 0},         {0xFFFFFF00u, 0xFFFFFFFFu, 255, 252, 3},
      {100, 103, 4, 1, 3},     {100, 104, 5, 2, 3},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.First) + ".." + std::to_string(C.Last));
    TPopupMenu Shell;
    EXPECT_EQ(Menu->QueryContextMenu(Shell, 0, C.First, C.Last, CMF_NORMAL), CountResult(C.Count));
    const std::vector<TMenuEntry> Top = MenuEntries(Shell);
    ASSERT_EQ(Top.size(), C.Top);
    if (!Top.empty()) {
      EXPECT_EQ(Top[0].Identifier, C.First);
      EXPECT_EQ(MenuEntries(Top[0].SubMenu).size(), C.Children);
      UINT Previous = C.First;
      for (size_t I = 1; I < Top.size(); ++I) {
        EXPECT_GT(Top[I].Identifier, Previous);
        EXPECT_LE(Top[I].Identifier, C.Last);
        Previous = Top[I].Identifier;
      }
    }
    EXPECT_EQ(Menu->GetCommandString(C.Count, GCS_VALIDATEA, nullptr, nullptr, 0), S_FALSE);
    if (C.Count > 0) {
      EXPECT_EQ(Menu->GetCommandString(C.Count - 1, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
    }
  }
  // The 256th identifier is the last that can be answered.
  TPopupMenu Shell;
  ASSERT_EQ(Menu->QueryContextMenu(Shell, 0, 1, 0x7FFF, CMF_NORMAL), CountResult(256));
  EXPECT_EQ(HelpText(Menu.Get(), 255), "hint 251");
  EXPECT_EQ(HelpText(Menu.Get(), 256), "<" + std::to_string(static_cast<unsigned>(E_INVALIDARG)) + ">");
}

TEST_F(MenuBuild, CommandStrings) {
  std::string Class;
  HKEY Key = NewClass("Strings", Class);
  ASSERT_NE(Key, nullptr);
  const std::string Accented = "Caf\xE9 hint";  // a character outside ASCII in the ANSI code page
  TMenuIni Ini;
  Ini.Add({{"Caption", "A"}, {"Hint", "Hint of A"}, {"FileType", Class}});
  Ini.Add({{"IsSeparator", "1"}, {"FileType", Class}});
  Ini.Add({{"Caption", "S"}, {"Hint", Accented}, {"FileType", Class}});
  Ini.Add({{"Parent", "3"}, {"Caption", "In S"}, {"FileType", Class}});
  Prepare(Ini);
  TComPtr<IContextMenu3> Menu = Open(Key);
  ASSERT_TRUE(Menu);
  TPopupMenu Shell;
  ASSERT_EQ(Menu->QueryContextMenu(Shell, 0, 1, 100, CMF_NORMAL), CountResult(4));

  auto Wide = [](const std::string& S) {
    std::wstring W(S.size() + 1, L'\0');
    W.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), W.data(), static_cast<int>(W.size()))));
    return W;
  };
  const HRESULT Invalid = E_INVALIDARG;
  const struct {
    UINT_PTR Offset;
    UINT Type;
    UINT Size;
    HRESULT Result;
    const char* Text;  // nullptr: the buffer is left as it was
  } Cases[] = {
      {0, GCS_HELPTEXTA, 64, S_OK, "Hint of A"}, {0, GCS_HELPTEXTA, 5, S_OK, "Hint"},
      {0, GCS_HELPTEXTA, 1, S_OK, ""},           {1, GCS_HELPTEXTA, 64, S_OK, ""},
      {2, GCS_HELPTEXTA, 64, S_OK, Accented.c_str()},
      {4, GCS_HELPTEXTA, 64, Invalid, nullptr},  {256, GCS_HELPTEXTA, 64, Invalid, nullptr},
      {0, GCS_HELPTEXTA, 0, Invalid, nullptr},   {0, GCS_HELPTEXTW, 64, S_OK, "Hint of A"},
      {0, GCS_HELPTEXTW, 5, S_OK, "Hint"},       {2, GCS_HELPTEXTW, 64, S_OK, Accented.c_str()},
      {1, GCS_HELPTEXTW, 64, S_OK, ""},          {300, GCS_HELPTEXTW, 64, Invalid, nullptr},
      {0, GCS_VALIDATEA, 64, S_OK, nullptr},     {3, GCS_VALIDATEW, 64, S_OK, nullptr},
      {4, GCS_VALIDATEA, 64, S_FALSE, nullptr},  {256, GCS_VALIDATEW, 64, S_FALSE, nullptr},
      {0, GCS_VERBA, 64, E_NOTIMPL, nullptr},    {0, GCS_VERBW, 64, E_NOTIMPL, nullptr},
      {0, GCS_VERBICONW, 64, E_NOTIMPL, nullptr}, {0, 3, 64, Invalid, nullptr},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Offset) + " " + std::to_string(C.Type) + " " + std::to_string(C.Size));
    const bool IsWide = C.Type == GCS_HELPTEXTW;
    wchar_t Buffer[64];
    std::fill(std::begin(Buffer), std::end(Buffer), L'#');
    EXPECT_EQ(Menu->GetCommandString(C.Offset, C.Type, nullptr, reinterpret_cast<char*>(Buffer), C.Size), C.Result);
    if (C.Text == nullptr) {
      for (wchar_t W : Buffer) ASSERT_EQ(W, L'#');
    } else if (IsWide) {
      EXPECT_EQ(std::wstring(Buffer), Wide(C.Text));
    } else {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(Buffer)), C.Text);
    }
  }
  EXPECT_EQ(Menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, nullptr, 64), E_INVALIDARG);
}

// A submenu handed to the shell's menu belongs to that menu: rebuilding the tree and releasing the
// object leave it alone. A submenu whose insertion failed is destroyed at once.
TEST_F(MenuBuild, SubmenusBelongToTheMenuThatTookThem) {
  std::string Class;
  HKEY Key = NewClass("Submenus", Class);
  ASSERT_NE(Key, nullptr);
  TMenuIni Ini;
  Ini.Add({{"Caption", "Sub"}, {"FileType", Class}});
  Ini.Add({{"Parent", "1"}, {"Caption", "Child"}, {"FileType", Class}});
  Ini.Add({{"Caption", "After"}, {"FileType", Class}});
  Ini.Set("Debug Options", "DebugLogging", "True");
  Prepare(Ini);
  HMENU First = CreatePopupMenu(), Second = CreatePopupMenu();
  HMENU Bad = CreatePopupMenu();
  DestroyMenu(Bad);
  HMENU FirstSub = nullptr, SecondSub = nullptr;
  {
    TComPtr<IContextMenu3> Menu = Open(Key);
    ASSERT_TRUE(Menu);
    ASSERT_EQ(Menu->QueryContextMenu(First, 0, 1, 100, CMF_NORMAL), CountResult(3));
    FirstSub = MenuEntries(First).at(0).SubMenu;
    ASSERT_EQ(Menu->QueryContextMenu(Second, 0, 1, 100, CMF_NORMAL), CountResult(3));
    SecondSub = MenuEntries(Second).at(0).SubMenu;
    EXPECT_TRUE(IsMenu(FirstSub));
    EXPECT_EQ(MenuEntries(First).at(0).SubMenu, FirstSub);
    EXPECT_EQ(MenuEntries(FirstSub).size(), 1u);
    // Into a menu that is gone: both top-level nodes take their identifier, nothing goes in.
    Log.Restart();
    EXPECT_EQ(Menu->QueryContextMenu(Bad, 0, 1, 100, CMF_NORMAL), CountResult(2));
  }
  EXPECT_TRUE(IsMenu(FirstSub));
  EXPECT_TRUE(IsMenu(SecondSub));
  EXPECT_EQ(MenuEntries(SecondSub).size(), 1u);
  DestroyMenu(First);
  DestroyMenu(Second);
  EXPECT_FALSE(IsMenu(FirstSub));
  EXPECT_FALSE(IsMenu(SecondSub));

  MENUITEMINFOA Probe{};
  Probe.cbSize = sizeof(Probe);
  Probe.fMask = MIIM_ID;
  SetLastError(0);
  ASSERT_FALSE(InsertMenuItemA(Bad, 0, TRUE, &Probe));
  const DWORD Error = GetLastError();
  ReadLog();
  std::vector<HMENU> Popups;
  const std::string Prefix = "CreatePopupMenu: ";
  for (const TLogLine& L : Log.Lines())
    if (L.Text.compare(0, Prefix.size(), Prefix) == 0)
      Popups.push_back(reinterpret_cast<HMENU>(static_cast<UINT_PTR>(std::stoull(L.Text.substr(Prefix.size()), nullptr, 16))));
  ASSERT_EQ(Popups.size(), 3u);  // one per build
  EXPECT_EQ(Popups[0], FirstSub);
  EXPECT_EQ(Popups[1], SecondSub);
  EXPECT_FALSE(IsMenu(Popups[2]));
  // In the last build both insertions failed with the system's error, and nothing went into the
  // popup menu of the submenu whose insertion failed.
  const int Last = Log.Find("Call to QueryContextMenu(Menu=" + std::to_string(reinterpret_cast<UINT_PTR>(Bad)));
  ASSERT_GT(Last, 0);
  int Failed = 0, Calls = 0;
  for (size_t I = static_cast<size_t>(Last); I < Log.Lines().size(); ++I) {
    const std::string& Text = Log.Lines()[I].Text;
    if (Text == "InsertXItem: EXITING, Result=" + std::to_string(Error)) ++Failed;
    if (Text.compare(0, 21, "Call to InsertXItem(M") == 0) ++Calls;
  }
  EXPECT_EQ(Failed, 2) << Error;
  EXPECT_EQ(Calls, 2);
}

// Every open of the INI file sees its current content, also a change that keeps its size.
TEST_F(MenuBuild, SeesEveryChangeOfTheFile) {
  std::string Class;
  HKEY Key = NewClass("Changes", Class);
  ASSERT_NE(Key, nullptr);
  auto Text = [&](const std::string& Caption, bool OwnerDraw) {
    TMenuIni Ini;
    Ini.Add({{"Caption", Caption}, {"FileType", Class}});
    Ini.Set("Custom-drawn Menu Properties", "Enabled", OwnerDraw ? "True" : "False");
    Ini.Set("Custom-drawn Menu Properties", "FirstLevelDefault", "False");
    return Ini.Text();
  };
  Prepare(Text("Alpha", false));
  TComPtr<IContextMenu3> First = Open(Key);
  ASSERT_TRUE(First);
  const std::string Changed = Text("Omega", false);
  ASSERT_EQ(Changed.size(), Text("Alpha", false).size());
  ASSERT_TRUE(Copy.WriteIni(Changed));
  TPopupMenu One;
  ASSERT_EQ(First->QueryContextMenu(One, 0, 1, 10, CMF_NORMAL), CountResult(1));
  EXPECT_EQ(MenuEntries(One).at(0).Text, "Omega");
  // The settings are read when an object is made.
  ASSERT_TRUE(Copy.WriteIni(Text("Alpha", true)));
  TComPtr<IContextMenu3> Second = Open(Key);
  ASSERT_TRUE(Second);
  TPopupMenu Two;
  ASSERT_EQ(Second->QueryContextMenu(Two, 0, 1, 10, CMF_NORMAL), CountResult(1));
  EXPECT_EQ(MenuEntries(Two).at(0).Text, "Alpha");
  EXPECT_EQ(MenuEntries(Two).at(0).Type, static_cast<UINT>(MFT_OWNERDRAW));
  ASSERT_TRUE(Copy.WriteIni(Text("Alpha", false)));
  TComPtr<IContextMenu3> Third = Open(Key);
  ASSERT_TRUE(Third);
  TPopupMenu Three;
  ASSERT_EQ(Third->QueryContextMenu(Three, 0, 1, 10, CMF_NORMAL), CountResult(1));
  EXPECT_EQ(MenuEntries(Three).at(0).Type, static_cast<UINT>(MFT_STRING));
  // A file that disappears reads as empty.
  ASSERT_TRUE(DeleteFileA(Copy.IniPath().c_str()));
  TPopupMenu Four;
  EXPECT_EQ(Third->QueryContextMenu(Four, 0, 1, 10, CMF_NORMAL), S_OK);
  EXPECT_EQ(GetMenuItemCount(Four), 0);
}

TEST_F(MenuBuild, LogsTheBuilding) {
  std::string Class;
  HKEY Key = NewClass("Logged", Class);
  ASSERT_NE(Key, nullptr);
  TMenuIni Ini;
  Ini.Add({{"Caption", "A"}, {"Application", "C:\\a.exe"}, {"Hint", "h"}, {"FileType", Class}});
  Ini.Add({{"Caption", "Elsewhere"}, {"FileType", "*"}});
  Ini.Add({{"IsSeparator", "1"}, {"Caption", "dropped"}, {"Application", "x"}, {"FileType", Class}});
  Ini.Set("Debug Options", "DebugLogging", "True");
  Prepare(Ini);
  HMENU Shell = CreatePopupMenu();
  for (UINT I = 0; I < 4; ++I) AppendMenuA(Shell, MF_STRING, 1000 + I, "shell's");
  {
    TComPtr<IContextMenu3> Menu = Open(Key);
    ASSERT_TRUE(Menu);
    ASSERT_EQ(Menu->QueryContextMenu(Shell, 4, 1, 100, CMF_NORMAL), CountResult(2));
  }
  DestroyMenu(Shell);
  ReadLog();
  const std::string Menu = std::to_string(reinterpret_cast<UINT_PTR>(Shell));
  const struct {
    int Level;
    std::string Text;  // a prefix
  } Expected[] = {
      {1, "Call to CreateXMenu"},
      {2, "GetXItemsCount returns Result=3"},
      {2, "Call to LoadXItem(Ini=\"" + Copy.IniPath() + "\", Index=1, var Name, var Parent, Data="},
      {3, "LoadXItem: Parent=0, Name=\"A\", Data.(Separator=\"False\", FilePath=\"C:\\a.exe\", FileArgs=\"\"%1\"\", "
          "MenuHint=\"h\", IconFile=\"\", IconIndx=\"-1\", MenuKind=\"" + Class + "\")"},
      {2, "LoadXItem: EXITING, Result=True"},
      {2, "CreateXMenu: item added successfully, p="},
      {2, "Call to LoadXItem(Ini=\"" + Copy.IniPath() + "\", Index=2,"},
      {2, "CreateXMenu: failed to load menu item, (FXMenuKind <> data.MenuKind)=True"},
      {3, "LoadXItem: Parent=0, Name=\"\", Data.(Separator=\"True\", FilePath=\"\", FileArgs=\"\", MenuHint=\"\", "
          "IconFile=\"\", IconIndx=\"-1\", MenuKind=\"" + Class + "\")"},
      {1, "CreateXMenu: EXITING"},
      {1, "QueryContextMenu: ready to insert menu items"},
      {1, "Call to InsertXItem(Menu=" + Menu + ", Item="},
      {2, "InsertXItem: call to InsertMenuItem(Menu=" + Menu + ", pos=4, True, MInfo="},
      {1, "InsertXItem: EXITING, Result=0"},
      {2, "InsertXItem: call to InsertMenuItem(Menu=" + Menu + ", pos=5, True, MInfo="},
      {0, "QueryContextMenu: EXITING, Result=2"},
  };
  int From = 0;
  for (const auto& E : Expected) {
    const int At = Log.Find(E.Text, From);
    ASSERT_GE(At, 0) << E.Text;
    EXPECT_EQ(Log.Lines()[static_cast<size_t>(At)].Level, E.Level) << E.Text;
    From = At + 1;
  }
}

// ---------------------------------------------------------------------------------------------
// Files that make no sense: every call returns and nothing crashes.

class MenuRobustness : public MenuTest {
protected:
  // Runs every operation of the object once against the current INI file; the number of
  // identifiers the menu took.
  UINT Exercise(HKEY Key) {
    TComPtr<IShellExtInit> Init;
    EXPECT_EQ(CreateMenuObject(Init), S_OK);
    if (!Init) return 0;
    const HRESULT Initialized = Init->Initialize(nullptr, nullptr, Key);
    EXPECT_TRUE(Initialized == S_OK || Initialized == E_INVALIDARG);
    TComPtr<IContextMenu3> Menu = Init.As<IContextMenu3>();
    TPopupMenu Shell;
    const HRESULT R = Menu->QueryContextMenu(Shell, 0, 1, 0x7FFF, CMF_NORMAL);
    if (FAILED(R)) return 0;
    const UINT Count = HRESULT_CODE(R);
    EXPECT_LE(Count, 256u);
    HDC DC = CreateCompatibleDC(nullptr);
    HDC Screen = GetDC(nullptr);
    HBITMAP Bitmap = CreateCompatibleBitmap(Screen, 300, 30);
    ReleaseDC(nullptr, Screen);
    HGDIOBJ Old = SelectObject(DC, Bitmap);
    TMessageBoxWatcher Boxes(IDOK);
    for (UINT Offset = 0; Offset <= Count && Offset < 300; ++Offset) {
      char Text[64];
      Menu->GetCommandString(Offset, GCS_HELPTEXTA, nullptr, Text, sizeof(Text));
      wchar_t Wide[64];
      Menu->GetCommandString(Offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(Wide), 64);
      MEASUREITEMSTRUCT Measure{ODT_MENU, 0, 1 + Offset, 0, 0, 0};
      LRESULT Result = 0;
      EXPECT_EQ(Menu->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&Measure), &Result), S_OK);
      DRAWITEMSTRUCT Draw{ODT_MENU, 0, 1 + Offset, ODA_DRAWENTIRE, Offset % 2 ? ODS_SELECTED : 0u, nullptr, DC,
                          {0, 0, 300, 30}, 0};
      EXPECT_EQ(Menu->HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&Draw), &Result), S_OK);
    }
    // The applications of these files do not exist: each start ends in an error box.
    for (UINT Offset = 0; Offset < Count && Offset < 3; ++Offset) {
      CMINVOKECOMMANDINFO Info{};
      Info.cbSize = sizeof(Info);
      Info.lpVerb = MAKEINTRESOURCEA(Offset);
      Info.nShow = SW_SHOWNORMAL;
      const HRESULT Invoked = Menu->InvokeCommand(&Info);
      EXPECT_TRUE(Invoked == S_OK || Invoked == E_FAIL);
    }
    SelectObject(DC, Old);
    DeleteObject(Bitmap);
    DeleteDC(DC);
    return Count;
  }
};

TEST_F(MenuRobustness, RandomBytes) {
  std::mt19937 Random(20240517);
  std::string Class;
  HKEY Key = NewClass("Random", Class);
  ASSERT_NE(Key, nullptr);
  ASSERT_EQ(Copy.Register(), S_OK);
  const char* const Stems[] = {"Count", "Parent", "Caption", "IsSeparator", "Application", "Parameters", "Hint",
                               "IconFile", "IconIndex", "FileType", "Submenu", "Enabled", "TextIndent",
                               "TextFontFace", "TextFontSize", "NormalBackColor", "FirstLevelDefault"};
  const char* const Sections[] = {"[Dynamic Items]", "[Custom-drawn Menu Properties]", "[Debug Options]", "[x"};
  for (int Round = 0; Round < 24; ++Round) {
    SCOPED_TRACE(Round);
    std::string Text;
    if (Round % 2 == 0) {
      // Bytes of any value.
      const size_t Size = Random() % 20000;
      for (size_t I = 0; I < Size; ++I) Text += static_cast<char>(Random() % 256);
    } else {
      // Lines made of the section's own words with values of any kind.
      for (int Line = 0; Line < 400; ++Line) {
        const unsigned Pick = Random() % 20;
        if (Pick == 0) {
          Text += Sections[Random() % std::size(Sections)];
        } else {
          Text += Stems[Random() % std::size(Stems)];
          if (Random() % 4) Text += std::to_string(static_cast<int>(Random() % 40) - 3);
          Text += "=";
          switch (Random() % 6) {
            case 0: Text += std::to_string(static_cast<int>(Random())); break;
            case 1: Text += Class; break;
            case 2: Text += std::string(Random() % 3000, static_cast<char>('a' + Random() % 26)); break;
            case 3: Text += "%1 \"%1\" %1%1"; break;
            case 4: Text += "C:\\no such\\file.png"; break;
            default: for (int I = 0; I < 8; ++I) Text += static_cast<char>(Random() % 256);
          }
        }
        Text += Random() % 5 ? "\r\n" : "\n";
      }
    }
    ASSERT_TRUE(Copy.WriteIni(Text));
    Exercise(Key);
    Exercise(nullptr);
  }
}

TEST_F(MenuRobustness, AbsurdValues) {
  std::string Class;
  HKEY Key = NewClass("Absurd", Class);
  ASSERT_NE(Key, nullptr);
  char System[MAX_PATH] = {};
  GetSystemDirectoryA(System, sizeof(System));
  const std::string Long(10000, 'W');
  TMenuIni Ini;
  Ini.Add({{"Parent", "1"}, {"Caption", "Own parent"}, {"FileType", Class}});
  Ini.Add({{"Parent", "3"}, {"Caption", "Loop A"}, {"FileType", Class}});
  Ini.Add({{"Parent", "2"}, {"Caption", "Loop B"}, {"FileType", Class}});
  Ini.Add({{"Parent", "-5"}, {"Caption", "Negative"}, {"IconFile", std::string(System) + "\\shell32.dll"},
           {"IconIndex", "-7"}, {"FileType", Class}});
  Ini.Add({{"Caption", Long}, {"Hint", Long}, {"Parameters", Long + "%1" + Long}, {"Application", Long},
           {"FileType", Class}});
  Ini.Add({{"Caption", "Long icon file"}, {"IconFile", "C:\\" + Long + ".ico"}, {"IconIndex", "0"}, {"FileType", Class}});
  Ini.Add({{"Caption", "Long PNG"}, {"IconFile", "C:\\" + Long + ".png"}, {"IconIndex", "2147483647"},
           {"FileType", Class}});
  Ini.Add({{"IsSeparator", "256"}, {"Caption", "Not a separator"}, {"FileType", Class}});
  Ini.Add({{"IsSeparator", "-1"}, {"FileType", Class}});
  // A chain thousands of levels deep.
  Ini.Add({{"Caption", "Chain"}, {"FileType", Class}});
  for (int I = 0; I < 5000; ++I)
    Ini.Add({{"Parent", std::to_string(Ini.Count())}, {"Caption", "Level " + std::to_string(I)}, {"FileType", Class}});
  Ini.SetCount("2147483647");
  Ini.Set("Custom-drawn Menu Properties", "Enabled", "True");
  Ini.Set("Custom-drawn Menu Properties", "FirstLevelDefault", "False");
  Ini.Set("Custom-drawn Menu Properties", "TextIndent", "-2147483648");
  Ini.Set("Custom-drawn Menu Properties", "TextFontSize", "2147483647");
  Ini.Set("Custom-drawn Menu Properties", "TextFontFace", Long);
  Prepare(Ini);
  const DWORD Start = GetTickCount();
  EXPECT_EQ(Exercise(Key), 256u);
  EXPECT_LT(GetTickCount() - Start, 60000u);

  TComPtr<IContextMenu3> Menu = Open(Key);
  ASSERT_TRUE(Menu);
  TPopupMenu Shell;
  ASSERT_EQ(Menu->QueryContextMenu(Shell, 0, 1, 0x7FFF, CMF_NORMAL), CountResult(256));
  // An item is linked only below an item loaded before it: "Loop B" goes below "Loop A", the
  // others whose Parent names themselves, a later item or no item stand at the top.
  const std::vector<TMenuEntry> Top = MenuEntries(Shell);
  ASSERT_EQ(Top.size(), 9u);
  const char* const Captions[] = {"Own parent", "Loop A", "Negative"};
  for (size_t I = 0; I < 3; ++I) EXPECT_EQ(Top[I].Text, Captions[I]);
  ASSERT_NE(Top[1].SubMenu, nullptr);
  EXPECT_EQ(MenuEntries(Top[1].SubMenu).at(0).Text, "Loop B");
  EXPECT_EQ(Top[3].Text, Long);
  EXPECT_EQ(Top[6].Text, "Not a separator");
  EXPECT_EQ(Top[6].Type, static_cast<UINT>(MFT_OWNERDRAW));
  EXPECT_EQ(Top[7].Type, static_cast<UINT>(MFT_SEPARATOR));
  EXPECT_EQ(Top[8].Text, "Chain");
  char Hint[16];
  EXPECT_EQ(Menu->GetCommandString(4, GCS_HELPTEXTA, nullptr, Hint, sizeof(Hint)), S_OK);
  EXPECT_EQ(std::string(Hint), Long.substr(0, 15));

  // Other counts that name no item.
  for (const char* Count : {"-5", "abc", "0"}) {
    SCOPED_TRACE(Count);
    TMenuIni Few;
    Few.Add({{"Caption", "One"}, {"FileType", Class}});
    Few.SetCount(Count);
    ASSERT_TRUE(Copy.WriteIni(Few.Text()));
    EXPECT_EQ(Exercise(Key), 0u);
  }
  // A huge count before Initialize: the items without keys are of the empty class, and only
  // as many as can be inserted are made.
  TMenuIni Empty;
  Empty.Add({{"Caption", "No class"}});
  Empty.SetCount("2147483647");
  ASSERT_TRUE(Copy.WriteIni(Empty.Text()));
  TComPtr<IShellExtInit> Fresh;
  ASSERT_EQ(CreateMenuObject(Fresh), S_OK);
  TPopupMenu Unset;
  EXPECT_EQ(Fresh.As<IContextMenu3>()->QueryContextMenu(Unset, 0, 1, 0x7FFF, CMF_NORMAL), CountResult(256));
  EXPECT_EQ(MenuEntries(Unset).at(0).Text, "No class");
}

}  // namespace

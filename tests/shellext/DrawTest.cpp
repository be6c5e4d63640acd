// Owner-drawn items as the shell forwards WM_MEASUREITEM and WM_DRAWITEM: sizes for the configured
// font and indent, and the painted background, text, icon column and icons on a memory DC.
#include "tests/shellext/MenuFixture.h"
#include "tests/support/Pixels.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace shellhost;

namespace {

using TKeys = TMenuIni::TKeys;

const char* const Settings = "Custom-drawn Menu Properties";

// The colours of the tests, $00BBGGRR, distinct from each other and from the system's.
constexpr COLORREF NormalText = 0x101010, SelectedText = 0xF0F0F0, NormalBack = 0xE0C0A0, SelectedBack = 0x603020,
                   NormalIcon = 0x20A040, SelectedIcon = 0xA04020;

std::string ColorText(COLORREF C) {
  char Buffer[16];
  std::snprintf(Buffer, sizeof(Buffer), "$%X", static_cast<unsigned>(C));
  return Buffer;
}

// The item font made as the settings describe it, selected into DC for the object's life.
class TFontLike {
public:
  TFontLike(HDC DC, const std::string& Face, int Size) : FDC(DC) {
    if (!Face.empty())
      FFont = CreateFontA(-MulDiv(Size, GetDeviceCaps(DC, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                          Face.c_str());
    FOld = SelectObject(DC, FFont != nullptr ? FFont : GetStockObject(ANSI_VAR_FONT));
  }
  ~TFontLike() {
    SelectObject(FDC, FOld);
    if (FFont != nullptr) DeleteObject(FFont);
  }
  TFontLike(const TFontLike&) = delete;
  TFontLike& operator=(const TFontLike&) = delete;
  SIZE Extent(const std::string& Text) const {
    SIZE S{0, 0};
    GetTextExtentPoint32A(FDC, Text.c_str(), static_cast<int>(Text.size()), &S);
    return S;
  }

private:
  HDC FDC;
  HFONT FFont = nullptr;
  HGDIOBJ FOld;
};

bool Near(COLORREF A, COLORREF B, int Tolerance) {
  return std::abs(GetRValue(A) - GetRValue(B)) <= Tolerance && std::abs(GetGValue(A) - GetGValue(B)) <= Tolerance &&
         std::abs(GetBValue(A) - GetBValue(B)) <= Tolerance;
}

// What the settings' calls paint for a text item: the rectangle in Back, Text at Indent, centred.
void PaintText(TSurface& Surface, const RECT& Rect, const std::string& Face, int Size, int Indent, COLORREF Fore,
               COLORREF Back, const std::string& Text) {
  TFontLike Font(Surface.DC(), Face, Size);
  SetTextColor(Surface.DC(), Fore);
  SetBkColor(Surface.DC(), Back);
  const SIZE Extent = Font.Extent(Text);
  ExtTextOutA(Surface.DC(), Rect.left + Indent, Rect.top + (Rect.bottom - Rect.top - Extent.cy + 1) / 2, ETO_OPAQUE,
              &Rect, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
}

class MenuDraw : public MenuTest {
protected:
  // Items 1 "Same" (plain), 2 "Same" (submenu) with 3 "Child", 4 "Icon" (an .ico), 5 "Picture"
  // (a PNG), 6 "Mono" (a monochrome .ico), all owner-drawn; the settings' colours as given.
  void Build(const std::string& Face, int Size, int Indent, bool Colors) {
    const int Small = GetSystemMetrics(SM_CXSMICON);
    ASSERT_TRUE(WriteIco(Files.File("icon.ico"), HalfTransparent(Small, Small, 0xFF0000)));
    ASSERT_TRUE(WriteMonochromeIco(Files.File("mono.ico"), HalfTransparent(Small, Small, 0x000000)));
    // Left half transparent; right half opaque blue above, half-transparent blue below.
    TPicture Png = HalfTransparent(32, 32, 0x0000FF);
    for (int Y = 16; Y < 32; ++Y)
      for (int X = 16; X < 32; ++X) Png.Pixels[static_cast<size_t>(Y) * 32 + X] = 0x800000FF;
    ASSERT_TRUE(WritePng(Files.File("picture.png"), Png));
    Key = NewClass("Draw", Class);
    ASSERT_NE(Key, nullptr);
    TMenuIni Ini;
    Ini.Add({{"Caption", "Same"}, {"FileType", Class}});
    Ini.Add({{"Caption", "Same"}, {"FileType", Class}});
    Ini.Add({{"Parent", "2"}, {"Caption", "Child"}, {"FileType", Class}});
    Ini.Add({{"Caption", "Icon"}, {"IconFile", Files.File("icon.ico")}, {"IconIndex", "0"}, {"FileType", Class}});
    Ini.Add({{"Caption", "Picture"}, {"IconFile", Files.File("picture.png")}, {"IconIndex", "0"}, {"FileType", Class}});
    Ini.Add({{"Caption", "Mono"}, {"IconFile", Files.File("mono.ico")}, {"IconIndex", "0"}, {"FileType", Class}});
    Ini.Set(Settings, "Enabled", "True");
    Ini.Set(Settings, "FirstLevelDefault", "False");
    Ini.Set(Settings, "TextIndent", std::to_string(Indent));
    Ini.Set(Settings, "TextFontFace", Face);
    Ini.Set(Settings, "TextFontSize", std::to_string(Size));
    if (Colors) {
      Ini.Set(Settings, "NormalTextColor", ColorText(NormalText));
      Ini.Set(Settings, "SelectedTextColor", ColorText(SelectedText));
      Ini.Set(Settings, "NormalBackColor", ColorText(NormalBack));
      Ini.Set(Settings, "SelectedBackColor", ColorText(SelectedBack));
      Ini.Set(Settings, "NormalIconBackColor", ColorText(NormalIcon));
      Ini.Set(Settings, "SelectedIconBackColor", ColorText(SelectedIcon));
    }
    Ini.Set("Debug Options", "DebugLogging", "True");
    Prepare(Ini);
    Menu = Open(Key);
    ASSERT_TRUE(Menu);
    Shells.push_back(std::make_unique<TPopupMenu>());
    ASSERT_EQ(Menu->QueryContextMenu(*Shells.back(), 0, First, First + 100, CMF_NORMAL), CountResult(6));
    for (const TMenuEntry& E : MenuEntries(*Shells.back()))
      ASSERT_EQ(E.Type, static_cast<UINT>(MFT_OWNERDRAW)) << E.Text;
  }

  MEASUREITEMSTRUCT Measure(UINT Identifier, bool Version3) {
    MEASUREITEMSTRUCT Item{ODT_MENU, 0, Identifier, 7, 9, 0};
    LRESULT Result = 0;
    const HRESULT R = Version3 ? Menu->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&Item), &Result)
                               : Menu->HandleMenuMsg(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&Item));
    EXPECT_EQ(R, S_OK);
    return Item;
  }

  void Draw(UINT Identifier, bool Selected, TSurface& Surface, const RECT& Rect) {
    DRAWITEMSTRUCT Item{ODT_MENU, 0, Identifier, ODA_DRAWENTIRE, Selected ? ODS_SELECTED : 0u, nullptr, Surface.DC(),
                        Rect, 0};
    LRESULT Result = 0;
    EXPECT_EQ(Menu->HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&Item), &Result), S_OK);
  }

  TTempDir Files;
  std::string Class;
  HKEY Key = nullptr;
  TComPtr<IContextMenu3> Menu;
  std::vector<std::unique_ptr<TPopupMenu>> Shells;
  // Identifiers: Same 200, Same (submenu) 201, Child 202, Icon 203, Picture 204, Mono 205.
  const UINT First = 200;
};

TEST_F(MenuDraw, MeasuresTextIndentAndMenuHeight) {
  const struct {
    std::string Face;
    int Size, Indent;
  } Cases[] = {{"Tahoma", 14, 24}, {"Courier New", 8, 7}, {"", 99, 30}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Face + " " + std::to_string(C.Size));
    Build(C.Face, C.Size, C.Indent, true);
    HWND Desktop = GetDesktopWindow();
    HDC DC = GetDC(Desktop);
    SIZE Text;
    {
      TFontLike Font(DC, C.Face, C.Size);
      Text = Font.Extent("Same");
    }
    ReleaseDC(Desktop, DC);
    ASSERT_GT(Text.cx, 0);
    for (bool Version3 : {false, true}) {
      const MEASUREITEMSTRUCT Plain = Measure(First, Version3), Sub = Measure(First + 1, Version3);
      EXPECT_EQ(Plain.itemWidth, static_cast<UINT>(Text.cx + C.Indent));
      EXPECT_EQ(Plain.itemHeight, static_cast<UINT>(GetSystemMetrics(SM_CYMENUSIZE)));
      EXPECT_EQ(Sub.itemWidth, Plain.itemWidth + static_cast<UINT>(C.Indent / 2));
      EXPECT_EQ(Sub.itemHeight, Plain.itemHeight);
    }
    // An identifier that is not in the tree leaves the record as it was.
    const MEASUREITEMSTRUCT Unknown = Measure(First + 50, true);
    EXPECT_EQ(Unknown.itemWidth, 7u);
    EXPECT_EQ(Unknown.itemHeight, 9u);
    Menu.Reset();
    ReadLog();
    EXPECT_TRUE(Log.Contains("DoMeasureItem: XItem.Name=\"Same\""));
    EXPECT_TRUE(Log.Contains("DoMeasureItem: item not found, itemID=" + std::to_string(First + 50)));
  }
}

// A text item paints exactly what the settings' calls paint: the whole rectangle in the
// background colour and the caption at TextIndent, vertically centred; no icon column.
TEST_F(MenuDraw, PaintsTheTextItemWithTheConfiguredColours) {
  const int Indent = 26;
  Build("Tahoma", 11, Indent, true);
  const int Width = 220, Height = GetSystemMetrics(SM_CYMENUSIZE) + 4;
  const RECT Rect{0, 0, Width, Height};
  for (bool Selected : {false, true}) {
    SCOPED_TRACE(Selected ? "selected" : "normal");
    TSurface Drawn(Width, Height), Expected(Width, Height);
    Draw(First, Selected, Drawn, Rect);
    PaintText(Expected, Rect, "Tahoma", 11, Indent, Selected ? SelectedText : NormalText,
              Selected ? SelectedBack : NormalBack, "Same");
    EXPECT_EQ(Drawn.Pixels(), Expected.Pixels());
    const COLORREF Back = Selected ? SelectedBack : NormalBack;
    EXPECT_EQ(Drawn.At(0, 0), Back);
    EXPECT_EQ(Drawn.At(Width - 1, Height - 1), Back);
    int TextPixels = 0;
    for (COLORREF P : Drawn.Pixels()) TextPixels += P != Back;
    EXPECT_GT(TextPixels, 0);
  }
  // An identifier that is not in the tree paints nothing.
  TSurface Untouched(Width, Height);
  const std::vector<COLORREF> Before = Untouched.Pixels();
  Draw(First + 77, false, Untouched, Rect);
  EXPECT_EQ(Untouched.Pixels(), Before);
}

// Items with an icon get the icon column up to SM_CXMENUSIZE - 1 in its own colour, and their
// icon centred in it with its transparency: the column colour shows through transparent pixels.
TEST_F(MenuDraw, PaintsTheIconColumnAndTheIcons) {
  Build("", 0, 40, true);
  const int Column = GetSystemMetrics(SM_CXMENUSIZE) - 1;
  const int IconW = GetSystemMetrics(SM_CXMENUCHECK), IconH = GetSystemMetrics(SM_CYMENUCHECK);
  const int Width = 200, Height = std::max(GetSystemMetrics(SM_CYMENUSIZE), IconH) + 6;
  const RECT Rect{0, 0, Width, Height};
  const int Left = (Column - IconW + 1) / 2, Top = (Height - IconH + 1) / 2;
  ASSERT_GT(Left, 0);
  ASSERT_GT(Top, 0);
  const COLORREF Blue = RGB(0, 0, 255), Red = RGB(255, 0, 0);
  for (bool Selected : {false, true}) {
    SCOPED_TRACE(Selected ? "selected" : "normal");
    const COLORREF Back = Selected ? SelectedBack : NormalBack, Icon = Selected ? SelectedIcon : NormalIcon;
    {
      SCOPED_TRACE("ico");
      TSurface S(Width, Height);
      Draw(First + 3, Selected, S, Rect);
      EXPECT_EQ(S.At(0, 0), Icon);
      EXPECT_EQ(S.At(Column - 1, Height - 1), Icon);
      EXPECT_EQ(S.At(Column, Height / 2), Back);
      EXPECT_EQ(S.At(Width - 1, 0), Back);
      EXPECT_EQ(S.At(Left + 1, Top + IconH / 2), Icon);  // transparent half
      EXPECT_EQ(S.At(Left + IconW - 2, Top + IconH / 2), Red);
    }
    {
      SCOPED_TRACE("monochrome ico");
      TSurface S(Width, Height);
      Draw(First + 5, Selected, S, Rect);
      EXPECT_EQ(S.At(0, 0), Icon);
      EXPECT_EQ(S.At(Left + 1, Top + IconH / 2), Icon);
      EXPECT_EQ(S.At(Left + IconW - 2, Top + IconH / 2), RGB(0, 0, 0));
    }
    {
      SCOPED_TRACE("png");
      TSurface S(Width, Height);
      Draw(First + 4, Selected, S, Rect);
      EXPECT_EQ(S.At(0, 0), Icon);
      EXPECT_EQ(S.At(Column, Height / 2), Back);
      EXPECT_EQ(S.At(Left + 1, Top + 1), Icon);
      EXPECT_EQ(S.At(Left + 1, Top + IconH - 2), Icon);
      EXPECT_EQ(S.At(Left + IconW - 2, Top + 1), Blue);
      // Half transparent: blue blended over the column colour.
      const COLORREF Blend = RGB((GetRValue(Icon) * 127) / 255, (GetGValue(Icon) * 127) / 255,
                                 (255 * 128 + GetBValue(Icon) * 127) / 255);
      const COLORREF Got = S.At(Left + IconW - 2, Top + IconH - 2);
      EXPECT_TRUE(Near(Got, Blend, 3)) << std::hex << Got << " " << Blend;
    }
    {
      SCOPED_TRACE("no icon");
      TSurface S(Width, Height);
      Draw(First, Selected, S, Rect);
      EXPECT_EQ(S.At(0, 0), Back);
      EXPECT_EQ(S.At(Left + 1, Top + 1), Back);
    }
  }
}

// Colours left at $20000000 take the system's menu colours; a system colour is resolved.
TEST_F(MenuDraw, DefaultAndSystemColours) {
  Build("", 0, 40, false);
  const int Width = 200, Height = 30;
  const RECT Rect{0, 0, Width, Height};
  const int Left = (GetSystemMetrics(SM_CXMENUSIZE) - 1 - GetSystemMetrics(SM_CXMENUCHECK) + 1) / 2;
  const int Top = (Height - GetSystemMetrics(SM_CYMENUCHECK) + 1) / 2;
  for (bool Selected : {false, true}) {
    SCOPED_TRACE(Selected ? "selected" : "normal");
    const COLORREF Back = GetSysColor(Selected ? COLOR_HIGHLIGHT : COLOR_MENU);
    TSurface Plain(Width, Height), Expected(Width, Height), Icon(Width, Height);
    Draw(First, Selected, Plain, Rect);
    PaintText(Expected, Rect, "", 0, 40, GetSysColor(Selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT), Back, "Same");
    EXPECT_EQ(Plain.Pixels(), Expected.Pixels());
    Draw(First + 3, Selected, Icon, Rect);
    EXPECT_EQ(Icon.At(0, 0), Back);  // the column in the background's colour
    EXPECT_EQ(Icon.At(Left + 1, Top + 2), Back);
    EXPECT_EQ(Icon.At(Width - 1, 0), Back);
  }
  // System colour 15 for the normal background, system colour 2 for the icon column.
  TMenuIni Ini;
  Ini.Add({{"Caption", "Icon"}, {"IconFile", Files.File("icon.ico")}, {"IconIndex", "0"}, {"FileType", Class}});
  Ini.Set(Settings, "Enabled", "True");
  Ini.Set(Settings, "FirstLevelDefault", "False");
  Ini.Set(Settings, "NormalBackColor", "$8000000F");
  Ini.Set(Settings, "NormalIconBackColor", "$FF000002");
  ASSERT_TRUE(Copy.WriteIni(Ini.Text()));
  TComPtr<IContextMenu3> System = Open(Key);
  ASSERT_TRUE(System);
  TPopupMenu Other;
  ASSERT_EQ(System->QueryContextMenu(Other, 0, 1, 10, CMF_NORMAL), CountResult(1));
  TSurface S(Width, Height);
  DRAWITEMSTRUCT Item{ODT_MENU, 0, 1, ODA_DRAWENTIRE, 0, nullptr, S.DC(), Rect, 0};
  EXPECT_EQ(System->HandleMenuMsg(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&Item)), S_OK);
  EXPECT_EQ(S.At(Width - 1, 0), GetSysColor(15));
  EXPECT_EQ(S.At(0, 0), GetSysColor(2));
}

// Messages other than measuring and drawing are answered without effect; WM_MENUCHAR chooses no
// item and writes its result only where there is a place for it.
TEST_F(MenuDraw, OtherMenuMessages) {
  Build("", 0, 20, true);
  LRESULT Result = 55;
  EXPECT_EQ(Menu->HandleMenuMsg2(WM_MENUCHAR, MAKEWPARAM('S', MF_POPUP), 0, &Result), S_OK);
  EXPECT_EQ(Result, 0);
  EXPECT_EQ(Menu->HandleMenuMsg2(WM_MENUCHAR, MAKEWPARAM('S', MF_POPUP), 0, nullptr), S_OK);
  Result = 55;
  EXPECT_EQ(Menu->HandleMenuMsg2(WM_INITMENUPOPUP, 0, 0, &Result), S_OK);
  EXPECT_EQ(Menu->HandleMenuMsg(WM_INITMENUPOPUP, 0, 0), S_OK);
  EXPECT_EQ(Menu->HandleMenuMsg2(WM_COMMAND, 1, 0, &Result), S_OK);
  EXPECT_EQ(Result, 55);
  // Records that are not there are not read.
  EXPECT_EQ(Menu->HandleMenuMsg(WM_MEASUREITEM, 0, 0), S_OK);
  EXPECT_EQ(Menu->HandleMenuMsg2(WM_DRAWITEM, 0, 0, &Result), S_OK);
}

}  // namespace

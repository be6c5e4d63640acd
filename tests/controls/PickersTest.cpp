// The type-ahead combo box, the colour combo box and the font combo box on real windows.
#include "controls/ColorBox.h"
#include "controls/RxCombos.h"
#include "controls/VCLUtils.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

int Beeps = 0;
void CountBeep() { ++Beeps; }

class PickersTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Beeps = 0;
    SetBeepFunc(CountBeep);
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(100, 100, 420, 300);
  }
  void TearDown() override {
    SetBeepFunc(nullptr);
    Form.reset();
    PumpUntilIdle(10, 500);
  }
  template <class T>
  T* Add(int Left, int Top, int Width = 145) {
    auto* C = new T(Form.get());
    C->SetBounds(Left, Top, Width, 21);
    C->SetParent(Form.get());
    return C;
  }
  void Show(TWinControl* Focus) {
    Form->Show();
    Focus->SetFocus();
    PumpUntilIdle();
  }
  // An editable box of Apple, Apricot and Banana with the focus; OnMatch counts into Matches.
  TAdvComboBox* Fruits(bool Free, int* Matches) {
    auto* Box = Add<TAdvComboBox>(8, 8);
    Box->FreeText = Free;
    for (const char* S : {"Apple", "Apricot", "Banana"}) Box->Items()->Add(S);
    if (Matches) Box->OnMatch = [Matches](TObject*) { ++*Matches; };
    Show(Box);
    return Box;
  }
  static void Char(TWinControl* C, HWND Wnd, char Key) { SendMessageA(Wnd, WM_CHAR, static_cast<unsigned char>(Key), 1); }
  // Presses Vk with Modifier held, as the keyboard does.
  void Press(WORD Modifier, WORD Vk) {
    INPUT In[4]{};
    const WORD Keys[4] = {Modifier, Vk, Vk, Modifier};
    for (int I = 0; I < 4; ++I) {
      In[I].type = INPUT_KEYBOARD;
      In[I].ki.wVk = Keys[I];
      In[I].ki.dwFlags = I < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    SendInputTo(Form->Handle(), In, 4);
    PumpUntilIdle(30);
  }
  static std::string ClipboardText(HWND Owner) {
    std::string Text;
    if (!OpenClipboard(Owner)) return "(not opened)";
    if (HANDLE Data = GetClipboardData(CF_TEXT)) {
      Text = static_cast<const char*>(GlobalLock(Data));
      GlobalUnlock(Data);
    }
    CloseClipboard();
    return Text;
  }
  std::unique_ptr<TForm> Form;
};

TEST_F(PickersTest, DropDownListTypeAhead) {
  auto* Box = Add<TAdvComboBox>(8, 8);
  Box->SetStyle(csDropDownList);
  for (const char* S : {"Apple", "Apricot", "Banana"}) Box->Items()->Add(S);
  int Changes = 0;
  Box->OnChange = [&](TObject*) { ++Changes; };
  Show(Box);
  const HWND W = Box->Handle();
  for (char K : {'a', 'p', 'r'}) Char(Box, W, K);
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(Box->SearchText(), "apr");
  EXPECT_EQ(Beeps, 0);
  EXPECT_EQ(Changes, 3);
  Char(Box, W, 'x');
  EXPECT_EQ(Beeps, 1);
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(Box->SearchText(), "apr");
  EXPECT_TRUE(Box->ResetTimer().Enabled());
  Box->ResetTimer().OnTimer(&Box->ResetTimer());
  EXPECT_EQ(Box->SearchText(), "");
  EXPECT_FALSE(Box->ResetTimer().Enabled());
  Char(Box, W, 'b');
  EXPECT_EQ(Box->ItemIndex(), 2);
  // Backspace that empties the prefix selects item 0; on an empty prefix it beeps.
  Char(Box, W, '\b');
  EXPECT_EQ(Box->ItemIndex(), 0);
  Char(Box, W, '\b');
  EXPECT_EQ(Beeps, 2);
  Char(Box, W, 'b');
  Char(Box, W, '\x1b');
  EXPECT_EQ(Box->ItemIndex(), 0);
  // A navigation key or the loss of the focus clears the prefix.
  Char(Box, W, 'a');
  SendMessageA(W, WM_KEYDOWN, VK_HOME, 1);
  EXPECT_EQ(Box->SearchText(), "");
  Char(Box, W, 'b');
  SendMessageA(W, WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(Box->SearchText(), "");
}

TEST_F(PickersTest, DropDownListConsumesWhatMatchesNothing) {
  auto* Box = Add<TAdvComboBox>(8, 8);
  Box->SetStyle(csDropDownList);
  Box->Items()->Add("Apple");
  Box->Items()->Add("Apricot");
  Show(Box);
  Char(Box, Box->Handle(), 'a');
  Char(Box, Box->Handle(), 'a');
  EXPECT_EQ(Beeps, 1);
  EXPECT_EQ(Box->ItemIndex(), 0);
}

TEST_F(PickersTest, EditableTypeAhead) {
  for (bool Free : {true, false}) {
    SCOPED_TRACE(Free);
    Beeps = 0;
    int Matches = 0;
    auto* Box = Fruits(Free, &Matches);
    const HWND Edit = Box->EditHandle();
    ASSERT_NE(Edit, nullptr);
    Char(Box, Edit, 'a');
    Char(Box, Edit, 'p');
    EXPECT_EQ(Box->Text(), "Apple");
    DWORD S = 0, E = 0;
    SendMessageA(Edit, EM_GETSEL, reinterpret_cast<WPARAM>(&S), reinterpret_cast<LPARAM>(&E));
    EXPECT_EQ(S, 2u);
    EXPECT_EQ(E, 5u);
    EXPECT_EQ(Matches, 2);
    Char(Box, Edit, 'x');
    EXPECT_EQ(Box->Text(), Free ? "apx" : "Apple");
    EXPECT_EQ(Beeps, Free ? 0 : 1);
    Char(Box, Edit, 22);  // Ctrl+V
    if (!Free) {
      EXPECT_EQ(Box->Text(), "Apple");
    }
    Char(Box, Edit, '\x1b');
    EXPECT_EQ(Box->ItemIndex(), -1);
    delete Box;
  }
}

TEST_F(PickersTest, EditableDeleteKey) {
  // Delete: the prefix becomes the text less the selection, or less the character at the caret;
  // without FreeText the key is dropped unless the whole text is selected.
  const struct {
    bool Free;
    const char* Text;
    int Start, End;
    const char* Search;
    const char* After;
  } Cases[] = {
      {false, "Apple", 1, 1, "Aple", "Apple"}, {false, "Apple", 2, 5, "Ap", "Apple"},
      {false, "Apple", 0, 5, "", ""},          {false, "Apple", 5, 5, "Apple", "Apple"},
      {true, "xyz", 1, 1, "xz", "xz"},         {true, "xyz", 1, 3, "x", "x"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::string(C.Free ? "free " : "") + C.Text + " " + std::to_string(C.Start) + ".." + std::to_string(C.End));
    auto* Box = Fruits(C.Free, nullptr);
    const HWND Edit = Box->EditHandle();
    SetWindowTextA(Edit, C.Text);
    SendMessageA(Edit, EM_SETSEL, static_cast<WPARAM>(C.Start), C.End);
    SendMessageA(Edit, WM_KEYDOWN, VK_DELETE, 1);
    SendMessageA(Edit, WM_KEYUP, VK_DELETE, 1);
    EXPECT_EQ(Box->SearchText(), C.Search);
    EXPECT_EQ(Box->Text(), C.After);
    delete Box;
  }
}

TEST_F(PickersTest, EditableInsertKey) {
  // Shift+Insert pastes and matches only with FreeText; Insert without FreeText is dropped, so
  // Ctrl+Insert copies nothing.
  for (bool Free : {false, true}) {
    SCOPED_TRACE(Free);
    int Matches = 0;
    auto* Box = Fruits(Free, &Matches);
    const HWND Edit = Box->EditHandle();
    SetClipboardText(Edit, "ban");
    Press(VK_SHIFT, VK_INSERT);
    EXPECT_EQ(Box->Text(), Free ? "Banana" : "");
    EXPECT_EQ(Box->ItemIndex(), Free ? 2 : -1);
    EXPECT_EQ(Matches > 0, Free);
    // Ctrl+V is dropped the same way.
    SetWindowTextA(Edit, "");
    Char(Box, Edit, 22);
    EXPECT_EQ(Box->Text(), Free ? "Banana" : "");
    Box->SetItemIndex(0);
    SendMessageA(Edit, EM_SETSEL, 0, -1);
    Press(VK_CONTROL, VK_INSERT);
    EXPECT_EQ(ClipboardText(Edit), Free ? "Apple" : "ban");
    delete Box;
  }
}

TEST_F(PickersTest, EditableLengthLimitWidthAndFlatBorder) {
  auto* Box = Add<TAdvComboBox>(8, 8);
  Box->Items()->Add("Apple");
  Box->SetMaxLength(3);
  Box->FreeText = true;
  Show(Box);
  const HWND Edit = Box->EditHandle();
  for (char K : {'x', 'y', 'z'}) Char(Box, Edit, K);
  EXPECT_EQ(Box->Text(), "xyz");
  SendMessageA(Edit, EM_SETSEL, 3, 3);
  Char(Box, Edit, 'w');
  EXPECT_EQ(Beeps, 1);
  EXPECT_EQ(Box->Text(), "xyz");
  Box->SetDropDownWidth(0);
  EXPECT_EQ(SendMessageA(Box->Handle(), CB_GETDROPPEDWIDTH, 0, 0), Box->Width());
  Box->SetColor(static_cast<TColor>(0x00FF00));
  Box->SetBorderStyle(bsNone);
  TWindowCapture Shot(Box->Handle());
  EXPECT_TRUE(NearColor(Shot.ClientPixel(Box->Handle(), 0, 0), RGB(0, 255, 0), 2));
  EXPECT_TRUE(NearColor(Shot.ClientPixel(Box->Handle(), 1, 5), RGB(0, 255, 0), 2));
}

// ---------------------------------------------------------------------------------------------
// Colour combo

int Dialogs = 0;
CHOOSECOLORA Seen{};
COLORREF SeenCustom[16]{};
void See(const CHOOSECOLORA& Choice) {
  ++Dialogs;
  Seen = Choice;
  std::copy(Choice.lpCustColors, Choice.lpCustColors + 16, SeenCustom);
}
BOOL Confirm(CHOOSECOLORA& Choice) {
  See(Choice);
  Choice.rgbResult = 0x00FF00;
  Choice.lpCustColors[0] = 0x00FF00;
  return TRUE;
}

// Drops the list down from the item before "Custom" and picks "Custom" with Down and Enter.
void PickCustomWithKeys(TAdvColorComboBox* Box) {
  Box->SetItemIndex(Box->Items()->Count() - 2);
  Box->SetDroppedDown(true);
  PumpUntilIdle();
  SendMessageA(Box->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  SendMessageA(Box->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  PumpUntilIdle();
}

// Puts the library's colour dialog function back after a test replaced it.
struct TColorDialogFuncScope {
  TColorDialogFunc Saved = ColorDialogFunc;
  ~TColorDialogFuncScope() { ColorDialogFunc = Saved; }
};

TEST_F(PickersTest, ColourEntries) {
  auto* Box = Add<TAdvColorComboBox>(8, 8);
  Show(Box);
  const char* const Names[43] = {
      "Default", "Black", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Gray", "Silver", "Red",
      "Lime", "Yellow", "Blue", "Fuchsia", "Aqua", "White", "ScrollBar", "Background", "ActiveCaption",
      "InactiveCaption", "Menu", "Window", "WindowFrame", "MenuText", "WindowText", "CaptionText", "ActiveBorder",
      "InactiveBorder", "AppWorkSpace", "Highlight", "HighlightText", "BtnFace", "BtnShadow", "GrayText", "BtnText",
      "InactiveCaptionText", "BtnHighlight", "3DDkShadow", "3DLight", "InfoText", "InfoBk", "Custom"};
  ASSERT_EQ(Box->Items()->Count(), 43);
  for (int I = 0; I < 43; ++I) EXPECT_EQ(Box->Items()->Get(I), Names[I]) << I;
  // Colours: the standard ones from the table, system colour n for the system ones.
  EXPECT_EQ(Box->GetItemColor(8), 0x808080);
  EXPECT_EQ(Box->GetItemColor(13), 0xFF0000);
  EXPECT_EQ(Box->GetItemColor(17), static_cast<TColor>(0xFF000000u));
  EXPECT_EQ(Box->GetItemColor(41), static_cast<TColor>(0xFF000018u));
  EXPECT_EQ(SendMessageA(Box->Handle(), CB_GETCOUNT, 0, 0), 43);
  Box->SetSelectedColor(0x0000FF);
  EXPECT_EQ(Box->Text(), "Red");
  Box->SetSelectedColor(0x123456);
  EXPECT_EQ(Box->ItemIndex(), 42);
  EXPECT_EQ(Box->SelectedColor(), 0x123456);
  Box->SetItemIndex(-1);
  Box->SetDefaultColor(0x00ABCDEF);
  EXPECT_EQ(Box->SelectedColor(), 0x00ABCDEF);
  for (char K : {'b', 'l', 'u'}) Char(Box, Box->Handle(), K);
  EXPECT_EQ(Box->Text(), "Blue");
  Box->ColorNames().SetName(1, "Schwarz");
  EXPECT_EQ(Box->Items()->Get(1), "Schwarz");
  Box->SetShowSysColors(false);
  EXPECT_EQ(Box->Items()->Count(), 18);
  Box->SetShowSysColors(true);
  Box->SetShowDefaultColor(false);
  Box->SetShowCustomColor(false);
  EXPECT_EQ(Box->Items()->Count(), 41);
  EXPECT_EQ(Box->Items()->Get(0), "Schwarz");
  Box->ColorNames().SetName(2, "Kastanie");
  EXPECT_EQ(Box->Items()->Get(1), "Kastanie");
  // Without the custom entry an unknown colour selects nothing.
  Box->SetSelectedColor(0x123456);
  EXPECT_EQ(Box->ItemIndex(), -1);
  // A font change re-creates the window; the names stay.
  const HWND Old = Box->Handle();
  Box->Font().SetSize(12);
  EXPECT_NE(Box->Handle(), Old);
  char Text[64] = {};
  SendMessageA(Box->Handle(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(Text));
  EXPECT_STREQ(Text, "Schwarz");
  EXPECT_EQ(SendMessageA(Box->Handle(), CB_GETITEMHEIGHT, 0, 0), FontTextHeight(Box->Font()) + 2);
}

TEST_F(PickersTest, CustomColourAfterCloseUp) {
  auto* Box = Add<TAdvColorComboBox>(8, 8);
  std::vector<std::string> Log;
  Box->OnCloseUp = [&](TObject*) { Log.push_back("closeup " + std::to_string(Dialogs)); };
  Box->OnChange = [&](TObject*) { Log.push_back("change " + std::to_string(Box->SelectedColor())); };
  Show(Box);
  TColorDialogFuncScope Scope;
  ColorDialogFunc = Confirm;
  Dialogs = 0;
  Box->SetSelectedColor(0x123456);
  // Escape on "Custom" opens no dialog.
  Box->SetDroppedDown(true);
  PumpUntilIdle();
  SendMessageA(Box->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  PumpUntilIdle();
  EXPECT_EQ(Dialogs, 0);
  // Picked with the keyboard: the library's dialog after OnCloseUp, with the current colour.
  Log.clear();
  PickCustomWithKeys(Box);
  EXPECT_EQ(Dialogs, 1);
  EXPECT_EQ(Seen.rgbResult, 0x123456u);
  EXPECT_TRUE(Seen.Flags & CC_FULLOPEN);
  EXPECT_EQ(Seen.hwndOwner, Form->Handle());
  EXPECT_EQ(Box->SelectedColor(), 0x00FF00);
  ASSERT_FALSE(Log.empty());
  EXPECT_EQ(Log.back(), "change " + std::to_string(0x00FF00));
  EXPECT_NE(std::find(Log.begin(), Log.end(), "closeup 0"), Log.end());
  EXPECT_EQ(Box->CustomColors().Get(0), "ColorA=00FF00");
  // The custom colours go back into the next dialog; a cancelled one changes nothing.
  ColorDialogFunc = [](CHOOSECOLORA& Choice) -> BOOL {
    See(Choice);
    Choice.rgbResult = 0x0000FF;
    return FALSE;
  };
  PickCustomWithKeys(Box);
  EXPECT_EQ(Dialogs, 2);
  EXPECT_EQ(Seen.rgbResult, 0x00FF00u);
  EXPECT_EQ(SeenCustom[0], 0x00FF00u);
  EXPECT_EQ(SeenCustom[1], 0xFFFFFFu);
  EXPECT_EQ(Box->SelectedColor(), 0x00FF00);
}

TEST_F(PickersTest, RealColourDialogConfirmed) {
  auto* Box = Add<TAdvColorComboBox>(8, 8);
  Show(Box);
  Box->SetCustomColor(0x345678);
  TColorDialogAnswerer Answerer;
  int Changes = 0;
  Box->OnChange = [&](TObject*) { ++Changes; };
  PickCustomWithKeys(Box);
  EXPECT_EQ(Answerer.Seen, 1);
  EXPECT_EQ(Answerer.Owner, Form->Handle());
  EXPECT_EQ(Box->SelectedColor(), 0x345678);
  EXPECT_EQ(Box->CustomColors().Count(), 16);
  EXPECT_GE(Changes, 1);
}

// Draws item Index through the form's WM_DRAWITEM into a 32-bit DIB; the pixel reader.
struct TDrawnItem {
  HDC DC;
  HBITMAP Bitmap;
  uint32_t* Bits;
  int W, H;
  COLORREF At(int X, int Y) const {
    const uint32_t V = Bits[Y * W + X];
    return RGB((V >> 16) & 0xFF, (V >> 8) & 0xFF, V & 0xFF);
  }
};

TEST_F(PickersTest, ColourItemDrawing) {
  auto* Box = Add<TAdvColorComboBox>(8, 8, 160);
  Show(Box);
  const int W = 160, H = 20;
  BITMAPINFO Info{};
  Info.bmiHeader = {sizeof(BITMAPINFOHEADER), W, -H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  TDrawnItem D{CreateCompatibleDC(nullptr), nullptr, nullptr, W, H};
  void* Bits = nullptr;
  D.Bitmap = CreateDIBSection(D.DC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
  D.Bits = static_cast<uint32_t*>(Bits);
  HGDIOBJ Old = SelectObject(D.DC, D.Bitmap);
  auto Draw = [&](int Index, UINT State) {
    DRAWITEMSTRUCT S{ODT_COMBOBOX, static_cast<UINT>(GetDlgCtrlID(Box->Handle())), static_cast<UINT>(Index), ODA_DRAWENTIRE,
                     State, Box->Handle(), D.DC, RECT{0, 0, W, H}, 0};
    SendMessageA(Form->Handle(), WM_DRAWITEM, S.CtlID, reinterpret_cast<LPARAM>(&S));
    GdiFlush();
  };
  // Square: B = (1,1)-(H+1-? ) : left 3, right H + 1, top 1, bottom H - 1.
  const int SquareLeft = 3, SquareRight = H + 1;
  Draw(8, 0);  // Gray $808080
  EXPECT_EQ(D.At(SquareLeft + 4, 8), RGB(0x80, 0x80, 0x80));
  EXPECT_EQ(D.At(SquareLeft, 8), RGB(0, 0, 0));
  Draw(9, 0);  // Silver $C0C0C0
  EXPECT_EQ(D.At(SquareLeft + 4, 8), RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(D.At(SquareLeft, 8), RGB(0x80, 0x80, 0x80));
  EXPECT_EQ(D.At(SquareRight - 1, 8), RGB(0x80, 0x80, 0x80));
  Draw(10, ODS_SELECTED);  // Red, selected
  EXPECT_EQ(D.At(SquareLeft + 4, 8), RGB(255, 0, 0));
  EXPECT_EQ(D.At(W - 3, 2), static_cast<COLORREF>(GetSysColor(COLOR_HIGHLIGHT)));
  Draw(42, 0);  // Custom: three dots
  const COLORREF Back = static_cast<COLORREF>(ColorToRGB(Box->Color()));
  for (int X : {W - 16, W - 12, W - 8}) {
    EXPECT_EQ(D.At(X, H - 6), RGB(0, 0, 0)) << X;
    EXPECT_EQ(D.At(X + 1, H - 5), RGB(0, 0, 0)) << X;
    EXPECT_EQ(D.At(X + 2, H - 6), Back) << X;
  }
  SelectObject(D.DC, Old);
  DeleteObject(D.Bitmap);
  DeleteDC(D.DC);
}

// ---------------------------------------------------------------------------------------------
// Font combo

TEST(FontFilter, OptionsOverFakeFamilies) {
  const std::vector<TFontFamilyRec> Families{
      {"Arial", ANSI_CHARSET, VARIABLE_PITCH, TRUETYPE_FONTTYPE},
      {"Arial", RUSSIAN_CHARSET, VARIABLE_PITCH, TRUETYPE_FONTTYPE},
      {"Terminal", OEM_CHARSET, FIXED_PITCH, RASTER_FONTTYPE},
      {"Symbol", SYMBOL_CHARSET, VARIABLE_PITCH, TRUETYPE_FONTTYPE},
      {"Courier", ANSI_CHARSET, FIXED_PITCH, RASTER_FONTTYPE},
      {"Printer", ANSI_CHARSET, FIXED_PITCH, DEVICE_FONTTYPE},
      {"Cyrillic", RUSSIAN_CHARSET, VARIABLE_PITCH, TRUETYPE_FONTTYPE}};
  const struct {
    TFontListOptions Options;
    std::vector<std::string> Names;
  } Cases[] = {
      {0, {"Arial", "Terminal", "Symbol", "Courier", "Printer", "Cyrillic"}},
      {foNoOEMFonts | foNoSymbolFonts, {"Arial", "Courier", "Printer", "Cyrillic"}},
      {foScalableOnly, {"Arial", "Symbol", "Printer", "Cyrillic"}},
      {foTrueTypeOnly, {"Arial", "Symbol", "Cyrillic"}},
      {foFixedPitchOnly, {"Terminal", "Courier", "Printer"}},
      {foAnsiOnly, {"Arial", "Courier", "Printer"}},
      {foOEMFontsOnly, {"Terminal"}},
  };
  for (const auto& C : Cases) {
    TStringList List;
    AddFontFamilies(List, Families, C.Options);
    std::vector<std::string> Names;
    for (int I = 0; I < List.Count(); ++I) Names.push_back(List.Get(I));
    EXPECT_EQ(Names, C.Names) << C.Options;
    if (C.Options == 0) {
      EXPECT_EQ(FontEntryBits(List, 0), TRUETYPE_FONTTYPE | FontNotSymbolBit);
      EXPECT_EQ(FontEntryBits(List, 1), RASTER_FONTTYPE | FontNotSymbolBit);
      EXPECT_EQ(FontEntryBits(List, 2), static_cast<uintptr_t>(TRUETYPE_FONTTYPE));
      EXPECT_EQ(FontEntryBits(List, 4), DEVICE_FONTTYPE | FontNotSymbolBit);
    }
  }
}

TEST_F(PickersTest, FontComboBox) {
  auto* Box = Add<TFontComboBox>(8, 8, 200);
  Box->SetOptions(foNoOEMFonts | foNoSymbolFonts);
  Box->SetStyle(odcsDropDown);
  int Changes = 0;
  Box->OnChange = [&](TObject*) { ++Changes; };
  Show(Box);
  TStrings& Items = *Box->Items();
  ASSERT_GT(Items.Count(), 1);
  for (int I = 1; I < Items.Count(); ++I) EXPECT_LT(lstrcmpiA(Items.Get(I - 1).c_str(), Items.Get(I).c_str()), 0) << Items.Get(I);
  for (const char* Absent : {"Marlett", "Symbol", "Wingdings"}) EXPECT_LT(Items.IndexOf(Absent), 0) << Absent;
  EXPECT_EQ(SendMessageA(Box->Handle(), CB_GETCOUNT, 0, 0), Items.Count());
  EXPECT_EQ(Box->ItemHeight(), std::max(FontTextHeight(Box->Font()) + 1, 11));
  const std::string Name = Items.Get(Items.Count() / 2);
  std::string Lower = Name;
  for (char& C : Lower) C = static_cast<char>(tolower(static_cast<unsigned char>(C)));
  Changes = 0;
  Box->SetFontName(Lower);
  EXPECT_EQ(Box->ItemIndex(), Items.Count() / 2);
  EXPECT_EQ(Changes, 1);
  Box->SetFontName("No Such Font");
  EXPECT_EQ(Box->FontName(), "No Such Font");
  EXPECT_EQ(Box->ItemIndex(), -1);
  EXPECT_EQ(Changes, 2);
  // Typing another listed name selects it.
  SetWindowTextA(Box->EditHandle(), Items.Get(0).c_str());
  SendMessageA(Form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Box->Handle()), CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(Box->Handle()));
  EXPECT_EQ(Box->ItemIndex(), 0);
  EXPECT_EQ(Changes, 3);
  // WM_FONTCHANGE to the form refills the list and keeps the name.
  Box->SetFontName(Name);
  const int Count = Items.Count();
  Items.Add("Zz not a font");
  SendMessageA(Form->Handle(), WM_FONTCHANGE, 0, 0);
  EXPECT_EQ(Items.Count(), Count);
  EXPECT_LT(Items.IndexOf("Zz not a font"), 0);
  EXPECT_EQ(Box->FontName(), Name);
  // No printer: an empty list; the drop-down box keeps the name.
  Changes = 0;
  Box->SetDevice(fdPrinter);
  EXPECT_EQ(Items.Count(), 0);
  EXPECT_EQ(Box->FontName(), Name);
  Box->SetDevice(fdBoth);
  EXPECT_GT(Items.Count(), 1);
}

TEST_F(PickersTest, FontComboListWithoutPrinter) {
  auto* Box = Add<TFontComboBox>(8, 8, 200);
  Show(Box);
  Box->SetFontName(Box->Items()->Get(0));
  int Changes = 0;
  Box->OnChange = [&](TObject*) { ++Changes; };
  Box->SetDevice(fdPrinter);
  EXPECT_EQ(Box->Items()->Count(), 0);
  EXPECT_EQ(Box->ItemIndex(), -1);
  EXPECT_EQ(Changes, 1);
  // A drop-down list takes no unknown name; a write of the same name changes nothing.
  Box->SetDevice(fdScreen);
  const std::string Name = Box->Items()->Get(1);
  Box->SetFontName(Name);
  Changes = 0;
  Box->SetFontName(Name);
  EXPECT_EQ(Changes, 0);
  Box->SetFontName("No Such Font");
  EXPECT_EQ(Box->ItemIndex(), -1);
  EXPECT_EQ(Changes, 1);
}

}  // namespace

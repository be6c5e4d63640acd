// The owner-drawn combo box base and the font combo box.
#include "controls/RxCombos.h"

#include "controls/VCLUtils.h"

#include "classlib/core/SystemProc.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TOwnerDrawComboBox

const TClassInfo& TOwnerDrawComboBox::StaticClassInfo() {
  static const TClassInfo Info{
      "TOwnerDrawComboBox",
      &TCustomComboBox::StaticClassInfo(),
      {EnumProp<TOwnerDrawComboBox, TOwnerDrawComboStyle>("Style", {"csDropDown", "csSimple", "csDropDownList"},
                                                          &TOwnerDrawComboBox::Style, &TOwnerDrawComboBox::SetStyle)},
      {},
      {}};
  return Info;
}

TOwnerDrawComboBox::TOwnerDrawComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
  TCustomComboBox::SetStyle(csOwnerDrawFixed);
}

void TOwnerDrawComboBox::SetStyle(TOwnerDrawComboStyle Value) {
  FStyle = Value;
  // The library's style decides whether the box has an edit field.
  TCustomComboBox::SetStyle(Value == odcsDropDown ? csDropDown : Value == odcsSimple ? csSimple : csOwnerDrawFixed);
}

void TOwnerDrawComboBox::CreateParams(TCreateParams& P) {
  TCustomComboBox::CreateParams(P);
  P.Style &= ~static_cast<DWORD>(CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE);
  P.Style |= (FStyle == odcsDropDown ? CBS_DROPDOWN : FStyle == odcsSimple ? CBS_SIMPLE : CBS_DROPDOWNLIST) |
             CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
}

int TOwnerDrawComboBox::MinItemHeightValue() { return std::max(FontTextHeight(Font()) + 1, 9); }

void TOwnerDrawComboBox::ApplyItemHeight() {
  ChangingHeight = true;
  SetItemHeight(MinItemHeightValue());
  if (HandleAllocated()) SendMessageA(FHandle, CB_SETITEMHEIGHT, 0, ItemHeight());
  ChangingHeight = false;
}

void TOwnerDrawComboBox::CreateWnd() {
  TCustomComboBox::CreateWnd();
  ApplyItemHeight();
}

void TOwnerDrawComboBox::FontChanged() {
  TCustomComboBox::FontChanged();
  ApplyItemHeight();
  if (HandleAllocated()) RecreateWnd();
}

// ---------------------------------------------------------------------------------------------
// Font families

bool FontPassesOptions(const TFontFamilyRec& F, TFontListOptions Options) {
  if ((Options & foAnsiOnly) && F.CharSet != ANSI_CHARSET) return false;
  if ((Options & foTrueTypeOnly) && !(F.FontType & TRUETYPE_FONTTYPE)) return false;
  if ((Options & foFixedPitchOnly) && !(F.PitchAndFamily & FIXED_PITCH)) return false;
  if ((Options & foOEMFontsOnly) && F.CharSet != OEM_CHARSET) return false;
  if ((Options & foNoOEMFonts) && F.CharSet == OEM_CHARSET) return false;
  if ((Options & foNoSymbolFonts) && F.CharSet == SYMBOL_CHARSET) return false;
  if ((Options & foScalableOnly) && (F.FontType & RASTER_FONTTYPE)) return false;
  return true;
}

void AddFontFamilies(TStrings& List, const std::vector<TFontFamilyRec>& Families, TFontListOptions Options) {
  for (const TFontFamilyRec& F : Families) {
    if (List.IndexOf(F.Name) >= 0 || !FontPassesOptions(F, Options)) continue;
    const uintptr_t Bits = (F.FontType & 7) | (F.CharSet != SYMBOL_CHARSET ? FontNotSymbolBit : 0);
    List.AddObject(F.Name, reinterpret_cast<TObject*>(Bits));
  }
}

namespace {
int CALLBACK EnumFamilyProc(const LOGFONTA* Font, const TEXTMETRICA*, DWORD FontType, LPARAM Data) {
  auto* List = reinterpret_cast<std::vector<TFontFamilyRec>*>(Data);
  return CallGuarded([&] {
    List->push_back({Font->lfFaceName, Font->lfCharSet, Font->lfPitchAndFamily, FontType});
  });
}
}  // namespace

std::vector<TFontFamilyRec> EnumFontFamilyRecs(HDC DC) {
  std::vector<TFontFamilyRec> Result;
  LOGFONTA Query{};
  Query.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExA(DC, &Query, EnumFamilyProc, reinterpret_cast<LPARAM>(&Result), 0);
  return Result;
}

uintptr_t FontEntryBits(TStrings& Items, int Index) { return reinterpret_cast<uintptr_t>(Items.Objects(Index)); }

// ---------------------------------------------------------------------------------------------
// TFontComboBox

const TClassInfo& TFontComboBox::StaticClassInfo() {
  static const TClassInfo Info{
      "TFontComboBox",
      &TOwnerDrawComboBox::StaticClassInfo(),
      {StrProp<TFontComboBox>("FontName", &TFontComboBox::FontName, &TFontComboBox::SetFontName),
       EnumProp<TFontComboBox, TFontDevice>("Device", {"fdScreen", "fdPrinter", "fdBoth"}, &TFontComboBox::Device,
                                            &TFontComboBox::SetDevice),
       SetOfProp<TFontComboBox>("Options",
                              {"foAnsiOnly", "foTrueTypeOnly", "foFixedPitchOnly", "foNoOEMFonts", "foOEMFontsOnly",
                               "foScalableOnly", "foNoSymbolFonts"},
                              &TFontComboBox::Options, &TFontComboBox::SetOptions),
       BoolProp<TFontComboBox>("TrueTypeOnly", &TFontComboBox::TrueTypeOnly, &TFontComboBox::SetTrueTypeOnly),
       BoolProp<TFontComboBox>("UseFonts", &TFontComboBox::UseFonts, &TFontComboBox::SetUseFonts), BiDiModeProp(),
       ParentBiDiModeProp()},
      {},
      MakeComponent<TFontComboBox>};
  return Info;
}

TFontComboBox::TFontComboBox(TComponent* AOwner) : TOwnerDrawComboBox(AOwner) {
  const HINSTANCE Module = GetModuleHandleA(nullptr);
  FTrueTypeImage = LoadModuleBitmap(Module, "TRUETYPE_FNT");
  if (!FTrueTypeImage) RaiseResourceNotFound("TRUETYPE_FNT");
  FDeviceImage = LoadModuleBitmap(Module, "DEVICE_FNT");
  if (!FDeviceImage) RaiseResourceNotFound("DEVICE_FNT");
  ApplyItemHeight();
}

TFontComboBox::~TFontComboBox() { DestroyHandle(); }

int TFontComboBox::MinItemHeightValue() {
  return std::max(TOwnerDrawComboBox::MinItemHeightValue(), FTrueTypeImage ? FTrueTypeImage->Height() - 1 : 0);
}

void TFontComboBox::Change() {
  if (FQuiet || FUpdating || (ComponentState() & csLoading)) return;
  TOwnerDrawComboBox::Change();
}

void TFontComboBox::PopulateFontList() {
  Items()->Clear();
  std::vector<TFontFamilyRec> Families;
  if (FDevice == fdScreen || FDevice == fdBoth) {
    HDC DC = GetDC(nullptr);
    Families = EnumFontFamilyRecs(DC);
    ReleaseDC(nullptr, DC);
  }
  if (FDevice == fdPrinter || FDevice == fdBoth) {
    char Printer[512] = {};
    DWORD Size = sizeof(Printer);
    // The spooler is loaded only here: under Wine it makes every later server call of the process
    // several times as long.
    using TGetDefaultPrinter = BOOL(WINAPI*)(LPSTR, LPDWORD);
    const auto GetDefault = SystemProc<TGetDefaultPrinter>("winspool.drv", "GetDefaultPrinterA");
    if (GetDefault != nullptr && GetDefault(Printer, &Size)) {
      if (HDC DC = CreateDCA("WINSPOOL", Printer, nullptr, nullptr)) {
        const auto More = EnumFontFamilyRecs(DC);
        Families.insert(Families.end(), More.begin(), More.end());
        DeleteDC(DC);
      }
    }
  }
  std::stable_sort(Families.begin(), Families.end(),
                   [](const TFontFamilyRec& A, const TFontFamilyRec& B) { return lstrcmpiA(A.Name.c_str(), B.Name.c_str()) < 0; });
  AddFontFamilies(*Items(), Families, FOptions);
  FPopulated = true;
}

void TFontComboBox::SelectName(const std::string& Value) {
  int Found = -1;
  for (int I = 0; I < Items()->Count() && Found < 0; ++I)
    if (lstrcmpiA(Items()->Get(I).c_str(), Value.c_str()) == 0) Found = I;
  FQuiet = true;
  try {
    if (Found >= 0 || Style() == odcsDropDownList)
      SetItemIndex(Found);
    else
      SetText(Value);
  } catch (...) {
    FQuiet = false;
    throw;
  }
  FQuiet = false;
}

void TFontComboBox::SetFontName(const std::string& Value) {
  if (Value == FontName()) return;
  if (ComponentState() & csLoading) {
    FQuiet = true;
    SetText(Value);
    FQuiet = false;
    return;
  }
  if (!FPopulated) PopulateFontList();
  SelectName(Value);
  Change();
}

void TFontComboBox::Reset(bool ClearText) {
  FUpdating = true;
  const std::string Old = FontName();
  try {
    PopulateFontList();
    if (ClearText) {
      FQuiet = true;
      SetItemIndex(-1);
      if (Style() != odcsDropDownList) SetText("");
      FQuiet = false;
    }
    SelectName(Old);
  } catch (...) {
    FUpdating = FQuiet = false;
    throw;
  }
  FUpdating = false;
  const bool Changed = ClearText ? lstrcmpiA(Old.c_str(), FontName().c_str()) != 0 : Old != FontName();
  if (Changed) Change();
}

void TFontComboBox::CreateWnd() {
  TOwnerDrawComboBox::CreateWnd();
  if (!FPopulated) Reset(true);
}

void TFontComboBox::SetDevice(TFontDevice Value) {
  if (Value == FDevice) return;
  FDevice = Value;
  if (FPopulated) Reset(false);
}

void TFontComboBox::SetOptions(TFontListOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  if (FPopulated) Reset(false);
}

void TFontComboBox::SetUseFonts(bool Value) {
  FUseFonts = Value;
  Invalidate();
}

void TFontComboBox::SystemFontChange() {
  TOwnerDrawComboBox::SystemFontChange();
  if (FPopulated) Reset(false);
}

void TFontComboBox::Notify(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == CBN_EDITCHANGE) {
    const std::string Typed = Text();
    const LRESULT Found =
        SendMessageA(FHandle, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Typed.c_str()));
    if (Found != CB_ERR && Found != ItemIndex()) {
      FQuiet = true;
      SetItemIndex(static_cast<int>(Found));
      FQuiet = false;
      if (EditHandle()) SendMessageA(EditHandle(), EM_SETSEL, Typed.size(), Typed.size());
      Change();
    }
    return;
  }
  TOwnerDrawComboBox::Notify(M);
}

void TFontComboBox::DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) {
  TControlCanvas& C = Canvas();
  C.FillRect(Rect);
  if (Index < 0 || Index >= Items()->Count()) return;
  const uintptr_t Bits = FontEntryBits(*Items(), Index);
  TBitmap* Image = (Bits & TRUETYPE_FONTTYPE) ? FTrueTypeImage.get() : (Bits & DEVICE_FONTTYPE) ? FDeviceImage.get() : nullptr;
  int TextLeft = Rect.left + 20 + 6;
  if (Image) {
    const int Top = (Rect.top + Rect.bottom - Image->Height()) / 2;
    StretchDrawTransparent(C, *Image, clDefault, Rect.left + 2, Top, Image->Width(), Image->Height(), 0, 0,
                           Image->Width(), Image->Height());
    TextLeft = Rect.left + Image->Width() + 6;
  }
  if (FUseFonts && (Bits & FontNotSymbolBit)) C.Font().SetName(Items()->Get(Index));
  RECT TextRect{TextLeft, Rect.top, Rect.right, Rect.bottom};
  C.Brush().SetClear(true);
  C.DrawText(Items()->Get(Index), TextRect, DrawTextBiDiModeFlags(DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX));
  C.Brush().SetClear(false);
}

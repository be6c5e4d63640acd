// The colour combo box and its names.
#include "controls/ColorBox.h"

#include "classlib/core/ResStrings.h"
#include "controls/VCLUtils.h"
#include "resources/strings/ColorBox.h"

namespace {

// The entries' colours, in the order of the names.
constexpr TColor StandardColors[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
                                       0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
constexpr int SystemColorCount = 25;

std::vector<TColorRec> MakeList(int FirstName, int Count, const TColor* Colors) {
  std::vector<TColorRec> List;
  for (int I = 0; I < Count; ++I)
    List.push_back({LoadResString(SColorNameFirst + FirstName + I), Colors ? Colors[I] : static_cast<TColor>(clSystemColor | I)});
  return List;
}

}  // namespace

const std::vector<TColorRec>& DefaultColorList() {
  static const std::vector<TColorRec> List{{LoadResString(SColorNameFirst), 0}};
  return List;
}
const std::vector<TColorRec>& StandardColorList() {
  static const std::vector<TColorRec> List = MakeList(TColorNames::FirstStandard, 16, StandardColors);
  return List;
}
const std::vector<TColorRec>& SystemColorList() {
  static const std::vector<TColorRec> List = MakeList(TColorNames::FirstSystem, SystemColorCount, nullptr);
  return List;
}
const std::vector<TColorRec>& CustomColorList() {
  static const std::vector<TColorRec> List{{LoadResString(SColorNameFirst + TColorNames::CustomIndex), 0}};
  return List;
}

// ---------------------------------------------------------------------------------------------
// TColorNames

namespace {
// The published names of the 43 entries.
constexpr const char* PublishedNames[TColorNames::Count] = {
    "Default", "Black", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Gray", "Silver", "Red",
    "Lime", "Yellow", "Blue", "Fuchsia", "Aqua", "White", "ScrollBar", "Background", "ActiveCaption",
    "InactiveCaption", "Menu", "Window", "WindowFrame", "MenuText", "WindowText", "CaptionText", "ActiveBorder",
    "InactiveBorder", "AppWorkSpace", "Highlight", "HighlightText", "BtnFace", "BtnShadow", "GrayText", "BtnText",
    "InactiveCaptionText", "BtnHighlight", "DkShadow3D", "Light3D", "InfoText", "InfoBk", "Custom"};

// The built-in name of entry Index.
const std::string& BuiltInName(int Index) {
  if (Index == 0) return DefaultColorList()[0].Name;
  if (Index < TColorNames::FirstSystem) return StandardColorList()[static_cast<size_t>(Index - 1)].Name;
  if (Index < TColorNames::CustomIndex) return SystemColorList()[static_cast<size_t>(Index - TColorNames::FirstSystem)].Name;
  return CustomColorList()[0].Name;
}
}  // namespace

TColorNames::TColorNames() : FNames(Count) {}

const TClassInfo& TColorNames::StaticClassInfo() {
  static const TClassInfo Info = [] {
    TClassInfo I{"TColorNames", nullptr, {}, {}, {}};
    for (int N = 0; N < Count; ++N)
      I.Properties.push_back(StrProp<TColorNames>(
          PublishedNames[N], [N](TColorNames& C) { return C.Name(N); },
          [N](TColorNames& C, const std::string& V) { C.SetName(N, V); }));
    return I;
  }();
  return Info;
}

void TColorNames::SetName(int Index, const std::string& Value) {
  FNames.at(static_cast<size_t>(Index)) = Value;
  if (Value != BuiltInName(Index)) FChanged = true;
  if (!FOwner) return;
  const int Item = FOwner->ItemOfName(Index);
  if (Item < 0 || Item >= FOwner->Items()->Count()) return;
  const int Selected = FOwner->ItemIndex();
  FOwner->Items()->Put(Item, Value);
  FOwner->SetItemIndex(Selected);
}

void TColorNames::Assign(TPersistent* Source) {
  auto* Other = dynamic_cast<TColorNames*>(Source);
  if (!Other) return TPersistent::Assign(Source);
  for (int N = 0; N < Count; ++N) SetName(N, Other->Name(N));
}

// ---------------------------------------------------------------------------------------------
// TAdvColorComboBox

const TClassInfo& TAdvColorComboBox::StaticClassInfo() {
  static const TClassInfo Info{
      "TAdvColorComboBox",
      &TAdvCustomComboBox::StaticClassInfo(),
      {IntProp<TAdvColorComboBox>("DefaultColor", &TAdvColorComboBox::DefaultColor, &TAdvColorComboBox::SetDefaultColor),
       IntProp<TAdvColorComboBox>("CustomColor", &TAdvColorComboBox::CustomColor, &TAdvColorComboBox::SetCustomColor),
       IntProp<TAdvColorComboBox>("SelectedColor", &TAdvColorComboBox::SelectedColor, &TAdvColorComboBox::SetSelectedColor),
       BoolProp<TAdvColorComboBox>("ShowSysColors", &TAdvColorComboBox::ShowSysColors, &TAdvColorComboBox::SetShowSysColors),
       BoolProp<TAdvColorComboBox>("ShowDefaultColor", &TAdvColorComboBox::ShowDefaultColor,
                                   &TAdvColorComboBox::SetShowDefaultColor),
       BoolProp<TAdvColorComboBox>("ShowCustomColor", &TAdvColorComboBox::ShowCustomColor,
                                   &TAdvColorComboBox::SetShowCustomColor),
       BoolProp<TAdvColorComboBox>("ShowColorNames", &TAdvColorComboBox::ShowColorNames,
                                   &TAdvColorComboBox::SetShowColorNames),
       ObjectProp<TAdvColorComboBox>("ColorNames", TColorNames::StaticClassInfo(),
                                     [](TAdvColorComboBox& B) -> TObject* { return &B.ColorNames(); }),
       SetOfProp<TAdvColorComboBox>(
           "ColorDlgOptions", {"cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor"},
           [](TAdvColorComboBox& B) { return B.ColorDlgOptions; },
           [](TAdvColorComboBox& B, unsigned V) { B.ColorDlgOptions = V; }),
       StringsProp<TAdvColorComboBox>("CustomColors", [](TAdvColorComboBox& B) -> TStrings* { return &B.CustomColors(); })},
      {},
      MakeComponent<TAdvColorComboBox>};
  return Info;
}

TAdvColorComboBox::TAdvColorComboBox(TComponent* AOwner)
    : TAdvCustomComboBox(AOwner), FColorNames(std::make_unique<TColorNames>()), FCustomColors(std::make_unique<TStringList>()) {
  SetStyle(csOwnerDrawVariable);
  InitColorNames();
  FColorNames->FOwner = this;
  FColorNames->FChanged = false;
  SetItemHeight(FontTextHeight(Font()) + 2);
  MakeItems();
}

TAdvColorComboBox::~TAdvColorComboBox() { FColorNames->FOwner = nullptr; }

void TAdvColorComboBox::InitColorNames() {
  for (int N = 0; N < TColorNames::Count; ++N) FColorNames->SetName(N, BuiltInName(N));
}

int TAdvColorComboBox::ItemOfName(int NameIndex) const {
  for (size_t I = 0; I < FItemNames.size(); ++I)
    if (FItemNames[I] == NameIndex) return static_cast<int>(I);
  return -1;
}

void TAdvColorComboBox::MakeItems() {
  Items()->Clear();
  FItemColors.clear();
  FItemNames.clear();
  auto Add = [this](int NameIndex, TColor Color) {
    FItemNames.push_back(NameIndex);
    FItemColors.push_back(Color);
    Items()->Add(FColorNames->Name(NameIndex));
  };
  if (FShowDefaultColor) Add(0, FDefaultColor);
  for (int I = 0; I < 16; ++I) Add(TColorNames::FirstStandard + I, StandardColors[I]);
  if (FShowSysColors)
    for (int I = 0; I < SystemColorCount; ++I) Add(TColorNames::FirstSystem + I, SystemColorList()[static_cast<size_t>(I)].Color);
  if (FShowCustomColor) Add(TColorNames::CustomIndex, FCustomColor);
  SetItemIndex(0);
}

void TAdvColorComboBox::ShowChanged() {
  FColorNames->ShowSysColors = FShowSysColors;
  FColorNames->ShowDefaultColor = FShowDefaultColor;
  FColorNames->ShowCustomColor = FShowCustomColor;
  MakeItems();
  if (HandleAllocated()) RecreateWnd();
}

void TAdvColorComboBox::SetShowSysColors(bool Value) {
  if (Value == FShowSysColors) return;
  FShowSysColors = Value;
  ShowChanged();
}

void TAdvColorComboBox::SetShowDefaultColor(bool Value) {
  if (Value == FShowDefaultColor) return;
  FShowDefaultColor = Value;
  ShowChanged();
}

void TAdvColorComboBox::SetShowCustomColor(bool Value) {
  if (Value == FShowCustomColor) return;
  FShowCustomColor = Value;
  ShowChanged();
}

void TAdvColorComboBox::SetShowColorNames(bool Value) {
  if (Value == FShowColorNames) return;
  FShowColorNames = Value;
  Invalidate();
}

void TAdvColorComboBox::SetDefaultColor(TColor Value) {
  FDefaultColor = Value;
  if (FShowDefaultColor && !FItemColors.empty()) {
    FItemColors.front() = Value;
    Invalidate();
  }
}

void TAdvColorComboBox::SetCustomColor(TColor Value) {
  FCustomColor = Value;
  if (FShowCustomColor && !FItemColors.empty()) {
    FItemColors.back() = Value;
    Invalidate();
  }
}

TColor TAdvColorComboBox::GetItemColor(int Index) const { return FItemColors.at(static_cast<size_t>(Index)); }

TColor TAdvColorComboBox::SelectedColor() {
  const int Index = ItemIndex();
  return Index < 0 || Index >= static_cast<int>(FItemColors.size()) ? FDefaultColor : GetItemColor(Index);
}

void TAdvColorComboBox::SetSelectedColor(TColor Value) {
  int Found = -1;
  for (size_t I = 0; I < FItemColors.size() && Found < 0; ++I)
    if (FItemColors[I] == Value) Found = static_cast<int>(I);
  if (Found < 0 && FShowCustomColor) {
    SetCustomColor(Value);
    Found = static_cast<int>(FItemColors.size()) - 1;
  }
  SetItemIndex(Found);
  if (OnSelect) OnSelect(this);
}

void TAdvColorComboBox::FontChanged() {
  TAdvCustomComboBox::FontChanged();
  SetItemHeight(FontTextHeight(Font()) + 2);
  if (HandleAllocated()) RecreateWnd();
}

void TAdvColorComboBox::Loaded() {
  TAdvCustomComboBox::Loaded();
  if (ItemIndex() < 0) SetItemIndex(0);
}

void TAdvColorComboBox::MeasureItem(int Index, int& Height) {
  Height = FontTextHeight(Font()) + 2;
  TAdvCustomComboBox::MeasureItem(Index, Height);
}

void TAdvColorComboBox::Notify(TMessage& M) {
  if (M.Msg != CN_COMMAND) return TAdvCustomComboBox::Notify(M);
  const WORD Code = HIWORD(M.WParam);
  TAdvCustomComboBox::Notify(M);
  if (Code == CBN_CLOSEUP && !FListCancelled && FShowCustomColor && ItemIndex() == Items()->Count() - 1)
    PickCustomColor();
  FListCancelled = Code == CBN_SELENDCANCEL;
}

void TAdvColorComboBox::PickCustomColor() {
  TColorDialog Dialog(nullptr);
  Dialog.Color = SelectedColor();
  Dialog.Options = ColorDlgOptions;
  Dialog.CustomColors()->Assign(FCustomColors.get());
  if (!Dialog.Execute()) return;
  FCustomColors->Assign(Dialog.CustomColors());
  SetCustomColor(Dialog.Color);
  SelectionChanged();
}

void TAdvColorComboBox::DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) {
  if (Index < 0 || Index >= static_cast<int>(FItemColors.size())) return TAdvCustomComboBox::DrawItem(Index, Rect, State);
  TControlCanvas& C = Canvas();
  RECT R = Rect;
  if (FShowColorNames) {
    const TColor Selection = C.Brush().Color();
    C.Brush().SetColor(Color());
    C.FillRect(RECT{Rect.left, Rect.top, Rect.left + RectHeight(Rect) + 2, Rect.bottom});
    C.Brush().SetColor(Selection);
    R.left += RectHeight(R) + 2;
  }
  C.FillRect(R);
  RECT B = R;
  InflateRect(&B, -1, -1);
  const bool Custom = FShowCustomColor && Index == static_cast<int>(FItemColors.size()) - 1;
  if (FShowColorNames) {
    const int H = RectHeight(B);
    B.left = B.left - 2 - H;
    B.right = B.left + H;
  } else if (Custom) {
    B.right -= 20;
  }
  const TColor ItemColor = GetItemColor(Index);
  C.Brush().SetColor(ItemColor);
  C.Pen().SetColor(clBtnShadow);
  C.Rectangle(B.left, B.top, B.right, B.bottom);
  const COLORREF RGBValue = static_cast<COLORREF>(ColorToRGB(ItemColor));
  const bool Dark = GetRValue(RGBValue) <= 0x80 && GetGValue(RGBValue) <= 0x80 && GetBValue(RGBValue) <= 0x80;
  C.Brush().SetColor(Dark ? clBlack : static_cast<TColor>(0x808080));
  C.FrameRect(B);
  const bool Selected = State & ODS_SELECTED;
  C.Brush().SetColor(Selected ? clHighlight : Color());
  const TColor Ink = Selected ? clHighlightText : (Enabled() ? clBlack : clGrayText);
  C.Pen().SetColor(Ink);
  if (Custom) {
    C.Brush().SetColor(Ink);
    for (int X : {R.right - 16, R.right - 12, R.right - 8}) C.FillRect(RECT{X, R.bottom - 6, X + 2, R.bottom - 4});
    C.Brush().SetColor(Selected ? clHighlight : Color());
  }
  if (FShowColorNames) {
    if (!Enabled()) C.Font().SetColor(clGrayText);
    C.Brush().SetClear(true);
    C.TextOut(R.left + 2, R.top + (RectHeight(R) - C.TextHeight("Yy")) / 2, Items()->Get(Index));
    C.Brush().SetClear(false);
  }
}

// Owner-drawn combo boxes: the base whose item height follows its font, and the font combo box
// listing the font families of the screen, the printer or both.
#pragma once

#include "classlib/gui/StdCtrls.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TOwnerDrawComboStyle { odcsDropDown, odcsSimple, odcsDropDownList };

// A combo box always owner-drawn with a fixed item height that follows its font.
class TOwnerDrawComboBox : public TCustomComboBox {
public:
  explicit TOwnerDrawComboBox(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TOwnerDrawComboStyle Style() const { return FStyle; }
  void SetStyle(TOwnerDrawComboStyle Value);
  void FontChanged() override;

protected:
  // The item height to use: the font's text height + 1, at least 9.
  virtual int MinItemHeightValue();
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void ApplyItemHeight();
  bool ChangingHeight = false;

private:
  TOwnerDrawComboStyle FStyle = odcsDropDownList;
};

enum TFontDevice { fdScreen, fdPrinter, fdBoth };
enum TFontListOption : unsigned {
  foAnsiOnly = 1,
  foTrueTypeOnly = 2,
  foFixedPitchOnly = 4,
  foNoOEMFonts = 8,
  foOEMFontsOnly = 16,
  foScalableOnly = 32,
  foNoSymbolFonts = 64
};
using TFontListOptions = unsigned;

// One family as the platform's enumeration reports it.
struct TFontFamilyRec {
  std::string Name;
  BYTE CharSet;
  BYTE PitchAndFamily;
  DWORD FontType;  // RASTER_FONTTYPE, DEVICE_FONTTYPE, TRUETYPE_FONTTYPE bits
};
// The entry's mark of a family that is not of the symbol set.
constexpr uintptr_t FontNotSymbolBit = 0x100;

// Whether the family passes every chosen option.
bool FontPassesOptions(const TFontFamilyRec& Font, TFontListOptions Options);
// Adds the families that pass Options and are not listed yet, each with its type bits (+ $100 unless
// of the symbol set) as object.
void AddFontFamilies(TStrings& List, const std::vector<TFontFamilyRec>& Families, TFontListOptions Options);
// The font families of DC (one record per family and character set).
std::vector<TFontFamilyRec> EnumFontFamilyRecs(HDC DC);
// The entry's type bits of Items's object Index.
uintptr_t FontEntryBits(TStrings& Items, int Index);

class TFontComboBox : public TOwnerDrawComboBox {
public:
  explicit TFontComboBox(TComponent* AOwner);
  ~TFontComboBox() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  std::string FontName() { return Text(); }
  void SetFontName(const std::string& Value);
  TFontDevice Device() const { return FDevice; }
  void SetDevice(TFontDevice Value);
  TFontListOptions Options() const { return FOptions; }
  void SetOptions(TFontListOptions Value);
  bool TrueTypeOnly() const { return FOptions & foTrueTypeOnly; }
  void SetTrueTypeOnly(bool Value) { SetOptions(Value ? FOptions | foTrueTypeOnly : FOptions & ~foTrueTypeOnly); }
  bool UseFonts() const { return FUseFonts; }
  void SetUseFonts(bool Value);
  TBitmap& TrueTypeImage() { return *FTrueTypeImage; }
  TBitmap& DeviceImage() { return *FDeviceImage; }
  void Change() override;
  void SystemFontChange() override;

protected:
  int MinItemHeightValue() override;
  virtual void PopulateFontList();
  void CreateWnd() override;
  void Notify(TMessage& Message) override;
  void DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) override;

private:
  std::unique_ptr<TBitmap> FTrueTypeImage, FDeviceImage;
  TFontDevice FDevice = fdScreen;
  TFontListOptions FOptions = 0;
  bool FUpdating = false, FUseFonts = false, FPopulated = false, FQuiet = false;
  // Refills the list and writes the noted name back; OnChange when the name changed.
  void Reset(bool ClearText);
  void SelectName(const std::string& Value);
};

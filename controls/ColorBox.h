// The colour combo box: an owner-drawn list of the default colour, the 16 standard colours, the
// system colours and a custom colour chosen in the library's colour dialog; names from the string table,
// replaceable per control through TColorNames.
#pragma once

#include "classlib/gui/Dialogs.h"
#include "controls/AdvCtrls.h"

#include <memory>
#include <string>
#include <vector>

struct TColorRec {
  std::string Name;
  TColor Color;
};

// The shared entry lists, made on first use with the names of the string table at that moment.
const std::vector<TColorRec>& DefaultColorList();   // "Default"
const std::vector<TColorRec>& StandardColorList();  // the 16 standard colours
const std::vector<TColorRec>& SystemColorList();    // the 25 system colours
const std::vector<TColorRec>& CustomColorList();    // "Custom"

class TAdvColorComboBox;

// Names of the 43 entries, in the order of the lists: 0 the default, 1-16 the standard colours,
// 17-41 the system colours, 42 the custom entry.
class TColorNames : public TPersistent {
public:
  static constexpr int Count = 43, FirstStandard = 1, FirstSystem = 17, CustomIndex = 42;
  TColorNames();
  static const TClassInfo& StaticClassInfo();
  const std::string& Name(int Index) const { return FNames.at(static_cast<size_t>(Index)); }
  // Stores the name and renames the owner's item (its selection kept).
  void SetName(int Index, const std::string& Value);
  void Assign(TPersistent* Source) override;
  // A name differs from the built-in one.
  bool Changed() const { return FChanged; }
  bool ShowSysColors = true, ShowDefaultColor = true, ShowCustomColor = true;

private:
  friend class TAdvColorComboBox;
  TAdvColorComboBox* FOwner = nullptr;
  std::vector<std::string> FNames;
  bool FChanged = false;
};

class TAdvColorComboBox : public TAdvCustomComboBox {
public:
  explicit TAdvColorComboBox(TComponent* AOwner);
  ~TAdvColorComboBox() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TColor DefaultColor() const { return FDefaultColor; }
  virtual void SetDefaultColor(TColor Value);
  TColor CustomColor() const { return FCustomColor; }
  virtual void SetCustomColor(TColor Value);
  TColorNames& ColorNames() { return *FColorNames; }
  virtual void SetColorNames(TColorNames& Value) { FColorNames->Assign(&Value); }
  TStrings& CustomColors() { return *FCustomColors; }
  virtual void SetCustomColors(TStrings& Value) { FCustomColors->Assign(&Value); }
  bool ShowSysColors() const { return FShowSysColors; }
  virtual void SetShowSysColors(bool Value);
  bool ShowDefaultColor() const { return FShowDefaultColor; }
  virtual void SetShowDefaultColor(bool Value);
  bool ShowCustomColor() const { return FShowCustomColor; }
  virtual void SetShowCustomColor(bool Value);
  bool ShowColorNames() const { return FShowColorNames; }
  virtual void SetShowColorNames(bool Value);
  TColorDialogOptions ColorDlgOptions = cdFullOpen;
  // The selected item's colour; DefaultColor when none is selected.
  virtual TColor SelectedColor();
  virtual void SetSelectedColor(TColor Value);
  virtual TColor GetItemColor(int Index) const;
  void FontChanged() override;
  void Loaded() override;

protected:
  virtual void InitColorNames();
  void Notify(TMessage& Message) override;
  void DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) override;
  void MeasureItem(int Index, int& Height) override;

private:
  friend class TColorNames;
  TColor FDefaultColor = clBlack, FCustomColor = 0;
  std::unique_ptr<TColorNames> FColorNames;
  std::unique_ptr<TStringList> FCustomColors;
  std::vector<TColor> FItemColors;
  std::vector<int> FItemNames;  // the name index of each item
  bool FShowSysColors = true, FShowColorNames = true, FShowDefaultColor = true, FShowCustomColor = true;
  bool FListCancelled = false;
  void MakeItems();
  void ShowChanged();
  // The item of name index NameIndex; -1 when that entry is hidden.
  int ItemOfName(int NameIndex) const;
  void PickCustomColor();
};

// Common dialogs: the system's open, save and colour dialogs, run modally over the active form.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/Graphics.h"
#include "classlib/gui/Controls.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

class TCommonDialog : public TComponent {
public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  int HelpContext = 0;  // stored only
  // Shows the dialog; true when the user confirmed it.
  virtual bool Execute() = 0;

protected:
  // The window that owns the dialog: the active form's, else the application's.
  static HWND OwnerWindow();
};

// Bits of TOpenOptions, in the order of their names in the property table.
using TOpenOptions = unsigned;
constexpr TOpenOptions ofReadOnly = 1u << 0, ofOverwritePrompt = 1u << 1, ofHideReadOnly = 1u << 2,
                       ofNoChangeDir = 1u << 3, ofAllowMultiSelect = 1u << 4, ofPathMustExist = 1u << 5,
                       ofFileMustExist = 1u << 6, ofCreatePrompt = 1u << 7;

enum TFileEditStyle { fsEdit, fsComboBox };

class TOpenDialog : public TCommonDialog {
public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  std::string Title;
  // Pairs of description and patterns separated by "|": "Text files (*.txt)|*.txt|All files|*.*".
  std::string Filter;
  int FilterIndex = 1;  // 1-based; set to the user's choice
  std::string InitialDir;
  // The extension added to a name typed without one; a leading "." is dropped.
  const std::string& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& Value);
  std::string FileName;  // the first chosen file
  // Every chosen file with its path (one with single selection).
  TStrings* Files() const { return FFiles; }
  TOpenOptions Options = ofHideReadOnly;
  TStrings* HistoryList() const { return FHistoryList; }  // stored only
  TFileEditStyle FileEditStyle = fsEdit;                  // stored only

  bool Execute() override;

protected:
  // The system call: GetOpenFileNameA or GetSaveFileNameA.
  virtual BOOL RunSystemDialog(OPENFILENAMEA& Ofn);

private:
  std::string FDefaultExt;
  TStringList* FFiles;
  TStringList* FHistoryList;
  // The chosen names of the dialog's buffer: "path\0" or, multi-selected, "folder\0name\0name\0".
  void TakeFiles(const char* Buffer);
};

class TSaveDialog : public TOpenDialog {
public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

protected:
  BOOL RunSystemDialog(OPENFILENAMEA& Ofn) override;
};

// Bits of TColorDialogOptions.
using TColorDialogOptions = unsigned;
constexpr TColorDialogOptions cdFullOpen = 1u << 0, cdPreventFullOpen = 1u << 1, cdShowHelp = 1u << 2,
                              cdSolidColor = 1u << 3, cdAnyColor = 1u << 4;

// Runs the colour dialog: ChooseColorA unless replaced (tests choose the answer this way). It reads
// and sets rgbResult and the 16 colours at lpCustColors; the result is the dialog's.
using TColorDialogFunc = BOOL (*)(CHOOSECOLORA& Choice);
extern TColorDialogFunc ColorDialogFunc;

class TColorDialog : public TCommonDialog {
public:
  explicit TColorDialog(TComponent* AOwner);
  ~TColorDialog() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TColor Color = clBlack;
  // The 16 custom colours as "ColorA=RRGGBB" ... "ColorP=RRGGBB" (hexadecimal TColor values);
  // a missing or bad line is white.
  TStrings* CustomColors() const { return FCustomColors; }
  TColorDialogOptions Options = 0;

  bool Execute() override;

private:
  TStringList* FCustomColors;
};

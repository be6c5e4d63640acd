// One-line edits with a button at the right end: the combo edit with its button and drop-down
// window, and the file-name edit that takes files dropped from the shell and opens a file dialog.
#pragma once

#include "classlib/core/SysUtils.h"
#include "classlib/gui/ActnList.h"
#include "classlib/gui/Dialogs.h"
#include "classlib/gui/StdCtrls.h"
#include "controls/RXCtrls.h"

#include <functional>
#include <memory>
#include <string>

class TCustomComboEdit;

class EComboEditError : public Exception {
public:
  using Exception::Exception;
};

// The button inside a combo edit. A click that follows a press which closed the drop-down is
// swallowed (NoAction).
class TEditButton : public TRxSpeedButton {
public:
  explicit TEditButton(TComponent* AOwner);
  bool NoAction = false;
  void Click() override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

using TCloseUpEvent = std::function<void(TObject* Sender, bool Accept)>;

// The drop-down window of a combo edit: a tool window that never takes the activation. Its value is
// text; an empty text stands for no value.
class TPopupWindow : public TCustomControl {
public:
  // AOwner is the editor the window drops from.
  explicit TPopupWindow(TComponent* AOwner);
  TWinControl* Editor() const { return FEditor; }
  TCloseUpEvent CloseUp;

  virtual std::string GetPopupValue() = 0;
  virtual void SetPopupValue(const std::string& Value) = 0;
  // Fires CloseUp.
  virtual void ClosePopup(bool Accept);
  virtual std::string CurrentPopupText() { return std::string(); }
  // Redraws the editor's text area at once.
  void InvalidateEditor();
  void WndProc(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  TWinControl* FEditor;
};

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

// Whether the system draws new-style (Windows 95 and later) controls.
bool NewStyleControls();

class TCustomComboEdit : public TCustomEdit {
public:
  explicit TCustomComboEdit(TComponent* AOwner);
  ~TCustomComboEdit() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TEditButton* Button() const { return FButton; }
  TWinControl* BtnControl() const { return FBtnControl; }
  int ButtonWidth() const;
  void SetButtonWidth(int Value);
  TBitmap& Glyph() { return FButton->Glyph(); }
  // Sets GlyphKind to gkCustom.
  void SetGlyph(TBitmap* Value);
  int NumGlyphs() const { return FButton->NumGlyphs(); }
  void SetNumGlyphs(int Value);
  std::string ButtonHint() const { return FButton->Hint(); }
  void SetButtonHint(const std::string& Value) { FButton->SetHint(Value); }
  TGlyphKind GlyphKind() const { return FGlyphKind; }
  void SetGlyphKind(TGlyphKind Value);
  // The key that acts as a button click (Alt+Down); it needs a button wider than 0.
  TShortCut ClickKey = ShortCut(VK_DOWN, ssAlt);
  // The combo edit's own read-only flag; the inner edit is read-only also without DirectInput.
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool DirectInput() const { return FDirectInput; }
  void SetDirectInput(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // Entering by the keyboard selects the whole text (only with DirectInput).
  bool AutoSelect = true;
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool Value);
  bool PopupVisible() const { return FPopupVisible; }
  TPopupWindow* Popup() const { return FPopup; }
  int DefNumGlyphs = 1;
  TNotifyEvent OnButtonClick;

  // Acts as a click on the button.
  void DoClick();
  // The default for storing ButtonWidth.
  int DefaultButtonWidth() const;

  virtual void DropDownPopup(bool DisableEdit);
  virtual void ShowPopup(POINT Origin);
  virtual void HidePopup();
  virtual bool CanAcceptPopupValue(const std::string&) { return true; }
  virtual void ApplyPopupValue(const std::string& Value);
  virtual void SetPopupValue(const std::string& Value);
  virtual std::string GetPopupValue();
  virtual void PopupValueChanged() {}
  virtual bool GetReadOnly() const { return FReadOnly; }
  virtual bool EditCanModify() const { return !FReadOnly; }
  // Closes the drop-down (the drop-down's CloseUp comes here).
  void PopupCloseUp(TObject* Sender, bool Accept);

  void Change() override;
  void WndProc(TMessage& Message) override;
  void DoEnter() override;
  void EnabledChanged() override;
  void FontChanged() override;
  // The drop-down takes the edit's mode.
  void BiDiModeChanged() override;
  void CancelMode() override;

protected:
  // OnButtonClick, then the drop-down opened or closed.
  virtual void ButtonClick();
  // The picture of gkDefault; nullptr in the base. Not owned by the caller.
  virtual const TBitmap* GetButtonGlyph() { return nullptr; }
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  HBRUSH CtlColor(HDC DC) override;
  // The drop-down, owned by the subclass that makes it; its CloseUp is bound to PopupCloseUp.
  void SetPopup(TPopupWindow* Value);
  void UpdateBtnBounds();
  void SetEditRect();
  void RecreateGlyph();
  // The inner edit's read-only state from ReadOnly and DirectInput.
  void ApplyEditReadOnly();
  // The construction step is under way (the button width is taken at once).
  bool FCreating = false;

private:
  friend class TEditButton;
  TEditButton* FButton = nullptr;
  TWinControl* FBtnControl = nullptr;
  TPopupWindow* FPopup = nullptr;
  bool FReadOnly = false, FDirectInput = true, FPopupVisible = false, FClosingPopup = false, FOEMConvert = false;
  TAlignment FAlignment = taLeftJustify;
  TGlyphKind FGlyphKind = gkCustom;
  void ButtonStep();
  void ButtonMouseDown();
  void MakeCaret();
  void ResizeToMinimum();
  void KeyChar(TMessage& Message);
  void PasteLine();
  int MinimumHeight();
};

using TExecOpenDialogEvent = std::function<void(TObject* Sender, std::string& Name, bool& Action)>;

// A combo edit for a path: takes files dropped from the shell and keeps the system from showing
// error boxes for empty drives while its dialog runs.
class TFileDirEdit : public TCustomComboEdit {
public:
  explicit TFileDirEdit(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  bool AcceptFiles() const { return FAcceptFiles; }
  void SetAcceptFiles(bool Value);
  bool MultipleFiles() const { return FMultipleFiles; }
  TNotifyEvent OnDropFiles;
  TExecOpenDialogEvent OnBeforeDialog, OnAfterDialog;

  virtual std::string GetLongFileName() = 0;
  virtual std::string GetShortFileName() = 0;
  virtual void AcceptFileName(const std::string& Name) = 0;
  virtual void ClearChosenFiles() {}
  void WndProc(TMessage& Message) override;

protected:
  virtual void DoBeforeDialog(std::string& Name, bool& Action);
  virtual void DoAfterDialog(std::string& Name, bool& Action);
  const TBitmap* GetButtonGlyph() override;
  void CreateWnd() override;
  void DestroyWnd() override;
  bool FMultipleFiles = false;

private:
  bool FAcceptFiles = false;
};

// The system error mode SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX for the object's life.
class TDialogErrorMode {
public:
  TDialogErrorMode() : FOld(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~TDialogErrorMode() { SetErrorMode(FOld); }
  TDialogErrorMode(const TDialogErrorMode&) = delete;
  TDialogErrorMode& operator=(const TDialogErrorMode&) = delete;

private:
  UINT FOld;
};

enum TFileDialogKind { dkOpen, dkSave, dkOpenPicture, dkSavePicture };

// A name with a blank that does not begin with a double quote, put between double quotes.
std::string QuotedFileName(const std::string& Name);

class TFilenameEdit : public TFileDirEdit {
public:
  explicit TFilenameEdit(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TOpenDialog* Dialog() const { return FDialog; }
  TFileDialogKind DialogKind() const { return FDialogKind; }
  void SetDialogKind(TFileDialogKind Value);
  // The text when such a file exists, else the program part of the text as a command line.
  std::string FileName();
  // EComboEditError "Invalid file name - %s" for a name whose program part is not a valid file name.
  void SetFileName(const std::string& Value);
  std::string DefaultExt() const { return FDialog->DefaultExt(); }
  void SetDefaultExt(const std::string& Value) { FDialog->SetDefaultExt(Value); }
  TFileEditStyle FileEditStyle() const { return FDialog->FileEditStyle; }
  void SetFileEditStyle(TFileEditStyle Value) { FDialog->FileEditStyle = Value; }
  std::string Filter() const { return FDialog->Filter; }
  void SetFilter(const std::string& Value) { FDialog->Filter = Value; }
  int FilterIndex() const { return FDialog->FilterIndex; }
  void SetFilterIndex(int Value) { FDialog->FilterIndex = Value; }
  std::string InitialDir() const { return FDialog->InitialDir; }
  void SetInitialDir(const std::string& Value) { FDialog->InitialDir = Value; }
  TStrings* HistoryList() const { return FDialog->HistoryList(); }
  TOpenOptions DialogOptions() const { return FDialog->Options; }
  void SetDialogOptions(TOpenOptions Value);
  std::string DialogTitle() const { return FDialog->Title; }
  void SetDialogTitle(const std::string& Value) { FDialog->Title = Value; }
  int HelpContext = 0;

  std::string GetLongFileName() override;
  std::string GetShortFileName() override;
  void AcceptFileName(const std::string& Name) override;
  void ClearChosenFiles() override;

protected:
  void ButtonClick() override;
  // A new dialog of Kind owned by the edit.
  virtual TOpenDialog* NewDialog(TFileDialogKind Kind);

private:
  TOpenDialog* FDialog = nullptr;
  TFileDialogKind FDialogKind = dkOpen;
  void CreateEditDialog();
};

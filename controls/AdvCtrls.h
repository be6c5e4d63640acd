// The type-ahead combo box: a drop-down list selects by the prefix typed in the last 1.5 s, an
// editable box completes the typed text to the first matching item; flat border, drop-down width.
#pragma once

#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/StdCtrls.h"

#include <string>

class TAdvCustomComboBox : public TCustomComboBox {
public:
  explicit TAdvCustomComboBox(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  bool FreeText = true;        // an editable box takes text that matches no item
  bool BeepOnMismatch = true;  // a failed match beeps
  bool ReadOnly = false;       // the edit field's characters skip the type-ahead
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  int DropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(int Value);
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  const std::string& SearchText() const { return FSearchText; }
  // The timer whose tick ends the typed prefix (1.5 s after the last character).
  TTimer& ResetTimer() { return *FResetTimer; }
  TNotifyEvent OnMatch;

  // CB_FINDSTRING over the whole list: the first item that starts with Text (any case), or -1.
  virtual int FindItem(const std::string& Text);
  virtual void MatchFailed();
  // A drop-down list's prefix: selects the match (storing Text as the prefix) or fails.
  virtual void MatchListItem(const std::string& Text, char& Key);
  // An editable box's text: selects the match and marks its tail; false when nothing matches.
  virtual bool MatchEditItem(const std::string& Text, char& Key);

  void EditWndProc(TMessage& Message) override;
  void WndProc(TMessage& Message) override;

protected:
  void CreateWnd() override;
  void Notify(TMessage& Message) override;
  // The change and select notifications of a selection the control made itself.
  void SelectionChanged();
  bool IsDropDownList() const;

private:
  TBorderStyle FBorderStyle = bsSingle;
  bool FTyping = false, FSettingText = false;
  int FDropDownWidth = 0, FMaxLength = 0;
  std::string FSearchText;
  TTimer* FResetTimer;
  void ListChar(TMessage& Message);
  // An editable box's character; true when it was consumed.
  bool EditChar(char Key);
  void EditKeyDown(TMessage& Message, bool& Drop);
  void CompleteText();
  std::string EditText();
  void EditSel(int& Start, int& End);
  void SetEditText(const std::string& Text);
  void PaintFlatBorder();
};

class TAdvComboBox : public TAdvCustomComboBox {
public:
  using TAdvCustomComboBox::TAdvCustomComboBox;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// Actions: commands with a caption, hint, shortcut, enabling and checking that linked controls and
// menu items follow; lists of them per form, updated when the application goes idle and matched
// against key-downs through the application's shortcut hook. Shortcuts and their menu texts.
#pragma once

#include "classlib/core/ImgList.h"
#include "classlib/core/TypInfo.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A key with shift bits: the virtual-key code in the low byte.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
// Shift is the control library's TShiftState (ssShift, ssCtrl, ssAlt bits).
TShortCut ShortCut(WORD Key, unsigned Shift);
// The shortcut as a menu shows it: "Ctrl+F", "Ins", "F2", "Shift+Del"; "" for none.
std::string ShortCutToText(TShortCut Value);
// The shortcut of a text made by ShortCutToText; scNone for an unknown text.
TShortCut TextToShortCut(const std::string& Text);

class TBasicAction;

// Something that follows an action: its ActionChange runs whenever the action's properties change,
// and once on linking (CheckDefaults: only properties the client left at their defaults are taken).
class TActionClient {
public:
  virtual ~TActionClient() = default;
  virtual void ActionChange(TBasicAction* Sender, bool CheckDefaults) = 0;
};

class TCustomActionList;

// Links Client, the component Self, to Value through Field: the registration and free notification
// leave the old action; the client hears of the new one at once (only its defaults taken while Self loads).
void SetActionLink(TComponent* Self, TActionClient* Client, TBasicAction*& Field, TBasicAction* Value);

class TBasicAction : public TComponent {
public:
  explicit TBasicAction(TComponent* AOwner);
  ~TBasicAction() override;
  TNotifyEvent OnExecute, OnUpdate;
  // OnExecute; false when it is unassigned.
  virtual bool Execute();
  // OnUpdate; false when it is unassigned.
  virtual bool Update();
  void RegisterChanges(TActionClient* Client);
  void UnRegisterChanges(TActionClient* Client);

protected:
  void Change();

private:
  std::vector<TActionClient*> FClients;
};

class TAction : public TBasicAction {
public:
  explicit TAction(TComponent* AOwner);
  ~TAction() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TCustomActionList* ActionList() const { return FActionList; }
  void SetActionList(TCustomActionList* Value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  std::string Category;
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  // Runs OnExecute when enabled (after an Update); false when nothing ran.
  bool Execute() override;

private:
  TCustomActionList* FActionList = nullptr;
  std::string FCaption, FHint;
  TShortCut FShortCut = scNone;
  bool FEnabled = true, FChecked = false, FVisible = true;
  int FImageIndex = -1;
};

class TCustomActionList : public TComponent {
public:
  explicit TCustomActionList(TComponent* AOwner);
  ~TCustomActionList() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  int ActionCount() const { return static_cast<int>(FActions.size()); }
  TAction* Actions(int Index) const { return FActions.at(static_cast<size_t>(Index)); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  // Runs every action's Update.
  void UpdateActions();
  // The enabled action whose shortcut is ShortCut runs (after its Update): true when one ran.
  // A matching disabled action leaves the key alone.
  bool IsShortCut(TShortCut Value);
  // The lists that live now, in creation order.
  static const std::vector<TCustomActionList*>& Lists();

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TAction;
  std::vector<TAction*> FActions;
  TCustomImageList* FImages = nullptr;
};

class TActionList : public TCustomActionList {
public:
  using TCustomActionList::TCustomActionList;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// The idle update of every action list whose form is showing (what the application runs when idle).
void UpdateVisibleActions();

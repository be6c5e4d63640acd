// The "Registry Bugs" dialog: the inconsistencies found by the file-type scan, repaired one by one
// or all together by deleting registry keys under HKEY_CLASSES_ROOT.
#pragma once

#include "classlib/gui/Forms.h"
#include "classlib/gui/ListView.h"

#include <functional>
#include <string>

class TRegistry;
class TAction;

// The delete behind every repair: Key (relative to Registry's open key, or from its root with a
// leading "\") with its subkeys, or with DefaultValueOnly only Key's default value. Replaceable so
// that a failing repair can be staged; nullptr restores the registry's own delete. Answers the
// previous one.
using TRepairDeleteProc = std::function<void(TRegistry& Registry, const std::string& Key, bool DefaultValueOnly)>;
TRepairDeleteProc SetRepairDeleteProc(TRepairDeleteProc Proc);

class TfrmRegistryBugs : public TForm {
public:
  explicit TfrmRegistryBugs(TComponent* AOwner);
  ~TfrmRegistryBugs() override;

  // Frees the fixed records of the list shown before (their lines go), then shows List (nullptr:
  // nothing) with no repair counted.
  void SetBugs(TStrings* List);
  TStrings* Bugs() const { return FBugs; }
  int FixedCount() const { return FFixedCount; }
  // Repairs record Index of Bugs with Registry (rooted at HKEY_CLASSES_ROOT); a repair that cannot
  // be done shows the failure box and leaves the record unfixed.
  void FixRegistryBug(TRegistry& Registry, int Index);

  // Handlers named by the layout.
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
  void actFixExecute(TObject* Sender);
  void actFixAllExecute(TObject* Sender);
  void actSelectAllExecute(TObject* Sender);
  void actSelectNoneExecute(TObject* Sender);
  void actInvertSelectedExecute(TObject* Sender);
  void OnBugsPresent(TObject* Sender);
  void OnBugsSelected(TObject* Sender);
  void actFixUpdate(TObject* Sender);
  void actFixAllUpdate(TObject* Sender);
  void OnAlwaysEnabled(TObject* Sender);
  void lvBugsChange(TObject* Sender, TListItem* Item, TItemChange Change);
  void HoverLabel1Click(TObject* Sender);
  void pmHintPopup(TObject* Sender);
  void actQuickHintExecute(TObject* Sender);

  TAction* Action(const std::string& Name);

private:
  TStrings* FBugs = nullptr;
  int FFixedCount = 0;
  TCustomListView* List();
  void UpdateBugActions();
  // Fix and Fix All: the repairs of the items (only the selected ones when SelectedOnly).
  void FixItems(bool SelectedOnly);
  void ShowFixedCount();
  bool Unfinished() const;
  void MarkFixed(int Index);
  void ShowUnableToFix(int Index);
};

// Shows Bugs in the dialog, modally; the records fixed there leave the list when it closes.
void ShowRegistryBugs(TStrings* Bugs);

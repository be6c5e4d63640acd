// Recently-used lists: TRecentStrings, a string list with a capacity that inserts at the front or
// appends, and TMRUManager, which keeps one with a user value per name and stores it in the
// storage of a TFormPlacement.
#pragma once

#include "classlib/gui/Menus.h"
#include "controls/Placemnt.h"

#include <cstdint>
#include <memory>

enum TRecentMode { rmInsert, rmAppend };
enum TAccelDelimiter { adTab, adSpace };

class TRecentStrings : public TStringList {
public:
  TRecentStrings();
  int MaxSize() const { return FMaxSize; }
  void SetMaxSize(int Value);  // at least 1; the excess goes
  TRecentMode Mode = rmInsert;
  // An existing name (without regard to case) moves to the front (rmInsert) or the end (rmAppend);
  // a new one goes there and the excess is deleted.
  int Add(const std::string& S) override;
  // The first MaxSize entries of Strings with their objects, keeping their order.
  void AddStrings(const TStrings& Strings);
  void Remove(const std::string& S);
  void DeleteExceed();

private:
  int FMaxSize = 10;
};

using TReadItemEvent = std::function<void(TObject* Sender, TObject* IniFile, const std::string& Section, int Index,
                                          std::string& RecentName, int& UserData)>;
using TClickMenuEvent = std::function<void(TObject* Sender, const std::string& RecentName, const std::string& Caption,
                                           int UserData)>;
using TGetItemEvent = std::function<void(TObject* Sender, std::string& Caption, TShortCut& ShortCut, int UserData)>;
using TWriteItemEvent = std::function<void(TObject* Sender, TObject* IniFile, const std::string& Section, int Index,
                                           const std::string& RecentName, int UserData)>;

class TMRUManager : public TComponent {
public:
  explicit TMRUManager(TComponent* AOwner);
  ~TMRUManager() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TRecentStrings& Strings() { return *FList; }
  int Capacity() const { return FList->MaxSize(); }
  void SetCapacity(int Value) { FList->SetMaxSize(Value); }
  TRecentMode Mode() const { return FList->Mode; }
  void SetMode(TRecentMode Value) { FList->Mode = Value; }
  TFormPlacement* IniStorage() const { return FIniLink->Storage(); }
  void SetIniStorage(TFormPlacement* Value);
  bool AutoUpdate = true;
  bool RemoveOnSelect = false;
  bool AutoEnable() const { return FAutoEnable; }
  void SetAutoEnable(bool Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  int SeparateSize() const { return FSeparateSize; }
  void SetSeparateSize(int Value);
  unsigned StartAccel() const { return FStartAccel; }
  void SetStartAccel(unsigned Value);
  TAccelDelimiter AccelDelimiter() const { return FAccelDelimiter; }
  void SetAccelDelimiter(TAccelDelimiter Value);
  // The item under which the entries are shown as menu items (not owned).
  TMenuItem* RecentMenu() const { return FRecentMenu; }
  void SetRecentMenu(TMenuItem* Value);
  TNotifyEvent OnChange;
  TClickMenuEvent OnClick;
  TGetItemEvent OnGetItemData;
  TReadItemEvent OnReadItem;
  TWriteItemEvent OnWriteItem;

  void Add(const std::string& RecentName, int UserData);
  void Remove(const std::string& RecentName);
  static int UserDataOf(const TStrings& List, int Index);
  // Makes the menu items of the entries again, or removes them.
  void UpdateRecentMenu();
  void ClearRecentMenu();
  void LoadFromIni(TObject* Ini, const std::string& Section);
  void SaveToIni(TObject* Ini, const std::string& Section);
  // The link's root section followed by the manager's default section.
  std::string StorageSection();

protected:
  virtual void Change();
  virtual void DoReadItem(TObject* Ini, const std::string& Section, int Index, std::string& RecentName, int& UserData);
  virtual void DoWriteItem(TObject* Ini, const std::string& Section, int Index, const std::string& RecentName, int UserData);
  virtual void GetItemData(std::string& Caption, TShortCut& ShortCut, int UserData);
  virtual void DoClick(const std::string& RecentName, const std::string& Caption, int UserData);
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  std::unique_ptr<TRecentStrings> FList;
  std::unique_ptr<TIniLink> FIniLink;
  std::vector<TMenuItem*> FItems;  // the items made, owned by the menu
  TMenuItem* FRecentMenu = nullptr;
  int FSeparateSize = 0;
  unsigned FStartAccel = 1;
  bool FAutoEnable = true, FShowAccelChar = true;
  TAccelDelimiter FAccelDelimiter = adTab;
  void ListChanged();
  void MenuItemClick(TObject* Sender);
  void AddMenuItem(TMenuItem* Item);
  void EnableParent();
  void IniSave(TObject* Sender);
  void IniLoad(TObject* Sender);
};

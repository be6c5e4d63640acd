// Form placement: TFormPlacement restores a form's position and state from an INI file or the
// registry when it is shown and writes them when it closes, and opens that storage for the
// components linked to it (TIniLink); TFormStorage also keeps chosen properties and named values.
#pragma once

#include "controls/AppUtils.h"
#include "controls/RxHook.h"

#include <memory>
#include <vector>

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = unsigned;  // bits of TPlacementOption
constexpr TPlacementOptions PlacementBit(TPlacementOption O) { return 1u << O; }
enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };
enum TIniLinkOperation { ioSave, ioLoad };

class TFormPlacement;

class TWinMinMaxInfo : public TPersistent {
public:
  explicit TWinMinMaxInfo(TFormPlacement* AOwner) : FOwner(AOwner) {}
  static const TClassInfo& StaticClassInfo();
  void Assign(TPersistent* Source) override;
  bool DefaultMinMaxInfo() const;
  const MINMAXINFO& Info() const { return FInfo; }
  int MaxPosLeft() const { return FInfo.ptMaxPosition.x; }
  int MaxPosTop() const { return FInfo.ptMaxPosition.y; }
  int MaxSizeHeight() const { return FInfo.ptMaxSize.y; }
  int MaxSizeWidth() const { return FInfo.ptMaxSize.x; }
  int MaxTrackHeight() const { return FInfo.ptMaxTrackSize.y; }
  int MaxTrackWidth() const { return FInfo.ptMaxTrackSize.x; }
  int MinTrackHeight() const { return FInfo.ptMinTrackSize.y; }
  int MinTrackWidth() const { return FInfo.ptMinTrackSize.x; }
  void SetMaxPosLeft(int V) { SetValue(FInfo.ptMaxPosition.x, V); }
  void SetMaxPosTop(int V) { SetValue(FInfo.ptMaxPosition.y, V); }
  void SetMaxSizeHeight(int V) { SetValue(FInfo.ptMaxSize.y, V); }
  void SetMaxSizeWidth(int V) { SetValue(FInfo.ptMaxSize.x, V); }
  void SetMaxTrackHeight(int V) { SetValue(FInfo.ptMaxTrackSize.y, V); }
  void SetMaxTrackWidth(int V) { SetValue(FInfo.ptMaxTrackSize.x, V); }
  void SetMinTrackHeight(int V) { SetValue(FInfo.ptMinTrackSize.y, V); }
  void SetMinTrackWidth(int V) { SetValue(FInfo.ptMinTrackSize.x, V); }

private:
  TFormPlacement* FOwner;
  MINMAXINFO FInfo{};
  void SetValue(LONG& Member, int Value);
};

class TIniLink : public TPersistent {
public:
  ~TIniLink() override;
  TFormPlacement* Storage() const { return FStorage; }
  void SetStorage(TFormPlacement* Value);
  TObject* IniObject() const;
  // The placement's own section followed by "\" ("" without one).
  std::string RootSection() const;
  TNotifyEvent OnSave, OnLoad;
  virtual void SaveToIni();
  virtual void LoadFromIni();

private:
  TFormPlacement* FStorage = nullptr;
};

class TFormPlacement : public TComponent {
public:
  explicit TFormPlacement(TComponent* AOwner);
  ~TFormPlacement() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  bool Active = true;
  std::string IniFileName() const;
  void SetIniFileName(const std::string& Value) { FIniFileName = Value; }
  std::string IniSection() const;
  const std::string& StoredIniSection() const { return FIniSection; }
  void SetIniSection(const std::string& Value) { FIniSection = Value; }
  TWinMinMaxInfo& MinMaxInfo() { return FMinMaxInfo; }
  TPlacementOptions Options;
  bool PreventResize() const { return FPreventResize; }
  void SetPreventResize(bool Value);
  TPlacementRegRoot RegistryRoot = prCurrentUser;
  bool UseRegistry = false;
  int Version = 0;
  TNotifyEvent OnSavePlacement, OnRestorePlacement;

  void SaveFormPlacement();
  void RestoreFormPlacement();
  // The open storage object (TRegIniFile or TIniFile); nullptr while closed.
  TCustomIniFile* GetIniFileObject() const;
  void OpenStorage(bool ReadOnly);
  void CloseStorage();
  std::string ReadSectionString(const std::string& Ident, const std::string& Default);
  void WriteSectionString(const std::string& Ident, const std::string& Value);
  int ReadSectionInteger(const std::string& Ident, int Default);
  void WriteSectionInteger(const std::string& Ident, int Value);
  virtual std::string ReadStoredString(const std::string& Section, const std::string& Ident, const std::string& Default);
  virtual void WriteStoredString(const std::string& Section, const std::string& Ident, const std::string& Value);
  void AddLink(TIniLink* Link);
  void RemoveLink(TIniLink* Link);
  void NotifyLinks(TIniLinkOperation Operation);
  void UpdatePlacement();
  void MinMaxInfoChanged();
  TRxWindowHook& WinHook() { return *FWinHook; }
  bool Saved() const { return FSaved; }
  bool Restored() const { return FRestored; }

  void Loaded() override;

protected:
  virtual void SavePlacement();
  virtual void RestorePlacement();
  virtual void DoSavePlacement();
  virtual void DoRestorePlacement();
  TCustomForm* Form() const;
  bool FRestored = false;

private:
  std::string FIniFileName, FIniSection;
  std::unique_ptr<TIniFile> FIniFile;
  std::unique_ptr<TRegIniFile> FRegIniFile;
  std::vector<TIniLink*> FLinks;
  bool FSaved = false, FDestroying = false, FPreventResize = false, FDefMaximize = false, FEventsHooked = false;
  TWinMinMaxInfo FMinMaxInfo{this};
  TRxWindowHook* FWinHook;
  TNotifyEvent FSaveFormShow, FSaveFormDestroy;
  TCloseQueryEvent FSaveFormCloseQuery;
  void SetEvents();
  void RestoreEvents();
  void FormShow(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormDestroy(TObject* Sender);
  void UpdateHook();
  void UpdatePreventResize();
  void WndMessage(TObject* Sender, TMessage& Msg, bool& Handled);
};

class TStoredValues;

class TFormStorage : public TFormPlacement {
public:
  explicit TFormStorage(TComponent* AOwner);
  ~TFormStorage() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  // "<component>.<property>" lines with the component in the object slot.
  TStringList& StoredProps() { return *FStoredProps; }
  TStoredValues& StoredValues() { return *FStoredValues; }
  void Loaded() override;
  virtual void SaveStoredProps();
  virtual void RestoreStoredProps();

protected:
  void SavePlacement() override;
  void RestorePlacement() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  std::unique_ptr<TStringList> FStoredProps;
  std::unique_ptr<TStoredValues> FStoredValues;
};

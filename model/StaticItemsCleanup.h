// The model behind "Static Items Cleanup": the shell verbs that other software registered for a file
// type under HKEY_CLASSES_ROOT\<type>\shell, with those the user disabled earlier (kept under
// HKEY_CURRENT_USER\Software\Corvane\DisabledItems\Static\<type>\shell), marked for disabling,
// enabling or deletion and carried out together by Apply. Corvane's own verbs (names ending in "(*)")
// are not listed.
#pragma once

#include "classlib/core/Classes.h"

#include <string>
#include <vector>

class TRegistry;
class TStaticItems;
class TStaticItemsCleanup;

// The path below HKEY_CURRENT_USER under which disabled verbs are kept, followed by the verb's path
// below HKEY_CLASSES_ROOT.
inline constexpr const char* DisabledStaticItemsKey = "Software\\Corvane\\DisabledItems\\Static\\";

// One verb as found.
class TMenuItemRec : public TObject {
public:
  TMenuItemRec(TStaticItems* AOwner, int AIndex, bool AStoredDisabled, const std::string& AKeyPath,
               const std::string& ACommand, const std::string& ACaption)
      : Owner(AOwner), Caption(ACaption), Command(ACommand), KeyPath(AKeyPath), StoredDisabled(AStoredDisabled),
        Index(AIndex) {}

  TStaticItems* Owner;
  std::string Caption;
  std::string Command;  // the "command" subkey's default value, "<none>" without that subkey
  // The verb key without a leading "\": "<type>\shell\<verb>" below HKEY_CLASSES_ROOT, or
  // DisabledStaticItemsKey + that below HKEY_CURRENT_USER.
  std::string KeyPath;
  bool StoredDisabled;  // the key lives below HKEY_CURRENT_USER
  int Index;            // position in the owner's lines

  // KeyPath without the disabled-items prefix: the verb's place below HKEY_CLASSES_ROOT.
  std::string GetRegistryPath() const;
};

// The verbs of one file type.
class TStaticItems : public TObject {
public:
  TStaticItems(TStaticItemsCleanup* AOwner, const std::string& AShellKey);
  ~TStaticItems() override;
  TStaticItems(const TStaticItems&) = delete;
  TStaticItems& operator=(const TStaticItems&) = delete;

  TStaticItemsCleanup* Owner() const { return FOwner; }
  const std::string& ShellKey() const { return FShellKey; }

  int GetCount() const { return FItems.Count(); }
  TMenuItemRec* GetItem(int Index) const;  // EStringListError on a bad index
  // "*" and the verb's name in lower case for a standard verb, else its caption.
  std::string GetItemText(int Index) const { return FItems.Get(Index); }
  bool IsDisabled(int Index) const;
  bool IsDeleted(int Index) const;
  // Mark or unmark; only a real change reaches the owner's Changed.
  void SetDisabled(int Index, bool Value);
  void SetDeleted(int Index, bool Value);
  // Marks every verb deleted inside one update of the owner.
  void DeleteAll();

  // Lists the verbs of HKEY_CLASSES_ROOT<ShellKey>, then the disabled ones (marked disabled). Marks
  // are dropped. Registry failures on a verb key raise "Registry operation error".
  void Load();
  // Deletes the verbs marked deleted, then moves every verb whose mark differs from where its key
  // lives (copy first, then delete the source). A failure raises; what was carried out until then
  // stays carried out and the other marks stay in place, so a second Apply completes the rest.
  void Apply();

private:
  TStaticItemsCleanup* FOwner;
  std::string FShellKey;
  TStringList FItems;                   // objects: the owned records
  std::vector<TMenuItemRec*> FDisabled;  // in the order marked
  std::vector<TMenuItemRec*> FDeleted;   // in the order marked

  void Clear();
  void ScanVerbs(TRegistry& Registry, const std::string& Path, int& Index, bool StoredDisabled);
  void RemoveItem(TMenuItemRec* Rec);  // drops the line and its marks, renumbers the rest
};

class TStaticItemsCleanup : public TObject {
public:
  TStaticItemsCleanup();
  ~TStaticItemsCleanup() override;
  TStaticItemsCleanup(const TStaticItemsCleanup&) = delete;
  TStaticItemsCleanup& operator=(const TStaticItemsCleanup&) = delete;

  // The verbs of ShellKey ("\<type>\shell"), loaded on the first request; letter case does not matter.
  TStaticItems* GetStaticItems(const std::string& ShellKey);
  int CacheCount() const { return FCache.Count(); }

  void BeginUpdate();
  // Raises "EndUpdate without BeginUpdate in StaticItemsCleanup" when no update is open; the last
  // EndUpdate calls Changed.
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  // Modified := true; OnChange fires unless an update is open.
  void Changed();
  // Frees every cached type and clears Modified.
  void Reset();
  // Applies every cached type in the cache's order inside one update; Modified is cleared only when
  // all succeeded.
  void Apply();

  bool Modified() const { return FModified; }
  TNotifyEvent OnChange;

private:
  TStringList FCache;  // lower-cased shell keys, sorted without regard to case; objects: TStaticItems
  bool FModified = false;
  int FUpdateCount = 0;
};

// The program's instance, made on first use and freed when the program ends.
TStaticItemsCleanup* GetStaticItemsCleanup();

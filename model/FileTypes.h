// The file types of HKEY_CLASSES_ROOT: the predefined pseudo types, the scan of the registry into a
// sorted collection with the inconsistencies it meets, the icon loader that fills an image list
// with one icon per type, and the link through which a client follows the model and one of its
// types across rescans.
#pragma once

#include "classlib/core/Classes.h"
#include "model/SortedCollection.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TCustomImageList;
class TFileTypeLink;
class TFileTypes;
class TIcon;
class TRegistry;

// ---------------------------------------------------------------------------------------------
// Predefined pseudo types

enum TPredefinedType {
  ptypAllFiles,
  ptypAllFileSystemObjects,
  ptypUnknown,
  ptypFolder,
  ptypDirectory,
  ptypBackground,
  ptypNetwork,
  ptypNetShare,
  ptypNetServer,
  ptypPrinters,
  ptypDrive,
  ptypAudioCD,
  ptypDVD
};
constexpr int PredefinedTypeCount = ptypDVD + 1;

// A set of predefined types.
class TPredefinedTypes {
public:
  constexpr TPredefinedTypes() = default;
  constexpr TPredefinedTypes(std::initializer_list<TPredefinedType> Types) {
    for (TPredefinedType T : Types) FBits |= Bit(T);
  }
  static constexpr TPredefinedTypes All() {
    TPredefinedTypes Result;
    Result.FBits = (1u << PredefinedTypeCount) - 1;
    return Result;
  }
  constexpr bool Contains(TPredefinedType T) const { return (FBits & Bit(T)) != 0; }
  constexpr TPredefinedTypes& Include(TPredefinedType T) {
    FBits |= Bit(T);
    return *this;
  }
  constexpr TPredefinedTypes& Exclude(TPredefinedType T) {
    FBits &= ~Bit(T);
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  // Member T as bit T (the published set's form).
  constexpr uint32_t Bits() const { return FBits; }
  static constexpr TPredefinedTypes FromBits(uint32_t Bits) {
    TPredefinedTypes Result;
    Result.FBits = Bits & All().FBits;
    return Result;
  }
  constexpr bool operator==(const TPredefinedTypes&) const = default;

private:
  static constexpr uint32_t Bit(TPredefinedType T) { return 1u << static_cast<int>(T); }
  uint32_t FBits = 0;
};

// Platform bits of TSpecialClass::Platforms.
constexpr uint8_t PlatformWin9x = 1, PlatformWinNT = 2;

// Shell library version 4.71 as major shl 16 or minor.
constexpr uint32_t ShellVersion471 = (4u << 16) | 71u;

// One row of the table of predefined pseudo types.
struct TSpecialClass {
  TPredefinedType PredefinedType;
  std::string Name;     // the registry key name
  std::string Caption;
  uint32_t MinShellVersion;
  uint8_t Platforms;    // PlatformWin9x | PlatformWinNT
  std::string Icon;     // file name, comma, icon index; empty for the rows that take the program's icon
};
using TSpecialClasses = std::vector<TSpecialClass>;

// The table, built on first use and kept for the program's life (captions from the string table).
const TSpecialClasses& SpecialClasses();

// The predefined types the running system allows, in table order: parallel lists of names,
// captions, icon locations and types. The position of a name is the type's sort rank.
struct TPredefinedLists {
  std::vector<std::string> Names, Captions, Icons;
  std::vector<TPredefinedType> Types;
  // Position of Name (without regard to case), -1 when it is not predefined.
  int IndexOf(const std::string& Name) const;
};

// The lists for a platform and shell version: the rows whose platform bit matches and whose
// MinShellVersion is not above ShellVersion; the rows without an icon get ProgramIcon.
TPredefinedLists BuildPredefinedLists(bool WindowsNT, uint32_t ShellVersion, const std::string& ProgramIcon);
// The lists of the running system, built on first use: the program's icon is its module file
// followed by ",-2000".
const TPredefinedLists& PredefinedLists();

// ---------------------------------------------------------------------------------------------
// Platform facts

// LoadLibraryA, DllGetVersion (a DLLVERSIONINFO of size 20): major shl 16 or minor; 0 when the
// module has no such export or the call fails. A module that cannot be loaded answers from its
// version block's "FileVersion" (see ParseFileVersion).
uint32_t GetModuleVersion(const std::string& FileName);
// The major and minor numbers of a "FileVersion" text: up to the first "." and from there to the
// second "." (or the end), each a decimal integer or 0; a text without "." gives 0.
uint32_t ParseFileVersion(const std::string& Text);
// Version of "shell32.dll", read once.
uint32_t ShellVersion();
// Whether the platform identifier is VER_PLATFORM_WIN32_NT.
bool IsWindowsNT();
// The Windows folder without a trailing backslash.
std::string WindowsDirectory();

// Environment references of an icon path: on Windows NT every reference (ExpandEnvironmentStringsA,
// any length); on Windows 9x only a leading "%SystemRoot%" or "%WinDir%" (ExpandWin9xPath).
std::string ExpandIconPath(const std::string& Path);
// The Windows 9x rule: the text from the start up to each double quote, "," or "\" in turn, and at
// last the whole text, is compared without regard to case with "%SystemRoot%" and "%WinDir%"; a
// match is replaced by WindowsDir and the scan goes on after it.
std::string ExpandWin9xPath(const std::string& Path, const std::string& WindowsDir);

// ---------------------------------------------------------------------------------------------
// TFileType

class TFileType : public TCollectionItem {
public:
  explicit TFileType(TCollection* Collection = nullptr);
  // Tells the links (code 1) while the item is still whole, then leaves the collection.
  ~TFileType() override;

  const std::string& Description() const { return FDescription; }
  const std::string& Name() const { return FName; }
  const std::string& IconLocation() const { return FIconLocation; }
  const std::string& CurVer() const { return FCurVer; }
  bool Predefined() const { return FPredefined; }
  TPredefinedType PredefinedType() const { return FPredefinedType; }
  // Writers for models built by hand; each sends the collection's change (links hear code 0).
  void SetDescription(const std::string& Value);
  void SetName(const std::string& Value);
  void SetIconLocation(const std::string& Value);
  void SetCurVer(const std::string& Value);

  int GetExtensionCount() const { return static_cast<int>(FExtensions.size()); }
  // EListError "List index out of bounds (%d)" outside 0..count-1.
  const std::string& GetExtension(int Index) const;
  const std::vector<std::string>& Extensions() const { return FExtensions; }
  // A new sorted list of the extensions.
  std::unique_ptr<TAdvStringList> GetExtensions() const;
  void AddExtension(const std::string& Ext);
  void AppendExtensions(const std::vector<std::string>& Exts);

  // Moves the item and tells the links (code 2); the collection's own change notice of the move is
  // swallowed (Moving).
  void SetIndex(int Value) override;
  // Asks the owning model to notify its links with Action and Item.
  virtual void Changed(int Action, TFileType* Item);
  using TCollectionItem::Changed;

  TFileTypes* FileTypes() const;

private:
  friend class TFileTypes;
  std::string FDescription;
  std::string FName;
  std::string FIconLocation;
  std::string FCurVer;
  std::vector<std::string> FExtensions;
  bool FPredefined = false;
  TPredefinedType FPredefinedType = ptypAllFiles;
};

// ---------------------------------------------------------------------------------------------
// TErroneousFileType: one inconsistency found by the scan, the object of one error-list line

class TErroneousFileType : public TObject {
public:
  TErroneousFileType(uint8_t AKind, const std::string& AKeyValue, const std::string& ADetailValue)
      : Kind(AKind), KeyValue(AKeyValue), DetailValue(ADetailValue) {}

  // 0 extension of a missing type, 1 CurVer problem, 2 registry access or data type, 3 missing icon file.
  uint8_t Kind;
  std::string KeyValue;
  std::string DetailValue;
  bool Fixed = false;
};

// Kinds of TErroneousFileType.
constexpr uint8_t fteExtension = 0, fteCurVer = 1, fteRegistry = 2, fteIcon = 3;

// Frees the TErroneousFileType objects of the lines and clears the list.
void ClearFileTypeErrors(TStrings& Errors);

// ---------------------------------------------------------------------------------------------
// TFileTypes

// Notification codes passed to the links.
constexpr int ftnChanged = 0, ftnDestroyed = 1, ftnMoved = 2, ftnRefreshed = 3, ftnItemRefreshed = 4,
              ftnIconLoaded = 5;

class TFileTypes : public TSortedCollection {
public:
  explicit TFileTypes(TPersistent* AOwner);
  // Every link detaches (code 1 without item), then the items go, each telling what links remain.
  ~TFileTypes() override;

  TFileType* GetItem(int Index) const { return static_cast<TFileType*>(Items(Index)); }
  TFileType* operator[](int Index) const { return GetItem(Index); }
  TFileType* Add();
  // The first item whose Name equals Name without regard to case (equal AnsiUpperCase forms);
  // nullptr when none.
  TFileType* FindByName(const std::string& Name) const;

  // Appends the link and at once calls its Notify(0, nullptr). The link's own SetFileTypes does
  // this; call it directly only for a link that does not know the model yet.
  void AddLink(TFileTypeLink* Link);
  void RemoveLink(TFileTypeLink* Link);
  int LinkCount() const;
  // While the collection is updating only code 4 passes; otherwise every link's Notify in the order
  // the links were added. A link removed during the notice is skipped; one added is not reached.
  void NotifyLinks(int Action, TFileType* Item);

  bool Scanning() const { return FScanning; }
  bool Moving() const { return FMoving; }

  // Two ordinary types by Description (AnsiCompareStr); an ordinary type after a predefined one;
  // two predefined types by the positions of their Names in the predefined list.
  int Compare(int Index1, int Index2) override;
  int CompareTypes(const TFileType* T1, const TFileType* T2) const;

  // Scans HKEY_CLASSES_ROOT into the collection, the inconsistencies into Errors (whose old records
  // are freed). Opening the root raises the registry error; the update bracket is closed in any
  // case and the links hear code 3.
  void Refresh(TStringList& Errors);
  // One icon per item into Images (renewed, masked), at the item's index.
  void LoadIcons(TCustomImageList& Images, TStringList& Errors);

  // Loads one icon location into Icon: "%1", also in double quotes, is the icon of a file with
  // extension Ext; otherwise a file name, a comma and an index. A missing icon file adds a Kind 3
  // record for Owner to Errors (when given). Answers whether Icon got a handle.
  static bool LoadIconLocation(const std::string& Location, const std::string& Ext, TIcon& Icon, bool SmallIcon,
                               const TFileType* Owner, TStrings* Errors);

protected:
  // The root key the scan reads: HKEY_CLASSES_ROOT.
  virtual HKEY ClassesRoot() const { return HKEY_CLASSES_ROOT; }
  // No re-positioning: a move's own notice is swallowed, any other change goes to the links
  // (code 0) unless a scan runs.
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
  friend class TFileType;
  std::vector<TFileTypeLink*> FLinks;  // removed links leave nullptr until the list is packed
  int FNotifying = 0;
  bool FLinksToPack = false;
  bool FScanning = false;
  bool FMoving = false;
  // Items by AnsiUpperCase(Name), in collection order of insertion.
  std::unordered_map<std::string, std::vector<TFileType*>> FNameIndex;

  void IndexName(TFileType* Item);
  void UnindexName(TFileType* Item);
  void PackLinks();
  void Scan(TRegistry& Registry, TStringList& Errors);
  void SortItems();
};

// ---------------------------------------------------------------------------------------------
// TFileTypeLink

using TItemNotifyEvent = std::function<void(TObject* Sender, TFileType* Item)>;

// Detached (no model), attached without item, or attached with item. The Sender of every event is
// the link. A link whose item goes while the model is updating (a scan) forgets the pointer at once
// and finds its type again by name when the model reports the end of the scan.
class TFileTypeLink : public TPersistent {
public:
  TFileTypeLink();
  ~TFileTypeLink() override;  // SetFileTypes(nullptr)
  TFileTypeLink(const TFileTypeLink&) = delete;
  TFileTypeLink& operator=(const TFileTypeLink&) = delete;

  TItemNotifyEvent OnDestroy;
  TItemNotifyEvent OnChange;
  TItemNotifyEvent OnMove;
  TNotifyEvent OnRefresh;
  TItemNotifyEvent OnRefreshItem;
  TItemNotifyEvent OnLoadIcon;

  TFileType* FileType() const { return FItem; }
  // A non-nil Item must belong to the link's model, else Exception "FileTypes property not set or
  // item does not belong to FileTypes". ItemName becomes the item's Name ("" for nil).
  void SetFileType(TFileType* Item);
  TFileTypes* FileTypes() const { return FFileTypes; }
  // Leaves the old model, clears the item and joins the new model, which at once fires OnChange
  // with no item.
  void SetFileTypes(TFileTypes* Model);
  const std::string& ItemName() const { return FItemName; }

  // 0 ItemChanged, 1 ItemDestroyed, 2 ItemMoved, 3 ListRefreshed, 4 ItemRefreshed, 5 IconLoaded.
  virtual void Notify(int Action, TFileType* Item);

protected:
  // The linked item: cleared, then OnDestroy. No item (the model goes): detach, then OnDestroy.
  // Another item: OnDestroy.
  virtual void ItemDestroyed(TFileType* Item);
  virtual void ItemChanged(TFileType* Item);
  virtual void ItemMoved(TFileType* Item);
  // A link with a type finds it again by name: gone, ItemDestroyed(nullptr); else OnRefresh.
  virtual void ListRefreshed();
  // For the linked item, the same search; then OnRefreshItem (for any item and for nil).
  virtual void ItemRefreshed(TFileType* Item);
  virtual void IconLoaded(TFileType* Item);

private:
  friend class TFileTypes;
  TFileType* FItem = nullptr;
  TFileTypes* FFileTypes = nullptr;
  std::string FItemName;

  // The model drops Item while it is updating: the pointer goes, the name stays for the search.
  void ForgetItem(TFileType* Item);
  // Searches the type of ItemName again; false (after ItemDestroyed(nullptr)) when it is gone.
  bool Refind();
  bool HasType() const { return FItem != nullptr || !FItemName.empty(); }
};

// Non-visual class library: the object roots, lists, string lists, collections and streams.
#pragma once

#include "classlib/core/SysUtils.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Roots

// The demangled name of a C++ type without its namespaces or enclosing scopes ("TStringList").
std::string ClassNameOf(const std::type_info& Type);

class TObject {
public:
  virtual ~TObject();
  // The name of the object's dynamic class (ClassNameOf).
  virtual std::string ClassName() const;
  // The answer of a safecall method of this object to an exception it raised; E_UNEXPECTED here.
  virtual HRESULT SafeCallException(Exception* ExceptObject, void* ExceptAddr);
};

class TPersistent : public TObject {
public:
  // Copies Source into this object; the base hands it to Source->AssignTo(this).
  virtual void Assign(TPersistent* Source);

protected:
  // The base raises EConvertError "Cannot assign a %s to a %s" (source class, this class).
  virtual void AssignTo(TPersistent* Dest);
  virtual TPersistent* GetOwner();
  [[noreturn]] void AssignError(TPersistent* Source);
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Holds an update bracket (BeginUpdate ... EndUpdate) of Target for the scope. When the scope is
// left by an exception, a failing EndUpdate is dropped so that the first exception goes on.
template <class T>
class TUpdateScope {
public:
  explicit TUpdateScope(T& Target) : FTarget(Target), FUncaught(std::uncaught_exceptions()) {
    FTarget.BeginUpdate();
  }
  ~TUpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() > FUncaught) {
      try {
        FTarget.EndUpdate();
      } catch (...) {
      }
    } else {
      FTarget.EndUpdate();
    }
  }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
  T& FTarget;
  int FUncaught;
};

template <class T>
TUpdateScope<T> UpdateScope(T& Target) {
  return TUpdateScope<T>(Target);
}

class EListError : public Exception {
public:
  using Exception::Exception;
};
class EStringListError : public Exception {
public:
  using Exception::Exception;
};
class EStreamError : public Exception {
public:
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

// ---------------------------------------------------------------------------------------------
// TList: a list of untyped pointers.

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

class TList : public TObject {
public:
  TList();
  ~TList() override;

  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  int Remove(void* Item);       // index the item had, -1 when absent
  void* Extract(void* Item);    // removes without lnDeleted; nullptr when absent
  int IndexOf(void* Item) const;
  void* Get(int Index) const;
  void* Items(int Index) const { return Get(Index); }
  void* operator[](int Index) const { return Get(Index); }
  void Put(int Index, void* Item);
  int Count() const { return static_cast<int>(FList.size()); }
  void SetCount(int NewCount);  // grows with nullptr entries, shrinks by deleting from the end
  int Capacity() const { return FCapacity; }
  void SetCapacity(int NewCapacity);
  virtual void Clear();
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);  // removes the item and inserts it at NewIndex
  void* First() const;
  void* Last() const;
  void Pack();  // drops nullptr entries
  void Sort(TListSortCompare Compare);
  TList* Expand();

  // Raises EListError with the resource string Ident formatted with Data.
  [[noreturn]] static void Error(int Ident, int Data);

protected:
  virtual void Grow();
  virtual void Notify(void* Ptr, TListNotification Action);

private:
  std::vector<void*> FList;
  int FCapacity = 0;
};

// ---------------------------------------------------------------------------------------------
// String lists

class TStream;

class TStrings : public TPersistent {
public:
  virtual int Count() const = 0;
  virtual std::string Get(int Index) const = 0;  // bad index: EStringListError "List index out of bounds (%d)"
  std::string operator[](int Index) const { return Get(Index); }
  std::string Strings(int Index) const { return Get(Index); }
  virtual void Put(int Index, const std::string& S);
  virtual TObject* Objects(int Index) const;
  virtual void PutObject(int Index, TObject* AObject);
  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  virtual void Insert(int Index, const std::string& S) = 0;
  void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual int IndexOf(const std::string& S) const;
  int IndexOfName(const std::string& Name) const;
  int IndexOfObject(TObject* AObject) const;
  std::string Names(int Index) const;                 // text before the first "=", "" without one
  std::string Values(const std::string& Name) const;  // text after "=" of the line named Name
  void SetValue(const std::string& Name, const std::string& Value);  // "" deletes the line
  void BeginUpdate();
  void EndUpdate();
  std::string Text() const;                // every line followed by CR LF
  void SetText(const std::string& Value);  // lines end at CR, LF or CR LF
  void AddStrings(const TStrings& Strings);
  void Assign(TPersistent* Source) override;
  bool Equals(const TStrings& Strings) const;
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream& Stream);  // from the position to the end
  void SaveToFile(const std::string& FileName);
  void SaveToStream(TStream& Stream) const;

protected:
  virtual void SetUpdateState(bool Updating);
  int UpdateCount() const { return FUpdateCount; }
  // Compares two lines; the base uses AnsiCompareText.
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
  [[noreturn]] static void Error(int Ident, int Data);  // EStringListError

private:
  int FUpdateCount = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// What a string list with objects fills: one entry per line, with the line as its text and the
// line's object as its data (views and their entry lists).
class TStringsTarget {
public:
  virtual void FillFromStrings(const TStrings& Lines) = 0;

protected:
  ~TStringsTarget() = default;
};

// Lines with one object each (not owned), optionally kept sorted.
class TStringList : public TStrings {
public:
  TStringList();
  ~TStringList() override;

  TNotifyEvent OnChange, OnChanging;
  TDuplicates Duplicates = dupIgnore;  // used by Add on a sorted list

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);  // true sorts the lines
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);  // re-sorts a sorted list

  int Count() const override { return static_cast<int>(FList.size()); }
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;  // not on a sorted list
  TObject* Objects(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;  // not on a sorted list
  void Delete(int Index) override;
  void Clear() override;
  int IndexOf(const std::string& S) const override;

  // Search by halving on a sorted list: true with the index of the match (the first one with
  // dupAccept), else false with the insertion index.
  virtual bool Find(const std::string& S, int& Index) const;
  virtual void Sort();
  using TStringListSortCompare = std::function<int(TStringList& List, int Index1, int Index2)>;
  virtual void CustomSort(TStringListSortCompare Compare);  // nothing on a sorted list
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);  // not on a sorted list

  int Capacity() const { return static_cast<int>(FList.capacity()); }
  void SetCapacity(int NewCapacity);

protected:
  int CompareStrings(const std::string& S1, const std::string& S2) const override;
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool Updating) override;
  virtual void InsertItem(int Index, const std::string& S, TObject* AObject);

private:
  struct TStringItem {
    std::string FString;
    TObject* FObject;
  };
  std::vector<TStringItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;

  void CheckIndex(int Index) const;
  void QuickSort(int L, int R, const TStringListSortCompare& Compare);
  void SortItems(const TStringListSortCompare& Compare);
};

// ---------------------------------------------------------------------------------------------
// Collections

class TCollection;
class TCollectionItem;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// The item class of a collection: makes an item (not yet inserted; the collection inserts it)
// and tells whether an item is of the class or a descendant. An unset Create makes Add raise;
// an unset IsInstance accepts every item.
struct TCollectionItemClass {
  std::function<TCollectionItem*(TCollection* Collection)> Create;
  std::function<bool(const TCollectionItem* Item)> IsInstance;
  std::string ClassName;
};

class TCollectionItem : public TPersistent {
public:
  // With a collection, the item inserts itself. The collection then sees the item while only
  // this base is built; derived classes that matter to the collection's Notify/Update are made
  // without a collection and inserted afterwards with SetCollection.
  explicit TCollectionItem(TCollection* Collection = nullptr);
  // Removes the item from its collection; should the collection's Notify or Update raise here,
  // the item is still taken out of the list and the exception is dropped.
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const { return FCollection; }
  // Removes the item from its collection (if any) and appends it to Value (if any).
  virtual void SetCollection(TCollection* Value);
  int ID() const { return FID; }
  int Index() const;  // -1 without a collection
  // Moves the item within its collection; sends Changed(true) when the index really changes.
  virtual void SetIndex(int Value);
  virtual std::string DisplayName() const;  // ClassName() by default
  virtual void SetDisplayName(const std::string& Value);
  // The collection's Update(AllItems ? nullptr : this) when the collection is not updating.
  void Changed(bool AllItems);

protected:
  TPersistent* GetOwner() override;  // the collection

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

// Items owned by the collection. The destructor sets UpdateCount to 1 and frees the items; as a
// base destructor it reaches only this class's Notify/Update, so a derived collection that must
// see the items go frees them with Clear() in its own destructor.
class TCollection : public TPersistent {
public:
  explicit TCollection(const TCollectionItemClass& ItemClass);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  TCollectionItem* Add();  // creates the item through the item class, then inserts it
  TCollectionItem* Insert(int Index);  // Add, then SetIndex(Index)
  void Delete(int Index);  // Notify(cnDeleting), then frees the item
  void Clear();            // frees the items from the last, inside one update bracket
  virtual void BeginUpdate();
  virtual void EndUpdate();  // decrements the count and calls Changed()
  void Changed();            // Update(nullptr) when the update count is zero

  int Count() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* Items(int Index) const;  // EListError on a bad index
  void SetItem(int Index, TCollectionItem* Value);  // assigns Value to the item at Index
  TCollectionItem* FindItemID(int ID) const;
  TPersistent* Owner() { return GetOwner(); }
  const TCollectionItemClass& ItemClass() const { return FItemClass; }
  int UpdateCount() const { return FUpdateCount; }
  int NextID() const { return FNextID; }
  void Assign(TPersistent* Source) override;  // a collection source: Clear, Add()->Assign per item

protected:
  // Appends Item (Exception "Invalid property value" when not of the item class), gives it the
  // next ID, calls SetItemName, Notify(cnAdded), Changed().
  void InsertItem(TCollectionItem* Item);
  // Notify(cnExtracting), removes Item, clears its collection, Changed().
  void RemoveItem(TCollectionItem* Item);
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);  // Added / Deleting
  virtual void Added(TCollectionItem* Item);
  virtual void Deleting(TCollectionItem* Item);
  virtual void SetItemName(TCollectionItem* Item);
  virtual void Update(TCollectionItem* Item);
  TPersistent* GetOwner() override;  // nullptr

private:
  friend class TCollectionItem;
  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;

  void DoInsertItem(TCollectionItem* Item);
  void DetachItem(TCollectionItem* Item);  // out of the list without notices
};

class TOwnedCollection : public TCollection {
public:
  TOwnedCollection(TPersistent* AOwner, const TCollectionItemClass& ItemClass);

protected:
  TPersistent* GetOwner() override { return FOwner; }

private:
  TPersistent* FOwner;
};

// The item class of T: Create makes `new T(nullptr)` when T is concrete and constructible from a
// collection pointer (unset otherwise); IsInstance is a dynamic_cast to T.
template <class T>
TCollectionItemClass CollectionItemClass() {
  static_assert(std::is_base_of_v<TCollectionItem, T>, "T must derive from TCollectionItem");
  TCollectionItemClass Result;
  if constexpr (!std::is_abstract_v<T> && std::is_constructible_v<T, TCollection*>) {
    Result.Create = [](TCollection*) -> TCollectionItem* { return new T(static_cast<TCollection*>(nullptr)); };
  }
  Result.IsInstance = [](const TCollectionItem* Item) { return dynamic_cast<const T*>(Item) != nullptr; };
  Result.ClassName = ClassNameOf(typeid(T));
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Streams

constexpr int soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2;

class TStream : public TObject {
public:
  virtual int Read(void* Buffer, int Count) = 0;         // bytes read
  virtual int Write(const void* Buffer, int Count) = 0;  // bytes written
  virtual long long Seek(long long Offset, int Origin) = 0;  // new position, -1 on failure
  long long Position();
  void SetPosition(long long Pos);
  virtual long long Size();
  virtual void SetSize(long long NewSize);
  void ReadBuffer(void* Buffer, int Count);         // EReadError when short
  void WriteBuffer(const void* Buffer, int Count);  // EWriteError when short
  // Copies Count bytes from Source's position; Count 0 copies all of Source from its start.
  long long CopyFrom(TStream& Source, long long Count);
};

constexpr uint16_t fmCreate = 0xFFFF, fmOpenRead = 0, fmOpenWrite = 1, fmOpenReadWrite = 2,
                   fmShareCompat = 0, fmShareExclusive = 0x10, fmShareDenyWrite = 0x20,
                   fmShareDenyRead = 0x30, fmShareDenyNone = 0x40;

class THandleStream : public TStream {
public:
  explicit THandleStream(HANDLE Handle);
  HANDLE Handle() const { return FHandle; }
  int Read(void* Buffer, int Count) override;
  int Write(const void* Buffer, int Count) override;
  long long Seek(long long Offset, int Origin) override;
  void SetSize(long long NewSize) override;  // EOSError on failure

protected:
  HANDLE FHandle;
};

// fmCreate creates or truncates (EFCreateError); other modes open an existing file with the access
// of the low bits and the sharing of the fmShare bits (EFOpenError).
class TFileStream : public THandleStream {
public:
  TFileStream(const std::string& FileName, uint16_t Mode);
  ~TFileStream() override;  // closes the handle
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
};

class TMemoryStream : public TStream {
public:
  TMemoryStream();
  ~TMemoryStream() override;
  int Read(void* Buffer, int Count) override;
  int Write(const void* Buffer, int Count) override;
  long long Seek(long long Offset, int Origin) override;
  long long Size() override { return FSize; }
  void SetSize(long long NewSize) override;
  void* Memory() { return FData.data(); }
  const void* Memory() const { return FData.data(); }
  void Clear();
  void LoadFromStream(TStream& Stream);  // all of Stream
  void LoadFromFile(const std::string& FileName);
  void SaveToStream(TStream& Stream);
  void SaveToFile(const std::string& FileName);

private:
  std::vector<char> FData;  // its size is the capacity
  long long FSize = 0;
  long long FPosition = 0;
};

// A memory stream over a string.
class TStringStream : public TStream {
public:
  explicit TStringStream(const std::string& AString = std::string());
  int Read(void* Buffer, int Count) override;
  int Write(const void* Buffer, int Count) override;
  long long Seek(long long Offset, int Origin) override;
  long long Size() override { return static_cast<long long>(FDataString.size()); }
  void SetSize(long long NewSize) override;
  const std::string& DataString() const { return FDataString; }

private:
  std::string FDataString;
  long long FPosition = 0;
};

// Object roots, TList and the string lists.
#include "classlib/core/Classes.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"

#include <cxxabi.h>

#include <cstdlib>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Roots

std::string ClassNameOf(const std::type_info& Type) {
  int Status = 0;
  char* Name = abi::__cxa_demangle(Type.name(), nullptr, nullptr, &Status);
  std::string Result = (Status == 0 && Name != nullptr) ? std::string(Name) : std::string(Type.name());
  std::free(Name);
  // Drop namespaces and enclosing scopes: the last "::" outside template arguments and parentheses.
  int Depth = 0;
  size_t Start = 0;
  for (size_t I = 0; I < Result.size(); ++I) {
    const char C = Result[I];
    if (C == '<' || C == '(') {
      ++Depth;
    } else if (C == '>' || C == ')') {
      --Depth;
    } else if (Depth == 0 && C == ':' && I + 1 < Result.size() && Result[I + 1] == ':') {
      Start = I + 2;
      ++I;
    }
  }
  return Result.substr(Start);
}

TObject::~TObject() = default;

std::string TObject::ClassName() const { return ClassNameOf(typeid(*this)); }

HRESULT TObject::SafeCallException(Exception* ExceptObject, void* ExceptAddr) { return E_UNEXPECTED; }

void TPersistent::Assign(TPersistent* Source) {
  if (Source != nullptr)
    Source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

TPersistent* TPersistent::GetOwner() { return nullptr; }

void TPersistent::AssignError(TPersistent* Source) {
  const std::string SourceName = Source != nullptr ? Source->ClassName() : std::string("nil");
  throw EConvertError(LoadResString(SAssignError), {SourceName, ClassName()});
}

// ---------------------------------------------------------------------------------------------
// TList

TList::TList() = default;

TList::~TList() { Clear(); }

void TList::Error(int Ident, int Data) { throw EListError(LoadResString(Ident), {Data}); }

void TList::Grow() {
  int Delta;
  if (FCapacity > 64)
    Delta = FCapacity / 4;
  else if (FCapacity > 8)
    Delta = 16;
  else
    Delta = 4;
  SetCapacity(FCapacity + Delta);
}

int TList::Add(void* Item) {
  const int Result = Count();
  if (Result == FCapacity) Grow();
  FList.push_back(Item);
  if (Item != nullptr) Notify(Item, lnAdded);
  return Result;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) Error(SListIndexError, Index);
  if (Count() == FCapacity) Grow();
  FList.insert(FList.begin() + Index, Item);
  if (Item != nullptr) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
  void* Temp = FList[static_cast<size_t>(Index)];
  FList.erase(FList.begin() + Index);
  if (Temp != nullptr) Notify(Temp, lnDeleted);
}

int TList::Remove(void* Item) {
  const int Result = IndexOf(Item);
  if (Result >= 0) Delete(Result);
  return Result;
}

void* TList::Extract(void* Item) {
  const int I = IndexOf(Item);
  if (I < 0) return nullptr;
  FList.erase(FList.begin() + I);
  Notify(Item, lnExtracted);
  return Item;
}

int TList::IndexOf(void* Item) const {
  for (size_t I = 0; I < FList.size(); ++I)
    if (FList[I] == Item) return static_cast<int>(I);
  return -1;
}

void* TList::Get(int Index) const {
  if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
  return FList[static_cast<size_t>(Index)];
}

void TList::Put(int Index, void* Item) {
  if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
  void* Temp = FList[static_cast<size_t>(Index)];
  if (Item == Temp) return;
  FList[static_cast<size_t>(Index)] = Item;
  if (Temp != nullptr) Notify(Temp, lnDeleted);
  if (Item != nullptr) Notify(Item, lnAdded);
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0) Error(SListCountError, NewCount);
  if (NewCount > FCapacity) SetCapacity(NewCount);
  if (NewCount > Count())
    FList.resize(static_cast<size_t>(NewCount), nullptr);
  else
    for (int I = Count() - 1; I >= NewCount; --I) Delete(I);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) Error(SListCapacityError, NewCapacity);
  if (NewCapacity == FCapacity) return;
  if (NewCapacity > static_cast<int>(FList.capacity()))
    FList.reserve(static_cast<size_t>(NewCapacity));
  else if (NewCapacity == 0)
    std::vector<void*>().swap(FList);
  FCapacity = NewCapacity;
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= Count()) Error(SListIndexError, Index1);
  if (Index2 < 0 || Index2 >= Count()) Error(SListIndexError, Index2);
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= Count()) Error(SListIndexError, NewIndex);
  if (CurIndex < 0 || CurIndex >= Count()) Error(SListIndexError, CurIndex);
  void* Item = FList[static_cast<size_t>(CurIndex)];
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, Item);
}

void* TList::First() const { return Get(0); }

void* TList::Last() const { return Get(Count() - 1); }

void TList::Pack() {
  for (int I = Count() - 1; I >= 0; --I)
    if (FList[static_cast<size_t>(I)] == nullptr) FList.erase(FList.begin() + I);
}

namespace {
void ListQuickSort(std::vector<void*>& List, int L, int R, const TListSortCompare& Compare) {
  int I;
  do {
    I = L;
    int J = R;
    void* P = List[static_cast<size_t>((L + R) >> 1)];
    do {
      while (Compare(List[static_cast<size_t>(I)], P) < 0) ++I;
      while (Compare(List[static_cast<size_t>(J)], P) > 0) --J;
      if (I <= J) {
        std::swap(List[static_cast<size_t>(I)], List[static_cast<size_t>(J)]);
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) ListQuickSort(List, L, J, Compare);
    L = I;
  } while (I < R);
}
}  // namespace

void TList::Sort(TListSortCompare Compare) {
  if (Count() > 1 && Compare) ListQuickSort(FList, 0, Count() - 1, Compare);
}

TList* TList::Expand() {
  if (Count() == FCapacity) Grow();
  return this;
}

void TList::Notify(void*, TListNotification) {}

// ---------------------------------------------------------------------------------------------
// TStrings

void TStrings::Error(int Ident, int Data) { throw EStringListError(LoadResString(Ident), {Data}); }

void TStrings::Put(int Index, const std::string& S) {
  TObject* TempObject = Objects(Index);
  Delete(Index);
  InsertObject(Index, S, TempObject);
}

TObject* TStrings::Objects(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const std::string& S) {
  const int Result = Count();
  Insert(Result, S);
  return Result;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  const int Result = Add(S);
  PutObject(Result, AObject);
  return Result;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const { return AnsiCompareText(S1, S2); }

int TStrings::IndexOf(const std::string& S) const {
  for (int I = 0; I < Count(); ++I)
    if (CompareStrings(Get(I), S) == 0) return I;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int I = 0; I < Count(); ++I) {
    const std::string S = Get(I);
    const size_t P = S.find('=');
    if (P != std::string::npos && CompareStrings(S.substr(0, P), Name) == 0) return I;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int I = 0; I < Count(); ++I)
    if (Objects(I) == AObject) return I;
  return -1;
}

std::string TStrings::Names(int Index) const {
  const std::string S = Get(Index);
  const size_t P = S.find('=');
  return P != std::string::npos ? S.substr(0, P) : std::string();
}

std::string TStrings::Values(const std::string& Name) const {
  const int I = IndexOfName(Name);
  if (I < 0) return std::string();
  const std::string S = Get(I);
  return S.substr(S.find('=') + 1);
}

void TStrings::SetValue(const std::string& Name, const std::string& Value) {
  int I = IndexOfName(Name);
  if (!Value.empty()) {
    if (I < 0) I = Add(std::string());
    Put(I, Name + "=" + Value);
  } else if (I >= 0) {
    Delete(I);
  }
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

std::string TStrings::Text() const {
  std::string Result;
  for (int I = 0; I < Count(); ++I) {
    Result += Get(I);
    Result += "\r\n";
  }
  return Result;
}

void TStrings::SetText(const std::string& Value) {
  auto Update = UpdateScope(*this);
  Clear();
  const size_t N = Value.size();
  size_t P = 0;
  while (P < N) {
    const size_t Start = P;
    while (P < N && Value[P] != '\r' && Value[P] != '\n') ++P;
    Add(Value.substr(Start, P - Start));
    if (P < N && Value[P] == '\r') ++P;
    if (P < N && Value[P] == '\n') ++P;
  }
}

void TStrings::AddStrings(const TStrings& Strings) {
  auto Update = UpdateScope(*this);
  for (int I = 0; I < Strings.Count(); ++I) AddObject(Strings.Get(I), Strings.Objects(I));
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* Strings = dynamic_cast<TStrings*>(Source)) {
    if (Strings == this) return;
    auto Update = UpdateScope(*this);
    Clear();
    AddStrings(*Strings);
    return;
  }
  TPersistent::Assign(Source);
}

bool TStrings::Equals(const TStrings& Strings) const {
  if (Count() != Strings.Count()) return false;
  for (int I = 0; I < Count(); ++I)
    if (Get(I) != Strings.Get(I)) return false;
  return true;
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TStrings::LoadFromStream(TStream& Stream) {
  const long long Size = Stream.Size() - Stream.Position();
  std::string S(Size > 0 ? static_cast<size_t>(Size) : 0, '\0');
  if (!S.empty()) Stream.ReadBuffer(&S[0], static_cast<int>(S.size()));
  SetText(S);
}

void TStrings::SaveToFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmCreate);
  SaveToStream(Stream);
}

void TStrings::SaveToStream(TStream& Stream) const {
  const std::string S = Text();
  Stream.WriteBuffer(S.data(), static_cast<int>(S.size()));
}

// ---------------------------------------------------------------------------------------------
// TStringList

TStringList::TStringList() = default;

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FString;
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FString = S;
  Changed();
}

TObject* TStringList::Objects(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FObject = AObject;
  Changed();
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int Result;
  if (!FSorted) {
    Result = Count();
  } else if (Find(S, Result)) {
    switch (Duplicates) {
      case dupIgnore: return Result;
      case dupError: Error(SDuplicateString, 0);
      case dupAccept: break;
    }
  }
  InsertItem(Result, S, AObject);
  return Result;
}

void TStringList::Insert(int Index, const std::string& S) {
  if (FSorted) Error(SSortedListError, 0);
  if (Index < 0 || Index > Count()) Error(SListIndexError, Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  FList.clear();
  Changed();
}

int TStringList::IndexOf(const std::string& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int Result;
  return Find(S, Result) ? Result : -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
  bool Result = false;
  int L = 0, H = Count() - 1;
  while (L <= H) {
    const int I = (L + H) >> 1;
    const int C = CompareStrings(FList[static_cast<size_t>(I)].FString, S);
    if (C < 0) {
      L = I + 1;
    } else {
      H = I - 1;
      if (C == 0) {
        Result = true;
        if (Duplicates != dupAccept) L = I;
      }
    }
  }
  Index = L;
  return Result;
}

void TStringList::QuickSort(int L, int R, const TStringListSortCompare& Compare) {
  int I;
  do {
    I = L;
    int J = R, P = (L + R) >> 1;
    do {
      while (Compare(*this, I, P) < 0) ++I;
      while (Compare(*this, J, P) > 0) --J;
      if (I <= J) {
        std::swap(FList[static_cast<size_t>(I)], FList[static_cast<size_t>(J)]);
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) QuickSort(L, J, Compare);
    L = I;
  } while (I < R);
}

void TStringList::SortItems(const TStringListSortCompare& Compare) {
  if (Count() < 2) return;
  Changing();
  QuickSort(0, Count() - 1, Compare);
  Changed();
}

void TStringList::Sort() {
  CustomSort([](TStringList& List, int Index1, int Index2) {
    return List.CompareStrings(List.FList[static_cast<size_t>(Index1)].FString, List.FList[static_cast<size_t>(Index2)].FString);
  });
}

void TStringList::CustomSort(TStringListSortCompare Compare) {
  if (!FSorted && Compare) SortItems(Compare);
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted)
    SortItems([](TStringList& List, int Index1, int Index2) {
      return List.CompareStrings(List.FList[static_cast<size_t>(Index1)].FString, List.FList[static_cast<size_t>(Index2)].FString);
    });
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  Changing();
  TStringItem Item = std::move(FList[static_cast<size_t>(CurIndex)]);
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, std::move(Item));
  Changed();
}

void TStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) Error(SListCapacityError, NewCapacity);
  FList.reserve(static_cast<size_t>(NewCapacity));
}

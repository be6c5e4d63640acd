// Published properties: lookups by name and the text forms of the property kinds.
#include "classlib/core/TypInfo.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

const TPropInfo* TClassInfo::FindProperty(const std::string& PropName) const {
  for (const TClassInfo* C = this; C; C = C->Parent)
    for (const TPropInfo& P : C->Properties)
      if (SameText(P.Name, PropName)) return &P;
  return nullptr;
}

const TEventInfo* TClassInfo::FindEvent(const std::string& EventName) const {
  for (const TClassInfo* C = this; C; C = C->Parent)
    for (const TEventInfo& E : C->Events)
      if (SameText(E.Name, EventName)) return &E;
  return nullptr;
}

bool TClassInfo::InheritsFrom(const std::string& ClassName) const {
  for (const TClassInfo* C = this; C; C = C->Parent)
    if (SameText(C->Name, ClassName)) return true;
  return false;
}

std::vector<std::string> ClassChain(const TComponent* Instance) {
  std::vector<std::string> Result;
  for (const TClassInfo* C = Instance ? Instance->ClassInfo() : nullptr; C; C = C->Parent) Result.push_back(C->Name);
  return Result;
}

namespace {

// One step of a path: "(n)" selects an item of the collection reached so far.
bool IsIndexStep(const std::string& Step, int& Index) {
  return Step.size() > 2 && Step.front() == '(' && Step.back() == ')' &&
         TryStrToInt(Step.substr(1, Step.size() - 2), Index);
}

[[noreturn]] void UnknownProperty(const std::string& Path) { throw EPropertyError("Unknown property: %s", {Path}); }

}  // namespace

const TPropInfo* FindPropPath(TComponent* Instance, const std::string& Path, TObject*& Owner) {
  Owner = Instance;
  const TClassInfo* Table = Instance ? Instance->ClassInfo() : nullptr;
  const TPropInfo* Prop = nullptr;
  std::string Rest = Path;
  while (Table) {
    const std::string::size_type Dot = Rest.find('.');
    const std::string Step = Rest.substr(0, Dot);
    Prop = Table->FindProperty(Step);
    if (!Prop) return nullptr;
    if (Dot == std::string::npos) return Prop;
    Rest = Rest.substr(Dot + 1);
    if (Prop->Kind != pkObject && Prop->Kind != pkCollection) return nullptr;
    TObject* Sub = Prop->GetSubObject(Owner);
    if (Prop->Kind == pkCollection) {
      const std::string::size_type Next = Rest.find('.');
      int Index = 0;
      auto* Collection = dynamic_cast<TCollection*>(Sub);
      if (!Collection || Next == std::string::npos || !IsIndexStep(Rest.substr(0, Next), Index) || Index < 0 ||
          Index >= Collection->Count())
        return nullptr;
      Sub = Collection->Items(Index);
      Rest = Rest.substr(Next + 1);
    }
    if (!Sub) return nullptr;
    Owner = Sub;
    Table = Prop->ObjectClass;
  }
  return nullptr;
}

std::string GetPropText(TComponent* Instance, const std::string& Path) {
  TObject* Owner = nullptr;
  const TPropInfo* Prop = FindPropPath(Instance, Path, Owner);
  if (!Prop || !Prop->Get) UnknownProperty(Path);
  return Prop->Get(Owner);
}

void SetPropText(TComponent* Instance, const std::string& Path, const std::string& Text) {
  TObject* Owner = nullptr;
  const TPropInfo* Prop = FindPropPath(Instance, Path, Owner);
  if (!Prop || !Prop->Set) UnknownProperty(Path);
  Prop->Set(Owner, Text);
}

void BindEvent(TComponent* Instance, const std::string& EventName, const std::any& Handler) {
  const TClassInfo* Table = Instance ? Instance->ClassInfo() : nullptr;
  const TEventInfo* Event = Table ? Table->FindEvent(EventName) : nullptr;
  if (!Event) throw EPropertyError("Unknown event: %s", {EventName});
  Event->Bind(Instance, Handler);
}

TComponent* FindComponentRef(TComponent* Instance, const std::string& Name) {
  if (Name.empty() || !Instance) return nullptr;
  if (TComponent* Own = Instance->FindComponent(Name)) return Own;
  TComponent* Root = Instance->Owner() ? Instance->Owner() : Instance;
  if (AnsiSameText(Root->Name(), Name)) return Root;
  return Root->FindComponent(Name);
}

TPropInfo ReadOnlyProp(TPropInfo P) {
  P.Set = [Name = P.Name](TObject*, const std::string&) { throw EPropertyError("Property %s is read-only", {Name}); };
  return P;
}

bool StrToBoolProp(const std::string& Text) {
  const std::string T = Trim(Text);
  if (SameText(T, "True")) return true;
  if (SameText(T, "False")) return false;
  throw EConvertError("'%s' is not a valid boolean value", {Text});
}

int EnumValue(const std::vector<std::string>& Names, const std::string& Text) {
  const std::string T = Trim(Text);
  for (size_t I = 0; I < Names.size(); ++I)
    if (SameText(Names[I], T)) return static_cast<int>(I);
  throw EConvertError("'%s' is not a valid enumeration value", {Text});
}

unsigned SetMembers(const std::vector<std::string>& Names, const std::string& Text) {
  const std::string T = Trim(Text);
  if (T.size() < 2 || T.front() != '[' || T.back() != ']') throw EConvertError("'%s' is not a valid set value", {Text});
  unsigned Result = 0;
  std::string Inner = T.substr(1, T.size() - 2);
  while (!Trim(Inner).empty()) {
    const std::string::size_type Comma = Inner.find(',');
    const std::string Member = Trim(Inner.substr(0, Comma));
    int Index = -1;
    for (size_t I = 0; I < Names.size(); ++I)
      if (SameText(Names[I], Member)) Index = static_cast<int>(I);
    if (Index < 0) throw EConvertError("'%s' is not a valid set value", {Text});
    Result |= 1u << Index;
    if (Comma == std::string::npos) break;
    Inner = Inner.substr(Comma + 1);
  }
  return Result;
}

std::string SetMembersText(const std::vector<std::string>& Names, unsigned Value) {
  std::string Result;
  for (size_t I = 0; I < Names.size(); ++I)
    if (Value & (1u << I)) Result += (Result.empty() ? "" : ",") + Names[I];
  return "[" + Result + "]";
}

std::string LocaleDecimalSeparator() {
  char Buffer[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Buffer, sizeof(Buffer)) <= 1) return ".";
  return Buffer;
}

std::string FloatToLocaleText(double Value, int Digits) {
  char Buffer[64];
  snprintf(Buffer, sizeof(Buffer), "%.*g", Digits, Value);
  std::string Text = Buffer;
  const size_t Point = Text.find('.');
  if (Point != std::string::npos) Text.replace(Point, 1, LocaleDecimalSeparator());
  return Text;
}

double LocaleTextToFloat(const std::string& Text) {
  std::string S = Trim(Text);
  const std::string Sep = LocaleDecimalSeparator();
  if (Sep != ".") {
    if (S.find('.') != std::string::npos) throw EConvertError("'%s' is not a valid floating point value", {Text});
    if (const size_t P = S.find(Sep); P != std::string::npos) S.replace(P, Sep.size(), ".");
  }
  char* End = nullptr;
  const double V = S.empty() ? 0 : strtod(S.c_str(), &End);
  if (S.empty() || *End != '\0') throw EConvertError("'%s' is not a valid floating point value", {Text});
  return V;
}

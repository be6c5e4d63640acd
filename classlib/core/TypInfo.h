// Published properties: per class a table of properties (name, kind, reading and writing as text)
// and events, chained to the parent class's table. The layout loader, the localizer, property
// storage and tests reach properties by name through it.
#pragma once

#include "classlib/core/Components.h"

#include <any>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

enum TPropKind { pkString, pkInteger, pkBoolean, pkEnumeration, pkSet, pkStrings, pkCollection, pkObject, pkComponent,
                 pkChar, pkFloat, pkInt64 };

struct TClassInfo;

struct TPropInfo {
  std::string Name;
  TPropKind Kind = pkString;
  // Reading and writing as text (strings: their lines; a component: its name). Writing bad text
  // raises EConvertError.
  std::function<std::string(TObject* Instance)> Get;
  std::function<void(TObject* Instance, const std::string& Text)> Set;
  // pkObject, pkStrings, pkCollection: the object the property holds.
  std::function<TObject*(TObject* Instance)> GetSubObject;
  // pkObject: the sub-object's table; pkCollection: the item class's table.
  const TClassInfo* ObjectClass = nullptr;
  // pkEnumeration, pkSet: the member names, in the order of their values (bits).
  std::vector<std::string> Names;
  // pkFloat: significant digits of the text (7 single, 15 double, 18 extended).
  int Digits = 15;
  // pkComponent: the component itself, and setting it (nullptr clears).
  std::function<TComponent*(TObject* Instance)> GetComponent;
  std::function<void(TObject* Instance, TComponent* Value)> SetComponent;
};

// An event: Bind stores a handler (a std::function of the event's exact type, in a std::any).
struct TEventInfo {
  std::string Name;
  std::function<void(TObject* Instance, const std::any& Handler)> Bind;
};

struct TClassInfo {
  std::string Name;
  const TClassInfo* Parent = nullptr;
  std::vector<TPropInfo> Properties;
  std::vector<TEventInfo> Events;
  // Makes an instance owned by Owner; empty for a class that layouts cannot name.
  std::function<TComponent*(TComponent* Owner)> Create;

  // Searched in this class, then up the chain; names without regard to case.
  const TPropInfo* FindProperty(const std::string& PropName) const;
  const TEventInfo* FindEvent(const std::string& EventName) const;
  bool InheritsFrom(const std::string& ClassName) const;
};

class EPropertyError : public Exception {
public:
  using Exception::Exception;
};
class EClassNotFound : public Exception {
public:
  using Exception::Exception;
};

// The names of the instance's class chain, the class first ("TfrmMain", "TForm", ...); empty
// without a table.
std::vector<std::string> ClassChain(const TComponent* Instance);

// A property by a path of names ("Caption", "Font.Style", "Columns.(0).Caption"). An unknown name
// raises EPropertyError "Unknown property: %s"; bad text raises EConvertError.
std::string GetPropText(TComponent* Instance, const std::string& Path);
void SetPropText(TComponent* Instance, const std::string& Path, const std::string& Text);
// The property of the path's last step and the object it belongs to; nullptr when the path is unknown.
const TPropInfo* FindPropPath(TComponent* Instance, const std::string& Path, TObject*& Owner);

// Binds a handler (std::function of the event's type in a std::any) to the event by name; an
// unknown event or a handler of another type raises EPropertyError.
void BindEvent(TComponent* Instance, const std::string& EventName, const std::any& Handler);

// The component named Name, seen from Instance: one Instance owns, else Instance's owner (or Instance
// when it has none) or one of the owner's components; nullptr for "" and when none is found.
TComponent* FindComponentRef(TComponent* Instance, const std::string& Name);

// Floating-point text in the general format with Digits significant digits and the user locale's
// decimal separator; reading takes that separator (bad text raises EConvertError).
std::string FloatToLocaleText(double Value, int Digits);
double LocaleTextToFloat(const std::string& Text);
std::string LocaleDecimalSeparator();

// Text conversions of the property kinds; bad text raises EConvertError.
bool StrToBoolProp(const std::string& Text);
int EnumValue(const std::vector<std::string>& Names, const std::string& Text);
unsigned SetMembers(const std::vector<std::string>& Names, const std::string& Text);
std::string SetMembersText(const std::vector<std::string>& Names, unsigned Value);

// ---------------------------------------------------------------------------------------------
// Table builders. C is the class; Get and Set are member functions or callables taking C&.

template <class C, class G, class S>
TPropInfo StrProp(const char* Name, G Get, S Set) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkString;
  P.Get = [Get](TObject* O) { return std::string(std::invoke(Get, static_cast<C&>(*O))); };
  P.Set = [Set](TObject* O, const std::string& T) { std::invoke(Set, static_cast<C&>(*O), T); };
  return P;
}

template <class C, class G, class S>
TPropInfo IntProp(const char* Name, G Get, S Set) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkInteger;
  P.Get = [Get](TObject* O) { return IntToStr(static_cast<long long>(std::invoke(Get, static_cast<C&>(*O)))); };
  P.Set = [Set](TObject* O, const std::string& T) { std::invoke(Set, static_cast<C&>(*O), StrToInt(T)); };
  return P;
}

template <class C, class G, class S>
TPropInfo Int64Prop(const char* Name, G Get, S Set) {
  TPropInfo P = IntProp<C>(Name, Get, Set);
  P.Kind = pkInt64;
  P.Set = [Set](TObject* O, const std::string& T) { 
    const long long V = StrToInt64Def(T, 0);
    if (V == 0 && StrToInt64Def(T, 1) != 0) throw EConvertError("'%s' is not a valid integer value", {T});
    std::invoke(Set, static_cast<C&>(*O), V);
  };
  return P;
}

// One character; writing "" raises EConvertError.
template <class C, class G, class S>
TPropInfo CharProp(const char* Name, G Get, S Set) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkChar;
  P.Get = [Get](TObject* O) { return std::string(1, static_cast<char>(std::invoke(Get, static_cast<C&>(*O)))); };
  P.Set = [Set](TObject* O, const std::string& T) {
    if (T.empty()) throw EConvertError("'' is not a valid character");
    std::invoke(Set, static_cast<C&>(*O), T[0]);
  };
  return P;
}

template <class C, class G, class S>
TPropInfo FloatProp(const char* Name, int Digits, G Get, S Set) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkFloat;
  P.Digits = Digits;
  P.Get = [Get, Digits](TObject* O) { return FloatToLocaleText(static_cast<double>(std::invoke(Get, static_cast<C&>(*O))), Digits); };
  P.Set = [Set](TObject* O, const std::string& T) { std::invoke(Set, static_cast<C&>(*O), LocaleTextToFloat(T)); };
  return P;
}

template <class C, class G, class S>
TPropInfo BoolProp(const char* Name, G Get, S Set) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkBoolean;
  P.Get = [Get](TObject* O) { return std::string(std::invoke(Get, static_cast<C&>(*O)) ? "True" : "False"); };
  P.Set = [Set](TObject* O, const std::string& T) { std::invoke(Set, static_cast<C&>(*O), StrToBoolProp(T)); };
  return P;
}

template <class C, class E, class G, class S>
TPropInfo EnumProp(const char* Name, std::initializer_list<const char*> Names, G Get, S Set) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkEnumeration;
  P.Names.assign(Names.begin(), Names.end());
  P.Get = [Get, N = P.Names](TObject* O) {
    const int V = static_cast<int>(std::invoke(Get, static_cast<C&>(*O)));
    return V >= 0 && V < static_cast<int>(N.size()) ? N[static_cast<size_t>(V)] : IntToStr(V);
  };
  P.Set = [Set, N = P.Names](TObject* O, const std::string& T) {
    std::invoke(Set, static_cast<C&>(*O), static_cast<E>(EnumValue(N, T)));
  };
  return P;
}

template <class C, class G, class S>
TPropInfo SetOfProp(const char* Name, std::initializer_list<const char*> Names, G Get, S Set) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkSet;
  P.Names.assign(Names.begin(), Names.end());
  P.Get = [Get, N = P.Names](TObject* O) {
    return SetMembersText(N, static_cast<unsigned>(std::invoke(Get, static_cast<C&>(*O))));
  };
  P.Set = [Set, N = P.Names](TObject* O, const std::string& T) { std::invoke(Set, static_cast<C&>(*O), SetMembers(N, T)); };
  return P;
}

// P read-only: writing it raises EPropertyError "Property %s is read-only".
TPropInfo ReadOnlyProp(TPropInfo P);

// A TStrings held by the object; read and written as its text (lines end at CR, LF or CR LF).
template <class C, class G>
TPropInfo StringsProp(const char* Name, G Get) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkStrings;
  P.GetSubObject = [Get](TObject* O) -> TObject* { return std::invoke(Get, static_cast<C&>(*O)); };
  P.Get = [Get](TObject* O) { return static_cast<TStrings*>(std::invoke(Get, static_cast<C&>(*O)))->Text(); };
  P.Set = [Get](TObject* O, const std::string& T) { std::invoke(Get, static_cast<C&>(*O))->SetText(T); };
  return P;
}

// A sub-object whose own properties (Table) are reached as "Name.Property".
template <class C, class G>
TPropInfo ObjectProp(const char* Name, const TClassInfo& Table, G Get) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkObject;
  P.ObjectClass = &Table;
  P.GetSubObject = [Get](TObject* O) -> TObject* { return std::invoke(Get, static_cast<C&>(*O)); };
  return P;
}

// A collection whose items (ItemTable) are reached as "Name.(Index).Property".
template <class C, class G>
TPropInfo CollectionProp(const char* Name, const TClassInfo& ItemTable, G Get) {
  TPropInfo P = ObjectProp<C>(Name, ItemTable, Get);
  P.Kind = pkCollection;
  return P;
}

// A reference to a component of class T, written by name (resolved by FindComponentRef); a name
// that finds nothing of class T raises EConvertError.
template <class C, class T, class G, class S>
TPropInfo ComponentProp(const char* Name, G Get, S Set) {
  TPropInfo P;
  P.Name = Name;
  P.Kind = pkComponent;
  P.Get = [Get](TObject* O) {
    T* Ref = std::invoke(Get, static_cast<C&>(*O));
    return Ref ? Ref->Name() : std::string();
  };
  P.Set = [Set](TObject* O, const std::string& Text) {
    auto& Self = static_cast<C&>(*O);
    T* Ref = nullptr;
    if (!Text.empty()) {
      Ref = dynamic_cast<T*>(FindComponentRef(&Self, Text));
      if (!Ref) throw EConvertError("Component '%s' not found", {Text});
    }
    std::invoke(Set, Self, Ref);
  };
  P.GetComponent = [Get](TObject* O) -> TComponent* { return std::invoke(Get, static_cast<C&>(*O)); };
  P.SetComponent = [Set](TObject* O, TComponent* Value) {
    T* Ref = dynamic_cast<T*>(Value);
    if (Value && !Ref) throw EConvertError("Component '%s' not found", {Value->Name()});
    std::invoke(Set, static_cast<C&>(*O), Ref);
  };
  return P;
}

template <class C, class F>
TEventInfo EventProp(const char* Name, F C::*Member) {
  TEventInfo E;
  E.Name = Name;
  E.Bind = [Member, N = std::string(Name)](TObject* O, const std::any& Handler) {
    const F* Fn = std::any_cast<F>(&Handler);
    if (!Fn) throw EPropertyError("Handler does not fit event %s", {N});
    static_cast<C&>(*O).*Member = *Fn;
  };
  return E;
}

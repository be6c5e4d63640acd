// Translation of forms and frames along the property paths of the language file's sections.
#include "localizer/uFreeLocalizer.h"

#include "classlib/core/SysUtils.h"
#include "localizer/uStringUtils.h"

namespace {

// A property path that leads nowhere: reported as an unknown property.
class EUnknownProperty : public Exception {
public:
  EUnknownProperty() : Exception(std::string()) {}
};

// The component owned by Owner whose name is Name without regard to ASCII case.
TComponent* FindOwned(const TComponent* Owner, const std::string& Name) {
  if (Owner == nullptr || Name.empty()) return nullptr;
  for (int I = 0; I < Owner->ComponentCount(); ++I) {
    TComponent* C = Owner->Components(I);
    if (SameText(C->Name(), Name)) return C;
  }
  return nullptr;
}

// "(N)" as the index N.
bool ItemIndex(const std::string& Head, int& Index) {
  return Head.size() >= 3 && Head.front() == '(' && Head.back() == ')' &&
         Head.find_first_not_of("0123456789", 1) == Head.size() - 1 &&
         TryStrToInt(Head.substr(1, Head.size() - 2), Index);
}

}  // namespace

void SetStringsText(TStrings& Strings, const std::string& Value) {
  auto Update = UpdateScope(Strings);
  std::string Rest = Value, Part;
  int Line = 0;
  while (!Rest.empty()) {
    CutHead(Rest, "\r", Part);
    if (Line < Strings.Count())
      Strings.Put(Line, Part);
    else
      Strings.Add(Part);
    ++Line;
  }
  while (Strings.Count() > Line) Strings.Delete(Strings.Count() - 1);
}

void TFreeLocalizer::SetBinding(TLocalizerBinding* Value) {
  if (Value == FBinding) return;
  if (FBinding != nullptr && FTranslateOnCreate) FBinding->SetLoadedHandler(nullptr);
  FBinding = Value;
  if (FTranslateOnCreate) InstallLoadedHandler();
}

void TFreeLocalizer::SetTranslateOnCreate(bool Value) {
  if (Value == FTranslateOnCreate) return;
  FTranslateOnCreate = Value;
  if (Value)
    InstallLoadedHandler();
  else if (FBinding != nullptr)
    FBinding->SetLoadedHandler(nullptr);
}

void TFreeLocalizer::InstallLoadedHandler() {
  if (FBinding != nullptr) FBinding->SetLoadedHandler([this](TComponent* Root) { ComponentLoaded(Root); });
}

void TFreeLocalizer::ComponentLoaded(TComponent* Root) {
  if (FBinding != nullptr && !FBinding->LoadedAsPart(Root)) TranslateComponent(Root);
}

const TResForm* TFreeLocalizer::FindSection(const std::string& Name) const {
  for (const auto& Section : Forms)
    if (Section->Name == Name) return Section.get();
  return nullptr;
}

void TFreeLocalizer::TranslateScreen() {
  if (FBinding == nullptr) return;
  for (TComponent* Form : FBinding->Forms()) TranslateComponent(Form);
}

void TFreeLocalizer::TranslateComponent(TComponent* Component) {
  if (FBinding == nullptr || Component == nullptr) return;
  for (int I = 0; I < Component->ComponentCount(); ++I) {
    TComponent* Owned = Component->Components(I);
    if (FBinding->IsFrame(Owned)) TranslateComponent(Owned);
  }
  for (const std::string& ClassName : FBinding->ClassChain(Component)) {
    const TResForm* Section = FindSection(ClassName);
    if (Section == nullptr) continue;
    for (int J = 0; J < Section->Paths.Count() && J < Section->Values.Count(); ++J)
      SetPathProperty(Component, Section->Paths.Get(J), Section->Values.Get(J));
  }
}

void TFreeLocalizer::SetPathProperty(TComponent* Root, const std::string& Path, const std::string& Value) {
  std::string Message;
  try {
    ResolvePath(Root, Path, Value);
    return;
  } catch (const Exception& E) {
    Message = E.Message();
  } catch (const std::exception& E) {
    Message = E.what();
  }
  const std::string Name = Root != nullptr ? Root->Name() : std::string();
  if (Message.empty())
    ReportLanguageError(Format("Unknown property \"%s\" found in component \"%s\".\r\nRemove it from language file",
                               {Path, Name}));
  else
    ReportLanguageError(Format("Translation error of property \"%s\" in component \"%s\"\r\n", {Path, Name}) +
                        Message);
}

void TFreeLocalizer::ResolvePath(TComponent* Root, const std::string& Path, const std::string& Value) {
  if (FBinding == nullptr) throw EUnknownProperty();
  TComponent* Fallback = Root;
  TComponent* Obj = Root;
  std::string Rest = Path, Head;
  CutHead(Rest, ".", Head);
  for (;;) {
    if (Rest.empty()) {
      SetPropertyValue(Obj, Head, Value);
      return;
    }
    if (TComponent* Owned = FindOwned(Obj, Head)) {
      Obj = Owned;
      if (FBinding->IsFrame(Owned)) Fallback = Owned;
      CutHead(Rest, ".", Head);
      continue;
    }
    // Head as a class-typed property, collections indexed by "(N)".
    TPersistent* P = Obj;
    for (;;) {
      while (TPersistent* Next = FBinding->ObjectProperty(P, Head)) {
        P = Next;
        CutHead(Rest, ".", Head);
        if (Rest.empty()) {
          SetPropertyValue(P, Head, Value);
          return;
        }
        if (dynamic_cast<TCollection*>(P) != nullptr) break;
      }
      bool Indexed = false;
      int Index = 0;
      while (auto* Collection = dynamic_cast<TCollection*>(P)) {
        if (!ItemIndex(Head, Index)) break;
        P = Collection->Items(Index);
        Indexed = true;
        CutHead(Rest, ".", Head);
        if (Rest.empty()) {
          SetPropertyValue(P, Head, Value);
          return;
        }
      }
      if (!Indexed) break;
    }
    // Names the previous component does not own are looked up in the root or the last frame passed.
    if (Obj == Fallback) throw EUnknownProperty();
    Obj = Fallback;
  }
}

void TFreeLocalizer::SetPropertyValue(TPersistent* Instance, const std::string& PropName, const std::string& Value) {
  if (auto* Strings = dynamic_cast<TStrings*>(Instance)) {
    SetStringsText(*Strings, Value);
    return;
  }
  if (FBinding == nullptr || Instance == nullptr || !FBinding->SetPropertyText(Instance, PropName, Value))
    throw EUnknownProperty();
}

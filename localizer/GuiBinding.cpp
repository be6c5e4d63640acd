// The localizer bound to the GUI class library.
#include "localizer/GuiBinding.h"

#include "classlib/core/TypInfo.h"
#include "classlib/gui/Forms.h"
#include "localizer/uFreeLocalizer.h"

#include <algorithm>
#include <map>

namespace {

class TGuiBinding : public TLocalizerBinding {
public:
  std::vector<std::string> ClassChain(TComponent* Root) override {
    std::vector<std::string> Chain;
    for (const std::string& Name : ::ClassChain(Root)) {
      if (Name == "TForm" || Name == "TFrame" || Name == "TCustomForm" || Name == "TDataModule") break;
      Chain.push_back(Name);
    }
    std::reverse(Chain.begin(), Chain.end());
    return Chain;
  }

  bool IsFrame(TComponent* Component) override { return dynamic_cast<TFrame*>(Component) != nullptr; }

  TPersistent* ObjectProperty(TPersistent* Instance, const std::string& Name) override {
    const TPropInfo* P = FindProp(Instance, Name);
    if (P == nullptr || !P->GetSubObject || (P->Kind != pkObject && P->Kind != pkStrings && P->Kind != pkCollection))
      return nullptr;
    auto* Sub = dynamic_cast<TPersistent*>(P->GetSubObject(Instance));
    // The table of a sub-object, or of a collection's items, is known only from the property.
    if (Sub != nullptr && P->ObjectClass != nullptr) FTables[Sub] = P->ObjectClass;
    return Sub;
  }

  bool SetPropertyText(TPersistent* Instance, const std::string& Name, const std::string& Value) override {
    const TPropInfo* P = FindProp(Instance, Name);
    // Class-typed properties (lists, sub-objects, references) take no text: their own parts do.
    if (P == nullptr || !P->Set || P->Kind == pkStrings || P->Kind == pkObject || P->Kind == pkCollection ||
        P->Kind == pkComponent)
      return false;
    P->Set(Instance, Value);
    return true;
  }

  std::vector<TComponent*> Forms() override {
    std::vector<TComponent*> Result;
    if (Screen != nullptr)
      for (int I = 0; I < Screen->FormCount(); ++I) Result.push_back(Screen->Forms(I));
    return Result;
  }

  void SetLoadedHandler(std::function<void(TComponent* Root)> Handler) override {
    if (FHandlerId != 0) RemoveLayoutLoadedHandler(FHandlerId);
    FHandlerId = Handler ? AddLayoutLoadedHandler(std::move(Handler)) : 0;
  }

  // The library raises the notification for the outermost load only; a root whose owner is still
  // loading is a part of that load.
  bool LoadedAsPart(TComponent* Root) override {
    return Root != nullptr && Root->Owner() != nullptr && (Root->Owner()->ComponentState() & csLoading) != 0;
  }

private:
  std::map<const TObject*, const TClassInfo*> FTables;
  int FHandlerId = 0;

  const TClassInfo* TableOf(const TPersistent* Instance) const {
    if (const auto* Component = dynamic_cast<const TComponent*>(Instance)) return Component->ClassInfo();
    if (const auto It = FTables.find(Instance); It != FTables.end()) return It->second;
    if (const auto* Item = dynamic_cast<const TCollectionItem*>(Instance)) {
      const auto It = FTables.find(Item->Collection());
      if (It != FTables.end()) return It->second;
    }
    return nullptr;
  }

  const TPropInfo* FindProp(const TPersistent* Instance, const std::string& Name) const {
    const TClassInfo* Table = Instance != nullptr ? TableOf(Instance) : nullptr;
    return Table != nullptr ? Table->FindProperty(Name) : nullptr;
  }
};

void ApplicationBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  if (Application != nullptr)
    Application->MessageBox(Text, Caption, Flags);
  else
    DefaultLanguageErrorBox(Text, Caption, Flags);
}

}  // namespace

TLocalizerBinding& GuiLocalizerBinding() {
  static TGuiBinding Binding;
  return Binding;
}

void BindLocalizerToGui(TFreeLocalizer& Localizer) {
  Localizer.SetBinding(&GuiLocalizerBinding());
  SetLanguageErrorBox(&ApplicationBox);
}

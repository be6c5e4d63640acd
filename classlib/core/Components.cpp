// The non-visual component root.
#include "classlib/core/Components.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"

#include <algorithm>

namespace {

void Erase(std::vector<TComponent*>& List, TComponent* Item) {
  const auto It = std::find(List.begin(), List.end(), Item);
  if (It != List.end()) List.erase(It);
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FDestroying = true;
  // Whoever asked to hear of this component's end hears it now, while it is still a component.
  while (!FFreeNotifies.empty()) {
    TComponent* Other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    Erase(Other->FFreeNotifies, this);
    try {
      Other->Notification(this, opRemove);
    } catch (...) {
      // A destructor passes nothing on.
    }
  }
  while (!FComponents.empty()) {
    TComponent* Child = FComponents.back();
    // Out of the list first, so that the child's own destructor does not look for its owner.
    FComponents.pop_back();
    Child->FOwner = nullptr;
    delete Child;
  }
  if (FOwner != nullptr) {
    try {
      FOwner->RemoveComponent(this);
    } catch (...) {
      Erase(FOwner->FComponents, this);
    }
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) TList::Error(SListIndexError, Index);
  return FComponents[static_cast<size_t>(Index)];
}

TComponent* TComponent::FindComponent(const std::string& Name) const {
  if (Name.empty()) return nullptr;
  for (TComponent* C : FComponents)
    if (AnsiSameText(C->FName, Name)) return C;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner == this) return;
  if (AComponent->FOwner != nullptr) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner != this) return;
  // Gone from the list before anyone hears of it, so that a notice cannot run into it again.
  Erase(FComponents, AComponent);
  AComponent->FOwner = nullptr;
  Notification(AComponent, opRemove);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
      AComponent->FFreeNotifies.end())
    AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  Erase(FFreeNotifies, AComponent);
  Erase(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr) RemoveFreeNotification(AComponent);
  // A notice may free components: walk a copy and skip those that left meanwhile.
  const std::vector<TComponent*> Snapshot = FComponents;
  for (auto It = Snapshot.rbegin(); It != Snapshot.rend(); ++It) {
    if (std::find(FComponents.begin(), FComponents.end(), *It) == FComponents.end()) continue;
    (*It)->Notification(AComponent, Operation);
  }
}

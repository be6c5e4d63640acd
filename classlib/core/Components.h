// TComponent: the non-visual component root. A component belongs to an owner that frees it, and is
// told when another component it knows of goes away.
#pragma once

#include "classlib/core/Classes.h"

#include <string>
#include <vector>

enum TOperation { opInsert, opRemove };

// ComponentState bits.
enum TComponentStateBit : unsigned { csLoading = 1, csDestroying = 2 };
using TComponentState = unsigned;

struct TClassInfo;

class TComponent : public TPersistent {
public:
  // With an owner, the component joins the owner's components.
  explicit TComponent(TComponent* AOwner);
  // Marks the component as going, tells the components that asked for it (FreeNotification), frees
  // the components it owns (the last first) and leaves its owner.
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const;  // EListError on a bad index
  // The owned component named Name (without regard to case), nullptr when none.
  TComponent* FindComponent(const std::string& Name) const;

  // Takes AComponent over from its previous owner; Notification(AComponent, opInsert) follows.
  void InsertComponent(TComponent* AComponent);
  // Notification(AComponent, opRemove), then AComponent no longer has an owner.
  void RemoveComponent(TComponent* AComponent);

  // AComponent's Notification(this, opRemove) runs when this component goes, although AComponent
  // does not own it. Both directions are registered, so either may go first.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Set from the start of the destructor on.
  bool Destroying() const { return FDestroying; }
  TComponentState ComponentState() const { return FComponentState | (FDestroying ? csDestroying : 0u); }
  // Enters the loading state; Loaded leaves it.
  void SetLoading() { FComponentState |= csLoading; }
  // Called once the component's stored properties are all set; the base leaves the loading state.
  virtual void Loaded() { FComponentState &= ~static_cast<unsigned>(csLoading); }

  // The published-property table of the object's class (TypInfo); nullptr for a class without one.
  virtual const TClassInfo* ClassInfo() const { return nullptr; }

  intptr_t Tag = 0;

protected:
  // Called for components joining or leaving this one and for those registered by
  // FreeNotification; the base forgets a removed component's registration and passes the notice
  // to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  TPersistent* GetOwner() override { return FOwner; }

private:
  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  bool FDestroying = false;
  TComponentState FComponentState = 0;
};

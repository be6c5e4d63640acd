// TComponent: ownership, removal notices and free notifications.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/core/Components.h"

namespace {

using TTrace = std::vector<std::string>;

// Records every notice it gets and its own end.
class TProbe : public TComponent {
public:
  // Named before it joins its owner, so that the insertion notices carry the name.
  TProbe(TComponent* AOwner, const std::string& AName, TTrace& ATrace) : TComponent(nullptr), FTrace(ATrace) {
    SetName(AName);
    if (AOwner != nullptr) AOwner->InsertComponent(this);
  }
  ~TProbe() override { FTrace.push_back(Name() + " freed"); }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    FTrace.push_back(Name() + (Operation == opInsert ? " insert " : " remove ") +
                     (AComponent != nullptr ? AComponent->Name() : "nil"));
  }

private:
  TTrace& FTrace;
};

TEST(ComponentTest, OwnerFreesItsComponentsLastFirst) {
  TTrace Trace;
  auto* Owner = new TProbe(nullptr, "owner", Trace);
  auto* A = new TProbe(Owner, "a", Trace);
  new TProbe(Owner, "b", Trace);
  EXPECT_EQ(Owner->ComponentCount(), 2);
  EXPECT_EQ(Owner->Components(0), A);
  EXPECT_EQ(A->Owner(), Owner);
  EXPECT_EQ(Owner->FindComponent("B")->Name(), "b");
  EXPECT_EQ(Owner->FindComponent("c"), nullptr);
  EXPECT_THROW(Owner->Components(2), EListError);
  // The owner passes every notice on to the components it owns, the newcomer included.
  EXPECT_EQ(Trace, (TTrace{"a insert a", "owner insert a", "b insert b", "a insert b", "owner insert b"}));
  Trace.clear();
  delete Owner;
  EXPECT_EQ(Trace, (TTrace{"owner freed", "b freed", "a freed"}));
}

TEST(ComponentTest, FreeingAnOwnedComponentTellsTheOwnerAndItsOtherComponents) {
  TTrace Trace;
  TProbe Owner(nullptr, "owner", Trace);
  auto* A = new TProbe(&Owner, "a", Trace);
  new TProbe(&Owner, "b", Trace);
  Trace.clear();
  delete A;
  EXPECT_EQ(Trace, (TTrace{"a freed", "b remove a", "owner remove a"}));
  EXPECT_EQ(Owner.ComponentCount(), 1);
}

TEST(ComponentTest, InsertComponentMovesOwnership) {
  TTrace Trace;
  TProbe First(nullptr, "first", Trace);
  TProbe Second(nullptr, "second", Trace);
  auto* A = new TProbe(&First, "a", Trace);
  Trace.clear();
  Second.InsertComponent(A);
  EXPECT_EQ(A->Owner(), &Second);
  EXPECT_EQ(First.ComponentCount(), 0);
  EXPECT_EQ(Trace, (TTrace{"first remove a", "a insert a", "second insert a"}));
}

TEST(ComponentTest, FreeNotificationWorksBothWays) {
  TTrace Trace;
  auto* Watcher = new TProbe(nullptr, "watcher", Trace);
  auto* Watched = new TProbe(nullptr, "watched", Trace);
  Watcher->FreeNotification(Watched);
  delete Watched;
  EXPECT_EQ(Trace, (TTrace{"watched freed", "watcher remove watched"}));
  Trace.clear();
  auto* Other = new TProbe(nullptr, "other", Trace);
  Watcher->FreeNotification(Other);
  delete Watcher;
  EXPECT_EQ(Trace, (TTrace{"watcher freed", "other remove watcher"}));
  Trace.clear();
  delete Other;  // the registration went with the watcher
  EXPECT_EQ(Trace, (TTrace{"other freed"}));
}

}  // namespace

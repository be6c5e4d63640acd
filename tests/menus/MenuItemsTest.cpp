// The menu model base: categories per file type, menu items, their defaults, moves, sorting, the
// invariants of the categorised tree and the texts of its invalid operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/FileTypes.h"
#include "model/MenuItems.h"
#include "tests/menus/MenuTestUtils.h"

using namespace menutest;
using TTrace = std::vector<std::string>;

namespace {

// A menu of the base classes in which items may hold items (like submenus).
class TTestItem : public TCustomMenuItem {
public:
  using TCustomMenuItem::TCustomMenuItem;
};

class TTestCategory : public TCustomFileTypeCategory {
public:
  using TCustomFileTypeCategory::TCustomFileTypeCategory;
};

class TTestItems : public TCustomMenuItems {
public:
  using TCustomMenuItems::TCustomMenuItems;
  TCustomMenuItem* CreateItem(TCustomMenuItems* Collection) override {
    return static_cast<TCustomMenuItem*>(
        Collection->TTreeItems::AddItem(TreeItemClass<TTestItem>(), TreeItemsClass<TTestItems>()));
  }
  TCustomFileTypeCategory* CreateCategory(TCustomMenuItems* Collection) override {
    return static_cast<TCustomFileTypeCategory*>(
        Collection->TTreeItems::AddItem(TreeItemClass<TTestCategory>(), TreeItemsClass<TTestItems>()));
  }
};

class TTestMenu : public TCustomMenu {
public:
  explicit TTestMenu(TFileTypes* FileTypes) : TCustomMenu(TreeItemsClass<TTestItems>(), FileTypes) {}
  void LoadFromIni(TCustomIniFile&, const std::string&) override {}
  void SaveToIni(TCustomIniFile&, const std::string&) override {}
};

// A category that is not bound to a file type, and a plain tree item.
class TPlainCategory : public TCategoryItem {
public:
  using TCategoryItem::TCategoryItem;
};

class MenuItemsTest : public ::testing::Test {
protected:
  TTrace Trace;  // outlives the menu, whose last events may still be recorded
  TThreeTypes Types;
  std::unique_ptr<TTestMenu> Menu = std::make_unique<TTestMenu>(&Types.Model);

  TTestItems* Root() { return static_cast<TTestItems*>(Menu->GetItems()); }
  TCustomMenuItem* Add(const std::string& Caption, TFileType* Type = nullptr) {
    TCustomMenuItem* Item = Root()->AddItem();
    Item->SetCaption(Caption);
    if (Type != nullptr) Item->SetFileType(Type);
    return Item;
  }
  TCustomMenuItem* AddChild(TCustomMenuItem* Parent, const std::string& Caption) {
    TCustomMenuItem* Item = static_cast<TCustomMenuItems*>(Parent->Items())->AddItem();
    Item->SetCaption(Caption);
    return Item;
  }
};

// ---------------------------------------------------------------------------------------------
// Items and their defaults

TEST_F(MenuItemsTest, NewItemHasTheDefaults) {
  TCustomMenuItem* Item = Root()->AddItem();
  EXPECT_EQ(Item->Caption(), "new item");
  EXPECT_EQ(Item->Parameters(), "\"%1\"");
  EXPECT_EQ(Item->Parameters().size(), 4u);
  EXPECT_EQ(Item->Application(), "");
  EXPECT_TRUE(Item->Checked());
  EXPECT_EQ(Item->GetFileType(), Types.Text);
}

TEST_F(MenuItemsTest, TopLevelAdditionCreatesTheFirstTypesCategoryOnce) {
  EXPECT_FALSE(Root()->HasCategory(Types.Text));
  TCustomMenuItem* A = Add("a");
  TCustomMenuItem* B = Add("b");
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[a,b]");
  EXPECT_TRUE(Root()->HasCategory(Types.Text));
  EXPECT_EQ(Root()->FindCategory(Types.Text), A->GetCategory());
  EXPECT_EQ(A->GetCategory(), B->GetCategory());
  EXPECT_EQ(Root()->FindCategory(Types.Batch), nullptr);
  EXPECT_EQ(A->GetCategory()->GetFileTypeCaption(), "A text");
  EXPECT_TRUE(Menu->Modified());
}

TEST_F(MenuItemsTest, AdditionWithoutFileTypesRaisesAndLeavesNothing) {
  TFileTypes Empty(nullptr);
  for (TFileTypes* List : {static_cast<TFileTypes*>(nullptr), &Empty}) {
    TTestMenu Other(List);
    EXPECT_EQ(MessageOf([&] { Other.GetItems()->AddItem(); }), "FileTypes property not set or empty");
    EXPECT_EQ(Other.GetItems()->Count(), 0);
    EXPECT_EQ(MessageOf([&] { Other.CheckFileTypes(); }), "FileTypes property not set or empty");
  }
}

TEST_F(MenuItemsTest, SettersChangeOnlyOnADifferentValueAndMarkTheItem) {
  TCustomMenuItem* Item = Add("a");
  Menu->SetModified(false);
  Item->SetModified(false);
  RecordEvents(*Menu, Trace);
  Item->SetCaption("a");
  Item->SetApplication("");
  Item->SetChecked(true);
  EXPECT_TRUE(Trace.empty());
  EXPECT_FALSE(Menu->Modified());

  Item->SetCaption("A");  // case-sensitive
  Item->SetApplication("notepad.exe");
  Item->SetParameters("%1");
  Item->SetChecked(false);
  EXPECT_EQ(Trace, (TTrace{"itemchange A", "itemchange A", "itemchange A", "itemchange A"}));
  EXPECT_EQ(Item->Application(), "notepad.exe");
  EXPECT_EQ(Item->Parameters(), "%1");
  EXPECT_FALSE(Item->Checked());
  // A property change marks the item, not the menu's own flag.
  EXPECT_TRUE(Item->Modified());
  EXPECT_TRUE(Menu->Modified());
  Item->SetModified(false);
  EXPECT_FALSE(Menu->Modified());
}

TEST_F(MenuItemsTest, MembershipChangesMarkTheMenuUnlessHeldBack) {
  Add("a");
  Menu->SetModified(false);
  Root()->GetItem(0)->Items()->GetItem(0)->SetModified(false);
  EXPECT_FALSE(Menu->Modified());

  Menu->BeginUpdate();
  Root()->AddItem();  // a new item carries no mark of its own
  Menu->SetModified(false);
  EXPECT_FALSE(Menu->Modified());
  Menu->EndUpdate();  // one change at the end of the bracket
  EXPECT_TRUE(Menu->Modified());

  Menu->SetModified(false);
  Menu->DisableChangeNotify();
  TTreeItem* C = Add("c");
  C->SetModified(false);
  Menu->EnableChangeNotify();
  EXPECT_FALSE(Menu->Modified());
}

TEST_F(MenuItemsTest, AssignCopiesTextsAndStateButNoChildren) {
  TCustomMenuItem* Source = Add("source", Types.Batch);
  Source->SetApplication("app.exe");
  Source->SetParameters("-x");
  Source->SetChecked(false);
  Source->SetExpanded(true);
  AddChild(Source, "child");
  TCustomMenuItem* Dest = Add("dest");
  RecordEvents(*Menu, Trace);
  Dest->Assign(Source);
  EXPECT_EQ(Dest->Caption(), "source");
  EXPECT_EQ(Dest->Application(), "app.exe");
  EXPECT_EQ(Dest->Parameters(), "-x");
  EXPECT_FALSE(Dest->Checked());
  EXPECT_TRUE(Dest->Expanded());
  EXPECT_EQ(Dest->Items()->Count(), 0);
  EXPECT_EQ(Dest->GetFileType(), Types.Text);  // the copy stays where it is
  // Inside the item's bracket: no item events, one change when the bracket closes.
  EXPECT_EQ(Trace, TTrace{"change"});
}

// ---------------------------------------------------------------------------------------------
// The category invariants

TEST_F(MenuItemsTest, DeletingTheOnlyItemFreesItsCategory) {
  TCustomMenuItem* A = Add("a");
  TCustomMenuItem* B = Add("b", Types.Batch);
  TCustomMenuItem* B2 = Add("b2", Types.Batch);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[a],batfile:[b,b2]");
  RecordEvents(*Menu, Trace);
  delete B;
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[a],batfile:[b2]");
  delete B2;
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[a]");
  EXPECT_EQ(Trace, (TTrace{"deleting b", "change", "deleting b2", "deleting cat batfile", "change"}));
  delete A;
  EXPECT_EQ(DumpMenu(*Menu), "");
}

TEST_F(MenuItemsTest, DeletingAFocusedOnlyItemLeavesAValidFocus) {
  TCustomMenuItem* A = Add("a");
  TCustomMenuItem* B = Add("b", Types.Batch);
  ASSERT_TRUE(B->Focus());
  delete B;
  // The focus went to the category, which then went too: the remaining category has it.
  EXPECT_EQ(Menu->GetFocused(), Root()->GetItem(0));
  EXPECT_TRUE(Root()->GetItem(0)->Focused());
  ASSERT_TRUE(A->Focus());
  delete A;
  EXPECT_EQ(Menu->GetFocused(), nullptr);
}

TEST_F(MenuItemsTest, SetFileTypeMovesToANewCategoryInListOrder) {
  TCustomMenuItem* A = Add("a", Types.Settings);
  EXPECT_EQ(DumpMenu(*Menu), "inifile:[a]");
  Add("b");
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[b],inifile:[a]");
  RecordEvents(*Menu, Trace);
  A->SetFileType(Types.Batch);  // a new category; the old one goes with its only item
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[b],batfile:[a]");
  EXPECT_EQ(A->GetFileType(), Types.Batch);
  // The tree's bracket holds everything back: one change at its end.
  EXPECT_EQ(Trace, TTrace{"change"});

  Trace.clear();
  A->SetFileType(Types.Batch);  // already there
  EXPECT_TRUE(Trace.empty());
}

TEST_F(MenuItemsTest, SetFileTypeLeavesASubmenuForTheTopLevel) {
  TCustomMenuItem* Parent = Add("p");
  TCustomMenuItem* Child = AddChild(Parent, "c");
  EXPECT_EQ(Child->GetFileType(), Types.Text);
  Child->SetFileType(Types.Text);  // already under that category: stays in the submenu
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[p[c]]");
  Add("q", Types.Batch);
  Child->SetFileType(Types.Batch);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[p],batfile:[q,c]");
}

TEST_F(MenuItemsTest, SetFileTypeWithoutCategoryDoesNothing) {
  TTestItem Loose{TreeItemsClass<TTestItems>()};
  Loose.SetFileType(Types.Batch);
  EXPECT_EQ(Loose.GetFileType(), nullptr);
  EXPECT_EQ(Loose.GetCategory(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Sorting

TEST_F(MenuItemsTest, ItemsSortByCaptionDescendingIgnoringHotKeys) {
  for (const char* Caption : {"&Beta", "alpha", "Gamma", "B&eta2", "&&delta"}) Add(Caption);
  TTreeItems* Items = Root()->GetItem(0)->Items();
  Items->Sort();
  std::vector<std::string> Order;
  for (int I = 0; I < Items->Count(); ++I) Order.push_back(static_cast<TCustomMenuItem*>(Items->GetItem(I))->Caption());
  ASSERT_EQ(Order.size(), 5u);
  // Each neighbour pair is in descending order of the captions without "&".
  for (size_t I = 0; I + 1 < Order.size(); ++I)
    EXPECT_GE(AnsiCompareStr(StripHotKeyMarkers(Order[I]), StripHotKeyMarkers(Order[I + 1])), 0)
        << Order[I] << " before " << Order[I + 1];
  EXPECT_EQ(StripHotKeyMarkers("&&a&b"), "ab");
  // "B&eta2" sorts as "Beta2", before "&Beta" ("Beta").
  EXPECT_LT(std::find(Order.begin(), Order.end(), "B&eta2"), std::find(Order.begin(), Order.end(), "&Beta"));
}

TEST_F(MenuItemsTest, RootSortsCategoriesByFileTypeOrder) {
  Add("s", Types.Settings);
  Add("t", Types.Text);
  Add("b", Types.Batch);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[t],batfile:[b],inifile:[s]");
  // Reverse the categories by hand, then sort.
  Root()->GetItem(2)->SetIndex(0);
  Root()->GetItem(2)->SetIndex(1);
  EXPECT_EQ(DumpMenu(*Menu), "inifile:[s],batfile:[b],txtfile:[t]");
  Root()->Sort();
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[t],batfile:[b],inifile:[s]");
}

// ---------------------------------------------------------------------------------------------
// Moving and copying

TEST_F(MenuItemsTest, MovingTheOnlyItemFreesTheSourceCategory) {
  TCustomMenuItem* A = Add("a");
  TCustomMenuItem* B = Add("b", Types.Batch);
  TCategorizedCollectionItem* Target = B->GetCategory();
  RecordEvents(*Menu, Trace);
  EXPECT_EQ(A->MoveTo(Target, 0, true), A);
  EXPECT_EQ(DumpMenu(*Menu), "batfile:[a,b]");
  EXPECT_EQ(A->GetFileType(), Types.Batch);
  EXPECT_TRUE(A->Modified());
  // The root bracket holds the moves back; the freed category announces its deletion.
  EXPECT_EQ(Trace, (TTrace{"deleting cat txtfile", "change"}));
}

TEST_F(MenuItemsTest, MovingWithinAndIntoASubmenu) {
  TCustomMenuItem* A = Add("a");
  TCustomMenuItem* B = Add("b");
  TCustomMenuItem* C = Add("c");
  C->MoveTo(A->GetCategory(), 0, true);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[c,a,b]");
  B->MoveTo(A, 0, true);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[c,a[b]]");
  EXPECT_EQ(B->GetFileType(), Types.Text);
}

TEST_F(MenuItemsTest, CopyingAddsAnAssignedItemOfTheSameClass) {
  TCustomMenuItem* A = Add("a");
  A->SetApplication("app.exe");
  A->SetChecked(false);
  AddChild(A, "child");
  TCustomMenuItem* B = Add("b", Types.Batch);
  RecordEvents(*Menu, Trace);
  auto* Copy = dynamic_cast<TCustomMenuItem*>(A->MoveTo(B->GetCategory(), 0, false));
  ASSERT_NE(Copy, nullptr);
  EXPECT_NE(Copy, A);
  EXPECT_NE(dynamic_cast<TTestItem*>(Copy), nullptr);
  EXPECT_NE(dynamic_cast<TTestItems*>(Copy->Items()), nullptr);
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[a[child]],batfile:[a,b]");
  EXPECT_EQ(Copy->Application(), "app.exe");
  EXPECT_FALSE(Copy->Checked());
  // The copy is validated and announced.
  ASSERT_FALSE(Trace.empty());
  EXPECT_EQ(Trace.front(), "added new item");
}

// ---------------------------------------------------------------------------------------------
// Invalid operations

TEST_F(MenuItemsTest, InvalidOperationsRaiseTheirTexts) {
  TCustomMenuItem* A = Add("a");
  TTreeItems* CategoryItems = A->GetCategory()->Items();
  struct TCase {
    const char* What;
    std::function<void()> Call;
    const char* Message;
  };
  const std::vector<TCase> Cases = {
      {"category below a category",
       [&] { CategoryItems->AddItem(TreeItemClass<TTestCategory>(), TreeItemsClass<TTestItems>()); },
       "Can not add a category for an item"},
      {"category below an item",
       [&] { A->Items()->AddItem(TreeItemClass<TTestCategory>(), TreeItemsClass<TTestItems>()); },
       "Can not add a category for an item"},
      {"item at the top level",
       [&] { Root()->TTreeItems::AddItem(TreeItemClass<TTestItem>(), TreeItemsClass<TTestItems>()); },
       "Can not add an item to the top-level collection"},
      {"plain tree item", [&] { CategoryItems->AddItem(TreeItemClass<TTreeItem>(), TreeItemsClass<TTreeItems>()); },
       "Invalid tree item class"},
      {"category without file type",
       [&] { Root()->TTreeItems::AddItem(TreeItemClass<TPlainCategory>(), TreeItemsClass<TTestItems>()); },
       "Invalid tree item class"},
      {"item moved to the top level", [&] { A->ChangeCollection(Root()); },
       "Can not add an item to the top-level collection"},
      {"category moved below an item", [&] { A->GetCategory()->ChangeCollection(A->Items()); },
       "Can not add a category for an item"},
  };
  for (const TCase& Case : Cases) {
    const std::string Before = DumpMenu(*Menu);
    EXPECT_EQ(MessageOf(Case.Call), Case.Message) << Case.What;
    // The new item was freed; nothing moved.
    EXPECT_EQ(DumpMenu(*Menu), Before) << Case.What;
  }
}

TEST(CategorizedCollectionTest, ValidatesTheTwoLevels) {
  TCategorizedCollection Tree(TreeItemsClass<TCategorizedCollectionItems>());
  TTreeItems* Root = Tree.Items();
  auto* Category = static_cast<TCategoryItem*>(Root->AddItem(TreeItemClass<TPlainCategory>(),
                                                             TreeItemsClass<TCategorizedCollectionItems>()));
  TTreeItem* Node = Category->Items()->AddItem(TreeItemClass<TNodeItem>(), TreeItemsClass<TCategorizedCollectionItems>());
  EXPECT_EQ(Category->GetItems()->Count(), 1);
  EXPECT_EQ(static_cast<TNodeItem*>(Node)->GetCategorizedCollection(), &Tree);
  EXPECT_EQ(MessageOf([&] { Root->AddItem(TreeItemClass<TTreeItem>(), TreeItemsClass<TTreeItems>()); }),
            "Invalid tree item class");
  EXPECT_EQ(MessageOf([&] {
              Root->AddItem(TreeItemClass<TNodeItem>(), TreeItemsClass<TCategorizedCollectionItems>());
            }),
            "Can not add an item to the top-level collection");
  EXPECT_EQ(Root->Count(), 1);
  // The category goes with its last node here too.
  delete Node;
  EXPECT_EQ(Root->Count(), 0);
}

TEST_F(MenuItemsTest, FocusingAnItemOfAnotherTreeRaises) {
  TTestMenu Other(&Types.Model);
  TCustomMenuItem* Foreign = Other.GetItems()->AddItem();
  EXPECT_EQ(MessageOf([&] { Menu->SetFocused(Foreign); }), "Item must belong to collection to focus");
}

// ---------------------------------------------------------------------------------------------
// File types going away

TEST_F(MenuItemsTest, CategoryOfAFreedTypeTakesTheFirstType) {
  Add("t");
  Add("s", Types.Settings);
  TCustomFileTypeCategory* Settings = Root()->FindCategory(Types.Settings);
  ASSERT_NE(Settings, nullptr);
  delete Types.Batch;  // no category has it: nothing changes
  EXPECT_EQ(DumpMenu(*Menu), "txtfile:[t],inifile:[s]");
  delete Types.Settings;
  EXPECT_EQ(Settings->GetFileType(), Types.Text);
  delete Types.Text;  // the first type itself: the categories take the next one left
  EXPECT_EQ(Types.Model.Count(), 0);
  EXPECT_EQ(Settings->GetFileType(), nullptr);
}

TEST_F(MenuItemsTest, CategoryOfFirstTypeMovesToTheNextWhenItGoes) {
  TFileType* Extra = AddType(Types.Model, "zzfile", "D extra");
  Add("t");
  TCustomFileTypeCategory* Category = Root()->FindCategory(Types.Text);
  delete Types.Text;
  EXPECT_EQ(Category->GetFileType(), Types.Batch);
  EXPECT_NE(Extra, nullptr);
}

TEST_F(MenuItemsTest, MenuOutlivesTheFileTypeModel) {
  auto Model = std::make_unique<TFileTypes>(nullptr);
  AddType(*Model, "a", "a");
  TTestMenu Other(Model.get());
  Other.GetItems()->AddItem();
  TCustomFileTypeCategory* Category = Other.GetItems()->Category(0);
  Model.reset();
  Other.SetFileTypes(nullptr);
  EXPECT_EQ(Category->GetFileType(), nullptr);
  EXPECT_EQ(Category->FileTypeLink()->FileTypes(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Store records

TEST(StoreInfoTest, RecordsAndCopies) {
  TStoreInfo Info;
  EXPECT_FALSE(Info.Stored());
  Info.SetStored("\\txtfile\\shell\\a (*)");
  EXPECT_TRUE(Info.Stored());
  EXPECT_EQ(Info.KeyPath(), "\\txtfile\\shell\\a (*)");
  TStoreInfo Copy;
  Copy.Assign(&Info);
  EXPECT_TRUE(Copy.Stored());
  EXPECT_EQ(Copy.KeyPath(), Info.KeyPath());
  Info.Clear();
  EXPECT_FALSE(Info.Stored());
  EXPECT_EQ(Info.KeyPath(), "");
  TAdvStringList Other;
  EXPECT_EQ(MessageOf([&] { Copy.Assign(&Other); }), "Cannot assign a TAdvStringList to a TStoreInfo");
  EXPECT_TRUE(Copy.Stored());
}

}  // namespace

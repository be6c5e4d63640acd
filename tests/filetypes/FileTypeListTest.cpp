// File-type links and the file-type list component: the traces of their notifications.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/core/ImgList.h"
#include "model/FileTypeList.h"
#include "model/FileTypes.h"
#include "tests/filetypes/FileTypesFixture.h"
#include "tests/support/Expect.h"

using namespace fttest;
using TTrace = std::vector<std::string>;

namespace {

TFileType* AddType(TFileTypes& Model, const std::string& Name, const std::string& Description) {
  TFileType* T = Model.Add();
  T->SetName(Name);
  T->SetDescription(Description);
  return T;
}

bool InModel(const TFileTypes& Model, const TFileType* T) {
  for (int I = 0; I < Model.Count(); ++I)
    if (Model.GetItem(I) == T) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Links on a model built by hand

TEST(FileTypeLinkTest, AttachingFiresOnChangeOnce) {
  TFileTypes Model(nullptr);
  TFileTypeLink Link;
  TTrace Trace;
  Record(Link, "L", Trace);
  Link.SetFileTypes(&Model);
  Link.SetFileTypes(&Model);
  EXPECT_EQ(Trace, TTrace{"L change nil"});
  EXPECT_EQ(Link.FileTypes(), &Model);
  EXPECT_EQ(Model.LinkCount(), 1);

  TFileTypes Other(nullptr);
  Link.SetFileTypes(&Other);
  EXPECT_EQ(Model.LinkCount(), 0);
  EXPECT_EQ(Other.LinkCount(), 1);
  Link.SetFileTypes(nullptr);
  EXPECT_EQ(Other.LinkCount(), 0);
  EXPECT_EQ(Trace, (TTrace{"L change nil", "L change nil"}));
}

TEST(FileTypeLinkTest, SetFileTypeChecksTheModel) {
  TFileTypes Model(nullptr), Other(nullptr);
  TFileType* Mine = AddType(Model, "Mine", "mine");
  TFileType* Foreign = AddType(Other, "Foreign", "foreign");
  TFileTypeLink Link;
  const std::string Message = "FileTypes property not set or item does not belong to FileTypes";
  EXPECT_EQ(MessageOf([&] { Link.SetFileType(Mine); }), Message);
  Link.SetFileTypes(&Model);
  EXPECT_EQ(MessageOf([&] { Link.SetFileType(Foreign); }), Message);
  EXPECT_EQ(Link.FileType(), nullptr);
  Link.SetFileType(Mine);
  EXPECT_EQ(Link.FileType(), Mine);
  EXPECT_EQ(Link.ItemName(), "Mine");
  Link.SetFileType(nullptr);
  EXPECT_EQ(Link.FileType(), nullptr);
  EXPECT_EQ(Link.ItemName(), "");
  // A new model drops the item.
  Link.SetFileType(Mine);
  Link.SetFileTypes(&Other);
  EXPECT_EQ(Link.FileType(), nullptr);
  EXPECT_EQ(Link.ItemName(), "");
}

TEST(FileTypeLinkTest, ChangesAndMovesReachEveryLink) {
  TFileTypes Model(nullptr);
  TFileType* A = AddType(Model, "A", "a");
  TFileType* B = AddType(Model, "B", "b");
  TFileTypeLink L1, L2;
  TTrace Trace;
  L1.SetFileTypes(&Model);
  L2.SetFileTypes(&Model);
  L1.SetFileType(A);
  Record(L1, "1", Trace);
  Record(L2, "2", Trace);

  B->SetDescription("bb");
  B->SetDescription("bb");  // unchanged: nothing
  A->SetIndex(1);
  EXPECT_FALSE(Model.Moving());
  A->SetIndex(1);  // already there: still a move notice
  B->SetIconLocation("x.ico,1");  // heard after both moves
  EXPECT_EQ(Trace, (TTrace{"1 change B", "2 change B", "1 move A", "2 move A", "1 move A", "2 move A",
                           "1 change B", "2 change B"}));
  EXPECT_EQ(Model.GetItem(0), B);
  EXPECT_EQ(L1.FileType(), A);
}

TEST(FileTypeLinkTest, DestroyedItemClearsItsLinksOnly) {
  TFileTypes Model(nullptr);
  TFileType* X = AddType(Model, "X", "x");
  TFileType* Y = AddType(Model, "Y", "y");
  TFileTypeLink LX, LY, LN;
  TTrace Trace;
  for (TFileTypeLink* L : {&LX, &LY, &LN}) L->SetFileTypes(&Model);
  LX.SetFileType(X);
  LY.SetFileType(Y);
  Record(LX, "X", Trace);
  Record(LY, "Y", Trace);
  Record(LN, "N", Trace);
  delete X;
  EXPECT_EQ(Trace, (TTrace{"X destroy X", "Y destroy X", "N destroy X", "X change nil", "Y change nil",
                           "N change nil"}));
  EXPECT_EQ(LX.FileType(), nullptr);
  EXPECT_EQ(LX.ItemName(), "");
  EXPECT_EQ(LX.FileTypes(), &Model);
  EXPECT_EQ(LY.FileType(), Y);
}

TEST(FileTypeLinkTest, DestroyedModelDetachesEveryLink) {
  auto Model = std::make_unique<TFileTypes>(nullptr);
  TFileType* X = AddType(*Model, "X", "x");
  TFileTypeLink L1, L2;
  TTrace Trace;
  L1.SetFileTypes(Model.get());
  L2.SetFileTypes(Model.get());
  L1.SetFileType(X);
  Record(L1, "1", Trace);
  Record(L2, "2", Trace);
  Model.reset();
  EXPECT_EQ(Trace, (TTrace{"1 destroy nil", "2 destroy nil"}));
  for (TFileTypeLink* L : {&L1, &L2}) {
    EXPECT_EQ(L->FileTypes(), nullptr);
    EXPECT_EQ(L->FileType(), nullptr);
  }
}

TEST(FileTypeLinkTest, MiddleLinkDetachingItselfInItsHandler) {
  TFileTypes Model(nullptr);
  TFileType* T = AddType(Model, "T", "t");
  TFileTypeLink L1, L2, L3;
  TTrace Trace;
  for (TFileTypeLink* L : {&L1, &L2, &L3}) L->SetFileTypes(&Model);
  Record(L1, "1", Trace);
  Record(L2, "2", Trace);
  Record(L3, "3", Trace);
  L2.OnChange = [&](TObject* Sender, TFileType* Item) {
    EXPECT_EQ(Sender, &L2);
    Trace.push_back("2 change " + TypeName(Item));
    L2.SetFileTypes(nullptr);
  };
  T->SetDescription("tt");
  EXPECT_EQ(Trace, (TTrace{"1 change T", "2 change T", "3 change T"}));
  EXPECT_EQ(Model.LinkCount(), 2);
  Trace.clear();
  T->SetDescription("ttt");
  EXPECT_EQ(Trace, (TTrace{"1 change T", "3 change T"}));
}

TEST(FileTypeLinkTest, LinkFreedOrAddedByAnotherLinksHandler) {
  TFileTypes Model(nullptr);
  TFileType* T = AddType(Model, "T", "t");
  TFileTypeLink L1, L2;
  auto L3 = std::make_unique<TFileTypeLink>();
  std::unique_ptr<TFileTypeLink> Late;
  TTrace Trace;
  for (TFileTypeLink* L : {&L1, &L2, L3.get()}) L->SetFileTypes(&Model);
  Record(L1, "1", Trace);
  Record(*L3, "3", Trace);
  L2.OnChange = [&](TObject*, TFileType* Item) {
    Trace.push_back("2 change " + TypeName(Item));
    L3.reset();
    Late = std::make_unique<TFileTypeLink>();
    Record(*Late, "late", Trace);
    Late->SetFileTypes(&Model);
  };
  T->SetDescription("tt");
  EXPECT_EQ(Trace, (TTrace{"1 change T", "2 change T", "late change nil"}));
  EXPECT_EQ(Model.LinkCount(), 3);
}

// ---------------------------------------------------------------------------------------------
// Links across rescans of the registry

class FileTypeLinkScanTest : public TClassesFixture {};

TEST_F(FileTypeLinkScanTest, RescanRefindsOrDetaches) {
  Type("Keep", "Kept type");
  Type(".kp", "Keep");
  Type("Drop", "Dropped type");
  Type(".dp", "Drop");
  TFileTypes Model(nullptr);
  TAdvStringList Errors;
  TFileTypeLink LK, LD, LN;
  TTrace Trace;
  for (TFileTypeLink* L : {&LK, &LD, &LN}) {
    L->SetFileTypes(&Model);
    L->OnRefreshItem = [&, L](TObject*, TFileType*) {
      // No link ever holds a freed type, not even inside the scan.
      EXPECT_TRUE(L->FileType() == nullptr || InModel(Model, L->FileType()));
    };
  }
  Model.Refresh(Errors);
  TFileType* OldKeep = Model.FindByName("Keep");
  ASSERT_NE(OldKeep, nullptr);
  LK.SetFileType(OldKeep);
  LD.SetFileType(Model.FindByName("Drop"));

  Record(LK, "K", Trace);
  Record(LD, "D", Trace);
  Record(LN, "N", Trace);
  for (TFileTypeLink* L : {&LK, &LD, &LN}) {
    auto Recorded = L->OnRefreshItem;
    L->OnRefreshItem = [&, L, Recorded](TObject* Sender, TFileType* Item) {
      EXPECT_TRUE(L->FileType() == nullptr || InModel(Model, L->FileType()));
      Recorded(Sender, Item);
    };
  }

  ASSERT_EQ(RegDeleteTreeW(Classes, L"Drop"), ERROR_SUCCESS);
  Model.Refresh(Errors);
  EXPECT_EQ(Trace, (TTrace{"K refreshitem Keep", "D refreshitem Keep", "N refreshitem Keep",  // analysed type
                           "K refreshitem nil", "D refreshitem nil", "N refreshitem nil",     // extensions
                           "K refreshitem nil", "D refreshitem nil", "N refreshitem nil",     // CurVer
                           "K refresh nil", "D destroy nil", "N refresh nil"}));
  ASSERT_NE(LK.FileType(), nullptr);
  EXPECT_TRUE(InModel(Model, LK.FileType()));
  EXPECT_EQ(LK.FileType()->Name(), "Keep");
  EXPECT_EQ(LD.FileTypes(), nullptr);
  EXPECT_EQ(LD.FileType(), nullptr);
  EXPECT_EQ(LN.FileTypes(), &Model);
  EXPECT_EQ(Model.LinkCount(), 2);

  // The re-found item keeps working: its changes reach the link.
  Trace.clear();
  LK.FileType()->SetDescription("Kept again");
  EXPECT_EQ(Trace, (TTrace{"K change Keep", "N change Keep"}));
}

// ---------------------------------------------------------------------------------------------
// The component

class FileTypeListTest : public TClassesFixture {};

TEST_F(FileTypeListTest, ActiveScansAndInactiveClearsKeepingErrors) {
  Type("Alpha", "Alpha type");
  Type(".al", "Alpha");
  Type(".zz", "Nothing");
  TFileTypeList List(nullptr);
  TTrace Trace;
  TObject* Sender = nullptr;
  List.OnRefresh = [&](TObject* S) {
    Sender = S;
    Trace.push_back("refresh");
  };
  EXPECT_EQ(List.Link()->FileTypes(), List.FileTypes());
  EXPECT_FALSE(List.Active());
  EXPECT_EQ(List.FileTypes()->Count(), 0);

  List.SetActive(true);
  EXPECT_EQ(Trace, TTrace{"refresh"});
  EXPECT_EQ(Sender, List.Link());
  ASSERT_NE(List.FileTypes()->FindByName("Alpha"), nullptr);
  EXPECT_EQ(DumpErrors(*List.Errors()),
            TTrace{"0|Extension \".zz\" belongs to non-existing file type \"Nothing\"|.zz|Nothing"});

  List.SetActive(true);  // unchanged: no scan
  EXPECT_EQ(Trace.size(), 1u);

  List.SetActive(false);
  EXPECT_EQ(List.FileTypes()->Count(), 0);
  EXPECT_EQ(List.Errors()->Count(), 1);

  ASSERT_EQ(RegDeleteTreeW(Classes, L".zz"), ERROR_SUCCESS);
  Type(".yy", "Other");
  List.SetActive(true);
  EXPECT_EQ(DumpErrors(*List.Errors()),
            TTrace{"0|Extension \".yy\" belongs to non-existing file type \"Other\"|.yy|Other"});
  EXPECT_EQ(Trace.size(), 2u);
}

TEST_F(FileTypeListTest, AssigningImagesAgainReloadsEveryIcon) {
  Type("Alpha", "Alpha type");
  Type(".al", "Alpha");
  TFileTypeList List(nullptr);
  TImageList Images(16, 16);
  int Refreshes = 0;
  std::vector<std::string> Icons;
  List.OnRefresh = [&](TObject*) { ++Refreshes; };
  List.OnLoadIcon = [&](TObject* Sender, TFileType* Item) {
    EXPECT_EQ(Sender, List.Link());
    Icons.push_back(TypeName(Item));
  };
  List.SetImages(&Images);  // inactive: nothing scanned, nothing loaded
  EXPECT_EQ(Refreshes, 0);
  EXPECT_TRUE(Icons.empty());
  List.SetActive(true);
  const int Count = List.FileTypes()->Count();
  EXPECT_EQ(Images.Count(), Count);
  ASSERT_EQ(static_cast<int>(Icons.size()), Count);
  for (int I = 0; I < Count; ++I) EXPECT_EQ(Icons[static_cast<size_t>(I)], List.FileTypes()->GetItem(I)->Name());
  List.SetImages(&Images);
  EXPECT_EQ(Refreshes, 2);
  EXPECT_EQ(static_cast<int>(Icons.size()), 2 * Count);
  EXPECT_EQ(Images.Count(), Count);
  List.SetImages(nullptr);
  EXPECT_EQ(Refreshes, 3);
  EXPECT_EQ(static_cast<int>(Icons.size()), 2 * Count);
}

TEST_F(FileTypeListTest, FreedWithItsOwnerAndDetachingLinks) {
  auto Owner = std::make_unique<TComponent>(nullptr);
  auto* List = new TFileTypeList(Owner.get());
  EXPECT_EQ(Owner->ComponentCount(), 1);
  List->SetActive(true);
  TFileTypeLink Link;
  TTrace Trace;
  Link.SetFileTypes(List->FileTypes());
  Link.SetFileType(List->FileTypes()->GetItem(0));
  Record(Link, "L", Trace);
  Owner.reset();
  EXPECT_EQ(Trace, TTrace{"L destroy nil"});
  EXPECT_EQ(Link.FileTypes(), nullptr);
  EXPECT_EQ(Link.FileType(), nullptr);
}

}  // namespace

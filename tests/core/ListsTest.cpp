// TList, TStrings and TStringList.
#include "classlib/core/Classes.h"

#include "tests/support/Expect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

void* P(intptr_t V) { return reinterpret_cast<void*>(V); }

std::vector<intptr_t> Contents(const TList& List) {
  std::vector<intptr_t> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(reinterpret_cast<intptr_t>(List[I]));
  return Result;
}

std::vector<std::string> Lines(const TStrings& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List[I]);
  return Result;
}

class TNotifyList : public TList {
public:
  std::vector<std::string> Log;

protected:
  void Notify(void* Ptr, TListNotification Action) override {
    static const char* const Names[] = {"added", "extracted", "deleted"};
    Log.push_back(std::string(Names[Action]) + " " + std::to_string(reinterpret_cast<intptr_t>(Ptr)));
  }
};

}  // namespace

TEST(TList, AddInsertDeleteMove) {
  TList List;
  EXPECT_EQ(List.Add(P(1)), 0);
  EXPECT_EQ(List.Add(P(2)), 1);
  List.Insert(0, P(0));
  List.Insert(3, P(3));
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{0, 1, 2, 3}));
  EXPECT_EQ(List.First(), P(0));
  EXPECT_EQ(List.Last(), P(3));
  List.Move(0, 2);  // out, then in at 2
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{1, 2, 0, 3}));
  List.Move(3, 0);
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{3, 1, 2, 0}));
  List.Exchange(0, 3);
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{0, 1, 2, 3}));
  List.Delete(1);
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{0, 2, 3}));
  EXPECT_EQ(List.Remove(P(3)), 2);
  EXPECT_EQ(List.Remove(P(9)), -1);
  EXPECT_EQ(List.IndexOf(P(2)), 1);
  List.Put(0, P(7));
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{7, 2}));
  List.Add(nullptr);
  List.Insert(0, nullptr);
  List.Pack();
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{7, 2}));
  List.Clear();
  EXPECT_EQ(List.Count(), 0);
  EXPECT_EQ(List.Capacity(), 0);
}

TEST(TList, IndexErrors) {
  TList List;
  List.Add(P(1));
  List.Add(P(2));
  struct TCase {
    std::function<void()> Call;
    std::string Message;
  };
  const std::vector<TCase> Cases = {
      {[&] { List.Get(2); }, "List index out of bounds (2)"},
      {[&] { List.Get(-1); }, "List index out of bounds (-1)"},
      {[&] { List.Put(5, nullptr); }, "List index out of bounds (5)"},
      {[&] { List.Insert(3, nullptr); }, "List index out of bounds (3)"},
      {[&] { List.Delete(2); }, "List index out of bounds (2)"},
      {[&] { List.Exchange(0, 4); }, "List index out of bounds (4)"},
      {[&] { List.Move(0, 2); }, "List index out of bounds (2)"},
      {[&] { List.Move(-1, 1); }, "List index out of bounds (-1)"},
      {[&] { List.SetCapacity(1); }, "List capacity out of bounds (1)"},
      {[&] { List.SetCount(-1); }, "List count out of bounds (-1)"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(MessageOf<EListError>(C.Call), C.Message);
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{1, 2}));  // nothing changed
  TList Empty;
  EXPECT_EQ(MessageOf<EListError>([&] { Empty.First(); }), "List index out of bounds (0)");
  EXPECT_EQ(MessageOf<EListError>([&] { Empty.Last(); }), "List index out of bounds (-1)");
}

TEST(TList, NotificationsAndExtract) {
  TNotifyList List;
  List.Add(P(1));
  List.Add(P(2));
  List.Add(nullptr);  // nil entries are not announced
  List.Put(0, P(5));
  List.Extract(P(2));
  EXPECT_EQ(List.Extract(P(9)), nullptr);
  List.Delete(0);
  EXPECT_EQ(List.Log, (std::vector<std::string>{"added 1", "added 2", "deleted 1", "added 5", "extracted 2", "deleted 5"}));
}

TEST(TList, SortAndCapacity) {
  TList List;
  for (intptr_t V : {5, 3, 9, 1, 7, 3, 0, 8}) List.Add(P(V));
  List.Sort([](void* A, void* B) {
    const intptr_t X = reinterpret_cast<intptr_t>(A), Y = reinterpret_cast<intptr_t>(B);
    return X < Y ? -1 : (X > Y ? 1 : 0);
  });
  EXPECT_EQ(Contents(List), (std::vector<intptr_t>{0, 1, 3, 3, 5, 7, 8, 9}));
  // Growth steps: 4 up to 8, then 16, then a quarter above 64.
  TList G;
  std::vector<int> Capacities;
  for (int I = 0; I < 100; ++I) {
    G.Add(nullptr);
    if (Capacities.empty() || Capacities.back() != G.Capacity()) Capacities.push_back(G.Capacity());
  }
  EXPECT_EQ(Capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
  G.SetCount(3);
  EXPECT_EQ(G.Count(), 3);
  G.SetCount(5);
  EXPECT_EQ(G[4], nullptr);
}

// --- TStringList -------------------------------------------------------------------------------

TEST(TStringList, UnsortedBasics) {
  TStringList L;
  EXPECT_EQ(L.Add("b"), 0);
  EXPECT_EQ(L.Add("a"), 1);
  L.Insert(0, "c");
  L.Insert(3, "d");
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"c", "b", "a", "d"}));
  EXPECT_EQ(L.IndexOf("B"), 1);  // case-insensitive by default
  EXPECT_EQ(L.IndexOf("x"), -1);
  L.Put(1, "bb");
  L.Delete(0);
  L.Move(0, 2);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "d", "bb"}));
  L.Exchange(0, 2);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"bb", "d", "a"}));
  L.SetCaseSensitive(true);
  EXPECT_EQ(L.IndexOf("BB"), -1);
  EXPECT_EQ(L.IndexOf("bb"), 0);
  struct TCase {
    std::function<void()> Call;
    std::string Message;
  };
  const std::vector<TCase> Cases = {
      {[&] { L.Get(3); }, "List index out of bounds (3)"},
      {[&] { L.Objects(-1); }, "List index out of bounds (-1)"},
      {[&] { L.Insert(4, "x"); }, "List index out of bounds (4)"},
      {[&] { L.Delete(3); }, "List index out of bounds (3)"},
      {[&] { L.Put(9, "x"); }, "List index out of bounds (9)"},
      {[&] { L.Exchange(0, 3); }, "List index out of bounds (3)"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(MessageOf<EStringListError>(C.Call), C.Message);
  EXPECT_EQ(L.Count(), 3);
}

TEST(TStringList, SortedInsertAndFind) {
  TStringList L;
  L.Add("delta");
  L.Add("Bravo");
  L.SetSorted(true);  // sorts what is there
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"Bravo", "delta"}));
  EXPECT_EQ(L.Add("charlie"), 1);
  EXPECT_EQ(L.Add("alpha"), 0);
  EXPECT_EQ(L.Add("echo"), 4);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"alpha", "Bravo", "charlie", "delta", "echo"}));

  struct TFind {
    std::string Text;
    bool Found;
    int Index;
  };
  const std::vector<TFind> Finds = {
      {"alpha", true, 0}, {"BRAVO", true, 1}, {"bravo", true, 1}, {"c", false, 2},
      {"", false, 0},     {"zulu", false, 5}, {"delt", false, 3}, {"Echo", true, 4},
  };
  for (const TFind& F : Finds) {
    int Index = -99;
    EXPECT_EQ(L.Find(F.Text, Index), F.Found) << F.Text;
    EXPECT_EQ(Index, F.Index) << F.Text;
    EXPECT_EQ(L.IndexOf(F.Text), F.Found ? F.Index : -1) << F.Text;
  }
  EXPECT_EQ(MessageOf<EStringListError>([&] { L.Insert(0, "x"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(MessageOf<EStringListError>([&] { L.Put(0, "x"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(MessageOf<EStringListError>([&] { L.Move(0, 1); }), "Operation not allowed on sorted list");
  EXPECT_EQ(L.Count(), 5);
  L.SetSorted(false);
  L.Insert(0, "zulu");  // allowed again; the order stays
  EXPECT_EQ(L[0], "zulu");
}

TEST(TStringList, Duplicates) {
  struct TCase {
    TDuplicates Mode;
    int AddResult;  // of adding "B" to a, b, c
    int Count;
    bool Raises;
  };
  const std::vector<TCase> Cases = {
      {dupIgnore, 1, 3, false},
      {dupAccept, 1, 4, false},
      {dupError, -1, 3, true},
  };
  for (const TCase& C : Cases) {
    TStringList L;
    L.SetSorted(true);
    L.Duplicates = C.Mode;
    L.Add("a");
    L.AddObject("b", static_cast<TObject*>(&L));
    L.Add("c");
    if (C.Raises) {
      EXPECT_EQ(MessageOf<EStringListError>([&] { L.Add("B"); }), "String list does not allow duplicates");
    } else {
      EXPECT_EQ(L.Add("B"), C.AddResult);
    }
    EXPECT_EQ(L.Count(), C.Count) << C.Mode;
    if (C.Mode == dupIgnore) {
      EXPECT_EQ(L.Objects(1), static_cast<TObject*>(&L));  // the old line stays
    }
  }
  // With dupAccept, Find answers the first of equal lines.
  TStringList L;
  L.SetSorted(true);
  L.Duplicates = dupAccept;
  for (const char* S : {"x", "m", "M", "m", "a", "m"}) L.Add(S);
  int Index = -1;
  EXPECT_TRUE(L.Find("m", Index));
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(L.Count(), 6);
}

TEST(TStringList, SortFollowsTheLocaleAndCarriesObjects) {
  const std::vector<std::string> Words = {"pear", "Apple", "\xE4pfel", "banana", "Cherry", "apple2", "_x", "10", "9"};
  TStringList L;
  std::vector<TObject*> Objects;
  for (size_t I = 0; I < Words.size(); ++I) {
    Objects.push_back(reinterpret_cast<TObject*>(static_cast<intptr_t>(I + 1)));
    L.AddObject(Words[I], Objects.back());
  }
  L.Sort();
  std::vector<std::string> Expected = Words;
  const LCID Locale = GetThreadLocale();
  std::stable_sort(Expected.begin(), Expected.end(), [&](const std::string& A, const std::string& B) {
    return CompareStringA(Locale, NORM_IGNORECASE, A.data(), static_cast<int>(A.size()), B.data(),
                          static_cast<int>(B.size())) == CSTR_LESS_THAN;
  });
  EXPECT_EQ(Lines(L), Expected);
  for (int I = 0; I < L.Count(); ++I) {
    const size_t Original = static_cast<size_t>(std::find(Words.begin(), Words.end(), L[I]) - Words.begin());
    EXPECT_EQ(L.Objects(I), Objects[Original]) << L[I];
  }
  // Custom order: by length, then as the list compares.
  L.CustomSort([](TStringList& List, int A, int B) {
    return static_cast<int>(List[A].size()) - static_cast<int>(List[B].size());
  });
  for (int I = 1; I < L.Count(); ++I) EXPECT_LE(L[I - 1].size(), L[I].size());
  EXPECT_EQ(L.Objects(L.IndexOf("9")), Objects[8]);
}

TEST(TStringList, CaseSensitiveSortedList) {
  TStringList L;
  L.SetSorted(true);
  L.Add("b");
  L.Add("B");  // ignored: equal without regard to case
  EXPECT_EQ(L.Count(), 1);
  L.SetCaseSensitive(true);
  L.Add("B");
  L.Add("a");
  L.Add("A");
  EXPECT_EQ(L.Count(), 4);
  for (int I = 1; I < L.Count(); ++I) EXPECT_LT(AnsiCompareStr(L[I - 1], L[I]), 0);
  int Index = 0;
  EXPECT_TRUE(L.Find("B", Index));
  EXPECT_EQ(L[Index], "B");
  EXPECT_FALSE(L.Find("c", Index));
}

TEST(TStringList, ChangeEvents) {
  TStringList L;
  std::vector<std::string> Log;
  L.OnChanging = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &L);
    Log.push_back("changing " + std::to_string(L.Count()));
  };
  L.OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &L);
    Log.push_back("change " + std::to_string(L.Count()));
  };
  L.Add("a");
  EXPECT_EQ(Log, (std::vector<std::string>{"changing 0", "change 1"}));

  Log.clear();
  L.BeginUpdate();
  L.BeginUpdate();
  L.Add("b");
  L.Delete(0);
  L.Insert(0, "c");
  L.EndUpdate();
  EXPECT_EQ(Log, (std::vector<std::string>{"changing 1"}));  // at the first BeginUpdate only
  L.EndUpdate();
  EXPECT_EQ(Log, (std::vector<std::string>{"changing 1", "change 2"}));

  Log.clear();
  L.SetText("x\r\ny\r\nz");  // one bracket around the whole replacement
  EXPECT_EQ(Log, (std::vector<std::string>{"changing 2", "change 3"}));

  struct TCase {
    const char* Name;
    std::function<void()> Call;
    size_t Events;
  };
  const std::vector<TCase> Cases = {
      {"Put", [&] { L.Put(0, "p"); }, 2},
      {"PutObject", [&] { L.PutObject(0, nullptr); }, 2},
      {"Exchange", [&] { L.Exchange(0, 1); }, 2},
      {"Move", [&] { L.Move(0, 1); }, 2},
      {"Move to itself", [&] { L.Move(1, 1); }, 0},
      {"Sort", [&] { L.Sort(); }, 2},
      {"Delete", [&] { L.Delete(0); }, 2},
      {"Clear", [&] { L.Clear(); }, 2},
      {"Clear when empty", [&] { L.Clear(); }, 0},
      {"Failed insert", [&] { EXPECT_THROW(L.Insert(5, "x"), EStringListError); }, 0},
  };
  for (const TCase& C : Cases) {
    Log.clear();
    C.Call();
    EXPECT_EQ(Log.size(), C.Events) << C.Name;
  }
}

TEST(TStringList, TextAndValues) {
  TStringList L;
  L.SetText("a\r\nb\nc\rd\n\re");
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(L.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  L.SetText("one\r\n");
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"one"}));
  L.SetText("");
  EXPECT_EQ(L.Count(), 0);
  EXPECT_EQ(L.Text(), "");
  L.SetText("\r\n\r\n");
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"", ""}));

  L.SetText("a=1\nb=2=3\nc\n=empty\nA=dup");
  EXPECT_EQ(L.Names(1), "b");
  EXPECT_EQ(L.Names(2), "");
  EXPECT_EQ(L.Values("b"), "2=3");
  EXPECT_EQ(L.Values("a"), "1");  // the first of a and A
  EXPECT_EQ(L.Values("c"), "");
  EXPECT_EQ(L.Values(""), "empty");
  EXPECT_EQ(L.IndexOfName("B"), 1);
  EXPECT_EQ(L.IndexOfName("c"), -1);
  L.SetValue("b", "9");
  EXPECT_EQ(L[1], "b=9");
  L.SetValue("new", "x");
  EXPECT_EQ(L[L.Count() - 1], "new=x");
  L.SetValue("a", "");
  EXPECT_EQ(L[0], "b=9");
  L.SetValue("missing", "");
  EXPECT_EQ(L.Count(), 5);
}

namespace {
class TOther : public TPersistent {};
}  // namespace

TEST(TStringList, AssignAndObjects) {
  TStringList Source;
  TObject Obj1, Obj2;
  Source.AddObject("one", &Obj1);
  Source.AddObject("two", &Obj2);
  TStringList Dest;
  Dest.Add("old");
  int Changes = 0;
  Dest.OnChange = [&](TObject*) { ++Changes; };
  Dest.Assign(&Source);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Lines(Dest), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Dest.Objects(1), &Obj2);
  EXPECT_EQ(Dest.IndexOfObject(&Obj1), 0);
  EXPECT_EQ(Dest.IndexOfObject(nullptr), -1);
  EXPECT_TRUE(Dest.Equals(Source));
  Dest.AddStrings(Source);
  EXPECT_EQ(Dest.Count(), 4);
  EXPECT_EQ(Dest.Objects(3), &Obj2);

  TOther Other;
  EXPECT_EQ(MessageOf<EConvertError>([&] { Dest.Assign(&Other); }), "Cannot assign a TOther to a TStringList");
  EXPECT_EQ(MessageOf<EConvertError>([&] { Other.Assign(&Dest); }), "Cannot assign a TStringList to a TOther");
  EXPECT_EQ(MessageOf<EConvertError>([&] { Other.Assign(nullptr); }), "Cannot assign a nil to a TOther");
  EXPECT_EQ(Dest.Count(), 4);
}

TEST(TObject, ClassName) {
  TStringList L;
  TObject* O = &L;
  EXPECT_EQ(O->ClassName(), "TStringList");
  EXPECT_EQ(TList().ClassName(), "TList");
  EXPECT_EQ(ClassNameOf(typeid(TMemoryStream)), "TMemoryStream");
  EXPECT_EQ(TOther().ClassName(), "TOther");  // without "(anonymous namespace)::"
}

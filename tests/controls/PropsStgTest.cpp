// Property storage of a test component's published properties against a map-backed store.
#include "controls/PropsStg.h"
#include "classlib/gui/Forms.h"

#include <gtest/gtest.h>

#include <map>

namespace {

enum TKind { kNone, kFirst, kSecond };

class TStored : public TComponent {
public:
  explicit TStored(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClassInfo() {
    using S = TStored;
    static const TClassInfo Info{
        "TStored",
        nullptr,
        {IntProp<S>("Count", [](S& O) { return O.Count; }, [](S& O, int V) { O.Count = V; }),
         StrProp<S>("Text", [](S& O) { return O.Text; }, [](S& O, const std::string& V) { O.Text = V; }),
         SetOfProp<S>("Style", {"fsBold", "fsItalic", "fsUnderline"}, [](S& O) { return O.Style; },
                      [](S& O, unsigned V) { O.Style = V; }),
         EnumProp<S, TKind>("Kind", {"kNone", "kFirst", "kSecond"}, [](S& O) { return O.Kind; }, [](S& O, TKind V) { O.Kind = V; }),
         FloatProp<S>("Ratio", 15, [](S& O) { return O.Ratio; }, [](S& O, double V) { O.Ratio = V; }),
         CharProp<S>("Letter", [](S& O) { return O.Letter; }, [](S& O, char V) { O.Letter = V; }),
         Int64Prop<S>("Big", [](S& O) { return O.Big; }, [](S& O, long long V) { O.Big = V; }),
         StringsProp<S>("Lines", [](S& O) { return &O.Lines; }),
         ComponentProp<S, TComponent>("Ref", [](S& O) { return O.Ref; }, [](S& O, TComponent* V) { O.Ref = V; })},
        {},
        MakeComponent<TStored>};
    return Info;
  }
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  int Count = 0;
  std::string Text;
  unsigned Style = 0;
  TKind Kind = kNone;
  double Ratio = 0;
  char Letter = 'q';
  long long Big = 0;
  TStringList Lines;
  TComponent* Ref = nullptr;
};

class PropsStgTest : public ::testing::Test {
protected:
  void SetUp() override {
    Obj = new TStored(&Root);
    Obj->SetName("obj");
    Storage.Section = "S";
    Storage.OnWriteString = [this](const std::string& S, const std::string& K, const std::string& V) { Store[S + "|" + K] = V; };
    Storage.OnEraseSection = [this](const std::string& S) {
      for (auto It = Store.begin(); It != Store.end();) It = It->first.rfind(S + "|", 0) == 0 ? Store.erase(It) : std::next(It);
    };
    Storage.OnReadString = [this](const std::string& S, const std::string& K, const std::string& D) {
      const auto It = Store.find(S + "|" + K);
      return It == Store.end() ? D : It->second;
    };
  }
  void StoreProps(const std::vector<std::string>& Props) {
    List.Clear();
    for (const std::string& P : Props) List.AddObject("obj." + P, Obj);
    StoreObjectsProps(Storage, &Root, List);
  }
  void LoadProps(const std::vector<std::string>& Props) {
    List.Clear();
    for (const std::string& P : Props) List.AddObject("obj." + P, Obj);
    LoadObjectsProps(Storage, &Root, List);
  }
  TComponent Root{nullptr};
  TStored* Obj = nullptr;
  TPropsStorage Storage;
  TStringList List;
  std::map<std::string, std::string> Store;
};

TEST_F(PropsStgTest, WrittenTexts) {
  StoreProps({"Count", "Text", "Style", "Kind", "Ref", "Letter", "Big"});
  EXPECT_EQ(Store.at("S|obj_Count"), "0");
  EXPECT_EQ(Store.at("S|obj_Text"), "");
  EXPECT_EQ(Store.at("S|obj_Style"), "[]");
  EXPECT_EQ(Store.at("S|obj_Kind"), "kNone");
  EXPECT_EQ(Store.at("S|obj_Ref"), "(null)");
  EXPECT_EQ(Store.at("S|obj_Letter"), "q");
  Obj->Big = 1LL << 40;
  StoreProps({"Big"});
  EXPECT_EQ(Store.at("S|obj_Big"), "1099511627776");
}

TEST_F(PropsStgTest, SetsAndEnumerationsRead) {
  Store["S|obj_Style"] = "[fsBold,junk]";
  Store["S|obj_Kind"] = "KSECOND";
  LoadProps({"Style", "Kind"});
  EXPECT_EQ(Obj->Style, 1u);
  EXPECT_EQ(Obj->Kind, kSecond);
  Store["S|obj_Kind"] = "kOther";
  LoadProps({"Kind"});
  EXPECT_EQ(Obj->Kind, kSecond);
}

TEST_F(PropsStgTest, FloatUnderACommaSeparator) {
  char Saved[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Saved, sizeof(Saved));
  ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, ","));
  Obj->Ratio = 2.5;
  StoreProps({"Ratio"});
  Obj->Ratio = 0;
  LoadProps({"Ratio"});
  SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Saved);
  EXPECT_EQ(Store.at("S|obj_Ratio"), "2.5");
  EXPECT_DOUBLE_EQ(Obj->Ratio, 2.5);
}

TEST_F(PropsStgTest, StringListsByCount) {
  Store["S.obj_Lines|Count"] = "3";
  Store["S.obj_Lines|Item0"] = "a";
  Store["S.obj_Lines|Item2"] = "c";
  LoadProps({"Lines"});
  EXPECT_EQ(Obj->Lines.Text(), "a\r\n\r\nc\r\n");
  Store["S.obj_Lines|Count"] = "0";
  LoadProps({"Lines"});
  EXPECT_EQ(Obj->Lines.Count(), 3);
  StoreProps({"Lines"});
  EXPECT_EQ(Store.at("S.obj_Lines|Count"), "3");
  EXPECT_EQ(Store.at("S.obj_Lines|Item1"), "");
}

TEST_F(PropsStgTest, ComponentReferences) {
  TForm Other(nullptr);  // unnamed form: its class less "T"
  auto* Target = new TComponent(&Other);
  Target->SetName("btnGo");
  Obj->Ref = Target;
  StoreProps({"Ref"});
  EXPECT_EQ(Store.at("S|obj_Ref"), "Form.btnGo");
  auto* Sibling = new TComponent(&Root);
  Sibling->SetName("sib");
  Store["S|obj_Ref"] = "sib";
  LoadProps({"Ref"});
  EXPECT_EQ(Obj->Ref, Sibling);
  Store["S|obj_Ref"] = "(NULL)";
  LoadProps({"Ref"});
  EXPECT_EQ(Obj->Ref, nullptr);
}

TEST_F(PropsStgTest, LinesWithoutComponentsAreDropped) {
  List.Clear();
  List.AddObject("obj.Count", Obj);
  List.AddObject("gone.Count", nullptr);
  List.Add("invalid");
  StoreObjectsProps(Storage, &Root, List);
  EXPECT_EQ(List.Text(), "obj.Count\r\n");
  EXPECT_EQ(Store.size(), 1u);
}

TEST(StoredValues, DuplicateNamesAreRefused) {
  TStoredValues Values(nullptr);
  Values.Add()->SetName("Alpha");
  TStoredValue* Second = Values.Add();
  try {
    Second->SetName("ALPHA");
    FAIL() << "no exception";
  } catch (Exception& E) {
    EXPECT_EQ(E.Message(), "String list does not allow duplicates");
  }
  EXPECT_EQ(Second->Name(), "");
}

}  // namespace

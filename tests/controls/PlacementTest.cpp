// Form placement in an INI file through the profile API, the storage routines and the recently-used
// lists stored beside it, on real forms.
#include "controls/MRUList.h"
#include "classlib/gui/StdCtrls.h"
#include "tests/support/Files.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string>& Log() {
  static std::vector<std::string> L;
  return L;
}

const TLayout& MainLayout() {
  static const TLayout Layout{
      "TfrmMain",
      "TForm",
      {{"Caption", "Placement"}, {"ClientWidth", "320"}, {"ClientHeight", "200"}},
      {{"OnShow", "FormShow"}, {"OnCloseQuery", "FormCloseQuery"}},
      {
          {"TEdit", "edName", "", 8, 8, 120, 21, alNone, akLeftTop, {}, {}},
          {"TLabel", "lbStates", "", 8, 40, 120, 17, alNone, akLeftTop, {{"Caption", "States"}}, {}},
          {"TFormStorage", "FormStorage", "", 0, 0, 0, 0, alNone, akLeftTop,
           {{"IniSection", "Corvane"}, {"Options", "[fpPosition]"}, {"Version", "0"}},
           {{"OnRestorePlacement", "FormStorageRestorePlacement"}}},
          {"TMRUManager", "mruMenus", "", 0, 0, 0, 0, alNone, akLeftTop, {{"Capacity", "5"}, {"IniStorage", "FormStorage"}}, {}},
          {"TMRUManager", "mruIcons", "", 0, 0, 0, 0, alNone, akLeftTop, {{"Capacity", "30"}, {"IniStorage", "FormStorage"}}, {}},
      }};
  return Layout;
}

class TfrmMain : public TForm {
public:
  explicit TfrmMain(TComponent* AOwner) : TForm(AOwner) {
    RegisterHandler(this, "FormShow", &TfrmMain::FormShow);
    RegisterHandler(this, "FormCloseQuery", &TfrmMain::FormCloseQuery);
    RegisterHandler(this, "FormStorageRestorePlacement", &TfrmMain::FormStorageRestorePlacement);
    InitLayout(MainLayout());
  }
  TFormStorage* Storage() { return static_cast<TFormStorage*>(FindComponent("FormStorage")); }
  TMRUManager* Menus() { return static_cast<TMRUManager*>(FindComponent("mruMenus")); }
  bool RefuseClose = false;
  void FormShow(TObject*) { Log().push_back(std::string("show ") + (IsWindowVisible(Handle()) ? "visible" : "hidden")); }
  void FormCloseQuery(TObject*, bool& CanClose) { CanClose = !RefuseClose; }
  void FormStorageRestorePlacement(TObject*) {
    Log().push_back("restore menus=" + std::to_string(Menus()->Strings().Count()) + " ini=" +
                    (Storage()->GetIniFileObject() ? "set" : "nil") + (IsWindowVisible(Handle()) ? " visible" : " hidden"));
  }
};

// The file's lines other than blank ones.
std::vector<std::string> FileLines(const std::string& FileName) {
  std::vector<std::string> Lines;
  std::istringstream In(FileBytesOr(FileName, ""));
  std::string Line;
  while (std::getline(In, Line)) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (!Line.empty()) Lines.push_back(Line);
  }
  return Lines;
}

class PlacementTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    RegisterComponentClass(TFormStorage::StaticClassInfo());
    RegisterComponentClass(TMRUManager::StaticClassInfo());
    ASSERT_TRUE(Dir.Valid());
    Ini = Dir.File("place.ini");
    Log().clear();
    Errors.OnException = [this](TObject*, Exception& E) { Messages.push_back(E.Message()); };
  }
  TfrmMain* MakeForm() {
    auto* Form = new TfrmMain(Application);
    Form->Storage()->SetIniFileName(Ini);
    return Form;
  }
  TTempDir Dir;
  std::string Ini;
  TApplicationEvents Errors{nullptr};
  std::vector<std::string> Messages;
};

TEST_F(PlacementTest, CloseWritesThePlacementAndTheRecentListsInOrder) {
  TfrmMain* Form = MakeForm();
  Form->Show();  // the lists load from the fresh file: empty
  PumpUntilIdle();
  Form->Menus()->Add("C:\\m\\old.ini", 0);
  Form->Menus()->Add("C:\\m\\new.ini", 7);
  WINDOWPLACEMENT P{};
  P.length = sizeof(P);
  GetWindowPlacement(Form->Handle(), &P);
  HDC DC = GetDC(nullptr);
  const int Ppi = GetDeviceCaps(DC, LOGPIXELSY);
  ReleaseDC(nullptr, DC);
  const std::string Res = "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) + ")";
  const std::string MinMax = std::to_string(P.ptMinPosition.x) + "," + std::to_string(P.ptMinPosition.y) + "," +
                             std::to_string(P.ptMaxPosition.x) + "," + std::to_string(P.ptMaxPosition.y);
  const RECT& R = P.rcNormalPosition;
  const std::string Norm = std::to_string(R.left) + "," + std::to_string(R.top) + "," + std::to_string(R.right) + "," + std::to_string(R.bottom);
  Form->Close();
  const std::vector<std::string> Expected{"[Corvane]",
                                          "FormVersion=0",
                                          "Flags=" + std::to_string(P.flags),
                                          "ShowCmd=" + std::to_string(P.showCmd),
                                          "PixelsPerInch=" + std::to_string(Ppi),
                                          "MinMaxPos" + Res + "=" + MinMax,
                                          "MinMaxPos=" + MinMax,
                                          "NormPos" + Res + "=" + Norm,
                                          "NormPos=" + Norm,
                                          "Visible=0",
                                          "[Corvane\\TfrmMain.mruMenus]",
                                          "Item_0=C:\\m\\new.ini",
                                          "User_0=7",
                                          "Item_1=C:\\m\\old.ini"};
  EXPECT_EQ(FileLines(Ini), Expected);
  // A close writes once: the destruction afterwards leaves the file alone.
  const std::string Before = FileBytesOr(Ini, "");
  WritePrivateProfileStringA("Corvane", "Marker", "1", Ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, Ini.c_str());
  delete Form;
  EXPECT_EQ(GetPrivateProfileIntA("Corvane", "Marker", 0, Ini.c_str()), 1);
  EXPECT_EQ(GetPrivateProfileIntA("Corvane", "Visible", -1, Ini.c_str()), 0);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(PlacementTest, DestroyWithoutCloseSavesVisibleAndActiveControlFollowsWithItsOption) {
  TfrmMain* Form = MakeForm();
  Form->Storage()->Options |= PlacementBit(fpActiveControl);
  Form->Show();
  Form->SetActiveControl(static_cast<TWinControl*>(Form->FindComponent("edName")));
  PumpUntilIdle();
  delete Form;
  const std::vector<std::string> Lines = FileLines(Ini);
  ASSERT_GE(Lines.size(), 2u);
  EXPECT_EQ(Lines[Lines.size() - 2], "Visible=1");
  EXPECT_EQ(Lines.back(), "ActiveControl=edName");

  TTempDir Other;
  TfrmMain* Plain = MakeForm();
  Plain->Storage()->SetIniFileName(Other.File("plain.ini"));
  Plain->Show();
  delete Plain;
  const std::vector<std::string> PlainLines = FileLines(Other.File("plain.ini"));
  ASSERT_FALSE(PlainLines.empty());
  EXPECT_EQ(PlainLines.back(), "Visible=1");
}

TEST_F(PlacementTest, RefusedCloseWritesNothing) {
  ASSERT_TRUE(WriteBytes(Ini, "[Corvane]\r\nFormVersion=0\r\n"));
  TfrmMain* Form = MakeForm();
  Form->RefuseClose = true;
  Form->Show();
  PumpUntilIdle();
  Form->Close();
  EXPECT_EQ(FileBytesOr(Ini, ""), "[Corvane]\r\nFormVersion=0\r\n");
  Form->RefuseClose = false;
  Form->Storage()->Active = false;
  delete Form;
}

TEST_F(PlacementTest, ShowLoadsListsThenRestoreHandlerThenOnShow) {
  WritePrivateProfileStringA("Corvane\\TfrmMain.mruMenus", "Item_0", "a", Ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, Ini.c_str());
  TfrmMain* Form = MakeForm();
  Form->Show();
  EXPECT_EQ(Log(), (std::vector<std::string>{"restore menus=1 ini=set hidden", "show hidden"}));
  Form->Storage()->Active = false;
  delete Form;
}

TEST_F(PlacementTest, RestoreTakesTheSuffixedKeyThenThePlainOne) {
  const std::string Res = "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) + ")";
  HDC DC = GetDC(nullptr);
  const std::string Ppi = std::to_string(GetDeviceCaps(DC, LOGPIXELSY));
  ReleaseDC(nullptr, DC);
  struct TCase {
    std::string Text;
    RECT Expected;  // left -1: the window keeps its place
    bool Sizeable = true;
  };
  const std::vector<TCase> Cases{
      {"[Corvane]\r\nNormPos" + Res + "=100,120,500,420\r\nNormPos=10,10,300,300\r\n", {100, 120, 500, 420}},
      {"[Corvane]\r\nNormPos=110,130,400,330\r\n", {110, 130, 400, 330}},
      {"[Corvane]\r\nNormPos(1x1)=1,1,50,50\r\nNormPos=120,140,420,340\r\n", {120, 140, 420, 340}},
      {"[Corvane]\r\nPixelsPerInch=" + std::to_string(std::stoi(Ppi) + 1) + "\r\nNormPos=100,120,500,420\r\n", {-1, 0, 0, 0}},
      {"[Corvane]\r\nNormPos=300,120,200,420\r\n", {-1, 0, 0, 0}},
      {"[Corvane]\r\nNormPos=130,150,500,420\r\n", {130, 150, 0, 0}, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    ASSERT_TRUE(WriteBytes(Ini, C.Text));
    TfrmMain* Form = MakeForm();
    if (!C.Sizeable) Form->SetBorderStyle(bsSingleForm);
    Form->SetBounds(20, 30, 250, 180);
    RECT Before;
    GetWindowRect(Form->Handle(), &Before);
    Form->Show();
    PumpUntilIdle();
    RECT After;
    GetWindowRect(Form->Handle(), &After);
    if (C.Expected.left < 0) {
      EXPECT_EQ(After.left, Before.left);
      EXPECT_EQ(After.top, Before.top);
    } else if (!C.Sizeable) {
      EXPECT_EQ(After.left, C.Expected.left);
      EXPECT_EQ(After.top, C.Expected.top);
      EXPECT_EQ(After.right - After.left, Before.right - Before.left);
    } else {
      EXPECT_EQ(After.left, C.Expected.left);
      EXPECT_EQ(After.top, C.Expected.top);
      EXPECT_EQ(After.right, C.Expected.right);
      EXPECT_EQ(After.bottom, C.Expected.bottom);
    }
    Form->Storage()->Active = false;
    delete Form;
  }
}

TEST_F(PlacementTest, NewerVersionDiscardsTheStoredPlacementOnce) {
  ASSERT_TRUE(WriteBytes(Ini, "[Corvane]\r\nFormVersion=0\r\nNormPos=100,120,500,420\r\n"));
  TfrmMain* Form = MakeForm();
  Form->Storage()->Version = 1;
  Form->SetBounds(20, 30, 250, 180);
  Form->Show();
  PumpUntilIdle();
  RECT After;
  GetWindowRect(Form->Handle(), &After);
  EXPECT_EQ(After.left, 20);
  EXPECT_EQ(Log(), std::vector<std::string>{"show hidden"});
  Form->Close();
  EXPECT_EQ(GetPrivateProfileIntA("Corvane", "FormVersion", -1, Ini.c_str()), 1);
  delete Form;
}

TEST_F(PlacementTest, UnwritableFileReachesHandleException) {
  Ini = Dir.File("missing\\place.ini");
  TfrmMain* Form = MakeForm();
  Form->Show();
  PumpUntilIdle();
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  Form->Close();
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
  ASSERT_FALSE(Messages.empty());
  EXPECT_EQ(Messages.front(), "Unable to write to " + Ini);
  Form->Storage()->Active = false;
  delete Form;
}

// A stored rectangle with its title bar above the screen comes down to the work area, size kept,
// and is written back so; one whose bottom is not below its top is ignored like an empty one.
TEST_F(PlacementTest, TitleBarAboveTheScreenMovesDownUpsideDownIsIgnored) {
  RECT Work{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &Work, 0));
  ASSERT_TRUE(WriteBytes(Ini, "[Corvane]\r\nNormPos=100,-300,693,100\r\n"));
  TfrmMain* Form = MakeForm();
  Form->Show();
  PumpUntilIdle();
  RECT After;
  GetWindowRect(Form->Handle(), &After);
  EXPECT_EQ(After.left, 100);
  EXPECT_EQ(After.top, Work.top);
  EXPECT_EQ(After.right, 693);
  EXPECT_EQ(After.bottom, Work.top + 400);
  Form->Close();
  delete Form;
  char Norm[64] = {};
  GetPrivateProfileStringA("Corvane", "NormPos", "", Norm, sizeof(Norm), Ini.c_str());
  EXPECT_EQ(std::string(Norm), "100," + std::to_string(Work.top) + ",693," + std::to_string(Work.top + 400));

  // Centred on the screen as without a stored position.
  const auto Shown = [&](const std::string& Text) {
    EXPECT_TRUE(WriteBytes(Ini, Text));
    TfrmMain* Centred = MakeForm();
    Centred->Position = poScreenCenter;
    Centred->Show();
    PumpUntilIdle();
    RECT R;
    GetWindowRect(Centred->Handle(), &R);
    Centred->Storage()->Active = false;
    delete Centred;
    return R;
  };
  const RECT Plain = Shown("[Corvane]\r\n");
  const RECT UpsideDown = Shown("[Corvane]\r\nNormPos=100,500,693,100\r\n");
  EXPECT_EQ(UpsideDown.left, Plain.left);
  EXPECT_EQ(UpsideDown.top, Plain.top);
  EXPECT_EQ(UpsideDown.right, Plain.right);
  EXPECT_EQ(UpsideDown.bottom, Plain.bottom);
  EXPECT_TRUE(Messages.empty());
}

// A close-time save that failed is reported once: the destruction does not try it again. Without a
// close the destruction still saves (and reports its failure).
TEST_F(PlacementTest, FailedCloseTimeSaveIsReportedOnce) {
  Ini = Dir.File("missing\\place.ini");
  TfrmMain* Form = MakeForm();
  Form->Show();
  PumpUntilIdle();
  Form->Close();
  ASSERT_EQ(Messages.size(), 1u);
  delete Form;
  EXPECT_EQ(Messages, std::vector<std::string>{"Unable to write to " + Ini});

  Messages.clear();
  TfrmMain* Unclosed = MakeForm();
  Unclosed->Show();
  PumpUntilIdle();
  delete Unclosed;
  EXPECT_EQ(Messages, std::vector<std::string>{"Unable to write to " + Ini});
}

TEST_F(PlacementTest, DefaultSectionsAndIniName) {
  TfrmMain* Form = MakeForm();
  TComponent Plain(nullptr);
  TComponent* Owned = new TComponent(&Plain);
  Owned->SetName("child");
  EXPECT_EQ(GetDefaultSection(nullptr), "");
  EXPECT_EQ(GetDefaultSection(Form), "TfrmMain");
  EXPECT_EQ(GetDefaultSection(Form->FindComponent("lbStates")), "TfrmMainlbStates");
  EXPECT_EQ(GetDefaultSection(Form->FindComponent("mruIcons")), "TfrmMain.mruIcons");
  EXPECT_EQ(GetDefaultSection(Owned), "child");
  char Path[MAX_PATH];
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  EXPECT_EQ(GetDefaultIniName(), ChangeFileExt(ExtractFileName(Path), ".INI"));
  Form->Storage()->SetIniSection("");
  EXPECT_EQ(Form->Storage()->IniSection(), "TfrmMain");
  Form->Storage()->Active = false;
  delete Form;
}

TEST_F(PlacementTest, IniWriteStringQuotesEnclosedValuesForProfileFilesOnly) {
  struct TCase {
    std::string Value, Line;
  };
  const std::vector<TCase> Cases{{"\"abc\"", "K=\"\"abc\"\""}, {"'abc'", "K=\"'abc'\""}, {"\"", "K=\"\"\""},
                                 {"\"abc", "K=\"abc"},         {"abc\"", "K=abc\""},     {"abc", "K=abc"},
                                 {"", "K="}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Value);
    DeleteFileA(Ini.c_str());
    {
      TIniFile File(Ini);
      IniWriteString(&File, "S", "K", C.Value);
    }
    EXPECT_EQ(FileLines(Ini), (std::vector<std::string>{"[S]", C.Line}));
    char Buffer[64] = {};
    GetPrivateProfileStringA("S", "K", "?", Buffer, sizeof(Buffer), Ini.c_str());
    EXPECT_EQ(std::string(Buffer), C.Value);
    {
      TIniFile File(Ini);
      EXPECT_EQ(IniReadString(&File, "S", "K", "?"), C.Value);
    }
    TRegIniFile Reg("Software\\CorvaneTest\\Placement");
    IniWriteString(&Reg, "S", "K", C.Value);
    EXPECT_EQ(IniReadString(&Reg, "S", "K", "?"), C.Value);
  }
  TRegistry().DeleteKey("Software\\CorvaneTest\\Placement");
  TComponent Other(nullptr);
  IniWriteString(&Other, "S", "K", "x");
  EXPECT_EQ(IniReadString(&Other, "S", "K", "dflt"), "dflt");
}

TEST_F(PlacementTest, PreventResizeAndMinimumTrackWidth) {
  TfrmMain* Form = MakeForm();
  Form->Storage()->Active = false;
  Form->Show();
  PumpUntilIdle();
  Form->Storage()->MinMaxInfo().SetMinTrackWidth(300);
  PumpUntilIdle();
  MINMAXINFO Info{};
  SendMessageA(Form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Info));
  EXPECT_EQ(Info.ptMinTrackSize.x, 300);

  Form->Storage()->SetPreventResize(true);
  PumpUntilIdle();
  RECT R;
  GetWindowRect(Form->Handle(), &R);
  const LPARAM Corner = MAKELPARAM(R.right - 1, R.bottom - 1);
  EXPECT_EQ(SendMessageA(Form->Handle(), WM_NCHITTEST, 0, Corner), HTNOWHERE);
  HMENU Sys = GetSystemMenu(Form->Handle(), FALSE);
  ASSERT_NE(Sys, nullptr);
  SendMessageA(Form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(Sys), MAKELPARAM(0, 1));
  EXPECT_TRUE(GetMenuState(Sys, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(Sys, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);
  delete Form;
}

TEST_F(PlacementTest, RecentListsLoadSaveAndKeepTheirCapacity) {
  WritePrivateProfileStringA("Corvane\\TfrmMain.mruIcons", "Item_0", "a", Ini.c_str());
  WritePrivateProfileStringA("Corvane\\TfrmMain.mruIcons", "Item_2", "c", Ini.c_str());
  WritePrivateProfileStringA("Corvane\\TfrmMain.mruIcons", "Item_11", "z", Ini.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, Ini.c_str());
  TfrmMain* Form = MakeForm();
  auto* Icons = static_cast<TMRUManager*>(Form->FindComponent("mruIcons"));
  Icons->SetCapacity(10);
  Form->Show();
  PumpUntilIdle();
  ASSERT_EQ(Icons->Strings().Count(), 2);
  EXPECT_EQ(Icons->Strings()[0], "a");
  EXPECT_EQ(Icons->Strings()[1], "c");
  Icons->Strings().Clear();
  Form->Menus()->Add("\"C:\\a b.ini\"", 0);
  Form->Close();
  delete Form;
  TfrmMain* Again = MakeForm();
  Again->Show();
  ASSERT_EQ(Again->Menus()->Strings().Count(), 1);
  EXPECT_EQ(Again->Menus()->Strings()[0], "\"C:\\a b.ini\"");
  Again->Storage()->Active = false;
  delete Again;

  TMRUManager Unnamed(nullptr);
  TFormPlacement Closed(nullptr);
  Unnamed.SetIniStorage(&Closed);
  Unnamed.Add("x", 0);
  TIniFile File(Ini);
  Unnamed.SaveToIni(&File, "Direct");
  EXPECT_EQ(GetPrivateProfileIntA("Direct", "User_0", -1, Ini.c_str()), -1);
  Closed.NotifyLinks(ioSave);  // no name, no open storage: nothing
  Unnamed.SetName("named");
  Closed.NotifyLinks(ioLoad);  // no open storage: the list stays
  EXPECT_EQ(Unnamed.Strings().Count(), 1);
}

TEST(RecentStrings, CapacityModesAndCase) {
  TMRUManager M(nullptr);
  for (int I = 0; I < 10; ++I) M.Add("n" + std::to_string(I), I);
  M.Add("n10", 10);
  ASSERT_EQ(M.Strings().Count(), 10);
  EXPECT_EQ(M.Strings()[0], "n10");
  EXPECT_EQ(M.Strings()[9], "n1");
  TMRUManager A(nullptr);
  A.SetMode(rmAppend);
  for (int I = 0; I <= 10; ++I) A.Add("n" + std::to_string(I), I);
  EXPECT_EQ(A.Strings()[0], "n1");
  EXPECT_EQ(A.Strings()[9], "n10");
  TMRUManager C(nullptr);
  C.Add("foo", 1);
  C.Add("bar", 2);
  C.Add("FOO", 9);
  ASSERT_EQ(C.Strings().Count(), 2);
  EXPECT_EQ(C.Strings()[0], "foo");
  EXPECT_EQ(TMRUManager::UserDataOf(C.Strings(), 0), 9);
  C.SetCapacity(0);
  EXPECT_EQ(C.Capacity(), 1);
  EXPECT_EQ(C.Strings().Count(), 1);
}

// The captions of Parent's children in order.
std::vector<std::string> Captions(TMenuItem* Parent) {
  std::vector<std::string> Result;
  for (int I = 0; I < Parent->Count(); ++I) Result.push_back(Parent->Items(I)->Caption());
  return Result;
}

TEST(RecentMenu, CaptionsCarryAcceleratorsAndTheParentFollowsTheEntries) {
  TPopupMenu Menu(nullptr);
  auto* Parent = new TMenuItem(&Menu);
  Menu.Items()->Add(Parent);
  TMRUManager M(nullptr);
  M.SetAccelDelimiter(adSpace);
  M.SetRecentMenu(Parent);
  EXPECT_FALSE(Parent->Enabled());
  for (int I = 10; I >= 1; --I) M.Add("f" + std::to_string(I), I);
  ASSERT_EQ(Parent->Count(), 10);
  EXPECT_TRUE(Parent->Enabled());
  EXPECT_EQ(Parent->Items(0)->Caption(), "&1 f1");
  EXPECT_EQ(Parent->Items(8)->Caption(), "&9 f9");
  EXPECT_EQ(Parent->Items(9)->Caption(), "&A f10");
  M.SetAccelDelimiter(adTab);
  EXPECT_EQ(Parent->Items(0)->Caption(), "&1\tf1");
  M.SetStartAccel(35);
  EXPECT_EQ(Parent->Items(0)->Caption(), "&Z\tf1");
  M.SetStartAccel(100);
  EXPECT_EQ(Parent->Items(0)->Caption(), "&\x9B\tf1");
  EXPECT_EQ(Parent->Items(1)->Caption(), " \tf2");
  M.Strings().Clear();
  EXPECT_EQ(Parent->Count(), 0);
  EXPECT_FALSE(Parent->Enabled());

  // Items of the parent's own come first, then a separator line and the entries.
  auto* Own = new TMenuItem(&Menu);
  Own->SetCaption("Own");
  Parent->Add(Own);
  M.Add("x", 0);
  EXPECT_EQ(Captions(Parent), (std::vector<std::string>{"Own", "-", "&\x9B\tx"}));
  M.SetRecentMenu(nullptr);
  EXPECT_EQ(Captions(Parent), (std::vector<std::string>{"Own"}));
}

TEST(RecentMenu, SeparatorsShortAndLongPartsAndItemData) {
  TMenuItem Parent(nullptr);
  TMRUManager M(nullptr);
  M.SetCapacity(12);
  M.SetShowAccelChar(false);
  M.SetSeparateSize(5);
  M.SetRecentMenu(&Parent);
  for (int I = 11; I >= 0; --I) M.Add("n" + std::to_string(I), 0);
  EXPECT_EQ(Captions(&Parent), (std::vector<std::string>{"n0", "n1", "n2", "n3", "n4", "-", "n5", "n6", "n7", "n8",
                                                          "n9", "-", "n10", "n11"}));
  M.SetSeparateSize(0);
  M.Strings().Clear();
  M.Add("short|long", 0);
  ASSERT_EQ(Parent.Count(), 1);
  EXPECT_EQ(Parent.Items(0)->Caption(), "short");
  EXPECT_EQ(Parent.Items(0)->Hint(), "long");
  M.OnGetItemData = [](TObject*, std::string& Caption, TShortCut& Key, int UserData) {
    Caption = "data " + std::to_string(UserData);
    Key = ShortCut('R', ssCtrl);
  };
  M.Add("plain", 42);
  EXPECT_EQ(Parent.Items(0)->Caption(), "data 42");
  EXPECT_EQ(Parent.Items(0)->Hint(), "data 42");
  EXPECT_EQ(Parent.Items(0)->ShortCut(), ShortCut('R', ssCtrl));
  M.AutoUpdate = false;
  M.Add("later", 0);
  EXPECT_EQ(Parent.Count(), 2);
  M.UpdateRecentMenu();
  EXPECT_EQ(Parent.Count(), 3);
}

TEST(RecentMenu, ClickReportsTheEntryAndRemoveOnSelectTakesItsName) {
  TMenuItem Parent(nullptr);
  TMRUManager M(nullptr);
  M.SetRecentMenu(&Parent);
  M.RemoveOnSelect = true;
  M.Add("c", 3);
  M.Add("b", 2);
  M.Add("a", 1);
  std::vector<std::string> Seen;
  // The handler removes its own entry: its item is freed while it runs.
  M.OnClick = [&](TObject*, const std::string& Name, const std::string& Caption, int UserData) {
    Seen.push_back(Name + "|" + Caption + "|" + std::to_string(UserData));
    M.Remove(Name);
  };
  Parent.Items(1)->Click();
  EXPECT_EQ(Seen, (std::vector<std::string>{"b|&2\tb|2"}));
  EXPECT_EQ(M.Strings().Text(), "a\r\nc\r\n");
  // The handler shortens the list in front of the clicked entry: that entry goes, the others stay.
  M.Add("d", 4);
  M.OnClick = [&](TObject*, const std::string&, const std::string&, int) { M.Remove("d"); };
  Parent.Items(2)->Click();
  EXPECT_EQ(M.Strings().Text(), "a\r\n");
  // A raising handler still has its entry removed; the error goes on.
  M.OnClick = [](TObject*, const std::string&, const std::string&, int) { throw Exception("click failed"); };
  EXPECT_THROW(Parent.Items(0)->Click(), Exception);
  EXPECT_EQ(M.Strings().Count(), 0);
  EXPECT_FALSE(Parent.Enabled());
}
}  // namespace

// The icon loader: one image per type at the type's index, its fallbacks, its records and its
// temporary files.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/core/Graphics.h"
#include "classlib/core/ImgList.h"
#include "classlib/core/SysUtils.h"
#include "model/FileTypes.h"
#include "tests/filetypes/FileTypesFixture.h"

using namespace fttest;
using TTrace = std::vector<std::string>;

namespace {

constexpr COLORREF Red = RGB(255, 0, 0), Blue = RGB(0, 0, 255), Green = RGB(0, 255, 0), Yellow = RGB(255, 255, 0),
                   Magenta = RGB(255, 0, 255);

std::string Notepad() {
  char System[MAX_PATH];
  GetSystemDirectoryA(System, MAX_PATH);
  return std::string(System) + "\\notepad.exe";
}

// The icon of a file with extension Ext in Folder, as ExtractAssociatedIconA gives it.
HICON AssociatedProbe(const std::string& Folder, const std::string& Ext) {
  const std::string Probe = Folder + "\\probe" + Ext;
  HANDLE H = CreateFileA(Probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (H != INVALID_HANDLE_VALUE) CloseHandle(H);
  char Buffer[MAX_PATH];
  lstrcpynA(Buffer, Probe.c_str(), MAX_PATH);
  WORD Index = 0;
  HICON Icon = ExtractAssociatedIconA(GetModuleHandleA(nullptr), Buffer, &Index);
  DeleteFileA(Probe.c_str());
  return Icon;
}

// The icon the loader should take for a location, computed with the same calls: ExtractIconExA of
// the file and index, small or large as wanted; nullptr when nothing comes back.
HICON ReferenceIcon(const std::string& Location, bool Small) {
  std::string File = Location;
  int Index = 0;
  const size_t Comma = Location.rfind(',');
  if (Comma != std::string::npos) {
    File = Location.substr(0, Comma);
    Index = StrToIntDef(Trim(Location.substr(Comma + 1)), 0);
  }
  if (!File.empty() && File.front() == '"') File.erase(0, 1);
  if (!File.empty() && File.back() == '"') File.pop_back();
  char Expanded[4096];
  ExpandEnvironmentStringsA(File.c_str(), Expanded, sizeof(Expanded));
  HICON L = nullptr, S = nullptr;
  const UINT R = ExtractIconExA(Expanded, Index, &L, &S, 1);
  if (R != 1 && R != 2) return nullptr;
  HICON Keep = (!Small && (L != nullptr || S == nullptr)) ? L : S;
  if (L != nullptr && L != Keep) DestroyIcon(L);
  if (S != nullptr && S != Keep) DestroyIcon(S);
  return Keep;
}

class FileTypeIconsTest : public TClassesFixture {
protected:
  void SetUp() override {
    TClassesFixture::SetUp();
    Icons = std::make_unique<TTempDir>();
    Temp = std::make_unique<TTempDir>();
    ASSERT_TRUE(WriteIco(Icons->File("both.ico"), {{16, Red}, {32, Blue}}));
    ASSERT_TRUE(WriteIco(Icons->File("green.ico"), {{32, Green}}));
    ASSERT_TRUE(WriteIco(Icons->File("yellow.ico"), {{16, Yellow}, {32, Yellow}}));
    SetEnvironmentVariableA("CORVANE_FT_ICONS", Icons->Path().c_str());

    Type("IcoBoth", "A both sizes");
    SetString("IcoBoth\\DefaultIcon", "", Icons->File("both.ico"));
    Type(".icb", "IcoBoth");
    Type("IcoQuoted", "B quoted");
    SetString("IcoQuoted\\DefaultIcon", "", "\"" + Icons->File("green.ico") + "\",0");
    Type(".icq", "IcoQuoted");
    Type("IcoEnv", "C environment");
    SetString("IcoEnv\\DefaultIcon", "", "%CORVANE_FT_ICONS%\\yellow.ico,0");
    Type(".ice", "IcoEnv");
    Type("IcoMissing", "D missing");
    SetString("IcoMissing\\DefaultIcon", "", Icons->File("nothere.ico") + ",0");
    Type(".icm", "IcoMissing");
    Type("IcoNone", "E none");
    Type(".icn", "IcoNone");
    Type("IcoPercent", "F percent");
    SetString("IcoPercent\\DefaultIcon", "", "%1");
    // The file's own icon comes from the program that opens it.
    SetString("IcoPercent\\shell\\open\\command", "", "\"" + Notepad() + "\" \"%1\"");
    Type(".cvtestpct", "IcoPercent");
    Type(".cvtestpc2", "IcoPercent");
  }
  void TearDown() override {
    SetEnvironmentVariableA("CORVANE_FT_ICONS", nullptr);
    Temp.reset();
    Icons.reset();
    TClassesFixture::TearDown();
  }

  // Loads the fixture's icons into a list of Size and checks every image against its type.
  void LoadAndCheck(int Size) {
    TFileTypes Model(nullptr);
    TAdvStringList Errors;
    Model.Refresh(Errors);
    const int ScanErrors = Errors.Count();
    TImageList Images(Size, Size);
    Images.SetMasked(false);
    TTempPathOverride TempPath(Temp->Path());
    Model.LoadIcons(Images, Errors);
    const bool Small = WantsSmallIcons(Size);

    ASSERT_EQ(Images.Count(), Model.Count());
    EXPECT_TRUE(Images.Masked());
    HIMAGELIST Loaded = Images.Handle();
    // The same images computed independently, in a list of the same kind.
    HIMAGELIST Reference =
        ImageList_Create(Size, Size, ColorDepthFlags(Images.ColorDepth()) | ILC_MASK, 4, 4);
    ASSERT_NE(Reference, nullptr);
    for (int I = 0; I < Model.Count(); ++I) {
      const TFileType* T = Model.GetItem(I);
      SCOPED_TRACE(T->Name());
      HICON Icon = nullptr;
      if (T->IconLocation() == "%1") {
        Icon = AssociatedProbe(Icons->Path(), T->GetExtension(0));
        EXPECT_NE(Icon, nullptr) << "no associated icon: the %1 path is not exercised";
      } else if (!T->IconLocation().empty()) {
        Icon = ReferenceIcon(T->IconLocation(), Small);
      }
      if (Icon == nullptr) Icon = ReferenceIcon("shell32.dll,0", Small);
      ASSERT_NE(Icon, nullptr);
      EXPECT_EQ(ImageList_AddIcon(Reference, Icon), I);
      DestroyIcon(Icon);
      EXPECT_EQ(ImagePixels(Loaded, I), ImagePixels(Reference, I));
    }
    // Known colours: a shift of the images by one would show here.
    auto Center = [&](const char* Name) {
      TFileType* T = Model.FindByName(Name);
      return T == nullptr ? CLR_INVALID : CenterPixel(Loaded, T->Index());
    };
    // The size taken from a file with both sizes is the platform's choice (Wine scales the large one).
    const COLORREF Both = Center("IcoBoth");
    EXPECT_TRUE(Both == Red || Both == Blue) << Both;
    EXPECT_EQ(Center("IcoQuoted"), Green);
    EXPECT_EQ(Center("IcoEnv"), Yellow);
    EXPECT_EQ(Center("*"), Magenta);  // the program's icon resource 2000 (IconsTest.rc)
    ImageList_Destroy(Reference);

    // One record: the missing icon file (its type still got the generic icon above).
    ASSERT_EQ(Errors.Count(), ScanErrors + 1);
    EXPECT_EQ(DumpErrors(Errors).back(), "3|Icon file \"" + Icons->File("nothere.ico") +
                                             "\" of file type \"D missing\" (\"IcoMissing\") does not exist or "
                                             "unavailable|IcoMissing|D missing");
    EXPECT_TRUE(FolderFiles(Temp->Path()).empty());
  }

  std::unique_ptr<TTempDir> Icons, Temp;
};

TEST_F(FileTypeIconsTest, SmallList) { LoadAndCheck(16); }

TEST_F(FileTypeIconsTest, LargeList) { LoadAndCheck(32); }

TEST_F(FileTypeIconsTest, TemporaryFilesOfFileIconsAreRemoved) {
  const std::string Marker = Temp->File("keep.txt");
  HANDLE H = CreateFileA(Marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(H, INVALID_HANDLE_VALUE);
  CloseHandle(H);
  TTempPathOverride TempPath(Temp->Path());
  const std::vector<std::string> Before = FolderFiles(Temp->Path());
  for (const char* Ext : {".cvtestpct", "", ".a-very-long-extension-name-indeed"}) {
    SCOPED_TRACE(Ext);
    HICON Expected = AssociatedProbe(Icons->Path(), Ext);
    TIcon Icon;
    EXPECT_EQ(TFileTypes::LoadIconLocation("%1", Ext, Icon, true, nullptr, nullptr), Expected != nullptr);
    EXPECT_EQ(Icon.Empty(), Expected == nullptr);
    if (Expected != nullptr) DestroyIcon(Expected);
    EXPECT_EQ(FolderFiles(Temp->Path()), Before);
  }
  // The associated extension gives an icon, so the temporary files were really made.
  HICON Associated = AssociatedProbe(Icons->Path(), ".cvtestpct");
  EXPECT_NE(Associated, nullptr);
  if (Associated != nullptr) DestroyIcon(Associated);
}

TEST_F(FileTypeIconsTest, LocationsThatGiveNoIcon) {
  TAdvStringList Errors;
  TFileTypes Model(nullptr);
  TFileType* Owner = Model.Add();
  Owner->SetName("Owner");
  Owner->SetDescription("Owner type");
  TIcon Icon;
  // A file that exists but holds no icon: no record, no icon.
  EXPECT_FALSE(TFileTypes::LoadIconLocation(Icons->File("both.ico") + ",7", "", Icon, false, Owner, &Errors));
  char Kernel[MAX_PATH];
  GetSystemDirectoryA(Kernel, MAX_PATH);
  EXPECT_FALSE(TFileTypes::LoadIconLocation(std::string(Kernel) + "\\kernel32.dll,-31000", "", Icon, false, Owner,
                                            &Errors));
  EXPECT_EQ(Errors.Count(), 0);
  EXPECT_TRUE(Icon.Empty());
  // A missing file: a record, and no icon.
  EXPECT_FALSE(TFileTypes::LoadIconLocation("\"C:\\no\\such.ico\"", "", Icon, false, Owner, &Errors));
  EXPECT_EQ(DumpErrors(Errors),
            TTrace{"3|Icon file \"C:\\no\\such.ico\" of file type \"Owner type\" (\"Owner\") does not exist or "
                   "unavailable|Owner|Owner type"});
  ClearFileTypeErrors(Errors);
  // A file found through the search path, with its index after the last comma.
  EXPECT_TRUE(TFileTypes::LoadIconLocation("shell32.dll,3", "", Icon, true, Owner, &Errors));
  EXPECT_FALSE(Icon.Empty());
  EXPECT_EQ(Errors.Count(), 0);
}

}  // namespace

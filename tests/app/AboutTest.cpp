// The about box in process: its labels against what the test reads from the system and the built
// files, the report on the clipboard, the links under the mouse, closing, the names of Windows
// versions; and a child program under Wine's per-program Windows versions.
#include "application/About.h"
#include "application/AppPaths.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/Clipbrd.h"
#include "controls/RXCtrls.h"
#include "model/FileTypeList.h"
#include "model/FileTypes.h"
#include "model/Utils.h"
#include "tests/app/Driver.h"
#include "tests/app/Modal.h"
#include "tests/support/Files.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include "CorvaneVersion.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string ModuleFolder() {
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  std::string Folder = Path;
  return Folder.substr(0, Folder.find_last_of('\\') + 1);
}

// "FileVersion" of the first translation, read here without the program's routine.
std::string FileVersionOf(const std::string& File) {
  DWORD Handle = 0;
  const DWORD Size = GetFileVersionInfoSizeA(File.c_str(), &Handle);
  if (!Size) return "";
  std::vector<char> Block(Size);
  if (!GetFileVersionInfoA(File.c_str(), 0, Size, Block.data())) return "";
  WORD* Pair = nullptr;
  UINT Len = 0;
  if (!VerQueryValueA(Block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&Pair), &Len)) return "";
  char Path[64];
  std::snprintf(Path, sizeof(Path), "\\StringFileInfo\\%04x%04x\\FileVersion", Pair[0], Pair[1]);
  char* Value = nullptr;
  return VerQueryValueA(Block.data(), Path, reinterpret_cast<void**>(&Value), &Len) && Value ? Value : "";
}

std::string MemoryExpected() {
  MEMORYSTATUSEX Status{};
  Status.dwLength = sizeof(Status);
  EXPECT_TRUE(GlobalMemoryStatusEx(&Status));
  const double MB = std::nearbyint(static_cast<double>(Status.ullTotalPhys) / 1048576.0);
  char Separator[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, Separator, sizeof(Separator));
  NUMBERFMTA Fmt{0, 0, 3, const_cast<char*>("."), Separator, 1};
  char Number[64] = {};
  GetNumberFormatA(LOCALE_USER_DEFAULT, 0, std::to_string(static_cast<unsigned long long>(MB)).c_str(), &Fmt, Number,
                   sizeof(Number));
  return std::string(Number) + " M";
}

std::string ReadText(const std::string& File) { return FileBytesOr(File, ""); }

class AboutTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    ASSERT_TRUE(Dir.Valid());
    ASSERT_FALSE(FileExists(GetWindowsFolder() + "ZU2001.ini")) << "another test left ZU2001.ini behind";
    SetProgramFolder(Dir.Folder());
    ASSERT_TRUE(CopyFileA((ModuleFolder() + "Vellisk.dll").c_str(), Dir.File("Vellisk.DLL").c_str(), FALSE));
    Application->SetTitle(ProductTitle);
    Types = std::make_unique<TFileTypeList>(nullptr);
    Types->SetActive(true);
  }
  void TearDown() override {
    Box.reset();
    PumpUntilIdle(10, 300);
    SetProgramFolder("");
  }
  void Open() {
    Box = std::make_unique<TfrmAbout>(Application, Types.get());
    Box->Show();
    PumpUntilIdle();
  }
  std::string Caption(const char* Name) {
    TControl* C = FindByName<TControl>(Box.get(), Name);
    return C ? C->Caption() : "<missing>";
  }
  // The report as the test builds it from the same sources.
  std::string ExpectedReport() {
    OSVERSIONINFOEXA Info{};
    Info.dwOSVersionInfoSize = sizeof(Info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&Info));
#pragma GCC diagnostic pop
    DLLVERSIONINFO Shell{sizeof(DLLVERSIONINFO), 0, 0, 0, 0};
    HMODULE Shell32 = LoadLibraryA("shell32.dll");
    auto GetVersion = reinterpret_cast<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(
        reinterpret_cast<void*>(GetProcAddress(Shell32, "DllGetVersion")));
    if (GetVersion) GetVersion(&Shell);
    HKEY Key = nullptr;
    const bool Registered =
        RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}", 0, KEY_ALL_ACCESS, &Key) ==
        ERROR_SUCCESS;
    if (Key) RegCloseKey(Key);
    std::string Errors;
    for (int I = 0; I < Types->Errors()->Count(); ++I) Errors += Types->Errors()->Get(I) + "\r\n";
    auto Lines = [](const std::string& Bytes) {
      std::string Text = Bytes;
      if (!Text.empty() && Text.back() != '\n') Text += "\r\n";
      return Text;
    };
    std::string R = "*** automatically generated system information report ***\r\nCorvane 2007\r\n";
    R += "Version: " + std::string(CORVANE_VERSION_TEXT) + "\r\n";
    R += "Shell extension module version: " + std::string(CORVANE_VERSION_TEXT) + "\r\n";
    R += "OS: " + Caption("lblOS") + "\r\n";
    R += "OS version: " + OSVersionText(Info) + "\r\n";
    R += "Shell library version: " + std::to_string(Shell.dwMajorVersion) + "." + std::to_string(Shell.dwMinorVersion) + "\r\n";
    R += "Memory available: " + MemoryExpected() + "\r\n";
    R += "File types registered: " + std::to_string(Types->FileTypes()->Count()) + "\r\n";
    R += std::string("Shell extension registered: ") + (Registered ? "True" : "False") + "\r\n";
    R += "Invalid file types: " + std::to_string(Types->Errors()->Count()) + "\r\n";
    R += "Invalid file types details:\r\n***\r\n" + Errors + "\r\n***\r\n";
    R += "Contents of .ini file:\r\n***\r\n" + Lines(ReadText(Dir.File("Corvane.ini"))) + "\r\n***\r\n";
    R += "Contents of log file:\r\n***\r\n" + Lines(ReadText(Dir.File("log.txt"))) + "\r\n***\r\n";
    R += "*** end of report ***\r\n";
    return R;
  }
  static std::string OSVersionText(const OSVERSIONINFOEXA& Info) {
    char Buffer[256];
    const DWORD Build = Info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? (Info.dwBuildNumber & 0xFFFF) : Info.dwBuildNumber;
    std::snprintf(Buffer, sizeof(Buffer), "%d.%d %s (Build %d)", static_cast<int>(Info.dwMajorVersion),
                  static_cast<int>(Info.dwMinorVersion), Info.szCSDVersion, static_cast<int>(Build));
    return Buffer;
  }
  // The pixels of the label's rectangle on screen.
  std::vector<COLORREF> LabelPixels(TControl* Label) {
    PumpUntilIdle(10, 300);
    TWindowCapture Shot(Box->Handle());
    std::vector<COLORREF> Result;
    const POINT Origin = Label->ClientToScreen(POINT{0, 0});
    POINT Client = Origin;
    ScreenToClient(Box->Handle(), &Client);
    for (int Y = 0; Y < Label->Height(); ++Y)
      for (int X = 0; X < Label->Width(); ++X) Result.push_back(Shot.ClientPixel(Box->Handle(), Client.x + X, Client.y + Y));
    return Result;
  }
  static int CountNear(const std::vector<COLORREF>& Pixels, COLORREF Color) {
    int N = 0;
    for (COLORREF P : Pixels) N += NearColor(P, Color, 40);
    return N;
  }

  TTempDir Dir;
  std::unique_ptr<TFileTypeList> Types;
  std::unique_ptr<TfrmAbout> Box;
};

}  // namespace

TEST_F(AboutTest, LabelsShowTheSystemAndTheBuiltFiles) {
  Open();
  EXPECT_EQ(Box->Caption(), "About Corvane");
  EXPECT_EQ(Caption("lblCaption"), "Corvane 2007");
  char Exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Exe, MAX_PATH);
  EXPECT_EQ(Caption("lblVersion"), CORVANE_VERSION_TEXT);
  EXPECT_EQ(Caption("lblVersion"), FileVersionOf(Exe));
  EXPECT_EQ(Caption("lblShlExtVersion"), CORVANE_VERSION_TEXT);
  EXPECT_EQ(Caption("lblShlExtVersion"), FileVersionOf(Dir.File("Vellisk.DLL")));
  EXPECT_EQ(Caption("lblPhysMem"), MemoryExpected());
  EXPECT_EQ(Caption("lblFileTypes"), std::to_string(Types->FileTypes()->Count()));
  EXPECT_GT(Types->FileTypes()->Count(), 0);
  EXPECT_EQ(Caption("lblOS"), Box->OSName);
  EXPECT_EQ(Caption("lblOSVersion"), Box->OSVersion);
  for (const char* Fixed : {"Release 9", "September 2, 2007", "Corvane Build Information", "Contacting the Support",
                            "Main module:", "Shell extension module:", "OS version:", "Memory available to Windows:",
                            "File types registered:", "e-mail:", "web site:", "Translation to English"}) {
    bool Found = false;
    for (int I = 0; I < Box->ComponentCount(); ++I)
      if (auto* C = dynamic_cast<TControl*>(Box->Components(I))) Found = Found || C->Caption() == Fixed;
    EXPECT_TRUE(Found) << Fixed;
  }
  TWindowCapture(Box->Handle()).SavePng("app_about_box");
  // Without the library beside the program its label stays empty.
  Box.reset();
  ASSERT_TRUE(DeleteFileA(Dir.File("Vellisk.DLL").c_str()));
  Open();
  EXPECT_EQ(Caption("lblShlExtVersion"), "");
}

TEST_F(AboutTest, CopySystemInformationPutsTheReportOnTheClipboard) {
  struct TCase {
    const char* Name;
    const char* Ini;  // nullptr: no file
    const char* Log;
    std::vector<std::string> Errors;  // replace the scan's list
  };
  const TCase Cases[] = {
      {"nothing", nullptr, nullptr, {}},
      {"files and bugs", "[Dynamic Items]\r\nCount=0\r\n\r\n[Corvane]\r\nLeft=3", "Error log created: now\r\nline two\r\n",
       {"Bug one", "Bug two"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    DeleteFileA(Dir.File("Corvane.ini").c_str());
    DeleteFileA(Dir.File("log.txt").c_str());
    if (C.Ini) {
      ASSERT_TRUE(WriteBytes(Dir.File("Corvane.ini"), C.Ini));
    }
    if (C.Log) {
      ASSERT_TRUE(WriteBytes(Dir.File("log.txt"), C.Log));
    }
    Types->Errors()->Clear();
    for (const std::string& E : C.Errors) Types->Errors()->Add(E);
    Open();
    Clipboard()->SetAsText("before");
    FindByName<TControl>(Box.get(), "RxLabel4")->Click();
    const std::string Report = Clipboard()->AsText();
    EXPECT_EQ(Report, ExpectedReport());
    if (!C.Log) {
      EXPECT_NE(Report.find("Contents of log file:\r\n***\r\n\r\n***\r\n"), std::string::npos);
    }
    if (C.Errors.empty()) {
      EXPECT_NE(Report.find("Invalid file types: 0\r\n"), std::string::npos);
      EXPECT_NE(Report.find("Invalid file types details:\r\n***\r\n\r\n***\r\n"), std::string::npos);
    } else {
      EXPECT_NE(Report.find("Invalid file types details:\r\n***\r\nBug one\r\nBug two\r\n\r\n***\r\n"), std::string::npos);
    }
    Box.reset();
  }
}

namespace {
std::vector<std::string> OpenedLinks;
INT_PTR RecordOpen(HWND, const std::string& Operation, const std::string& FileName, int) {
  OpenedLinks.push_back(Operation + " " + FileName);
  return 42;
}
}  // namespace

TEST_F(AboutTest, LinksUnderlineUnderTheMouseTurnYellowWhilePressedAndOpenTheirTarget) {
  Open();
  auto* Mail = FindByName<TRxLabel>(Box.get(), "RxLabel1");
  ASSERT_NE(Mail, nullptr);
  const COLORREF Blue = RGB(0, 0, 255), Yellow = RGB(255, 255, 0);
  const POINT Away = Box->ClientToScreen(POINT{Box->ClientWidth() / 2, 96});
  ASSERT_TRUE(MovePointerTo(Box->Handle(), Away));
  const std::vector<COLORREF> Plain = LabelPixels(Mail);
  const int PlainBlue = CountNear(Plain, Blue);
  EXPECT_GT(PlainBlue, 0);
  // The underline adds a line of the link's colour below the text.
  ASSERT_TRUE(MovePointerTo(Box->Handle(), Mail->ClientToScreen(POINT{Mail->Width() / 2, Mail->Height() / 2})));
  EXPECT_TRUE(Mail->Font().Style() & FontStyleBit(fsUnderline));
  const std::vector<COLORREF> Hover = LabelPixels(Mail);
  EXPECT_GT(CountNear(Hover, Blue), PlainBlue + Mail->Width() / 2);
  const TShellOpenProc Saved = SetShellOpenProc(RecordOpen);
  OpenedLinks.clear();
  INPUT In{};
  In.type = INPUT_MOUSE;
  In.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  ASSERT_TRUE(SendInputTo(Box->Handle(), &In, 1));
  PumpUntil([&] { return Mail->Font().Color() == clYellow; });
  const std::vector<COLORREF> Pressed = LabelPixels(Mail);
  EXPECT_GT(CountNear(Pressed, Yellow), PlainBlue / 2);
  EXPECT_EQ(CountNear(Pressed, Blue), 0);
  In.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ASSERT_TRUE(SendInputTo(Box->Handle(), &In, 1));
  PumpUntil([&] { return !OpenedLinks.empty(); });
  EXPECT_EQ(CountNear(LabelPixels(Mail), Yellow), 0);
  EXPECT_GT(CountNear(LabelPixels(Mail), Blue), PlainBlue);
  SetShellOpenProc(Saved);
  ASSERT_EQ(OpenedLinks.size(), 1u);
  EXPECT_EQ(OpenedLinks[0], "open mailto:" + Mail->Caption() + "?subject=Corvane 2007");
  // Leaving takes the underline away.
  ASSERT_TRUE(MovePointerTo(Box->Handle(), Away));
  EXPECT_FALSE(Mail->Font().Style() & FontStyleBit(fsUnderline));
  EXPECT_LE(CountNear(LabelPixels(Mail), Blue), PlainBlue + 2);
}

TEST_F(AboutTest, EnterEscapeAndCloseCloseTheBox) {
  struct TCase {
    const char* Name;
    std::function<void(TCustomForm*)> Step;
  };
  const TCase Cases[] = {
      {"Enter", [](TCustomForm* F) { PostMessageA(F->Handle(), WM_CHAR, VK_RETURN, 0); }},
      {"Escape", [](TCustomForm* F) { PostMessageA(F->Handle(), WM_CHAR, VK_ESCAPE, 0); }},
      {"Close", [](TCustomForm* F) { FindByName<TControl>(F, "RxLabel3")->Click(); }},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    bool Seen = false;
    const TModalResult Result = RunModal([&] {
      ShowAbout(Types.get());
      return mrNone;
    }, [&](TCustomForm* F) {
      Seen = F->ClassName() == "TfrmAbout";
      C.Step(F);
    });
    (void)Result;
    EXPECT_TRUE(Seen);
    EXPECT_EQ(ModalForm(), nullptr);
  }
}

// The names of Windows versions, as the extended record and the registry's product type give them.
TEST(AboutNames, WindowsVersionNames) {
  struct TCase {
    DWORD Platform, Major, Minor, Build;
    BYTE ProductType;
    bool Extended;
    const char* RegistryType;
    const char* Name;
  };
  const TCase Cases[] = {
      {VER_PLATFORM_WIN32s, 1, 0, 5, 0, false, "", "Microsoft Win32s"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, 0, false, "", "Microsoft Windows 95"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222, 0, false, "", "Microsoft Windows 98"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000, 0, false, "", "Microsoft Windows Me"},
      {VER_PLATFORM_WIN32_WINDOWS, 5, 0, 1, 0, false, "", "Microsoft Windows Me"},
      {VER_PLATFORM_WIN32_NT, 4, 0, 1381, 0, false, "WinNT", "Microsoft Windows NT Workstation"},
      {VER_PLATFORM_WIN32_NT, 4, 0, 1381, 0, false, "ServerNT", "Microsoft Windows NT Server"},
      {VER_PLATFORM_WIN32_NT, 4, 0, 1381, 0, false, "LanmanNT", "Microsoft Windows NT"},
      {VER_PLATFORM_WIN32_NT, 5, 0, 2195, VER_NT_WORKSTATION, true, "", "Microsoft Windows 2000 Professional"},
      {VER_PLATFORM_WIN32_NT, 5, 1, 2600, VER_NT_WORKSTATION, true, "", "Microsoft Windows XP Professional"},
      {VER_PLATFORM_WIN32_NT, 5, 2, 3790, VER_NT_DOMAIN_CONTROLLER, true, "", "Microsoft Windows XP Server"},
      {VER_PLATFORM_WIN32_NT, 5, 2, 3790, VER_NT_SERVER, true, "", "Microsoft Windows XP"},
      {VER_PLATFORM_WIN32_NT, 6, 1, 7601, VER_NT_WORKSTATION, true, "", "Microsoft Windows NT Professional"},
      {VER_PLATFORM_WIN32_NT, 10, 0, 19045, VER_NT_WORKSTATION, true, "", "Microsoft Windows NT Professional"},
  };
  for (const TCase& C : Cases) {
    OSVERSIONINFOEXA Info{};
    Info.dwPlatformId = C.Platform;
    Info.dwMajorVersion = C.Major;
    Info.dwMinorVersion = C.Minor;
    Info.dwBuildNumber = C.Build;
    Info.wProductType = C.ProductType;
    EXPECT_EQ(OSNameOf(Info, C.Extended, C.RegistryType), C.Name) << C.Major << "." << C.Minor;
  }
  // Versions: the service pack text and a blank, the build; on Windows 9x the build's low word.
  OSVERSIONINFOEXA Info{};
  Info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  Info.dwMajorVersion = 5;
  Info.dwMinorVersion = 1;
  Info.dwBuildNumber = 2600;
  EXPECT_EQ(OSVersionOf(Info), "5.1  (Build 2600)");
  std::strcpy(Info.szCSDVersion, "Service Pack 2");
  EXPECT_EQ(OSVersionOf(Info), "5.1 Service Pack 2 (Build 2600)");
  Info.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  Info.dwMajorVersion = 4;
  Info.dwMinorVersion = 10;
  Info.dwBuildNumber = (4u << 24) | (10u << 16) | 2222u;
  Info.szCSDVersion[0] = 0;
  EXPECT_EQ(OSVersionOf(Info), "4.10  (Build 2222)");
  EXPECT_EQ(GroupThousands(0, ","), "0");
  EXPECT_EQ(GroupThousands(999, ","), "999");
  EXPECT_EQ(GroupThousands(1000, "."), "1.000");
  EXPECT_EQ(GroupThousands(12345678, " "), "12 345 678");
}

// ---------------------------------------------------------------------------------------------
// Under Wine's per-program Windows versions: a child program fills the box and writes its labels
// and what GetVersionExA told it.

namespace {
const char* const ChildDefaults = "Software\\Wine\\AppDefaults\\app_about_child.exe";

struct TChildReport {
  std::string Name, Version;
  OSVERSIONINFOEXA Info{};
};

bool RunChild(const std::string& WindowsVersion, const std::string& Output, TChildReport& Report) {
  HKEY Key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, ChildDefaults, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr) != ERROR_SUCCESS)
    return false;
  RegSetValueExA(Key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(WindowsVersion.c_str()),
                 static_cast<DWORD>(WindowsVersion.size() + 1));
  RegCloseKey(Key);
  const std::string Exe = ModuleFolder() + "app_about_child.exe";
  std::string Line = "\"" + Exe + "\" \"" + Output + "\"";
  STARTUPINFOA Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Info{};
  if (!CreateProcessA(Exe.c_str(), Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info)) return false;
  const bool Ended = WaitForSingleObject(Info.hProcess, 60000) == WAIT_OBJECT_0;
  if (!Ended) TerminateProcess(Info.hProcess, 1);
  CloseHandle(Info.hThread);
  CloseHandle(Info.hProcess);
  if (!Ended) return false;
  // Name, version, then platform, major, minor, build and service pack, one a line.
  std::string Text = FileBytesOr(Output, "");
  std::vector<std::string> Lines;
  size_t Start = 0;
  for (size_t End; (End = Text.find("\r\n", Start)) != std::string::npos; Start = End + 2) Lines.push_back(Text.substr(Start, End - Start));
  if (Lines.size() < 7) return false;
  Report.Name = Lines[0];
  Report.Version = Lines[1];
  Report.Info.dwPlatformId = std::stoul(Lines[2]);
  Report.Info.dwMajorVersion = std::stoul(Lines[3]);
  Report.Info.dwMinorVersion = std::stoul(Lines[4]);
  Report.Info.dwBuildNumber = std::stoul(Lines[5]);
  std::snprintf(Report.Info.szCSDVersion, sizeof(Report.Info.szCSDVersion), "%s", Lines[6].c_str());
  return true;
}
}  // namespace

TEST(AboutWindowsVersions, NamesAndVersionLinesUnderWinesVersions) {
  RequireDisplay();
  TTempDir Dir;
  struct TCase {
    const char* Version;
    const char* Name;
  };
  const TCase Cases[] = {{"winxp", "Microsoft Windows XP Professional"},
                         {"win2k", "Microsoft Windows 2000 Professional"},
                         {"win10", "Microsoft Windows NT Professional"},
                         {"win98", "Microsoft Windows 98"},
                         {"winme", "Microsoft Windows Me"}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Version);
    TChildReport Report;
    ASSERT_TRUE(RunChild(C.Version, Dir.File(std::string(C.Version) + ".txt"), Report));
    EXPECT_EQ(Report.Name, C.Name);
    const bool Nine = Report.Info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    char Expected[256];
    std::snprintf(Expected, sizeof(Expected), "%d.%d %s (Build %d)", static_cast<int>(Report.Info.dwMajorVersion),
                  static_cast<int>(Report.Info.dwMinorVersion), Report.Info.szCSDVersion,
                  static_cast<int>(Nine ? Report.Info.dwBuildNumber & 0xFFFF : Report.Info.dwBuildNumber));
    EXPECT_EQ(Report.Version, Expected);
    if (std::string(C.Version) == "winxp") {
      EXPECT_EQ(Report.Version, "5.1 Service Pack 3 (Build 2600)");
    }
    if (Nine) {
      EXPECT_GT(Report.Info.dwBuildNumber, 0xFFFFu) << "the build field holds the version in its high word";
    }
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, ChildDefaults);
}

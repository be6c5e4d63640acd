#include "application/About.h"

#include "application/AppPaths.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/Clipbrd.h"
#include "classlib/gui/ExtCtrls.h"
#include "controls/GradientPanel.h"
#include "controls/RXCtrls.h"
#include "model/FileTypeList.h"
#include "model/FileTypes.h"
#include "model/ShellExtReg.h"
#include "model/Utils.h"

#include <cmath>

namespace {

constexpr const char* LinkEvents[] = {"OnMouseEnter", "LinkMouseEnter", "OnMouseLeave", "LinkMouseLeave",
                                      "OnMouseDown", "LinkMouseDown", "OnMouseUp", "LinkMouseUp"};

std::vector<TLayoutValue> LinkHandlers(const char* OnClick) {
  std::vector<TLayoutValue> Events{{"OnClick", OnClick}};
  for (size_t I = 0; I < std::size(LinkEvents); I += 2) Events.push_back({LinkEvents[I], LinkEvents[I + 1]});
  return Events;
}

std::vector<TLayoutValue> LinkLook(const char* Caption, const char* Hint) {
  return {{"Caption", Caption}, {"Hint", Hint}, {"ShowHint", "True"}, {"Font.Color", "$FF0000"},
          {"Cursor", "-21"},    {"ShadowSize", "0"}, {"Transparent", "True"}, {"ShowAccelChar", "False"}};
}

TLayoutComponent Text(const char* Name, const char* Caption, int Left, int Top, int Width, bool Bold = false) {
  TLayoutComponent C{"TLabel", Name, "", Left, Top, Width, 16, alNone, akLeftTop,
                     {{"Caption", Caption}, {"ShowAccelChar", "False"}, {"Transparent", "True"}}, {}};
  if (Bold) C.Properties.push_back({"Font.Style", "[fsBold]"});
  return C;
}

TLayoutComponent Value(const char* Name, int Top) {
  return {"TLabel", Name, "", 196, Top, 212, 16, alNone, akLeftTop,
          {{"Caption", ""}, {"AutoSize", "False"}, {"ShowAccelChar", "False"}, {"Transparent", "True"}}, {}};
}

TLayoutComponent Link(const char* Name, const char* Caption, const char* Hint, int Left, int Top, const char* OnClick) {
  return {"TRxLabel", Name, "", Left, Top, 0, 16, alNone, akLeftTop, LinkLook(Caption, Hint), LinkHandlers(OnClick)};
}

const TLayout& AboutLayout() {
  static const TLayout Layout{
      "TfrmAbout",
      "TForm",
      {{"Caption", "About Corvane"}, {"BorderStyle", "bsDialog"}, {"BorderIcons", "[biSystemMenu]"},
       {"Position", "poScreenCenter"}, {"ClientWidth", "420"}, {"ClientHeight", "334"}, {"KeyPreview", "True"}},
      {{"OnCreate", "FormCreate"}, {"OnKeyPress", "FormKeyPress"}},
      {
          {"TGradientPanel", "GradientPanel1", "", 0, 0, 420, 76, alTop, akLeftTop,
           {{"Caption", ""}, {"BevelOuter", "bvNone"}, {"Gradient.StartColor", "$FF00000F"},
            {"Gradient.EndColor", "$FF000005"}, {"Gradient.FillType", "gtHorizontal"}},
           {}},
          {"TImage", "Image1", "GradientPanel1", 8, 6, 64, 64, alNone, akLeftTop,
           {{"Picture", "PNG:ABOUT_LOGO"}, {"Transparent", "True"}}, {}},
          {"TRxLabel", "lblCaption", "GradientPanel1", 84, 10, 0, 28, alNone, akLeftTop,
           {{"Font.Size", "16"}, {"Font.Style", "[fsBold]"}, {"ShadowSize", "2"}, {"ShadowColor", "$FF000010"},
            {"ShadowPos", "spRightBottom"}, {"Transparent", "True"}, {"ShowAccelChar", "False"}},
           {}},
          {"TLabel", "lblRelease", "GradientPanel1", 86, 46, 80, 16, alNone, akLeftTop,
           {{"Caption", "Release 9"}, {"Transparent", "True"}}, {}},
          {"TLabel", "lblDate", "GradientPanel1", 180, 46, 160, 16, alNone, akLeftTop,
           {{"Caption", "September 2, 2007"}, {"Transparent", "True"}}, {}},
          Text("lblBuildInfo", "Corvane Build Information", 12, 86, 300, true),
          Text("Label1", "Main module:", 24, 106, 170),
          Value("lblVersion", 106),
          Text("Label2", "Shell extension module:", 24, 124, 170),
          Value("lblShlExtVersion", 124),
          {"TLabel", "lblOS", "", 24, 142, 384, 16, alNone, akLeftTop,
           {{"Caption", ""}, {"AutoSize", "False"}, {"ShowAccelChar", "False"}, {"Transparent", "True"}}, {}},
          Text("Label3", "OS version:", 24, 160, 170),
          Value("lblOSVersion", 160),
          Text("Label4", "Memory available to Windows:", 24, 178, 170),
          Value("lblPhysMem", 178),
          Text("Label5", "File types registered:", 24, 196, 170),
          Value("lblFileTypes", 196),
          Text("lblSupport", "Contacting the Support", 12, 222, 300, true),
          Text("Label6", "e-mail:", 24, 242, 170),
          Link("RxLabel1", "support@corvane.example", "Send report to the author", 196, 242, "LinkClick"),
          Text("Label7", "web site:", 24, 260, 170),
          Link("RxLabel2", "http://www.corvane.example/", "Visit our web site for latest updates", 196, 260, "LinkClick"),
          Text("Label8", "Translation to English", 24, 278, 170),
          Link("lblTranslatorEmailOrWebSite", "translation@corvane.example", "Send report to the author", 196, 278,
               "LinkClick"),
          {"TPanel", "Bevel1", "", 8, 302, 404, 2, alNone, akLeftTop, {{"Caption", ""}, {"BevelOuter", "bvLowered"}}, {}},
          Link("RxLabel4", "Copy System Information", "Copy system information to clipboard to include in the report",
               12, 310, "RxLabel4Click"),
          Link("RxLabel3", "Close", "Close window", 370, 310, "RxLabel3Click"),
      }};
  return Layout;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Operating system and memory

std::string OSNameOf(const OSVERSIONINFOEXA& Info, bool Extended, const std::string& ProductType) {
  std::string Name;
  switch (Info.dwPlatformId) {
    case VER_PLATFORM_WIN32s: Name = "Win32s"; break;
    case VER_PLATFORM_WIN32_WINDOWS:
      if (Info.dwMajorVersion == 4 && Info.dwMinorVersion == 90) Name = "Windows Me";
      else if (Info.dwMajorVersion == 4 && Info.dwMinorVersion != 0) Name = "Windows 98";
      else if (Info.dwMajorVersion <= 4) Name = "Windows 95";
      else Name = "Windows Me";
      break;
    case VER_PLATFORM_WIN32_NT:
      if (Info.dwMajorVersion <= 4 || Info.dwMajorVersion >= 6) Name = "Windows NT";
      else Name = Info.dwMinorVersion != 0 ? "Windows XP" : "Windows 2000";
      if (!Extended) {
        if (SameText(ProductType, "WINNT")) Name += " Workstation";
        else if (SameText(ProductType, "SERVERNT")) Name += " Server";
      } else if (Info.wProductType == VER_NT_WORKSTATION) {
        Name += " Professional";
      } else if (Info.wProductType == VER_NT_DOMAIN_CONTROLLER) {
        Name += " Server";
      }
      break;
    default: return "unknown";
  }
  return "Microsoft " + Name;
}

std::string OSVersionOf(const OSVERSIONINFOEXA& Info) {
  const DWORD Build = Info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? LOWORD(Info.dwBuildNumber) : Info.dwBuildNumber;
  return Format("%d.%d %s(Build %d)", {static_cast<int>(Info.dwMajorVersion), static_cast<int>(Info.dwMinorVersion),
                                       std::string(Info.szCSDVersion) + " ", static_cast<int>(Build)});
}

namespace {

std::string RegistryProductType() {
  HKEY Key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_READ, &Key) !=
      ERROR_SUCCESS)
    return std::string();
  char Buffer[80] = {};
  DWORD Size = sizeof(Buffer) - 1;
  DWORD Type = 0;
  const LONG Result = RegQueryValueExA(Key, "ProductType", nullptr, &Type, reinterpret_cast<BYTE*>(Buffer), &Size);
  RegCloseKey(Key);
  return Result == ERROR_SUCCESS && Type == REG_SZ ? std::string(Buffer) : std::string();
}

}  // namespace

void DetectOS(std::string& Name, std::string& Version) {
  Name = Version = "unknown";
  OSVERSIONINFOEXA Info{};
  Info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  bool Extended = true;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&Info))) {
    Info = OSVERSIONINFOEXA{};
    Info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    Extended = false;
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&Info))) return;
  }
#pragma GCC diagnostic pop
  Name = OSNameOf(Info, Extended, Extended ? std::string() : RegistryProductType());
  Version = OSVersionOf(Info);
}

std::string GroupThousands(unsigned long long Value, const std::string& Separator) {
  std::string Digits = std::to_string(Value), Result;
  for (size_t I = 0; I < Digits.size(); ++I) {
    if (I > 0 && (Digits.size() - I) % 3 == 0) Result += Separator;
    Result += Digits[I];
  }
  return Result;
}

std::string PhysicalMemoryText() {
  MEMORYSTATUSEX Status{};
  Status.dwLength = sizeof(Status);
  if (!GlobalMemoryStatusEx(&Status)) return std::string();
  char Separator[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, Separator, sizeof(Separator));
  const double MB = static_cast<double>(Status.ullTotalPhys) / (1024.0 * 1024.0);
  return GroupThousands(static_cast<unsigned long long>(std::nearbyint(MB)), Separator) + " M";
}

// ---------------------------------------------------------------------------------------------
// The box

TfrmAbout::TfrmAbout(TComponent* AOwner, TFileTypeList* FileTypes) : TForm(AOwner), FFileTypes(FileTypes) {
  RegisterComponentClass(TGradientPanel::StaticClassInfo());
  RegisterComponentClass(TRxLabel::StaticClassInfo());
  RegisterHandler(this, "FormCreate", &TfrmAbout::FormCreate);
  RegisterHandler(this, "FormKeyPress", &TfrmAbout::FormKeyPress);
  RegisterHandler(this, "RxLabel3Click", &TfrmAbout::RxLabel3Click);
  RegisterHandler(this, "RxLabel4Click", &TfrmAbout::RxLabel4Click);
  RegisterHandler(this, "LinkClick", &TfrmAbout::LinkClick);
  RegisterHandler(this, "LinkMouseEnter", &TfrmAbout::LinkMouseEnter);
  RegisterHandler(this, "LinkMouseLeave", &TfrmAbout::LinkMouseLeave);
  RegisterHandler(this, "LinkMouseDown", &TfrmAbout::LinkMouseDown);
  RegisterHandler(this, "LinkMouseUp", &TfrmAbout::LinkMouseUp);
  InitLayout(AboutLayout());
}

std::string TfrmAbout::LabelText(const char* Name) {
  auto* Label = dynamic_cast<TControl*>(FindComponent(Name));
  return Label ? Label->Caption() : std::string();
}

void TfrmAbout::FormCreate(TObject*) {
  ApplySystemFont(this, *CreateMessageFont());
  auto Set = [this](const char* Name, const std::string& Text) {
    if (auto* Label = dynamic_cast<TControl*>(FindComponent(Name))) Label->SetCaption(Text);
  };
  Set("lblCaption", ProductTitle);
  DetectOS(OSName, OSVersion);
  Set("lblOS", OSName);
  Set("lblOSVersion", OSVersion);
  Set("lblPhysMem", PhysicalMemoryText());
  char Module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Module, MAX_PATH);
  TVersionStrings Info;
  GetFileVersionStrings(Module, Info);
  Set("lblVersion", Info.FileVersion);
  GetFileVersionStrings(ProgramFolder() + "Vellisk.DLL", Info);
  Set("lblShlExtVersion", Info.FileVersion);
  Set("lblFileTypes", IntToStr(FFileTypes ? FFileTypes->FileTypes()->Count() : 0));
}

void TfrmAbout::FormKeyPress(TObject*, char& Key) {
  if (Key == VK_RETURN || Key == VK_ESCAPE) Close();
}

void TfrmAbout::RxLabel3Click(TObject*) { Close(); }

void TfrmAbout::LinkClick(TObject* Sender) {
  if (auto* Label = dynamic_cast<TControl*>(Sender)) OpenLink(Label->Caption());
}

void TfrmAbout::LinkMouseEnter(TObject* Sender) {
  if (auto* Label = dynamic_cast<TControl*>(Sender))
    Label->Font().SetStyle(Label->Font().Style() | FontStyleBit(fsUnderline));
}

void TfrmAbout::LinkMouseLeave(TObject* Sender) {
  if (auto* Label = dynamic_cast<TControl*>(Sender))
    Label->Font().SetStyle(Label->Font().Style() & ~FontStyleBit(fsUnderline));
}

void TfrmAbout::LinkMouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (auto* Label = dynamic_cast<TControl*>(Sender)) {
    Label->Tag = Label->Font().Color();
    Label->Font().SetColor(clYellow);
  }
}

void TfrmAbout::LinkMouseUp(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (auto* Label = dynamic_cast<TControl*>(Sender)) Label->Font().SetColor(static_cast<TColor>(Label->Tag));
}

namespace {

// The file's lines, each followed by CR LF; "" when it cannot be read.
std::string FileLines(const std::string& FileName) {
  try {
    if (!FileExists(FileName)) return std::string();
    TStringList Lines;
    Lines.LoadFromFile(FileName);
    std::string Result;
    for (int I = 0; I < Lines.Count(); ++I) Result += Lines.Get(I) + "\r\n";
    return Result;
  } catch (...) {
    return std::string();
  }
}

std::string Section(const std::string& Title, const std::string& Lines) {
  return Title + "\r\n***\r\n" + Lines + "\r\n***\r\n";
}

}  // namespace

std::string TfrmAbout::SystemReport() {
  const uint32_t Shell = ShellVersion();
  const int ErrorCount = FFileTypes ? FFileTypes->Errors()->Count() : 0;
  std::string Errors;
  for (int I = 0; I < ErrorCount; ++I) Errors += FFileTypes->Errors()->Get(I) + "\r\n";
  std::string Report = "*** automatically generated system information report ***\r\n";
  Report += std::string(ProductTitle) + "\r\n";
  Report += Format("Version: %s\r\n", {LabelText("lblVersion")});
  Report += Format("Shell extension module version: %s\r\n", {LabelText("lblShlExtVersion")});
  Report += Format("OS: %s\r\n", {LabelText("lblOS")});
  Report += Format("OS version: %s\r\n", {LabelText("lblOSVersion")});
  Report += Format("Shell library version: %d.%d\r\n", {static_cast<int>(Shell >> 16), static_cast<int>(Shell & 0xFFFF)});
  Report += Format("Memory available: %s\r\n", {LabelText("lblPhysMem")});
  Report += Format("File types registered: %s\r\n", {LabelText("lblFileTypes")});
  Report += Format("Shell extension registered: %s\r\n", {std::string(IsShellExtRegistered() ? "True" : "False")});
  Report += Format("Invalid file types: %d\r\n", {ErrorCount});
  Report += Section("Invalid file types details:", Errors);
  Report += Section("Contents of .ini file:", FileLines(IniFileInUse()));
  Report += Section("Contents of log file:", FileLines(ProgramFolder() + "log.txt"));
  Report += "*** end of report ***\r\n";
  return Report;
}

void TfrmAbout::RxLabel4Click(TObject*) { Clipboard()->SetAsText(SystemReport()); }

void ShowAbout(TFileTypeList* FileTypes) {
  std::unique_ptr<TfrmAbout> Box = std::make_unique<TfrmAbout>(Application, FileTypes);
  Box->ShowModal();
}

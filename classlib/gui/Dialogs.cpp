// Common dialogs over comdlg32.
#include "classlib/gui/Dialogs.h"

#include "classlib/core/SystemProc.h"
#include "classlib/core/TypInfo.h"
#include "classlib/gui/Forms.h"

#include <cstdlib>
#include <cstring>
#include <vector>

HWND TCommonDialog::OwnerWindow() {
  if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated()) return Screen->ActiveForm()->Handle();
  return Application ? Application->Handle() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Open and save

TOpenDialog::TOpenDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), FFiles(new TStringList), FHistoryList(new TStringList) {}

TOpenDialog::~TOpenDialog() {
  delete FFiles;
  delete FHistoryList;
}

void TOpenDialog::SetDefaultExt(const std::string& Value) {
  FDefaultExt = !Value.empty() && Value[0] == '.' ? Value.substr(1) : Value;
}

namespace {

// "a|b|c|d" as the system wants it: "a\0b\0c\0d\0\0".
std::string SystemFilter(const std::string& Filter) {
  if (Filter.empty()) return std::string();
  std::string Result = Filter;
  for (char& C : Result)
    if (C == '|') C = '\0';
  Result.append(2, '\0');
  return Result;
}

DWORD OpenFlags(TOpenOptions Options) {
  struct TBit {
    TOpenOptions Option;
    DWORD Flag;
  };
  static const TBit Bits[] = {{ofReadOnly, OFN_READONLY},         {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
                              {ofHideReadOnly, OFN_HIDEREADONLY}, {ofNoChangeDir, OFN_NOCHANGEDIR},
                              {ofAllowMultiSelect, OFN_ALLOWMULTISELECT}, {ofPathMustExist, OFN_PATHMUSTEXIST},
                              {ofFileMustExist, OFN_FILEMUSTEXIST}, {ofCreatePrompt, OFN_CREATEPROMPT}};
  DWORD Flags = OFN_EXPLORER | OFN_ENABLESIZING;
  for (const TBit& B : Bits)
    if (Options & B.Option) Flags |= B.Flag;
  return Flags;
}

}  // namespace

bool TOpenDialog::Execute() {
  std::vector<char> Buffer(64 * 1024, '\0');
  FileName.copy(Buffer.data(), Buffer.size() - 2);
  const std::string SysFilter = SystemFilter(Filter);
  OPENFILENAMEA Ofn{};
  Ofn.lStructSize = sizeof(Ofn);
  Ofn.hwndOwner = OwnerWindow();
  Ofn.lpstrFilter = SysFilter.empty() ? nullptr : SysFilter.data();
  Ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
  Ofn.lpstrFile = Buffer.data();
  Ofn.nMaxFile = static_cast<DWORD>(Buffer.size());
  Ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  Ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  Ofn.lpstrDefExt = FDefaultExt.empty() ? nullptr : FDefaultExt.c_str();
  Ofn.Flags = OpenFlags(Options);
  if (!RunSystemDialog(Ofn)) return false;
  FilterIndex = static_cast<int>(Ofn.nFilterIndex);
  Options = (Options & ~ofReadOnly) | ((Ofn.Flags & OFN_READONLY) ? ofReadOnly : 0);
  TakeFiles(Buffer.data());
  return true;
}

void TOpenDialog::TakeFiles(const char* Buffer) {
  FFiles->Clear();
  const std::string First = Buffer;
  const char* Next = Buffer + First.size() + 1;
  if (!(Options & ofAllowMultiSelect) || !*Next) {
    FFiles->Add(First);
  } else {
    const std::string Folder = First.empty() || First.back() == '\\' ? First : First + "\\";
    for (; *Next; Next += std::strlen(Next) + 1) FFiles->Add(Folder + Next);
  }
  FileName = FFiles->Get(0);
}

const TClassInfo& TOpenDialog::StaticClassInfo() {
  static const TClassInfo Info{
      "TOpenDialog",
      nullptr,
      {StrProp<TOpenDialog>("Name", &TOpenDialog::Name, &TOpenDialog::SetName),
       StrProp<TOpenDialog>("Title", [](TOpenDialog& D) { return D.Title; },
                            [](TOpenDialog& D, const std::string& V) { D.Title = V; }),
       StrProp<TOpenDialog>("Filter", [](TOpenDialog& D) { return D.Filter; },
                            [](TOpenDialog& D, const std::string& V) { D.Filter = V; }),
       IntProp<TOpenDialog>("FilterIndex", [](TOpenDialog& D) { return D.FilterIndex; },
                            [](TOpenDialog& D, int V) { D.FilterIndex = V; }),
       StrProp<TOpenDialog>("InitialDir", [](TOpenDialog& D) { return D.InitialDir; },
                            [](TOpenDialog& D, const std::string& V) { D.InitialDir = V; }),
       StrProp<TOpenDialog>("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt),
       StrProp<TOpenDialog>("FileName", [](TOpenDialog& D) { return D.FileName; },
                            [](TOpenDialog& D, const std::string& V) { D.FileName = V; }),
       SetOfProp<TOpenDialog>("Options",
                              {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir",
                               "ofAllowMultiSelect", "ofPathMustExist", "ofFileMustExist", "ofCreatePrompt"},
                              [](TOpenDialog& D) { return D.Options; },
                              [](TOpenDialog& D, unsigned V) { D.Options = V; }),
       StringsProp<TOpenDialog>("HistoryList", &TOpenDialog::HistoryList),
       EnumProp<TOpenDialog, TFileEditStyle>("FileEditStyle", {"fsEdit", "fsComboBox"},
                                             [](TOpenDialog& D) { return D.FileEditStyle; },
                                             [](TOpenDialog& D, TFileEditStyle V) { D.FileEditStyle = V; }),
       IntProp<TOpenDialog>("HelpContext", [](TOpenDialog& D) { return D.HelpContext; },
                            [](TOpenDialog& D, int V) { D.HelpContext = V; })},
      {},
      [](TComponent* Owner) -> TComponent* { return new TOpenDialog(Owner); }};
  return Info;
}

namespace {

// The common dialogs' library comes with the first dialog: under Wine it brings in the print
// spooler, after which every server call of the process takes several times as long.
template <class F, class T>
BOOL RunCommonDialog(const char* Name, T& Data) {
  const F Proc = SystemProc<F>("comdlg32.dll", Name);
  if (Proc == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  return Proc(&Data);
}

}  // namespace

BOOL TOpenDialog::RunSystemDialog(OPENFILENAMEA& Ofn) {
  return RunCommonDialog<BOOL(WINAPI*)(LPOPENFILENAMEA)>("GetOpenFileNameA", Ofn);
}

BOOL TSaveDialog::RunSystemDialog(OPENFILENAMEA& Ofn) {
  return RunCommonDialog<BOOL(WINAPI*)(LPOPENFILENAMEA)>("GetSaveFileNameA", Ofn);
}

const TClassInfo& TSaveDialog::StaticClassInfo() {
  static const TClassInfo Info{"TSaveDialog", &TOpenDialog::StaticClassInfo(), {}, {},
                               [](TComponent* Owner) -> TComponent* { return new TSaveDialog(Owner); }};
  return Info;
}

// ---------------------------------------------------------------------------------------------
// Colour

namespace {
BOOL SystemColorDialog(CHOOSECOLORA& Choice) {
  return RunCommonDialog<BOOL(WINAPI*)(LPCHOOSECOLORA)>("ChooseColorA", Choice);
}

std::string CustomColorName(int Index) { return std::string("Color") + static_cast<char>('A' + Index); }
}  // namespace

TColorDialogFunc ColorDialogFunc = SystemColorDialog;

TColorDialog::TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner), FCustomColors(new TStringList) {}

TColorDialog::~TColorDialog() { delete FCustomColors; }

bool TColorDialog::Execute() {
  COLORREF Custom[16];
  for (int I = 0; I < 16; ++I) {
    const std::string Text = FCustomColors->Values(CustomColorName(I));
    char* End = nullptr;
    const unsigned long Value = Text.empty() ? 0 : std::strtoul(Text.c_str(), &End, 16);
    Custom[I] = !Text.empty() && End && !*End && Value <= 0xFFFFFF ? static_cast<COLORREF>(Value) : RGB(255, 255, 255);
  }
  struct TBit {
    TColorDialogOptions Option;
    DWORD Flag;
  };
  static const TBit Bits[] = {{cdFullOpen, CC_FULLOPEN},   {cdPreventFullOpen, CC_PREVENTFULLOPEN},
                              {cdShowHelp, CC_SHOWHELP},   {cdSolidColor, CC_SOLIDCOLOR},
                              {cdAnyColor, CC_ANYCOLOR}};
  CHOOSECOLORA Choice{};
  Choice.lStructSize = sizeof(Choice);
  Choice.hwndOwner = OwnerWindow();
  Choice.rgbResult = static_cast<COLORREF>(ColorToRGB(Color));
  Choice.lpCustColors = Custom;
  Choice.Flags = CC_RGBINIT;
  for (const TBit& B : Bits)
    if (Options & B.Option) Choice.Flags |= B.Flag;
  if (!ColorDialogFunc(Choice)) return false;
  Color = static_cast<TColor>(Choice.rgbResult & 0xFFFFFF);
  FCustomColors->BeginUpdate();
  FCustomColors->Clear();
  for (int I = 0; I < 16; ++I) FCustomColors->Add(CustomColorName(I) + "=" + IntToHex(static_cast<unsigned>(Custom[I]), 6));
  FCustomColors->EndUpdate();
  return true;
}

const TClassInfo& TColorDialog::StaticClassInfo() {
  static const TClassInfo Info{
      "TColorDialog",
      nullptr,
      {StrProp<TColorDialog>("Name", &TColorDialog::Name, &TColorDialog::SetName),
       IntProp<TColorDialog>("Color", [](TColorDialog& D) { return D.Color; }, [](TColorDialog& D, int V) { D.Color = V; }),
       StringsProp<TColorDialog>("CustomColors", &TColorDialog::CustomColors),
       SetOfProp<TColorDialog>("Options", {"cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor"},
                               [](TColorDialog& D) { return D.Options; },
                               [](TColorDialog& D, unsigned V) { D.Options = V; }),
       IntProp<TColorDialog>("HelpContext", [](TColorDialog& D) { return D.HelpContext; },
                             [](TColorDialog& D, int V) { D.HelpContext = V; })},
      {},
      [](TComponent* Owner) -> TComponent* { return new TColorDialog(Owner); }};
  return Info;
}

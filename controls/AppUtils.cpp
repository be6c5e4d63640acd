#include "controls/AppUtils.h"

#include "controls/rxStrUtils.h"

std::function<std::string()> OnGetDefaultIniName;
std::string DefCompanyName;
bool RegUseAppTitle = false;

namespace {

std::string ProgramFileName() {
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  return ExtractFileName(Path);
}

TCustomIniFile* AsIniFile(TObject* Ini) {
  if (auto* Reg = dynamic_cast<TRegIniFile*>(Ini)) return Reg;
  return dynamic_cast<TIniFile*>(Ini);
}

bool EnclosedInQuotes(const std::string& S) {
  return !S.empty() && (S.front() == '"' || S.front() == '\'') && S.back() == S.front();
}

}  // namespace

std::string GetDefaultSection(TComponent* Component) {
  if (!Component) return "";
  if (dynamic_cast<TCustomForm*>(Component)) return Component->ClassName();
  if (auto* Control = dynamic_cast<TControl*>(Component)) {
    if (TCustomForm* Form = Control->ParentForm(); Form && Form != Control) return Form->ClassName() + Control->Name();
    if (Control->Parent()) return Control->Parent()->Name() + Control->Name();
    return Control->Name();
  }
  if (dynamic_cast<TCustomForm*>(Component->Owner())) return Component->Owner()->ClassName() + "." + Component->Name();
  return Component->Name();
}

std::string GetDefaultIniName() {
  if (OnGetDefaultIniName) return OnGetDefaultIniName();
  return ChangeFileExt(ProgramFileName(), ".INI");
}

std::string GetDefaultIniRegKey() {
  std::string Result;
  if (RegUseAppTitle && Application && !Application->Title().empty())
    Result = Application->Title();
  else
    Result = ChangeFileExt(ProgramFileName(), "");
  if (!DefCompanyName.empty()) Result = DefCompanyName + "\\" + Result;
  return "Software\\" + Result;
}

std::string IniReadString(TObject* Ini, const std::string& Section, const std::string& Ident, const std::string& Default) {
  if (TCustomIniFile* File = AsIniFile(Ini)) return File->ReadString(Section, Ident, Default);
  return Default;
}

void IniWriteString(TObject* Ini, const std::string& Section, const std::string& Ident, const std::string& Value) {
  if (auto* Reg = dynamic_cast<TRegIniFile*>(Ini)) {
    Reg->WriteString(Section, Ident, Value);
  } else if (auto* File = dynamic_cast<TIniFile*>(Ini)) {
    File->WriteString(Section, Ident, EnclosedInQuotes(Value) ? "\"" + Value + "\"" : Value);
  }
}

int IniReadInteger(TObject* Ini, const std::string& Section, const std::string& Ident, int Default) {
  if (TCustomIniFile* File = AsIniFile(Ini)) return File->ReadInteger(Section, Ident, Default);
  return Default;
}

void IniWriteInteger(TObject* Ini, const std::string& Section, const std::string& Ident, int Value) {
  if (TCustomIniFile* File = AsIniFile(Ini)) File->WriteInteger(Section, Ident, Value);
}

void IniEraseSection(TObject* Ini, const std::string& Section) {
  if (TCustomIniFile* File = AsIniFile(Ini)) File->EraseSection(Section);
}

void IniDeleteKey(TObject* Ini, const std::string& Section, const std::string& Ident) {
  if (TCustomIniFile* File = AsIniFile(Ini)) File->DeleteKey(Section, Ident);
}

std::string ResolutionSuffix() {
  return Format("(%dx%d)", {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

std::string ReadPosStr(TObject* Ini, const std::string& Section, const std::string& Ident) {
  std::string S = IniReadString(Ini, Section, Ident + ResolutionSuffix(), "");
  if (S.empty()) S = IniReadString(Ini, Section, Ident, "");
  return S;
}

void WritePosStr(TObject* Ini, const std::string& Section, const std::string& Ident, const std::string& Value) {
  IniWriteString(Ini, Section, Ident + ResolutionSuffix(), Value);
  IniWriteString(Ini, Section, Ident, Value);
}

void StoreWindowPlacement(TCustomForm* Form, TObject* Ini, const std::string& Section) {
  WINDOWPLACEMENT P{};
  P.length = sizeof(P);
  GetWindowPlacement(Form->Handle(), &P);
  if (Application && Form == Application->MainForm() && Application->IsIconic()) P.showCmd = SW_SHOWMINIMIZED;
  IniWriteInteger(Ini, Section, "Flags", static_cast<int>(P.flags));
  IniWriteInteger(Ini, Section, "ShowCmd", static_cast<int>(P.showCmd));
  IniWriteInteger(Ini, Section, "PixelsPerInch", Screen->PixelsPerInch());
  WritePosStr(Ini, Section, "MinMaxPos",
              Format("%d,%d,%d,%d", {P.ptMinPosition.x, P.ptMinPosition.y, P.ptMaxPosition.x, P.ptMaxPosition.y}));
  WritePosStr(Ini, Section, "NormPos",
              Format("%d,%d,%d,%d", {P.rcNormalPosition.left, P.rcNormalPosition.top, P.rcNormalPosition.right,
                                     P.rcNormalPosition.bottom}));
}

namespace {

const TSysCharSet PosDelims{' ', ','};

int PosWord(const std::string& S, int N, int Default) { return StrToIntDef(WordAt(N, S, PosDelims), Default); }

}  // namespace

void LoadWindowPlacement(TCustomForm* Form, TObject* Ini, const std::string& Section, bool LoadState, bool LoadPosition) {
  if (!LoadState && !LoadPosition) return;
  WINDOWPLACEMENT P{};
  P.length = sizeof(P);
  GetWindowPlacement(Form->Handle(), &P);
  if (!IsWindowVisible(Form->Handle())) P.showCmd = SW_HIDE;
  if (LoadPosition) {
    bool Found = false;
    P.flags = static_cast<UINT>(IniReadInteger(Ini, Section, "Flags", static_cast<int>(P.flags)));
    std::string S = ReadPosStr(Ini, Section, "MinMaxPos");
    if (!S.empty()) {
      Found = true;
      P.ptMinPosition = {PosWord(S, 1, 0), PosWord(S, 2, 0)};
      P.ptMaxPosition = {PosWord(S, 3, 0), PosWord(S, 4, 0)};
    }
    S = ReadPosStr(Ini, Section, "NormPos");
    if (!S.empty()) {
      Found = true;
      P.rcNormalPosition = {PosWord(S, 1, Form->Left()), PosWord(S, 2, Form->Top()),
                            PosWord(S, 3, Form->Left() + Form->Width()), PosWord(S, 4, Form->Top() + Form->Height())};
    }
    if (IniReadInteger(Ini, Section, "PixelsPerInch", Screen->PixelsPerInch()) != Screen->PixelsPerInch()) Found = false;
    if (Found) {
      RECT& R = P.rcNormalPosition;
      if (Form->BorderStyle() != bsSizeable && Form->BorderStyle() != bsSizeToolWin)
        R = {R.left, R.top, R.left + Form->Width(), R.top + Form->Height()};
      if (R.right > R.left && R.bottom > R.top) {
        // A title bar above the screen moves down to the nearest monitor's work area, size kept.
        MONITORINFO Monitor{};
        Monitor.cbSize = sizeof(Monitor);
        if (GetMonitorInfoA(MonitorFromRect(&R, MONITOR_DEFAULTTONEAREST), &Monitor) && R.top < Monitor.rcWork.top)
          OffsetRect(&R, 0, Monitor.rcWork.top - R.top);
        if (Form->Position == poScreenCenter) Form->Position = poDesigned;
        SetWindowPlacement(Form->Handle(), &P);
      }
    }
  }
  if (LoadState) {
    TWindowState State = wsNormal;
    const bool MainOrNone = !Application || !Application->MainForm() || Application->MainForm() == Form;
    if (MainOrNone && Form->Position == poDefault) State = wsMaximized;
    switch (IniReadInteger(Ini, Section, "ShowCmd", SW_HIDE)) {
      case SW_SHOWNORMAL: case SW_RESTORE: case SW_SHOWDEFAULT: State = wsNormal; break;
      case SW_SHOWMINIMIZED: case SW_MINIMIZE: case SW_SHOWMINNOACTIVE: State = wsMinimized; break;
      case SW_SHOWMAXIMIZED: State = wsMaximized; break;
      default: break;
    }
    if (State == wsMinimized && MainOrNone) {
      if (Application) PostMessageA(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return;
    }
    Form->SetWindowState(State);
  }
  Form->Update();
}

// Vellisk's debug log.
#include "shellext/Debug.h"

#include <vector>

namespace {

std::string DateStr(const SYSTEMTIME& Time) {
  char Buffer[128] = {};
  int Len = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &Time, nullptr, Buffer, sizeof(Buffer));
  return Len > 0 ? std::string(Buffer) : std::string();
}

std::string TimeStr(const SYSTEMTIME& Time) {
  char Buffer[128] = {};
  int Len = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &Time, nullptr, Buffer, sizeof(Buffer));
  return Len > 0 ? std::string(Buffer) : std::string();
}

}  // namespace

std::string DebugDateTimeStr() {
  SYSTEMTIME Now;
  GetLocalTime(&Now);
  return DateStr(Now) + " " + TimeStr(Now);
}

std::string DebugTimeStr() {
  SYSTEMTIME Now;
  GetLocalTime(&Now);
  return TimeStr(Now);
}

std::string BoolToStr(bool Value) { return Value ? "True" : "False"; }

std::string CMFFlagsToStr(UINT Flags) {
  // The SDK headers drop this name for Vista and later; the bit is still passed by older shells.
  constexpr UINT CmfIncludeStatic = 0x40;
  static const struct {
    UINT Value;
    const char* Name;
  } Names[] = {{CMF_DEFAULTONLY, "CMF_DEFAULTONLY"}, {CMF_VERBSONLY, "CMF_VERBSONLY"},
               {CMF_EXPLORE, "CMF_EXPLORE"},         {CMF_NOVERBS, "CMF_NOVERBS"},
               {CMF_CANRENAME, "CMF_CANRENAME"},     {CMF_NODEFAULT, "CMF_NODEFAULT"},
               {CmfIncludeStatic, "CMF_INCLUDESTATIC"}};
  std::string Result = IntToStr(static_cast<long long>(Flags)) + "={";
  for (const auto& N : Names)
    if (Flags & N.Value) Result += std::string(N.Name) + " ";
  return Result + "}";
}

std::string GCSTypeToStr(UINT Type) {
  static const struct {
    UINT Value;
    const char* Name;
  } Names[] = {{GCS_HELPTEXTA, "GCS_HELPTEXTA"}, {GCS_HELPTEXTW, "GCS_HELPTEXTW"},
               {GCS_VALIDATEA, "GCS_VALIDATEA"}, {GCS_VALIDATEW, "GCS_VALIDATEW"},
               {GCS_VERBA, "GCS_VERBA"},         {GCS_VERBW, "GCS_VERBW"}};
  std::string Result = IntToStr(static_cast<long long>(Type)) + "=(";
  for (const auto& N : Names)
    if (Type == N.Value) {
      Result += N.Name;
      break;
    }
  return Result + ")";
}

std::string TymedToStr(DWORD Tymed) {
  static const struct {
    DWORD Value;
    const char* Name;
  } Names[] = {{TYMED_HGLOBAL, "TYMED_HGLOBAL"},   {TYMED_FILE, "TYMED_FILE"}, {TYMED_ISTREAM, "TYMED_ISTREAM"},
               {TYMED_ISTORAGE, "TYMED_ISTORAGE"}, {TYMED_GDI, "TYMED_GDI"},   {TYMED_MFPICT, "TYMED_MFPICT"},
               {TYMED_ENHMF, "TYMED_ENHMF"}};
  std::string Result = IntToStr(static_cast<long long>(Tymed)) + "={";
  if (Tymed == TYMED_NULL) Result += "TYMED_NULL";
  for (const auto& N : Names)
    if (Tymed & N.Value) Result += N.Name;
  return Result + "}";
}

TFileDebug::TFileDebug(const std::string& FileName, bool Enabled) : FEnabled(Enabled), FFileName(FileName) {
  if (FEnabled) OpenLog();
}

TFileDebug::~TFileDebug() {
  if (FEnabled) {
    try {
      WriteLineChecked("End of debug session: " + DebugDateTimeStr(), false);
    } catch (...) {
    }
  }
  CloseLog();
}

void TFileDebug::OpenLog() {
  FEnabled = true;
  CloseLog();
  // Shared for writing: every context-menu object re-creates the same log.
  FFile = CreateFileA(FFileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (FFile == INVALID_HANDLE_VALUE) {
    FEnabled = false;
    return;
  }
  WriteLineChecked("Starting debug session: " + DebugDateTimeStr(), false);
}

void TFileDebug::CloseLog() {
  if (FFile != INVALID_HANDLE_VALUE) CloseHandle(FFile);
  FFile = INVALID_HANDLE_VALUE;
}

bool TFileDebug::WriteText(const std::string& Text) {
  if (FFile == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const std::string Line = Text + "\r\n";
  // Another object may have re-created the file meanwhile: always append at its current end.
  LARGE_INTEGER Zero{};
  if (!SetFilePointerEx(FFile, Zero, nullptr, FILE_END)) return false;
  DWORD Written = 0;
  if (!WriteFile(FFile, Line.data(), static_cast<DWORD>(Line.size()), &Written, nullptr)) return false;
  if (Written != Line.size()) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

void TFileDebug::WriteLineChecked(const std::string& Message, bool Timed) {
  if (!FEnabled) return;
  std::string Line;
  if (Timed) Line = DebugTimeStr() + ":" + std::string(static_cast<size_t>(FLevel > 0 ? FLevel : 0) * 2, ' ');
  Line += Message;
  const bool Ok = WriteText(Line);
  const DWORD Error = GetLastError();
  OutputDebugStringA((Message + "\r\n").c_str());
  if (!Ok) {
    FEnabled = false;
    const std::string Text = Message + "\r\n" + SysErrorMessage(Error);
    MessageBoxA(GetDesktopWindow(), Text.c_str(), FCaption.c_str(), MB_OK | MB_ICONERROR);
  }
}

void TFileDebug::WriteLine(const std::string& Message) { WriteLineChecked(Message, true); }

void TFileDebug::WriteFmt(const std::string& Fmt, std::initializer_list<TVarRec> Args) {
  if (FEnabled) WriteLine(Format(Fmt, Args));
}

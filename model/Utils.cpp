#include "model/Utils.h"

#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "controls/VCLUtils.h"
#include "resources/strings/Utils.h"

#include <shellapi.h>

#include <climits>
#include <cstddef>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr const char* MailSubject = "Corvane 2007";

INT_PTR DefaultShellOpen(HWND Owner, const std::string& Operation, const std::string& FileName, int ShowCmd) {
  return reinterpret_cast<INT_PTR>(
      ShellExecuteA(Owner, Operation.c_str(), FileName.c_str(), nullptr, nullptr, ShowCmd));
}

TShellOpenProc ShellOpen = DefaultShellOpen;

using TPathFindOnPath = BOOL(WINAPI*)(LPSTR pszPath, LPCSTR* ppszOtherDirs);

// Taken once at start-up, and only when shlwapi is already in the process.
TPathFindOnPath LookupPathFindOnPath() {
  const HMODULE Shlwapi = GetModuleHandleA("shlwapi.dll");
  if (Shlwapi == nullptr) return nullptr;
  return reinterpret_cast<TPathFindOnPath>(reinterpret_cast<void*>(GetProcAddress(Shlwapi, "PathFindOnPathA")));
}

const TPathFindOnPath PathFindOnPathProc = LookupPathFindOnPath();

std::string ProgramFolder() {
  std::vector<char> Buffer(MAX_PATH);
  for (;;) {
    const DWORD Len = GetModuleFileNameA(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Len < Buffer.size()) return ExtractFilePath(std::string(Buffer.data(), Len));
    Buffer.resize(Buffer.size() * 2);
  }
}

// The shown mouse cursor, set to the hourglass for one scope and the default afterwards.
class TWaitCursor {
public:
  TWaitCursor() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }
  ~TWaitCursor() { SetCursor(LoadCursorA(nullptr, IDC_ARROW)); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

std::string QueryVersionString(const std::vector<BYTE>& Block, const std::string& Path) {
  void* Value = nullptr;
  UINT Len = 0;
  if (!VerQueryValueA(Block.data(), Path.c_str(), &Value, &Len) || Value == nullptr) return std::string();
  const char* Text = static_cast<const char*>(Value);
  std::size_t Size = 0;
  while (Size < Len && Text[Size] != '\0') ++Size;
  return std::string(Text, Size);
}

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

// Reads Count pairs of hexadecimal digits from Pos on, most significant first.
bool ReadHex(const std::string& Text, std::size_t& Pos, int Pairs, unsigned long long& Value) {
  Value = 0;
  for (int I = 0; I < Pairs * 2; ++I, ++Pos) {
    const int Digit = Pos < Text.size() ? HexValue(Text[Pos]) : -1;
    if (Digit < 0) return false;
    Value = Value * 16 + static_cast<unsigned>(Digit);
  }
  return true;
}

bool ReadDash(const std::string& Text, std::size_t& Pos) { return Pos < Text.size() && Text[Pos++] == '-'; }

}  // namespace

std::string ExtractFileTitle(const std::string& Path) {
  const std::string::size_type Delim = Path.find_last_of("\\:");
  std::string Name = Delim == std::string::npos ? Path : Path.substr(Delim + 1);
  const std::string::size_type Dot = Name.rfind('.');
  if (Dot != std::string::npos) Name.erase(Dot);
  return Name;
}

int ShowMessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  return MessageBoxA(GetActiveWindow(), Text.c_str(), Caption.c_str(), Flags);
}

INT_PTR CallShellOpen(HWND Owner, const std::string& Operation, const std::string& FileName, int ShowCmd) {
  return ShellOpen(Owner, Operation, FileName, ShowCmd);
}

TShellOpenProc SetShellOpenProc(TShellOpenProc Proc) {
  const TShellOpenProc Previous = ShellOpen;
  ShellOpen = Proc != nullptr ? Proc : DefaultShellOpen;
  return Previous;
}

void OpenLink(const std::string& Target) {
  TWaitCursor Wait;
  const std::string Link =
      Target.find('@') != std::string::npos ? "mailto:" + Target + "?subject=" + MailSubject : Target;
  // Relative names open beside the program.
  SetCurrentDirectoryA(ProgramFolder().c_str());
  const INT_PTR Result = ShellOpen(GetActiveWindow(), "open", Link, SW_SHOWNORMAL);
  if (Result < 33)
    throw Exception(Format(LoadResString(SErrorRedirectingToLink), {SysErrorMessage(static_cast<DWORD>(Result))}));
}

void ExploreFolder(const std::string& Folder) {
  const INT_PTR Result = ShellOpen(GetActiveWindow(), "explore", Folder, SW_SHOWNORMAL);
  if (Result < 33) throw Exception(SysErrorMessage(static_cast<DWORD>(Result)));
}

bool GetFileVersionStrings(const std::string& FileName, TVersionStrings& Info) {
  Info = TVersionStrings();
  DWORD Handle = 0;
  const DWORD Size = GetFileVersionInfoSizeA(FileName.c_str(), &Handle);
  if (Size == 0) return false;
  std::vector<BYTE> Block(Size);
  if (!GetFileVersionInfoA(FileName.c_str(), 0, Size, Block.data())) return false;
  void* Translation = nullptr;
  UINT Len = 0;
  if (VerQueryValueA(Block.data(), "\\VarFileInfo\\Translation", &Translation, &Len) && Translation != nullptr &&
      Len >= 2 * sizeof(WORD)) {
    const WORD* Pair = static_cast<const WORD*>(Translation);
    char Prefix[40];
    std::snprintf(Prefix, sizeof(Prefix), "\\StringFileInfo\\%04x%04x\\", Pair[0], Pair[1]);
    Info.FileDescription = QueryVersionString(Block, std::string(Prefix) + "FileDescription");
    Info.FileVersion = QueryVersionString(Block, std::string(Prefix) + "FileVersion");
    Info.CompanyName = QueryVersionString(Block, std::string(Prefix) + "CompanyName");
    Info.ProductName = QueryVersionString(Block, std::string(Prefix) + "ProductName");
  }
  Info.Found = true;
  return true;
}

std::string ExtractCommandProgram(const std::string& CommandLine) {
  std::string Program, Params;
  SplitCommandLine(CommandLine, Program, Params);
  return Program;
}

int IndexOfText(const std::string* Strings, int High, const std::string& Text) {
  for (int I = 0; I <= High; ++I)
    if (SameText(Strings[I], Text)) return I;
  return -1;
}

void WriteStringToStream(TStream& Stream, const std::string& Text) {
  if (!Text.empty()) Stream.WriteBuffer(Text.data(), static_cast<int>(Text.size()));
}

HICON ExtractIconHandle(const std::string& FileName, int Index, bool Small) {
  HICON Large = nullptr, SmallIcon = nullptr;
  const UINT Count = ExtractIconExA(FileName.c_str(), Index, &Large, &SmallIcon, 1);
  // A failure may leave junk in both handles.
  if (Count == 0 || Count == UINT_MAX || (Large == nullptr && SmallIcon == nullptr)) return nullptr;
  HICON Result = Large, Other = SmallIcon;
  if ((Small && SmallIcon != nullptr) || Large == nullptr) std::swap(Result, Other);
  if (Other != nullptr) DestroyIcon(Other);
  return Result;
}

HICON ExtractIconChecked(const std::string& FileName, int Index, bool Small) {
  const HICON Result = ExtractIconHandle(FileName, Index, Small);
  if (Result == nullptr) throw Exception(LoadResString(SErrorExtractingIcon));
  return Result;
}

int LastCharPos(char Ch, const std::string& Text) {
  const std::string::size_type At = Text.rfind(Ch);
  return At == std::string::npos ? -1 : static_cast<int>(At) + 1;
}

std::unique_ptr<TFont> CreateMessageFont() {
  // The size without iPaddedBorderWidth, which systems before Vista refuse.
  NONCLIENTMETRICSA Metrics{};
  Metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
  Win32Check(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, Metrics.cbSize, &Metrics, 0) != FALSE);
  const HFONT Font = CreateFontIndirectA(&Metrics.lfMessageFont);
  Win32Check(Font != nullptr);
  auto Result = std::make_unique<TFont>();
  Result->SetHandle(Font);
  DeleteObject(Font);
  return Result;
}

std::string GetWindowsFolder() {
  std::vector<char> Buffer(MAX_PATH + 1);
  for (;;) {
    const UINT Len = GetWindowsDirectoryA(Buffer.data(), static_cast<UINT>(Buffer.size()));
    if (Len == 0) RaiseLastOSError();
    if (Len < Buffer.size()) return IncludeTrailingPathDelimiter(std::string(Buffer.data(), Len));
    Buffer.resize(Len + 1);
  }
}

bool PathSearchAvailable() { return PathFindOnPathProc != nullptr; }

bool FileExistsOnPath(const std::string& FileName) {
  // The search writes its answer into a buffer of MAX_PATH characters: longer names are tested as named.
  if (PathFindOnPathProc == nullptr || FileName.size() >= MAX_PATH) return FileExists(FileName);
  std::vector<char> Buffer(MAX_PATH + 1, '\0');
  FileName.copy(Buffer.data(), FileName.size());
  return PathFindOnPathProc(Buffer.data(), nullptr) != FALSE;
}

bool TryParseGuid(const std::string& Text, GUID& Guid) {
  if (Text.size() != 38 || Text[0] != '{') return false;
  std::size_t Pos = 1;
  unsigned long long Data1, Data2, Data3, High, Low;
  if (!ReadHex(Text, Pos, 4, Data1) || !ReadDash(Text, Pos) || !ReadHex(Text, Pos, 2, Data2) ||
      !ReadDash(Text, Pos) || !ReadHex(Text, Pos, 2, Data3) || !ReadDash(Text, Pos) ||
      !ReadHex(Text, Pos, 2, High) || !ReadDash(Text, Pos) || !ReadHex(Text, Pos, 6, Low))
    return false;
  Guid.Data1 = static_cast<unsigned long>(Data1);
  Guid.Data2 = static_cast<unsigned short>(Data2);
  Guid.Data3 = static_cast<unsigned short>(Data3);
  Guid.Data4[0] = static_cast<unsigned char>(High >> 8);
  Guid.Data4[1] = static_cast<unsigned char>(High);
  for (int I = 0; I < 6; ++I) Guid.Data4[2 + I] = static_cast<unsigned char>(Low >> (8 * (5 - I)));
  return true;
}

std::string GUIDToString(const GUID& Guid) {
  char Buffer[40];
  std::snprintf(Buffer, sizeof(Buffer), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(Guid.Data1), Guid.Data2, Guid.Data3, Guid.Data4[0], Guid.Data4[1],
                Guid.Data4[2], Guid.Data4[3], Guid.Data4[4], Guid.Data4[5], Guid.Data4[6], Guid.Data4[7]);
  return Buffer;
}

#include "application/AppPaths.h"

#include "classlib/core/SysUtils.h"
#include "model/Utils.h"

const char* const ProductTitle = "Corvane 2007";

namespace {
std::string& FolderOverride() {
  static std::string Folder;
  return Folder;
}
}  // namespace

std::string ProgramFolder() {
  if (!FolderOverride().empty()) return FolderOverride();
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  return ExtractFilePath(ExpandFileName(Path));
}

void SetProgramFolder(const std::string& Folder) {
  FolderOverride() = Folder;
  if (!Folder.empty() && Folder.back() != '\\') FolderOverride() += '\\';
}

std::string IniFileInUse() {
  const std::string WinIni = GetWindowsFolder() + "ZU2001.ini";
  return FileExists(WinIni) ? WinIni : ProgramFolder() + "Corvane.ini";
}

#include "controls/FileUtil.h"

#include "controls/rxStrUtils.h"

#include <windows.h>

namespace {

// Owns a file-search handle.
class TFindHandle {
public:
  explicit TFindHandle(HANDLE Handle) : FHandle(Handle) {}
  ~TFindHandle() {
    if (Valid()) FindClose(FHandle);
  }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }

private:
  HANDLE FHandle;
};

std::string FoundName(const std::string& Path, bool ShortFirst) {
  WIN32_FIND_DATAA Data{};
  TFindHandle Find(FindFirstFileA(Path.c_str(), &Data));
  if (!Find.Valid()) return std::string();
  const std::string Long = Data.cFileName;
  const std::string Short = Data.cAlternateFileName;
  if (ShortFirst) return Short.empty() ? Long : Short;
  return Long.empty() ? Short : Long;
}

}  // namespace

bool IsDirectory(const std::string& Path) {
  const DWORD Attributes = GetFileAttributesA(Path.c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsValidFileName(const std::string& Name) {
  return !Name.empty() && !ContainsAnyChar(Name, "<>\"|");
}

std::string LongNameOf(const std::string& Path) { return FoundName(Path, false); }

std::string ShortNameOf(const std::string& Path) { return FoundName(Path, true); }

// A folder of its own under the temporary path for one test, removed with everything in it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TTempDir {
public:
  // The folder is named "<Stem>_<process>_<ticks>_<n>"; a blank in Stem puts one in the path.
  explicit TTempDir(const std::string& Stem = "corvane_test") {
    char Base[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(Base), Base);
    static int Counter = 0;
    for (int Attempt = 0; Attempt < 1000; ++Attempt) {
      const std::string Path = std::string(Base) + Stem + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                               std::to_string(GetTickCount()) + "_" + std::to_string(++Counter);
      if (CreateDirectoryA(Path.c_str(), nullptr)) {
        FPath = Path;
        return;
      }
      if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
  }
  // The folder Path itself (no trailing "\"), made by this object; not valid when it was there.
  struct TExactPath {};
  TTempDir(TExactPath, const std::string& Path) {
    if (CreateDirectoryA(Path.c_str(), nullptr)) FPath = Path;
  }
  ~TTempDir() {
    if (!FPath.empty()) RemoveTree(FPath);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  bool Valid() const { return !FPath.empty(); }
  const std::string& Path() const { return FPath; }  // without a trailing "\"; "" when not made
  std::string Folder() const { return FPath.empty() ? FPath : FPath + "\\"; }  // with a trailing "\"
  std::string File(const std::string& Name) const { return FPath + "\\" + Name; }

  // The names in the folder, without "." and "..".
  std::vector<std::string> Names() const {
    std::vector<std::string> Result;
    WIN32_FIND_DATAA Data;
    const HANDLE Find = FindFirstFileA((FPath + "\\*").c_str(), &Data);
    if (Find == INVALID_HANDLE_VALUE) return Result;
    do {
      const std::string Name = Data.cFileName;
      if (Name != "." && Name != "..") Result.push_back(Name);
    } while (FindNextFileA(Find, &Data));
    FindClose(Find);
    return Result;
  }

  // Removes Dir (no trailing "\") with everything in it, read-only files included.
  static void RemoveTree(const std::string& Dir) {
    WIN32_FIND_DATAA Data;
    const HANDLE Find = FindFirstFileA((Dir + "\\*").c_str(), &Data);
    if (Find != INVALID_HANDLE_VALUE) {
      do {
        const std::string Name = Data.cFileName;
        if (Name == "." || Name == "..") continue;
        const std::string Full = Dir + "\\" + Name;
        SetFileAttributesA(Full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(Full);
        else
          DeleteFileA(Full.c_str());
      } while (FindNextFileA(Find, &Data));
      FindClose(Find);
    }
    RemoveDirectoryA(Dir.c_str());
  }

private:
  std::string FPath;
};

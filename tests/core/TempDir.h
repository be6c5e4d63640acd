// A folder of its own under the temporary path for one test, removed with everything in it.
#pragma once

#include <windows.h>

#include <string>

class TTempDir {
public:
  TTempDir() {
    char Base[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(Base), Base);
    static int Counter = 0;
    for (;;) {
      FPath = std::string(Base) + "core_test_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(GetTickCount()) + "_" + std::to_string(++Counter);
      if (CreateDirectoryA(FPath.c_str(), nullptr)) break;
      if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
  }
  ~TTempDir() { RemoveTree(FPath); }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return FPath; }
  std::string File(const std::string& Name) const { return FPath + "\\" + Name; }

private:
  std::string FPath;

  static void RemoveTree(const std::string& Dir) {
    WIN32_FIND_DATAA Data;
    const HANDLE Find = FindFirstFileA((Dir + "\\*").c_str(), &Data);
    if (Find != INVALID_HANDLE_VALUE) {
      do {
        const std::string Name = Data.cFileName;
        if (Name == "." || Name == "..") continue;
        const std::string Full = Dir + "\\" + Name;
        if (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(Full);
        } else {
          SetFileAttributesA(Full.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileA(Full.c_str());
        }
      } while (FindNextFileA(Find, &Data));
      FindClose(Find);
    }
    RemoveDirectoryA(Dir.c_str());
  }
};

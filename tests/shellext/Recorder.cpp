// A program for the invocation tests. It writes what it was started with to "record.txt" beside
// itself before anything else (through a temporary file, so that the record appears whole), then
// waits for messages for a moment, so that a starter's WaitForInputIdle returns, and ends.
// With "--busy" as its first argument it stays busy for half a minute instead and never waits
// for input.
//
// Record lines: "pid=<process id>", "show=<wShowWindow of the start-up record>",
// "flags=<dwFlags of the start-up record>", "cmdline=<the command line>", then one
// "arg=<argument>" line per argument after the program's name, as the C runtime splits them.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string OwnFolder() {
  char Path[MAX_PATH * 4] = {};
  const DWORD Len = GetModuleFileNameA(nullptr, Path, sizeof(Path));
  std::string Result(Path, Len);
  return Result.substr(0, Result.find_last_of("\\/") + 1);
}

bool WriteRecord(const std::string& Folder, const std::string& Text) {
  const std::string Temporary = Folder + "record.tmp";
  HANDLE File = CreateFileA(Temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return false;
  DWORD Written = 0;
  const BOOL Ok = WriteFile(File, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
  CloseHandle(File);
  return Ok && MoveFileExA(Temporary.c_str(), (Folder + "record.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  STARTUPINFOA Startup{};
  Startup.cb = sizeof(Startup);
  GetStartupInfoA(&Startup);
  std::string Text = "pid=" + std::to_string(GetCurrentProcessId()) + "\n";
  Text += "show=" + std::to_string(Startup.wShowWindow) + "\n";
  Text += "flags=" + std::to_string(Startup.dwFlags) + "\n";
  Text += "cmdline=" + std::string(GetCommandLineA()) + "\n";
  for (int I = 1; I < __argc; ++I) Text += "arg=" + std::string(__argv[I]) + "\n";
  if (!WriteRecord(OwnFolder(), Text)) return 2;

  if (__argc > 1 && std::strcmp(__argv[1], "--busy") == 0) {
    Sleep(30000);
    return 0;
  }
  SetTimer(nullptr, 1, 100, nullptr);
  MSG Message;
  while (GetMessageA(&Message, nullptr, 0, 0) > 0) {
    if (Message.message == WM_TIMER) break;
    DispatchMessageA(&Message);
  }
  return 0;
}

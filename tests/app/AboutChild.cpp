// A child program for the about box under Wine's per-program Windows versions: fills the box and
// writes its OS labels and what GetVersionExA answered (platform, major, minor, build, service
// pack) to the file named by its argument, one a line.
#include "application/About.h"
#include "classlib/gui/Forms.h"
#include "controls/RXConstStartup.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int Result = 1;
  try {
    StartComponentLibrary();
    std::string Output = GetCommandLineA();
    const size_t Open = Output.find("\" \"");
    Output = Open == std::string::npos ? "" : Output.substr(Open + 3, Output.size() - Open - 4);
    auto Box = std::make_unique<TfrmAbout>(Application, nullptr);
    OSVERSIONINFOEXA Info{};
    Info.dwOSVersionInfoSize = sizeof(Info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&Info));
#pragma GCC diagnostic pop
    auto* OS = dynamic_cast<TControl*>(Box->FindComponent("lblOS"));
    auto* Version = dynamic_cast<TControl*>(Box->FindComponent("lblOSVersion"));
    if (FILE* F = std::fopen(Output.c_str(), "wb")) {
      std::fprintf(F, "%s\r\n%s\r\n%lu\r\n%lu\r\n%lu\r\n%lu\r\n%s\r\n", OS ? OS->Caption().c_str() : "",
                   Version ? Version->Caption().c_str() : "", Info.dwPlatformId, Info.dwMajorVersion,
                   Info.dwMinorVersion, Info.dwBuildNumber, Info.szCSDVersion);
      std::fclose(F);
      Result = 0;
    }
  } catch (...) {
    Result = 2;
  }
  return Result;
}

// Starts Corvane.exe (argument 1), waits for its main window, saves the screen as the picture named
// by argument 2 in the screenshot folder, closes the window and waits for the program's end. Exit code 0, or 1 when no main window came.
#include "tests/app/Driver.h"

#include <cstdio>

int main(int Argc, char** Argv) {
  if (Argc < 3) {
    std::fprintf(stderr, "usage: app_run_driver <Corvane.exe> <picture name>\n");
    return 2;
  }
  TProgram Program(Argv[1]);
  if (!Program.Valid()) {
    std::fprintf(stderr, "run: %s did not start\n", Argv[1]);
    return 1;
  }
  const HWND Main = Program.WaitWindow("TfrmMain", 120000);
  if (!Main) {
    std::fprintf(stderr, "run: no main window came\n");
    return 1;
  }
  WaitForInputIdle(Program.Process(), 10000);
  Sleep(500);
  if (!SaveScreen(Argv[2])) std::fprintf(stderr, "run: the screen could not be captured\n");
  PostMessageA(Main, WM_CLOSE, 0, 0);
  const long Code = Program.WaitExit(20000);
  std::printf("run: main window shown, picture %s.png, program ended with %ld\n", Argv[2], Code);
  return Code == 0 ? 0 : 1;
}

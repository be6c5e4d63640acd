// A second process for the application-window test: finds the window of class "TApplication" and
// title argv[1], then sends the registered message argv[2] three ways, told apart by wParam:
// 1 BroadcastSystemMessageA to the applications, 2 PostMessageA(HWND_BROADCAST), 3 posted to the
// window found. Exit code: 0 when the window was found and every send succeeded; 1 bad arguments,
// 2 window not found, 3 message not registered, 4 a send failed.
#include <windows.h>

int main(int Argc, char** Argv) {
  if (Argc != 3) return 1;
  const HWND Wnd = FindWindowExA(nullptr, nullptr, "TApplication", Argv[1]);
  if (Wnd == nullptr) return 2;
  const UINT Msg = RegisterWindowMessageA(Argv[2]);
  if (Msg == 0) return 3;
  DWORD Recipients = BSM_APPLICATIONS;
  const long Sent = BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &Recipients, Msg, 1,
                                            static_cast<LPARAM>(GetCurrentProcessId()));
  if (Sent <= 0) return 4;
  if (!PostMessageA(HWND_BROADCAST, Msg, 2, static_cast<LPARAM>(GetCurrentProcessId()))) return 4;
  if (!PostMessageA(Wnd, Msg, 3, static_cast<LPARAM>(GetCurrentProcessId()))) return 4;
  return 0;
}

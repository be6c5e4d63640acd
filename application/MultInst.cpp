#include "application/MultInst.h"

#include "classlib/gui/Forms.h"

#include <cstdlib>

const char* const SingleInstanceName = "Corvane application by Drevin";

namespace {

UINT Message = 0;
HANDLE Mutex = nullptr;
WNDPROC PrevWndProc = nullptr;
HWND SubclassedWnd = nullptr;

constexpr unsigned SubclassFailed = 1, MutexFailed = 2;

std::string ErrorText(unsigned Flags) {
  std::string Text;
  if (Flags & SubclassFailed) Text = "Error trying to subclass Application window procedure";
  if (Flags & MutexFailed) Text += std::string(Text.empty() ? "" : "\r\n") + "Error creating mutex to check single instance";
  return Text;
}

}  // namespace

UINT SingleInstanceMessage() { return Message; }

void InitSingleInstance() {
  Message = RegisterWindowMessageA(SingleInstanceName);
  // Created first: of two copies started together exactly one finds it new.
  Mutex = CreateMutexA(nullptr, FALSE, SingleInstanceName);
  if (Mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    Application->ShowMainForm = false;
    DWORD Recipients = BSM_APPLICATIONS;
    BroadcastSystemMessageA(BSF_IGNORECURRENTTASK | BSF_POSTMESSAGE, &Recipients, Message, 0, 0);
    std::exit(0);
  }
  unsigned Flags = Mutex ? 0 : MutexFailed;
  SubclassedWnd = Application->Handle();
  PrevWndProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(SubclassedWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SingleInstanceWndProc)));
  if (!PrevWndProc) {
    Flags |= SubclassFailed;
    SubclassedWnd = nullptr;
  }
  if (Flags) {
    Exception E(ErrorText(Flags));
    Application->ShowException(E);
  }
}

void DoneSingleInstance() {
  if (PrevWndProc && SubclassedWnd && IsWindow(SubclassedWnd))
    SetWindowLongPtrA(SubclassedWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrevWndProc));
  PrevWndProc = nullptr;
  SubclassedWnd = nullptr;
}

LRESULT CALLBACK SingleInstanceWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Message != 0 && Msg == Message) {
    CallGuarded([] {
      // The main window owns the taskbar button; before it exists nothing is restored.
      TCustomForm* Main = Application->MainForm();
      if (!Main || !Main->HandleAllocated()) return;
      if (Application->IsIconic()) {
        Main->SetWindowState(wsNormal);
        Application->Restore();
      }
      if (IsWindow(Main->Handle())) SetForegroundWindow(Main->Handle());
    });
    return 0;
  }
  return PrevWndProc ? CallWindowProcA(PrevWndProc, Wnd, Msg, WParam, LParam) : DefWindowProcA(Wnd, Msg, WParam, LParam);
}

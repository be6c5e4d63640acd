// crashprobe.exe <case> <record file>: a windowed program that reports crashes like Corvane (crash
// reporting starts first and stops last, window procedures run in the guard frame), with one case
// per way an exception can go. It writes what its stand-in for the application's exception handler
// got, and what the case observed, one line each, to the record file.
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>

#include "ExceptionWatcher/hxException.h"

namespace {

std::string RecordText;
void Note(const std::string& Line) { RecordText += Line + "\n"; }

// What the application's exception handler would get.
void HandleExceptionStandIn() {
  try {
    throw;
  } catch (const Exception& E) {
    Note("HandleException: " + ClassNameOf(typeid(E)) + ": " + E.Message());
  } catch (...) {
    Note("HandleException: other");
  }
}

class EProbeError : public Exception {
public:
  using Exception::Exception;
};

struct TNoteOnExit {
  ~TNoteOnExit() { Note("destructor ran"); }
};

volatile int* volatile NullInt = nullptr;
const char* volatile NullText = nullptr;
volatile size_t Sink = 0;
volatile int DepthLimit = -1;  // never reached

__attribute__((noinline)) void WriteNullHoldingRaii() {
  TNoteOnExit Holder;
  *NullInt = 0;
}

using TCodeFn = void (*)();
__attribute__((noinline)) void CallNullHoldingRaii() {
  TNoteOnExit Holder;
  reinterpret_cast<TCodeFn>(reinterpret_cast<ULONG_PTR>(NullInt))();
}

// Frames of 32 KB: the stack probe faults with the stack pointer still well above the guard page,
// which leaves Wine's dispatcher the room it needs (with small frames Wine ends the process itself,
// exit code 1, before any handler runs).
__attribute__((noinline)) int Recurse(int Depth) {
  volatile char Pad[32 * 1024];
  Pad[0] = static_cast<char>(Depth);
  if (Depth == DepthLimit) return 0;
  return Recurse(Depth + 1) + Pad[0];
}

std::string Case;

LRESULT CALLBACK ProbeWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg != WM_APP) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  GuardedCall(
      [] {
        if (Case == "av-in-window") WriteNullHoldingRaii();
        if (Case == "call-null-in-window") CallNullHoldingRaii();
        if (Case == "av-handled-by-system") {
          char Buffer[8] = {};
          lstrcpynA(Buffer, reinterpret_cast<LPCSTR>(1), 4);
        }
        if (Case == "av-in-syslib") Sink = std::strlen(NullText);
        if (Case == "stack-overflow") Sink = static_cast<size_t>(Recurse(0));
      },
      HandleExceptionStandIn);
  return 0;
}

void RunWindowCase() {
  WNDCLASSA Class{};
  Class.lpfnWndProc = ProbeWndProc;
  Class.hInstance = GetModuleHandleA(nullptr);
  Class.lpszClassName = "TCrashProbe";
  RegisterClassA(&Class);
  HWND Wnd = CreateWindowExA(0, "TCrashProbe", "crashprobe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             Class.hInstance, nullptr);
  PostMessageA(Wnd, WM_APP, 0, 0);
  MSG Msg;
  while (PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&Msg);
  DestroyWindow(Wnd);
}

}  // namespace

extern "C" __attribute__((noinline)) void probe_thrower() { throw EProbeError("boom"); }
extern "C" __attribute__((noinline)) void probe_caller() {
  probe_thrower();
  Sink = Sink + 1;
}

namespace {

void NoteMainWindow() {
  ThxExceptionManager* Manager = GetExceptionManager();
  TclStackFrames* Frames = Manager->DumpCurrentException(true);
  Note(std::string("frames: ") + (Frames == nullptr ? "nil" : IntToStr(Frames->Count())));
  if (Frames != nullptr)
    for (int I = 0; I < Frames->Count(); ++I) Note("frame: " + Frames->Items(I)->ProcName);
  Note("LastDumpFile: " + Manager->LastDumpFile());
}

void RunCase() {
  if (Case == "convert-silent" || Case == "reportable-then-main") {
    try {
      StrToInt("abc");
    } catch (const EConvertError&) {
    }
    if (Case == "reportable-then-main") NoteMainWindow();
  } else if (Case == "own-error") {
    try {
      probe_caller();
    } catch (const EProbeError&) {
    }
    NoteMainWindow();
  } else if (Case == "other-thread") {
    std::thread Other([] {
      try {
        StrToInt("abc");
      } catch (const EConvertError&) {
      }
    });
    Other.join();
  } else {
    RunWindowCase();
  }
  ThxExceptionManager* Manager = GetExceptionManager();
  TclExceptionInformation* Last = Manager->ExceptWatcher()->LastException();
  Note(std::string("watcher: ") + (Last == nullptr ? "nothing" : IntToHex(Last->ExceptionCode(), 8)));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  StartCrashReporting();
  if (__argc < 3) return 2;
  Case = __argv[1];
  GuardedCall(RunCase, HandleExceptionStandIn);
  const HANDLE File = CreateFileA(__argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD Written = 0;
  WriteFile(File, RecordText.data(), static_cast<DWORD>(RecordText.size()), &Written, nullptr);
  CloseHandle(File);
  StopCrashReporting();
  return 0;
}

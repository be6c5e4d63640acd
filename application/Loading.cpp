#include "application/Loading.h"

#include "application/AppPaths.h"
#include "model/Utils.h"
#include "classlib/core/SysUtils.h"
#include "controls/GradientPanel.h"
#include "controls/RXCtrls.h"

#include <cmath>
#include <cstdlib>

TfrmLoading* frmLoading = nullptr;

namespace {

const TLayout& LoadingLayout() {
  static const TLayout Layout{
      "TfrmLoading",
      "TForm",
      {{"BorderStyle", "bsNone"}, {"Position", "poScreenCenter"}, {"ClientWidth", "492"}, {"ClientHeight", "69"},
       {"Font.Name", "Tahoma"}},
      {{"OnCreate", "FormCreate"}, {"OnShow", "FormShow"}, {"OnDestroy", "FormDestroy"}},
      {
          {"TGradientPanel", "Panel1", "", 0, 0, 492, 69, alClient, akLeftTop,
           {{"BevelInner", "bvLowered"},
            {"Caption", ""},
            {"Gradient.StartColor", "$FF00000F"},
            {"Gradient.EndColor", "$FF000005"},
            {"Gradient.FillType", "gtHorzSplit"},
            {"Gradient.Bands", "64"}},
           {}},
          {"TImage", "Image1", "Panel1", 8, 8, 32, 32, alNone, akLeftTop, {{"Transparent", "True"}, {"Picture", "ICO:MAINICON"}}, {}},
          {"TRxLabel", "lblTitle", "Panel1", 40, 10, 200, 16, alNone, akLeftTop,
           {{"Font.Style", "[fsBold]"}, {"Transparent", "True"}}, {}},
          {"TLabel", "lblLoading", "Panel1", 40, 40, 441, 16, alNone, akLeftTop,
           {{"AutoSize", "False"}, {"ShowAccelChar", "False"}, {"Transparent", "True"}, {"Caption", "Initializing..."}}, {}},
      }};
  return Layout;
}

double SystemNow() {
  SYSTEMTIME T;
  GetLocalTime(&T);
  FILETIME F;
  SystemTimeToFileTime(&T, &F);
  const ULONGLONG Ticks = (static_cast<ULONGLONG>(F.dwHighDateTime) << 32) | F.dwLowDateTime;  // 100 ns since 1601
  return static_cast<double>(Ticks) / 864000000000.0 - 109205.0;  // days since 30 Dec 1899
}

TStatusClock& Clock() {
  static TStatusClock C = SystemNow;
  return C;
}

double LastPumpTime = 0;

}  // namespace

void SetStatusClock(TStatusClock NewClock) { Clock() = NewClock ? std::move(NewClock) : TStatusClock(SystemNow); }

TfrmLoading::TfrmLoading(TComponent* AOwner) : TForm(AOwner) {
  RegisterComponentClass(TGradientPanel::StaticClassInfo());
  RegisterComponentClass(TRxLabel::StaticClassInfo());
  RegisterHandler(this, "FormCreate", &TfrmLoading::FormCreate);
  RegisterHandler(this, "FormShow", &TfrmLoading::FormShow);
  RegisterHandler(this, "FormDestroy", &TfrmLoading::FormDestroy);
  InitLayout(LoadingLayout());
  Show();
}

TfrmLoading::~TfrmLoading() {
  if (frmLoading == this) frmLoading = nullptr;
}

void TfrmLoading::FormCreate(TObject*) {
  ApplySystemFont(this, *CreateMessageFont());
  if (auto* Panel = dynamic_cast<TWinControl*>(FindComponent("Panel1"))) Panel->DoubleBuffered = true;
  if (auto* Title = dynamic_cast<TControl*>(FindComponent("lblTitle"))) Title->SetCaption(Format("Starting %s", {ProductTitle}));
}

void TfrmLoading::FormShow(TObject*) {
  Update();
  Application->ProcessMessages();
}

void TfrmLoading::FormDestroy(TObject*) { Application->SetTitle(ProductTitle); }

void CheckWindowsVersion() {
  OSVERSIONINFOA Version{};
  Version.dwOSVersionInfoSize = sizeof(Version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&Version);
#pragma GCC diagnostic pop
  if (Version.dwPlatformId == VER_PLATFORM_WIN32_NT && Version.dwMajorVersion < 5) {
    MessageBoxA(GetDesktopWindow(),
                "Your version of Microsoft Windows NT is not supported.\r\n"
                "Corvane requires Windows 98/Me/2000/XP or later to run properly.\r\n\r\n"
                "\x95 Press OK to close the application.",
                ProductTitle, MB_OK | MB_ICONEXCLAMATION);
    std::exit(0);
  }
  frmLoading = new TfrmLoading(Application);
}

void FreeLoadingForm() {
  TfrmLoading* Form = frmLoading;
  frmLoading = nullptr;
  delete Form;
}

void ResetStatusPump() { LastPumpTime = Clock()(); }

void ShowStatus(const std::string& Text) {
  if (!frmLoading) return;
  if (auto* Label = dynamic_cast<TControl*>(frmLoading->FindComponent("lblLoading"))) Label->SetCaption(Text + "...");
  PumpPaintMessagesWhenDue();
}

bool PumpPaintMessagesWhenDue() {
  const double Now = Clock()();
  const double Span = std::fabs(Now - LastPumpTime) * 86400000.0;
  if (Span <= 60) return false;
  LastPumpTime = Now;
  PumpPaintMessages();
  return true;
}

void PumpPaintMessages() {
  // Each paint message is taken by the look that finds it: a look without removing followed by a
  // GetMessageA waits for ever when the window is validated in between (a message sent by another
  // thread, handled inside the wait, may paint it). A quit taken here goes back to the queue.
  MSG Msg;
  while (PeekMessageA(&Msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
    if (Msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(Msg.wParam));
      return;
    }
    DispatchMessageA(&Msg);
  }
}

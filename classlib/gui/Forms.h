// Forms, frames and their layout tables, the application object with its message loop and error
// handling, and the screen object (forms, active form and control, cursors, metrics).
#pragma once

#include "classlib/gui/Controls.h"

#include <any>
#include <map>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Layout tables: the stand-in for stored form resources.

struct TLayoutValue {
  const char* Name;
  const char* Value;  // a property's text, or the name of a handler the root registered
};

struct TLayoutComponent {
  const char* ClassName;  // a registered component class ("TButton", a frame's class)
  const char* Name;
  const char* Parent;     // "" or nullptr: the root
  int Left = 0, Top = 0, Width = 0, Height = 0;
  TAlign Align = alNone;
  TAnchors Anchors = akLeftTop;
  std::vector<TLayoutValue> Properties;
  std::vector<TLayoutValue> Events;
};

struct TLayout {
  const char* ClassName;    // "TfrmMain"; the form's window class
  const char* ParentClass;  // "TForm", "TFrame" or another layout's class
  std::vector<TLayoutValue> Properties;  // of the root
  std::vector<TLayoutValue> Events;      // of the root
  std::vector<TLayoutComponent> Components;
};

// Component classes that layouts can name (the library's own are known already).
void RegisterComponentClass(const TClassInfo& Info);
const TClassInfo* FindComponentClass(const std::string& ClassName);

// Called once per outermost layout load, after every Loaded and before OnCreate, with the root.
using TLayoutLoadedHandler = std::function<void(TComponent* Root)>;
int AddLayoutLoadedHandler(TLayoutLoadedHandler Handler);  // an id for RemoveLayoutLoadedHandler
void RemoveLayoutLoadedHandler(int Id);

// A form or frame made from a layout: its class chain, and the handlers its layout names.
class TLayoutRoot {
public:
  virtual ~TLayoutRoot() = default;
  // Makes the handler Name of the layout's events from a method of the root's class.
  template <class R, class... A>
  void RegisterHandlerFn(const std::string& Name, std::function<R(A...)> Fn) {
    FHandlers[UpperCase(Name)] = std::move(Fn);
  }
  const std::any* FindHandler(const std::string& Name) const;
  const TClassInfo& LayoutClassInfo() const { return FLayoutInfo; }

protected:
  // Builds the components of Layout in the root (see LoadLayout).
  void LoadLayoutInto(TComponent* Root, const TClassInfo& Base, const TLayout& Layout);
  TClassInfo FLayoutInfo;
  bool FHasLayout = false;

private:
  std::map<std::string, std::any> FHandlers;
};

// Registers Method of Self as the handler Name (TObject* Sender, ...).
template <class T, class R, class... A>
void RegisterHandler(T* Self, const std::string& Name, R (T::*Method)(A...)) {
  Self->RegisterHandlerFn(Name, std::function<R(A...)>([Self, Method](A... Args) { return (Self->*Method)(Args...); }));
}

// ---------------------------------------------------------------------------------------------
// Forms

enum TFormBorderStyle { bsNoneForm, bsSingleForm, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = unsigned;
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poMainFormCenter, poOwnerFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
                       mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TCustomForm : public TCustomControl, public TLayoutRoot {
public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return FHasLayout ? &FLayoutInfo : &StaticClassInfo(); }
  std::string ClassName() const override;

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  TPosition Position = poDesigned;
  TWindowState WindowState();
  void SetWindowState(TWindowState Value);
  bool KeyPreview = false;
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  bool Active() const { return FActive; }

  void Close();
  bool CloseQuery();
  // Shows the form modally: the other windows of the thread are disabled until ModalResult is set.
  virtual TModalResult ShowModal();
  TModalResult ModalResult = mrNone;
  bool Modal() const { return FModal; }
  void Release();  // freed once the current message is done

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate;
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;

  void SetFocusedControl(TWinControl* Control);
  bool SelectNext(TWinControl* Current, bool GoForward);
  // Tab and the default or cancel button of a key-down; true when the form took it.
  bool DialogKeyDown(MSG& Msg, TWinControl* Target);
  // Enter or Escape offered to the form's controls (the default and cancel buttons): true when taken.
  bool DispatchDialogKey(WORD Key, TShiftState Shift);
  // An accelerator character: true when a control of the form acted on it.
  bool DialogCharOf(char Key);
  void SetVisible(bool Value) override;
  void WndProc(TMessage& Message) override;
  void SysColorChange() override;
  void SystemFontChange() override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // Loads Layout (the form's components, properties and handlers) and runs OnCreate.
  void InitLayout(const TLayout& Layout);
  void DoShow();
  void DoHide();
  void DoClose(TCloseAction& Action);

private:
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons = 7;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  bool FActive = false, FModal = false, FShown = false;
  TWindowState FWindowState = wsNormal;
  void PlaceOnFirstShow();
};

class TForm : public TCustomForm {
public:
  using TCustomForm::TCustomForm;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return FHasLayout ? &FLayoutInfo : &StaticClassInfo(); }
};

// A frame: a container loaded from its own layout, placed on forms.
class TFrame : public TCustomControl, public TLayoutRoot {
public:
  explicit TFrame(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return FHasLayout ? &FLayoutInfo : &StaticClassInfo(); }
  std::string ClassName() const override;

protected:
  void InitLayout(const TLayout& Layout);
};

// ---------------------------------------------------------------------------------------------
// Application

using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using THelpEvent = std::function<bool(WORD Command, LONG_PTR Data, bool& CallHelp)>;
// A hook on the application window's messages: true when handled.
using TWindowHook = std::function<bool(TMessage& Message)>;

class TApplication : public TComponent {
public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  void Initialize();
  // Makes a form of class T owned by the application; the first becomes MainForm.
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = new T(this);
    if (!FMainForm) FMainForm = Reference;
  }
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Handles the waiting messages, then returns.
  void ProcessMessages();
  // One step: a message, or, with none waiting, the idle handling and a wait.
  void HandleMessage();
  void HandleException(TObject* Sender);  // inside a catch block: the exception being handled
  void ShowException(Exception& E);
  int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags);
  void Minimize();
  void Restore();
  bool IsIconic();

  HWND Handle();
  TCustomForm* MainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* Form) { FMainForm = Form; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value);
  bool ShowMainForm = true;
  std::string HintText;

  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  THelpEvent OnHelp;
  // Set by the actions' owner: a key-down (posted or real) offered before anything else; true eats it.
  std::function<bool(MSG& Msg)> ShortCutHook;
  // Set by the actions' owner: the update of the actions, run whenever the queue is empty.
  std::function<void()> ActionUpdateHook;

  // Hints: once the mouse has rested HintPause ms on a control with ShowHint and a hint, the hint
  // window shows its short hint below the pointer; it goes when the mouse leaves the control, on a
  // button or key, or after HintHidePause ms. HintText follows the long hint of the control under
  // the mouse.
  bool ShowHint = true;
  int HintPause = 500;
  int HintHidePause = 2500;
  void CancelHint();
  // The hint window (class "THintWindow"), made when first shown; its text is the hint shown.
  HWND HintWindow() const { return FHintWindow; }
  // A step of the hint's timer: follows the control under the mouse, shows and hides the hint.
  void HintTick();

  void HookMainWindow(TWindowHook Hook);
  // The keyboard steps of the loop: shortcut hook, dialog keys; true when the key was taken.
  bool IsKeyMsg(MSG& Msg);
  // A step of a nested loop took WM_QUIT: it is posted again and the loop ends.
  bool QuitTaken() const { return FQuitTaken; }

private:
  friend class TApplicationEvents;
  HWND FHandle = nullptr;
  TCustomForm* FMainForm = nullptr;
  std::string FTitle;
  bool FTerminated = false, FQuitTaken = false;
  int FQuitCode = 0;
  std::vector<TWindowHook> FWindowHooks;
  HWND FHintWindow = nullptr;
  HFONT FHintFont = nullptr;
  TControl* FHintControl = nullptr;  // compared only: it may have been freed since
  DWORD FHintSince = 0;
  bool FHintShown = false;
  bool FHintTimer = false;
  void HintMouseMove();
  void ActivateHint(const std::string& Text);
  void HideHintWindow();
  bool ProcessMessage(MSG& Msg);
  void Idle();
  void WndProc(TMessage& Message);
  static LRESULT CALLBACK AppWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
};

// Forwards the application's events to its own handlers; several may exist.
class TApplicationEvents : public TComponent {
public:
  explicit TApplicationEvents(TComponent* AOwner);
  ~TApplicationEvents() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
};

// ---------------------------------------------------------------------------------------------
// Screen

class TScreen : public TComponent {
public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int Index) const { return FForms.at(static_cast<size_t>(Index)); }
  TCustomForm* ActiveForm() const { return FActiveForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // The cursor of the number; crDefault's (the arrow) for an unknown one.
  HCURSOR Cursors(int Index) const;
  // Enters Cursor under Index; the table owns it (a shared cursor is never destroyed).
  void SetCursors(int Index, HCURSOR Cursor);
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  int PixelsPerInch() const { return TFont::ScreenPixelsPerInch(); }

private:
  friend class TCustomForm;
  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TCursor FCursor = crDefault;
  std::map<int, HCURSOR> FCursors;
};

extern TApplication* Application;
extern TScreen* Screen;

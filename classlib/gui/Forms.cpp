// Forms, frames, layout loading, the application object and the screen object.
#include "classlib/gui/Forms.h"

#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/Menus.h"
#include "classlib/gui/StdCtrls.h"
#include "classlib/gui/TreeView.h"

#include <commctrl.h>

#include <algorithm>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

// The application and screen objects exist before any other unit's start-up runs.
struct TGuiGlobals {
  TGuiGlobals() {
    Screen = new TScreen(nullptr);
    Application = new TApplication(nullptr);
  }
  ~TGuiGlobals() {
    try {
      delete Application;
      delete Screen;
    } catch (...) {
    }
    Application = nullptr;
    Screen = nullptr;
  }
};
TGuiGlobals GuiGlobals __attribute__((init_priority(200)));

std::map<std::string, const TClassInfo*>& ClassRegistry() {
  static std::map<std::string, const TClassInfo*> Registry = [] {
    std::map<std::string, const TClassInfo*> R;
    for (const TClassInfo* Info :
         {&TLabel::StaticClassInfo(), &TButton::StaticClassInfo(), &TCheckBox::StaticClassInfo(),
          &TRadioButton::StaticClassInfo(), &TEdit::StaticClassInfo(), &TMemo::StaticClassInfo(),
          &TComboBox::StaticClassInfo(), &TGroupBox::StaticClassInfo(), &TPanel::StaticClassInfo(),
          &TImage::StaticClassInfo(), &TSplitter::StaticClassInfo(), &TTimer::StaticClassInfo(),
          &TPageControl::StaticClassInfo(), &TTabSheet::StaticClassInfo(), &TUpDown::StaticClassInfo(),
          &TApplicationEvents::StaticClassInfo(), &TForm::StaticClassInfo(), &TFrame::StaticClassInfo(),
          &TImageList::StaticClassInfo(), &TActionList::StaticClassInfo(), &TAction::StaticClassInfo(),
          &TPopupMenu::StaticClassInfo(), &TMenuItem::StaticClassInfo(), &TTreeView::StaticClassInfo()})
      R[UpperCase(Info->Name)] = Info;
    return R;
  }();
  return Registry;
}

std::map<int, TLayoutLoadedHandler>& LayoutLoadedHandlers() {
  static std::map<int, TLayoutLoadedHandler> Handlers;
  return Handlers;
}

int LoadDepth = 0;

std::vector<TApplicationEvents*>& AppEvents() {
  static std::vector<TApplicationEvents*> List;
  return List;
}

// Calls Fn for every control inside Parent, depth first.
template <class F>
void ForEachControl(TWinControl* Parent, F&& Fn) {
  for (int I = 0; I < Parent->ControlCount(); ++I) {
    TControl* C = Parent->Controls(I);
    Fn(C);
    if (auto* W = dynamic_cast<TWinControl*>(C)) ForEachControl(W, Fn);
  }
}

}  // namespace

void RegisterComponentClass(const TClassInfo& Info) { ClassRegistry()[UpperCase(Info.Name)] = &Info; }

const TClassInfo* FindComponentClass(const std::string& ClassName) {
  const auto It = ClassRegistry().find(UpperCase(ClassName));
  return It == ClassRegistry().end() ? nullptr : It->second;
}

int AddLayoutLoadedHandler(TLayoutLoadedHandler Handler) {
  static int NextId = 0;
  LayoutLoadedHandlers()[++NextId] = std::move(Handler);
  return NextId;
}

void RemoveLayoutLoadedHandler(int Id) { LayoutLoadedHandlers().erase(Id); }

// ---------------------------------------------------------------------------------------------
// Layout loading

const std::any* TLayoutRoot::FindHandler(const std::string& Name) const {
  const auto It = FHandlers.find(UpperCase(Name));
  return It == FHandlers.end() ? nullptr : &It->second;
}

void TLayoutRoot::LoadLayoutInto(TComponent* Root, const TClassInfo& Base, const TLayout& Layout) {
  const TClassInfo* ParentInfo = Layout.ParentClass ? FindComponentClass(Layout.ParentClass) : nullptr;
  FLayoutInfo.Name = Layout.ClassName;
  FLayoutInfo.Parent = ParentInfo ? ParentInfo : &Base;
  FHasLayout = true;
  struct TDepth {
    TDepth() { ++LoadDepth; }
    ~TDepth() { --LoadDepth; }
  } Depth;
  Root->SetLoading();
  std::vector<TComponent*> Created;
  struct TReference {
    TComponent* Component;
    std::string Name, Value;
  };
  std::vector<TReference> References;
  auto Apply = [&](TComponent* C, const std::vector<TLayoutValue>& Properties, const std::vector<TLayoutValue>& Events) {
    for (const TLayoutValue& V : Properties) {
      TObject* Owner = nullptr;
      const TPropInfo* P = FindPropPath(C, V.Name, Owner);
      if (!P || !P->Set) throw EPropertyError("Unknown property: %s.%s", {C->Name(), V.Name});
      if (P->Kind == pkComponent)
        References.push_back({C, V.Name, V.Value});
      else
        P->Set(Owner, V.Value);
    }
    for (const TLayoutValue& E : Events) {
      const std::any* Handler = FindHandler(E.Value);
      if (!Handler) throw EPropertyError("Handler not found: %s", {std::string(E.Value)});
      BindEvent(C, E.Name, *Handler);
    }
  };
  Apply(Root, Layout.Properties, Layout.Events);
  for (const TLayoutComponent& Item : Layout.Components) {
    const TClassInfo* Info = FindComponentClass(Item.ClassName);
    if (!Info || !Info->Create) throw EClassNotFound("Class %s not found", {std::string(Item.ClassName)});
    TComponent* C = Info->Create(Root);
    C->SetLoading();
    C->SetName(Item.Name);
    Created.push_back(C);
    if (auto* Control = dynamic_cast<TControl*>(C)) {
      TWinControl* Parent = (Item.Parent && *Item.Parent) ? dynamic_cast<TWinControl*>(Root->FindComponent(Item.Parent))
                                                          : dynamic_cast<TWinControl*>(Root);
      if (!Parent) throw EPropertyError("Parent not found: %s", {std::string(Item.Parent ? Item.Parent : "")});
      Control->SetBounds(Item.Left, Item.Top, Item.Width, Item.Height);
      Control->SetAlign(Item.Align);
      Control->SetAnchors(Item.Anchors);
      Control->SetParent(Parent);
    }
    Apply(C, Item.Properties, Item.Events);
  }
  for (const TReference& R : References) SetPropText(R.Component, R.Name, R.Value);
  Root->Loaded();
  for (TComponent* C : Created) C->Loaded();
  if (LoadDepth == 1)
    for (const auto& [Id, Handler] : std::map<int, TLayoutLoadedHandler>(LayoutLoadedHandlers())) Handler(Root);
}

// ---------------------------------------------------------------------------------------------
// TCustomForm

const TClassInfo& TCustomForm::StaticClassInfo() {
  static const TClassInfo Info{
      "TCustomForm",
      &TCustomControl::StaticClassInfo(),
      {EnumProp<TCustomForm, TFormBorderStyle>(
           "BorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
           &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle),
       SetOfProp<TCustomForm>("BorderIcons", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"},
                              &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons),
       EnumProp<TCustomForm, TPosition>("Position",
                                        {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                         "poScreenCenter", "poMainFormCenter", "poOwnerFormCenter"},
                                        [](TCustomForm& F) { return F.Position; },
                                        [](TCustomForm& F, TPosition V) { F.Position = V; }),
       EnumProp<TCustomForm, TWindowState>("WindowState", {"wsNormal", "wsMinimized", "wsMaximized"},
                                           &TCustomForm::WindowState, &TCustomForm::SetWindowState),
       BoolProp<TCustomForm>("KeyPreview", [](TCustomForm& F) { return F.KeyPreview; },
                             [](TCustomForm& F, bool V) { F.KeyPreview = V; }),
       ComponentProp<TCustomForm, TWinControl>("ActiveControl", &TCustomForm::ActiveControl,
                                               &TCustomForm::SetActiveControl)},
      {EventProp<TCustomForm>("OnCreate", &TCustomForm::OnCreate),
       EventProp<TCustomForm>("OnDestroy", &TCustomForm::OnDestroy),
       EventProp<TCustomForm>("OnShow", &TCustomForm::OnShow), EventProp<TCustomForm>("OnHide", &TCustomForm::OnHide),
       EventProp<TCustomForm>("OnActivate", &TCustomForm::OnActivate),
       EventProp<TCustomForm>("OnDeactivate", &TCustomForm::OnDeactivate),
       EventProp<TCustomForm>("OnCloseQuery", &TCustomForm::OnCloseQuery),
       EventProp<TCustomForm>("OnClose", &TCustomForm::OnClose)},
      {}};
  return Info;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
  FVisible = false;
  SetParentFont(false);
  SetColor(clBtnFace);
  FWidth = 320;
  FHeight = 240;
  if (Screen) Screen->FForms.push_back(this);
}

TCustomForm::~TCustomForm() {
  if (OnDestroy) CallGuarded([&] { OnDestroy(this); });
  if (Screen) {
    auto& Forms = Screen->FForms;
    Forms.erase(std::remove(Forms.begin(), Forms.end(), this), Forms.end());
    if (Screen->FActiveForm == this) {
      Screen->FActiveForm = nullptr;
      Screen->FActiveControl = nullptr;
    }
  }
  if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
}

std::string TCustomForm::ClassName() const { return FHasLayout ? FLayoutInfo.Name : TCustomControl::ClassName(); }

void TCustomForm::InitLayout(const TLayout& Layout) {
  LoadLayoutInto(this, TForm::StaticClassInfo(), Layout);
  if (OnCreate) CallGuarded([&] { OnCreate(this); });
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (Value == FBorderIcons) return;
  FBorderIcons = Value;
  RecreateWnd();
}

TWindowState TCustomForm::WindowState() {
  if (HandleAllocated() && IsWindowVisible(FHandle))
    return IsIconic(FHandle) ? wsMinimized : IsZoomed(FHandle) ? wsMaximized : wsNormal;
  return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState Value) {
  FWindowState = Value;
  if (HandleAllocated() && IsWindowVisible(FHandle))
    ShowWindow(FHandle, Value == wsMinimized ? SW_MINIMIZE : Value == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

void TCustomForm::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  P.ExStyle = 0;
  switch (FBorderStyle) {
    case bsNoneForm: P.Style |= WS_POPUP; break;
    case bsSingleForm: P.Style |= WS_CAPTION; break;
    case bsSizeable: P.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog: P.Style |= WS_POPUP | WS_CAPTION; P.ExStyle |= WS_EX_DLGMODALFRAME; break;
    case bsToolWindow: P.Style |= WS_CAPTION; P.ExStyle |= WS_EX_TOOLWINDOW; break;
    case bsSizeToolWin: P.Style |= WS_CAPTION | WS_THICKFRAME; P.ExStyle |= WS_EX_TOOLWINDOW; break;
  }
  if (FBorderStyle != bsNoneForm && (FBorderIcons & (1u << biSystemMenu))) {
    P.Style |= WS_SYSMENU;
    if (FBorderStyle == bsSingleForm || FBorderStyle == bsSizeable) {
      if (FBorderIcons & (1u << biMinimize)) P.Style |= WS_MINIMIZEBOX;
      if (FBorderIcons & (1u << biMaximize)) P.Style |= WS_MAXIMIZEBOX;
    }
  }
  P.WndParent = nullptr;
  if (Application && Application->MainForm() == this) {
    P.ExStyle |= WS_EX_APPWINDOW;
  } else if (Application) {
    TCustomForm* Main = Application->MainForm();
    P.WndParent = Main && Main->HandleAllocated() ? Main->Handle() : Application->Handle();
  }
}

void TCustomForm::CreateWnd() {
  TCustomControl::CreateWnd();
  SetWindowTextA(FHandle, FText.c_str());
}

void TCustomForm::PlaceOnFirstShow() {
  if (FShown) return;
  FShown = true;
  RECT Area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (Position == poMainFormCenter || Position == poOwnerFormCenter) {
    TCustomForm* Main = Application ? Application->MainForm() : nullptr;
    if (Main && Main != this && Main->HandleAllocated()) GetWindowRect(Main->Handle(), &Area);
  } else if (Position != poScreenCenter) {
    return;
  }
  SetBounds(Area.left + (Area.right - Area.left - Width()) / 2, Area.top + (Area.bottom - Area.top - Height()) / 2,
            Width(), Height());
}

void TCustomForm::DoShow() {
  if (OnShow) CallGuarded([&] { OnShow(this); });
}

void TCustomForm::DoHide() {
  if (OnHide) CallGuarded([&] { OnHide(this); });
}

void TCustomForm::SetVisible(bool Value) {
  if (Value == Visible()) return;
  if (Value) {
    HandleNeeded();
    PlaceOnFirstShow();
    DoShow();
    TControl::SetVisible(true);
    ShowWindow(FHandle, FWindowState == wsMaximized   ? SW_SHOWMAXIMIZED
                        : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                                                      : SW_SHOWNORMAL);
    if (!FModal) SetForegroundWindow(FHandle);
  } else {
    DoHide();
    TControl::SetVisible(false);
    if (HandleAllocated()) ShowWindow(FHandle, SW_HIDE);
  }
}

bool TCustomForm::CloseQuery() {
  bool CanClose = true;
  if (OnCloseQuery && !CallGuarded([&] { OnCloseQuery(this, CanClose); })) CanClose = false;
  return CanClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) CallGuarded([&] { OnClose(this, Action); });
}

void TCustomForm::Close() {
  if (FModal) {
    ModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction Action = (Application && Application->MainForm() == this) ? caFree : caHide;
  DoClose(Action);
  switch (Action) {
    case caNone: break;
    case caHide: Hide(); break;
    case caMinimize: if (HandleAllocated()) ShowWindow(FHandle, SW_MINIMIZE); break;
    case caFree:
      if (Application && Application->MainForm() == this)
        Application->Terminate();
      else
        Release();
      break;
  }
}

void TCustomForm::Release() {
  static const HWND Releaser = AllocateHWnd([](TMessage& M) {
    if (M.Msg == WM_APP)
      delete reinterpret_cast<TCustomForm*>(M.LParam);
    else
      M.Result = DefWindowProcA(nullptr, M.Msg, M.WParam, M.LParam);
  });
  Hide();
  PostMessageA(Releaser, WM_APP, 0, reinterpret_cast<LPARAM>(this));
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || FModal) throw EInvalidOperation("Cannot make a visible window modal");
  if (GetCapture()) SendMessageA(GetCapture(), WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  const HWND ActiveWindow = GetActiveWindow();
  FModal = true;
  HandleNeeded();
  if (ActiveWindow && ActiveWindow != FHandle) SetWindowLongPtrA(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ActiveWindow));
  // Every other enabled window of the thread is disabled meanwhile.
  std::vector<HWND> Disabled;
  EnumThreadWindowsGuarded(GetCurrentThreadId(), [&](HWND Wnd) {
    if (Wnd != FHandle && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
      Disabled.push_back(Wnd);
      EnableWindow(Wnd, FALSE);
    }
    return true;
  });
  ModalResult = mrNone;
  try {
    Show();
    SetForegroundWindow(FHandle);
    for (;;) {
      Application->HandleMessage();
      if (Application->Terminated()) {
        if (Application->QuitTaken()) PostQuitMessage(0);
        ModalResult = mrCancel;
        break;
      }
      if (ModalResult != mrNone) {
        TCloseAction Action = caHide;
        if (!CloseQuery()) {
          ModalResult = mrNone;
          continue;
        }
        DoClose(Action);
        if (Action == caNone) {
          ModalResult = mrNone;
          continue;
        }
        break;
      }
    }
  } catch (...) {
    for (HWND Wnd : Disabled) EnableWindow(Wnd, TRUE);
    FModal = false;
    throw;
  }
  for (HWND Wnd : Disabled) EnableWindow(Wnd, TRUE);
  if (ActiveWindow && IsWindow(ActiveWindow)) SetActiveWindow(ActiveWindow);
  FModal = false;
  Hide();
  return ModalResult;
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (Control == nullptr) {
    if (Screen && Screen->FActiveControl == FActiveControl) Screen->FActiveControl = nullptr;
    FActiveControl = nullptr;
    FFocusedControl = nullptr;
    return;
  }
  FActiveControl = Control;
  if (HandleAllocated() && FActive && Control->CanFocus()) Control->SetFocus();
}

void TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (Control == FFocusedControl) return;
  TWinControl* Old = FFocusedControl;
  FFocusedControl = Control;
  FActiveControl = Control;
  if (Screen && Screen->FActiveForm == this) Screen->FActiveControl = Control;
  if (Old) Old->DoExit();
  if (Control) Control->DoEnter();
  ForEachControl(this, [&](TControl* C) { C->FocusChanged(Control); });
}

bool TCustomForm::SelectNext(TWinControl* Current, bool GoForward) {
  TWinControl* Next = FindNextControl(Current, GoForward, true);
  if (!Next) return false;
  Next->SetFocus();
  return true;
}

bool TCustomForm::DialogKeyDown(MSG& Msg, TWinControl* Target) {
  const WORD Key = static_cast<WORD>(Msg.wParam);
  if (Key != VK_TAB && Key != VK_RETURN && Key != VK_ESCAPE) return false;
  const TShiftState Shift = KeyboardShift();
  if (Shift & (ssAlt | ssCtrl)) return false;
  const LRESULT Code = SendMessageA(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&Msg));
  if (Code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
  if (Key == VK_TAB) {
    if (Code & DLGC_WANTTAB) return false;
    SelectNext(Target == this ? nullptr : Target, !(Shift & ssShift));
    return true;
  }
  return DispatchDialogKey(Key, Shift);
}

bool TCustomForm::DispatchDialogKey(WORD Key, TShiftState Shift) {
  bool Taken = false;
  ForEachControl(this, [&](TControl* C) {
    if (!Taken && C->Visible() && C->EnabledInTree()) Taken = C->DialogKey(Key, Shift);
  });
  return Taken;
}

bool TCustomForm::DialogCharOf(char Key) {
  bool Taken = false;
  ForEachControl(this, [&](TControl* C) {
    if (!Taken && C->Showing() && C->EnabledInTree()) Taken = C->DialogChar(Key);
  });
  return Taken;
}

void TCustomForm::SysColorChange() { TCustomControl::SysColorChange(); }
void TCustomForm::SystemFontChange() { TCustomControl::SystemFontChange(); }

void TCustomForm::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_CLOSE: Close(); return;
    case WM_ACTIVATE:
      if (LOWORD(M.WParam) != WA_INACTIVE) {
        FActive = true;
        if (Screen) {
          Screen->FActiveForm = this;
          Screen->FActiveControl = FActiveControl;
        }
        if (OnActivate) OnActivate(this);
        if (!HIWORD(M.WParam)) {
          TWinControl* Target = FActiveControl && FActiveControl->CanFocus() ? FActiveControl : FindNextControl(nullptr, true, true);
          if (Target) {
            ::SetFocus(Target->Handle());
            return;
          }
        }
      } else {
        FActive = false;
        if (OnDeactivate) OnDeactivate(this);
      }
      break;
    case WM_SETFOCUS:
      if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) {
        ::SetFocus(FActiveControl->Handle());
        return;
      }
      break;
    default: break;
  }
  TCustomControl::WndProc(M);
}

const TClassInfo& TForm::StaticClassInfo() {
  static const TClassInfo Info{"TForm", &TCustomForm::StaticClassInfo(), {}, {}, {}};
  return Info;
}

// ---------------------------------------------------------------------------------------------
// TFrame

const TClassInfo& TFrame::StaticClassInfo() {
  static const TClassInfo Info{"TFrame", &TCustomControl::StaticClassInfo(), {}, {}, {}};
  return Info;
}

TFrame::TFrame(TComponent* AOwner) : TCustomControl(AOwner) {
  SetParentColor(true);
  TabStop = false;
}

std::string TFrame::ClassName() const { return FHasLayout ? FLayoutInfo.Name : TCustomControl::ClassName(); }

void TFrame::InitLayout(const TLayout& Layout) { LoadLayoutInto(this, TFrame::StaticClassInfo(), Layout); }

// ---------------------------------------------------------------------------------------------
// TApplication

namespace {
constexpr UINT_PTR HintTimerId = 1;  // the hint's timer, on the application window
}  // namespace

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  INITCOMMONCONTROLSEX Init{sizeof(Init), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&Init);
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  FTitle = ChangeFileExt(ExtractFileName(Path), "");
}

TApplication::~TApplication() {
  // The forms (owned components) go first, while the application window still exists.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  if (FHintWindow) DestroyWindow(FHintWindow);
  if (FHintFont) DeleteObject(FHintFont);
  if (FHandle) DestroyWindow(FHandle);
}

void TApplication::Initialize() { Handle(); }

LRESULT CALLBACK TApplication::AppWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage M{Msg, WParam, LParam, 0};
  if (!Application || (Application->FHandle && Application->FHandle != Wnd)) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  // The creation messages arrive before CreateWindowExA returns: WndProc answers them for Wnd.
  if (!Application->FHandle) Application->FHandle = Wnd;
  if (!CallGuarded([&] { Application->WndProc(M); })) return 0;
  return M.Result;
}

void TApplication::WndProc(TMessage& M) {
  for (const TWindowHook& Hook : std::vector<TWindowHook>(FWindowHooks))
    if (Hook(M)) return;
  switch (M.Msg) {
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return;
    case WM_TIMER:
      if (M.WParam == HintTimerId) {
        HintTick();
        return;
      }
      [[fallthrough]];
    default: M.Result = DefWindowProcA(FHandle, M.Msg, M.WParam, M.LParam);
  }
}

HWND TApplication::Handle() {
  if (!FHandle) {
    static const ATOM Atom = [] {
      WNDCLASSA Class{};
      Class.lpfnWndProc = AppWndProc;
      Class.hInstance = GetModuleHandleA(nullptr);
      Class.hIcon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
      Class.lpszClassName = "TApplication";
      return RegisterClassA(&Class);
    }();
    (void)Atom;
    const HWND Wnd = CreateWindowExA(0, "TApplication", FTitle.c_str(),
                                     WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                     GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    FHandle = Wnd;
  }
  return FHandle;
}

void TApplication::SetTitle(const std::string& Value) {
  FTitle = Value;
  if (FHandle) SetWindowTextA(FHandle, Value.c_str());
}

void TApplication::HookMainWindow(TWindowHook Hook) { FWindowHooks.push_back(std::move(Hook)); }

void TApplication::Run() {
  Handle();
  if (FMainForm && ShowMainForm) CallGuarded([&] { FMainForm->Show(); });
  do {
    HandleMessage();
  } while (!FTerminated);
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    FQuitTaken = true;
    FQuitCode = static_cast<int>(Msg.wParam);
    return true;
  }
  CallGuarded([&] {
    switch (Msg.message) {
      case WM_MOUSEMOVE:
      case WM_NCMOUSEMOVE: HintMouseMove(); break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_NCLBUTTONDOWN:
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN: CancelHint(); break;
    }
    bool Handled = false;
    if (OnMessage) OnMessage(Msg, Handled);
    for (TApplicationEvents* E : std::vector<TApplicationEvents*>(AppEvents()))
      if (!Handled && E->OnMessage) E->OnMessage(Msg, Handled);
    if (!Handled && !IsKeyMsg(Msg)) {
      TranslateMessage(&Msg);
      DispatchMessageA(&Msg);
    }
  });
  return true;
}

// ---------------------------------------------------------------------------------------------
// Hints

namespace {

constexpr UINT HintPollMs = 100;  // while a hint may show

// The control whose hint applies at a screen point: the one there or its nearest parent with a hint,
// when that one shows hints.
TControl* HintControlAt(POINT P) {
  TControl* C = FindDragTarget(P, true);
  while (C && C->Hint().empty()) C = C->Parent();
  return C && C->ShowHint ? C : nullptr;
}

LRESULT CALLBACK HintWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  LRESULT Result = 0;
  if (!CallGuarded([&] {
        switch (Msg) {
          case WM_NCHITTEST: Result = HTTRANSPARENT; break;
          case WM_PAINT: {
            PAINTSTRUCT Ps;
            HDC DC = BeginPaint(Wnd, &Ps);
            RECT R;
            GetClientRect(Wnd, &R);
            FillRect(DC, &R, GetSysColorBrush(COLOR_INFOBK));
            char Text[1024] = {};
            GetWindowTextA(Wnd, Text, sizeof(Text));
            const HGDIOBJ OldFont = SelectObject(DC, reinterpret_cast<HFONT>(GetWindowLongPtrA(Wnd, 0)));
            SetBkMode(DC, TRANSPARENT);
            SetTextColor(DC, GetSysColor(COLOR_INFOTEXT));
            InflateRect(&R, -2, -1);
            DrawTextA(DC, Text, -1, &R, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
            SelectObject(DC, OldFont);
            EndPaint(Wnd, &Ps);
            break;
          }
          default: Result = DefWindowProcA(Wnd, Msg, WParam, LParam);
        }
      }))
    return 0;
  return Result;
}

}  // namespace

void TApplication::HintMouseMove() {
  if (!ShowHint && !FHintControl) return;
  HintTick();
}

void TApplication::HintTick() {
  POINT P;
  GetCursorPos(&P);
  TControl* Control = ShowHint ? HintControlAt(P) : nullptr;
  if (Control != FHintControl) {
    HideHintWindow();
    FHintControl = Control;
    FHintSince = GetTickCount();
    HintText = Control ? GetLongHint(Control->Hint()) : std::string();
  }
  if (!FHintControl) {
    if (FHintTimer) KillTimer(Handle(), HintTimerId);
    FHintTimer = false;
    return;
  }
  // The timer sees the mouse rest, and leave for windows of other programs, which send nothing here.
  if (!FHintTimer) FHintTimer = SetTimer(Handle(), HintTimerId, HintPollMs, nullptr) != 0;
  const DWORD Rested = GetTickCount() - FHintSince;
  if (!FHintShown && FHintSince && Rested >= static_cast<DWORD>(HintPause)) {
    ActivateHint(GetShortHint(Control->Hint()));
    FHintSince = GetTickCount();
  } else if (FHintShown && Rested >= static_cast<DWORD>(HintHidePause)) {
    CancelHint();
  }
}

void TApplication::CancelHint() {
  HideHintWindow();
  FHintSince = 0;  // not again until the mouse moves to another control
}

void TApplication::HideHintWindow() {
  if (FHintWindow && FHintShown) ShowWindow(FHintWindow, SW_HIDE);
  FHintShown = false;
}

void TApplication::ActivateHint(const std::string& Text) {
  if (Text.empty()) return;
  if (!FHintWindow) {
    static const ATOM Atom = [] {
      WNDCLASSA Class{};
      Class.style = CS_SAVEBITS;
      Class.lpfnWndProc = HintWndProc;
      Class.cbWndExtra = sizeof(LONG_PTR);
      Class.hInstance = GetModuleHandleA(nullptr);
      Class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
      Class.lpszClassName = "THintWindow";
      return RegisterClassA(&Class);
    }();
    (void)Atom;
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0);
    FHintFont = CreateFontIndirectA(&Metrics.lfStatusFont);
    FHintWindow = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "THintWindow", "", WS_POPUP | WS_BORDER, 0, 0, 0,
                                  0, Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(FHintWindow, 0, reinterpret_cast<LONG_PTR>(FHintFont));
  }
  SetWindowTextA(FHintWindow, Text.c_str());
  HDC DC = GetDC(FHintWindow);
  const HGDIOBJ OldFont = SelectObject(DC, FHintFont);
  RECT R{0, 0, Screen ? Screen->Width() / 3 : 300, 0};
  DrawTextA(DC, Text.c_str(), -1, &R, DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
  SelectObject(DC, OldFont);
  ReleaseDC(FHintWindow, DC);
  const int Width = R.right + 6, Height = R.bottom + 4;
  POINT P;
  GetCursorPos(&P);
  const int ScreenWidth = GetSystemMetrics(SM_CXSCREEN), ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  int X = P.x, Y = P.y + GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  if (X + Width > ScreenWidth) X = ScreenWidth - Width;
  if (Y + Height > ScreenHeight) Y = P.y - Height - 2;
  SetWindowPos(FHintWindow, HWND_TOPMOST, X < 0 ? 0 : X, Y < 0 ? 0 : Y, Width, Height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(FHintWindow, nullptr, TRUE);
  FHintShown = true;
}

void TApplication::HandleMessage() {
  MSG Msg;
  if (!ProcessMessage(Msg)) Idle();
}

void TApplication::ProcessMessages() {
  MSG Msg;
  while (ProcessMessage(Msg)) {
    if (Msg.message == WM_QUIT) {
      PostQuitMessage(FQuitCode);
      break;
    }
  }
}

void TApplication::Idle() {
  bool Done = true;
  CallGuarded([&] {
    if (ActionUpdateHook) ActionUpdateHook();
    if (OnIdle) OnIdle(this, Done);
    for (TApplicationEvents* E : std::vector<TApplicationEvents*>(AppEvents()))
      if (E->OnIdle) E->OnIdle(this, Done);
  });
  if (Done) WaitMessage();
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  if ((Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN) && ShortCutHook && ShortCutHook(Msg)) return true;
  TWinControl* Target = FindOwningControl(Msg.hwnd);
  if (!Target) return false;
  TCustomForm* Form = Target->ParentForm();
  if (!Form) return false;
  switch (Msg.message) {
    case WM_KEYDOWN: return Form->DialogKeyDown(Msg, Target);
    case WM_SYSCHAR: return Form->DialogCharOf(static_cast<char>(Msg.wParam));
    case WM_CHAR: {
      const LRESULT Code = SendMessageA(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&Msg));
      return !(Code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) &&
             Form->DialogCharOf(static_cast<char>(Msg.wParam));
    }
    default: return false;
  }
}

void TApplication::HandleException(TObject* Sender) {
  auto Report = [&](Exception& E) {
    std::vector<TExceptionEvent> Handlers;
    if (OnException) Handlers.push_back(OnException);
    for (TApplicationEvents* A : AppEvents())
      if (A->OnException) Handlers.push_back(A->OnException);
    if (Handlers.empty()) {
      ShowException(E);
      return;
    }
    for (const TExceptionEvent& H : Handlers) {
      try {
        H(Sender, E);
      } catch (EAbort&) {
      } catch (Exception& Inner) {
        ShowException(Inner);
      } catch (std::exception& Inner) {
        Exception X(Inner.what());
        ShowException(X);
      } catch (...) {
      }
    }
  };
  try {
    throw;
  } catch (EAbort&) {
  } catch (Exception& E) {
    Report(E);
  } catch (std::exception& E) {
    Exception X(E.what());
    Report(X);
  } catch (...) {
    Exception X("Unknown exception");
    Report(X);
  }
}

void TApplication::ShowException(Exception& E) { MessageBox(E.Message(), FTitle, MB_OK | MB_ICONSTOP); }

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  HWND Owner = nullptr;
  if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated()) Owner = Screen->ActiveForm()->Handle();
  if (!Owner && FMainForm && FMainForm->HandleAllocated() && FMainForm->Visible()) Owner = FMainForm->Handle();
  if (!Owner) Owner = Handle();
  return ::MessageBoxA(Owner, Text.c_str(), Caption.c_str(), Flags);
}

void TApplication::Minimize() {
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_MINIMIZE);
}

void TApplication::Restore() {
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_RESTORE);
}

bool TApplication::IsIconic() { return FMainForm && FMainForm->HandleAllocated() && ::IsIconic(FMainForm->Handle()); }

// ---------------------------------------------------------------------------------------------
// TApplicationEvents

const TClassInfo& TApplicationEvents::StaticClassInfo() {
  static const TClassInfo Info{"TApplicationEvents",
                               nullptr,
                               {StrProp<TApplicationEvents>("Name", &TApplicationEvents::Name, &TApplicationEvents::SetName)},
                               {EventProp<TApplicationEvents>("OnException", &TApplicationEvents::OnException),
                                EventProp<TApplicationEvents>("OnIdle", &TApplicationEvents::OnIdle),
                                EventProp<TApplicationEvents>("OnMessage", &TApplicationEvents::OnMessage)},
                               [](TComponent* Owner) -> TComponent* { return new TApplicationEvents(Owner); }};
  return Info;
}

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) { AppEvents().push_back(this); }

TApplicationEvents::~TApplicationEvents() {
  auto& L = AppEvents();
  L.erase(std::remove(L.begin(), L.end(), this), L.end());
}

// ---------------------------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  const std::pair<int, LPCSTR> BuiltIn[] = {{crDefault, IDC_ARROW}, {crArrow, IDC_ARROW},   {crIBeam, IDC_IBEAM},
                                            {crSizeWE, IDC_SIZEWE}, {crSizeNS, IDC_SIZENS}, {crHourGlass, IDC_WAIT},
                                            {crNo, IDC_NO},         {crHandPoint, IDC_HAND}, {crHSplit, IDC_SIZEWE},
                                            {crVSplit, IDC_SIZENS}};
  for (const auto& [Index, Id] : BuiltIn) FCursors[Index] = LoadCursorA(nullptr, Id);
}

TScreen::~TScreen() = default;

HCURSOR TScreen::Cursors(int Index) const {
  const auto It = FCursors.find(Index);
  return It != FCursors.end() && It->second ? It->second : FCursors.at(crDefault);
}

void TScreen::SetCursors(int Index, HCURSOR Cursor) { FCursors[Index] = Cursor; }

void TScreen::SetCursor(TCursor Value) {
  if (Value == FCursor) return;
  FCursor = Value;
  ::SetCursor(Cursors(Value));
}

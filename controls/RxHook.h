// Window hooks: TRxWindowHook components watch the messages of another control's window through
// one shared subclassing per control (TControlHook), kept in the program-wide THookList, and made
// again when the control's window is recreated.
#pragma once

#include "classlib/gui/Controls.h"

#include <functional>
#include <vector>

using THookMessageEvent = std::function<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

// Private requests to the hook list's utility window (lParam: the TControlHook).
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_RECREATEWINDOW = CM_BASE + 82;  // install the subclassing again
constexpr UINT CM_DESTROYHOOK = CM_BASE + 83;     // free the control hook when nothing uses it

class TRxWindowHook;

// The one subclassing of a control's window shared by the hook components attached to it.
class TControlHook : public TObject {
public:
  explicit TControlHook(TWinControl* AControl);
  ~TControlHook() override;
  TWinControl* Control() const { return FControl; }
  void SetControl(TWinControl* Value);
  const std::vector<TRxWindowHook*>& Hooks() const { return FHooks; }
  void AddHook(TRxWindowHook* Hook);
  void RemoveHook(TRxWindowHook* Hook);
  // Puts the hook's procedure in front of the window's; a hook already in the window's chain
  // (kept there because other code subclassed on top) is made active again instead.
  void HookControl();
  // Puts the previous procedure back when the hook's is still the window's; otherwise the hook
  // stays in the chain, passing messages on without notifications.
  void UnhookControl();
  bool Installed() const;

private:
  friend LRESULT CALLBACK HookWndProc(HWND, UINT, WPARAM, LPARAM);
  TWinControl* FControl = nullptr;
  HWND FWnd = nullptr;  // the window the subclassing was made on
  std::vector<TRxWindowHook*> FHooks;
  bool FDestroying = false;
  bool CanNotify() const;
  void Notify(TMessage& Msg, bool& Handled, bool After);
  void HandleMessage(HWND Wnd, TMessage& Msg, WNDPROC Prev);
};

// The program's control hooks; freed with the program.
class THookList {
public:
  static THookList& Instance();
  ~THookList();
  TControlHook* Find(TWinControl* Control) const;
  TControlHook* FindOrAdd(TWinControl* Control);
  bool Contains(const TControlHook* Hook) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  void PostRequest(UINT Msg, TControlHook* Hook);

private:
  THookList();
  std::vector<TControlHook*> FItems;
  HWND FWindow = nullptr;
  void WndProc(TMessage& Msg);
};

class TRxWindowHook : public TComponent {
public:
  explicit TRxWindowHook(TComponent* AOwner);
  ~TRxWindowHook() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  bool Active() const { return FActive; }
  void SetActive(bool Value);
  TWinControl* WinControl() const;
  void SetWinControl(TWinControl* Value);
  TControlHook* ControlHook() const { return FControlHook; }
  // Layout value: the watched control is the owner form.
  bool IsForm() const;
  void SetIsForm(bool Value);

  THookMessageEvent BeforeMessage, AfterMessage;
  virtual void DoBeforeMessage(TMessage& Msg, bool& Handled);
  virtual void DoAfterMessage(TMessage& Msg, bool& Handled);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  bool FActive = true;
  TWinControl* FWinControl = nullptr;
  TControlHook* FControlHook = nullptr;
  void HookControl();
  void UnhookControl();
};

// Common controls: the page control with its tab sheets, and the up-down buddy.
#pragma once

#include "classlib/gui/ExtCtrls.h"

#include <commctrl.h>

class TPageControl;

class TTabSheet : public TCustomControl {
public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  int PageIndex() const;
  bool TabVisible = true;
  void SetParent(TWinControl* AParent) override;
  void TextChanged() override;
  // Runs each time the page is shown.
  TNotifyEvent OnShow, OnHide;
  void VisibleChanged() override;

private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
};

enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int Index) const { return FPages.at(static_cast<size_t>(Index)); }
  TTabSheet* ActivePage() const { return FActivePage; }
  // Shows Page (hiding the others) without OnChange.
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }
  void SetActivePageIndex(int Index);
  TTabStyle Style() const { return FStyle; }
  void SetStyle(TTabStyle Value);
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value);
  // A user's switch of the tab: OnChanging may refuse, OnChange follows.
  std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;
  TNotifyEvent OnChange;
  RECT DisplayRect();

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notify(TMessage& Message) override;
  void AlignControls(TControl* AControl, RECT& Rect) override;

private:
  friend class TTabSheet;
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  TTabStyle FStyle = tsTabs;
  bool FHotTrack = false;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void UpdateTabs();
};

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };

// The up-down control, optionally attached to a buddy control.
class TUpDown : public TWinControl {
public:
  explicit TUpDown(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  int Min() const { return FMin; }
  void SetMin(int Value);
  int Max() const { return FMax; }
  void SetMax(int Value);
  int Position();
  void SetPosition(int Value);
  int Increment = 1;
  bool Wrap = false;
  TUDOrientation Orientation = udVertical;
  TWinControl* Associate() const { return FAssociate; }
  void SetAssociate(TWinControl* Value);
  std::function<void(TObject* Sender, TUDBtnType Button)> OnClick;
  std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notify(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  int FMin = 0, FMax = 100, FPosition = 0;
  TWinControl* FAssociate = nullptr;
};

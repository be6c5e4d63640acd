// Popup menus: items with captions, shortcuts, images, checks, breaks and actions, shown with
// TrackPopupMenu; a chosen item is dispatched once its menu has closed.
#pragma once

#include "classlib/gui/Controls.h"

#include <vector>

class TMenu;
class TPopupMenu;

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };

class TMenuItem : public TComponent, public TActionClient {
public:
  explicit TMenuItem(TComponent* AOwner);
  // Leaves its parent item; the children go with it.
  ~TMenuItem() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  // "&" marks the accelerator; "-" makes a separator.
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  TMenuBreak Break() const { return FBreak; }
  void SetBreak(TMenuBreak Value);
  // The images of this item's children (nullptr: those of the parent item or the menu).
  TCustomImageList* SubMenuImages() const { return FSubMenuImages; }
  void SetSubMenuImages(TCustomImageList* Value);
  TBasicAction* Action() const { return FAction; }
  void SetAction(TBasicAction* Value);
  TNotifyEvent OnClick;

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  TMenuItem* operator[](int Index) const { return Items(Index); }
  int IndexOf(const TMenuItem* Item) const;
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  // Takes the item out (it is not freed).
  void Delete(int Index);
  void Remove(TMenuItem* Item) { Delete(IndexOf(Item)); }
  // Frees every child.
  void Clear();
  TMenuItem* Parent() const { return FParent; }
  // The menu the item is in (through its parents); nullptr when none.
  TMenu* GetParentMenu() const;
  // The image list the item's image comes from.
  TCustomImageList* GetImageList() const;
  // The text of the system menu item: the caption, then a tab and the shortcut's text.
  std::string MenuText() const;
  // The command of the item in the system menu.
  UINT Command() const { return FCommand; }
  // The submenu of an item with children (made when first asked for).
  HMENU Handle();
  // Makes the children's system items again (they follow every change).
  void RebuildHandle();

  // The action, or OnClick.
  virtual void Click();
  void ActionChange(TBasicAction* Sender, bool CheckDefaults) override;
  // The item of a command of a system menu; nullptr for an unknown (or freed) one.
  static TMenuItem* FindCommand(UINT Command);
  // The item whose submenu is Menu; nullptr when none.
  static TMenuItem* FindSubMenu(HMENU Menu);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TMenu;
  std::string FCaption, FHint;
  bool FEnabled = true, FChecked = false, FVisible = true;
  TShortCut FShortCut = scNone;
  int FImageIndex = -1;
  TMenuBreak FBreak = mbNone;
  TCustomImageList* FSubMenuImages = nullptr;
  TBasicAction* FAction = nullptr;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item
  UINT FCommand;
  HMENU FHandle = nullptr;
  void MenuChanged();
};

class TMenu : public TComponent {
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  // The root item; its children are the menu's items.
  TMenuItem* Items() const { return FItems; }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  HMENU Handle() { return FItems->Handle(); }
  // Runs the item (submenus searched too) whose shortcut is Key, when it is still enabled and
  // keeps the key after its action's update; true when one ran.
  bool IsShortCut(TShortCut Key);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TMenuItem* FItems;
  TCustomImageList* FImages = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
public:
  explicit TPopupMenu(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TPopupAlignment Alignment = paLeft;
  bool AutoPopup = true;
  // The control whose right click or menu key showed the menu last.
  TComponent* PopupComponent = nullptr;
  // The screen point of the last Popup.
  POINT PopupPoint{};
  TNotifyEvent OnPopup;
  // Shows the menu at the screen point; returns once it has closed and the chosen item (if any)
  // has run.
  virtual void Popup(int X, int Y);
  // The window that owns the shown menus (draws item images, runs the idle updates meanwhile).
  static HWND Window();
};

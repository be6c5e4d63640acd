// The report-style list view over SysListView32: columns as a collection, items with sub-items
// and data kept in the object (the window asks for their texts and images), selection, update
// brackets and sorting through OnCompare.
#pragma once

#include "classlib/core/ImgList.h"
#include "classlib/gui/Controls.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCustomListView;
class TListItems;

class TListColumn : public TCollectionItem {
public:
  explicit TListColumn(TCollection* Collection = nullptr);
  // The published properties, reached as "Columns.(Index).Name" from the view.
  static const TClassInfo& StaticClassInfo();

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // The window's width once shown (an auto-sized column's share of the client width).
  int Width() const;
  void SetWidth(int Value);
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int Value);
  // Auto-sized columns share the client width left by the others.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  int Tag = 0;
  std::string DisplayName() const override { return FCaption; }

private:
  friend class TCustomListView;
  std::string FCaption;
  int FWidth = 50, FMinWidth = 0;
  bool FAutoSize = false;
  TCustomListView* ListView() const;
};

class TListColumns : public TOwnedCollection {
public:
  explicit TListColumns(TCustomListView* AOwner);
  ~TListColumns() override;
  TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
  TListColumn* Items(int Index) const { return static_cast<TListColumn*>(TCollection::Items(Index)); }
  TCustomListView* Owner() const { return FListView; }

protected:
  // Changes reach the window: one column, or all of them after an update bracket.
  void Update(TCollectionItem* Item) override;

private:
  TCustomListView* FListView;
};

enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };

class TListItem : public TPersistent {
public:
  TListItems* Owner() const { return FOwner; }
  TCustomListView* ListView() const;
  int Index() const;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // The texts of the columns after the first; a change is shown at once.
  TStringList* SubItems() { return &FSubItems; }
  void* Data() const { return FData; }
  void SetData(void* Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  bool Selected() const { return GetState(LVIS_SELECTED); }
  void SetSelected(bool Value) { SetState(LVIS_SELECTED, Value); }
  bool Focused() const { return GetState(LVIS_FOCUSED); }
  void SetFocused(bool Value) { SetState(LVIS_FOCUSED, Value); }
  // Scrolls the item into view (PartialOK: a partly visible item stays where it is).
  void MakeVisible(bool PartialOK);
  // The item's rectangle of that kind in client coordinates (empty without a window).
  RECT DisplayRect(TDisplayCode Code) const;
  void Delete();

private:
  friend class TListItems;
  friend class TCustomListView;
  explicit TListItem(TListItems* AOwner);
  TListItems* FOwner;
  std::string FCaption;
  TStringList FSubItems;
  void* FData = nullptr;
  int FImageIndex = -1;
  UINT FState = 0;  // selection and focus while there is no window
  mutable int FIndexHint = 0;
  bool GetState(UINT Mask) const;
  void SetState(UINT Mask, bool Value);
  void Redraw();
};

class TListItems : public TPersistent, public TStringsTarget {
public:
  explicit TListItems(TCustomListView* AOwner);
  ~TListItems() override;
  TCustomListView* Owner() const { return FOwner; }
  int Count() const { return static_cast<int>(FItems.size()); }
  TListItem* Item(int Index) const;
  TListItem* operator[](int Index) const { return Item(Index); }
  TListItem* Add() { return Insert(Count()); }
  TListItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int IndexOf(const TListItem* Item) const;
  // The window does not repaint inside a bracket; a sorted view sorts at its end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  // The items become one per line: the line as Caption, its object as Data.
  void FillFromStrings(const TStrings& Lines) override;

private:
  friend class TCustomListView;
  TCustomListView* FOwner;
  std::vector<std::unique_ptr<TListItem>> FItems;
  int FUpdateCount = 0;
};

enum TSortType { stNone, stData, stText, stBoth };
enum TItemChange { ctText, ctImage, ctState };

using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, LPARAM Data, int& Compare)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
// A sort procedure of CustomSort: the two items (TListItem pointers) and the sort's data.
using TLVCompare = int (*)(LPARAM Item1, LPARAM Item2, LPARAM Data);

class TCustomListView : public TWinControl, public TStringsTarget {
public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TListColumns* Columns() { return &FColumns; }
  TListItems* Items() { return &FItems; }
  void FillFromStrings(const TStrings& Lines) override { FItems.FillFromStrings(Lines); }
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool Value);
  // Column clicks reach OnColumnClick (the header's buttons are pressed).
  bool ColumnClick() const { return FColumnClick; }
  void SetColumnClick(bool Value);
  TCustomImageList* SmallImages() const { return FSmallImages; }
  void SetSmallImages(TCustomImageList* Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  // No label editing.
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  TSortType SortType() const { return FSortType; }
  // Any type but stNone sorts the items now and after changes of what it sorts by.
  void SetSortType(TSortType Value);

  // The first selected item; the focused one; nullptr when none.
  TListItem* Selected();
  void SetSelected(TListItem* Item);
  TListItem* ItemFocused();
  void SetItemFocused(TListItem* Item);
  int SelCount();
  // The item at a client point (nullptr when none).
  TListItem* GetItemAt(int X, int Y);

  // Sorts with SortProc (called with the items as lParams), or with OnCompare (captions when it is
  // unassigned) for nullptr; equal items keep their order. What a comparison raises goes on to the
  // caller, the order unchanged.
  bool CustomSort(TLVCompare SortProc, LPARAM Data);
  bool AlphaSort() { return CustomSort(nullptr, 0); }
  // The order CustomSort without a procedure uses (CompareItems).
  int SortCompare(TListItem* Item1, TListItem* Item2, LPARAM Data);

  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TLVChangeEvent OnChange;

  void WndProc(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notify(TMessage& Message) override;
  void Resize() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The order of two items for AlphaSort: OnCompare, else their captions (lstrcmpA).
  virtual int CompareItems(TListItem* Item1, TListItem* Item2, LPARAM Data);

private:
  friend class TListColumn;
  friend class TListColumns;
  friend class TListItem;
  friend class TListItems;
  TListColumns FColumns;
  TListItems FItems;
  TCustomImageList* FSmallImages = nullptr;
  bool FShowColumnHeaders = true, FColumnClick = true, FMultiSelect = false, FRowSelect = false,
       FHideSelection = true, FReadOnly = false;
  TSortType FSortType = stNone;
  std::string FTextBuffer;
  std::wstring FWideBuffer;
  void UpdateColumn(int Index);
  void UpdateColumns();
  void ApplyAutoSize();
  void InsertWindowItem(int Index, TListItem* Item);
  void SortChanged(bool ByData);
  void ImagesChanged();
  TListItem* ItemOfParam(LPARAM Param) const { return reinterpret_cast<TListItem*>(Param); }
  TListItem* NextItem(int Start, UINT Flags);
};

class TListView : public TCustomListView {
public:
  using TCustomListView::TCustomListView;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

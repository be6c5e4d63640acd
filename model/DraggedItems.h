// Drag objects of the menu pages: the dragged menu item with its drag image and cursor.
#pragma once

#include "classlib/gui/DragDrop.h"

#include <memory>

class TCustomMenuItem;
class TStaticMenuItem;
class TDynamicMenuItem;

class TDraggedItem : public TDragObject {
public:
  TDraggedItem();
  ~TDraggedItem() override;
  TDraggedItem(const TDraggedItem&) = delete;
  TDraggedItem& operator=(const TDraggedItem&) = delete;

  // DragCursor while the target accepts, else crNo.
  TCursor GetDragCursor(bool Accepted, int X, int Y) override;
  // (The base hides and shows these images around a target's painting.)
  TDragImageList* GetDragImages() override { return FDragImages.get(); }
  virtual TCustomMenuItem* GetDraggedItem() = 0;

  // Takes ImageList (the old list is freed); its image 0 becomes the drag image at the hot spot.
  void SetDragImages(TDragImageList* ImageList);
  int HotSpotX = 0, HotSpotY = 0;
  TCursor DragCursor = crArrow;

private:
  std::unique_ptr<TDragImageList> FDragImages;
};

class TDraggedStaticItem : public TDraggedItem {
public:
  explicit TDraggedStaticItem(TStaticMenuItem* Item) : FItem(Item) {}
  TCustomMenuItem* GetDraggedItem() override;
  TStaticMenuItem* GetItem() { return FItem; }

private:
  TStaticMenuItem* FItem;
};

// The item is a TDynamicMenuItem or a TDynamicSubMenu.
class TDraggedDynamicItem : public TDraggedItem {
public:
  explicit TDraggedDynamicItem(TDynamicMenuItem* Item) : FItem(Item) {}
  TCustomMenuItem* GetDraggedItem() override;
  TDynamicMenuItem* GetItem() { return FItem; }

private:
  TDynamicMenuItem* FItem;
};

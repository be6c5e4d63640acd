#include "model/DraggedItems.h"

#include "model/DynamicMenu.h"
#include "model/StaticMenu.h"

TDraggedItem::TDraggedItem() = default;
TDraggedItem::~TDraggedItem() = default;

TCursor TDraggedItem::GetDragCursor(bool Accepted, int, int) { return Accepted ? DragCursor : crNo; }

void TDraggedItem::SetDragImages(TDragImageList* ImageList) {
  if (ImageList != FDragImages.get()) FDragImages.reset(ImageList);
  if (FDragImages) FDragImages->SetDragImage(0, HotSpotX, HotSpotY);
}

TCustomMenuItem* TDraggedStaticItem::GetDraggedItem() { return FItem; }

TCustomMenuItem* TDraggedDynamicItem::GetDraggedItem() { return FItem; }

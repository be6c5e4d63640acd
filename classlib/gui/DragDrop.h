// Dragging inside the program: drag objects, the drag image list and the drag manager, which holds
// the capture while a drag runs, follows the coordinates of the mouse messages (posted ones too),
// asks the control under the pointer whether it accepts, and ends with a drop or a cancel.
#pragma once

#include "classlib/core/ImgList.h"
#include "classlib/gui/Controls.h"

// The images shown under the pointer during a drag: the image list's own drag calls.
class TDragImageList : public TCustomImageList {
public:
  using TCustomImageList::TCustomImageList;
};

// What is dragged. The manager frees it when the drag ends.
class TDragObject : public TObject {
public:
  // The cursor over a target: crDrag when it accepts, else crNo.
  virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
  // The images shown under the pointer; none in the base.
  virtual TDragImageList* GetDragImages() { return nullptr; }
  // Hidden while a target paints, shown again afterwards.
  virtual void HideDragImage();
  virtual void ShowDragImage();
  // The control under the pointer and the pointer's screen position, as the manager last saw them.
  TControl* DragTarget = nullptr;
  POINT DragPos{0, 0};
  bool Cancelling = false;
  bool Dropped = false;
};

// The object a drag runs with when OnStartDrag gives none: the source control, its DragCursor and
// its drag images. Event handlers see the control as Source.
class TDragControlObject : public TDragObject {
public:
  explicit TDragControlObject(TControl* AControl) : Control(AControl) {}
  TCursor GetDragCursor(bool Accepted, int X, int Y) override;
  TDragImageList* GetDragImages() override;
  TControl* Control;
};

// The drag under way: its source control and object (nullptr when none runs or its threshold has
// not been passed yet).
TControl* DragSource();
TDragObject* DragObject();
// Cancels the drag under way (OnEndDrag without a target); called from the source's OnStartDrag,
// the drag does not start; nothing when none runs.
void CancelDrag();

// Image lists: equally sized images with masks in one comctl32 HIMAGELIST.
#pragma once

#include "classlib/core/Graphics.h"
#include "classlib/core/TypInfo.h"

#include <commctrl.h>

#include <functional>
#include <utility>
#include <vector>

enum TColorDepth { cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit };

// The ILC_COLOR* flag of a colour depth (ILC_COLORDDB for cdDeviceDependent).
UINT ColorDepthFlags(TColorDepth Depth);

// A component, so that layouts can hold one and the controls using it hear when it goes.
class TCustomImageList : public TComponent {
public:
  // An empty list for images of AWidth x AHeight; the handle is made when first needed.
  explicit TCustomImageList(int AWidth = 16, int AHeight = 16);
  // An empty 16 x 16 list owned by AOwner.
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;  // destroys the handle unless ShareImages
  TCustomImageList(const TCustomImageList&) = delete;
  TCustomImageList& operator=(const TCustomImageList&) = delete;

  // The list, made with ImageList_Create (Width, Height, ColorDepth's flag, ILC_MASK when Masked,
  // growth AllocBy) when there is none; EInvalidOperation "Invalid ImageList" when that fails.
  HIMAGELIST Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Takes Value (destroying the previous list unless ShareImages) and its image size.
  void SetHandle(HIMAGELIST Value);
  // Gives the list up without destroying it.
  HIMAGELIST ReleaseHandle();
  // When true, the object never destroys its handle.
  bool ShareImages = false;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A new size (EInvalidOperation "Invalid image size" below 1) empties the list.
  void SetSize(int AWidth, int AHeight);
  void SetWidth(int Value) { SetSize(Value, FHeight); }
  void SetHeight(int Value) { SetSize(FWidth, Value); }
  int AllocBy() const { return FAllocBy; }
  void SetAllocBy(int Value);  // growth step of a list made later
  TColorDepth ColorDepth() const { return FColorDepth; }
  void SetColorDepth(TColorDepth Value);  // a change empties the list
  bool Masked() const { return FMasked; }
  void SetMasked(bool Value);  // a change empties the list
  // The colour behind images where they are transparent when drawn; clNone draws transparently.
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor Value);

  int Count() const;  // 0 without a handle

  // Each adds one image per Width of the bitmap and answers the index of the first, -1 when the
  // system refuses (nothing raised). Mask: a monochrome bitmap, set where the image is transparent.
  int Add(TBitmap& Image, TBitmap* Mask);
  // Mask from the pixels of MaskColor (a system colour resolved; clDefault: the image's
  // TransparentColor).
  int AddMasked(TBitmap& Image, TColor MaskColor);
  int AddIcon(TIcon& Image);
  int AddIcon(HICON Image);  // the icon stays the caller's
  // Every image of Source, in order (through icons, so masks and alpha survive).
  void AddImages(TCustomImageList& Source);
  void Replace(int Index, TBitmap& Image, TBitmap* Mask);  // no Mask: opaque
  void ReplaceMasked(int Index, TBitmap& Image, TColor MaskColor);
  void ReplaceIcon(int Index, TIcon& Image);
  void Delete(int Index);  // -1 deletes all
  void Clear();

  // Image Index at (X, Y). Disabled images are drawn embossed: the image's mask in clBtnHighlight
  // one pixel down and right, then in clBtnShadow in place.
  void Draw(HDC DC, int X, int Y, int Index, bool Enabled = true);
  void Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled = true) { Draw(Canvas.Handle(), X, Y, Index, Enabled); }
  // Image Index as a new icon handed to Image.
  void GetIcon(int Index, TIcon& Image);
  // Image Index drawn on Image made Width x Height and filled with its BrushColor.
  void GetBitmap(int Index, TBitmap& Image);

  // Dragging an image over a window (comctl32's drag image; no window is made).
  void SetDragImage(int Index, int HotSpotX, int HotSpotY);
  bool BeginDrag(HWND LockWindow, int X, int Y);
  void DragMove(int X, int Y);
  void EndDrag();
  void ShowDragImage();
  void HideDragImage();
  bool Dragging() const { return FDragging; }

  void Assign(TPersistent* Source) override;  // a TCustomImageList: its settings and images

  TNotifyEvent OnChange;
  // The views that show the list hear of every change after OnChange, a new handle included,
  // until they unregister (one entry per client).
  void RegisterChanges(const void* Client, std::function<void()> Notify);
  void UnRegisterChanges(const void* Client);

protected:
  virtual void Change();
  [[noreturn]] static void Error(int Ident);  // EInvalidOperation with the resource string
  void CheckIndex(int Index);

private:
  HIMAGELIST FHandle = nullptr;
  int FWidth, FHeight;
  int FAllocBy = 4;
  TColorDepth FColorDepth = cd32Bit;
  bool FMasked = true;
  TColor FBkColor = clNone;
  int FDragIndex = 0, FDragHotX = 0, FDragHotY = 0;
  bool FDragging = false;
  HWND FDragLock = nullptr;
  std::vector<std::pair<const void*, std::function<void()>>> FClients;

  void FreeHandle();
  void DrawDisabled(HDC DC, int X, int Y, int Index);
};

class TImageList : public TCustomImageList {
public:
  using TCustomImageList::TCustomImageList;
  // Width and Height by name; layouts make one with an owner.
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

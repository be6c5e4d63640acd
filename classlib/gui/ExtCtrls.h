// Panels, pictures, splitters and timers.
#pragma once

#include "classlib/gui/StdCtrls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TCustomControl {
public:
  explicit TPanel(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int Value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void TextChanged() override { Invalidate(); }

protected:
  // The panel's painting leaves its child windows alone (a resize would otherwise paint over them).
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void AlignControls(TControl* AControl, RECT& Rect) override;

private:
  TBevelCut FBevelOuter = bvRaised, FBevelInner = bvNone;
  int FBevelWidth = 1, FBorderWidth = 0;
  TAlignment FAlignment = taCenter;
};

// A picture: "Picture" is set from the text "<kind>:<resource name>" with kind PNG, BMP or ICO,
// naming a resource of the program.
class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TGraphic* Picture() const { return FPicture.get(); }
  void SetPicture(std::unique_ptr<TGraphic> Value);
  const std::string& PictureSource() const { return FSource; }
  void LoadPicture(const std::string& Source);
  bool Stretch = false, Center = false;
  bool Transparent() const override { return FTransparent; }
  void SetTransparent(bool Value);

protected:
  void Paint() override;

private:
  std::unique_ptr<TGraphic> FPicture;
  std::string FSource;
  bool FTransparent = false;
};

// Drags the edge of the control it is aligned against.
class TSplitter : public TGraphicControl {
public:
  explicit TSplitter(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  int MinSize = 30;
  TNotifyEvent OnMoved;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  TControl* FControl = nullptr;
  POINT FDownPos{};
  int FStartSize = 0;
  bool FDragging = false;
  TControl* FindNeighbour();
};

// Fires OnTimer every Interval milliseconds while Enabled, through a utility window.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);
  TNotifyEvent OnTimer;
  void Loaded() override;

private:
  bool FEnabled = true;
  unsigned FInterval = 1000;
  HWND FWindow = nullptr;
  void UpdateTimer();
};

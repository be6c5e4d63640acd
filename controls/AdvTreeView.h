// The tree view of the menu pages: files dropped from the shell arrive as one list of paths
// (OnFilesDrop), the view's own drag image can be switched off (DefaultDragging), and the node of
// a drag the view began is held in DraggedNode while that drag runs.
#pragma once

#include "classlib/gui/TreeView.h"

#include <functional>

class TStrings;

// FileList belongs to the view and lives only during the call.
using TFilesDropEvent = std::function<void(TObject* Sender, TStrings* FileList)>;

class TAdvTreeView : public TTreeView {
public:
  explicit TAdvTreeView(TComponent* AOwner);
  ~TAdvTreeView() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  bool DefaultDragging() const { return FDefaultDragging; }
  // Exception "Cannot set DefaultDragging property while dragging" for a change during a drag.
  void SetDefaultDragging(bool Value);
  bool AcceptFiles() const { return FAcceptFiles; }
  void SetAcceptFiles(bool Value);
  TFilesDropEvent OnFilesDrop;
  TTreeNode* DraggedNode() const { return FDraggedNode; }

  // nullptr while DefaultDragging is off.
  TDragImageList* GetDragImages() override;
  void DoStartDrag(TDragObject*& DragObject) override;
  bool UsesOwnDragImage() override { return FDefaultDragging; }
  void DoEndDrag(TObject* Target, int X, int Y) override;

protected:
  virtual void DoFilesDrop(TStrings* FileList);
  void CreateWnd() override;
  void DestroyWindowHandle() override;
  void Notify(TMessage& Message) override;
  void WndProc(TMessage& Message) override;

private:
  bool FDefaultDragging = true;
  bool FAcceptFiles = false;
  TTreeNode* FDraggedNode = nullptr;
  void RegisterDropTarget(bool Accept);
};

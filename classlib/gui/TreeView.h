// The tree view over comctl32's SysTreeView32: TTreeNode (one item with its data), TTreeNodes (the
// items of one view, with an update bracket) and TTreeView (images, editing, expanding, hit tests,
// custom drawing, dragging of nodes).
#pragma once

#include "classlib/gui/DragDrop.h"

#include <commctrl.h>

#include <string>
#include <vector>

class TTreeNode;
class TTreeNodes;
class TTreeView;

class ETreeViewError : public Exception {
public:
  using Exception::Exception;
};

// Where an added or moved node goes relative to a node: after its last sibling, before its first
// sibling, as its last or first child, or right before it.
enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

// What lies at a point of the view (bits of THitTests).
enum THitTest : unsigned {
  htAbove = 1, htBelow = 2, htNowhere = 4, htOnItem = 8, htOnButton = 16, htOnIcon = 32, htOnIndent = 64,
  htOnLabel = 128, htOnRight = 256, htOnStateIcon = 512, htToLeft = 1024, htToRight = 2048
};
using THitTests = unsigned;

// Custom drawing: the item's state bits and the stage.
enum TCustomDrawStateBit : unsigned {
  cdsSelected = 1, cdsGrayed = 2, cdsDisabled = 4, cdsChecked = 8, cdsFocused = 16, cdsDefault = 32, cdsHot = 64,
  cdsMarked = 128, cdsIndeterminate = 256
};
using TCustomDrawState = unsigned;
enum TCustomDrawStage { cdPrePaint, cdPostPaint };

class TTreeNode : public TPersistent, public TStringsTarget {
public:
  ~TTreeNode() override;
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  HTREEITEM ItemId() const { return FItemId; }
  TTreeNodes* Owner() const { return FOwner; }
  TTreeView* TreeView() const;
  TTreeNode* Parent() const;

  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int Value);
  int StateIndex() const { return FStateIndex; }
  void SetStateIndex(int Value);  // -1: no state image
  bool HasChildren() const;
  void SetHasChildren(bool Value);  // a button even without children

  bool Expanded() const;
  void SetExpanded(bool Value);
  // Shows (hides) the children, and with Recurse every level below them.
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const;
  bool IsVisible() const;  // every ancestor is expanded
  // Scrolls and expands the ancestors so that the node shows.
  void MakeVisible();

  int Count() const;  // children
  TTreeNode* Item(int Index) const;  // child Index; ETreeViewError outside 0..Count-1
  TTreeNode* GetFirstChild() const;
  TTreeNode* GetLastChild() const;
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  TTreeNode* GetNext() const;  // the next node in depth-first order
  int Index() const;  // among its siblings
  int Level() const;  // 0 for a top-level node
  int AbsoluteIndex() const;
  bool HasAsParent(TTreeNode* Value) const;  // Value is an ancestor

  // Moves the node with its children; Destination nullptr with naAdd/naAddFirst: the top level.
  void MoveTo(TTreeNode* Destination, TNodeAttachMode Mode);
  void Delete();  // the node and its children
  void DeleteChildren();
  // Starts editing the label; false when refused.
  bool EditText();
  void EndEdit(bool Cancel);
  // The item's row, or with TextOnly the rectangle of its text, in client coordinates; empty when
  // the node does not show.
  RECT DisplayRect(bool TextOnly) const;

  // A node source: its text, data and images.
  void Assign(TPersistent* Source) override;
  // The lines replace the children.
  void FillFromStrings(const TStrings& Lines) override;

private:
  friend class TTreeNodes;
  friend class TTreeView;
  explicit TTreeNode(TTreeNodes* AOwner);
  TTreeNodes* FOwner;
  HTREEITEM FItemId = nullptr;
  std::string FText;
  void* FData = nullptr;
  int FImageIndex = -1, FSelectedIndex = -1, FStateIndex = -1;
  bool FHasChildren = false;  // the button asked for without children
  LRESULT Send(UINT Msg, WPARAM WParam, LPARAM LParam) const;
  TTreeNode* Related(UINT Relation) const;
  void UpdateItem(UINT Mask);
};

// The nodes of one tree view. A string list with objects (TAdvStringList) assigned to it replaces
// them (and to a node: its children).
class TTreeNodes : public TPersistent, public TStringsTarget {
public:
  explicit TTreeNodes(TTreeView* AOwner);
  ~TTreeNodes() override;
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  TTreeView* Owner() const { return FOwner; }
  int Count() const;
  TTreeNode* Item(int Index) const;  // in depth-first order; ETreeViewError outside 0..Count-1
  TTreeNode* GetFirstNode() const;
  // The node of an item handle; nullptr for none.
  TTreeNode* GetNode(HTREEITEM ItemId) const;

  // Adding beside Sibling (nullptr: at the top level) or under Parent (nullptr: at the top level).
  TTreeNode* Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }
  TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Data);
  TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }
  TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Data);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
  // Before Sibling (nullptr: as the last top-level node).
  TTreeNode* Insert(TTreeNode* Sibling, const std::string& S) { return InsertObject(Sibling, S, nullptr); }
  TTreeNode* InsertObject(TTreeNode* Sibling, const std::string& S, void* Data);
  // A new node related to Node by Mode (nullptr Node: the top level).
  TTreeNode* InternalAddObject(TTreeNode* Node, const std::string& S, void* Data, TNodeAttachMode Mode);
  void Delete(TTreeNode* Node) { Node->Delete(); }
  void Clear();

  // The view does not repaint inside the bracket; brackets nest.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // The lines as children of Parent (nullptr: the whole tree is replaced), each line's object as Data.
  void FillFromStrings(const TStrings& Lines, TTreeNode* Parent);
  void FillFromStrings(const TStrings& Lines) override { FillFromStrings(Lines, nullptr); }

private:
  friend class TTreeNode;
  friend class TTreeView;
  TTreeView* FOwner;
  int FUpdateCount = 0;
  HWND Handle() const;
  TTreeNode* InsertItem(TTreeNode* Node, HTREEITEM Parent, HTREEITEM After);
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& Allow)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
// Before (cdPrePaint) and after (cdPostPaint) the system paints Node on the view's Canvas. At
// pre-paint the canvas font's colour and style apply to the item; DefaultDraw false skips the
// system's painting of it.
using TTVAdvancedCustomDrawItemEvent = std::function<void(TTreeView* Sender, TTreeNode* Node, TCustomDrawState State,
                                                          TCustomDrawStage Stage, bool& PaintImages, bool& DefaultDraw)>;

class TTreeView : public TWinControl, public TStringsTarget {
public:
  explicit TTreeView(TComponent* AOwner);
  ~TTreeView() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TTreeNodes& Items() { return FItems; }
  TTreeNode* Selected();
  void SetSelected(TTreeNode* Value);  // nullptr: no selection
  TTreeNode* DropTarget();
  void SetDropTarget(TTreeNode* Value);
  TTreeNode* TopItem();
  bool IsEditing();
  // The node whose row holds the point (on its icon, label or state icon); nullptr when none.
  TTreeNode* GetNodeAt(int X, int Y);
  THitTests GetHitTestInfoAt(int X, int Y);
  void FullExpand();
  void FullCollapse();

  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* Value);
  int Indent();
  void SetIndent(int Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool Value);
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool Value);
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool Value);
  // A right click selects the node under the pointer.
  bool RightClickSelect = false;

  // The canvas of custom drawing (valid inside OnAdvancedCustomDrawItem).
  TControlCanvas& Canvas() { return FCanvas; }

  TTVChangedEvent OnChange;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVExpandingEvent OnExpanding, OnCollapsing;
  TTVExpandedEvent OnExpanded, OnCollapsed;
  TTVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;

  // The node the view began to drag (nullptr outside its own drags).
  TTreeNode* DragNode() const { return FDragNode; }
  // The drag image of the dragged node, when there is one.
  TDragImageList* GetDragImages() override;
  void DoStartDrag(TDragObject*& DragObject) override;
  // Whether a drag starts with the view's own picture of the dragged node.
  virtual bool UsesOwnDragImage() { return true; }
  void DoEndDrag(TObject* Target, int X, int Y) override;

  void FillFromStrings(const TStrings& Lines) override { FItems.FillFromStrings(Lines, nullptr); }

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notify(TMessage& Message) override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool AutoDragOnPress() const override { return false; }
  // The parts of reflected notifications, for descendants that add to them.
  virtual bool CanEdit(TTreeNode* Node);
  virtual void Edit(const TVITEMA& Item);
  virtual bool CanExpand(TTreeNode* Node);
  virtual bool CanCollapse(TTreeNode* Node);
  virtual void Expanded(TTreeNode* Node, bool Expand);
  virtual void Change(TTreeNode* Node);

private:
  friend class TTreeNode;
  friend class TTreeNodes;
  // A node's place kept while the window is remade or the node is moved.
  struct TSavedNode {
    TTreeNode* Node;
    bool Expanded, Selected;
    std::vector<TSavedNode> Children;
  };
  TTreeNodes FItems;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  int FIndent = -1;  // -1: the system's
  bool FHideSelection = true, FReadOnly = false, FShowButtons = true, FShowLines = true, FShowRoot = true;
  bool FKeepNodes = false;  // items go with the window (remade or moved), the node objects stay
  bool FManualNotify = false;  // expanding from code: the view's own expand notifications are ignored
  bool FInEdit = false;        // a label edit allowed by CanEdit runs
  HTREEITEM FVetoedCollapse = nullptr;
  TTreeNode* FRClickNode = nullptr;  // under the last right press, selected by its click
  bool FDragBegun = false;           // the view began a drag during the current left press
  std::vector<TSavedNode> FSaved;
  TControlCanvas FCanvas;
  bool FCanvasFontChanged = false;
  TTreeNode* FDragNode = nullptr;
  TDragImageList FDragImage{16, 16};
  void SetImageList(TCustomImageList*& Field, TCustomImageList* Value, WPARAM Kind);
  void ApplyImageList(WPARAM Kind);
  void SetStyleFlag(bool& Field, bool Value, DWORD Style, bool On);
  TSavedNode SaveNode(TTreeNode* Node);
  void RestoreNode(const TSavedNode& Saved, HTREEITEM Parent, HTREEITEM After);
  void FreeSaved(std::vector<TSavedNode>& Saved);
  void RemoveKeepingNodes(TTreeNode* Node);
  void ExpandNode(TTreeNode* Node, bool Expand, bool Recurse);
  LRESULT CustomDraw(NMTVCUSTOMDRAW& Draw);
};

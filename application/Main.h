// The main window: the title band, the four pages, the bottom row, the action list; choosing the
// INI file, loading both menus with the load-error log, saving on Apply and OK, the close question,
// the shell extension's check box and the error display.
#pragma once

#include <functional>

#include "classlib/core/Classes.h"
#include "classlib/gui/ActnList.h"
#include "classlib/gui/Forms.h"
#include "classlib/gui/ListView.h"
#include "classlib/gui/TreeView.h"

#include <memory>
#include <string>

class TStaticMenu;
class TDynamicMenu;
class TFileTypeList;
class TFileType;
class TFormStorage;
class TCheckBox;
class TPopupMenu;
class TTreeItem;
class TTreeItems;
struct TMenuTree;
class TfrmDynamicCleanup;

class TfrmMain : public TForm {
public:
  explicit TfrmMain(TComponent* AOwner);
  ~TfrmMain() override;

  TStaticMenu* StaticMenu = nullptr;
  TDynamicMenu* DynamicMenu = nullptr;
  TFileTypeList* FileTypes = nullptr;
  bool Loading = false;
  bool ExtensionsScanned = false;

  // Handlers named by the layout.
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
  void FormStorageRestorePlacement(TObject* Sender);
  void appeMainIdle(TObject* Sender, bool& Done);
  void appeMainException(TObject* Sender, Exception& E);
  void pgcMainChange(TObject* Sender);
  void pgcMainDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
  void TabSheet2Show(TObject* Sender);
  void tshtStaticMenusShow(TObject* Sender) {}
  void tshtActiveXMenusShow(TObject* Sender) {}
  void btnOkClick(TObject* Sender);
  void btnCancelClick(TObject* Sender);
  void actApplyExecute(TObject* Sender);
  void actApplyUpdate(TObject* Sender);
  void chkShellExtClick(TObject* Sender);
  void actRegistryBugsUpdate(TObject* Sender);
  void actQuickHintExecute(TObject* Sender);
  void actFileTypesRefreshExecute(TObject* Sender);
  void OnAlwaysEnabled(TObject* Sender);
  void On3DEnter(TObject* Sender);
  void On3DExit(TObject* Sender);
  void OnLabelClick(TObject* Sender);
  void pmHintPopup(TObject* Sender);
  void FileTypesRefreshItem(TObject* Sender, TFileType* Item);
  void FileTypesLoadIcon(TObject* Sender, TFileType* Item);
  void FileTypesRefresh(TObject* Sender);
  // Dialogs.
  void actAboutExecute(TObject* Sender);

  // Apply and OK: the static menu, the dynamic menu around the extension's registration, the
  // static-verb cleanup; an error ends it at the failing step. When the INI file could not be read
  // at start-up, a save that writes a menu section asks first; No answers false, nothing saved.
  bool Save();
  bool IsModified();
  bool IsExtensionEnabled();
  // Updates the actions of Category (every action for "").
  void UpdateActions(const std::string& Category = "");
  // Action's shortcut, none while Tree edits a node's text or an edit box is the active control;
  // Button (when given) is enabled with the action.
  void SetActionShortCut(TWinControl* Tree, TAction* Action, TShortCut Value, TControl* Button = nullptr);
  void RefreshFileTypes();
  void OnCleanupModified(TObject* Sender);
  // The INI file chosen at creation.
  std::string IniFileName();

  TAction* Action(const std::string& Name);

  // ---- "Static Items" page (MainStatic.cpp) ----
  int StaticSyncDepth = 0;
  bool StaticDropTargetShown = false;
  TMenuTree StaticView();
  void OnStaticTreeChange(TObject* Sender, TTreeItems* Collection, TTreeItem* Item);
  void OnStaticFocusChange(TObject* Sender);
  void OnStaticItemChange(TObject* Sender, TTreeItem* Item);
  void tvMenuChange(TObject* Sender, TTreeNode* Node);
  void tvMenuEditing(TObject* Sender, TTreeNode* Node, bool& AllowEdit);
  void tvMenuEdited(TObject* Sender, TTreeNode* Node, std::string& S);
  void tvMenuCollapsing(TObject* Sender, TTreeNode* Node, bool& Allow);
  void tvMenuExpanding(TObject* Sender, TTreeNode* Node, bool& Allow);
  void tvMenuMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void tvMenuMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void tvMenuStartDrag(TObject* Sender, TDragObject*& DragObject);
  void tvMenuDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
  void tvMenuDragDrop(TObject* Sender, TObject* Source, int X, int Y);
  void tvMenuAdvancedCustomDrawItem(TTreeView* Sender, TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage,
                                    bool& PaintImages, bool& DefaultDraw);
  void edApplicationChange(TObject* Sender);
  void edApplicationAfterDialog(TObject* Sender, std::string& FileName, bool& Action);
  void tvMenuFilesDrop(TObject* Sender, TStrings* FileList);
  void edParametersChange(TObject* Sender);
  void chkIncludeClick(TObject* Sender);
  void cbFileTypeChange(TObject* Sender);
  void HoverLabel1Click(TObject* Sender);
  void AddStaticItem(const std::string& FileName = "");
  void AddDroppedStaticFiles(TStrings* FileList);
  void RefreshStaticDetails();

  // ---- "Submenu Items" page (MainSubmenu.cpp) ----
  int SyncDepth = 0;
  bool DropTargetShown = false;
  TMenuTree DynamicView();
  void OnDynamicTreeChange(TObject* Sender, TTreeItems* Collection, TTreeItem* Item);
  void OnDynamicFocusChange(TObject* Sender);
  void OnDynamicItemChange(TObject* Sender, TTreeItem* Item);
  void tvXMenuChange(TObject* Sender, TTreeNode* Node);
  void tvXMenuEditing(TObject* Sender, TTreeNode* Node, bool& AllowEdit);
  void tvXMenuEdited(TObject* Sender, TTreeNode* Node, std::string& S);
  void tvXMenuCollapsing(TObject* Sender, TTreeNode* Node, bool& Allow);
  void tvXMenuExpanding(TObject* Sender, TTreeNode* Node, bool& Allow);
  void tvXMenuMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void tvXMenuStartDrag(TObject* Sender, TDragObject*& DragObject);
  void tvXMenuDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
  void tvXMenuDragDrop(TObject* Sender, TObject* Source, int X, int Y);
  void tvXMenuAdvancedCustomDrawItem(TTreeView* Sender, TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage,
                                     bool& PaintImages, bool& DefaultDraw);
  void edXApplicationChange(TObject* Sender);
  void edXApplicationAfterDialog(TObject* Sender, std::string& FileName, bool& Action);
  void tvXMenuFilesDrop(TObject* Sender, TStrings* FileList);
  void edXParametersChange(TObject* Sender);
  void edXMenuHintChange(TObject* Sender);
  void chkXIncludeClick(TObject* Sender);
  void cbXFileTypeChange(TObject* Sender);
  void lblXMenuItemsClick(TObject* Sender);
  void AddDynamicItem(const std::string& FileName = "");
  void AddDynamicSubMenu();
  void AddDynamicSeparator();
  void AddDroppedDynamicFiles(TStrings* FileList);
  void RefreshDynamicDetails();
  void LoadMenuFile(const std::string& FileName, bool Modified);
  void SaveMenuFile(const std::string& FileName);
  void OpenMenuFile(const std::string& FileName);

  // Both pages' shared parts (MainPages.cpp): the file-type boxes, the layouts and the actions.
  void SetupMenuPages();

  // The cleanup pages and the registry-bugs window (MainCleanup.cpp).
  TfrmDynamicCleanup* frmDynamicCleanup = nullptr;
  void InitCleanupPages();
  void actRegistryBugsExecute(TObject* Sender);

  // The "Static Items Cleanup" page (MainStaticCleanup.cpp): its controls added to the window's
  // layout, its handlers, the cleanup model's verbs of the selected file type.
  static void AddStaticCleanupLayout(TLayout& Layout);
  void RegisterStaticCleanupHandlers();
  void InitStaticCleanupPage();
  void RefreshCleanupItems();
  void tshtCleanupShow(TObject* Sender);
  void lvFileTypesChange(TObject* Sender, TListItem* Item, TItemChange Change);
  void lbMenuItemsClick(TObject* Sender);
  void lbMenuItemsMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void lbMenuItemsStateChange(TObject* Sender, int Index);
  void HoverLabel3Click(TObject* Sender);
  void lblMenuItemsClick(TObject* Sender);
  void actCleanupRefreshExecute(TObject* Sender);
  void actCleanupFindExecute(TObject* Sender);
  void actCleanupDeleteExecute(TObject* Sender);
  void actCleanupDeleteAllExecute(TObject* Sender);
  void OnCleanupEnabled(TObject* Sender);
  void OnCleanupItemSelected(TObject* Sender);
  void actCleanupDeleteAllUpdate(TObject* Sender);
  void actFileTypesTypesExecute(TObject* Sender);
  void actFileTypesExtensionsExecute(TObject* Sender);
  void actFileTypesAllExecute(TObject* Sender);
  void actFileTypesViewUpdate(TObject* Sender);

private:
  std::unique_ptr<TStream> FErrorLog;
  std::string FErrorLogPath;
  bool FErrorLogFailed = false;
  bool FMenusUnread = false;  // the INI file existed but could not be read at start-up
  void OpenErrorLog();
  void AppendErrorLog(const std::string& Text);
  void CloseErrorLog();
  // Writes Header and Lines to the log; a log that cannot be written is reported once.
  void LogErrors(const std::string& Header, const TStrings& Lines);
  // The extension's export through Vellisk.DLL in the program's folder; on failure the box shows
  // what the registry holds (without its click handler) and the error goes on.
  void RegisterShellExt(bool Register);
  void ShowFoundShellExtState();
  TFormStorage* Storage();
  TCheckBox* ShellExtBox();
};

extern TfrmMain* frmMain;

// The page descriptions, by page index.
const char* PageDescription(int Index);
// The text of an error box: Message with "." added when its last character sorts after "."
// (unsigned character order).
std::string ErrorDisplayText(const std::string& Message);

// The room of an error box on this screen: the box wraps its text at WrapWidth pixels (Height
// measures a line so wrapped, in the box's font; LineHeight is one row) and stays on the screen
// while the text's height is at most MaxHeight.
struct TErrorBoxRoom {
  int WrapWidth = 0;
  int LineHeight = 1;
  int MaxHeight = 0;
  std::function<int(const std::string& Line)> Height;
};
TErrorBoxRoom ErrorBoxRoom();
// The box's text: Compose(n) gives it with n frames of the trace (INT_MAX: all of them). A line that
// would wrap to more than eight rows, or holds a word wider than the screen allows, is cut and ends in "...";
// as many frames are shown as leave the text within the box's room.
std::string FitErrorBoxText(const TErrorBoxRoom& Box, const std::function<std::string(int ShownFrames)>& Compose);

// The "Shell Extensions Cleanup" page: the context-menu handlers registered under
// HKEY_CLASSES_ROOT\<key>\shellex\ContextMenuHandlers and those disabled earlier (kept under
// HKEY_CURRENT_USER\Software\Corvane\DisabledItems\Dynamic), their DLLs with the version strings,
// and marks for disabling, enabling and deleting that Apply carries out by moving keys.
#pragma once

#include "classlib/gui/Forms.h"
#include "classlib/gui/TreeView.h"

#include <map>
#include <string>

class TRegistry;

// The path below HKEY_CURRENT_USER under which disabled handlers are kept, followed by the handler's
// path below HKEY_CLASSES_ROOT.
inline constexpr const char* DisabledDynamicItemsKey = "Software\\Corvane\\DisabledItems\\Dynamic\\";

// One handler key.
class TExtensionInfo : public TObject {
public:
  std::string Name;
  std::string DLLPath;  // as stored (environment references unexpanded)
  // Without a leading "\": "<key>\shellex\ContextMenuHandlers\<handler>" below HKEY_CLASSES_ROOT,
  // or DisabledDynamicItemsKey + that below HKEY_CURRENT_USER.
  std::string RegKey;
  std::string Description, ProductName, Version, Company;
  GUID CLSID{};
  bool StoredDisabled = false;
  bool Missing = false;
  bool Deleted = false;
  bool WantDisabled = false;
};

// RegKey without the disabled-items prefix (the handler's place below HKEY_CLASSES_ROOT).
std::string EnabledHandlerPath(const std::string& RegKey);

class TfrmDynamicCleanup : public TFrame {
public:
  explicit TfrmDynamicCleanup(TComponent* AOwner);
  ~TfrmDynamicCleanup() override;
  // The class that layouts name: "TfrmDynamicCleanup".
  static const TClassInfo& StaticClassInfo();

  // Rescans both roots under the hourglass; pending marks are dropped.
  void Refresh();
  // Carries out the marks in list order. A failure raises at the failing record: the records
  // before it keep their new place (deleted ones leave the list), the rest keep their marks and
  // the frame stays modified.
  void Apply();
  bool GetModified() const { return FModified; }
  void Changed();
  TNotifyEvent OnChange;

  // The handlers in display order; objects: TExtensionInfo.
  const TStringList& Handlers() const { return FHandlers; }
  TTreeView* Tree() const;

  // Handlers named by the layout.
  void spbRefreshClick(TObject* Sender);
  void spbXFindClick(TObject* Sender);
  void spbDeleteClick(TObject* Sender);
  void chkIncludeClick(TObject* Sender);
  void tvExtensionsChange(TObject* Sender, TTreeNode* Node);
  void tvExtensionsAdvancedCustomDrawItem(TTreeView* Sender, TTreeNode* Node, TCustomDrawState State,
                                          TCustomDrawStage Stage, bool& PaintImages, bool& DefaultDraw);

private:
  TStringList FHandlers;
  std::map<const TExtensionInfo*, int> FIconCache;
  bool FModified = false;
  bool FLoading = false;
  bool FShowingDetails = false;

  void ClearHandlers();
  void ScanHandlers(TRegistry& Registry, const std::string& RootPath, bool StoredDisabled);
  void LoadDetails(TExtensionInfo& Info);
  int IconIndex(const TExtensionInfo& Info);
  bool IsMissing(const TExtensionInfo& Info);
  void ShowDetails(TExtensionInfo* Info);
  TExtensionInfo* SelectedInfo();
  void RemoveHandler(TExtensionInfo* Info);
};

#include "application/DynamicCleanup.h"

#include "application/HourGlass.h"
#include "classlib/core/Registry.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ExtCtrls.h"
#include "controls/RXCtrls.h"
#include "model/FileTypes.h"
#include "model/RegistryEx.h"
#include "model/Utils.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr TColor HandlerMissingColor = static_cast<TColor>(0x000080);
constexpr const char* HandlersSubKey = "\\shellex\\ContextMenuHandlers";

constexpr TAnchors LeftTopRight = AnchorBit(akLeft) | AnchorBit(akTop) | AnchorBit(akRight);

TLayoutComponent DetailLabel(const char* Label, const char* Caption, int Top) {
  return {"TLabel", Label, "pnlDetails", 8, Top + 3, 80, 16, alNone, akLeftTop, {{"Caption", Caption}}, {}};
}

TLayoutComponent DetailEdit(const char* Edit, int Top) {
  return {"TEdit", Edit, "pnlDetails", 92, Top, 250, 21, alNone, LeftTopRight,
          {{"ReadOnly", "True"}, {"Color", "$FF00000F"}}, {}};
}

const TLayout& DynamicCleanupLayout() {
  static const TLayout Layout = [] {
    TLayout L{"TfrmDynamicCleanup",
              "TFrame",
              {{"Width", "600"}, {"Height", "290"}},
              {},
              {
                  {"TPanel", "pnlButtons", "", 0, 0, 600, 28, alTop, akLeftTop, {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
                  {"TRxSpeedButton", "spbRefresh", "pnlButtons", 4, 3, 70, 22, alNone, akLeftTop,
                   {{"Caption", "Refresh"}, {"Flat", "True"}, {"Hint", "Reload list of shell extensions from registry"}},
                   {{"OnClick", "spbRefreshClick"}}},
                  {"TRxSpeedButton", "spbXFind", "pnlButtons", 78, 3, 70, 22, alNone, akLeftTop,
                   {{"Caption", "Find"}, {"Flat", "True"}, {"Hint", "Find shell extension DLL"}}, {{"OnClick", "spbXFindClick"}}},
                  {"TRxSpeedButton", "spbDelete", "pnlButtons", 152, 3, 70, 22, alNone, akLeftTop,
                   {{"Caption", "Delete"}, {"Flat", "True"}, {"Hint", "Unregister shell extension"}},
                   {{"OnClick", "spbDeleteClick"}}},
                  {"TTreeView", "tvExtensions", "", 0, 28, 240, 262, alLeft, akLeftTop,
                   {{"Images", "ilExtensions"}, {"ReadOnly", "True"}, {"HideSelection", "False"}, {"ShowRoot", "False"},
                    {"ShowButtons", "False"}, {"ShowLines", "False"}},
                   {{"OnChange", "tvExtensionsChange"}, {"OnAdvancedCustomDrawItem", "tvExtensionsAdvancedCustomDrawItem"}}},
                  {"TSplitter", "Splitter1", "", 240, 28, 4, 262, alLeft, akLeftTop, {}, {}},
                  {"TPanel", "pnlDetails", "", 244, 28, 356, 262, alClient, akLeftTop, {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
                  {"TCheckBox", "chkInclude", "pnlDetails", 8, 4, 120, 17, alNone, akLeftTop, {{"Caption", "A&ctive"}},
                   {{"OnClick", "chkIncludeClick"}}},
                  {"TImage", "imApp", "pnlDetails", 326, 4, 16, 16, alNone, AnchorBit(akTop) | AnchorBit(akRight),
                   {{"Transparent", "True"}}, {}},
              }};
    struct TRow {
      const char* Label;
      const char* Edit;
      const char* Caption;
    };
    const TRow Rows[] = {{"lblRegistryKey", "edRegistryKey", "Registry Key:"}, {"lblAppPath", "edAppPath", "DLL Path:"},
                         {"lblDescription", "edDescription", "Description:"}, {"lblProductName", "edProductName", "Product:"},
                         {"lblVersion", "edVersion", "Version:"},            {"lblCompany", "edCompany", "Company:"},
                         {"lblCLSID", "edCLSID", "CLSID:"}};
    // Close enough that all seven fit the main window's smallest size.
    int Top = 24;
    for (const TRow& R : Rows) {
      L.Components.push_back(DetailLabel(R.Label, R.Caption, Top));
      L.Components.push_back(DetailEdit(R.Edit, Top));
      Top += 22;
    }
    L.Components.push_back({"TPanel", "pnlError", "pnlDetails", 8, Top + 2, 334, 58, alNone, LeftTopRight,
                            {{"Caption", ""}, {"BevelOuter", "bvLowered"}, {"Visible", "False"}}, {}});
    L.Components.push_back({"TLabel", "lblError", "pnlError", 6, 4, 322, 50, alClient, akLeftTop,
                            {{"AutoSize", "False"},
                             {"WordWrap", "True"},
                             {"ShowAccelChar", "False"},
                             {"Font.Color", "$000080"},
                             {"Caption", "Shell extension DLL file is not available.\r\nIt is recommended to delete this entry if "
                                         "it refers to an uninstalled or suspicious application."}},
                            {}});
    L.Components.push_back({"TImageList", "ilExtensions", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}});
    return L;
  }();
  return Layout;
}

template <class T>
T* Part(TComponent* Root, const char* Name) {
  return dynamic_cast<T*>(Root->FindComponent(Name));
}

// A GUID in braced form, 38 characters.
bool IsBracedGuid(const std::string& Text, GUID& Guid) { return Text.size() == 38 && Text[0] == '{' && TryParseGuid(Text, Guid); }

// The DLL's file name: DLLPath without one pair of enclosing double quotes.
std::string HandlerFile(const TExtensionInfo& Info) {
  const std::string& Path = Info.DLLPath;
  return Path.size() >= 2 && Path.front() == '"' && Path.back() == '"' ? Path.substr(1, Path.size() - 2) : Path;
}

}  // namespace

std::string EnabledHandlerPath(const std::string& RegKey) {
  const std::string Prefix = DisabledDynamicItemsKey;
  const size_t At = UpperCase(RegKey).find(UpperCase(Prefix));
  return At == std::string::npos ? RegKey : RegKey.substr(At + Prefix.size());
}

const TClassInfo& TfrmDynamicCleanup::StaticClassInfo() {
  static const TClassInfo Info{"TfrmDynamicCleanup", &TFrame::StaticClassInfo(), {}, {},
                               [](TComponent* Owner) -> TComponent* { return new TfrmDynamicCleanup(Owner); }};
  return Info;
}

TfrmDynamicCleanup::TfrmDynamicCleanup(TComponent* AOwner) : TFrame(AOwner) {
  RegisterComponentClass(TRxSpeedButton::StaticClassInfo());
  RegisterHandler(this, "spbRefreshClick", &TfrmDynamicCleanup::spbRefreshClick);
  RegisterHandler(this, "spbXFindClick", &TfrmDynamicCleanup::spbXFindClick);
  RegisterHandler(this, "spbDeleteClick", &TfrmDynamicCleanup::spbDeleteClick);
  RegisterHandler(this, "chkIncludeClick", &TfrmDynamicCleanup::chkIncludeClick);
  RegisterHandler(this, "tvExtensionsChange", &TfrmDynamicCleanup::tvExtensionsChange);
  RegisterHandler(this, "tvExtensionsAdvancedCustomDrawItem", &TfrmDynamicCleanup::tvExtensionsAdvancedCustomDrawItem);
  InitLayout(DynamicCleanupLayout());
  ShowDetails(nullptr);
}

TfrmDynamicCleanup::~TfrmDynamicCleanup() { ClearHandlers(); }

TTreeView* TfrmDynamicCleanup::Tree() const { return Part<TTreeView>(const_cast<TfrmDynamicCleanup*>(this), "tvExtensions"); }

void TfrmDynamicCleanup::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TfrmDynamicCleanup::ClearHandlers() {
  for (int I = 0; I < FHandlers.Count(); ++I) delete FHandlers.Objects(I);
  FHandlers.Clear();
}

// ---------------------------------------------------------------------------------------------
// Scanning

void TfrmDynamicCleanup::Refresh() {
  THourGlass Wait;
  FLoading = true;
  struct TDone {
    TfrmDynamicCleanup* Frame;
    ~TDone() { Frame->FLoading = false; }
  } Done{this};
  FModified = false;
  TTreeView* View = Tree();
  View->Items().Clear();
  ClearHandlers();
  FIconCache.clear();
  Part<TCustomImageList>(this, "ilExtensions")->Clear();
  {
    TRegistry Registry(KEY_READ);
    Registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (Registry.OpenKeyReadOnly("\\")) ScanHandlers(Registry, "\\", false);
    Registry.SetRootKey(HKEY_CURRENT_USER);
    const std::string Disabled = "\\" + std::string(DisabledDynamicItemsKey);
    if (Registry.OpenKeyReadOnly(Disabled)) ScanHandlers(Registry, Disabled, true);
  }
  for (int I = 0; I < FHandlers.Count(); ++I) {
    auto* Info = static_cast<TExtensionInfo*>(FHandlers.Objects(I));
    LoadDetails(*Info);
    if (FHandlers.Get(I) != Info->Name) FHandlers.Put(I, Info->Name);
  }
  FHandlers.Sort();
  // Missing handlers first, each group in sorted order.
  std::vector<std::pair<std::string, TObject*>> Missing, Present;
  for (int I = 0; I < FHandlers.Count(); ++I) {
    auto* Info = static_cast<TExtensionInfo*>(FHandlers.Objects(I));
    Info->Missing = IsMissing(*Info);
    (Info->Missing ? Missing : Present).emplace_back(FHandlers.Get(I), Info);
  }
  FHandlers.Clear();
  for (const auto* Group : {&Missing, &Present})
    for (const auto& [Line, Info] : *Group) FHandlers.AddObject(Line, Info);
  View->Items().BeginUpdate();
  try {
    View->Items().Clear();
    for (int I = 0; I < FHandlers.Count(); ++I) {
      auto* Info = static_cast<TExtensionInfo*>(FHandlers.Objects(I));
      TTreeNode* Node = View->Items().AddObject(nullptr, FHandlers.Get(I), Info);
      const int Image = IconIndex(*Info);
      Node->SetImageIndex(Image);
      Node->SetSelectedIndex(Image);
    }
  } catch (...) {
    View->Items().EndUpdate();
    throw;
  }
  View->Items().EndUpdate();
  FLoading = false;
  if (TTreeNode* First = View->Items().GetFirstNode())
    View->SetSelected(First);
  else
    ShowDetails(nullptr);
}

void TfrmDynamicCleanup::ScanHandlers(TRegistry& Registry, const std::string& RootPath, bool StoredDisabled) {
  // Names the code page cannot hold are left out with everything below them.
  TStringList Keys;
  TRegistryEx::GetExactKeyNames(Registry, Keys);
  TStringList Names;
  for (int K = 0; K < Keys.Count(); ++K) {
    const std::string Handlers = RootPath + Keys.Get(K) + HandlersSubKey;
    if (!Registry.OpenKeyReadOnly(Handlers)) continue;
    TRegistryEx::GetExactKeyNames(Registry, Names);
    for (int H = 0; H < Names.Count(); ++H) {
      const std::string Key = Handlers + "\\" + Names.Get(H);
      if (!Registry.OpenKeyReadOnly(Key)) continue;
      const std::string Value = TRegistryEx::ReadText(Registry, "");
      auto Info = std::make_unique<TExtensionInfo>();
      if (IsBracedGuid(Value, Info->CLSID)) {
        Info->Name = Names.Get(H);
      } else if (IsBracedGuid(Names.Get(H), Info->CLSID)) {
        Info->Name = Value;
      } else {
        continue;  // no class to look at
      }
      Info->RegKey = Key.substr(1);
      Info->StoredDisabled = Info->WantDisabled = StoredDisabled;
      const std::string Line = Info->Name;
      FHandlers.AddObject(Line, Info.release());
    }
  }
}

void TfrmDynamicCleanup::LoadDetails(TExtensionInfo& Info) {
  TRegistry Registry(KEY_READ);
  Registry.SetRootKey(HKEY_CLASSES_ROOT);
  const std::string ClassKey = "\\CLSID\\" + GUIDToString(Info.CLSID);
  if (Registry.OpenKeyReadOnly(ClassKey + "\\InProcServer32")) {
    Info.DLLPath = TRegistryEx::ReadText(Registry, "");
    TVersionStrings Version;
    if (GetFileVersionStrings(ExpandIconPath(HandlerFile(Info)), Version)) {
      Info.Description = Version.FileDescription;
      Info.ProductName = Version.ProductName;
      Info.Version = Version.FileVersion;
      Info.Company = Version.CompanyName;
    }
  }
  // A handler named by its class identifier takes the class's name, with or without a server key.
  if (Info.Name.empty() && Registry.OpenKeyReadOnly(ClassKey)) Info.Name = TRegistryEx::ReadText(Registry, "");
}

int TfrmDynamicCleanup::IconIndex(const TExtensionInfo& Info) {
  const auto Cached = FIconCache.find(&Info);
  if (Cached != FIconCache.end()) return Cached->second;
  int Index = -1;
  if (!Info.DLLPath.empty()) {
    if (HICON Icon = ExtractIconHandle(ExpandIconPath(HandlerFile(Info)), 0, true)) {
      Index = Part<TCustomImageList>(this, "ilExtensions")->AddIcon(Icon);
      DestroyIcon(Icon);
    }
  }
  FIconCache[&Info] = Index;
  return Index;
}

bool TfrmDynamicCleanup::IsMissing(const TExtensionInfo& Info) {
  if (Info.DLLPath.empty()) return false;
  // A name with its folder is looked at where it says (the shell's path search refuses such names
  // on some systems); a bare name goes through the search path.
  const std::string File = ExpandIconPath(HandlerFile(Info));
  const bool Found = ExtractFilePath(File).empty() ? FileExistsOnPath(File) : FileExists(File);
  return !Found && IconIndex(Info) == -1;
}

// ---------------------------------------------------------------------------------------------
// Details and commands

TExtensionInfo* TfrmDynamicCleanup::SelectedInfo() {
  TTreeNode* Node = Tree()->Selected();
  return Node ? static_cast<TExtensionInfo*>(Node->Data()) : nullptr;
}

void TfrmDynamicCleanup::ShowDetails(TExtensionInfo* Info) {
  FShowingDetails = true;
  struct TDone {
    TfrmDynamicCleanup* Frame;
    ~TDone() { Frame->FShowingDetails = false; }
  } Done{this};
  auto Set = [this](const char* Edit, const std::string& Text) { Part<TCustomEdit>(this, Edit)->SetText(Text); };
  auto* Image = Part<TImage>(this, "imApp");
  bool Shown = false;
  if (Info) {
    const int Index = IconIndex(*Info);
    if (Index != -1) {
      auto Icon = std::make_unique<TIcon>();
      Part<TCustomImageList>(this, "ilExtensions")->GetIcon(Index, *Icon);
      Image->SetPicture(std::move(Icon));
      Shown = true;
    }
    Part<TCheckBox>(this, "chkInclude")->SetChecked(!Info->WantDisabled);
    Set("edAppPath", Info->DLLPath);
    Set("edRegistryKey", EnabledHandlerPath(Info->RegKey));
    Set("edDescription", Info->Description);
    Set("edProductName", Info->ProductName);
    Set("edVersion", Info->Version);
    Set("edCompany", Info->Company);
    Set("edCLSID", GUIDToString(Info->CLSID));
    Part<TControl>(this, "pnlError")->SetVisible(IsMissing(*Info));
  } else {
    Part<TCheckBox>(this, "chkInclude")->SetChecked(false);
    Part<TControl>(this, "pnlError")->SetVisible(false);
    for (const char* Edit : {"edRegistryKey", "edAppPath", "edDescription", "edProductName", "edVersion", "edCompany", "edCLSID"})
      Set(Edit, "");
  }
  if (!Shown) {
    auto Empty = std::make_unique<TBitmap>();
    Empty->SetSize(16, 16);
    Image->SetPicture(std::move(Empty));
  }
}

void TfrmDynamicCleanup::tvExtensionsChange(TObject*, TTreeNode* Node) {
  if (FLoading) return;
  ShowDetails(Node ? static_cast<TExtensionInfo*>(Node->Data()) : nullptr);
}

void TfrmDynamicCleanup::chkIncludeClick(TObject*) {
  if (FShowingDetails) return;
  TExtensionInfo* Info = SelectedInfo();
  if (!Info) return;
  Info->WantDisabled = !Part<TCheckBox>(this, "chkInclude")->Checked();
  Tree()->Invalidate();
  Changed();
}

void TfrmDynamicCleanup::spbDeleteClick(TObject*) {
  TTreeNode* Node = Tree()->Selected();
  if (!Node) return;
  static_cast<TExtensionInfo*>(Node->Data())->Deleted = true;
  Node->Delete();
  if (!Tree()->Selected()) ShowDetails(nullptr);
  Changed();
}

void TfrmDynamicCleanup::spbXFindClick(TObject*) {
  TExtensionInfo* Info = SelectedInfo();
  if (!Info) return;
  ExploreFolder(ExcludeTrailingPathDelimiter(ExtractFilePath(HandlerFile(*Info))));
}

void TfrmDynamicCleanup::spbRefreshClick(TObject*) { Refresh(); }

void TfrmDynamicCleanup::tvExtensionsAdvancedCustomDrawItem(TTreeView* Sender, TTreeNode* Node, TCustomDrawState,
                                                            TCustomDrawStage Stage, bool&, bool&) {
  if (FLoading || Stage != cdPrePaint || !Node) return;
  const auto* Info = static_cast<const TExtensionInfo*>(Node->Data());
  if (!Info) return;
  Sender->Canvas().Font().SetColor(Info->Missing ? HandlerMissingColor : Info->WantDisabled ? clGrayText : clWindowText);
}

// ---------------------------------------------------------------------------------------------
// Apply

void TfrmDynamicCleanup::RemoveHandler(TExtensionInfo* Info) {
  const int Index = FHandlers.IndexOfObject(Info);
  if (Index >= 0) FHandlers.Delete(Index);
  FIconCache.erase(Info);
  delete Info;
}

void TfrmDynamicCleanup::Apply() {
  if (!FModified) return;
  TRegistry Classes, User;
  Classes.SetRootKey(HKEY_CLASSES_ROOT);
  User.SetRootKey(HKEY_CURRENT_USER);
  // Copied first: a record that was applied may leave the list.
  std::vector<TExtensionInfo*> Records;
  for (int I = 0; I < FHandlers.Count(); ++I) Records.push_back(static_cast<TExtensionInfo*>(FHandlers.Objects(I)));
  for (TExtensionInfo* Info : Records) {
    if (Info->Deleted) {
      TRegistryEx::DeleteKey(Info->StoredDisabled ? User : Classes, "\\" + Info->RegKey);
      RemoveHandler(Info);
      continue;
    }
    if (Info->StoredDisabled == Info->WantDisabled) continue;
    std::string NewPath;
    if (Info->WantDisabled) {
      NewPath = DisabledDynamicItemsKey + Info->RegKey;
      TRegistryEx::MoveRegistryKey(Classes, User, Info->RegKey, NewPath);
    } else {
      NewPath = EnabledHandlerPath(Info->RegKey);
      TRegistryEx::MoveRegistryKey(User, Classes, Info->RegKey, NewPath);
    }
    Info->StoredDisabled = Info->WantDisabled;
    Info->RegKey = NewPath;
  }
  FModified = false;
}

// The parts that the two menu pages of the main window share.
#include "application/MainPages.h"

#include "classlib/core/SysUtils.h"
#include "classlib/gui/Dialogs.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/StdCtrls.h"
#include "classlib/gui/Menus.h"
#include "controls/AdvCursors.h"
#include "controls/AdvTreeView.h"
#include "controls/FileTypeView.h"
#include "controls/NodeUtils.h"
#include "controls/RXCtrls.h"
#include "model/DynamicMenu.h"
#include "model/StaticMenu.h"
#include "model/Utils.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr TAnchors LeftRightTop = AnchorBit(akLeft) | AnchorBit(akTop) | AnchorBit(akRight);
constexpr TAnchors TopRight = AnchorBit(akTop) | AnchorBit(akRight);

const char* const TreeHintText =
    "\x95 Use drag-&-drop to change order and responsibility of items. Hold Ctrl to copy an item.\r\n"
    "\x95 You can drag application files directly from File Manager to add new menu items\r\n"
    "\x95 Include in the item caption \"&\" sign to specify a menu access key.\r\n"
    "\x95 Use popup menu and hot keys for quick access to items management services.";
const std::string StaticTreeHint = std::string("|List of static menu items grouped by file type\r\n") + TreeHintText;
const std::string DynamicTreeHint = std::string("|List of dynamic menu items grouped by file type\r\n") + TreeHintText;
const char* const FileTypeBoxHint =
    "|List of registered file types\r\n\x95 Choose a file type to associate selected menu item with it.";
const char* const IncludeHint =
    "|Menu item activating box\r\nIndicates state of a menu item. If this turned on menu item will be included in "
    "context menu, otherwise it won't appear.\r\nBy default all menu items are created with this option on. ";
const char* const ApplicationHint =
    "|Full path to an application invoked by the menu item.\r\n\x95 Drag a file directly from File Manager or use "
    "right-hand button to specify an application file path.";
const char* const ParametersHint =
    "|List of the application parameters\r\nUse \"%1\" to specify substitution for a current file object.\r\n"
    "Example: \"%1\" /p opens the selected file with the /p switch, for instance to print it.";
const char* const ExtensionsHint =
    "|List of the associated file extensions\r\nDisplays list of the file extensions belonging to the selected file "
    "type.";
const char* const KeyHint =
    "|Registry key name\r\nDisplays name of the key where selected file type is stored in the registry.";

TLayoutComponent Row(const char* Class, const char* Name, const char* Parent, int L, int T, int W, int H,
                     std::vector<TLayoutValue> Props, std::vector<TLayoutValue> Events = {}, TAlign Align = alNone,
                     TAnchors Anchors = akLeftTop) {
  return {Class, Name, Parent, L, T, W, H, Align, Anchors, std::move(Props), std::move(Events)};
}

// The two menu trees: automatic drags with the window's own drag images, files from the shell.
std::vector<TLayoutValue> TreeProps(const std::string& Hint) {
  return {{"DragMode", "dmAutomatic"}, {"DefaultDragging", "False"}, {"AcceptFiles", "True"},
          {"HideSelection", "False"},  {"RightClickSelect", "True"},   {"Indent", "19"},
          {"BorderStyle", "bsNone"},   {"Hint", Hint.c_str()}};
}

TLayoutComponent SpeedButton(const char* Name, const char* Parent, int Left, const char* Caption, const char* Hint) {
  return Row("TRxSpeedButton", Name, Parent, Left, 2, 46, 24, {{"Caption", Caption}, {"Flat", "True"}, {"Hint", Hint}});
}

// Everything but the trees and the page-specific rows: the details panel of a page. X names the
// dynamic page's controls ("X" after the kind prefix), "" the static page's. Labels stand left of
// their fields, so that the details fit the window's smallest size; each field lies flat in a
// panel of its own, whose bevel On3DEnter lowers while the field has the focus.
void AddDetails(TLayout& L, bool Dynamic) {
  auto N = [Dynamic](const char* Prefix, const char* Role) {
    static std::vector<std::string> Names;  // the layout keeps pointers to the names
    Names.reserve(96);
    Names.push_back(std::string(Prefix) + (Dynamic ? "X" : "") + Role);
    return Names.back().c_str();
  };
  const char* Panel = Dynamic ? "pnlDynamicDetails" : "pnlStaticDetails";
  const char* Page = Dynamic ? "tshtActiveXMenus" : "tshtStaticMenus";
  L.Components.push_back(Row("TPanel", Panel, Page, 300, 28, 312, 272, {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {},
                             alRight));
  constexpr int Pitch = 24, FieldLeft = 82, FieldHeight = 23, Right = 8;
  constexpr TAnchors AllSides = AnchorBit(akLeft) | AnchorBit(akTop) | AnchorBit(akRight) | AnchorBit(akBottom);
  // A field in its frame panel ("pnl" + its role) at Left/Top of the details, Width wide.
  auto Field = [&](const char* Class, const char* Name, const char* Role, int Left, int Top, int Width,
                   std::vector<TLayoutValue> Props, std::vector<TLayoutValue> Events) {
    const char* Frame = N("pnl", Role);
    L.Components.push_back(Row("TPanel", Frame, Panel, Left, Top, Width, FieldHeight,
                               {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}, alNone, LeftRightTop));
    Props.push_back({"BorderStyle", "bsNone"});
    Events.push_back({"OnEnter", "On3DEnter"});
    Events.push_back({"OnExit", "On3DExit"});
    L.Components.push_back(Row(Class, Name, Frame, 2, 2, Width - 4, FieldHeight - 4, std::move(Props), std::move(Events),
                               alNone, AllSides));
  };
  auto Label = [&](const char* Name, int Top, const char* Caption, const char* Focus) {
    L.Components.push_back(Row("TLabel", Name, Panel, 8, Top + 4, FieldLeft - 12, 14,
                               {{"Caption", Caption}, {"FocusControl", Focus}}, {{"OnClick", "OnLabelClick"}}));
  };
  const int FieldWidth = 312 - FieldLeft - Right;
  L.Components.push_back(Row("TCheckBox", N("chk", "Include"), Panel, 8, 4, 120, 17,
                             {{"Caption", "A&ctive"}, {"Hint", IncludeHint}},
                             {{"OnClick", Dynamic ? "chkXIncludeClick" : "chkIncludeClick"}}));
  if (Dynamic) L.Components.push_back(Row("TImage", "imgXApplication", Panel, 312 - Right - 16, 4, 16, 16, {}, {}, alNone, TopRight));
  int Top = 4 + Pitch;
  Field("TFilenameEdit", N("ed", "Application"), "Application", FieldLeft, Top, FieldWidth,
        {{"Hint", ApplicationHint}, {"Filter", "Applications (*.exe)|*.exe|All Files (*.*)|*.*"},
         {"DialogTitle", Dynamic ? "Select an application" : "Select an Application"}},
        {{"OnChange", Dynamic ? "edXApplicationChange" : "edApplicationChange"},
         {"OnAfterDialog", Dynamic ? "edXApplicationAfterDialog" : "edApplicationAfterDialog"}});
  Label(N("lbl", "Application"), Top, "A&pplication:", N("ed", "Application"));
  Top += Pitch;
  Field("TEdit", N("ed", "Parameters"), "Parameters", FieldLeft, Top, FieldWidth, {{"Hint", ParametersHint}},
        {{"OnChange", Dynamic ? "edXParametersChange" : "edParametersChange"}});
  Label(N("lbl", "Parameters"), Top, "Pa&rameters:", N("ed", "Parameters"));
  Top += Pitch;
  if (Dynamic) {
    Field("TEdit", "edXMenuHint", "MenuHint", FieldLeft, Top, FieldWidth,
          {{"MaxLength", "80"}, {"Hint", "|Menu item hint\r\nThe text the shell shows for the item."}},
          {{"OnChange", "edXMenuHintChange"}});
    Label("lblXMenuHint", Top, "&Hint:", "edXMenuHint");
    Top += Pitch;
  }
  Field("TFileTypeComboBox", N("cb", "FileType"), "FileTypeBox", FieldLeft, Top, FieldWidth,
        {{"DropDownCount", "16"}, {"Hint", FileTypeBoxHint}}, {{"OnChange", Dynamic ? "cbXFileTypeChange" : "cbFileTypeChange"}});
  Label(N("lbl", "FileType"), Top, "File &type:", N("cb", "FileType"));
  Top += Pitch;
  Field("TEdit", N("ed", "FileType"), "FileTypeKey", 6, Top, 312 - 6 - Right + 2, {{"ReadOnly", "True"}, {"Hint", KeyHint}}, {});
  Top += Pitch;
  // The extensions take the rest of the panel's height (FitExtensionsField).
  L.Components.push_back(Row("TPanel", N("pnl", "FileExtensions"), Panel, 6, Top, 312 - 6 - Right + 2, FieldHeight,
                             {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}, alNone, LeftRightTop));
  L.Components.push_back(Row("TMemo", N("mem", "FileExtensions"), N("pnl", "FileExtensions"), 2, 2, 312 - 6 - Right - 2,
                             FieldHeight - 4, {{"ReadOnly", "True"}, {"Hint", ExtensionsHint}, {"BorderStyle", "bsNone"}},
                             {{"OnEnter", "On3DEnter"}, {"OnExit", "On3DExit"}}, alNone, AllSides));
}

}  // namespace

void AddMenuPagesLayout(TLayout& L) {
  // "Static Items"
  L.Components.push_back(Row("TGradientPanel", "GradientPanel1", "tshtStaticMenus", 0, 0, 612, 28,
                             {{"Caption", ""}, {"BevelOuter", "bvNone"}, {"Gradient.StartColor", "$FF00000F"},
                              {"Gradient.EndColor", "$FF000005"}, {"Gradient.FillType", "gtHorizontal"}},
                             {}, alTop));
  L.Components.push_back(Row("THoverLabel", "HoverLabel1", "GradientPanel1", 4, 7, 80, 14,
                             {{"Caption", " Menu Items "}, {"Transparent", "True"}}, {{"OnClick", "HoverLabel1Click"}}));
  L.Components.push_back(SpeedButton("spbAdd", "GradientPanel1", 90, "Add ", "Add new static menu item"));
  L.Components.push_back(SpeedButton("spbDelete", "GradientPanel1", 138, "Delete", "Delete menu item"));
  L.Components.push_back(SpeedButton("spbFind", "GradientPanel1", 186, "Find", "Find program at its location"));
  L.Components.push_back(SpeedButton("spbUp", "GradientPanel1", 234, "Up", "Move menu item up"));
  L.Components.push_back(SpeedButton("spbDown", "GradientPanel1", 282, "Down", "Move menu item down"));
  L.Components.push_back(Row("TAdvTreeView", "tvMenu", "tshtStaticMenus", 0, 28, 300, 272,
                             TreeProps(StaticTreeHint),
                             {{"OnFilesDrop", "tvMenuFilesDrop"}, {"OnChange", "tvMenuChange"}, {"OnEditing", "tvMenuEditing"}, {"OnEdited", "tvMenuEdited"},
                              {"OnCollapsing", "tvMenuCollapsing"}, {"OnExpanding", "tvMenuExpanding"},
                              {"OnMouseDown", "tvMenuMouseDown"}, {"OnMouseUp", "tvMenuMouseUp"},
                              {"OnStartDrag", "tvMenuStartDrag"}, {"OnDragOver", "tvMenuDragOver"},
                              {"OnDragDrop", "tvMenuDragDrop"}, {"OnAdvancedCustomDrawItem", "tvMenuAdvancedCustomDrawItem"}},
                             alClient));
  AddDetails(L, false);
  L.Components.push_back(Row("TPopupMenu", "pmMenu", "", 0, 0, 0, 0, {}));

  // "Submenu Items": the header band holds the extension's box as well.
  L.Components.push_back(Row("THoverLabel", "lblXMenuItems", "GradientPanel6", 4, 7, 80, 14,
                             {{"Caption", " Menu Items  "}, {"Transparent", "True"}}, {{"OnClick", "lblXMenuItemsClick"}}));
  const struct {
    const char* Name;
    const char* Caption;
    const char* Hint;
  } XButtons[] = {{"spbXNew", "Item", "Add dynamic menu item"},       {"spbXDelete", "Delete", "Delete menu item"},
                  {"spbXBitmap", "Icon", "Change menu item icon"},    {"spbXFind", "Find", "Find program at its location"},
                  {"spbXCustom", "Custom", "Customize menu items"},   {"spbXMenu", "Menu", "Menu files"},
                  {"spbXUp", "Up", "Move menu item up"},              {"spbXDown", "Down", "Move menu item down"}};
  // Narrow enough that the last one stays clear of the extension's box at the window's smallest width.
  int Left = 84;
  for (const auto& B : XButtons) {
    L.Components.push_back(Row("TRxSpeedButton", B.Name, "GradientPanel6", Left, 2, 38, 24,
                               {{"Caption", B.Caption}, {"Flat", "True"}, {"Hint", B.Hint}}));
    Left += 39;
  }
  L.Components.push_back(Row("TAdvTreeView", "tvXMenu", "tshtActiveXMenus", 0, 28, 300, 272,
                             TreeProps(DynamicTreeHint),
                             {{"OnFilesDrop", "tvXMenuFilesDrop"}, {"OnChange", "tvXMenuChange"}, {"OnEditing", "tvXMenuEditing"}, {"OnEdited", "tvXMenuEdited"},
                              {"OnCollapsing", "tvXMenuCollapsing"}, {"OnExpanding", "tvXMenuExpanding"},
                              {"OnMouseDown", "tvXMenuMouseDown"}, {"OnStartDrag", "tvXMenuStartDrag"},
                              {"OnDragOver", "tvXMenuDragOver"}, {"OnDragDrop", "tvXMenuDragDrop"},
                              {"OnAdvancedCustomDrawItem", "tvXMenuAdvancedCustomDrawItem"}},
                             alClient));
  AddDetails(L, true);
  for (const char* Menu : {"pmXMenus", "pmXAddItem", "pmXMenuScheme", "pmXItemIcon"})
    L.Components.push_back(Row("TPopupMenu", Menu, "", 0, 0, 0, 0, {}));
}

void RegisterMenuPagesHandlers(TfrmMain* F) {
  RegisterHandler(F, "On3DEnter", &TfrmMain::On3DEnter);
  RegisterHandler(F, "On3DExit", &TfrmMain::On3DExit);
  RegisterHandler(F, "OnLabelClick", &TfrmMain::OnLabelClick);
  RegisterHandler(F, "tvMenuChange", &TfrmMain::tvMenuChange);
  RegisterHandler(F, "tvMenuEditing", &TfrmMain::tvMenuEditing);
  RegisterHandler(F, "tvMenuEdited", &TfrmMain::tvMenuEdited);
  RegisterHandler(F, "tvMenuCollapsing", &TfrmMain::tvMenuCollapsing);
  RegisterHandler(F, "tvMenuExpanding", &TfrmMain::tvMenuExpanding);
  RegisterHandler(F, "tvMenuMouseDown", &TfrmMain::tvMenuMouseDown);
  RegisterHandler(F, "tvMenuMouseUp", &TfrmMain::tvMenuMouseUp);
  RegisterHandler(F, "tvMenuFilesDrop", &TfrmMain::tvMenuFilesDrop);
  RegisterHandler(F, "tvMenuStartDrag", &TfrmMain::tvMenuStartDrag);
  RegisterHandler(F, "tvMenuDragOver", &TfrmMain::tvMenuDragOver);
  RegisterHandler(F, "tvMenuDragDrop", &TfrmMain::tvMenuDragDrop);
  RegisterHandler(F, "tvMenuAdvancedCustomDrawItem", &TfrmMain::tvMenuAdvancedCustomDrawItem);
  RegisterHandler(F, "edApplicationChange", &TfrmMain::edApplicationChange);
  RegisterHandler(F, "edApplicationAfterDialog", &TfrmMain::edApplicationAfterDialog);
  RegisterHandler(F, "edParametersChange", &TfrmMain::edParametersChange);
  RegisterHandler(F, "chkIncludeClick", &TfrmMain::chkIncludeClick);
  RegisterHandler(F, "cbFileTypeChange", &TfrmMain::cbFileTypeChange);
  RegisterHandler(F, "HoverLabel1Click", &TfrmMain::HoverLabel1Click);
  RegisterHandler(F, "tvXMenuChange", &TfrmMain::tvXMenuChange);
  RegisterHandler(F, "tvXMenuEditing", &TfrmMain::tvXMenuEditing);
  RegisterHandler(F, "tvXMenuEdited", &TfrmMain::tvXMenuEdited);
  RegisterHandler(F, "tvXMenuCollapsing", &TfrmMain::tvXMenuCollapsing);
  RegisterHandler(F, "tvXMenuExpanding", &TfrmMain::tvXMenuExpanding);
  RegisterHandler(F, "tvXMenuMouseDown", &TfrmMain::tvXMenuMouseDown);
  RegisterHandler(F, "tvXMenuFilesDrop", &TfrmMain::tvXMenuFilesDrop);
  RegisterHandler(F, "tvXMenuStartDrag", &TfrmMain::tvXMenuStartDrag);
  RegisterHandler(F, "tvXMenuDragOver", &TfrmMain::tvXMenuDragOver);
  RegisterHandler(F, "tvXMenuDragDrop", &TfrmMain::tvXMenuDragDrop);
  RegisterHandler(F, "tvXMenuAdvancedCustomDrawItem", &TfrmMain::tvXMenuAdvancedCustomDrawItem);
  RegisterHandler(F, "edXApplicationChange", &TfrmMain::edXApplicationChange);
  RegisterHandler(F, "edXApplicationAfterDialog", &TfrmMain::edXApplicationAfterDialog);
  RegisterHandler(F, "edXParametersChange", &TfrmMain::edXParametersChange);
  RegisterHandler(F, "edXMenuHintChange", &TfrmMain::edXMenuHintChange);
  RegisterHandler(F, "chkXIncludeClick", &TfrmMain::chkXIncludeClick);
  RegisterHandler(F, "cbXFileTypeChange", &TfrmMain::cbXFileTypeChange);
  RegisterHandler(F, "lblXMenuItemsClick", &TfrmMain::lblXMenuItemsClick);
}

// ---------------------------------------------------------------------------------------------

std::string FileTypeKeyText(const TFileType* Type) { return "Key: \"" + (Type ? Type->Name() : std::string()) + "\""; }

std::string FileTypeExtensionsText(const TFileType* Type) {
  if (!Type || Type->GetExtensionCount() == 0) return "";
  std::string Text = "Extensions: ";
  for (int I = 0; I < Type->GetExtensionCount(); ++I) Text += (I ? ", " : "") + Type->GetExtension(I);
  return Text;
}

std::string ApplicationCaption(const std::string& FileName) {
  TVersionStrings Info;
  if (GetFileVersionStrings(FileName, Info) && !Info.FileDescription.empty()) return Info.FileDescription;
  return ExtractFileTitle(FileName);
}

void RepaintItemNode(TTreeView* Tree, TTreeItem* Item) {
  TTreeNode* Node = FindItemNode(Item, Tree);
  if (!Node) return;
  Node->SetText(ItemNodeText(Item));
  // What the page paints over the row (check box, picture) changes without its text.
  const RECT Row = Node->DisplayRect(false);
  InvalidateRect(Tree->Handle(), &Row, TRUE);
}

void ShowApplication(TControl* Edit, const std::string& Application) {
  // The edit keeps the quotes its user or its dialog put around the same path.
  if (UnquotedPath(Edit->Text()) != Application) Edit->SetText(Application);
}

void ExploreApplicationFolder(const std::string& Application) {
  const INT_PTR Result = CallShellOpen(GetActiveWindow(), "explore", ExtractFilePath(UnquotedPath(Application)), SW_SHOWNORMAL);
  if (Result <= 32) throw Exception(SysErrorMessage(static_cast<DWORD>(Result)));
}

bool ConfirmDeleteItem() {
  return Application->MessageBox("Delete menu item?", Application->Title(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void MoveItemBy(TTreeItem* Item, int Delta) {
  if (!Item || !Item->GetCollection()) return;
  const int Index = Item->Index() + Delta;
  if (Index >= 0 && Index < Item->GetCollection()->Count()) Item->SetIndex(Index);
}

TTreeItem* DragStartItem(TAdvTreeView* Tree, TCustomMenu* Menu) {
  if (TTreeNode* Pressed = Tree->DraggedNode()) return NodeItem(Pressed);
  return Menu->Focused();
}

TCustomMenuItems* NewItemContainer(TCustomMenu* Menu, bool SubMenus) {
  TTreeItem* Focused = Menu->Focused();
  if (!Focused) return nullptr;
  if (dynamic_cast<TCustomFileTypeCategory*>(Focused) || (SubMenus && dynamic_cast<TDynamicSubMenu*>(Focused)))
    return static_cast<TCustomMenuItems*>(Focused->Items());
  return static_cast<TCustomMenuItems*>(Focused->GetCollection());
}

void BindPageMenus(TfrmMain* F, const std::vector<TPageMenu>& Menus, const std::vector<TPageButton>& Buttons) {
  for (const TPageMenu& M : Menus) {
    auto* Menu = FormPart<TPopupMenu>(F, M.Menu);
    for (const char* Entry : M.Entries) {
      auto* Item = new TMenuItem(F);
      const std::string Name = Entry;
      if (Name == "-")
        Item->SetCaption("-");
      else if (Name.rfind("mi", 0) == 0)
        Item->SetName(Name);
      else
        Item->SetAction(F->Action(Name));
      Menu->Items()->Add(Item);
    }
  }
  for (const TPageButton& B : Buttons) {
    auto* Button = FormPart<TRxSpeedButton>(F, B.Button);
    if (*B.DropDown) Button->SetDropDownMenu(FormPart<TPopupMenu>(F, B.DropDown));
    if (*B.Action) {
      TAction* Action = F->Action(B.Action);
      Button->OnClick = [Action](TObject*) { Action->Execute(); };
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Dragging

namespace {

// The node's picture cell and text as the view shows them now, as a one-image list.
HIMAGELIST NodeRowImage(TTreeView* Tree, TTreeNode* Node) {
  const RECT Text = Node->DisplayRect(true);
  const int Left = std::max(0, static_cast<int>(Text.left) - Tree->Indent());
  const int Width = Text.right - Left, Height = Text.bottom - Text.top;
  if (Width <= 0 || Height <= 0) return nullptr;
  HDC View = GetDC(Tree->Handle());
  HDC DC = CreateCompatibleDC(View);
  HBITMAP Bitmap = CreateCompatibleBitmap(View, Width, Height);
  HGDIOBJ Old = SelectObject(DC, Bitmap);
  BitBlt(DC, 0, 0, Width, Height, View, Left, Text.top, SRCCOPY);
  SelectObject(DC, Old);
  HIMAGELIST Image = ImageList_Create(Width, Height, ILC_COLOR32, 1, 1);
  if (Image && ImageList_Add(Image, Bitmap, nullptr) < 0) {
    ImageList_Destroy(Image);
    Image = nullptr;
  }
  DeleteObject(Bitmap);
  DeleteDC(DC);
  ReleaseDC(Tree->Handle(), View);
  return Image;
}

}  // namespace

void SetNodeDragImage(TDraggedItem* Dragged, TAdvTreeView* Tree) {
  TTreeNode* Node = Tree->DraggedNode() ? Tree->DraggedNode() : Tree->Selected();
  if (!Node || !Tree->HandleAllocated()) return;
  auto Image = reinterpret_cast<HIMAGELIST>(
      SendMessageA(Tree->Handle(), TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(Node->ItemId())));
  // A view may answer an empty list (Wine's does): the picture is then taken from the screen.
  if (Image && ImageList_GetImageCount(Image) == 0) {
    ImageList_Destroy(Image);
    Image = nullptr;
  }
  if (!Image) Image = NodeRowImage(Tree, Node);
  if (!Image) return;
  auto* Images = new TDragImageList(16, 16);
  Images->SetHandle(Image);
  Dragged->HotSpotX = 2;
  Dragged->HotSpotY = 2;
  Dragged->SetDragImages(Images);
}

TDropPlace MenuDropPlace(TCustomMenuItem* Dragged, TTreeNode* Node) {
  TDropPlace Place;
  auto* Over = dynamic_cast<TCategorizedCollectionItem*>(NodeItem(Node));
  if (!Dragged || !Over || Over == Dragged || Over->IsDescendantOf(Dragged)) return Place;
  TTreeItems* Own = Dragged->GetCollection();
  if (Own && Own->ParentItem() == Over) return Place;  // its own container
  const bool Container = dynamic_cast<TCustomFileTypeCategory*>(Over) || dynamic_cast<TDynamicSubMenu*>(Over);
  Place.Accept = true;
  if (!Container && Over->GetCollection() == Own) {
    Place.Exchange = true;
    Place.Index = Over->Index();
  } else if (Container) {
    Place.Target = Over;
    Place.Index = 0;
  } else {
    Place.Target = static_cast<TCategorizedCollectionItem*>(Over->GetCollection()->ParentItem());
    Place.Index = Over->Index();
  }
  return Place;
}

void DropMenuItem(TCustomMenuItem* Dragged, const TDropPlace& Place, bool Copy) {
  if (!Place.Accept) return;
  if (Place.Exchange) {
    Dragged->SetIndex(Place.Index);
    Dragged->Focus();
    return;
  }
  TCategorizedCollectionItem* Result = Dragged->MoveTo(Place.Target, Place.Index, !Copy);
  if (Result) Result->Focus();
}

void ExpandNodeUnderDrag(TTreeView* Tree, TTreeNode* Node, int X, int Y) {
  if (!Node) return;
  Node->MakeVisible();
  const THitTests Hit = Tree->GetHitTestInfoAt(X, Y);
  if (Node->HasChildren() && !Node->Expanded() && (Hit & (htOnButton | htOnIcon | htOnIndent | htOnStateIcon)) &&
      !(Hit & htOnLabel))
    Node->Expand(false);
}

// ---------------------------------------------------------------------------------------------
// Pictures in front of the nodes' texts

namespace {

RECT NodePictureRect(TTreeView* Tree, TTreeNode* Node, int Width, int Height) {
  const RECT Text = Node->DisplayRect(true);
  const int Left = Text.left - Tree->Indent();
  const int Top = Text.top + (Text.bottom - Text.top - Height) / 2;
  return {Left, Top, Left + Width, Top + Height};
}

}  // namespace

void DrawNodePicture(TTreeView* Tree, TTreeNode* Node, TGraphic* Picture) {
  if (!Picture || Picture->Empty()) return;
  const int Size = GetSystemMetrics(SM_CXSMICON);
  const RECT R = NodePictureRect(Tree, Node, Size, Size);
  if (auto* Icon = dynamic_cast<TIcon*>(Picture))
    DrawIconEx(Tree->Canvas().Handle(), R.left, R.top, Icon->Handle(), Size, Size, 0, nullptr, DI_NORMAL);
  else
    Picture->Draw(Tree->Canvas().Handle(), R);
}

void DrawNodeGlyph(TTreeView* Tree, TTreeNode* Node, TCustomImageList* Images, int Index) {
  if (!Images || Index >= Images->Count()) return;
  const RECT R = NodePictureRect(Tree, Node, Images->Width(), Images->Height());
  Images->Draw(Tree->Canvas(), R.left, R.top, Index);
}

void MakePageGlyphs(TCustomImageList* Images) {
  Images->SetSize(16, 16);
  Images->Clear();
  HDC Screen = GetDC(nullptr);
  HDC DC = CreateCompatibleDC(Screen);
  const UINT Frames[][2] = {{DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT},
                            {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | DFCS_CHECKED},
                            {DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_FLAT}};
  for (const auto& Frame : Frames) {
    HBITMAP Bitmap = CreateCompatibleBitmap(Screen, 16, 16);
    HGDIOBJ Old = SelectObject(DC, Bitmap);
    RECT All{0, 0, 16, 16};
    FillRect(DC, &All, GetSysColorBrush(COLOR_WINDOW));
    RECT Box{2, 2, 15, 15};
    DrawFrameControl(DC, &Box, Frame[0], Frame[1]);
    SelectObject(DC, Old);
    ImageList_Add(Images->Handle(), Bitmap, nullptr);
    DeleteObject(Bitmap);
  }
  DeleteDC(DC);
  ReleaseDC(nullptr, Screen);
}

// ---------------------------------------------------------------------------------------------
// The window's side of both pages

namespace {

// The extensions' frame reaches down to the details panel's bottom margin, whatever its height.
void FitExtensionsField(TWinControl* Details, TControl* Frame) {
  const auto Fit = [Details, Frame] {
    Frame->SetBounds(Frame->Left(), Frame->Top(), Frame->Width(), std::max(Details->ClientHeight() - Frame->Top() - 4, 8));
  };
  Details->OnResize = [Fit](TObject*) { Fit(); };
  Fit();
}

}  // namespace

void TfrmMain::SetupMenuPages() {
  FitExtensionsField(FormPart<TWinControl>(this, "pnlStaticDetails"), FormPart<TControl>(this, "pnlFileExtensions"));
  FitExtensionsField(FormPart<TWinControl>(this, "pnlDynamicDetails"), FormPart<TControl>(this, "pnlXFileExtensions"));
  auto* FileTypeImages = FormPart<TCustomImageList>(this, "ilFileTypes");
  for (const char* Name : {"tvMenu", "tvXMenu"}) FormPart<TTreeView>(this, Name)->SetImages(FileTypeImages);
  MakePageGlyphs(FormPart<TCustomImageList>(this, "ilGlyphs"));
  StaticMenu->OnChange = [this](TObject* S, TTreeItems* C, TTreeItem* I) { OnStaticTreeChange(S, C, I); };
  StaticMenu->OnFocusChange = [this](TObject* S) { OnStaticFocusChange(S); };
  StaticMenu->OnItemChange = [this](TObject* S, TTreeItem* I) { OnStaticItemChange(S, I); };
  DynamicMenu->OnChange = [this](TObject* S, TTreeItems* C, TTreeItem* I) { OnDynamicTreeChange(S, C, I); };
  DynamicMenu->OnFocusChange = [this](TObject* S) { OnDynamicFocusChange(S); };
  DynamicMenu->OnItemChange = [this](TObject* S, TTreeItem* I) { OnDynamicItemChange(S, I); };
  BindStaticPage(this);
  BindSubmenuPage(this);
  // The pseudo types of both boxes; the static page has neither background nor printers.
  const TPredefinedTypes Dynamic = TPredefinedTypes::All();
  const TPredefinedTypes Static = TPredefinedTypes::All().Exclude(ptypBackground).Exclude(ptypPrinters);
  for (const char* Name : {"cbFileType", "cbXFileType"}) {
    auto* Box = FormPart<TFileTypeComboBox>(this, Name);
    Box->SetImages(FileTypeImages);
    Box->SetPredefinedTypes(Name[2] == 'X' ? Dynamic : Static);
    Box->SetFileTypes(FileTypes);
  }
}

void BindPageAction(TfrmMain* F, TTreeView* Tree, const char* Name, std::function<void()> Execute,
                    std::function<bool()> Enabled, TShortCut Keys, const char* Button) {
  TAction* A = F->Action(Name);
  A->OnExecute = [Execute](TObject*) { Execute(); };
  TControl* ButtonControl = *Button ? FormPart<TControl>(F, Button) : nullptr;
  A->OnUpdate = [F, Tree, A, Enabled, Keys, ButtonControl](TObject*) {
    A->SetEnabled(Enabled());
    F->SetActionShortCut(Tree, A, Keys, ButtonControl);
  };
}

namespace {

// The node of the row under a drag: its label, icon, indent, expand button or the space right of it.
TTreeNode* NodeUnderDrag(TTreeView* Tree, int X, int Y) {
  TVHITTESTINFO Info{};
  Info.pt = POINT{X, Y};
  const auto Id = reinterpret_cast<HTREEITEM>(SendMessageA(Tree->Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&Info)));
  return Id ? Tree->Items().GetNode(Id) : nullptr;
}

}  // namespace

namespace {

// Puts the view's drop highlight on Node (none for nullptr) and paints the rows that change at
// once, while the drag image is hidden.
void ShowDropTarget(TTreeView* Tree, TTreeNode* Node, bool& Shown) {
  Shown = Node != nullptr;
  if (!Tree->HandleAllocated()) return;
  const HWND View = Tree->Handle();
  const auto Old = reinterpret_cast<HTREEITEM>(SendMessageA(View, TVM_GETNEXTITEM, TVGN_DROPHILITE, 0));
  const HTREEITEM New = Node ? Node->ItemId() : nullptr;
  if (Old != New) SendMessageA(View, TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(New));
  for (HTREEITEM Id : {Old, New}) {
    if (!Id) continue;
    RECT Row{};
    std::memcpy(&Row, &Id, sizeof(Id));  // TVM_GETITEMRECT takes the item in the rectangle
    if (SendMessageA(View, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&Row))) InvalidateRect(View, &Row, TRUE);
  }
  UpdateWindow(View);
}

}  // namespace

bool MenuTreeDragOver(TTreeView* Tree, TDraggedItem* Dragged, int X, int Y, TDragState State, bool& Shown) {
  TTreeNode* Node = Dragged && State != dsDragLeave ? NodeUnderDrag(Tree, X, Y) : nullptr;
  const TDropPlace Place = MenuDropPlace(Dragged ? Dragged->GetDraggedItem() : nullptr, Node);
  if (!Place.Accept) {
    ShowDropTarget(Tree, nullptr, Shown);
    return false;
  }
  ExpandNodeUnderDrag(Tree, Node, X, Y);
  Dragged->DragCursor = Place.Exchange ? crExchange : (GetKeyState(VK_CONTROL) < 0 ? crCopy : crArrow);
  ShowDropTarget(Tree, Node, Shown);
  return true;
}

void MenuTreeDragDrop(TTreeView* Tree, TDraggedItem* Dragged, int X, int Y, bool& Shown) {
  ShowDropTarget(Tree, nullptr, Shown);
  if (!Dragged) return;
  DropMenuItem(Dragged->GetDraggedItem(), MenuDropPlace(Dragged->GetDraggedItem(), NodeUnderDrag(Tree, X, Y)),
               GetKeyState(VK_CONTROL) < 0);
}

bool IsMarkedDropTarget(TTreeView* Tree, TTreeNode* Node, bool Shown) {
  if (!Shown || !Node || !Tree->HandleAllocated()) return false;
  return reinterpret_cast<HTREEITEM>(SendMessageA(Tree->Handle(), TVM_GETNEXTITEM, TVGN_DROPHILITE, 0)) == Node->ItemId();
}

void AddFurtherDroppedFiles(TCustomMenu* Menu, TCustomMenuItems* Container, TStrings* FileList,
                            const std::function<TCustomMenuItem*(TCustomMenuItems* Into, const std::string& Name)>& Add) {
  TTreeItem* Owner = Container ? Container->ParentItem() : nullptr;
  TCustomMenuItem* Last = nullptr;
  {
    struct TBracket {
      TCustomMenu* Menu;
      TTreeItem* Owner;
      TBracket(TCustomMenu* M, TTreeItem* O) : Menu(M), Owner(O) {
        if (Owner) {
          Owner->BeginUpdate();
          Menu->DisableChangeNotify();
        } else {
          Menu->BeginUpdate();
        }
      }
      ~TBracket() {
        if (Owner) {
          Menu->EnableChangeNotify();
          Owner->EndUpdate();
        } else {
          Menu->EndUpdate();
        }
      }
    } Bracket(Menu, Owner);
    for (int I = 1; I < FileList->Count(); ++I) Last = Add(Container ? Container : Menu->GetItems(), FileList->Get(I));
  }
  if (Last) Last->Focus();
}

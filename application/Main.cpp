#include "application/Main.h"

#include "ExceptionWatcher/hxException.h"
#include "application/About.h"
#include "application/AppPaths.h"
#include "application/DynamicCleanup.h"
#include "application/Hints.h"
#include "application/Loading.h"
#include "application/MainPages.h"
#include "controls/AdvTreeView.h"
#include "controls/FileTypeView.h"
#include "controls/ToolEdit.h"
#include "classlib/core/IniFiles.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/Menus.h"
#include "controls/GradientPanel.h"
#include "controls/Hover.h"
#include "controls/RXCtrls.h"
#include "controls/MRUList.h"
#include "controls/Placemnt.h"
#include "model/CorvIniFile.h"
#include "model/DynamicMenu.h"
#include "model/FileTypeList.h"
#include "model/RegistryEx.h"
#include "model/ShellExtReg.h"
#include "model/StaticItemsCleanup.h"
#include "model/StaticMenu.h"
#include "model/Utils.h"
#include "resources/ResStrings.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <vector>

TfrmMain* frmMain = nullptr;

namespace {

struct TActionRow {
  const char* Name;
  const char* Caption;
  const char* Category;
  TShortCut Keys;
  const char* OnExecute;
  const char* OnUpdate;
};

constexpr TShortCut Ctrl(WORD Key) { return static_cast<TShortCut>(scCtrl | Key); }

const TActionRow ActionRows[] = {
    {"actAdd", "&Add Item", "Static", VK_INSERT, "", ""},
    {"actDel", "&Delete", "Static", VK_DELETE, "", ""},
    {"actFind", "&Find Application", "Static", Ctrl('F'), "", ""},
    {"actUp", "Move &Up", "Static", Ctrl(VK_UP), "", ""},
    {"actDown", "Move Do&wn", "Static", Ctrl(VK_DOWN), "", ""},
    {"actRename", "&Rename", "Static", VK_F2, "", ""},
    {"actSort", "&Sort by Name", "Static", scNone, "", ""},
    {"actXAdd", "&Add Item", "ActiveX", VK_INSERT, "", ""},
    {"actXSeparator", "Add &Separator", "ActiveX", scNone, "", ""},
    {"actXSub", "Add Sub&menu", "ActiveX", scNone, "", ""},
    {"actXDel", "&Delete", "ActiveX", VK_DELETE, "", ""},
    {"actXUp", "Move &Up", "ActiveX", Ctrl(VK_UP), "", ""},
    {"actXDown", "Move Do&wn", "ActiveX", Ctrl(VK_DOWN), "", ""},
    {"actXFind", "&Find Application", "ActiveX", Ctrl('F'), "", ""},
    {"actXSelectIcon", "&Select...", "ActiveX", Ctrl('I'), "", ""},
    {"actXRemoveIcon", "&Remove", "ActiveX", scNone, "", ""},
    {"actXRename", "&Rename", "ActiveX", VK_F2, "", ""},
    {"actXSort", "Sort by &Name", "ActiveX", scNone, "", ""},
    {"actXMenuNew", "&New", "ActiveX", scNone, "", ""},
    {"actXMenuOpen", "&Open...", "ActiveX", scNone, "", ""},
    {"actXMenuSave", "&Save...", "ActiveX", scNone, "", ""},
    {"actXMenuRevert", "Re&vert", "ActiveX", scNone, "", ""},
    {"actXMenuCustom", "&Customize...", "ActiveX", scNone, "", ""},
    {"actCleanupRefresh", "&Refresh", "Cleanup", scNone, "", ""},
    {"actCleanupFind", "&Find Application", "Cleanup", scNone, "", ""},
    {"actCleanupDelete", "&Delete", "Cleanup", VK_DELETE, "", ""},
    {"actCleanupDeleteAll", "Delete &All", "Cleanup", scNone, "", ""},
    {"actFileTypesRefresh", "&Refresh", "File Types", scNone, "actFileTypesRefreshExecute", "OnAlwaysEnabled"},
    {"actFileTypesTypes", "View by &File Types", "File Types", scNone, "", ""},
    {"actFileTypesExtensions", "View by &Extensions", "File Types", scNone, "", ""},
    {"actFileTypesAll", "View &All", "File Types", scNone, "", ""},
    {"actRegistryBugs", "&Registry Bugs...", "Common", scNone, "actRegistryBugsExecute", "actRegistryBugsUpdate"},
    {"actAbout", "&About...", "Common", scNone, "actAboutExecute", "OnAlwaysEnabled"},
    {"actQuickHint", "&Quick Hint", "Common", scNone, "actQuickHintExecute", "OnAlwaysEnabled"},
    {"actApply", "&Apply", "Common", scNone, "actApplyExecute", "actApplyUpdate"},
};

const char* const PageDescriptions[] = {
    "Manages static items of file objects context menus.\r\nStatic menu items are stored in the registry and very "
    "easy to handle by File Manager.",
    "Manages dynamic items of file objects context menus.\r\nDynamic items require to load a shell extension DLL when "
    "menu is about to be displayed.",
    "Unused static menu items cleanup.\r\nStatic menu items are deleted permanently from the registry.",
    "Unused context menu extensions cleanup.\r\nShell extension entries are deleted permanently from the registry.",
};

constexpr TAnchors TopRight = AnchorBit(akTop) | AnchorBit(akRight);
constexpr TAnchors BottomRight = AnchorBit(akBottom) | AnchorBit(akRight);

const TLayout& MainLayout() {
  static const TLayout Layout = [] {
    TLayout L{
        "TfrmMain",
        "TForm",
        {{"Caption", "Corvane 2007"}, {"Position", "poScreenCenter"}, {"ClientWidth", "620"}, {"ClientHeight", "430"},
         {"BorderIcons", "[biSystemMenu, biMinimize]"}, {"KeyPreview", "True"},
         {"Constraints.MinWidth", "593"}, {"Constraints.MinHeight", "382"}},
        {{"OnCreate", "FormCreate"}, {"OnDestroy", "FormDestroy"}, {"OnCloseQuery", "FormCloseQuery"}, {"OnKeyUp", "FormKeyUp"}},
        {
            {"TGradientPanel", "GradientPanel5", "", 0, 0, 620, 72, alTop, akLeftTop,
             {{"Caption", ""}, {"BevelOuter", "bvNone"}, {"Gradient.StartColor", "$FF000005"},
              {"Gradient.EndColor", "$FF00000F"}, {"Gradient.FillType", "gtHorizontal"}}, {}},
            {"TLabel", "lblCaption", "GradientPanel5", 8, 6, 300, 16, alNone, akLeftTop,
             {{"Caption", "Context menu items management utility"}, {"Font.Style", "[fsBold]"}, {"Transparent", "True"}}, {}},
            {"TLabel", "lblTabDescr", "GradientPanel5", 8, 24, 460, 45, alNone, akLeftTop,
             {{"AutoSize", "False"}, {"WordWrap", "True"}, {"Transparent", "True"}, {"ShowAccelChar", "False"}}, {}},
            {"TRxSpeedButton", "SpeedButton3", "GradientPanel5", 440, 6, 66, 22, alNone, TopRight,
             {{"Caption", "About"}, {"Flat", "True"}, {"Layout", "blGlyphLeft"}, {"Hint", "About Corvane"}}, {{"OnClick", "actAboutExecute"}}},
            {"TRxSpeedButton", "spbBugs", "GradientPanel5", 510, 6, 104, 22, alNone, TopRight,
             {{"Caption", "Registry Bugs !"}, {"Flat", "True"}, {"Layout", "blGlyphLeft"}, {"Visible", "False"}, {"Hint", "Show registry bugs"}}, {}},
            {"TPageControl", "pgcMain", "", 0, 72, 620, 320, alClient, akLeftTop,
             {{"Style", "tsFlatButtons"}, {"HotTrack", "True"}},
             {{"OnChange", "pgcMainChange"}, {"OnDragOver", "pgcMainDragOver"}}},
            {"TTabSheet", "tshtStaticMenus", "pgcMain", 0, 0, 612, 300, alClient, akLeftTop, {{"Caption", "Static Items"}},
             {{"OnShow", "tshtStaticMenusShow"}}},
            {"TTabSheet", "tshtActiveXMenus", "pgcMain", 0, 0, 612, 300, alClient, akLeftTop, {{"Caption", "Submenu Items"}},
             {{"OnShow", "tshtActiveXMenusShow"}}},
            {"TGradientPanel", "GradientPanel6", "tshtActiveXMenus", 0, 0, 600, 28, alTop, akLeftTop,
             {{"Caption", ""}, {"BevelOuter", "bvNone"}, {"Gradient.StartColor", "$FF00000F"},
              {"Gradient.EndColor", "$FF000005"}, {"Gradient.FillType", "gtHorizontal"}}, {}},
            {"TCheckBox", "chkShellExt", "GradientPanel6", 440, 5, 165, 17, alNone, TopRight,
             {{"Caption", "Enable &Dynamic Items"},
              {"Hint", "|ActiveX activating box\r\nThis enables or disables Corvane shell extension that provides support "
                       "for dynamic menu items in file object's context menus. \r\nNOTE: be sure to disable this feature "
                       "before moving/removing Corvane application files. This is because the shell extension must be "
                       "unregistered from the system registry before."}},
             {{"OnClick", "chkShellExtClick"}}},
            {"TTabSheet", "tshtCleanup", "pgcMain", 0, 0, 612, 300, alClient, akLeftTop, {{"Caption", "Static Items Cleanup"}}, {}},
            {"TTabSheet", "TabSheet2", "pgcMain", 0, 0, 612, 300, alClient, akLeftTop, {{"Caption", "Shell Extensions Cleanup"}},
             {{"OnShow", "TabSheet2Show"}}},
            {"TPanel", "pnlBottom", "", 0, 392, 620, 38, alBottom, akLeftTop, {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
            {"TLabel", "lblQuickHint", "pnlBottom", 8, 12, 300, 16, alNone, akLeftTop,
             {{"Caption", "Press F1 on dialog's control to get quick hint."}, {"ShowAccelChar", "False"}}, {}},
            {"TButton", "btnOk", "pnlBottom", 358, 6, 75, 25, alNone, BottomRight,
             {{"Caption", "OK "}, {"Hint", "|OK button\r\nCloses Corvane with all changes saved."}}, {{"OnClick", "btnOkClick"}}},
            {"TButton", "btnCancel", "pnlBottom", 439, 6, 75, 25, alNone, BottomRight,
             {{"Caption", "Cancel"}, {"Hint", "|Cancel button\r\nCloses Corvane with all changes cancelled."}},
             {{"OnClick", "btnCancelClick"}}},
            {"TButton", "btnApply", "pnlBottom", 520, 6, 75, 25, alNone, BottomRight,
             {{"Caption", "Apply"}, {"Enabled", "False"}, {"Hint", "|Apply button\r\nSaves all changes without exiting Corvane."}},
             {{"OnClick", "actApplyExecute"}}},
            {"TActionList", "alMain", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
            {"TImageList", "ilMain", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
            {"TImageList", "ilFileTypes", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
            {"TImageList", "ilGlyphs", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
            {"TImageList", "ilRecentIcons", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
            {"TPopupMenu", "pmHint", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {{"OnPopup", "pmHintPopup"}}},
            {"TApplicationEvents", "appeMain", "", 0, 0, 0, 0, alNone, akLeftTop, {},
             {{"OnIdle", "appeMainIdle"}, {"OnException", "appeMainException"}}},
            {"TFormStorage", "FormStorage", "", 0, 0, 0, 0, alNone, akLeftTop,
             {{"IniSection", "Corvane"}, {"Options", "[fpPosition]"}}, {{"OnRestorePlacement", "FormStorageRestorePlacement"}}},
            {"TMRUManager", "mruMenus", "", 0, 0, 0, 0, alNone, akLeftTop,
             {{"Capacity", "5"}, {"IniStorage", "FormStorage"}, {"AccelDelimiter", "adSpace"}}, {}},
            {"TMRUManager", "mruIcons", "", 0, 0, 0, 0, alNone, akLeftTop,
             {{"Capacity", "30"}, {"IniStorage", "FormStorage"}, {"AccelDelimiter", "adSpace"}}, {}},
        }};
    for (const TActionRow& Row : ActionRows) {
      TLayoutComponent C{"TAction", Row.Name, "", 0, 0, 0, 0, alNone, akLeftTop,
                         {{"ActionList", "alMain"}, {"Caption", Row.Caption}, {"Category", Row.Category}}, {}};
      if (*Row.OnExecute) C.Events.push_back({"OnExecute", Row.OnExecute});
      if (*Row.OnUpdate) C.Events.push_back({"OnUpdate", Row.OnUpdate});
      L.Components.push_back(std::move(C));
    }
    TfrmMain::AddStaticCleanupLayout(L);
    AddMenuPagesLayout(L);
    return L;
  }();
  return Layout;
}

std::string ShortDateTime() {
  char Date[128] = {}, Time[128] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, Date, sizeof(Date));
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, Time, sizeof(Time));
  return std::string(Date) + " " + Time;
}

template <class T>
T* Find(TComponent* Root, const char* Name) {
  return dynamic_cast<T*>(Root->FindComponent(Name));
}

}  // namespace

const char* PageDescription(int Index) {
  return Index >= 0 && Index < 4 ? PageDescriptions[Index] : "";
}

std::string ErrorDisplayText(const std::string& Message) {
  if (!Message.empty() && static_cast<unsigned char>(Message.back()) > static_cast<unsigned char>('.')) return Message + ".";
  return Message;
}

namespace {

// The message box's font, as the system gives it to boxes.
HFONT MessageFont() {
  NONCLIENTMETRICSA Metrics{};
  Metrics.cbSize = sizeof(Metrics);
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0)) return nullptr;
  return CreateFontIndirectA(&Metrics.lfMessageFont);
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines;
  size_t Begin = 0;
  for (;;) {
    const size_t End = Text.find("\r\n", Begin);
    Lines.push_back(Text.substr(Begin, End == std::string::npos ? std::string::npos : End - Begin));
    if (End == std::string::npos) return Lines;
    Begin = End + 2;
  }
}

// The height of Line in the message font wrapped at Width pixels (one row for an empty line). A word
// wider than MaxWidth would widen the box past the screen: such a line counts as too tall for any box.
int WrappedHeight(const std::string& Line, int Width, int MaxWidth = INT_MAX) {
  HDC DC = GetDC(nullptr);
  HFONT Font = MessageFont();
  HGDIOBJ Old = Font ? SelectObject(DC, Font) : nullptr;
  RECT R{0, 0, Width, 0};
  const std::string Text = Line.empty() ? std::string(" ") : Line;
  DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &R,
            DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
  if (Old) SelectObject(DC, Old);
  if (Font) DeleteObject(Font);
  ReleaseDC(nullptr, DC);
  if (R.right > MaxWidth) return 1 << 20;
  return static_cast<int>(R.bottom - R.top);
}

// The horizontal dialog base unit of the boxes' dialog font ("MS Shell Dlg", 8 points).
int BoxDialogUnitX() {
  HDC DC = GetDC(nullptr);
  HFONT Font = CreateFontA(-MulDiv(8, GetDeviceCaps(DC, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                           0, 0, 0, 0, "MS Shell Dlg");
  HGDIOBJ Old = SelectObject(DC, Font);
  SIZE Size{};
  GetTextExtentPoint32A(DC, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &Size);
  SelectObject(DC, Old);
  DeleteObject(Font);
  ReleaseDC(nullptr, DC);
  return std::max(1, static_cast<int>((Size.cx / 26 + 1) / 2));
}

// Each line that would wrap to more than eight rows cut to the longest start that fits them with "...".
std::string CutTallLines(const TErrorBoxRoom& Box, const std::string& Text) {
  const int Rows = 8 * Box.LineHeight;
  std::string Result;
  const std::vector<std::string> Lines = SplitLines(Text);
  for (size_t I = 0; I < Lines.size(); ++I) {
    std::string Line = Lines[I];
    if (Box.Height(Line) > Rows) {
      // Eight rows hold no more characters than the screen has pixels across each: the search
      // measures no longer start than that.
      size_t Low = 0, High = std::min(Line.size(), static_cast<size_t>(8 * std::max(1, GetSystemMetrics(SM_CXSCREEN))));
      while (Low < High) {
        const size_t Mid = (Low + High + 1) / 2;
        if (Box.Height(Line.substr(0, Mid) + "...") <= Rows)
          Low = Mid;
        else
          High = Mid - 1;
      }
      Line = Line.substr(0, Low) + "...";
    }
    Result += (I ? "\r\n" : "") + Line;
  }
  return Result;
}

int TextHeight(const TErrorBoxRoom& Box, const std::string& Text) {
  int Height = 0;
  for (const std::string& Line : SplitLines(Text)) Height += Box.Height(Line);
  return Height;
}

}  // namespace

TErrorBoxRoom ErrorBoxRoom() {
  TErrorBoxRoom Box;
  RECT Work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &Work, 0);
  // A box wraps its text at the width of its text field, 176 dialog units; a tenth less for safety.
  const int Wrap = MulDiv(176, BoxDialogUnitX(), 4) * 9 / 10;
  Box.WrapWidth = Wrap;
  Box.LineHeight = std::max(1, WrappedHeight("", Wrap));
  // Above and below the text: the caption, the frame, the margins and the button row, counted generously.
  const int Chrome = GetSystemMetrics(SM_CYCAPTION) + 4 * GetSystemMetrics(SM_CYFIXEDFRAME) + 4 * Box.LineHeight + 48;
  Box.MaxHeight = std::max(Box.LineHeight, static_cast<int>(Work.bottom - Work.top) - Chrome);
  // The widest text a box on this screen can hold: the work area less its frame and margins.
  const int MaxWidth = static_cast<int>(Work.right - Work.left) - 4 * GetSystemMetrics(SM_CXFIXEDFRAME) - 100;
  Box.Height = [Wrap, MaxWidth](const std::string& Line) { return WrappedHeight(Line, Wrap, MaxWidth); };
  return Box;
}

std::string FitErrorBoxText(const TErrorBoxRoom& Box, const std::function<std::string(int ShownFrames)>& Compose) {
  const std::string All = CutTallLines(Box, Compose(INT_MAX));
  if (TextHeight(Box, All) <= Box.MaxHeight) return All;
  // The most frames that fit (fewer frames never make the text taller).
  int Low = 0, High = static_cast<int>(SplitLines(All).size());
  while (Low < High) {
    const int Mid = (Low + High + 1) / 2;
    if (TextHeight(Box, CutTallLines(Box, Compose(Mid))) <= Box.MaxHeight)
      Low = Mid;
    else
      High = Mid - 1;
  }
  return CutTallLines(Box, Compose(Low));
}

TfrmMain::TfrmMain(TComponent* AOwner) : TForm(AOwner) {
  SetName("frmMain");
  RegisterComponentClass(TGradientPanel::StaticClassInfo());
  RegisterComponentClass(TFormStorage::StaticClassInfo());
  RegisterComponentClass(TMRUManager::StaticClassInfo());
  RegisterComponentClass(THoverLabel::StaticClassInfo());
  RegisterComponentClass(TRxSpeedButton::StaticClassInfo());
  RegisterComponentClass(TAdvTreeView::StaticClassInfo());
  RegisterComponentClass(TFilenameEdit::StaticClassInfo());
  RegisterComponentClass(TFileTypeComboBox::StaticClassInfo());
  RegisterHandler(this, "FormCreate", &TfrmMain::FormCreate);
  RegisterHandler(this, "FormDestroy", &TfrmMain::FormDestroy);
  RegisterHandler(this, "FormCloseQuery", &TfrmMain::FormCloseQuery);
  RegisterHandler(this, "FormKeyUp", &TfrmMain::FormKeyUp);
  RegisterHandler(this, "FormStorageRestorePlacement", &TfrmMain::FormStorageRestorePlacement);
  RegisterHandler(this, "appeMainIdle", &TfrmMain::appeMainIdle);
  RegisterHandler(this, "appeMainException", &TfrmMain::appeMainException);
  RegisterHandler(this, "pgcMainChange", &TfrmMain::pgcMainChange);
  RegisterHandler(this, "TabSheet2Show", &TfrmMain::TabSheet2Show);
  RegisterHandler(this, "tshtStaticMenusShow", &TfrmMain::tshtStaticMenusShow);
  RegisterHandler(this, "tshtActiveXMenusShow", &TfrmMain::tshtActiveXMenusShow);
  RegisterHandler(this, "btnOkClick", &TfrmMain::btnOkClick);
  RegisterHandler(this, "btnCancelClick", &TfrmMain::btnCancelClick);
  RegisterHandler(this, "actApplyExecute", &TfrmMain::actApplyExecute);
  RegisterHandler(this, "actApplyUpdate", &TfrmMain::actApplyUpdate);
  RegisterHandler(this, "chkShellExtClick", &TfrmMain::chkShellExtClick);
  RegisterHandler(this, "actRegistryBugsUpdate", &TfrmMain::actRegistryBugsUpdate);
  RegisterHandler(this, "actRegistryBugsExecute", &TfrmMain::actRegistryBugsExecute);
  RegisterHandler(this, "actQuickHintExecute", &TfrmMain::actQuickHintExecute);
  RegisterHandler(this, "actFileTypesRefreshExecute", &TfrmMain::actFileTypesRefreshExecute);
  RegisterHandler(this, "OnAlwaysEnabled", &TfrmMain::OnAlwaysEnabled);
  RegisterHandler(this, "pmHintPopup", &TfrmMain::pmHintPopup);
  RegisterHandler(this, "pgcMainDragOver", &TfrmMain::pgcMainDragOver);
  RegisterMenuPagesHandlers(this);
  RegisterHandler(this, "actAboutExecute", &TfrmMain::actAboutExecute);
  RegisterStaticCleanupHandlers();
  // The file-type list is made before the layout's OnCreate scans with it.
  FileTypes = new TFileTypeList(this);
  FileTypes->SetName("FileTypes");
  FileTypes->OnRefreshItem = [this](TObject* Sender, TFileType* Item) { FileTypesRefreshItem(Sender, Item); };
  FileTypes->OnLoadIcon = [this](TObject* Sender, TFileType* Item) { FileTypesLoadIcon(Sender, Item); };
  FileTypes->OnRefresh = [this](TObject* Sender) { FileTypesRefresh(Sender); };
  InitLayout(MainLayout());
}

TfrmMain::~TfrmMain() {
  if (frmMain == this) frmMain = nullptr;
}

TFormStorage* TfrmMain::Storage() { return Find<TFormStorage>(this, "FormStorage"); }
TCheckBox* TfrmMain::ShellExtBox() { return Find<TCheckBox>(this, "chkShellExt"); }
TAction* TfrmMain::Action(const std::string& Name) { return Find<TAction>(this, Name.c_str()); }
std::string TfrmMain::IniFileName() { return Storage()->IniFileName(); }

// ---------------------------------------------------------------------------------------------
// Creation and loading

void TfrmMain::FormCreate(TObject*) {
  Loading = true;
  Screen->SetCursor(crHourGlass);
  ShowStatus("Preparing application environment");
  SetCaption(ProductTitle);
  ApplySystemFont(this, *CreateMessageFont());
  Storage()->SetIniFileName(IniFileInUse());
  ShellExtBox()->SetChecked(IsShellExtRegistered());
  Find<TPageControl>(this, "pgcMain")->SetActivePageIndex(0);
  StaticMenu = new TStaticMenu(FileTypes->FileTypes());
  DynamicMenu = new TDynamicMenu(FileTypes->FileTypes());
  SetupMenuPages();
  auto* pmHint = Find<TPopupMenu>(this, "pmHint");
  auto* QuickHint = new TMenuItem(this);
  QuickHint->SetName("miQuickHint");
  QuickHint->SetAction(Action("actQuickHint"));
  pmHint->Items()->Add(QuickHint);
  for (const char* Name : {"btnOk", "btnCancel", "btnApply", "chkShellExt", "SpeedButton3", "spbBugs"})
    Find<TControl>(this, Name)->SetPopupMenu(pmHint);
  for (const TActionRow& Row : ActionRows) Action(Row.Name)->SetShortCut(Row.Keys);
  FileTypes->SetImages(Find<TCustomImageList>(this, "ilFileTypes"));
  ShowStatus("Scanning file types");
  RefreshFileTypes();
  ShowStatus("Ready to start");
  RecreateImageList(Find<TCustomImageList>(this, "ilRecentIcons"));
  Loading = false;
  SetActiveControl(Find<TWinControl>(this, "tvMenu"));
  pgcMainChange(this);
  GetStaticItemsCleanup()->OnChange = [this](TObject* Sender) { OnCleanupModified(Sender); };
  InitCleanupPages();
  UpdateActions();
  Screen->SetCursor(crDefault);
}

void TfrmMain::FormDestroy(TObject*) {
  Application->OnHelp = nullptr;
  if (GetStaticItemsCleanup()->OnChange) GetStaticItemsCleanup()->OnChange = nullptr;
  for (TCustomMenu* Menu : {static_cast<TCustomMenu*>(StaticMenu), static_cast<TCustomMenu*>(DynamicMenu)}) {
    if (!Menu) continue;
    Menu->OnChange = nullptr;
    Menu->OnFocusChange = nullptr;
    Menu->OnItemChange = nullptr;
  }
  delete StaticMenu;
  StaticMenu = nullptr;
  delete DynamicMenu;
  DynamicMenu = nullptr;
}

void TfrmMain::FileTypesRefreshItem(TObject*, TFileType* Item) {
  if (Item)
    ShowStatus(Format("Analyzing registered file type: %s", {Item->Name()}));
  else
    PumpPaintMessages();
}

void TfrmMain::FileTypesLoadIcon(TObject*, TFileType* Item) {
  if (Item)
    ShowStatus(Format("Loading associated icon for %s", {Item->Name()}));
  else
    PumpPaintMessages();
}

void TfrmMain::FileTypesRefresh(TObject*) { ShowStatus("Ready to load registered file types' icons"); }

void TfrmMain::RefreshFileTypes() {
  FileTypes->SetActive(false);
  FileTypes->SetActive(true);
}

void TfrmMain::FormStorageRestorePlacement(TObject*) {
  Screen->SetCursor(crHourGlass);
  Loading = true;
  struct TDone {
    TfrmMain* Form;
    ~TDone() {
      Form->Loading = false;
      try {
        Form->CloseErrorLog();
      } catch (...) {
        Application->HandleException(Form);
      }
      Screen->SetCursor(crDefault);
    }
  } Done{this};
  TCustomIniFile* Ini = Storage()->GetIniFileObject();
  if (!Ini) return;
  // A file that exists but cannot be read is not taken for one without menu items.
  if (auto* Profile = dynamic_cast<TIniFile*>(Ini)) {
    const DWORD Error = Profile->ReadError();
    if (Error != ERROR_SUCCESS) {
      FMenusUnread = true;
      Application->MessageBox(Format(LoadResString(SIniUnreadable), {IniFileName(), SysErrorMessage(Error)}),
                              Application->Title(), MB_OK | MB_ICONWARNING);
      return;
    }
  }
  StaticMenu->LoadFromIni(*Ini, "Static Items");
  if (StaticMenu->ErrorLog()->Count() > 0) LogErrors("Static items error log:", *StaticMenu->ErrorLog());
  if (TTreeNode* Selected = Find<TTreeView>(this, "tvMenu")->Selected()) Selected->MakeVisible();
  DynamicMenu->LoadFromIni(*Ini, "Dynamic Items");
  if (DynamicMenu->ErrorLog()->Count() > 0) LogErrors("Dynamic items error log:", *DynamicMenu->ErrorLog());
  auto* XTree = Find<TTreeView>(this, "tvXMenu");
  for (TTreeNode* Node = XTree->Items().GetFirstNode(); Node; Node = Node->GetNextSibling()) Node->Expand(true);
  if (TTreeNode* Selected = XTree->Selected()) Selected->MakeVisible();
}

// ---------------------------------------------------------------------------------------------
// Load-error log

void TfrmMain::LogErrors(const std::string& Header, const TStrings& Lines) {
  if (FErrorLogFailed) return;
  try {
    OpenErrorLog();
    AppendErrorLog(Header);
    for (int I = 0; I < Lines.Count(); ++I) AppendErrorLog(Lines.Get(I));
  } catch (...) {
    // Shown once; the menus go on loading.
    FErrorLogFailed = true;
    FErrorLog.reset();
    Application->HandleException(this);
  }
}

void TfrmMain::OpenErrorLog() {
  if (FErrorLog) return;
  FErrorLogPath = ProgramFolder() + "log.txt";
  FErrorLog = std::make_unique<TFileStream>(FErrorLogPath, fmCreate);
  AppendErrorLog(Format("Error log created: %s", {ShortDateTime()}));
}

void TfrmMain::AppendErrorLog(const std::string& Text) {
  if (FErrorLog) WriteStringToStream(*FErrorLog, Text + "\r\n");
}

void TfrmMain::CloseErrorLog() {
  FErrorLogFailed = false;
  if (!FErrorLog) return;
  FErrorLog.reset();
  if (Application->MessageBox("There were some errors while loading menu items. Error log saved to \"log.txt\".\r\n"
                              "Do you want to view the error log?\r\n\r\n"
                              "\x95 Click \"Yes\" to view the error log;\r\n"
                              "\x95 Click \"No\" to continue loading.",
                              Application->Title(), MB_YESNO | MB_ICONQUESTION) == IDYES)
    OpenLink(FErrorLogPath);
}

// ---------------------------------------------------------------------------------------------
// Saving and closing

bool TfrmMain::IsModified() {
  return (StaticMenu && StaticMenu->Modified()) || (DynamicMenu && DynamicMenu->Modified()) ||
         GetStaticItemsCleanup()->Modified() || (frmDynamicCleanup && frmDynamicCleanup->GetModified());
}

bool TfrmMain::IsExtensionEnabled() { return ShellExtBox()->Checked(); }

void TfrmMain::ShowFoundShellExtState() {
  const bool Saved = Loading;
  Loading = true;
  ShellExtBox()->SetChecked(IsShellExtRegistered());
  Loading = Saved;
}

void TfrmMain::RegisterShellExt(bool Register) {
  try {
    RegisterServer(ProgramFolder() + "Vellisk.DLL", Register ? raRegister : raUnregister);
  } catch (...) {
    ShowFoundShellExtState();
    throw;
  }
}

bool TfrmMain::Save() {
  struct TUpdateApply {
    TfrmMain* Form;
    ~TUpdateApply() {
      if (TAction* Apply = Form->Action("actApply")) Apply->Update();
    }
  } UpdateApply{this};
  if (FMenusUnread && (StaticMenu->Modified() || DynamicMenu->Modified()) &&
      Application->MessageBox(Format(LoadResString(SIniReplaceQuestion), {IniFileName()}), Application->Title(),
                              MB_YESNO | MB_ICONQUESTION) != IDYES)
    return false;
  if (StaticMenu->Modified()) {
    try {
      TCorvIniFile Ini(IniFileName());
      try {
        StaticMenu->SaveToIni(Ini, "Static Items");  // writes the file, or puts the keys back
      } catch (...) {
        Ini.Clear();  // the section changed in memory is not written when the object goes
        throw;
      }
    } catch (...) {
      StaticMenu->SetModified(true);  // the section was not written: the next Apply writes it
      throw;
    }
  }
  if (DynamicMenu->Modified()) {
    const bool Enabled = IsExtensionEnabled();
    if (Enabled) RegisterShellExt(false);
    try {
      TCorvIniFile Ini(IniFileName());
      DynamicMenu->SaveToIni(Ini, "Dynamic Items");
      Ini.UpdateFile();
    } catch (...) {
      DynamicMenu->SetModified(true);
      // The extension comes back also when the write failed; the write's error is the one shown.
      if (Enabled) {
        try {
          RegisterShellExt(true);
        } catch (...) {
        }
      }
      throw;
    }
    if (Enabled) RegisterShellExt(true);
  }
  if (frmDynamicCleanup && frmDynamicCleanup->GetModified()) frmDynamicCleanup->Apply();
  if (GetStaticItemsCleanup()->Modified()) GetStaticItemsCleanup()->Apply();
  return true;
}

void TfrmMain::actApplyExecute(TObject*) { Save(); }

void TfrmMain::actApplyUpdate(TObject*) {
  const bool Modified = IsModified();
  Action("actApply")->SetEnabled(Modified);
  Find<TControl>(this, "btnApply")->SetEnabled(Modified);
}

void TfrmMain::btnOkClick(TObject*) {
  if (Save()) Close();
}

void TfrmMain::btnCancelClick(TObject*) { Close(); }

void TfrmMain::FormCloseQuery(TObject*, bool& CanClose) {
  if (!IsModified()) return;
  switch (Application->MessageBox(
      "Changes to menu items were made. Do you want to apply them before exit?\r\n\r\n"
      "\x95 Select \"Yes\" to apply changes before exit,\r\n"
      "\x95 Select \"No\" to discard changes, or\r\n"
      "\x95 Select \"Cancel\" to continue your work with Corvane.",
      Application->Title(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      try {
        if (!Save()) CanClose = false;
      } catch (...) {
        CanClose = false;
        Application->HandleException(this);
      }
      break;
    case IDNO: break;
    default: CanClose = false;
  }
}

void TfrmMain::chkShellExtClick(TObject*) {
  if (Loading) return;
  struct TUpdate {
    TfrmMain* Form;
    ~TUpdate() { Form->UpdateActions("ActiveX"); }
  } Update{this};
  const bool Checked = ShellExtBox()->Checked();
  if (Checked)
    Application->MessageBox(LoadResString(SShellExtUnmarkWarning), Application->Title(), MB_OK | MB_ICONEXCLAMATION);
  RegisterShellExt(Checked);
}

// ---------------------------------------------------------------------------------------------
// Pages and window-wide helpers

void TfrmMain::pgcMainChange(TObject*) {
  auto* Descr = Find<TControl>(this, "lblTabDescr");
  Descr->SetWidth(Width() - 160);
  Descr->SetCaption(PageDescription(Find<TPageControl>(this, "pgcMain")->ActivePageIndex()));
  UpdateActions();
}

void TfrmMain::pgcMainDragOver(TObject*, TObject*, int, int, TDragState, bool&) {}

void TfrmMain::appeMainIdle(TObject*, bool&) {
  UpdateActions("Static");
  UpdateActions("ActiveX");
}

void TfrmMain::appeMainException(TObject*, Exception& E) {
  std::string Text = ErrorDisplayText(E.Message());
  // Without an exception manager (crash reporting not started) the message alone.
  if (ThxExceptionManager* Manager = GetExceptionManager()) {
    // A reportable exception was dumped when raised; any other is dumped now.
    TclStackFrames* Frames = Manager->DumpCurrentException(true);
    const std::string Head = Text;
    Text = FitErrorBoxText(ErrorBoxRoom(), [&](int ShownFrames) {
      return Head + "\r\n" + ThxExceptionManager::FormatErrorMessage(E, Frames, Manager->LastDumpFile(), ShownFrames);
    });
  } else {
    Text = FitErrorBoxText(ErrorBoxRoom(), [&](int) { return Text; });
  }
  Application->MessageBox(Text, Application->Title(), MB_OK | MB_ICONSTOP);
}

void TfrmMain::UpdateActions(const std::string& Category) {
  auto* List = Find<TCustomActionList>(this, "alMain");
  if (!List) return;
  for (int I = 0; I < List->ActionCount(); ++I) {
    TAction* A = List->Actions(I);
    if (Category.empty() || A->Category == Category) A->Update();
  }
}

void TfrmMain::SetActionShortCut(TWinControl* Tree, TAction* Action, TShortCut Value, TControl* Button) {
  const bool Editing = Tree && Tree->HandleAllocated() && SendMessageA(Tree->Handle(), TVM_GETEDITCONTROL, 0, 0) != 0;
  const bool InEdit = dynamic_cast<TCustomEdit*>(ActiveControl()) != nullptr;
  Action->SetShortCut(Editing || InEdit ? scNone : Value);
  if (Button) Button->SetEnabled(Action->Enabled());
}

void TfrmMain::OnCleanupModified(TObject*) { UpdateActions("Common"); }

void TfrmMain::OnAlwaysEnabled(TObject* Sender) {
  if (auto* A = dynamic_cast<TAction*>(Sender)) A->SetEnabled(true);
}

void TfrmMain::On3DEnter(TObject* Sender) {
  if (auto* C = dynamic_cast<TControl*>(Sender))
    if (auto* Panel = dynamic_cast<TPanel*>(C->Parent())) Panel->SetBevelOuter(bvLowered);
}

void TfrmMain::On3DExit(TObject* Sender) {
  if (auto* C = dynamic_cast<TControl*>(Sender))
    if (auto* Panel = dynamic_cast<TPanel*>(C->Parent())) Panel->SetBevelOuter(bvNone);
}

void TfrmMain::OnLabelClick(TObject* Sender) {
  auto* Label = dynamic_cast<TLabel*>(Sender);
  TWinControl* Target = Label ? Label->FocusControl() : nullptr;
  if (!Target || !Target->CanFocus()) return;
  SetActiveControl(Target);
  if (auto* Edit = dynamic_cast<TCustomEdit*>(Target)) Edit->SelectAll();
}

void TfrmMain::pmHintPopup(TObject* Sender) {
  auto* Menu = dynamic_cast<TPopupMenu*>(Sender);
  if (!Menu || (Menu->PopupPoint.x == -1 && Menu->PopupPoint.y == -1)) return;
  if (auto* Control = dynamic_cast<TWinControl*>(FindDragTarget(Menu->PopupPoint, false)))
    if (Control->CanFocus()) SetActiveControl(Control);
}

void TfrmMain::FormKeyUp(TObject*, WORD& Key, TShiftState Shift) {
  if (Key == VK_F1 && (Shift & (ssShift | ssCtrl | ssAlt)) == 0) ShowQuickHint(ActiveControl());
}

void TfrmMain::actQuickHintExecute(TObject*) { ShowQuickHint(ActiveControl()); }

void TfrmMain::actRegistryBugsUpdate(TObject*) {
  const bool Found = FileTypes->Errors()->Count() > 0;
  Action("actRegistryBugs")->SetEnabled(Found);
  Find<TControl>(this, "spbBugs")->SetVisible(Found);
}

void TfrmMain::actFileTypesRefreshExecute(TObject*) {
  RefreshFileTypes();
  GetStaticItemsCleanup()->Reset();
  RefreshCleanupItems();
}

// ---------------------------------------------------------------------------------------------
// Dialogs

void TfrmMain::actAboutExecute(TObject*) { ShowAbout(FileTypes); }

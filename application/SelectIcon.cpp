#include "application/SelectIcon.h"

#include "classlib/core/ImgList.h"
#include "classlib/core/PngImage.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/StdCtrls.h"
#include "classlib/gui/Menus.h"
#include "controls/MRUList.h"
#include "controls/ToolEdit.h"
#include "model/RegistryEx.h"
#include "model/Utils.h"
#include "resources/ResStrings.h"

#include <memory>

namespace {

// Pictures stand in columns of this many rows.
constexpr int PictureRows = 4;
constexpr int PictureSize = 32;
// A typed name is loaded once typing pauses this long.
constexpr unsigned TypingPauseMs = 500;

HICON SystemListIcon(const std::string& FileName, int Index, bool Small) {
  if (Small) return ExtractIconHandle(FileName, Index, true);
  const HICON Icon = ExtractIconA(GetModuleHandleA(nullptr), FileName.c_str(), static_cast<UINT>(Index));
  // 1: the file is no program, library or icon file.
  return reinterpret_cast<UINT_PTR>(Icon) > 1 ? Icon : nullptr;
}

TListIconProc& ListIconProc() {
  static TListIconProc Proc = SystemListIcon;
  return Proc;
}

// The number of icons ExtractIconA finds in the file.
int IconCount(const std::string& FileName) {
  const HICON Count = ExtractIconA(GetModuleHandleA(nullptr), FileName.c_str(), static_cast<UINT>(-1));
  return static_cast<int>(reinterpret_cast<UINT_PTR>(Count));
}

// Screen cursor for the object's life.
class TCursorScope {
public:
  explicit TCursorScope(TCursor Cursor) : FOld(Screen->Cursor()) { Screen->SetCursor(Cursor); }
  ~TCursorScope() { Screen->SetCursor(FOld); }
  TCursorScope(const TCursorScope&) = delete;
  TCursorScope& operator=(const TCursorScope&) = delete;

private:
  TCursor FOld;
};

const char* const IconFilter =
    "All Files (*.*)|*.*|Executables (*.exe)|*.exe|Libraries (*.dll;*.bpl;*.ax;*.ocx;*.vbx)|*.dll;*.bpl;*.ax;*.ocx;"
    "*.vbx|Icons (*.ico)|*.ico|PNG images (*.png)|*.png";

TLayoutComponent Label(const char* Name, const char* Caption, int Left, int Top, int Width, const char* Focus) {
  TLayoutComponent C{"TLabel", Name, "", Left, Top, Width, 16, alNone, akLeftTop, {{"Caption", Caption}}, {}};
  if (*Focus) C.Properties.push_back({"FocusControl", Focus});
  return C;
}

const TLayout& SelectIconLayout() {
  static const TLayout Layout{
      "TfrmSelectIcon",
      "TForm",
      {{"Caption", "Select Menu Item Icon"}, {"BorderStyle", "bsDialog"}, {"BorderIcons", "[biSystemMenu]"},
       {"Position", "poScreenCenter"}, {"ClientWidth", "371"}, {"ClientHeight", "321"}},
      {{"OnCreate", "FormCreate"}, {"OnShow", "FormShow"}},
      {
          Label("lblFileName", "&File name:", 8, 8, 200, "edFileName"),
          {"TFilenameEdit", "edFileName", "", 8, 26, 355, 21, alNone, akLeftTop,
           {{"DialogTitle", "Select a File with Icons"}, {"Filter", IconFilter}},
           {{"OnChange", "edFileNameChange"}, {"OnEnter", "edFileNameEnter"}, {"OnExit", "edFileNameExit"}}},
          Label("lblPicture", "&Picture:", 8, 56, 200, "dgPictures"),
          {"TDrawGrid", "dgPictures", "", 8, 74, 355, 200, alNone, akLeftTop,
           {{"ColCount", "0"}, {"RowCount", "0"}, {"DefaultColWidth", "44"}, {"DefaultRowHeight", "44"},
            {"GridLineWidth", "0"}, {"ScrollBars", "ssHorizontal"}},
           {{"OnDrawCell", "dgPicturesDrawCell"}, {"OnSelectCell", "dgPicturesSelectCell"}, {"OnClick", "dgPicturesClick"}}},
          Label("lblIconIndexTitle", "Icon index:", 8, 290, 70, ""),
          Label("lblIconIndex", "", 80, 290, 60, ""),
          {"TButton", "btnOK", "", 207, 286, 75, 25, alNone, akLeftTop,
           {{"Caption", "OK "}, {"Default", "True"}, {"ModalResult", "1"}}, {}},
          {"TButton", "btnCancel", "", 288, 286, 75, 25, alNone, akLeftTop,
           {{"Caption", "&Cancel"}, {"Cancel", "True"}, {"ModalResult", "2"}}, {}},
      }};
  return Layout;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Pictures for image lists

HICON ExtractListIcon(const std::string& FileName, int Index, bool Small) {
  return ListIconProc()(FileName, Index, Small);
}

TListIconProc SetListIconProc(TListIconProc Proc) {
  const TListIconProc Old = ListIconProc();
  ListIconProc() = Proc ? Proc : SystemListIcon;
  return Old;
}

int AddFileIcon(TCustomImageList& List, const std::string& FileName, int Index, bool Small) {
  TIcon Icon;
  Icon.SetHandle(ExtractListIcon(FileName, Index, Small));
  if (Icon.Empty()) return -1;
  return List.AddIcon(Icon);
}

int AddPngPicture(TCustomImageList& List, const std::string& FileName) {
  TPNGObject Png;
  Png.LoadFromFile(FileName);
  TBitmap Bitmap(List.Width(), List.Height(), pf24bit);
  Bitmap.Canvas().BrushColor = clWhite;
  Bitmap.Canvas().FillRect(RECT{0, 0, List.Width(), List.Height()});
  Png.Draw(Bitmap.DC(), RECT{0, 0, List.Width(), List.Height()});
  return List.AddMasked(Bitmap, Bitmap.Canvas().Pixel(0, List.Height() - 1));
}

bool IsPngFile(const std::string& FileName) { return SameText(ExtractFileExt(FileName), ".png"); }

std::string RecentIconFile(const std::string& Entry) {
  const std::string::size_type Comma = Entry.rfind(',');
  return Comma == std::string::npos ? Entry : Entry.substr(0, Comma);
}

void FillRecentIconMenu(TMRUManager& Recent, TMenuItem& Menu, TCustomImageList& Images) {
  if (Images.Count() > 0) return;
  TCursorScope Wait(crHourGlass);
  int Separators = 0;
  for (int I = 0; I < Menu.Count(); ++I) {
    TMenuItem* Item = Menu.Items(I);
    if (Item->Caption() == "-") {
      if (++Separators != 3) continue;
      Menu.Delete(I);
      delete Item;
      if (I >= Menu.Count()) break;
      Item = Menu.Items(I);
      Item->SetBreak(mbBarBreak);
    }
    const int Entry = static_cast<int>(Item->Tag);
    if (Entry < 0 || Entry >= Recent.Strings().Count()) continue;
    const std::string File = RecentIconFile(Recent.Strings().Get(Entry));
    int Picture = -1;
    try {
      Picture = IsPngFile(File) ? AddPngPicture(Images, File)
                                : AddFileIcon(Images, File, TMRUManager::UserDataOf(Recent.Strings(), Entry), true);
    } catch (const std::exception&) {
      Picture = -1;  // the entry stays without picture
    }
    Item->SetImageIndex(Picture);
  }
}

// ---------------------------------------------------------------------------------------------
// The dialog

TfrmSelectIcon::TfrmSelectIcon(TComponent* AOwner) : TForm(AOwner) {
  RegisterComponentClass(TFilenameEdit::StaticClassInfo());
  RegisterComponentClass(TDrawGrid::StaticClassInfo());
  RegisterHandler(this, "FormCreate", &TfrmSelectIcon::FormCreate);
  RegisterHandler(this, "FormShow", &TfrmSelectIcon::FormShow);
  RegisterHandler(this, "edFileNameChange", &TfrmSelectIcon::edFileNameChange);
  RegisterHandler(this, "edFileNameEnter", &TfrmSelectIcon::edFileNameEnter);
  RegisterHandler(this, "edFileNameExit", &TfrmSelectIcon::edFileNameExit);
  RegisterHandler(this, "dgPicturesDrawCell", &TfrmSelectIcon::dgPicturesDrawCell);
  RegisterHandler(this, "dgPicturesSelectCell", &TfrmSelectIcon::dgPicturesSelectCell);
  RegisterHandler(this, "dgPicturesClick", &TfrmSelectIcon::dgPicturesClick);
  IconList = new TImageList(this);
  IconList->SetName("IconList");
  IconList->SetSize(PictureSize, PictureSize);
  FTypingTimer = new TTimer(this);
  FTypingTimer->SetEnabled(false);
  FTypingTimer->SetInterval(TypingPauseMs);
  FTypingTimer->OnTimer = [this](TObject*) { LoadTypedName(); };
  InitLayout(SelectIconLayout());
  // Keys that change the text mark the change as typed; Enter loads what was typed.
  auto* Edit = static_cast<TWinControl*>(FindComponent("edFileName"));
  Edit->OnKeyPress = [this](TObject*, char& Key) {
    if (Key == '\r')
      LoadTypedName();
    else if (static_cast<unsigned char>(Key) >= 32 || Key == '\b')
      FTyped = true;
  };
  Edit->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
    if (Key == VK_DELETE) FTyped = true;
  };
  Edit->OnKeyUp = [this](TObject*, WORD&, TShiftState) { FTyped = false; };  // a key that changed nothing
}

TDrawGrid* TfrmSelectIcon::Grid() { return static_cast<TDrawGrid*>(FindComponent("dgPictures")); }

void TfrmSelectIcon::FormCreate(TObject*) {
  ApplySystemFont(this, *CreateMessageFont());
  RecreateImageList(IconList);
}

void TfrmSelectIcon::FormShow(TObject*) { SetIconIndex(IconIndex); }

void TfrmSelectIcon::SetFileName(const std::string& Value) {
  std::string Name = Value;
  if (Name.empty()) {
    char System[MAX_PATH] = {};
    GetSystemDirectoryA(System, MAX_PATH);
    Name = std::string(System) + "\\shell32.dll";
  }
  FTyped = false;
  static_cast<TControl*>(FindComponent("edFileName"))->SetText(Name);
}

void TfrmSelectIcon::SetIcon(const std::string& FileName, int Index) {
  SetFileName(FileName);
  if (Index >= 0) SetIconIndex(Index);
}

std::string TfrmSelectIcon::GetFileName() { return static_cast<TControl*>(FindComponent("edFileName"))->Text(); }

void TfrmSelectIcon::SetIconIndex(int Value) {
  TDrawGrid* Pictures = Grid();
  if (Value >= 0 && Pictures->RowCount() > 0) {
    if (Value >= IconList->Count()) Value = 0;
    Selecting = true;
    try {
      Pictures->FocusCell(Value / Pictures->RowCount(), Value % Pictures->RowCount());
    } catch (...) {
      Selecting = false;
      throw;
    }
    Selecting = false;
  }
  IconIndex = Value;
  static_cast<TControl*>(FindComponent("lblIconIndex"))->SetCaption(Value >= 0 ? IntToStr(Value) : std::string());
}

void TfrmSelectIcon::edFileNameChange(TObject*) {
  auto* OK = static_cast<TControl*>(FindComponent("btnOK"));
  if (FTyped) {
    // Typing goes on: the name is loaded when it pauses, on Enter or when the field is left.
    FTyped = false;
    FTypedPending = true;
    OK->SetEnabled(false);
    SetIconIndex(-1);
    FTypingTimer->SetEnabled(false);
    FTypingTimer->SetEnabled(true);
    return;
  }
  FTypedPending = false;
  FTypingTimer->SetEnabled(false);
  if (GetFileName().empty()) {
    OK->SetEnabled(false);
    return;
  }
  SetIconIndex(-1);
  OK->SetEnabled(LoadIcons());
}

void TfrmSelectIcon::edFileNameEnter(TObject*) { static_cast<TButton*>(FindComponent("btnOK"))->SetDefault(false); }

void TfrmSelectIcon::edFileNameExit(TObject*) {
  static_cast<TButton*>(FindComponent("btnOK"))->SetDefault(true);
  LoadTypedName();
}

void TfrmSelectIcon::LoadTypedName() {
  FTypingTimer->SetEnabled(false);
  if (!FTypedPending) return;
  FTypedPending = false;
  auto* OK = static_cast<TControl*>(FindComponent("btnOK"));
  const std::string FileName = GetFileName();
  if (FileName.empty() || !FileExists(FileName)) {
    // A name still being made up is no file: an empty grid, and no message.
    IconList->Clear();
    Grid()->SetRowCount(0);
    Grid()->SetColCount(0);
    Grid()->Invalidate();
    SetIconIndex(-1);
    OK->SetEnabled(false);
    return;
  }
  SetIconIndex(-1);
  OK->SetEnabled(LoadIcons());
}

bool TfrmSelectIcon::LoadIcons() {
  Loading = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } Done{Loading};
  IconList->Clear();
  std::string Errors;
  const std::string FileName = GetFileName();
  const bool Png = IsPngFile(FileName);
  const int Count = Png ? 1 : IconCount(FileName);
  TDrawGrid* Pictures = Grid();
  if (Count < 1) {
    Pictures->SetRowCount(0);
    Pictures->SetColCount(0);
    Application->MessageBox(LoadResString(SNoIconsInFile), Application->Title(), MB_OK | MB_ICONEXCLAMATION);
    SetIconIndex(-1);
    ReportIconErrors(Errors);
    return false;
  }
  {
    TCursorScope Wait(crHourGlass);
    for (int I = 0; I < Count; ++I) {
      try {
        const int Added = Png ? AddPngPicture(*IconList, FileName) : AddFileIcon(*IconList, FileName, I, false);
        if (Added < 0) AddDefaultIcon(I, Errors);
      } catch (const std::exception&) {
        AddDefaultIcon(I, Errors);
      }
    }
    if (Count > PictureRows) {
      Pictures->SetRowCount(PictureRows);
      Pictures->SetColCount(Count / PictureRows + (Count % PictureRows != 0 ? 1 : 0));
    } else {
      Pictures->SetRowCount(Count);
      Pictures->SetColCount(1);
    }
    Pictures->Invalidate();
    if (IconIndex == -1) IconIndex = 0;
    SetIconIndex(IconIndex);
  }
  ReportIconErrors(Errors);
  return true;
}

void TfrmSelectIcon::AddDefaultIcon(int Index, std::string& Errors) {
  if (!Errors.empty()) Errors += ",";
  Errors += IntToStr(Index);
  TIcon Default;
  Default.LoadFromResourceName(GetModuleHandleA(nullptr), "DEFAULT");
  IconList->AddIcon(Default);
}

void TfrmSelectIcon::ReportIconErrors(const std::string& Errors) {
  if (Errors.empty()) return;
  Application->MessageBox(Format(LoadResString(SErrorLoadingIcons), {Errors, GetFileName()}), Application->Title(),
                          MB_OK | MB_ICONEXCLAMATION);
}

void TfrmSelectIcon::dgPicturesDrawCell(TObject*, int ACol, int ARow, const RECT& Rect, TGridDrawState) {
  TControlCanvas& Canvas = Grid()->Canvas();
  Canvas.FillRect(Rect);
  const int Index = ACol * PictureRows + ARow;
  if (Index >= IconList->Count()) return;
  IconList->Draw(Canvas.Handle(), (Rect.left + Rect.right - IconList->Width()) / 2,
                 (Rect.top + Rect.bottom - IconList->Height()) / 2, Index);
}

void TfrmSelectIcon::dgPicturesSelectCell(TObject*, int ACol, int ARow, bool& CanSelect) {
  CanSelect = ACol * PictureRows + ARow < IconList->Count();
}

void TfrmSelectIcon::dgPicturesClick(TObject*) {
  if (Selecting) return;
  TDrawGrid* Pictures = Grid();
  IconIndex = Pictures->Col() * PictureRows + Pictures->Row();
  static_cast<TControl*>(FindComponent("lblIconIndex"))->SetCaption(IntToStr(IconIndex));
}

bool ShowSelectIcon(std::string& FileName, int& IconIndex) {
  const auto Form = std::make_unique<TfrmSelectIcon>(Application);
  Form->SetIcon(FileName, IconIndex);
  if (Form->ShowModal() != mrOk) return false;
  FileName = Form->GetFileName();
  IconIndex = Form->IconIndex;
  return true;
}

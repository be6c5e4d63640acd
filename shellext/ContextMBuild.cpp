// The context-menu object's item tree: building it from section "Dynamic Items", inserting it into
// the shell's menu, measuring and painting its owner-drawn items, and starting an item's
// application with the selected paths.
#include "shellext/ContextM.h"

#include "shellext/IniSnapshot.h"
#include "model/CorvIniFile.h"
#include "resources/strings/Vellisk.h"
#include "classlib/core/ResStrings.h"

#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace {

const char* const DynamicSection = "Dynamic Items";
const char* const BackgroundKind = "Directory\\Background";

unsigned long long HandleValue(const void* Handle) {
  return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(Handle));
}

// ---------------------------------------------------------------------------------------------
// GDI wrappers

// The screen's device context, released with the object.
class TScreenDC {
public:
  TScreenDC() : FDC(GetDC(nullptr)) {}
  ~TScreenDC() {
    if (FDC != nullptr) ReleaseDC(nullptr, FDC);
  }
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  HDC Handle() const { return FDC; }

private:
  HDC FDC;
};

// A memory device context compatible with another, deleted with the object after the objects
// selected into it through Select are deselected.
class TMemoryDC {
public:
  explicit TMemoryDC(HDC Compatible) : FDC(CreateCompatibleDC(Compatible)) {}
  ~TMemoryDC() {
    if (FDC == nullptr) return;
    if (FOldBitmap != nullptr) SelectObject(FDC, FOldBitmap);
    DeleteDC(FDC);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Handle() const { return FDC; }
  bool Select(HBITMAP Bitmap) {
    if (FDC == nullptr || Bitmap == nullptr) return false;
    HGDIOBJ Old = SelectObject(FDC, Bitmap);
    if (Old == nullptr || Old == HGDI_ERROR) return false;
    if (FOldBitmap == nullptr) FOldBitmap = Old;
    return true;
  }

private:
  HDC FDC;
  HGDIOBJ FOldBitmap = nullptr;
};

// A bitmap owned until Release.
class TOwnedBitmap {
public:
  explicit TOwnedBitmap(HBITMAP Bitmap = nullptr) : FBitmap(Bitmap) {}
  ~TOwnedBitmap() {
    if (FBitmap != nullptr) DeleteObject(FBitmap);
  }
  TOwnedBitmap(const TOwnedBitmap&) = delete;
  TOwnedBitmap& operator=(const TOwnedBitmap&) = delete;
  HBITMAP Handle() const { return FBitmap; }
  HBITMAP Release() {
    HBITMAP Result = FBitmap;
    FBitmap = nullptr;
    return Result;
  }
  void Reset(HBITMAP Bitmap) {
    if (FBitmap != nullptr) DeleteObject(FBitmap);
    FBitmap = Bitmap;
  }

private:
  HBITMAP FBitmap;
};

// The items' font selected into a device context: the configured face at the configured size, or
// the stock variable-pitch font when no face is set. Deselected (and a made font deleted) with
// the object.
class TItemFont {
public:
  TItemFont(HDC DC, const TCustomDrawnMenuInfo& Settings) : FDC(DC) {
    if (!Settings.TextFontFace().empty()) {
      FFont = CreateFontA(-MulDiv(Settings.TextFontSize(), GetDeviceCaps(DC, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                          FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH, Settings.TextFontFace().c_str());
      FOwned = FFont != nullptr;
    }
    if (FFont == nullptr) FFont = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    FOld = SelectObject(DC, FFont);
  }
  ~TItemFont() {
    if (FOld != nullptr && FOld != HGDI_ERROR) SelectObject(FDC, FOld);
    if (FOwned) DeleteObject(FFont);
  }
  TItemFont(const TItemFont&) = delete;
  TItemFont& operator=(const TItemFont&) = delete;

private:
  HDC FDC;
  HFONT FFont = nullptr;
  bool FOwned = false;
  HGDIOBJ FOld = nullptr;
};

SIZE TextSize(HDC DC, const std::string& Text) {
  SIZE Size{0, 0};
  if (!Text.empty()) GetTextExtentPoint32A(DC, Text.data(), static_cast<int>(Text.size()), &Size);
  else {
    TEXTMETRICA Metrics{};
    if (GetTextMetricsA(DC, &Metrics)) Size.cy = Metrics.tmHeight;
  }
  return Size;
}

// ---------------------------------------------------------------------------------------------
// Command lines

// Every run of backslashes that stands before a double quote doubled.
std::string EscapeBeforeQuotes(const std::string& S) {
  std::string Result;
  Result.reserve(S.size() + 4);
  size_t Run = 0;
  for (char C : S) {
    if (C == '\\') {
      ++Run;
    } else {
      if (C == '"') Result.append(Run, '\\');
      Run = 0;
    }
    Result += C;
  }
  return Result;
}

// The trailing run of backslashes doubled (for a text that a double quote will follow).
std::string DoubleTrailingBackslashes(const std::string& S) {
  size_t Run = 0;
  while (Run < S.size() && S[S.size() - 1 - Run] == '\\') ++Run;
  return S + std::string(Run, '\\');
}

}  // namespace

std::string ReplaceArgumentList(const std::string& FileArgs, const std::string& ArgumentList) {
  const bool Quoted = !ArgumentList.empty() && ArgumentList.front() == '"';
  const std::string Escaped = Quoted ? EscapeBeforeQuotes(ArgumentList) : ArgumentList;
  std::string Result;
  Result.reserve(FileArgs.size() + ArgumentList.size());
  size_t I = 0;
  while (I < FileArgs.size()) {
    if (FileArgs[I] != '%' || I + 1 >= FileArgs.size() || FileArgs[I + 1] != '1') {
      Result += FileArgs[I++];
      continue;
    }
    const bool Next = I + 2 < FileArgs.size() && FileArgs[I + 2] == '"';
    const bool InQuotes = Next && I > 0 && FileArgs[I - 1] == '"' && !Result.empty() && Result.back() == '"';
    if (Quoted && InQuotes) {
      // The list brings its own quotes.
      Result.pop_back();
      Result += Escaped;
      I += 3;
    } else {
      Result += Quoted ? Escaped : Next ? DoubleTrailingBackslashes(ArgumentList) : ArgumentList;
      I += 2;
    }
  }
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TMenuHelper

bool TMenuHelper::IconToBitmaps(HICON Icon, int Width, int Height, HBITMAP& CheckBitmap, HBITMAP& ColorBitmap,
                                HBITMAP& MaskBitmap) {
  CheckBitmap = ColorBitmap = MaskBitmap = nullptr;
  ICONINFO Info{};
  if (Icon == nullptr || !GetIconInfo(Icon, &Info)) return false;
  TOwnedBitmap Color(Info.hbmColor), Mask(Info.hbmMask);
  if (Mask.Handle() == nullptr) return false;
  TScreenDC Screen;
  if (Color.Handle() == nullptr) {
    // A monochrome icon: its mask holds the AND image above the XOR image.
    TOwnedBitmap Top(CreateBitmap(Width, Height, 1, 1, nullptr)), Bottom(CreateBitmap(Width, Height, 1, 1, nullptr));
    {
      TMemoryDC Source(Screen.Handle()), Dest(Screen.Handle());
      if (!Source.Select(Mask.Handle()) || !Dest.Select(Top.Handle())) return false;
      BitBlt(Dest.Handle(), 0, 0, Width, Height, Source.Handle(), 0, 0, SRCCOPY);
      if (!Dest.Select(Bottom.Handle())) return false;
      BitBlt(Dest.Handle(), 0, 0, Width, Height, Source.Handle(), 0, Height, SRCCOPY);
    }
    Mask.Reset(Top.Release());
    Color.Reset(Bottom.Release());
  }
  TMemoryDC Source(Screen.Handle()), Dest(Screen.Handle());
  if (!Source.Select(Color.Handle())) return false;
  TOwnedBitmap Check(CreateCompatibleBitmap(Source.Handle(), Width, Height));
  if (!Dest.Select(Check.Handle())) return false;
  // The colour image, and white wherever the mask lets the background through.
  BitBlt(Dest.Handle(), 0, 0, Width, Height, Source.Handle(), 0, 0, SRCCOPY);
  if (!Source.Select(Mask.Handle())) return false;
  BitBlt(Dest.Handle(), 0, 0, Width, Height, Source.Handle(), 0, 0, SRCPAINT);
  GdiFlush();
  CheckBitmap = Check.Release();
  ColorBitmap = Color.Release();
  MaskBitmap = Mask.Release();
  return true;
}

void TMenuHelper::LoadPngBitmap(const std::string& FileName, int Width, int Height,
                                std::unique_ptr<TPNGObject>& Image, HBITMAP& CheckBitmap) {
  Image.reset();
  CheckBitmap = nullptr;
  auto Png = std::make_unique<TPNGObject>();
  Png->LoadFromFile(FileName);
  TScreenDC Screen;
  TOwnedBitmap Bitmap(CreateCompatibleBitmap(Screen.Handle(), Width, Height));
  {
    TMemoryDC Memory(Screen.Handle());
    if (Memory.Select(Bitmap.Handle())) {
      RECT Rect{0, 0, Width, Height};
      FillRect(Memory.Handle(), &Rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      Png->Draw(Memory.Handle(), Rect);
    }
  }
  Image = std::move(Png);
  CheckBitmap = Bitmap.Release();
}

// ---------------------------------------------------------------------------------------------
// TXMenu

TXMenu::~TXMenu() {
  if (CheckBitmap != nullptr) DeleteObject(CheckBitmap);
  if (ColorBitmap != nullptr) DeleteObject(ColorBitmap);
  if (MaskBitmap != nullptr) DeleteObject(MaskBitmap);
  // A popup menu handed to a menu belongs to that menu.
  if (OwnsPopup && PopupMenu != nullptr && IsMenu(PopupMenu)) DestroyMenu(PopupMenu);
}

// ---------------------------------------------------------------------------------------------
// Building the tree

void TCorvMenu::ClearXMenu() {
  // Without recursion: a section may chain thousands of levels.
  std::vector<TXMenu*> Pending;
  if (FXMenu != nullptr) Pending.push_back(FXMenu);
  FXMenu = nullptr;
  while (!Pending.empty()) {
    TXMenu* Node = Pending.back();
    Pending.pop_back();
    if (Node->Next != nullptr) Pending.push_back(Node->Next);
    if (Node->FirstChild != nullptr) Pending.push_back(Node->FirstChild);
    delete Node;
  }
}

void TCorvMenu::LoadXItem(TCustomIniFile& Ini, const std::string& FileName, int Index, std::string& Name, int& Parent,
                          TXItemData& Data) {
  LogWriteFmt("Call to LoadXItem(Ini=\"%s\", Index=%d, var Name, var Parent, Data=%p)",
              {FileName, Index, static_cast<const void*>(&Data)});
  LogIndent();
  const std::string N = IntToStr(Index);
  Parent = Ini.ReadInteger(DynamicSection, "Parent" + N, 0);
  Name = Ini.ReadString(DynamicSection, "Caption" + N, "");
  Data.Separator = (Ini.ReadInteger(DynamicSection, "IsSeparator" + N, 0) & 0xFF) != 0;
  if (Data.Separator) {
    Name.clear();
    Data.FilePath.clear();
    Data.FileArgs.clear();
    Data.IconFile.clear();
    Data.IconIndx = -1;
  } else {
    Data.FilePath = Ini.ReadString(DynamicSection, "Application" + N, "");
    Data.FileArgs = Ini.ReadString(DynamicSection, "Parameters" + N, "\"%1\"");
    Data.MenuHint = Ini.ReadString(DynamicSection, "Hint" + N, "");
    Data.IconFile = Ini.ReadString(DynamicSection, "IconFile" + N, "");
    Data.IconIndx = Ini.ReadInteger(DynamicSection, "IconIndex" + N, -1);
  }
  Data.MenuKind = Ini.ReadString(DynamicSection, "FileType" + N, "");
  LogWriteFmt("LoadXItem: Parent=%d, Name=\"%s\", Data.(Separator=\"%s\", FilePath=\"%s\", FileArgs=\"%s\", "
              "MenuHint=\"%s\", IconFile=\"%s\", IconIndx=\"%d\", MenuKind=\"%s\")",
              {Parent, Name, BoolToStr(Data.Separator), Data.FilePath, Data.FileArgs, Data.MenuHint, Data.IconFile,
               Data.IconIndx, Data.MenuKind});
  LogUnindent();
  LogWriteFmt("LoadXItem: EXITING, Result=%s", {BoolToStr(true)});
}

HICON TCorvMenu::RetrieveIcon(const std::string& FileName, int Index, bool SmallIcon) {
  LogWriteFmt("Call to RetrieveIcon(FileName=\"%s\", idx=%d, SmallIcon=%s)", {FileName, Index, BoolToStr(SmallIcon)});
  LogIndent();
  HICON Large = nullptr, Small = nullptr;
  const UINT Extracted = ExtractIconExA(FileName.c_str(), Index, &Large, &Small, 1);
  HICON Result = nullptr;
  // On failure the handles hold nothing that may be touched.
  if (Extracted == 1 || Extracted == 2) {
    if (SmallIcon || Large == nullptr) {
      Result = Small;
      if (Large != nullptr) DestroyIcon(Large);
    } else {
      Result = Large;
      if (Small != nullptr) DestroyIcon(Small);
    }
  }
  LogUnindent();
  LogWriteFmt("RetrieveIcon: EXITING, Result=%u", {HandleValue(Result)});
  return Result;
}

void TCorvMenu::LoadXIcon(TXMenu& Node) {
  const TXItemData& Data = Node.Data;
  if (Data.IconFile.empty() || Data.IconIndx == -1) return;
  if (SameText(ExtractFileExt(Data.IconFile), ".png")) {
    try {
      TMenuHelper::LoadPngBitmap(Data.IconFile, FCheckMarkWidth, FCheckMarkHeight, Node.Image, Node.CheckBitmap);
    } catch (const std::exception& E) {
      Node.Image.reset();
      Node.CheckBitmap = nullptr;
      const Exception* Own = dynamic_cast<const Exception*>(&E);
      LogWriteFmt("CreateXMenu: error loading PNG=%s (%s, %s)",
                  {Data.IconFile, ClassNameOf(typeid(E)), Own != nullptr ? Own->Message() : std::string(E.what())});
    }
    return;
  }
  HICON Icon = RetrieveIcon(Data.IconFile, Data.IconIndx, true);
  if (Icon == nullptr) return;
  HICON Scaled = static_cast<HICON>(CopyImage(Icon, IMAGE_ICON, FCheckMarkWidth, FCheckMarkHeight, 0));
  DestroyIcon(Icon);
  if (Scaled == nullptr) return;
  TMenuHelper::IconToBitmaps(Scaled, FCheckMarkWidth, FCheckMarkHeight, Node.CheckBitmap, Node.ColorBitmap,
                             Node.MaskBitmap);
  DestroyIcon(Scaled);
}

void TCorvMenu::CreateXMenu() {
  LogWrite("Call to CreateXMenu");
  LogIndent();
  ClearXMenu();
  const std::shared_ptr<TIniSnapshot> Snapshot = TIniSnapshot::Open(CorvIniFileName());
  FCheckMarkWidth = GetSystemMetrics(SM_CXMENUCHECK);
  FCheckMarkHeight = GetSystemMetrics(SM_CYMENUCHECK);
  const TDynamicKinds& Kinds = Snapshot->Kinds();
  const int Count = Kinds.Count;
  LogWriteFmt("GetXItemsCount returns Result=%d", {Count});
  // Numbers beyond the last key hold only defaults; before Initialize (no menu kind) such items
  // match, and no more than 256 of them can be inserted.
  int Bound = Kinds.Bound;
  if (FXMenuKind.empty() && Bound < Count) Bound = Count - Bound > 256 ? Bound + 256 : Count;
  std::vector<TXMenu*> Added;
  Snapshot->Read([&](TCorvIniFile& Ini) {

    // Items are linked below the loaded item whose number their Parent names; numbers are unique.
    std::unordered_map<int, TXMenu*> Loaded;
    TXMenu* LastTop = nullptr;
    const bool Logging = LogEnabled();
    for (int N = 1; N <= Bound; ++N) {
      // Without a log an item of another kind is passed over at once.
      const size_t At = static_cast<size_t>(N - 1);
      if (!Logging && (At < Kinds.FileTypes.size() ? Kinds.FileTypes[At] : std::string()) != FXMenuKind) continue;
      auto Node = std::make_unique<TXMenu>();
      int Parent = 0;
      LoadXItem(Ini, Snapshot->FileName(), N, Node->Name, Parent, Node->Data);
      if (Node->Data.MenuKind != FXMenuKind) {
        LogWriteFmt("CreateXMenu: failed to load menu item, (FXMenuKind <> data.MenuKind)=%s", {BoolToStr(true)});
        continue;
      }
      Node->Index = N;
      TXMenu* Item = Node.release();
      auto Owner = Parent != 0 ? Loaded.find(Parent) : Loaded.end();
      if (Owner != Loaded.end()) {
        TXMenu* Up = Owner->second;
        Item->Level = Up->Level + 1;
        if (Up->LastChild != nullptr)
          Up->LastChild->Next = Item;
        else
          Up->FirstChild = Item;
        Up->LastChild = Item;
      } else {
        if (LastTop != nullptr)
          LastTop->Next = Item;
        else
          FXMenu = Item;
        LastTop = Item;
      }
      Loaded[N] = Item;
      Added.push_back(Item);
      LogWriteFmt("CreateXMenu: item added successfully, p=%p", {static_cast<const void*>(Item)});
    }
  });
  // Icons are read with the INI file released.
  for (TXMenu* Item : Added) LoadXIcon(*Item);
  LogUnindent();
  LogWrite("CreateXMenu: EXITING");
}

// ---------------------------------------------------------------------------------------------
// Inserting the tree

bool TCorvMenu::OwnerDrawn(const TXMenu& Node) const {
  return FCustomDraw->Enabled() && (Node.Level > 0 || !FCustomDraw->FirstLevelDefault());
}

void TCorvMenu::InsertXMenu(HMENU Menu, UINT Position, UINT& Identifier, UINT LastIdentifier) {
  for (TXMenu* Node = FXMenu; Node != nullptr; Node = Node->Next)
    if (!InsertXItem(Menu, Node, Position, Identifier, LastIdentifier)) break;
}

bool TCorvMenu::InsertXItem(HMENU Menu, TXMenu* Node, UINT& Position, UINT& Identifier, UINT LastIdentifier) {
  if (Identifier > LastIdentifier) {
    LogWriteFmt("InsertXItem: identifier %u is beyond the last one permitted (%u), insertion stopped",
                {Identifier, LastIdentifier});
    return false;
  }
  LogWriteFmt("Call to InsertXItem(Menu=%u, Item=%p, var idCmd, pos)",
              {HandleValue(Menu), static_cast<const void*>(Node)});
  LogIndent();
  MENUITEMINFOA Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = MIIM_ID | MIIM_FTYPE;
  Node->Identifier = Identifier++;
  Node->HasIdentifier = true;
  Info.wID = Node->Identifier;
  bool Owner = false;
  if (Node->HasChildren()) {
    Owner = OwnerDrawn(*Node) && !(FCustomDraw->BackgroundFix() && FXMenuKind == BackgroundKind);
    Node->PopupMenu = CreatePopupMenu();
    Node->OwnsPopup = Node->PopupMenu != nullptr;
    LogWriteFmt("CreatePopupMenu: %x", {HandleValue(Node->PopupMenu)});
    Info.fMask |= MIIM_SUBMENU;
    Info.hSubMenu = Node->PopupMenu;
  } else if (Node->Data.Separator) {
    Info.fType = MFT_SEPARATOR;
  } else {
    Owner = OwnerDrawn(*Node);
  }
  if (!Node->Data.Separator) {
    Info.fType = Owner ? MFT_OWNERDRAW : MFT_STRING;
    Info.fMask |= MIIM_STRING;
    Info.dwTypeData = Node->Name.data();
    Info.cch = static_cast<UINT>(Node->Name.size());
    if (!Owner && Node->CheckBitmap != nullptr) {
      Info.fMask |= MIIM_CHECKMARKS;
      Info.hbmpChecked = Node->CheckBitmap;
      Info.hbmpUnchecked = Node->CheckBitmap;
    }
  }
  LogWriteFmt("InsertXItem: call to InsertMenuItem(Menu=%u, pos=%u, True, MInfo=%p)",
              {HandleValue(Menu), Position, static_cast<const void*>(&Info)});
  SetLastError(0);  // not every system sets it when the insertion fails
  if (!InsertMenuItemA(Menu, Position, TRUE, &Info)) {
    const DWORD Error = GetLastError();
    // Its subtree is left out; the popup menu that no menu took goes now.
    if (Node->OwnsPopup) DestroyMenu(Node->PopupMenu);
    Node->PopupMenu = nullptr;
    Node->OwnsPopup = false;
    LogUnindent();
    LogWriteFmt("InsertXItem: EXITING, Result=%u", {static_cast<unsigned>(Error)});
    return true;
  }
  Node->OwnsPopup = false;
  if (Position != static_cast<UINT>(-1)) ++Position;
  bool More = true;
  if (Node->HasChildren()) {
    UINT ChildPosition = static_cast<UINT>(-1);
    for (TXMenu* Child = Node->FirstChild; Child != nullptr && More; Child = Child->Next)
      More = InsertXItem(Node->PopupMenu, Child, ChildPosition, Identifier, LastIdentifier);
  }
  LogUnindent();
  LogWriteFmt("InsertXItem: EXITING, Result=%u", {0u});
  return More;
}

TXMenu* TCorvMenu::GetXItemForID(TXMenu* Node, UINT Identifier) {
  LogWriteFmt("Call to GetXItemForID(XMenu=%p, ID=%u)", {static_cast<const void*>(Node), Identifier});
  LogIndent();
  // A node, then its subtree, then its next sibling; the siblings waiting on a stack.
  TXMenu* Result = nullptr;
  std::vector<TXMenu*> Waiting;
  TXMenu* Current = Node;
  while (Current != nullptr || !Waiting.empty()) {
    if (Current == nullptr) {
      Current = Waiting.back();
      Waiting.pop_back();
    }
    if (Current->HasIdentifier && Current->Identifier == Identifier) {
      Result = Current;
      break;
    }
    if (Current->FirstChild != nullptr) {
      if (Current->Next != nullptr) Waiting.push_back(Current->Next);
      Current = Current->FirstChild;
    } else {
      Current = Current->Next;
    }
  }
  LogUnindent();
  LogWriteFmt("GetXItemForID: EXITING, Result=%p", {static_cast<const void*>(Result)});
  return Result;
}

std::string TCorvMenu::XItemHint(const TXMenu* Node) { return Node != nullptr ? Node->Data.MenuHint : std::string(); }

// ---------------------------------------------------------------------------------------------
// Owner drawing

void TCorvMenu::DoMeasureItem(MEASUREITEMSTRUCT& Item) {
  TXMenu* Node = GetXItemForID(FXMenu, Item.itemID);
  if (Node == nullptr) {
    LogWriteFmt("DoMeasureItem: item not found, itemID=%d", {static_cast<int>(Item.itemID)});
    return;
  }
  LogWriteFmt("DoMeasureItem: XItem.Name=\"%s\"", {Node->Name});
  const HWND Desktop = GetDesktopWindow();
  const HDC DC = GetDC(Desktop);
  if (DC == nullptr) return;
  SIZE Size;
  {
    TItemFont Font(DC, *FCustomDraw);
    Size = TextSize(DC, Node->Name);
  }
  ReleaseDC(Desktop, DC);
  const long long Indent = FCustomDraw->TextIndent();
  const long long Width = Size.cx + Indent + (Node->HasChildren() ? Indent / 2 : 0);
  Item.itemWidth = static_cast<UINT>(std::clamp(Width, 0LL, 0x7FFFFFFFLL));
  Item.itemHeight = static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENUSIZE), 0));
}

void TCorvMenu::DoDrawItem(const DRAWITEMSTRUCT& Item) {
  TXMenu* Node = GetXItemForID(FXMenu, Item.itemID);
  if (Node == nullptr) {
    LogWriteFmt("DoDrawItem: item not found, itemID=%d", {static_cast<int>(Item.itemID)});
    return;
  }
  LogWriteFmt("DoDrawItem: XItem.Name=\"%s\"", {Node->Name});
  const HDC DC = Item.hDC;
  if (DC == nullptr) return;
  const TCustomDrawnMenuInfo& Look = *FCustomDraw;
  const bool Selected = (Item.itemState & ODS_SELECTED) != 0;
  const COLORREF TextColor =
      static_cast<COLORREF>(Selected ? ResolveColor(Look.SelectedTextColor(), GetSysColor(COLOR_HIGHLIGHTTEXT))
                                     : ResolveColor(Look.NormalTextColor(), GetSysColor(COLOR_MENUTEXT)));
  const COLORREF BackColor =
      static_cast<COLORREF>(Selected ? ResolveColor(Look.SelectedBackColor(), GetSysColor(COLOR_HIGHLIGHT))
                                     : ResolveColor(Look.NormalBackColor(), GetSysColor(COLOR_MENU)));
  const COLORREF OldText = SetTextColor(DC, TextColor);
  const COLORREF OldBack = SetBkColor(DC, BackColor);
  {
    TItemFont Font(DC, Look);
    const RECT& Rect = Item.rcItem;
    const SIZE Size = TextSize(DC, Node->Name);
    const int X = static_cast<int>(std::clamp(static_cast<long long>(Rect.left) + Look.TextIndent(),
                                              static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
    const int Y = Rect.top + (Rect.bottom - Rect.top - Size.cy + 1) / 2;
    ExtTextOutA(DC, X, Y, ETO_OPAQUE, &Rect, Node->Name.data(), static_cast<UINT>(Node->Name.size()), nullptr);

    if (Node->HasIcon()) {
      RECT Column = Rect;
      Column.right = GetSystemMetrics(SM_CXMENUSIZE) - 1;
      const COLORREF ColumnColor =
          static_cast<COLORREF>(Selected ? ResolveColor(Look.SelectedIconBackColor(), GetSysColor(COLOR_HIGHLIGHT))
                                         : ResolveColor(Look.NormalIconBackColor(), GetSysColor(COLOR_MENU)));
      if (HBRUSH Brush = CreateSolidBrush(ColumnColor)) {
        FillRect(DC, &Column, Brush);
        DeleteObject(Brush);
      }
      const int W = FCheckMarkWidth, H = FCheckMarkHeight;
      RECT Place;
      Place.left = Column.left + (Column.right - Column.left - W + 1) / 2;
      Place.top = Column.top + (Column.bottom - Column.top - H + 1) / 2;
      Place.right = Place.left + W;
      Place.bottom = Place.top + H;
      if (Node->Image != nullptr) {
        Node->Image->Draw(DC, Place);
      } else if (Node->ColorBitmap != nullptr && Node->MaskBitmap != nullptr) {
        // Background, then the mask cut out and the colours put in, off the screen.
        TMemoryDC Work(DC), Source(DC);
        TOwnedBitmap Buffer(CreateCompatibleBitmap(DC, W, H));
        if (Work.Select(Buffer.Handle()) && Source.Select(Node->MaskBitmap)) {
          BitBlt(Work.Handle(), 0, 0, W, H, DC, Column.left, Column.top, SRCCOPY);
          BitBlt(Work.Handle(), 0, 0, W, H, Source.Handle(), 0, 0, SRCAND);
          if (Source.Select(Node->ColorBitmap)) BitBlt(Work.Handle(), 0, 0, W, H, Source.Handle(), 0, 0, SRCINVERT);
          BitBlt(DC, Place.left, Place.top, W, H, Work.Handle(), 0, 0, SRCCOPY);
        }
      }
    }
  }
  SetTextColor(DC, OldText);
  SetBkColor(DC, OldBack);
}

// ---------------------------------------------------------------------------------------------
// Starting an item's application

DWORD TCorvMenu::ProcessExecute(const std::string& CommandLine, const std::string& Arguments, int Show) {
  LogWriteFmt("Call to ProcessExecute(CommandLine=\"%s\", Arguments=\"%s\", cShow=%u)",
              {CommandLine, Arguments, static_cast<unsigned>(Show)});
  LogIndent();
  STARTUPINFOA Startup{};
  Startup.cb = sizeof(Startup);
  Startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
  Startup.wShowWindow = static_cast<WORD>(Show);
  PROCESS_INFORMATION Process{};
  std::vector<char> Line(Arguments.begin(), Arguments.end());
  Line.push_back('\0');
  DWORD Result = 0;
  if (CreateProcessA(CommandLine.c_str(), Line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                     nullptr, &Startup, &Process)) {
    // A program that stays busy must not hold the shell for long.
    WaitForInputIdle(Process.hProcess, 5000);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
  } else {
    Result = GetLastError();
    if (Result == 0) Result = ERROR_GEN_FAILURE;
  }
  LogUnindent();
  LogWriteFmt("ProcessExecute: EXITING, Result=%u", {static_cast<unsigned>(Result)});
  return Result;
}

HRESULT TCorvMenu::ExecuteXItem(UINT Identifier, const CMINVOKECOMMANDINFO& Info) {
  TXMenu* Node = GetXItemForID(FXMenu, Identifier);
  // Submenus and separators have nothing to start.
  if (Node == nullptr || Node->HasChildren() || Node->Data.Separator) return E_FAIL;
  const std::string Parameters = ReplaceArgumentList(Node->Data.FileArgs, FArgumentList);
  // A path stored with its quotes (as a file edit shows one with a blank) names the same program.
  const std::string Program = UnquotedPath(Node->Data.FilePath);
  const std::string CommandLine = "\"" + Program + "\" " + Parameters;
  const DWORD Error = ProcessExecute(Program, CommandLine, Info.nShow);
  if (Error != 0) {
    const std::string Message =
        Format(LoadResString(SExecuteAppError), {SysErrorMessage(Error), static_cast<int>(Error), FArgumentList});
    LogWriteFmt("InvokeCommand: displaying error box, errorStr=\"%s\"", {Message});
    MessageBoxA(Info.hwnd, Message.c_str(), "Corvane", MB_ICONERROR | MB_OK);
  }
  return S_OK;
}

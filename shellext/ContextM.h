// Vellisk's context-menu handler: the object that the shell creates for a selection or a folder
// background, its class factory with the registration of the handler keys, and the choice of the
// INI file that both read.
#pragma once

#include "shellext/ContextMCom.h"
#include "shellext/Debug.h"

#include "classlib/core/IniFiles.h"
#include "classlib/core/PngImage.h"
#include "model/CustDraw.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

// {4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}
inline constexpr CLSID CLSID_CorvMenu = {0x4E7B21D3, 0x9A5C, 0x4F08, {0xB6, 0xE1, 0x2C, 0x93, 0xD5, 0x7A, 0x0F, 0x64}};

// "ZU2001.ini" in the Windows folder when that file exists, else "Corvane.ini" beside this module.
// Chosen afresh on every call.
std::string CorvIniFileName();

// The non-empty "FileType<i>" values of section "Dynamic Items" for i = 1 to its "Count", each
// once (exact comparison), in the order of first appearance.
std::vector<std::string> ReadFileClasses(TCustomIniFile& Ini);

// An item's parameters with every "%1" (any case) replaced by the argument list, ready for a
// command line: a list that is already quoted takes the place of a quoted "%1" whole, without a
// second pair of quotes, and backslashes before a closing quote are doubled so that the quote is
// not read as escaped.
std::string ReplaceArgumentList(const std::string& FileArgs, const std::string& ArgumentList);

// A path of the file system for an absolute item identifier list; false when it has none.
// Paths of any length are answered whole.
bool PathFromIDList(PCIDLIST_ABSOLUTE Pidl, std::string& Path);

// Helpers of the menu object that need no object.
class TMenuHelper {
public:
  TMenuHelper() = delete;
  // The registered name of a clipboard format; empty for the predefined formats.
  static std::string ClipboardFormatName(UINT Format);
  // The icon's own colour and mask bitmaps, and a new Width x Height bitmap compatible with the
  // colour bitmap showing the icon on white (for a menu's check-mark area). False, with all
  // three nullptr, when the icon has no bitmaps.
  static bool IconToBitmaps(HICON Icon, int Width, int Height, HBITMAP& CheckBitmap, HBITMAP& ColorBitmap,
                            HBITMAP& MaskBitmap);
  // Loads the PNG file into Image and draws it, scaled, into a new Width x Height
  // screen-compatible bitmap filled white first. Raises when the file cannot be read; Image and
  // CheckBitmap are then empty.
  static void LoadPngBitmap(const std::string& FileName, int Width, int Height, std::unique_ptr<TPNGObject>& Image,
                            HBITMAP& CheckBitmap);
};

// One item of section "Dynamic Items" as the menu needs it.
struct TXItemData {
  bool Separator = false;
  std::string FilePath;
  std::string FileArgs = "\"%1\"";
  std::string MenuKind;
  std::string MenuHint;
  std::string IconFile;
  int IconIndx = -1;  // -1: no icon
};

// A node of the item tree: a plain item, a separator, or a submenu (a node with children).
struct TXMenu {
  TXMenu() = default;
  ~TXMenu();  // deletes its bitmaps and a popup menu that no menu took
  TXMenu(const TXMenu&) = delete;
  TXMenu& operator=(const TXMenu&) = delete;

  TXMenu* FirstChild = nullptr;
  HMENU PopupMenu = nullptr;  // made at insertion for a submenu
  bool OwnsPopup = false;     // PopupMenu not (yet) inserted into a menu
  std::string Name;
  TXItemData Data;
  bool HasIdentifier = false;
  UINT Identifier = 0;  // given at insertion
  int Index = 0;        // the item's number in the section
  int Level = 0;        // 0 at the top
  HBITMAP CheckBitmap = nullptr;
  HBITMAP ColorBitmap = nullptr;
  HBITMAP MaskBitmap = nullptr;
  std::unique_ptr<TPNGObject> Image;  // of a ".png" icon
  TXMenu* Next = nullptr;
  TXMenu* LastChild = nullptr;  // for appending

  bool HasChildren() const { return FirstChild != nullptr; }
  bool HasIcon() const { return Image != nullptr || CheckBitmap != nullptr; }
};

class TCorvMenu : public TComObject, public IContextMenu3, public IShellExtInit {
public:
  // Reads "DebugLogging", opens the debug log in the folder of the registered library, loads the
  // custom-draw settings. Raises when the INI file cannot be read.
  TCorvMenu();
  ~TCorvMenu() override;

  // IUnknown, shared by every interface of the object.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    return TComObject::QueryInterface(riid, ppvObject);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return TComObject::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return TComObject::Release(); }

  // IContextMenu
  STDMETHODIMP QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                UINT uFlags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* pici) override;
  STDMETHODIMP GetCommandString(UINT_PTR idCmd, UINT uType, UINT* pReserved, CHAR* pszName,
                                UINT cchMax) override;
  // IContextMenu2
  STDMETHODIMP HandleMenuMsg(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  // IContextMenu3
  STDMETHODIMP HandleMenuMsg2(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) override;
  // IShellExtInit: captures the selection and detects its file class. S_OK or E_INVALIDARG.
  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pdtobj, HKEY hkeyProgID) override;

  // State, for the object's own units.
  bool Busy() const { return FBusy; }
  const std::string& ArgumentList() const { return FArgumentList; }
  int ArgumentCount() const { return FArgumentCount; }
  const std::string& XMenuKind() const { return FXMenuKind; }
  UINT ClipboardFormat() const { return FClipboardFormat; }

protected:
  IUnknown* GetInterface(REFIID IID) override;

private:
  bool FBusy = false;
  TXMenu* FXMenu = nullptr;  // owned
  UINT FidMaxCmd = 0;
  UINT FidFirstCmd = 0;
  STGMEDIUM FMedium{};
  std::string FArgumentList;
  int FArgumentCount = 0;
  std::string FXMenuKind;
  int FCheckMarkWidth = 0;
  int FCheckMarkHeight = 0;
  std::unique_ptr<TFileDebug> FDebug;
  std::shared_ptr<const TCustomDrawnMenuInfo> FCustomDraw;  // shared by the objects of one INI snapshot
  UINT FClipboardFormat = 0;

  // The log.
  bool LogEnabled() const { return FDebug && FDebug->Enabled(); }
  void LogIndent();
  void LogUnindent();
  void LogWrite(const std::string& Message);
  void LogWriteFmt(const std::string& Fmt, std::initializer_list<TVarRec> Args);

  // The boundary of every interface method: writes the entry line that Entry() makes and indents,
  // runs Body, and answers its result, or FailCode when anything raised; in both cases the level
  // goes back to the entry's and the exit line "<Operation>: EXITING, Result=%u" is written there.
  template <class TEntry, class TBody>
  HRESULT LoggedCall(const char* Operation, HRESULT FailCode, TEntry&& Entry, TBody&& Body) noexcept;

  // The selection.
  void ReleaseMedium();                      // releases a rendered medium and zeroes it
  HRESULT RequestData(IDataObject* DataObject);  // FClipboardFormat as global memory into FMedium
  void DumpFormats(IDataObject* DataObject);
  void DetectClass(HKEY KeyProgID, const std::vector<std::string>& Classes);
  // The selected paths as they replace "%1"; nothing when FArgumentList is already set.
  void BuildArgumentList();
  // Offsets the last QueryContextMenu handed out, within the 256 that can be answered.
  bool CommandAccepted(UINT_PTR Offset) const { return Offset < FidMaxCmd && Offset < 256; }

  // The item tree, its drawing and the start of an item's application (ContextMBuild.cpp).
  void CreateXMenu();  // rebuilds FXMenu for FXMenuKind
  void ClearXMenu();   // frees FXMenu with its bitmaps, images and submenus
  // Inserts the top-level nodes into Menu from Position on with identifiers from Identifier on,
  // which ends one past the last identifier taken. No identifier beyond LastIdentifier is taken:
  // insertion stops before the node that would need it.
  void InsertXMenu(HMENU Menu, UINT Position, UINT& Identifier, UINT LastIdentifier);
  TXMenu* GetXItemForID(TXMenu* Node, UINT Identifier);  // nullptr when no node has it
  static std::string XItemHint(const TXMenu* Node);     // "" for nullptr
  void DoMeasureItem(MEASUREITEMSTRUCT& Item);
  void DoDrawItem(const DRAWITEMSTRUCT& Item);
  // Starts the application of the plain item with the identifier (FArgumentList built): S_OK,
  // also when the start failed and was reported; E_FAIL for no item, a submenu or a separator.
  HRESULT ExecuteXItem(UINT Identifier, const CMINVOKECOMMANDINFO& Info);

  // Reads item Index of section "Dynamic Items" into Name, Parent and Data; FileName for the log.
  void LoadXItem(TCustomIniFile& Ini, const std::string& FileName, int Index, std::string& Name, int& Parent,
                 TXItemData& Data);
  void LoadXIcon(TXMenu& Node);  // the node's bitmaps or image, at check-mark size
  // The icon at Index of the file, small or large; nullptr when there is none.
  HICON RetrieveIcon(const std::string& FileName, int Index, bool SmallIcon);
  // false: LastIdentifier reached, nothing more may be inserted.
  bool InsertXItem(HMENU Menu, TXMenu* Node, UINT& Position, UINT& Identifier, UINT LastIdentifier);
  bool OwnerDrawn(const TXMenu& Node) const;
  // Starts Arguments (the whole command line) with CommandLine as the module: 0, or the error.
  DWORD ProcessExecute(const std::string& CommandLine, const std::string& Arguments, int Show);
};

class TContextMenuFactory : public TComObjectFactory {
public:
  TContextMenuFactory();

  std::string GetProgID() override;  // none
  // The class keys, the approved-list value and a handler key under every file class that the
  // INI file's dynamic items name; a handler key that cannot be made undoes everything and
  // raises EOleSysError(E_FAIL).
  void UpdateRegistry(bool Register) override;

protected:
  TComObject* CreateComObject() override;

private:
  void UpdateApprovedList(bool Register);
  static void RemoveHandlerKeys(const std::vector<std::string>& Classes);
  static bool AddHandlerKeys(const std::vector<std::string>& Classes);  // false: a key could not be made
};

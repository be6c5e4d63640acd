// The icon picker: a file (icon file, program, library or PNG picture) and the index of one of its
// pictures, chosen from a grid of all of them; and the loading of such pictures into image lists,
// which the recent-icons menu shares.
#pragma once

#include "classlib/gui/Forms.h"
#include "classlib/gui/Grids.h"

#include <windows.h>

#include <string>

class TCustomImageList;
class TImageList;
class TTimer;

// One icon of a file for a picture list (the caller destroys it); nullptr when none came. Large:
// ExtractIconA's icon; small: the file's small icon at Index.
HICON ExtractListIcon(const std::string& FileName, int Index, bool Small);
// The extraction behind ExtractListIcon; Proc answers what ExtractListIcon answers.
using TListIconProc = HICON (*)(const std::string& FileName, int Index, bool Small);
// Installs Proc and returns the previous one; nullptr restores the system's extraction.
TListIconProc SetListIconProc(TListIconProc Proc);

// Adds icon Index of FileName to List and destroys the extracted handle; the new image's index,
// -1 when nothing came or the list refused it.
int AddFileIcon(TCustomImageList& List, const std::string& FileName, int Index, bool Small);
// Adds the PNG file scaled into the list's image size, masked with its bottom-left pixel's colour;
// the new image's index (-1 when the list refused it). An unreadable file raises.
int AddPngPicture(TCustomImageList& List, const std::string& FileName);
// Whether the file counts as a PNG picture (by its extension).
bool IsPngFile(const std::string& FileName);

class TMRUManager;
class TMenuItem;

// The file of a recent-icon entry "<file>, <index>": the text before its last ",".
std::string RecentIconFile(const std::string& Entry);
// The pictures of the recent-icons menu Menu, made when Images is empty: the third separator goes
// and the entry in its place starts a new column (columns of up to 15 entries); each entry gets the
// picture of its file (the small icon of its user value, or the PNG scaled), none when that cannot
// be loaded.
void FillRecentIconMenu(TMRUManager& Recent, TMenuItem& Menu, TCustomImageList& Images);

class TfrmSelectIcon : public TForm {
public:
  explicit TfrmSelectIcon(TComponent* AOwner);

  // The chosen index (-1: none).
  int IconIndex = -1;
  // True while the pictures of a file are loaded.
  bool Loading = false;
  // True while the dialog itself moves the grid's focus.
  bool Selecting = false;
  // The pictures in index order, 32 by 32.
  TImageList* IconList = nullptr;

  // An empty name is shell32.dll in the system folder; the edit's change loads the file.
  void SetFileName(const std::string& Value);
  std::string GetFileName();
  // The file and the stored index as the dialog opens: a negative index leaves the one loading
  // chose.
  void SetIcon(const std::string& FileName, int Index);
  // Stores the index, focuses its cell while the grid has rows (an index past the pictures: cell 0
  // and index 0) and shows it (nothing for a negative one).
  void SetIconIndex(int Value);

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void edFileNameChange(TObject* Sender);
  void edFileNameEnter(TObject* Sender);
  void edFileNameExit(TObject* Sender);
  void dgPicturesDrawCell(TObject* Sender, int ACol, int ARow, const RECT& Rect, TGridDrawState State);
  void dgPicturesSelectCell(TObject* Sender, int ACol, int ARow, bool& CanSelect);
  void dgPicturesClick(TObject* Sender);

  // Fills IconList and the grid from the file; false (after the no-icons message) when it holds
  // none.
  bool LoadIcons();
  // Puts the "DEFAULT" icon in the place of picture Index and notes Index in Errors.
  void AddDefaultIcon(int Index, std::string& Errors);
  // One message for the pictures that failed.
  void ReportIconErrors(const std::string& Errors);
  // Loads a typed name that waits for it; a name of no existing file empties the grid silently.
  void LoadTypedName();

private:
  TDrawGrid* Grid();
  // Restarted by each typed change; its tick loads the typed name.
  TTimer* FTypingTimer = nullptr;
  // A key is changing the name; a typed name waits to be loaded.
  bool FTyped = false, FTypedPending = false;
};

// Shows the picker modally for FileName and IconIndex; on OK both take the chosen values and the
// answer is true.
bool ShowSelectIcon(std::string& FileName, int& IconIndex);

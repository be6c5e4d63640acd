// Common utilities of Corvane's models and windows: file-name and string helpers, the message box,
// opening links through the shell, version strings, icon extraction, the Windows folder, the
// search-path lookup and GUID texts. The message texts that several windows share are in the
// string table (resources/strings/Utils.h).
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/Graphics.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

struct TVersionStrings {
  bool Found = false;
  std::string FileDescription;
  std::string ProductName;
  std::string CompanyName;
  std::string FileVersion;
};

// The part after the last "\" or ":", without its extension (from its last "." on).
std::string ExtractFileTitle(const std::string& Path);

// A message box owned by the active window; answers the button pressed.
int ShowMessageBox(const std::string& Text, const std::string& Caption, UINT Flags);

// Opens Target with the shell's "open" verb from the program's folder (made the current folder);
// a target with "@" becomes "mailto:<target>?subject=Corvane 2007". A shell result below 33 raises
// "Error redirecting to link (%s)" with the system's text for it.
void OpenLink(const std::string& Target);

// The shell-open call behind OpenLink; answers what ShellExecuteA answers, as an integer.
using TShellOpenProc = INT_PTR (*)(HWND Owner, const std::string& Operation, const std::string& FileName,
                                   int ShowCmd);
// The shell-open call in use (the installed one, else ShellExecuteA).
INT_PTR CallShellOpen(HWND Owner, const std::string& Operation, const std::string& FileName, int ShowCmd);
// Installs Proc and returns the previous one; nullptr restores ShellExecuteA.
TShellOpenProc SetShellOpenProc(TShellOpenProc Proc);

// Opens Folder with the shell's "explore" verb (shown normally); a shell result below 33 raises an
// error with the system's text for it.
void ExploreFolder(const std::string& Folder);

// The strings of the first translation of FileName's version block; Found is false (and every string
// empty) without one. Answers Info.Found.
bool GetFileVersionStrings(const std::string& FileName, TVersionStrings& Info);

// The program part of a command line (SplitCommandLine).
std::string ExtractCommandProgram(const std::string& CommandLine);

// The first index 0..High whose string equals Text, ignoring ASCII case; -1 when none or High < 0.
int IndexOfText(const std::string* Strings, int High, const std::string& Text);
inline int IndexOfText(const std::vector<std::string>& Strings, const std::string& Text) {
  return IndexOfText(Strings.data(), static_cast<int>(Strings.size()) - 1, Text);
}

// The characters of Text, without terminator or length.
void WriteStringToStream(TStream& Stream, const std::string& Text);

// The large icon at Index of FileName (the small one when Small is asked for or is the only one);
// the other icon is destroyed. 0 when none came back. The caller destroys the icon.
HICON ExtractIconHandle(const std::string& FileName, int Index, bool Small);
// As ExtractIconHandle; raises "Error extracting icon from file" instead of answering 0.
HICON ExtractIconChecked(const std::string& FileName, int Index, bool Small);

// 1-based position of the last Ch in Text; -1 when absent.
int LastCharPos(char Ch, const std::string& Text);

// A new font object (owned by the caller) of the system's message-box font; raises the last system
// error when the system metrics cannot be read.
std::unique_ptr<TFont> CreateMessageFont();

// The Windows directory with a trailing "\".
std::string GetWindowsFolder();

// With PathFindOnPathA (taken at start-up only when shlwapi is already loaded): whether it finds the
// file on the search path; without it, whether the file exists as named.
bool FileExistsOnPath(const std::string& FileName);
// Whether FileExistsOnPath searches the path (shlwapi was loaded at start-up).
bool PathSearchAvailable();

// Text of 38 characters: "{", 8 hexadecimal digits, "-", 4, "-", 4, "-", 4, "-", 12 (the closing
// character is not examined). Guid is written only when the whole text reads.
bool TryParseGuid(const std::string& Text, GUID& Guid);
// The registry form of a GUID: upper-case hexadecimal in braces.
std::string GUIDToString(const GUID& Guid);

class TControl;

// Enabled of Control and of every control inside it. Unless KeepValues, enabling selects a combo
// box's first entry; disabling empties edits, leaves combo boxes without selection and unchecks
// check boxes.
void SetControlsEnabled(TControl* Control, bool Enabled, bool KeepValues);

// A form takes Font whole; another control with a font of its own (not its parent's) of 8 points
// takes Font's name and character set; then the same for every control inside it.
void ApplySystemFont(TControl* Control, TFont& Font);

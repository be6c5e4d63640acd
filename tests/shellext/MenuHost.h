// The shell's side of the menu tests, on top of ShellHost.h: INI texts with items of section
// "Dynamic Items" and the custom-draw settings, the shell's menu read back item by item, icon and
// PNG files made for a test, and the recorder child program that the invocation tests start.
#pragma once

#include "tests/shellext/ShellHost.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace shellhost {

// An INI text: items of section "Dynamic Items" numbered in the order they are added, with
// "Count" after them, and further sections.
class TMenuIni {
public:
  using TKeys = std::vector<std::pair<std::string, std::string>>;

  // Adds item Count + 1 with the given stems and values ("Caption" -> "Caption<n>=..."); its number.
  int Add(const TKeys& Keys);
  int Count() const { return FCount; }
  // The "Count" value written instead of the number of items.
  void SetCount(const std::string& Value) { FCountText = Value; }
  // A key of another section ("Custom-drawn Menu Properties", "Debug Options").
  void Set(const std::string& Section, const std::string& Key, const std::string& Value);
  std::string Text() const;

private:
  int FCount = 0;
  std::string FItems;
  std::string FCountText;
  std::vector<std::pair<std::string, std::string>> FSections;  // name, its lines
};

// One item of a menu as GetMenuItemInfoA reports it.
struct TMenuEntry {
  UINT Identifier = 0;
  UINT Type = 0;  // MFT_ flags
  std::string Text;
  HMENU SubMenu = nullptr;
  HBITMAP Checked = nullptr;
  HBITMAP Unchecked = nullptr;
};
std::vector<TMenuEntry> MenuEntries(HMENU Menu);

// A picture as 0xAARRGGBB pixels, rows from the top.
struct TPicture {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;
};
// Width x Height: the left half fully transparent, the right half opaque Color (0x00RRGGBB).
TPicture HalfTransparent(int Width, int Height, uint32_t Color);
bool WritePng(const std::string& FileName, const TPicture& Picture);
// An .ico file with one 32-bit image of the picture, its mask set where alpha is 0.
bool WriteIco(const std::string& FileName, const TPicture& Picture);
// The same as a monochrome (1-bit) image: opaque pixels white when their colour is, else black.
bool WriteMonochromeIco(const std::string& FileName, const TPicture& Picture);

// A COLORREF as GetPixel reports it, or CLR_INVALID.
COLORREF BitmapPixel(HBITMAP Bitmap, int X, int Y);
SIZE BitmapSize(HBITMAP Bitmap);

// What the recorder program was started with.
struct TRecord {
  DWORD ProcessID = 0;
  int Show = -1;
  DWORD Flags = 0;
  std::string CommandLine;
  std::vector<std::string> Arguments;
};

// A copy of the recorder program in a folder of its own (a blank in its path), and its record.
class TRecorder {
public:
  TRecorder();
  // A copy named FileName in Folder (no trailing "\"), a folder that this object makes and removes.
  TRecorder(const std::string& Folder, const std::string& FileName);
  ~TRecorder();  // ends a recorder that is still running
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;

  bool Copied() const { return FCopied; }
  std::string Path() const { return FFolder.File(FName); }
  std::string Folder() const { return FFolder.Folder(); }
  void Clear();  // removes the record of the last start
  // Waits up to Milliseconds for the record; false when none appears.
  bool Read(TRecord& Record, DWORD Milliseconds = 10000);
  bool Started() const;  // a record is there now
  // Waits for the recorder of the last record read to end, ending it after Milliseconds.
  void WaitForEnd(DWORD Milliseconds = 10000);

private:
  TTempDir FFolder;
  std::string FName = "Vellisk Recorder.exe";
  bool FCopied = false;
  DWORD FLastProcess = 0;   // of the last record read, until waited for
  DWORD FEndedProcess = 0;  // the last one waited for
};

}  // namespace shellhost

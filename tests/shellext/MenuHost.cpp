// The shell's side of the menu tests.
#include "tests/shellext/MenuHost.h"

#include "classlib/core/PngImage.h"

#include <cstring>

namespace shellhost {

// ---------------------------------------------------------------------------------------------
// INI texts

int TMenuIni::Add(const TKeys& Keys) {
  const std::string N = std::to_string(++FCount);
  for (const auto& [Stem, Value] : Keys) FItems += Stem + N + "=" + Value + "\r\n";
  return FCount;
}

void TMenuIni::Set(const std::string& Section, const std::string& Key, const std::string& Value) {
  for (auto& [Name, Lines] : FSections)
    if (Name == Section) {
      Lines += Key + "=" + Value + "\r\n";
      return;
    }
  FSections.emplace_back(Section, Key + "=" + Value + "\r\n");
}

std::string TMenuIni::Text() const {
  std::string Result = "[Dynamic Items]\r\n" + FItems + "Count=" +
                       (FCountText.empty() ? std::to_string(FCount) : FCountText) + "\r\n";
  for (const auto& [Name, Lines] : FSections) Result += "[" + Name + "]\r\n" + Lines;
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Menus

std::vector<TMenuEntry> MenuEntries(HMENU Menu) {
  std::vector<TMenuEntry> Result;
  const int Count = GetMenuItemCount(Menu);
  for (int I = 0; I < Count; ++I) {
    MENUITEMINFOA Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_STRING;
    if (!GetMenuItemInfoA(Menu, static_cast<UINT>(I), TRUE, &Info)) continue;
    TMenuEntry Entry;
    Entry.Identifier = Info.wID;
    Entry.Type = Info.fType;
    Entry.SubMenu = Info.hSubMenu;
    Entry.Checked = Info.hbmpChecked;
    Entry.Unchecked = Info.hbmpUnchecked;
    if (Info.cch > 0) {
      std::string Text(Info.cch + 1, '\0');
      Info.fMask = MIIM_STRING;
      Info.dwTypeData = Text.data();
      Info.cch = static_cast<UINT>(Text.size());
      if (GetMenuItemInfoA(Menu, static_cast<UINT>(I), TRUE, &Info)) Entry.Text = Text.c_str();
    }
    Result.push_back(Entry);
  }
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Pictures

TPicture HalfTransparent(int Width, int Height, uint32_t Color) {
  TPicture Result;
  Result.Width = Width;
  Result.Height = Height;
  Result.Pixels.resize(static_cast<size_t>(Width) * Height);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X)
      Result.Pixels[static_cast<size_t>(Y) * Width + X] = X < Width / 2 ? 0u : 0xFF000000u | (Color & 0xFFFFFF);
  return Result;
}

bool WritePng(const std::string& FileName, const TPicture& Picture) {
  try {
    TPNGObject Png;
    Png.SetPixels(Picture.Width, Picture.Height, Picture.Pixels.data());
    Png.SaveToFile(FileName);
    return true;
  } catch (...) {
    return false;
  }
}

namespace {

// 1-bit rows bottom-up, a bit set where Test holds for the pixel.
template <class TTest>
std::string BitRows(const TPicture& Picture, TTest Test) {
  const int W = Picture.Width, Stride = ((W + 31) / 32) * 4;
  std::string Result;
  for (int Y = Picture.Height - 1; Y >= 0; --Y) {
    std::string Row(static_cast<size_t>(Stride), '\0');
    for (int X = 0; X < W; ++X)
      if (Test(Picture.Pixels[static_cast<size_t>(Y) * W + X]))
        Row[static_cast<size_t>(X / 8)] = static_cast<char>(Row[static_cast<size_t>(X / 8)] | (0x80 >> (X % 8)));
    Result += Row;
  }
  return Result;
}

bool Transparent(uint32_t P) { return (P >> 24) == 0; }

bool WriteIcoImage(const std::string& FileName, const TPicture& Picture, bool Monochrome) {
  const int W = Picture.Width, H = Picture.Height;
  BITMAPINFOHEADER Header{};
  Header.biSize = sizeof(Header);
  Header.biWidth = W;
  Header.biHeight = 2 * H;
  Header.biPlanes = 1;
  Header.biBitCount = Monochrome ? 1 : 32;
  Header.biCompression = BI_RGB;
  std::string Image(reinterpret_cast<const char*>(&Header), sizeof(Header));
  if (Monochrome) {
    const uint32_t Palette[2] = {0x000000, 0xFFFFFF};
    Image.append(reinterpret_cast<const char*>(Palette), sizeof(Palette));
    Image += BitRows(Picture, [](uint32_t P) { return !Transparent(P) && (P & 0xFFFFFF) == 0xFFFFFF; });
  } else {
    // Colour rows bottom-up, black where transparent.
    for (int Y = H - 1; Y >= 0; --Y)
      for (int X = 0; X < W; ++X) {
        uint32_t P = Picture.Pixels[static_cast<size_t>(Y) * W + X];
        if (Transparent(P)) P = 0;
        Image.append(reinterpret_cast<const char*>(&P), 4);
      }
  }
  // The AND mask, 1 where transparent.
  Image += BitRows(Picture, Transparent);
#pragma pack(push, 1)
  struct {
    WORD Reserved, Type, Count;
    BYTE Width, Height, Colors, Reserved2;
    WORD Planes, BitCount;
    DWORD Size, Offset;
  } Directory{0, 1, 1, static_cast<BYTE>(W), static_cast<BYTE>(H), static_cast<BYTE>(Monochrome ? 2 : 0), 0, 1,
              static_cast<WORD>(Monochrome ? 1 : 32), static_cast<DWORD>(Image.size()), 22};
#pragma pack(pop)
  static_assert(sizeof(Directory) == 22, "ICONDIR with one entry");
  return WriteFileText(FileName, std::string(reinterpret_cast<const char*>(&Directory), sizeof(Directory)) + Image);
}

}  // namespace

bool WriteIco(const std::string& FileName, const TPicture& Picture) { return WriteIcoImage(FileName, Picture, false); }

bool WriteMonochromeIco(const std::string& FileName, const TPicture& Picture) {
  return WriteIcoImage(FileName, Picture, true);
}

COLORREF BitmapPixel(HBITMAP Bitmap, int X, int Y) {
  HDC DC = CreateCompatibleDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Bitmap);
  const COLORREF Result = GetPixel(DC, X, Y);
  SelectObject(DC, Old);
  DeleteDC(DC);
  return Result;
}

SIZE BitmapSize(HBITMAP Bitmap) {
  BITMAP Info{};
  if (Bitmap == nullptr || GetObjectA(Bitmap, sizeof(Info), &Info) == 0) return SIZE{0, 0};
  return SIZE{Info.bmWidth, Info.bmHeight};
}

// ---------------------------------------------------------------------------------------------
// The recorder

TRecorder::TRecorder() : FFolder("vellisk recorder") {
  FCopied = FFolder.Valid() &&
            CopyFileA((ProgramFolder() + "vellisk_recorder.exe").c_str(), Path().c_str(), FALSE);
}

TRecorder::TRecorder(const std::string& Folder, const std::string& FileName)
    : FFolder(TTempDir::TExactPath{}, Folder), FName(FileName) {
  FCopied = FFolder.Valid() &&
            CopyFileA((ProgramFolder() + "vellisk_recorder.exe").c_str(), Path().c_str(), FALSE);
}

TRecorder::~TRecorder() {
  // A recorder whose record the test never read is ended all the same.
  TRecord Record;
  if (FLastProcess == 0 && Read(Record, 0) && Record.ProcessID == FEndedProcess) FLastProcess = 0;
  WaitForEnd(5000);
}

void TRecorder::Clear() { DeleteFileA(FFolder.File("record.txt").c_str()); }

bool TRecorder::Started() const { return FileExistsA(FFolder.File("record.txt")); }

bool TRecorder::Read(TRecord& Record, DWORD Milliseconds) {
  Record = TRecord();
  const DWORD Start = GetTickCount();
  std::string Text;
  for (;;) {
    if (ReadFileText(FFolder.File("record.txt"), Text)) break;
    if (GetTickCount() - Start >= Milliseconds) return false;
    Sleep(20);
  }
  size_t Begin = 0;
  while (Begin < Text.size()) {
    size_t End = Text.find('\n', Begin);
    if (End == std::string::npos) End = Text.size();
    const std::string Line = Text.substr(Begin, End - Begin);
    Begin = End + 1;
    const size_t Equal = Line.find('=');
    if (Equal == std::string::npos) continue;
    const std::string Name = Line.substr(0, Equal), Value = Line.substr(Equal + 1);
    if (Name == "pid")
      Record.ProcessID = static_cast<DWORD>(std::stoul(Value));
    else if (Name == "show")
      Record.Show = std::stoi(Value);
    else if (Name == "flags")
      Record.Flags = static_cast<DWORD>(std::stoul(Value));
    else if (Name == "cmdline")
      Record.CommandLine = Value;
    else if (Name == "arg")
      Record.Arguments.push_back(Value);
  }
  FLastProcess = Record.ProcessID;
  return true;
}

void TRecorder::WaitForEnd(DWORD Milliseconds) {
  if (FLastProcess == 0) return;
  HANDLE Process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, FLastProcess);
  FEndedProcess = FLastProcess;
  FLastProcess = 0;
  if (Process == nullptr) return;
  if (WaitForSingleObject(Process, Milliseconds) != WAIT_OBJECT_0) {
    TerminateProcess(Process, 1);
    WaitForSingleObject(Process, 5000);
  }
  CloseHandle(Process);
}

}  // namespace shellhost

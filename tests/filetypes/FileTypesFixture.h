// Helpers of the file-type tests: an HKEY_CLASSES_ROOT fixture with ANSI writers, a dump of the
// model and of the error list, a link recorder, and .ico files of solid colours.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/FileTypeList.h"
#include "model/FileTypes.h"
#include "tests/support/TempDir.h"
#include "tests/registry/RegistryFixture.h"

namespace fttest {

// ---------------------------------------------------------------------------------------------
// Registry

class TClassesFixture : public regtest::TRegistryFixture {
protected:
  // Key Path (below the redirected classes root) with its default value as REG_SZ.
  void Type(const std::string& Path, const std::string& Default) { SetString(Path, "", Default); }
  void Key(const std::string& Path) { regtest::MakeKeyW(Classes, regtest::Widen(Path)); }
  void SetString(const std::string& Path, const std::string& Name, const std::string& Value) {
    regtest::SetValueW(Classes, regtest::Widen(Path), regtest::Widen(Name), REG_SZ,
                       regtest::WideSz(regtest::Widen(Value)));
  }
  void SetDword(const std::string& Path, const std::string& Name, DWORD Value) {
    regtest::SetValueW(Classes, regtest::Widen(Path), regtest::Widen(Name), REG_DWORD,
                       regtest::Bytes(&Value, sizeof(Value)));
  }
  void SetBinary(const std::string& Path, const std::string& Name, const std::vector<BYTE>& Data) {
    regtest::SetValueW(Classes, regtest::Widen(Path), regtest::Widen(Name), REG_BINARY, Data);
  }
  void Lock(const std::string& Path, DWORD Allowed) { LockKey(Classes, regtest::Widen(Path), Allowed); }
};

// ---------------------------------------------------------------------------------------------
// Dumps

inline std::string Joined(const std::vector<std::string>& Parts, const char* Delimiter = ",") {
  std::string Result;
  for (size_t I = 0; I < Parts.size(); ++I) Result += (I > 0 ? Delimiter : "") + Parts[I];
  return Result;
}

// "Name|Description|IconLocation|CurVer|ext,ext|P" (P for predefined types).
inline std::string DumpType(const TFileType& T) {
  return T.Name() + "|" + T.Description() + "|" + T.IconLocation() + "|" + T.CurVer() + "|" +
         Joined(T.Extensions()) + "|" + (T.Predefined() ? "P" : "");
}

inline std::vector<std::string> DumpModel(const TFileTypes& Model) {
  std::vector<std::string> Lines;
  for (int I = 0; I < Model.Count(); ++I) Lines.push_back(DumpType(*Model.GetItem(I)));
  return Lines;
}

// "kind|message|key|detail".
inline std::vector<std::string> DumpErrors(const TStrings& Errors) {
  std::vector<std::string> Lines;
  for (int I = 0; I < Errors.Count(); ++I) {
    const auto* E = dynamic_cast<const TErroneousFileType*>(Errors.Objects(I));
    if (E == nullptr) {
      Lines.push_back("?|" + Errors[I]);
      continue;
    }
    Lines.push_back(std::to_string(E->Kind) + "|" + Errors[I] + "|" + E->KeyValue + "|" + E->DetailValue +
                    (E->Fixed ? "|fixed" : ""));
  }
  return Lines;
}

// The predefined part of a dump as the running system's lists give it.
// The thirteen predefined rows of Windows NT with shell version 4.71 or later (the test platform),
// as DumpModel shows them: "*" and "AllFileSystemObjects" carry icon 2000 of the running program.
inline std::vector<std::string> PredefinedDump() {
  char Module[MAX_PATH];
  const DWORD N = GetModuleFileNameA(nullptr, Module, MAX_PATH);
  const std::string Own = std::string(Module, N) + ",-2000";
  return {"*|All files|" + Own + "|||P",
          "AllFileSystemObjects|All files and file folders|" + Own + "|||P",
          "Unknown|Non-associated files|shell32.dll,0|||P",
          "Folder|All folders|shell32.dll,3|||P",
          "Directory|File folders|shell32.dll,3|||P",
          "Directory\\Background|File folder background|shell32.dll,100|||P",
          "Network|Entire network|shell32.dll,17|||P",
          "NetShare|All network shares|shell32.dll,28|||P",
          "NetServer|All network servers|shell32.dll,18|||P",
          "Printers|All printers|shell32.dll,16|||P",
          "Drive|All drives|shell32.dll,8|||P",
          "AudioCD|Audio CD in CD drive|shell32.dll,11|||P",
          "DVD|DVD drive|shell32.dll,11|||P"};
}

inline int PredefinedPosition(const std::string& Name) { return PredefinedLists().IndexOf(Name); }

// ---------------------------------------------------------------------------------------------
// Links

inline std::string TypeName(const TFileType* T) { return T == nullptr ? "nil" : T->Name(); }

// Records the events of one link as "<tag> <event> <item>" lines.
inline void Record(TFileTypeLink& Link, const std::string& Tag, std::vector<std::string>& Trace) {
  auto Add = [&Trace, Tag](const char* Event, TFileType* Item) { Trace.push_back(Tag + " " + Event + " " + TypeName(Item)); };
  Link.OnDestroy = [Add](TObject*, TFileType* Item) { Add("destroy", Item); };
  Link.OnChange = [Add](TObject*, TFileType* Item) { Add("change", Item); };
  Link.OnMove = [Add](TObject*, TFileType* Item) { Add("move", Item); };
  Link.OnRefresh = [Add](TObject*) { Add("refresh", nullptr); };
  Link.OnRefreshItem = [Add](TObject*, TFileType* Item) { Add("refreshitem", Item); };
  Link.OnLoadIcon = [Add](TObject*, TFileType* Item) { Add("icon", Item); };
}

// ---------------------------------------------------------------------------------------------
// Icons

struct TIcoImage {
  int Size;        // width and height
  COLORREF Color;  // every pixel, opaque
};

// An .ico file with one 32-bit image per entry.
inline bool WriteIco(const std::string& FileName, const std::vector<TIcoImage>& Images) {
  std::vector<BYTE> Data;
  auto Put16 = [&Data](uint16_t V) {
    Data.push_back(static_cast<BYTE>(V));
    Data.push_back(static_cast<BYTE>(V >> 8));
  };
  auto Put32 = [&Data](uint32_t V) {
    for (int I = 0; I < 4; ++I) Data.push_back(static_cast<BYTE>(V >> (8 * I)));
  };
  Put16(0);
  Put16(1);
  Put16(static_cast<uint16_t>(Images.size()));
  uint32_t Offset = static_cast<uint32_t>(6 + 16 * Images.size());
  std::vector<uint32_t> Sizes;
  for (const TIcoImage& Image : Images) {
    const uint32_t MaskRow = static_cast<uint32_t>(((Image.Size + 31) / 32) * 4);
    const uint32_t Bytes = 40 + static_cast<uint32_t>(Image.Size * Image.Size * 4) + MaskRow * Image.Size;
    Data.push_back(static_cast<BYTE>(Image.Size >= 256 ? 0 : Image.Size));
    Data.push_back(static_cast<BYTE>(Image.Size >= 256 ? 0 : Image.Size));
    Data.push_back(0);
    Data.push_back(0);
    Put16(1);
    Put16(32);
    Put32(Bytes);
    Put32(Offset);
    Offset += Bytes;
    Sizes.push_back(MaskRow);
  }
  for (size_t N = 0; N < Images.size(); ++N) {
    const TIcoImage& Image = Images[N];
    Put32(40);
    Put32(static_cast<uint32_t>(Image.Size));
    Put32(static_cast<uint32_t>(Image.Size * 2));
    Put16(1);
    Put16(32);
    for (int I = 0; I < 6; ++I) Put32(0);
    for (int P = 0; P < Image.Size * Image.Size; ++P) {
      Data.push_back(GetBValue(Image.Color));
      Data.push_back(GetGValue(Image.Color));
      Data.push_back(GetRValue(Image.Color));
      Data.push_back(255);
    }
    Data.insert(Data.end(), static_cast<size_t>(Sizes[N]) * Image.Size, 0);
  }
  HANDLE H = CreateFileA(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) return false;
  DWORD Written = 0;
  const bool Ok = WriteFile(H, Data.data(), static_cast<DWORD>(Data.size()), &Written, nullptr) && Written == Data.size();
  CloseHandle(H);
  return Ok;
}

// The pixels of image Index of List drawn at (0, 0) over a magenta background (0x00BBGGRR each).
inline std::vector<COLORREF> ImagePixels(HIMAGELIST List, int Index) {
  int W = 0, H = 0;
  ImageList_GetIconSize(List, &W, &H);
  BITMAPINFO Info{};
  Info.bmiHeader.biSize = sizeof(Info.bmiHeader);
  Info.bmiHeader.biWidth = W;
  Info.bmiHeader.biHeight = -H;
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 32;
  void* Bits = nullptr;
  HDC DC = CreateCompatibleDC(nullptr);
  HBITMAP Bitmap = CreateDIBSection(DC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
  std::vector<COLORREF> Pixels;
  if (Bitmap == nullptr) {
    DeleteDC(DC);
    return Pixels;
  }
  HGDIOBJ Old = SelectObject(DC, Bitmap);
  auto* P = static_cast<uint32_t*>(Bits);
  for (int I = 0; I < W * H; ++I) P[I] = 0x00FF00FF;
  ImageList_Draw(List, Index, DC, 0, 0, ILD_NORMAL);
  GdiFlush();
  for (int I = 0; I < W * H; ++I) {
    const uint32_t V = P[I];
    Pixels.push_back(RGB((V >> 16) & 0xFF, (V >> 8) & 0xFF, V & 0xFF));
  }
  SelectObject(DC, Old);
  DeleteObject(Bitmap);
  DeleteDC(DC);
  return Pixels;
}

inline COLORREF CenterPixel(HIMAGELIST List, int Index) {
  int W = 0, H = 0;
  ImageList_GetIconSize(List, &W, &H);
  const std::vector<COLORREF> Pixels = ImagePixels(List, Index);
  return Pixels.empty() ? CLR_INVALID : Pixels[static_cast<size_t>((H / 2) * W + W / 2)];
}

// Whether an image list wants small icons: its width nearer to SM_CXSMSIZE than to SM_CXICON.
inline bool WantsSmallIcons(int Width) {
  return std::abs(Width - GetSystemMetrics(SM_CXSMSIZE)) < std::abs(Width - GetSystemMetrics(SM_CXICON));
}

// Names of the files in a folder.
inline std::vector<std::string> FolderFiles(const std::string& Folder) {
  std::vector<std::string> Names;
  WIN32_FIND_DATAA Data;
  HANDLE Find = FindFirstFileA((Folder + "\\*").c_str(), &Data);
  if (Find == INVALID_HANDLE_VALUE) return Names;
  do {
    const std::string Name = Data.cFileName;
    if (Name != "." && Name != "..") Names.push_back(Name);
  } while (FindNextFileA(Find, &Data));
  FindClose(Find);
  std::sort(Names.begin(), Names.end());
  return Names;
}

// Points TMP and TEMP at Folder for the life of the object.
class TTempPathOverride {
public:
  explicit TTempPathOverride(const std::string& Folder) {
    FOldTmp = Get("TMP");
    FOldTemp = Get("TEMP");
    SetEnvironmentVariableA("TMP", Folder.c_str());
    SetEnvironmentVariableA("TEMP", Folder.c_str());
  }
  ~TTempPathOverride() {
    SetEnvironmentVariableA("TMP", FOldTmp.empty() ? nullptr : FOldTmp.c_str());
    SetEnvironmentVariableA("TEMP", FOldTemp.empty() ? nullptr : FOldTemp.c_str());
  }
  TTempPathOverride(const TTempPathOverride&) = delete;
  TTempPathOverride& operator=(const TTempPathOverride&) = delete;

private:
  std::string FOldTmp, FOldTemp;
  static std::string Get(const char* Name) {
    char Buffer[32768];
    const DWORD N = GetEnvironmentVariableA(Name, Buffer, sizeof(Buffer));
    return N > 0 && N < sizeof(Buffer) ? std::string(Buffer, N) : std::string();
  }
};

}  // namespace fttest

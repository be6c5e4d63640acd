#include "controls/AniFile.h"

#include "classlib/core/SysUtils.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void InvalidAni() { throw EInvalidGraphic("Animated cursor image is not valid"); }

uint32_t ReadU32(const std::vector<uint8_t>& Data, size_t Offset) {
  if (Offset + 4 > Data.size()) InvalidAni();
  uint32_t Value;
  std::memcpy(&Value, Data.data() + Offset, 4);
  return Value;
}

uint16_t ReadU16(const std::vector<uint8_t>& Data, size_t Offset) {
  if (Offset + 2 > Data.size()) InvalidAni();
  uint16_t Value;
  std::memcpy(&Value, Data.data() + Offset, 2);
  return Value;
}

bool IsTag(const std::vector<uint8_t>& Data, size_t Offset, const char* Tag) {
  return Offset + 4 <= Data.size() && std::memcmp(Data.data() + Offset, Tag, 4) == 0;
}

// The first image of an icon or cursor file held in Data[Offset, Offset + Size).
HICON ImageOfIconFile(const std::vector<uint8_t>& Data, size_t Offset, size_t Size) {
  const uint16_t Type = ReadU16(Data, Offset + 2);
  if (ReadU16(Data, Offset) != 0 || (Type != 1 && Type != 2) || ReadU16(Data, Offset + 4) == 0) InvalidAni();
  const size_t Entry = Offset + 6;
  const int Width = Data.at(Entry) ? Data[Entry] : 256, Height = Data.at(Entry + 1) ? Data[Entry + 1] : 256;
  const uint32_t Bytes = ReadU32(Data, Entry + 8), Start = ReadU32(Data, Entry + 12);
  if (Start > Size || Bytes > Size - Start || Bytes == 0) InvalidAni();
  std::vector<uint8_t> Resource;
  if (Type == 2) {
    // A cursor resource starts with its hot spot, which the directory entry keeps.
    const uint16_t HotX = ReadU16(Data, Entry + 4), HotY = ReadU16(Data, Entry + 6);
    Resource.resize(4);
    std::memcpy(Resource.data(), &HotX, 2);
    std::memcpy(Resource.data() + 2, &HotY, 2);
  }
  Resource.insert(Resource.end(), Data.begin() + static_cast<std::ptrdiff_t>(Offset + Start),
                  Data.begin() + static_cast<std::ptrdiff_t>(Offset + Start + Bytes));
  HICON Icon = CreateIconFromResourceEx(Resource.data(), static_cast<DWORD>(Resource.size()), Type == 1, 0x00030000,
                                        Width, Height, LR_DEFAULTCOLOR);
  if (Icon == nullptr) InvalidAni();
  return Icon;
}

}  // namespace

void TAnimatedCursorImage::Clear() {
  FIcons.clear();
  FFrames.clear();
}

void TAnimatedCursorImage::LoadFromFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TAnimatedCursorImage::LoadFromStream(TStream& Stream) {
  Clear();
  try {
    const long long Rest = Stream.Size() - Stream.Position();
    if (Rest < 12 || Rest > 64 * 1024 * 1024) InvalidAni();
    std::vector<uint8_t> Data(static_cast<size_t>(Rest));
    Stream.ReadBuffer(Data.data(), static_cast<int>(Data.size()));
    if (!IsTag(Data, 0, "RIFF") || !IsTag(Data, 8, "ACON")) InvalidAni();
    const size_t End = std::min<size_t>(Data.size(), 8 + static_cast<size_t>(ReadU32(Data, 4)));

    uint32_t DefaultRate = 0;
    std::vector<uint32_t> Rates, Sequence;
    bool HaveHeader = false;
    // Chunks of the RIFF form and of its "fram" list, each padded to an even size.
    auto Walk = [&](auto&& Self, size_t Pos, size_t Limit) -> void {
      while (Pos + 8 <= Limit) {
        const size_t Size = ReadU32(Data, Pos + 4), Body = Pos + 8;
        if (Size > Limit - Body) InvalidAni();
        if (IsTag(Data, Pos, "anih")) {
          if (Size < 36) InvalidAni();
          DefaultRate = ReadU32(Data, Body + 28);
          HaveHeader = true;
        } else if (IsTag(Data, Pos, "rate") || IsTag(Data, Pos, "seq ")) {
          std::vector<uint32_t>& List = IsTag(Data, Pos, "rate") ? Rates : Sequence;
          for (size_t I = 0; I + 4 <= Size; I += 4) List.push_back(ReadU32(Data, Body + I));
        } else if (IsTag(Data, Pos, "LIST") && IsTag(Data, Body, "fram")) {
          Self(Self, Body + 4, Body + Size);
        } else if (IsTag(Data, Pos, "icon")) {
          auto Icon = std::make_unique<TIcon>();
          Icon->SetHandle(ImageOfIconFile(Data, Body, Size));
          FIcons.push_back(std::move(Icon));
        }
        Pos = Body + Size + (Size & 1);
      }
    };
    Walk(Walk, 12, End);
    if (!HaveHeader || FIcons.empty()) InvalidAni();

    const size_t Steps = Sequence.empty() ? FIcons.size() : Sequence.size();
    for (size_t I = 0; I < Steps; ++I) {
      TAniFrame Frame;
      Frame.IconIndex = static_cast<int>(Sequence.empty() ? I : Sequence[I]);
      if (Frame.IconIndex < 0 || Frame.IconIndex >= IconCount()) InvalidAni();
      Frame.JiffRate = I < Rates.size() ? Rates[I] : DefaultRate;
      FFrames.push_back(Frame);
    }
  } catch (...) {
    Clear();
    throw;
  }
}

void TAnimatedCursorImage::CheckIndex(int Index) const {
  if (Index < 0 || Index >= FrameCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
}

TIcon& TAnimatedCursorImage::FrameImage(int Index) {
  CheckIndex(Index);
  return *FIcons[FFrames[Index].IconIndex];
}

const TAniFrame& TAnimatedCursorImage::Frame(int Index) const {
  CheckIndex(Index);
  return FFrames[Index];
}

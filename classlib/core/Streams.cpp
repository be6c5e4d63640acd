// Streams: the abstract stream, file handles, files, memory and strings.
#include "classlib/core/Classes.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"

#include <cstring>
#include <new>

// ---------------------------------------------------------------------------------------------
// TStream

long long TStream::Position() { return Seek(0, soFromCurrent); }

void TStream::SetPosition(long long Pos) { Seek(Pos, soFromBeginning); }

long long TStream::Size() {
  const long long Pos = Seek(0, soFromCurrent);
  const long long Result = Seek(0, soFromEnd);
  Seek(Pos, soFromBeginning);
  return Result;
}

void TStream::SetSize(long long) {}

void TStream::ReadBuffer(void* Buffer, int Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(LoadResString(SReadError));
}

void TStream::WriteBuffer(const void* Buffer, int Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(LoadResString(SWriteError));
}

long long TStream::CopyFrom(TStream& Source, long long Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  const long long Result = Count;
  constexpr int MaxBufSize = 0xF000;
  std::vector<char> Buffer(static_cast<size_t>(Count > MaxBufSize ? MaxBufSize : (Count > 0 ? Count : 1)));
  while (Count > 0) {
    const int N = Count > static_cast<long long>(Buffer.size()) ? static_cast<int>(Buffer.size()) : static_cast<int>(Count);
    Source.ReadBuffer(Buffer.data(), N);
    WriteBuffer(Buffer.data(), N);
    Count -= N;
  }
  return Result;
}

// ---------------------------------------------------------------------------------------------
// THandleStream

THandleStream::THandleStream(HANDLE Handle) : FHandle(Handle) {}

int THandleStream::Read(void* Buffer, int Count) {
  DWORD Done = 0;
  if (Count <= 0 || !ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &Done, nullptr)) return 0;
  return static_cast<int>(Done);
}

int THandleStream::Write(const void* Buffer, int Count) {
  DWORD Done = 0;
  if (Count <= 0 || !WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), &Done, nullptr)) return 0;
  return static_cast<int>(Done);
}

long long THandleStream::Seek(long long Offset, int Origin) {
  LARGE_INTEGER Distance, NewPos;
  Distance.QuadPart = Offset;
  const DWORD Method = Origin == soFromCurrent ? FILE_CURRENT : (Origin == soFromEnd ? FILE_END : FILE_BEGIN);
  if (!SetFilePointerEx(FHandle, Distance, &NewPos, Method)) return -1;
  return NewPos.QuadPart;
}

void THandleStream::SetSize(long long NewSize) {
  Seek(NewSize, soFromBeginning);
  Win32Check(SetEndOfFile(FHandle) != FALSE);
}

// ---------------------------------------------------------------------------------------------
// TFileStream

namespace {
HANDLE OpenFileStream(const std::string& FileName, uint16_t Mode) {
  if (Mode == fmCreate) {
    const HANDLE H = CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE) {
      const DWORD Error = GetLastError();
      throw EFCreateError(LoadResString(SFCreateErrorEx), {FileName, SysErrorMessage(Error)});
    }
    return H;
  }
  static const DWORD AccessModes[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD ShareModes[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  const unsigned AccessIndex = Mode & 3u;
  const unsigned ShareIndex = (Mode & 0xF0u) >> 4;
  const DWORD Access = AccessIndex < 3 ? AccessModes[AccessIndex] : GENERIC_READ;
  const DWORD Share = ShareIndex < 5 ? ShareModes[ShareIndex] : 0;
  const HANDLE H = CreateFileA(FileName.c_str(), Access, Share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) {
    const DWORD Error = GetLastError();
    throw EFOpenError(LoadResString(SFOpenErrorEx), {FileName, SysErrorMessage(Error)});
  }
  return H;
}
}  // namespace

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode)
    : THandleStream(OpenFileStream(FileName, Mode)), FFileName(FileName) {}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr) CloseHandle(FHandle);
}

// ---------------------------------------------------------------------------------------------
// TMemoryStream

TMemoryStream::TMemoryStream() = default;

TMemoryStream::~TMemoryStream() = default;

int TMemoryStream::Read(void* Buffer, int Count) {
  if (Count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  long long N = FSize - FPosition;
  if (N > Count) N = Count;
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(N));
  FPosition += N;
  return static_cast<int>(N);
}

int TMemoryStream::Write(const void* Buffer, int Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  const long long End = FPosition + Count;
  if (End > FSize) {
    if (End > static_cast<long long>(FData.size())) {
      try {
        FData.resize(static_cast<size_t>((End + 0x1FFF) & ~0x1FFFLL), '\0');
      } catch (const std::bad_alloc&) {
        throw EStreamError(LoadResString(SMemoryStreamError));
      }
    }
    if (FPosition > FSize) std::memset(FData.data() + FSize, 0, static_cast<size_t>(FPosition - FSize));
    FSize = End;
  }
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = End;
  return Count;
}

long long TMemoryStream::Seek(long long Offset, int Origin) {
  switch (Origin) {
    case soFromBeginning: FPosition = Offset; break;
    case soFromCurrent: FPosition += Offset; break;
    case soFromEnd: FPosition = FSize + Offset; break;
    default: break;
  }
  return FPosition;
}

void TMemoryStream::SetSize(long long NewSize) {
  if (NewSize < 0) NewSize = 0;
  const long long OldPosition = FPosition;
  try {
    FData.resize(static_cast<size_t>((NewSize + 0x1FFF) & ~0x1FFFLL), '\0');
  } catch (const std::bad_alloc&) {
    throw EStreamError(LoadResString(SMemoryStreamError));
  }
  if (NewSize > FSize) std::memset(FData.data() + FSize, 0, static_cast<size_t>(NewSize - FSize));
  FSize = NewSize;
  if (OldPosition > NewSize) Seek(0, soFromEnd);
}

void TMemoryStream::Clear() {
  std::vector<char>().swap(FData);
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  const long long Count = Stream.Size();
  SetSize(Count);
  if (Count != 0) Stream.ReadBuffer(FData.data(), static_cast<int>(Count));
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TMemoryStream::SaveToStream(TStream& Stream) {
  if (FSize != 0) Stream.WriteBuffer(FData.data(), static_cast<int>(FSize));
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmCreate);
  SaveToStream(Stream);
}

// ---------------------------------------------------------------------------------------------
// TStringStream

TStringStream::TStringStream(const std::string& AString) : FDataString(AString) {}

int TStringStream::Read(void* Buffer, int Count) {
  const long long Size = static_cast<long long>(FDataString.size());
  if (Count <= 0 || FPosition < 0 || FPosition >= Size) return 0;
  long long N = Size - FPosition;
  if (N > Count) N = Count;
  std::memcpy(Buffer, FDataString.data() + FPosition, static_cast<size_t>(N));
  FPosition += N;
  return static_cast<int>(N);
}

int TStringStream::Write(const void* Buffer, int Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  const size_t End = static_cast<size_t>(FPosition) + static_cast<size_t>(Count);
  if (End > FDataString.size()) FDataString.resize(End, '\0');
  std::memcpy(&FDataString[static_cast<size_t>(FPosition)], Buffer, static_cast<size_t>(Count));
  FPosition = static_cast<long long>(End);
  return Count;
}

long long TStringStream::Seek(long long Offset, int Origin) {
  const long long Size = static_cast<long long>(FDataString.size());
  switch (Origin) {
    case soFromBeginning: FPosition = Offset; break;
    case soFromCurrent: FPosition += Offset; break;
    case soFromEnd: FPosition = Size + Offset; break;
    default: break;
  }
  if (FPosition < 0) FPosition = 0;
  if (FPosition > Size) FPosition = Size;
  return FPosition;
}

void TStringStream::SetSize(long long NewSize) {
  FDataString.resize(static_cast<size_t>(NewSize < 0 ? 0 : NewSize), '\0');
  if (FPosition > NewSize) FPosition = NewSize < 0 ? 0 : NewSize;
}

// Streams: file streams with their open modes and errors, memory and string streams.
#include "classlib/core/Classes.h"

#include "tests/support/Expect.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string ReadAll(TStream& S) {
  S.SetPosition(0);
  std::string Result(static_cast<size_t>(S.Size()), '\0');
  if (!Result.empty()) S.ReadBuffer(&Result[0], static_cast<int>(Result.size()));
  return Result;
}

void WriteText(TStream& S, const std::string& Text) { S.WriteBuffer(Text.data(), static_cast<int>(Text.size())); }

// The system's reason for failing to open Name with the given CreateFileA arguments, as the stream reports it.
std::string OpenFailure(const std::string& Name, DWORD Access, DWORD Share, DWORD Disposition) {
  const HANDLE H = CreateFileA(Name.c_str(), Access, Share, nullptr, Disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD Error = GetLastError();
  if (H != INVALID_HANDLE_VALUE) {
    CloseHandle(H);
    return "<opened>";
  }
  return SysErrorMessage(Error);
}

}  // namespace

TEST(TFileStream, CreateWriteReadRoundTrip) {
  TTempDir Dir;
  const std::string Name = Dir.File("data.bin");
  const std::string Data = std::string("hello\0world\r\n", 13);
  {
    TFileStream S(Name, fmCreate);
    EXPECT_EQ(S.FileName(), Name);
    WriteText(S, Data);
    EXPECT_EQ(S.Position(), 13);
    EXPECT_EQ(S.Size(), 13);
  }
  {
    TFileStream S(Name, fmOpenRead);
    EXPECT_EQ(ReadAll(S), Data);
    EXPECT_EQ(S.Seek(6, soFromBeginning), 6);
    char Buffer[5] = {};
    S.ReadBuffer(Buffer, 5);
    EXPECT_EQ(std::string(Buffer, 5), "world");
    EXPECT_EQ(S.Seek(-2, soFromEnd), 11);
    EXPECT_EQ(S.Read(Buffer, 5), 2);  // short read at the end
    EXPECT_EQ(S.Read(Buffer, 5), 0);
    EXPECT_EQ(MessageOf<EReadError>([&] { S.ReadBuffer(Buffer, 1); }), "Stream read error");
    EXPECT_EQ(S.Write("x", 1), 0);  // opened for reading only
    EXPECT_EQ(MessageOf<EWriteError>([&] { S.WriteBuffer("x", 1); }), "Stream write error");
  }
  {
    TFileStream S(Name, fmOpenReadWrite);
    S.Seek(0, soFromEnd);
    WriteText(S, "!");
    S.SetSize(5);
    EXPECT_EQ(ReadAll(S), "hello");
  }
  {
    TFileStream S(Name, fmCreate);  // truncates
    EXPECT_EQ(S.Size(), 0);
  }
  WIN32_FILE_ATTRIBUTE_DATA Attr;
  ASSERT_TRUE(GetFileAttributesExA(Name.c_str(), GetFileExInfoStandard, &Attr));
  EXPECT_EQ(Attr.nFileSizeLow, 0u);
}

TEST(TFileStream, OpenAndCreateErrors) {
  TTempDir Dir;
  const std::string Missing = Dir.File("missing.txt");
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream S(Missing, fmOpenRead); }),
            "Cannot open file \"" + Missing + "\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(OpenFailure(Missing, GENERIC_READ, 0, OPEN_EXISTING), SysErrorMessage(ERROR_FILE_NOT_FOUND));

  const std::string NoFolder = Dir.File("no\\such\\folder.txt");
  const std::string Reason = OpenFailure(NoFolder, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream S(NoFolder, fmCreate); }),
            "Cannot create file \"" + NoFolder + "\". " + Reason);
  // Both are stream errors.
  EXPECT_THROW({ TFileStream S(Missing, fmOpenReadWrite); }, EStreamError);
  EXPECT_FALSE(FileExists(Missing));
}

TEST(TFileStream, ShareModesAreHonoured) {
  TTempDir Dir;
  const std::string Name = Dir.File("shared.txt");
  {
    TFileStream S(Name, fmCreate);
    WriteText(S, "abc");
  }
  const std::string Violation = SysErrorMessage(ERROR_SHARING_VIOLATION);
  const std::string Denied = "Cannot open file \"" + Name + "\". " + Violation;
  {
    TFileStream Reader(Name, fmOpenRead | fmShareDenyWrite);
    // Another reader that allows the first one's read access is fine.
    TFileStream Second(Name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(ReadAll(Second), "abc");
    TFileStream Third(Name, fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(ReadAll(Third), "abc");
    // Writers are refused.
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream W(Name, fmOpenWrite | fmShareDenyNone); }), Denied);
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream W(Name, fmOpenReadWrite | fmShareDenyNone); }), Denied);
    EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream W(Name, fmCreate); }),
              "Cannot create file \"" + Name + "\". " + Violation);
  }
  {
    TFileStream Exclusive(Name, fmOpenRead | fmShareExclusive);
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream R(Name, fmOpenRead | fmShareDenyNone); }), Denied);
  }
  {
    TFileStream Writer(Name, fmOpenWrite | fmShareDenyRead);
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream R(Name, fmOpenRead | fmShareDenyNone); }), Denied);
    TFileStream OtherWriter(Name, fmOpenWrite | fmShareDenyRead);  // write access is still shared
    EXPECT_EQ(OtherWriter.Handle() != INVALID_HANDLE_VALUE, true);
  }
  TFileStream Again(Name, fmOpenReadWrite);  // everything closed: the file opens freely
  EXPECT_EQ(ReadAll(Again), "abc");
}

TEST(TMemoryStream, ReadWriteSeekSize) {
  TMemoryStream M;
  EXPECT_EQ(M.Size(), 0);
  WriteText(M, "0123456789");
  EXPECT_EQ(M.Position(), 10);
  M.SetPosition(3);
  char Buffer[4] = {};
  EXPECT_EQ(M.Read(Buffer, 4), 4);
  EXPECT_EQ(std::string(Buffer, 4), "3456");
  EXPECT_EQ(M.Seek(-1, soFromCurrent), 6);
  EXPECT_EQ(M.Seek(-2, soFromEnd), 8);
  EXPECT_EQ(M.Read(Buffer, 4), 2);
  EXPECT_EQ(std::string(static_cast<const char*>(M.Memory()), 10), "0123456789");
  M.SetPosition(12);  // past the end: the gap reads as zeros
  WriteText(M, "x");
  EXPECT_EQ(ReadAll(M), std::string("0123456789\0\0x", 13));
  M.SetSize(4);
  EXPECT_EQ(M.Position(), 4);
  EXPECT_EQ(ReadAll(M), "0123");
  M.SetSize(6);
  EXPECT_EQ(ReadAll(M), std::string("0123\0\0", 6));
  M.Clear();
  EXPECT_EQ(M.Size(), 0);
  EXPECT_EQ(M.Position(), 0);
  EXPECT_EQ(MessageOf<EReadError>([&] { M.ReadBuffer(Buffer, 1); }), "Stream read error");
  // Large writes keep every byte.
  std::string Big(100000, '\0');
  for (size_t I = 0; I < Big.size(); ++I) Big[I] = static_cast<char>(I * 7);
  WriteText(M, Big);
  EXPECT_EQ(ReadAll(M), Big);
}

TEST(TMemoryStream, FilesAndCopy) {
  TTempDir Dir;
  const std::string Name = Dir.File("mem.bin");
  TMemoryStream M;
  WriteText(M, "payload");
  M.SaveToFile(Name);
  TMemoryStream Loaded;
  Loaded.LoadFromFile(Name);
  EXPECT_EQ(ReadAll(Loaded), "payload");
  EXPECT_EQ(Loaded.Position(), 7);

  TStringStream Target;
  M.SetPosition(0);
  EXPECT_EQ(Target.CopyFrom(M, 3), 3);
  EXPECT_EQ(Target.DataString(), "pay");
  M.SetPosition(5);
  EXPECT_EQ(Target.CopyFrom(M, 0), 7);  // 0 copies the whole source from its start
  EXPECT_EQ(Target.DataString(), "paypayload");
  M.SetPosition(5);
  EXPECT_THROW(Target.CopyFrom(M, 3), EReadError);
  EXPECT_THROW(Loaded.LoadFromFile(Dir.File("missing")), EFOpenError);
}

TEST(TStringStream, Basics) {
  TStringStream S("abcdef");
  EXPECT_EQ(S.Size(), 6);
  char Buffer[3] = {};
  S.ReadBuffer(Buffer, 3);
  EXPECT_EQ(std::string(Buffer, 3), "abc");
  WriteText(S, "XYZW");
  EXPECT_EQ(S.DataString(), "abcXYZW");
  EXPECT_EQ(S.Seek(100, soFromBeginning), 7);  // clamped to the end
  S.SetSize(2);
  EXPECT_EQ(S.DataString(), "ab");
  EXPECT_EQ(S.Position(), 2);
}

TEST(TStrings, FilesAndStreams) {
  TTempDir Dir;
  const std::string Name = Dir.File("lines.txt");
  TStringList L;
  L.SetText("one\ntwo\r\nthree");
  L.SaveToFile(Name);
  TFileStream F(Name, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(ReadAll(F), "one\r\ntwo\r\nthree\r\n");
  TStringList Back;
  Back.LoadFromFile(Name);  // shares reading with the open stream
  EXPECT_TRUE(Back.Equals(L));

  TStringStream S("skip|a\rb");
  S.SetPosition(5);  // from the position to the end
  Back.LoadFromStream(S);
  EXPECT_EQ(Back.Count(), 2);
  EXPECT_EQ(Back[0], "a");
  EXPECT_EQ(Back[1], "b");
  EXPECT_THROW(Back.LoadFromFile(Dir.File("missing.txt")), EFOpenError);
}

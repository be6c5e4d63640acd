// TRegistryEx on the real registry of the test prefix, inside per-test scratch keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "classlib/core/Registry.h"
#include "model/RegistryEx.h"
#include "tests/registry/RegistryFixture.h"

using namespace regtest;

namespace {

class RegistryExTest : public TRegistryFixture {};

struct TRaised {
  bool Raised = false;
  bool Plain = false;  // of class Exception itself
  bool Registry = false;  // an ERegistryException
  std::string Message;
};

TRaised RaisedBy(const std::function<void()>& Call) {
  TRaised R;
  try {
    Call();
  } catch (const Exception& E) {
    R.Raised = true;
    R.Plain = typeid(E) == typeid(Exception);
    R.Registry = dynamic_cast<const ERegistryException*>(&E) != nullptr;
    R.Message = E.Message();
  }
  return R;
}

std::string RegistryError(const std::string& Details, DWORD Code) {
  return "Registry operation error (details: " + Details + "; reason: " + SystemText(Code) + ")";
}

TEST_F(RegistryExTest, RaiseRegistryErrorMessage) {
  TRaised R = RaisedBy([] { TRegistryEx::RaiseRegistryError("", ERROR_ACCESS_DENIED); });
  EXPECT_TRUE(R.Raised);
  EXPECT_TRUE(R.Plain);
  EXPECT_EQ(R.Message, "Registry operation error");
  for (DWORD Code : {DWORD(ERROR_FILE_NOT_FOUND), DWORD(ERROR_ACCESS_DENIED), DWORD(ERROR_CHILD_MUST_BE_VOLATILE)}) {
    SCOPED_TRACE(Code);
    R = RaisedBy([&] { TRegistryEx::RaiseRegistryError("doing 100% of it", Code); });
    EXPECT_TRUE(R.Plain);
    EXPECT_EQ(R.Message, RegistryError("doing 100% of it", Code));
    EXPECT_FALSE(SystemText(Code).empty());
  }
}

TEST_F(RegistryExTest, RootKeyNames) {
  struct TCase {
    HKEY Root;
    const char* Name;
  };
  const TCase Cases[] = {
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
      {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"}, {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
      {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(TRegistryEx::RootKeyName(C.Root), C.Name);
  char Hex[16];
  std::snprintf(Hex, sizeof(Hex), "%08X", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(User)));
  EXPECT_EQ(TRegistryEx::RootKeyName(User), Hex);
  EXPECT_EQ(TRegistryEx::RootKeyName(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000007))), "80000007");
  EXPECT_EQ(TRegistryEx::RootKeyName(nullptr), "00000000");
}

TEST_F(RegistryExTest, FullKeyPath) {
  MakeKeyW(User, L"A\\B");
  TRegistry Reg;
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, "X"), "HKEY_CURRENT_USER\\X");
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, ""), "HKEY_CURRENT_USER");
  ASSERT_TRUE(Reg.OpenKey("A\\B", false));
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, "X\\Y"), "HKEY_CURRENT_USER\\A\\B\\X\\Y");
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, ""), "HKEY_CURRENT_USER\\A\\B");
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, "\\X"), "HKEY_CURRENT_USER\\X");
  Reg.SetRootKey(HKEY_CLASSES_ROOT);
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, "\\CLSID\\X"), "HKEY_CLASSES_ROOT\\CLSID\\X");
}

// Every failed open names the operation, the full path and the reason of the failing call.
TEST_F(RegistryExTest, FailedOpensRaiseTheExactMessage) {
  MakeKeyW(User, L"A");
  MakeKeyW(User, L"Locked");
  LockKey(User, L"Locked", 0);
  MakeKeyW(User, L"Volatile", REG_OPTION_VOLATILE);
  TRegistry Classes;
  Classes.SetRootKey(HKEY_CLASSES_ROOT);
  TRegistry Users;
  ASSERT_TRUE(Users.OpenKey("A", false));
  TRegistry Other;
  Other.SetRootKey(User);
  char Hex[16];
  std::snprintf(Hex, sizeof(Hex), "%08X", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(User)));

  struct TCase {
    const char* What;
    std::function<void()> Call;
    std::string Details;
    DWORD Code;
  };
  const TCase Cases[] = {
      {"missing absolute key", [&] { TRegistryEx::OpenKey(Classes, "\\CLSID\\X", false); },
       "opening HKEY_CLASSES_ROOT\\CLSID\\X", ERROR_FILE_NOT_FOUND},
      {"missing key below the current path", [&] { TRegistryEx::OpenKey(Users, "B", false); },
       "opening HKEY_CURRENT_USER\\A\\B", ERROR_FILE_NOT_FOUND},
      {"read-only open of a missing key", [&] { TRegistryEx::OpenKeyReadOnly(Users, "\\Nope"); },
       "opening read-only HKEY_CURRENT_USER\\Nope", ERROR_FILE_NOT_FOUND},
      {"creation below a volatile key", [&] { TRegistryEx::OpenKey(Users, "\\Volatile\\Child", true); },
       "opening/creating HKEY_CURRENT_USER\\Volatile\\Child", ERROR_CHILD_MUST_BE_VOLATILE},
      {"locked key", [&] { TRegistryEx::OpenKey(Users, "\\Locked", true); },
       "opening/creating HKEY_CURRENT_USER\\Locked", ERROR_ACCESS_DENIED},
      {"read-only open of a locked key", [&] { TRegistryEx::OpenKeyReadOnly(Users, "\\Locked"); },
       "opening read-only HKEY_CURRENT_USER\\Locked", ERROR_ACCESS_DENIED},
      {"root outside the table", [&] { TRegistryEx::OpenKey(Other, "Nope", false); },
       std::string("opening ") + Hex + "\\Nope", ERROR_FILE_NOT_FOUND},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    SetLastError(0);  // the reason must not come from the thread's last error
    TRaised R = RaisedBy(C.Call);
    EXPECT_TRUE(R.Plain);
    EXPECT_EQ(R.Message, RegistryError(C.Details, C.Code));
  }
  EXPECT_EQ(Users.CurrentPath(), "A");

  // Successful opens raise nothing and open the key.
  TRegistryEx::OpenKey(Users, "New\\Key", true);
  EXPECT_EQ(Users.CurrentPath(), "A\\New\\Key");
  TRegistryEx::OpenKeyReadOnly(Users, "\\A");
  EXPECT_EQ(Users.CurrentPath(), "A");
  EXPECT_EQ(Users.Access(), static_cast<REGSAM>(KEY_READ));
  TRegistryEx::OpenKey(Classes, "\\", false);
  EXPECT_NE(Classes.CurrentKey(), nullptr);
}

TEST_F(RegistryExTest, DeleteKey) {
  const std::wstring Odd = L"\u0416\u03A9\u4E2D\u2603\u0101";
  SetValueW(Classes, L"txtfile\\shell\\verb", L"", REG_SZ, WideSz(L"Verb"));
  SetValueW(Classes, L"txtfile\\shell\\verb\\command", L"", REG_SZ, WideSz(L"x.exe %1"));
  MakeKeyW(Classes, L"txtfile\\shell\\verb\\" + Odd + L"\\deeper");
  MakeKeyW(Classes, L"txtfile\\shell\\other");
  TRegistry Reg;
  Reg.SetRootKey(HKEY_CLASSES_ROOT);

  TRegistryEx::DeleteKey(Reg, "\\txtfile\\shell\\verb");
  EXPECT_FALSE(KeyPresentW(Classes, L"txtfile\\shell\\verb"));
  EXPECT_TRUE(KeyPresentW(Classes, L"txtfile\\shell\\other"));

  // A key that does not exist is no error.
  EXPECT_FALSE(RaisedBy([&] { TRegistryEx::DeleteKey(Reg, "\\txtfile\\shell\\verb"); }).Raised);
  EXPECT_FALSE(RaisedBy([&] { TRegistryEx::DeleteKey(Reg, "\\nothing\\here"); }).Raised);

  // One that cannot be deleted raises with the reason.
  MakeKeyW(Classes, L"Locked\\Sub");
  LockKey(Classes, L"Locked", KEY_READ);
  ASSERT_TRUE(Reg.OpenKey("\\txtfile", false));
  SetLastError(0);
  TRaised R = RaisedBy([&] { TRegistryEx::DeleteKey(Reg, "\\Locked"); });
  EXPECT_TRUE(R.Plain);
  EXPECT_EQ(R.Message, RegistryError("deleting HKEY_CLASSES_ROOT\\Locked", ERROR_ACCESS_DENIED));
  EXPECT_TRUE(KeyPresentW(Classes, L"Locked"));
}

// A source with every kind of value, names and data outside the code page, and two levels of subkeys.
void FillSource(HKEY Root, const std::wstring& Key) {
  const std::wstring Odd = L"\u0416\u03A9\u4E2D\u2603\u0101";
  SetValueW(Root, Key, L"", REG_SZ, WideSz(L"Default text"));
  SetValueW(Root, Key, L"sz", REG_SZ, WideSz(L"plain"));
  SetValueW(Root, Key, L"expand", REG_EXPAND_SZ, WideSz(L"%SystemRoot%\\system32\\x.dll"));
  SetValueW(Root, Key, L"multi", REG_MULTI_SZ, Bytes(L"one\0two\0\0", 9 * sizeof(wchar_t)));
  SetValueW(Root, Key, L"binary", REG_BINARY, {0, 1, 0, 0, 0xFF, 0, 7});
  SetValueW(Root, Key, L"empty binary", REG_BINARY, {});
  SetValueW(Root, Key, L"dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
  SetValueW(Root, Key, L"unterminated", REG_SZ, {'a', 0, 'b'});
  SetValueW(Root, Key, Odd, REG_SZ, WideSz(Odd + L" data"));
  SetValueW(Root, Key + L"\\Level1", L"", REG_SZ, WideSz(L"level one"));
  SetValueW(Root, Key + L"\\Level1", L"n", REG_DWORD, {1, 0, 0, 0});
  SetValueW(Root, Key + L"\\Level1\\Level2", L"bin", REG_BINARY, {0, 0, 0});
  SetValueW(Root, Key + L"\\Level1\\Level2", Odd, REG_EXPAND_SZ, WideSz(L"%" + Odd + L"%"));
  MakeKeyW(Root, Key + L"\\Level1\\Empty2");
  SetValueW(Root, Key + L"\\" + Odd, L"", REG_SZ, WideSz(Odd));
  MakeKeyW(Root, Key + L"\\" + Odd + L"\\" + Odd);
}

TEST_F(RegistryExTest, CopyRegistryKeyReplacesTheDestinationByteForByte) {
  const std::wstring Odd = L"\u0416\u03A9\u4E2D\u2603\u0101";
  if (GetACP() != CP_UTF8) {
    EXPECT_TRUE(OutsideCodePage(Odd)) << "the test needs names the ANSI calls lose";
  }
  FillSource(Classes, L"txtfile\\shell\\Edit it");
  const std::wstring DestKey = L"Software\\Corvane\\DisabledItems\\Static\\txtfile\\shell\\Edit it";
  // What the destination held before goes.
  SetValueW(User, DestKey, L"stale", REG_SZ, WideSz(L"old"));
  SetValueW(User, DestKey, L"sz", REG_DWORD, {9, 9, 9, 9});
  SetValueW(User, DestKey + L"\\Level1", L"stale too", REG_SZ, WideSz(L"old"));
  MakeKeyW(User, DestKey + L"\\Stale\\Deeper");

  const TKeyDump Before = DumpW(Classes, L"txtfile\\shell\\Edit it");
  ASSERT_EQ(Before.Values.size(), 9u);
  ASSERT_EQ(Before.SubKeys.size(), 2u);

  TRegistry Source, Dest;
  Source.SetRootKey(HKEY_CLASSES_ROOT);
  ASSERT_TRUE(Source.OpenKey("\\txtfile", false));  // names without "\" are absolute all the same
  TRegistryEx::CopyRegistryKey(Source, Dest, "txtfile\\shell\\Edit it", "\\" + Narrow(DestKey));

  EXPECT_EQ(DumpW(User, DestKey), Before);
  EXPECT_EQ(DumpW(Classes, L"txtfile\\shell\\Edit it"), Before);  // the source is unchanged
  EXPECT_FALSE(KeyPresentW(User, DestKey + L"\\Stale"));
  EXPECT_EQ(Source.CurrentPath(), "txtfile\\shell\\Edit it");
  EXPECT_EQ(Dest.CurrentPath(), Narrow(DestKey));

  // And back again, onto a fresh destination.
  TRegistryEx::DeleteKey(Source, "\\txtfile\\shell\\Edit it");
  ASSERT_FALSE(KeyPresentW(Classes, L"txtfile\\shell\\Edit it"));
  TRegistryEx::CopyRegistryKey(Dest, Source, Narrow(DestKey), "txtfile\\shell\\Edit it");
  EXPECT_EQ(DumpW(Classes, L"txtfile\\shell\\Edit it"), Before);
}

TEST_F(RegistryExTest, CopyWithinOneRegistryObject) {
  FillSource(User, L"From");
  const TKeyDump Before = DumpW(User, L"From");
  TRegistry Reg;
  TRegistryEx::CopyRegistryKey(Reg, Reg, "From", "To\\Here");
  EXPECT_EQ(DumpW(User, L"To\\Here"), Before);
  EXPECT_EQ(DumpW(User, L"From"), Before);
}

TEST_F(RegistryExTest, FailedCopiesRaise) {
  FillSource(Classes, L"Src");
  MakeKeyW(User, L"Volatile", REG_OPTION_VOLATILE);
  MakeKeyW(User, L"Fixed\\Sub");
  LockKey(User, L"Fixed", KEY_READ);
  // The name of the first value the registry lists.
  HKEY Key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(Classes, L"Src", 0, KEY_READ, &Key), ERROR_SUCCESS);
  wchar_t Name[256];
  DWORD Len = 256;
  ASSERT_EQ(RegEnumValueW(Key, 0, Name, &Len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  RegCloseKey(Key);
  const std::string FirstValue = Narrow(std::wstring(Name, Len));

  struct TCase {
    const char* What;
    std::function<void(TRegistry& Source, TRegistry& Dest)> Call;
    bool Plain;
    std::string Message;
  };
  const TCase Cases[] = {
      {"missing source", [](TRegistry& S, TRegistry& D) { TRegistryEx::CopyRegistryKey(S, D, "Nope", "Dst"); }, true,
       RegistryError("opening HKEY_CLASSES_ROOT\\Nope", ERROR_FILE_NOT_FOUND)},
      {"destination below a volatile key",
       [](TRegistry& S, TRegistry& D) { TRegistryEx::CopyRegistryKey(S, D, "Src", "Volatile\\Dst"); }, true,
       RegistryError("opening/creating HKEY_CURRENT_USER\\Volatile\\Dst", ERROR_CHILD_MUST_BE_VOLATILE)},
      {"destination that cannot be deleted",
       [](TRegistry& S, TRegistry& D) { TRegistryEx::CopyRegistryKey(S, D, "Src", "\\Fixed"); }, true,
       RegistryError("deleting HKEY_CURRENT_USER\\Fixed", ERROR_ACCESS_DENIED)},
      {"destination that cannot be written",
       [](TRegistry& S, TRegistry& D) {
         D.SetAccess(KEY_READ);
         TRegistryEx::CopyRegistryKey(S, D, "Src", "ReadOnlyDst");
       },
       false, "Failed to set data for '" + FirstValue + "'"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    TRegistry Source, Dest;
    Source.SetRootKey(HKEY_CLASSES_ROOT);
    SetLastError(0);
    TRaised R = RaisedBy([&] { C.Call(Source, Dest); });
    EXPECT_TRUE(R.Raised);
    EXPECT_EQ(R.Plain, C.Plain);
    EXPECT_EQ(R.Registry, !C.Plain);
    EXPECT_EQ(R.Message, C.Message);
  }
  EXPECT_FALSE(KeyPresentW(User, L"Dst"));
  EXPECT_TRUE(KeyPresentW(User, L"Fixed\\Sub"));
}

// A subkey that cannot be read stops the copy there; what was copied before stays.
TEST_F(RegistryExTest, CopyStopsAtAnUnreadableSubkey) {
  SetValueW(Classes, L"Src", L"top", REG_SZ, WideSz(L"copied"));
  MakeKeyW(Classes, L"Src\\Hidden");
  LockKey(Classes, L"Src\\Hidden", 0);
  TRegistry Source, Dest;
  Source.SetRootKey(HKEY_CLASSES_ROOT);
  TRaised R = RaisedBy([&] { TRegistryEx::CopyRegistryKey(Source, Dest, "\\Src", "\\Dst"); });
  EXPECT_TRUE(R.Plain);
  EXPECT_EQ(R.Message, RegistryError("opening HKEY_CLASSES_ROOT\\Src\\Hidden", ERROR_ACCESS_DENIED));
  DWORD Type = 0;
  std::vector<BYTE> Data;
  ASSERT_TRUE(QueryValueW(User, L"Dst", L"top", Type, Data));
  EXPECT_EQ(Data, WideSz(L"copied"));
  EXPECT_FALSE(KeyPresentW(User, L"Dst\\Hidden"));
}

}  // namespace

namespace {

// A 16 x 16 icon of one opaque colour.
HICON SolidIcon(COLORREF Color) {
  BITMAPV5HEADER Header = {};
  Header.bV5Size = sizeof(Header);
  Header.bV5Width = 16;
  Header.bV5Height = -16;
  Header.bV5Planes = 1;
  Header.bV5BitCount = 32;
  Header.bV5Compression = BI_RGB;
  void* Bits = nullptr;
  HDC Screen = GetDC(nullptr);
  HBITMAP ColorBitmap =
      CreateDIBSection(Screen, reinterpret_cast<BITMAPINFO*>(&Header), DIB_RGB_COLORS, &Bits, nullptr, 0);
  ReleaseDC(nullptr, Screen);
  auto* Pixels = static_cast<DWORD*>(Bits);
  for (int I = 0; I < 16 * 16; ++I)
    Pixels[I] = 0xFF000000 | (GetRValue(Color) << 16) | (GetGValue(Color) << 8) | GetBValue(Color);
  HBITMAP Mask = CreateBitmap(16, 16, 1, 1, nullptr);
  ICONINFO Info = {TRUE, 0, 0, Mask, ColorBitmap};
  HICON Icon = CreateIconIndirect(&Info);
  DeleteObject(ColorBitmap);
  DeleteObject(Mask);
  return Icon;
}

COLORREF DrawnCentre(TCustomImageList& List, int Index) {
  HDC Screen = GetDC(nullptr);
  HDC DC = CreateCompatibleDC(Screen);
  HBITMAP Bitmap = CreateCompatibleBitmap(Screen, 16, 16);
  ReleaseDC(nullptr, Screen);
  HGDIOBJ Old = SelectObject(DC, Bitmap);
  List.Draw(DC, 0, 0, Index);
  const COLORREF Result = GetPixel(DC, 8, 8);
  SelectObject(DC, Old);
  DeleteObject(Bitmap);
  DeleteDC(DC);
  return Result;
}

}  // namespace

TEST(RecreateImageList, NewHandleWithTheSameImages) {
  RecreateImageList(nullptr);  // no list: nothing

  TCustomImageList List(16, 16);
  const COLORREF Colors[] = {RGB(200, 0, 0), RGB(0, 0, 200), RGB(0, 150, 0)};
  for (COLORREF C : Colors) {
    HICON Icon = SolidIcon(C);
    ASSERT_GE(List.AddIcon(Icon), 0);
    DestroyIcon(Icon);
  }
  const HIMAGELIST Before = List.Handle();
  RecreateImageList(&List);
  ASSERT_TRUE(List.HandleAllocated());
  EXPECT_NE(List.Handle(), Before);
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List.Width(), 16);
  EXPECT_EQ(List.Height(), 16);
  for (int I = 0; I < 3; ++I) EXPECT_EQ(DrawnCentre(List, I), Colors[I]) << I;

  TCustomImageList Empty(32, 32);
  RecreateImageList(&Empty);
  EXPECT_TRUE(Empty.HandleAllocated());
  EXPECT_EQ(Empty.Count(), 0);
}

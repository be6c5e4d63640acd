// A test of the menu object as the shell uses it: a private copy of the library, registered with
// its own INI file, in a single-threaded apartment, with class keys of the test's own.
#pragma once

#include "tests/shellext/MenuHost.h"

#include <gtest/gtest.h>

namespace shellhost {

class MenuTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(FileExistsA(TWindowsIni::Path())) << "left over by an earlier test";
    RemoveVelliskRegistration();
    ASSERT_TRUE(Copy.Copied());
    ASSERT_TRUE(SUCCEEDED(Apartment.Result()));
  }
  void TearDown() override {
    Copy.Unregister();
    RemoveVelliskRegistration();
  }

  // Writes the INI file beside the copy and registers the copy.
  void Prepare(const std::string& IniText) {
    ASSERT_TRUE(Copy.WriteIni(IniText));
    ASSERT_EQ(Copy.Register(), S_OK);
    Log.Restart();
  }
  void Prepare(const TMenuIni& Ini) { Prepare(Ini.Text()); }

  // A new object after Initialize with the class key (nullptr: no class), the data object and
  // the folder; empty when creating or initialising it failed.
  TComPtr<IContextMenu3> Open(HKEY ClassKey, IDataObject* Data = nullptr, PCIDLIST_ABSOLUTE Folder = nullptr) {
    TComPtr<IShellExtInit> Init;
    EXPECT_EQ(CreateMenuObject(Init), S_OK);
    if (!Init) return TComPtr<IContextMenu3>();
    const HRESULT R = Init->Initialize(Folder, Data, ClassKey);
    EXPECT_EQ(R, S_OK);
    if (R != S_OK) return TComPtr<IContextMenu3>();
    return Init.As<IContextMenu3>();
  }

  void ReadLog() { ASSERT_TRUE(Log.Read(Copy.LogPath())) << Copy.LogPath(); }

  // A class key of the test's own, and its name.
  HKEY NewClass(const std::string& Hint, std::string& Name) {
    Name = Classes.NewName(Hint);
    HKEY Key = Classes.Create(Name);
    EXPECT_NE(Key, nullptr) << Name;
    return Key;
  }

  TVelliskCopy Copy;
  TClassKeys Classes;
  TComApartment Apartment;
  TVelliskLog Log;
};

// A popup menu, destroyed with the object.
class TPopupMenu {
public:
  TPopupMenu() : FMenu(CreatePopupMenu()) {}
  ~TPopupMenu() {
    if (FMenu != nullptr) DestroyMenu(FMenu);
  }
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;
  HMENU Handle() const { return FMenu; }
  operator HMENU() const { return FMenu; }

private:
  HMENU FMenu;
};

inline HRESULT CountResult(UINT Count) { return MAKE_HRESULT(SEVERITY_SUCCESS, 0, Count); }

}  // namespace shellhost

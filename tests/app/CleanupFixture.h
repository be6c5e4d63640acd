// The main window in process over the hermetic registry (HKEY_CLASSES_ROOT and HKEY_CURRENT_USER
// redirected to scratch keys), with a test folder as the program's folder.
#pragma once

#include "application/AppPaths.h"
#include "application/Main.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ComCtrls.h"
#include "model/Utils.h"
#include "tests/app/Boxes.h"
#include "tests/registry/RegistryFixture.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <string>
#include <vector>

inline std::string TestModuleFolder() {
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  return ExtractFilePath(Path);
}

// A key's DACL replaced by one that allows everyone only KEY_READ, until Lift or the end of scope.
class TKeyLock {
public:
  TKeyLock(HKEY Parent, const std::string& Name) {
    if (RegOpenKeyExA(Parent, Name.c_str(), 0, KEY_READ | WRITE_DAC | READ_CONTROL, &FKey) != ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot open " << Name << " to lock it";
      FKey = nullptr;
      return;
    }
    DWORD Size = 0;
    RegGetKeySecurity(FKey, DACL_SECURITY_INFORMATION, nullptr, &Size);
    FOld.resize(Size);
    EXPECT_EQ(RegGetKeySecurity(FKey, DACL_SECURITY_INFORMATION, FOld.data(), &Size), ERROR_SUCCESS);
    BYTE Sid[SECURITY_MAX_SID_SIZE];
    DWORD SidSize = sizeof(Sid);
    CreateWellKnownSid(WinWorldSid, nullptr, Sid, &SidSize);
    std::vector<BYTE> AclBuffer(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + SidSize);
    auto* Acl = reinterpret_cast<PACL>(AclBuffer.data());
    InitializeAcl(Acl, static_cast<DWORD>(AclBuffer.size()), ACL_REVISION);
    AddAccessAllowedAce(Acl, ACL_REVISION, KEY_READ, Sid);
    SECURITY_DESCRIPTOR Sd;
    InitializeSecurityDescriptor(&Sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&Sd, TRUE, Acl, FALSE);
    EXPECT_EQ(RegSetKeySecurity(FKey, DACL_SECURITY_INFORMATION, &Sd), ERROR_SUCCESS);
  }
  ~TKeyLock() { Lift(); }
  TKeyLock(const TKeyLock&) = delete;
  TKeyLock& operator=(const TKeyLock&) = delete;
  void Lift() {
    if (!FKey) return;
    RegSetKeySecurity(FKey, DACL_SECURITY_INFORMATION, FOld.data());
    RegCloseKey(FKey);
    FKey = nullptr;
  }

private:
  HKEY FKey = nullptr;
  std::vector<BYTE> FOld;
};

class CleanupWindowTest : public regtest::TRegistryFixture {
protected:
  void SetUp() override {
    RequireDisplay();
    regtest::TRegistryFixture::SetUp();
    ASSERT_TRUE(Dir.Valid());
    SetProgramFolder(Dir.Folder());
    Application->SetTitle(ProductTitle);
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
    PumpUntilIdle(10, 500);
    SetProgramFolder("");
    regtest::TRegistryFixture::TearDown();
  }
  void Open() {
    Form = new TfrmMain(Application);
    Form->Show();
    PumpUntilIdle();
  }
  void ShowPage(int Index) {
    auto* Pages = FindByName<TPageControl>(Form, "pgcMain");
    Pages->SetActivePageIndex(Index);
    Form->pgcMainChange(Pages);
    PumpUntilIdle();
  }
  void ClickApply() {
    SendMessageA(FindByName<TButton>(Form, "btnApply")->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle();
  }
  bool ApplyEnabled() {
    PumpUntilIdle();
    return FindByName<TButton>(Form, "btnApply")->Enabled();
  }
  // A string value (REG_SZ; REG_EXPAND_SZ when Expand) under Root.
  static void SetString(HKEY Root, const std::string& Key, const std::string& Name, const std::string& Value,
                        bool Expand = false) {
    const std::wstring W = regtest::Widen(Value);
    regtest::SetValueW(Root, regtest::Widen(Key), regtest::Widen(Name), Expand ? REG_EXPAND_SZ : REG_SZ, regtest::WideSz(W));
  }
  static bool Exists(HKEY Root, const std::string& Key) { return regtest::KeyPresentW(Root, regtest::Widen(Key)); }
  // The error box of a move refused because its destination exists (full paths).
  static std::string MoveRefusedText(const std::string& From, const std::string& To) {
    return ErrorDisplayText("Cannot move \"" + From + "\": \"" + To + "\" exists already");
  }
  // Clicks Button twice over a shell-open seam whose first call succeeds and whose second fails with
  // "file not found", which the error display shows; answers the calls as "<operation> <file>".
  std::vector<std::string> ClickFindTwice(TControl* Button) {
    static std::vector<std::string> Opened;
    Opened.clear();
    const TShellOpenProc Old = SetShellOpenProc([](HWND, const std::string& Operation, const std::string& File, int) -> INT_PTR {
      Opened.push_back(Operation + " " + File);
      return Opened.size() == 1 ? 42 : 2;
    });
    const size_t Shown = Boxes.Boxes.size();
    ClickThroughParent(Button);
    EXPECT_EQ(Boxes.Boxes.size(), Shown);
    Boxes.Answer(IDOK);
    ClickThroughParent(Button);
    SetShellOpenProc(Old);
    EXPECT_EQ(Opened.size(), 2u);
    if (Boxes.Boxes.size() == Shown + 1)
      EXPECT_EQ(Boxes.Boxes.back().Text, ErrorDisplayText(SysErrorMessage(2)));
    else
      ADD_FAILURE() << "expected one error box";
    return Opened;
  }

  TTempDir Dir;
  TfrmMain* Form = nullptr;
  TBoxAnswers Boxes;  // an unexpected box is cancelled, never left waiting
};

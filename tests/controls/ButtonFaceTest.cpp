// The buttons inside one-line edits keep their face as the screen shows it: when the edit is shown,
// takes and loses the focus, and when a drop-down opens and closes over it.
#include "controls/FileTypeView.h"
#include "controls/RXSpin.h"
#include "controls/ToolEdit.h"
#include "tests/support/ButtonFace.h"
#include "tests/controls/FileTypesForm.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

class ButtonFaceTest : public TFileTypesFormTest {
protected:
  void SetUp() override {
    TFileTypesFormTest::SetUp();
    Other = new TEdit(Form.get());
    Other->SetBounds(10, 180, 100, 21);
    Other->TabStop = true;
    Other->SetParent(Form.get());
  }
  // The dark pixels of Holder on the screen after each step; each count must be the first one.
  void ExpectSameFace(TWinControl* Holder, const std::vector<std::pair<std::string, std::function<void()>>>& Steps,
                      const std::string& Picture) {
    Form->Show();
    PumpUntilIdle();
    const int Shown = DarkPixelsOnScreen(Holder->Handle());
    EXPECT_GT(Shown, 0) << "the button shows nothing dark when shown";
    for (const auto& [Name, Step] : Steps) {
      SCOPED_TRACE(Name);
      Step();
      PumpUntilIdle(30);
      EXPECT_EQ(DarkPixelsOnScreen(Holder->Handle()), Shown);
    }
    EXPECT_TRUE(TWindowCapture(Form->Handle(), false).SavePng(Picture));
  }
  std::vector<std::pair<std::string, std::function<void()>>> FocusSteps(TWinControl* Edit) {
    return {{"focused", [Edit] { Edit->SetFocus(); }},
            {"unfocused", [this] { Other->SetFocus(); }},
            {"focused again", [Edit] { Edit->SetFocus(); }},
            {"frame repainted", [Edit] { RedrawWindow(Edit->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW); }}};
  }
  TEdit* Other = nullptr;
};

TEST_F(ButtonFaceTest, FileEdit) {
  auto* Edit = new TFilenameEdit(Form.get());
  Edit->SetBounds(10, 10, 300, 21);
  Edit->SetParent(Form.get());
  Edit->SetText("C:\\windows\\notepad.exe");
  ExpectSameFace(Edit->BtnControl(), FocusSteps(Edit), "button_face_file_edit");
}

TEST_F(ButtonFaceTest, FileTypeDropDown) {
  Type("FaceType", "Face type");
  Type(".face", "FaceType");
  auto* List = new TFileTypeList(Form.get());
  List->SetActive(true);
  auto* Combo = new TFileTypeComboBox(Form.get());
  Combo->SetBounds(10, 10, 300, 21);
  Combo->SetParent(Form.get());
  Combo->SetFileTypes(List);
  auto Steps = FocusSteps(Combo);
  Steps.push_back({"drop-down open", [Combo] {
                     Combo->DoClick();
                     PumpUntilIdle();
                     EXPECT_TRUE(Combo->PopupVisible());
                   }});
  Steps.push_back({"drop-down closed", [Combo] {
                     Combo->DoClick();
                     PumpUntilIdle();
                     EXPECT_FALSE(Combo->PopupVisible());
                   }});
  Steps.push_back({"unfocused after the drop-down", [this] { Other->SetFocus(); }});
  ExpectSameFace(Combo->BtnControl(), Steps, "button_face_file_type_drop_down");
}

TEST_F(ButtonFaceTest, SpinEditsOfBothKinds) {
  for (TSpinButtonKind Kind : {bkStandard, bkDiagonal}) {
    SCOPED_TRACE(Kind == bkStandard ? "standard" : "diagonal");
    auto* Spin = new TRxSpinEdit(Form.get());
    Spin->SetBounds(10, Kind == bkStandard ? 10 : 60, 60, 21);
    Spin->SetButtonKind(Kind);
    Spin->TabStop = true;
    Spin->SetParent(Form.get());
    TWinControl* Holder = Kind == bkStandard ? static_cast<TWinControl*>(Spin->UpDown()) : Spin->Button()->Parent();
    ASSERT_NE(Holder, nullptr);
    ExpectSameFace(Holder, FocusSteps(Spin), Kind == bkStandard ? "button_face_spin_standard" : "button_face_spin_diagonal");
  }
}

}  // namespace

// Properties of the component library reached by name, as the localizer and the property storage
// reach them: the colour combo's names, dialog options and custom colours, the predefined types of
// the file-type views, the hover label's state.
#include "controls/ColorBox.h"
#include "controls/FileTypeView.h"
#include "controls/Hover.h"
#include "tests/controls/FileTypesForm.h"
#include "tests/support/Expect.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>
#include <memory>
#include <string>

namespace {

class PublishedTest : public TFileTypesFormTest {};

// The custom colours that the last colour dialog was handed.
std::array<COLORREF, 16> DialogCustomColors{};
BOOL RecordCustomColors(CHOOSECOLORA& Choice) {
  for (size_t I = 0; I < DialogCustomColors.size(); ++I) DialogCustomColors[I] = Choice.lpCustColors[I];
  return FALSE;
}

TEST_F(PublishedTest, ColourComboNamesDialogOptionsAndCustomColours) {
  auto* Box = new TAdvColorComboBox(Form.get());
  Box->SetBounds(10, 10, 160, 22);
  Box->SetParent(Form.get());
  Form->Show();
  PumpUntilIdle();
  // All 43 names by name; one renamed renames its entry (after the default entry).
  const char* const Names[] = {"Default", "Black", "Red", "White", "ScrollBar", "BtnFace", "DkShadow3D", "Light3D",
                               "InfoBk", "Custom"};
  for (const char* Name : Names) EXPECT_NE(GetPropText(Box, std::string("ColorNames.") + Name), "") << Name;
  EXPECT_EQ(GetPropText(Box, "ColorNames.Red"), "Red");
  EXPECT_EQ(GetPropText(Box, "ColorNames.DkShadow3D"), "3DDkShadow");
  const int Red = 1 + 9;
  ASSERT_EQ(Box->Items()->Get(Red), "Red");
  SetPropText(Box, "ColorNames.Red", "Rot");
  EXPECT_EQ(GetPropText(Box, "ColorNames.Red"), "Rot");
  EXPECT_EQ(Box->Items()->Get(Red), "Rot");
  EXPECT_EQ(Box->GetItemColor(Red), clRed);

  EXPECT_EQ(GetPropText(Box, "ColorDlgOptions"), "[cdFullOpen]");
  SetPropText(Box, "ColorDlgOptions", "[cdFullOpen, cdAnyColor]");
  EXPECT_EQ(Box->ColorDlgOptions, cdFullOpen | cdAnyColor);

  // The custom colours by name go to the dialog the custom entry opens.
  SetPropText(Box, "CustomColors", "ColorA=123456\r\nColorB=00FF00");
  EXPECT_EQ(Box->CustomColors().Count(), 2);
  const TColorDialogFunc Saved = ColorDialogFunc;
  ColorDialogFunc = RecordCustomColors;
  DialogCustomColors.fill(0);
  SendMessageA(Box->Handle(), CB_SETCURSEL, static_cast<WPARAM>(Box->Items()->Count() - 1), 0);
  SendMessageA(Form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Box->Handle()), CBN_CLOSEUP),
               reinterpret_cast<LPARAM>(Box->Handle()));
  PumpUntilIdle();
  ColorDialogFunc = Saved;
  EXPECT_EQ(DialogCustomColors[0], 0x123456u);
  EXPECT_EQ(DialogCustomColors[1], 0x00FF00u);
  EXPECT_EQ(DialogCustomColors[2], 0xFFFFFFu);
}

TEST_F(PublishedTest, PredefinedTypesOfTheListViewAndTheDropDown) {
  Type("PubType", "Published type");
  Type(".pub", "PubType");
  auto* List = new TFileTypeList(Form.get());
  List->SetActive(true);
  auto* View = new TFileTypeListView(Form.get());
  View->SetBounds(10, 10, 380, 200);
  View->SetParent(Form.get());
  View->SetFileTypes(List);
  auto* Combo = new TFileTypeComboBox(Form.get());
  Combo->SetBounds(10, 220, 300, 21);
  Combo->SetParent(Form.get());
  Combo->SetFileTypes(List);
  Form->Show();
  PumpUntilIdle();
  const std::string All =
      "[ptypAllFiles,ptypAllFileSystemObjects,ptypUnknown,ptypFolder,ptypDirectory,ptypBackground,ptypNetwork,"
      "ptypNetShare,ptypNetServer,ptypPrinters,ptypDrive,ptypAudioCD,ptypDVD]";
  EXPECT_EQ(GetPropText(View, "PredefinedTypes"), All);
  EXPECT_EQ(GetPropText(Combo, "PredefinedTypes"), All);
  const auto PredefinedRows = [](TFileTypeListView* V) {
    std::set<TPredefinedType> Shown;
    int Plain = 0;
    for (int I = 0; I < V->Items()->Count(); ++I) {
      auto* T = static_cast<TFileType*>(V->Items()->Item(I)->Data());
      if (T->Predefined())
        Shown.insert(T->PredefinedType());
      else
        ++Plain;
    }
    EXPECT_GT(Plain, 0) << "the types of the registry are gone too";
    return Shown;
  };
  EXPECT_GT(PredefinedRows(View).size(), 1u);
  SetPropText(View, "PredefinedTypes", "[ptypFolder]");
  EXPECT_EQ(GetPropText(View, "PredefinedTypes"), "[ptypFolder]");
  EXPECT_EQ(PredefinedRows(View), std::set<TPredefinedType>{ptypFolder});
  SetPropText(Combo, "PredefinedTypes", "[ptypFolder]");
  EXPECT_TRUE(Combo->PredefinedTypes() == TPredefinedTypes({ptypFolder}));
  EXPECT_EQ(PredefinedRows(Combo->DropDown()->ListView()), std::set<TPredefinedType>{ptypFolder});
}

TEST_F(PublishedTest, HoverLabelStateReadsAndRefusesWriting) {
  auto* Label = new THoverLabel(Form.get());
  Label->SetBounds(10, 10, 150, 30);
  Label->SetCaption("Hover");
  Label->SetParent(Form.get());
  Form->Show();
  PumpUntilIdle();
  EXPECT_EQ(GetPropText(Label, "State"), "hsNormal");
  SendMessageA(Form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(Label->Left() + 5, Label->Top() + 5));
  PumpUntilIdle(20, 500);
  EXPECT_EQ(GetPropText(Label, "State"), "hsHover");
  EXPECT_EQ(MessageOf<EPropertyError>([&] { SetPropText(Label, "State", "hsNormal"); }), "Property State is read-only");
  EXPECT_EQ(Label->State(), hsHover);
}

}  // namespace

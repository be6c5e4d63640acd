// A test with a form over the HKEY_CLASSES_ROOT fixture of the file-type tests; the form goes
// after each test.
#pragma once

#include "classlib/gui/Forms.h"
#include "tests/filetypes/FileTypesFixture.h"
#include "tests/support/Gui.h"

#include <memory>

class TFileTypesFormTest : public fttest::TClassesFixture {
protected:
  void SetUp() override {
    fttest::TClassesFixture::SetUp();
    RequireDisplay();
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(100, 100, 420, 320);
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 500);
    fttest::TClassesFixture::TearDown();
  }
  std::unique_ptr<TForm> Form;
};

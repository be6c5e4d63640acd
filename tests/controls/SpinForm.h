// A form for the spin edit's tests: a spin edit with standard buttons, range 6 to 20 and value 8,
// and a plain edit after it in the tab order.
#pragma once

#include "classlib/gui/Forms.h"
#include "classlib/gui/StdCtrls.h"
#include "controls/RXSpin.h"
#include "tests/support/Gui.h"

#include <memory>

struct TSpinForm {
  std::unique_ptr<TForm> Form;
  TRxSpinEdit* Edit = nullptr;
  TEdit* Other = nullptr;

  // Makes and shows the form at (Left, Top).
  void MakeSpinForm(int Left, int Top) {
    // An exception in a handler fails the test instead of waiting in an error box.
    Application->OnException = [](TObject*, Exception& E) {
      ADD_FAILURE() << ClassNameOf(typeid(E)) << ": " << E.Message();
    };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(Left, Top, 300, 200);
    Edit = new TRxSpinEdit(Form.get());
    Edit->SetBounds(10, 10, 60, 21);
    Edit->SetButtonKind(bkStandard);
    Edit->MinValue = 6;
    Edit->MaxValue = 20;
    Edit->SetValue(8);
    Edit->TabStop = true;
    Edit->SetParent(Form.get());
    Other = new TEdit(Form.get());
    Other->SetBounds(10, 50, 60, 21);
    Other->TabStop = true;
    Other->SetParent(Form.get());
    Form->Show();
    ASSERT_TRUE(BringToForeground(Form->Handle()));
  }
  void FreeSpinForm() {
    Form.reset();
    Application->OnException = nullptr;
    PumpUntilIdle(10, 500);
  }
};

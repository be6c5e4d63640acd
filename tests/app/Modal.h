// Running a modal window of the program in a test: a step once the window is up, and a safety
// limit after which the window is closed instead of hanging the test.
#pragma once

#include "classlib/gui/Boundary.h"
#include "classlib/gui/Forms.h"

#include <functional>

// The modal form shown now; nullptr when none.
inline TCustomForm* ModalForm() {
  for (int I = 0; I < Screen->FormCount(); ++I)
    if (Screen->Forms(I)->Modal()) return Screen->Forms(I);
  return nullptr;
}

// Runs Show (which shows a window modally and returns its result) while Step(form) runs once that
// window is up; a window still open after 15 s is cancelled.
template <class TShow>
auto RunModal(TShow Show, std::function<void(TCustomForm*)> Step) {
  bool Done = false;
  TThreadTimer Timer(50, [&] {
    TCustomForm* Form = ModalForm();
    if (Done || !Form || !Form->HandleAllocated() || !IsWindowVisible(Form->Handle())) return;
    Done = true;
    Step(Form);
  });
  TThreadTimer Safety(15000, [] {
    if (TCustomForm* Form = ModalForm()) Form->ModalResult = mrAbort;
  });
  return Show();
}

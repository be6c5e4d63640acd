// The start-up form with its status line, the paint pump that keeps it drawn while the main window
// is created, and the Windows version check that comes before it.
#pragma once

#include "classlib/gui/Forms.h"

#include <functional>

class TfrmLoading : public TForm {
public:
  explicit TfrmLoading(TComponent* AOwner);
  ~TfrmLoading() override;
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormDestroy(TObject* Sender);
};

// The start-up form while it exists (nullptr before and after).
extern TfrmLoading* frmLoading;

// Refuses Windows NT versions before 5.0 with a box, then ends the program; else creates the
// start-up form.
void CheckWindowsVersion();
// Frees the start-up form (its FormDestroy gives the application its plain title).
void FreeLoadingForm();

// Shows Text + "..." in the start-up form's status line; lets the paint messages through when more
// than 60 ms have passed since the last time. Nothing without the start-up form.
void ShowStatus(const std::string& Text);
// Dispatches the thread's waiting WM_PAINT messages and nothing else; a quit message taken on the
// way is posted again.
void PumpPaintMessages();
// Lets the paint messages through when more than 60 ms have passed since the last time (the rule of
// ShowStatus, for any long loop that shows progress); true when it did.
bool PumpPaintMessagesWhenDue();
// The last-pump time := now.
void ResetStatusPump();

// The clock behind ShowStatus, as a date-time (days); nullptr restores the system's local time.
using TStatusClock = std::function<double()>;
void SetStatusClock(TStatusClock Clock);

// Start-up of the component library in a GUI program: the hand and dragging-hand cursors of the
// program's resources enter the screen's cursor table as crHand and crDragHand.
#include "classlib/gui/Forms.h"
#include "controls/RXConst.h"

namespace {

struct TRxCursors {
  TRxCursors() {
    for (const int Cursor : {crHand, crDragHand})
      if (const HCURSOR Handle = LoadRxCursor(Cursor)) Screen->SetCursors(Cursor, Handle);
  }
} RxCursors;

}  // namespace

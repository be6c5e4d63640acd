#include "controls/RXConst.h"

const char* RxCursorResourceName(int Cursor) {
  switch (Cursor) {
    case crHand: return "RX_HANDCUR";
    case crDragHand: return "RX_DRAGCUR";
    default: return nullptr;
  }
}

HCURSOR LoadRxCursor(int Cursor) {
  const char* Name = RxCursorResourceName(Cursor);
  return Name != nullptr ? LoadCursorA(GetModuleHandleA(nullptr), Name) : nullptr;
}

// The component library's start-up: the program's cursors in the screen's cursor table (built once
// with and once without the "Copy" cursor resource) and the icon clipboard format.
#include "controls/AdvCursors.h"
#include "classlib/gui/Forms.h"
#include "controls/ClipIcon.h"
#include "controls/RXConst.h"

#include <gtest/gtest.h>

namespace {

// The hot spot of a cursor.
POINT HotSpot(HCURSOR Cursor) {
  ICONINFO Info{};
  if (!GetIconInfo(Cursor, &Info)) return POINT{-1, -1};
  if (Info.hbmMask) DeleteObject(Info.hbmMask);
  if (Info.hbmColor) DeleteObject(Info.hbmColor);
  return POINT{static_cast<LONG>(Info.xHotspot), static_cast<LONG>(Info.yHotspot)};
}

TEST(AdvCursors, StartUpFillsTheCursorTable) {
  const HINSTANCE Program = GetModuleHandleA(nullptr);
  EXPECT_EQ(Screen->Cursors(crLinkHand), LoadCursorA(nullptr, IDC_HAND));
  EXPECT_NE(Screen->Cursors(crLinkHand), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(Screen->Cursors(crExchange), LoadCursorA(Program, "Exchange"));
  EXPECT_NE(Screen->Cursors(crExchange), nullptr);
#ifdef CORVANE_WITHOUT_COPY_CURSOR
  EXPECT_EQ(LoadCursorA(Program, "Copy"), nullptr);
  EXPECT_EQ(Screen->Cursors(crCopy), LoadCursorA(nullptr, IDC_ARROW));
#else
  EXPECT_NE(LoadCursorA(Program, "Copy"), nullptr);
  EXPECT_EQ(Screen->Cursors(crCopy), LoadCursorA(Program, "Copy"));
#endif
  EXPECT_EQ(Screen->Cursors(crHand), LoadCursorA(Program, "RX_HANDCUR"));
  EXPECT_EQ(Screen->Cursors(crDragHand), LoadCursorA(Program, "RX_DRAGCUR"));
  EXPECT_NE(Screen->Cursors(crHand), Screen->Cursors(crDefault));
  EXPECT_NE(Screen->Cursors(crDragHand), Screen->Cursors(crDefault));
  const POINT Hand = HotSpot(Screen->Cursors(crHand)), Drag = HotSpot(Screen->Cursors(crDragHand));
  EXPECT_EQ(Hand.x, 6);
  EXPECT_EQ(Hand.y, 16);
  EXPECT_EQ(Drag.x, 15);
  EXPECT_EQ(Drag.y, 16);
}

TEST(ClipIcon, RegisteredAtStartUp) {
  const UINT Format = IconClipboardFormat();
  ASSERT_NE(Format, 0u);
  char Name[64] = {};
  EXPECT_GT(GetClipboardFormatNameA(Format, Name, sizeof(Name)), 0);
  TGraphicFactory Factory = ClipboardGraphic(Format);
  ASSERT_NE(Factory, nullptr);
  EXPECT_NE(dynamic_cast<TIcon*>(Factory().get()), nullptr);
}

TEST(AdvCursors, LoadCursorSafeFallsBackToTheArrow) {
  EXPECT_EQ(LoadCursorSafe(GetModuleHandleA(nullptr), "NoSuchCursor"), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(LoadCursorSafe(nullptr, IDC_CROSS), LoadCursorA(nullptr, IDC_CROSS));
}

}  // namespace

#include "controls/ClipIcon.h"

#include "classlib/core/Graphics.h"

namespace {
UINT IconFormat = 0;
}

UINT IconClipboardFormat() { return IconFormat; }

UINT InitClipIcon() {
  if (IconFormat == 0) {
    IconFormat = RegisterClipboardFormatA("Corvane Icon");
    if (IconFormat != 0)
      RegisterClipboardGraphic(IconFormat, []() -> std::unique_ptr<TGraphic> { return std::make_unique<TIcon>(); });
  }
  return IconFormat;
}

// Quick hints: a control's long hint in a message box, its first line the caption.
#pragma once

class TControl;

// Shows Control's quick hint; nothing for nullptr or a hint without lines.
void ShowQuickHint(TControl* Control);

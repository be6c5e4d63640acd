// The localizer's side of the GUI class library: class chains of forms and frames, published
// properties through the class tables, the open forms of the screen, the layout-loaded notification,
// and the application's message box for reports.
#pragma once

#include "localizer/LocalizerBinding.h"

class TFreeLocalizer;

// The binding over the GUI class library; one for the program.
TLocalizerBinding& GuiLocalizerBinding();

// Gives Localizer the GUI binding and makes mode-1 reports use the application's message box.
void BindLocalizerToGui(TFreeLocalizer& Localizer);

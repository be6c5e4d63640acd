// Start-up of the component library in a GUI program, called by the main block after the language
// file and before the single-instance check.
#pragma once

// The program's cursors enter the screen's cursor table and the icon clipboard format is registered.
void StartComponentLibrary();

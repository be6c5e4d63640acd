// Where the program keeps its files: the program's folder (INI file, log.txt, Vellisk.DLL), the
// product title, and the system font given to the program's windows.
#pragma once

#include "classlib/gui/Forms.h"

#include <string>

// "Corvane 2007".
extern const char* const ProductTitle;

// The program's folder with a trailing "\": that of the program file unless set.
std::string ProgramFolder();
// Another folder for the program's files ("" goes back to the program file's own).
void SetProgramFolder(const std::string& Folder);

// The form takes the system's message font; every control inside it that does not take its
// parent's font and has an 8-point font takes that font's name and character set.
void ApplySystemFont(TCustomForm* Form);

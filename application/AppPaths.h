// Where the program keeps its files: the program's folder (INI file, log.txt, Vellisk.DLL), and the
// product title.
#pragma once

#include <string>

// "Corvane 2007".
extern const char* const ProductTitle;

// The program's folder with a trailing "\": that of the program file unless set.
std::string ProgramFolder();
// Another folder for the program's files ("" goes back to the program file's own).
void SetProgramFolder(const std::string& Folder);
// The INI file in use: ZU2001.ini in the Windows folder when it exists, else Corvane.ini in the
// program's folder.
std::string IniFileInUse();

// Start-up of the localizer: the language file beside the program that the thread locale selects.
#pragma once

#include <windows.h>

#include <string>

// Folder (with its trailing "\") + "Corvane.<Locale>.lng" when that file exists, else + "Corvane.lng"
// when that one exists, else "".
std::string FindLanguageFile(const std::string& Folder, LCID Locale);

// Makes the program's localizer and, when a language file for the thread locale lies beside the
// program, loads it with message-box reports and translation of every window as it is loaded.
void ChooseLanguageFile();

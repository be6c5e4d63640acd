// A program that starts like Corvane's start-up: the optional first argument becomes the thread
// locale, then ChooseLanguageFile runs; the localizer's state is written to "result.txt" beside it.
#include "localizer/Localizer.h"
#include "localizer/uFreeLocalizer.h"

#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "resources/ResStrings.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
  if (argc > 1) SetThreadLocale(static_cast<LCID>(std::atoi(argv[1])));
  ChooseLanguageFile();
  char Module[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, Module, sizeof(Module));
  std::ofstream Out(ExtractFilePath(Module) + "result.txt", std::ios::binary);
  Out << "file=" << FreeLocalizer->LanguageFileName << "\n"
      << "translate=" << FreeLocalizer->TranslateOnCreate() << "\n"
      << "reporting=" << static_cast<int>(FreeLocalizer->ErrorReporting) << "\n"
      << "text=" << LoadResString(SReadError) << "\n";
  DoneFreeLocalizer();
  return 0;
}

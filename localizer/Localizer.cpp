// Start-up of the localizer.
#include "localizer/Localizer.h"

#include "classlib/core/SysUtils.h"
#include "localizer/GuiBinding.h"
#include "localizer/uFreeLocalizer.h"

std::string FindLanguageFile(const std::string& Folder, LCID Locale) {
  std::string Name = Folder + Format("Corvane.%d.lng", {static_cast<int>(Locale)});
  if (FileExists(Name)) return Name;
  Name = Folder + "Corvane.lng";
  return FileExists(Name) ? Name : std::string();
}

void ChooseLanguageFile() {
  InitFreeLocalizer();
  BindLocalizerToGui(*FreeLocalizer);
  char Module[MAX_PATH * 2] = {};
  const DWORD Len = GetModuleFileNameA(nullptr, Module, sizeof(Module));
  const std::string Folder = ExtractFilePath(ExpandFileName(std::string(Module, Len)));
  const std::string Name = FindLanguageFile(Folder, GetThreadLocale());
  if (Name.empty()) return;
  FreeLocalizer->ErrorReporting = erMessageBox;
  FreeLocalizer->SetTranslateOnCreate(true);
  FreeLocalizer->ReadLanguageFile(Name);
}

// The localizer: loads a language file into per-window-class property paths and translated message
// texts, translates windows as they are loaded, fills the resource-string slot, and reports faults of
// the file by the chosen mode.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/Components.h"
#include "classlib/core/ResStrings.h"
#include "localizer/LocalizerBinding.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The system's ANSI code page (GetACP when the program starts): the code page of a file without a
// "Codepage" option and of the translated texts. Tests may set it.
extern UINT DefaultCodePage;

// One window class's section: property paths and their translated values, line by line.
struct TResForm {
  std::string Name;
  TStringList Paths;
  TStringList Values;
};

// Translated message texts by resource-string identifier. While enabled it holds the resource-string
// slot: identifiers it finds give the translation, the others go to the loader it replaced.
class TResStringer {
public:
  struct TResString {
    int Id;
    std::string Text;
  };

  TResStringer();   // enabled
  ~TResStringer();  // disabled
  TResStringer(const TResStringer&) = delete;
  TResStringer& operator=(const TResStringer&) = delete;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

  // The texts in file order; missing until the first message-text block is read.
  bool HasStrings() const { return FHasStrings; }
  const std::vector<TResString>& Strings() const { return FStrings; }
  // Creates the list when missing, else empties it.
  void ClearStrings();
  void AddString(int Id, const std::string& Text);

  // Search by halving over ascending identifiers; the first of equal identifiers wins.
  bool FindTranslatedString(int Id, std::string& Text) const;

  // The previous loader, which answers identifiers the list lacks.
  TResStringLoader Fallback() const { return FPrevious; }

private:
  bool FEnabled = false;
  bool FHasStrings = false;
  std::vector<TResString> FStrings;
  TResStringLoader FPrevious = nullptr;
};

// How faults of a language file are reported.
constexpr uint8_t erIgnore = 0, erMessageBox = 1, erRaise = 2;

// Shows a mode-1 report; the default is MessageBoxA on the active window. The GUI library installs the
// application's message box.
using TLanguageErrorBox = void (*)(const std::string& Text, const std::string& Caption, UINT Flags);
// Installs Box and returns the previous one; nullptr restores the default.
TLanguageErrorBox SetLanguageErrorBox(TLanguageErrorBox Box);
void DefaultLanguageErrorBox(const std::string& Text, const std::string& Caption, UINT Flags);

class TFreeLocalizer {
public:
  // One localizer at a time: it creates ResStringer and frees it again.
  TFreeLocalizer();
  ~TFreeLocalizer();
  TFreeLocalizer(const TFreeLocalizer&) = delete;
  TFreeLocalizer& operator=(const TFreeLocalizer&) = delete;

  std::string LanguageFileName;  // the name given to the last load that finished
  std::vector<std::unique_ptr<TResForm>> Forms;
  std::function<void(TFreeLocalizer* Sender, const std::string& OldFileName, const std::string& NewFileName)>
      OnLoading;
  std::function<void(TFreeLocalizer* Sender, const std::string& FileName)> OnLoaded;
  std::string LanguageFolder;  // put before the name given to a load when not empty
  uint8_t ErrorReporting = erIgnore;

  // While true, every form or frame loaded on its own is translated through the binding's form-loaded
  // notification, and a load translates the open forms.
  bool TranslateOnCreate() const { return FTranslateOnCreate; }
  void SetTranslateOnCreate(bool Value);
  // The GUI library's side of translation; not owned.
  TLocalizerBinding* Binding() const { return FBinding; }
  void SetBinding(TLocalizerBinding* Value);

  // Loads "<LanguageFolder>\<FileName>[.lng]"; faults are reported by ErrorReporting.
  void ReadLanguageFile(const std::string& FileName);
  // erMessageBox: a box captioned "Q.T.R. Error" with MB_ICONERROR; erRaise: raises Exception.
  void ReportLanguageError(const std::string& Message);

  // Frames owned by Component first, then the sections of its class chain, base first.
  void TranslateComponent(TComponent* Component);
  // TranslateComponent for every open form.
  void TranslateScreen();
  // Sets the property that the dotted Path names below Root; a failure is reported, not raised (unless
  // the report raises).
  void SetPathProperty(TComponent* Root, const std::string& Path, const std::string& Value);
  // A string list takes Value as its lines; other objects the published property PropName.
  void SetPropertyValue(TPersistent* Instance, const std::string& PropName, const std::string& Value);

private:
  bool FTranslateOnCreate = false;
  TLocalizerBinding* FBinding = nullptr;

  void InstallLoadedHandler();
  void ComponentLoaded(TComponent* Root);
  const TResForm* FindSection(const std::string& Name) const;
  void ResolvePath(TComponent* Root, const std::string& Path, const std::string& Value);
  void ReadResourceStringBlock(const TStrings& Lines, int& I, UINT CodePage, const std::wstring& Divider,
                               bool Humanize);
};

extern TFreeLocalizer* FreeLocalizer;  // the program's localizer, between InitFreeLocalizer and DoneFreeLocalizer
extern TResStringer* ResStringer;      // the one of the living localizer
void InitFreeLocalizer();  // makes FreeLocalizer when there is none
void DoneFreeLocalizer();  // frees it

// The options of a language file: "Codepage" (DefaultCodePage when absent), "Humanize" (on when "1"),
// "HumanizeDivider" ("\" unless given, read only with Humanize present; converted with the file's code
// page). False only when "Codepage" is not an integer.
bool ReadLanguageOptions(const TStrings& Lines, bool& Humanize, UINT& CodePage, std::wstring& Divider);

// Value cut at each CR replaces the lines of Strings one by one; the lines beyond are deleted.
void SetStringsText(TStrings& Strings, const std::string& Value);

// Reading and writing of values and window placements through a storage object that is either a
// profile-based INI file or a registry key, and the default INI names and sections of components.
#pragma once

#include "classlib/core/IniFiles.h"
#include "classlib/core/RegIniFile.h"
#include "classlib/gui/Forms.h"

#include <functional>
#include <string>

// The default section of a component: "" for nullptr; a form's class name; for a control its
// parent form's class name and its Name; for another component "<owner class>.<Name>" when the
// owner is a form, else its Name.
std::string GetDefaultSection(TComponent* Component);
// The program file's name with ".INI", unless the hook answers.
extern std::function<std::string()> OnGetDefaultIniName;
std::string GetDefaultIniName();
extern std::string DefCompanyName;
extern bool RegUseAppTitle;
// "Software\[<company>\]<title or program name>".
std::string GetDefaultIniRegKey();

// Ini is a TRegIniFile, a TIniFile or anything else (read: Default; write: nothing).
std::string IniReadString(TObject* Ini, const std::string& Section, const std::string& Ident, const std::string& Default);
// To a TIniFile a value enclosed in one kind of quote (a lone quote counts) goes in one more pair
// of double quotes, which the profile API takes off again when reading.
void IniWriteString(TObject* Ini, const std::string& Section, const std::string& Ident, const std::string& Value);
int IniReadInteger(TObject* Ini, const std::string& Section, const std::string& Ident, int Default);
void IniWriteInteger(TObject* Ini, const std::string& Section, const std::string& Ident, int Value);
void IniEraseSection(TObject* Ini, const std::string& Section);
void IniDeleteKey(TObject* Ini, const std::string& Section, const std::string& Ident);

// "(<screen width>x<screen height>)", appended to position keys.
std::string ResolutionSuffix();
// Ident with the resolution suffix, else Ident itself.
std::string ReadPosStr(TObject* Ini, const std::string& Section, const std::string& Ident);
// Writes under Ident with the resolution suffix, then under Ident.
void WritePosStr(TObject* Ini, const std::string& Section, const std::string& Ident, const std::string& Value);

void StoreWindowPlacement(TCustomForm* Form, TObject* Ini, const std::string& Section);
void LoadWindowPlacement(TCustomForm* Form, TObject* Ini, const std::string& Section, bool LoadState, bool LoadPosition);

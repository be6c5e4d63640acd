// Resource strings: STRINGTABLE texts of the module, looked up by identifier through a replaceable loader.
#pragma once

#include <string>

// The text of Ident through the current loader.
std::string LoadResString(int Ident);

using TResStringLoader = std::string (*)(int Ident);
// Installs Loader and returns the previous one; nullptr restores the default loader.
TResStringLoader SetResStringLoader(TResStringLoader Loader);

// LoadStringA from the module that holds this code; "" when the string is missing.
std::string DefaultResStringLoader(int Ident);

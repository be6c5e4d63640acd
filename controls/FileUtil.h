// File-name helpers of the component library, used by the file-name edit.
#pragma once

#include <string>

// The path's attributes can be read and have the directory attribute.
bool IsDirectory(const std::string& Path);
// Not empty and free of the characters < > " |.
bool IsValidFileName(const std::string& Name);
// Name (without folder) of the first entry that a file search for Path finds: its long name, or its
// short name when it has no long one; "" when nothing is found.
std::string LongNameOf(const std::string& Path);
// As LongNameOf, with the short name first and the long one when there is no short name.
std::string ShortNameOf(const std::string& Path);

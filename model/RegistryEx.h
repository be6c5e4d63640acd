// Registry operations that must not fail silently: each raises "Registry operation error" with the
// operation, the full key path and the system's reason when the underlying call fails.
#pragma once

#include "classlib/core/ImgList.h"
#include "classlib/core/Registry.h"

#include <windows.h>

#include <string>

class TRegistryEx {
public:
  TRegistryEx() = delete;

  // Raises Exception "Registry operation error", followed, when Details is not empty, by
  // " (details: %s; reason: %s)" with Details and the system's text for ErrorCode (the status
  // code of the failing call).
  [[noreturn]] static void RaiseRegistryError(const std::string& Details, DWORD ErrorCode);

  // Registry.OpenKeyReadOnly(Key); raises "opening read-only <full path>" on failure.
  static void OpenKeyReadOnly(TRegistry& Registry, const std::string& Key);
  // Registry.OpenKey(Key, CanCreate); raises "opening/creating <full path>" (CanCreate) or
  // "opening <full path>" on failure.
  static void OpenKey(TRegistry& Registry, const std::string& Key, bool CanCreate);
  // Deletes Key with its subkeys when it exists; raises "deleting <full path>" when that fails.
  static void DeleteKey(TRegistry& Registry, const std::string& Key);
  // Replaces DestKey of Dest by a copy of SourceKey of Source with all its values and subkeys
  // (names without a leading "\" get one). Values and subkeys go through the wide calls, so names
  // and data outside the code page are copied byte for byte. Nothing is rolled back on failure.
  // Afterwards Source has SourceKey open and Dest has DestKey open.
  static void CopyRegistryKey(TRegistry& Source, TRegistry& Dest, const std::string& SourceKey,
                              const std::string& DestKey);

  // "HKEY_CLASSES_ROOT" ... "HKEY_DYN_DATA" for the predefined roots, else the value as eight
  // hexadecimal digits.
  static std::string RootKeyName(HKEY RootKey);
  // The root's name followed by Key when Key begins with "\"; else by "\" and the current path
  // (when there is one) and "\" and Key (when Key is not empty).
  static std::string FullKeyPath(const TRegistry& Registry, const std::string& Key);
};

// Gives ImageList a new platform list of the same width, height, growth step and colour depth,
// with a mask, holding the same images. A failed creation leaves the list unchanged; a list left
// without a handle raises "Invalid ImageList". Nothing happens for no list.
void RecreateImageList(TCustomImageList* ImageList);

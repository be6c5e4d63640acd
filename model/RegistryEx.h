// Registry operations that must not fail silently: each raises "Registry operation error" with the
// operation, the full key path and the system's reason when the underlying call fails.
#pragma once

#include "classlib/core/ImgList.h"
#include "classlib/core/Registry.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

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
  // Copies SourceKey of Source with all its values and subkeys to DestKey of Dest (names without a
  // leading "\" get one), which must not exist: an existing destination raises "Cannot move "%s":
  // "%s" exists already" with both full paths and nothing changes. Values and subkeys go through
  // the wide calls, so names and data outside the code page are copied byte for byte. A copy that
  // fails part-way removes the destination key it made and raises the failure; the source is never
  // changed. Afterwards Source has SourceKey open and Dest has DestKey open.
  static void CopyRegistryKey(TRegistry& Source, TRegistry& Dest, const std::string& SourceKey,
                              const std::string& DestKey);
  // CopyRegistryKey, then deletes the source. A destination that holds exactly what the source
  // holds (left by a move whose source could not be deleted) counts as the copy. When the source
  // cannot be deleted, the copy stays and the error names the source.
  static void MoveRegistryKey(TRegistry& Source, TRegistry& Dest, const std::string& SourceKey,
                              const std::string& DestKey);

  // The names of the open key's subkeys through the wide call, in the registry's order, leaving
  // out every name that the ANSI code page cannot hold exactly (no best-fit replacement).
  static void GetExactKeyNames(const TRegistry& Registry, TStrings& Names);
  // The value Name of the open key when it is REG_SZ or REG_EXPAND_SZ; "" for a missing value or
  // one of another type.
  static std::string ReadText(TRegistry& Registry, const std::string& Name);

  // "HKEY_CLASSES_ROOT" ... "HKEY_DYN_DATA" for the predefined roots, else the value as eight
  // hexadecimal digits.
  static std::string RootKeyName(HKEY RootKey);
  // The root's name followed by Key when Key begins with "\"; else by "\" and the current path
  // (when there is one) and "\" and Key (when Key is not empty).
  static std::string FullKeyPath(const TRegistry& Registry, const std::string& Key);
};

// Keys of one root as they were before a series of changes, so that the series can be undone:
// each key is remembered, with everything below it or as absent, before a step changes it.
class TRegistryJournal {
public:
  explicit TRegistryJournal(HKEY Root) : FRoot(Root) {}
  TRegistryJournal(const TRegistryJournal&) = delete;
  TRegistryJournal& operator=(const TRegistryJournal&) = delete;

  // Remembers Key (below the root; a leading "\" is allowed) as it is now. A key that cannot be
  // read whole raises "Registry operation error" with "reading <full path>", before anything changes.
  void Remember(const std::string& Key);
  // Remembers the highest key above Key (not Key itself) that does not exist, so that keys that a
  // write creates on the way go again; nothing when Key's parent exists.
  void RememberMissingParents(const std::string& Key);
  // Puts every remembered key back as it was, the last remembered first, and forgets them; answers
  // whether every key went back.
  bool Undo();

  // A key's values and subkeys as they were read.
  struct TImage {
    struct TValue {
      std::wstring Name;
      DWORD Type;
      std::vector<BYTE> Data;
    };
    std::vector<TValue> Values;
    std::vector<std::pair<std::wstring, TImage>> SubKeys;
  };

private:
  struct TEntry {
    std::wstring Path;
    bool Existed;
    TImage Image;
  };
  HKEY FRoot;
  std::vector<TEntry> FEntries;
};

// Gives ImageList a new platform list of the same width, height, growth step and colour depth,
// with a mask, holding the same images. A failed creation leaves the list unchanged; a list left
// without a handle raises "Invalid ImageList". Nothing happens for no list.
void RecreateImageList(TCustomImageList* ImageList);

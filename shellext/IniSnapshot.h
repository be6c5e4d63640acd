// The INI file as Vellisk's objects read it: one parsed copy per process, used again for as long
// as the file holds the same bytes, so that a menu for an unchanged file costs a read of the file
// and no parsing. Each open compares the file's whole content, so every change is seen at once.
#pragma once

#include "model/CorvIniFile.h"
#include "model/CustDraw.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The last item number of section "Dynamic Items" that can hold a key, for a section whose
// "Count" is Count: Count itself, or less when Count is larger than the file could number (a
// huge Count then costs one pass over the section's keys instead of Count lookups).
int DynamicItemsBound(TCustomIniFile& Ini, int Count);

// What every menu reads of section "Dynamic Items" before anything else.
struct TDynamicKinds {
  int Count = 0;                       // "Count" as read
  int Bound = 0;                       // DynamicItemsBound of it
  std::vector<std::string> FileTypes;  // "FileType<n>" at [n - 1], for n = 1 to Bound
  std::vector<std::string> Classes;    // the non-empty ones, each once (exact), in order
};

class TIniSnapshot {
public:
  // FileName as it is now: the cached snapshot when the file holds the bytes it was made from,
  // else a new one (which then becomes the cached one). A missing file or an empty name reads as
  // an empty file; a file that cannot be read raises EFOpenError or EReadError.
  static std::shared_ptr<TIniSnapshot> Open(const std::string& FileName);
  // Forgets the cached snapshot.
  static void Discard();

  TIniSnapshot(const std::string& FileName, const std::string& Text);
  TIniSnapshot(const TIniSnapshot&) = delete;
  TIniSnapshot& operator=(const TIniSnapshot&) = delete;

  const std::string& FileName() const { return FFileName; }
  const std::string& Text() const { return FText; }

  // Runs Reader(TCorvIniFile&) on the parsed file, one caller at a time; its result.
  template <class TReader>
  auto Read(TReader&& Reader) {
    std::lock_guard<std::mutex> Lock(FLock);
    return Reader(*FIni);
  }

  // The custom-draw settings of the file, loaded the first time they are asked for.
  std::shared_ptr<const TCustomDrawnMenuInfo> Settings();
  // The item kinds of the file, read the first time they are asked for; they stay as they are
  // for the snapshot's life. Not to be asked for inside Read.
  const TDynamicKinds& Kinds();

private:
  std::string FFileName;
  std::string FText;
  std::mutex FLock;
  std::unique_ptr<TCorvIniFile> FIni;
  std::shared_ptr<const TCustomDrawnMenuInfo> FSettings;
  std::unique_ptr<TDynamicKinds> FKinds;
};

// The process's parsed copy of the INI file.
#include "shellext/IniSnapshot.h"

#include "classlib/core/Classes.h"
#include "classlib/core/SysUtils.h"

#include <unordered_set>

namespace {

const char* const DynamicSection = "Dynamic Items";

std::mutex CacheLock;
std::shared_ptr<TIniSnapshot> Cached;  // the last snapshot made

// The whole file, read as the INI engine reads it (others may read it meanwhile, not write).
std::string ReadWholeFile(const std::string& FileName) {
  if (FileName.empty() || !FileExists(FileName)) return std::string();
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  const long long Size = Stream.Size();
  std::string Text(Size > 0 ? static_cast<size_t>(Size) : 0, '\0');
  if (!Text.empty()) Stream.ReadBuffer(Text.data(), static_cast<int>(Text.size()));
  return Text;
}

}  // namespace

int DynamicItemsBound(TCustomIniFile& Ini, int Count) {
  if (Count <= 0) return 0;
  // Every item that holds a key has a line of its own, so a Count up to the number of lines
  // costs no more lookups than the file has lines.
  if (TCorvIniFile* Corv = dynamic_cast<TCorvIniFile*>(&Ini)) {
    if (Corv->Loaded() && Count <= Corv->Items().Count()) return Count;
  } else if (Count <= 0x10000) {
    return Count;
  }
  // Otherwise no item beyond the largest number that ends a key name can hold a key.
  TStringList Names;
  Ini.ReadSection(DynamicSection, Names);
  int Largest = 0;
  for (int I = 0; I < Names.Count(); ++I) {
    const std::string Name = Names[I];
    size_t Start = Name.size();
    while (Start > 0 && Name[Start - 1] >= '0' && Name[Start - 1] <= '9') --Start;
    long long Number = 0;
    for (size_t J = Start; J < Name.size() && Number <= Count; ++J) Number = Number * 10 + (Name[J] - '0');
    if (Number > Largest) Largest = Number >= Count ? Count : static_cast<int>(Number);
  }
  return Largest;
}

std::shared_ptr<TIniSnapshot> TIniSnapshot::Open(const std::string& FileName) {
  std::string Text = ReadWholeFile(FileName);
  {
    std::lock_guard<std::mutex> Lock(CacheLock);
    if (Cached && Cached->FFileName == FileName && Cached->FText == Text) return Cached;
  }
  // Parsed outside the cache's lock: another thread's open of an unchanged file need not wait.
  auto Snapshot = std::make_shared<TIniSnapshot>(FileName, Text);
  std::lock_guard<std::mutex> Lock(CacheLock);
  Cached = Snapshot;
  return Snapshot;
}

void TIniSnapshot::Discard() {
  std::shared_ptr<TIniSnapshot> Old;
  std::lock_guard<std::mutex> Lock(CacheLock);
  Old.swap(Cached);
}

TIniSnapshot::TIniSnapshot(const std::string& FileName, const std::string& Text)
    : FFileName(FileName), FText(Text) {
  // An engine without a file of its own (it never writes), holding the text read.
  FIni = std::make_unique<TCorvIniFile>(std::string());
  FIni->Load();
  if (!FText.empty()) FIni->Items().SetText(FText);
}

std::shared_ptr<const TCustomDrawnMenuInfo> TIniSnapshot::Settings() {
  std::lock_guard<std::mutex> Lock(FLock);
  if (!FSettings) FSettings = std::make_shared<TCustomDrawnMenuInfo>(FFileName);
  return FSettings;
}

const TDynamicKinds& TIniSnapshot::Kinds() {
  std::lock_guard<std::mutex> Lock(FLock);
  if (!FKinds) {
    auto Kinds = std::make_unique<TDynamicKinds>();
    Kinds->Count = FIni->ReadInteger(DynamicSection, "Count", 0);
    Kinds->Bound = DynamicItemsBound(*FIni, Kinds->Count);
    Kinds->FileTypes.reserve(static_cast<size_t>(Kinds->Bound));
    std::unordered_set<std::string> Seen;
    for (int N = 1; N <= Kinds->Bound; ++N) {
      Kinds->FileTypes.push_back(FIni->ReadString(DynamicSection, "FileType" + IntToStr(N), ""));
      const std::string& Class = Kinds->FileTypes.back();
      if (!Class.empty() && Seen.insert(Class).second) Kinds->Classes.push_back(Class);
    }
    FKinds = std::move(Kinds);
  }
  return *FKinds;
}

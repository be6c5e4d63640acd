// Benchmark of TCorvIniFile against the profile API (GetPrivateProfileStringA/WritePrivateProfileStringA)
// on generated INI files of 1,000 to 100,000 keys in two shapes. Prints a table and the goal checks;
// always exits with 0 (a report, not a test).
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <set>
#include <unordered_map>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "classlib/core/SysUtils.h"
#include "model/CorvIniFile.h"

namespace {

constexpr double ProfileBudget = 20.0;        // seconds for one profile-API measurement
constexpr double ProfileTotalBudget = 150.0;  // seconds for all of them together
constexpr int RandomReads = 100000;
constexpr int Writes = 1000;
constexpr int EngineRepeats = 3;              // engine figures are the best of this many runs
double ProfileSpent = 0;

// ---- files ---------------------------------------------------------------------------------

struct Key {
  std::string Section, Ident, Value;
};

enum class Shape { Sections, OneSection };

const char* ShapeName(Shape S) { return S == Shape::Sections ? "A" : "B"; }

std::string Folder;

bool WriteBytes(const std::string& Name, const std::string& Bytes) {
  HANDLE H = CreateFileA(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) return false;
  DWORD Put = 0;
  bool Ok = WriteFile(H, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Put, nullptr) && Put == Bytes.size();
  CloseHandle(H);
  return Ok;
}

// Builds the text and the list of keys. A: sections of 20 keys; B: one section of N keys.
std::string MakeText(Shape S, int N, std::vector<Key>& Keys) {
  std::string T;
  char Line[200];
  Keys.clear();
  Keys.reserve(N);
  T += "; generated for the benchmark\r\n";
  if (S == Shape::OneSection) T += "[Dynamic Items]\r\n";
  for (int I = 0; I < N; ++I) {
    Key K;
    if (S == Shape::Sections) {
      if (I % 20 == 0) {
        std::snprintf(Line, sizeof Line, "%s[Menu%06d]\r\n", I ? "\r\n" : "", I / 20);
        T += Line;
      }
      std::snprintf(Line, sizeof Line, "Menu%06d", I / 20);
      K.Section = Line;
      std::snprintf(Line, sizeof Line, "Item%02d", I % 20);
      K.Ident = Line;
    } else {
      K.Section = "Dynamic Items";
      std::snprintf(Line, sizeof Line, "Item%06d", I);
      K.Ident = Line;
    }
    std::snprintf(Line, sizeof Line, "Caption %d|C:\\Program Files\\Tool\\tool%d.exe|%d", I, I % 97, I % 7);
    K.Value = Line;
    T += K.Ident + "=" + K.Value + "\r\n";
    Keys.push_back(K);
  }
  return T;
}

uint32_t RandomState = 12345;
uint32_t NextRandom() {
  RandomState ^= RandomState << 13;
  RandomState ^= RandomState >> 17;
  RandomState ^= RandomState << 5;
  return RandomState;
}

std::vector<int> RandomIndexes(int Count, int N) {
  std::vector<int> R(Count);
  for (int& I : R) I = static_cast<int>(NextRandom() % static_cast<uint32_t>(N));
  return R;
}

// ---- results -------------------------------------------------------------------------------

struct Figure {
  double Engine = -1;             // seconds
  double Profile = -1;            // seconds; -1 when skipped
  double ProfileEstimate = -1;    // seconds, from a sample
  double Per = 1;                 // what "per key" divides by
  bool Failed = false;            // a wrong value was read
};

struct Row {
  Shape S;
  int N;
  const char* Op;
  Figure F;
};

std::vector<Row> Rows;
std::string Text;         // the current file's text
std::vector<Key> Keys;    // the current file's keys
std::string Master;       // the current file, never changed
int FileSerial = 0;

std::vector<std::string> HashNotes;

// How well the name hash separates the file's sections and the keys of its largest section: every
// name that shares a hash with the one looked up costs a locale comparison.
void NoteHashSpread(Shape S, int N) {
  std::set<std::string> Sections;
  std::set<uint32_t> SectionHashes, KeyHashes;
  int KeysInFirst = 0;
  for (const Key& K : Keys) {
    if (Sections.insert(K.Section).second) SectionHashes.insert(IniNameHash(AnsiUpperCase(K.Section)));
    if (K.Section == Keys[0].Section) {
      ++KeysInFirst;
      KeyHashes.insert(IniNameHash(AnsiUpperCase(K.Ident)));
    }
  }
  char B[200];
  std::snprintf(B, sizeof B, "  %s %7d: %zu sections, %zu distinct hashes; %d keys a section, %zu distinct hashes",
                ShapeName(S), N, Sections.size(), SectionHashes.size(), KeysInFirst, KeyHashes.size());
  HashNotes.push_back(B);
}

std::string FreshCopy() {
  std::string Name = Folder + "copy" + std::to_string(++FileSerial) + ".ini";
  if (!WriteBytes(Name, Text)) std::printf("  cannot write %s\n", Name.c_str());
  return Name;
}

bool ProfileAllowed(double Estimate, Figure& F) {
  F.ProfileEstimate = Estimate;
  return Estimate <= ProfileBudget && ProfileSpent + Estimate <= ProfileTotalBudget;
}

std::string ProfileRead(const Key& K, const std::string& File) {
  char Buf[512];
  DWORD N = GetPrivateProfileStringA(K.Section.c_str(), K.Ident.c_str(), "", Buf, sizeof Buf, File.c_str());
  return std::string(Buf, N);
}

// (a) load plus one read of every key.
Figure MeasureLoadAndReadAll() {
  Figure F;
  F.Per = static_cast<double>(Keys.size());
  for (int R = 0; R < EngineRepeats; ++R) {
    double T0 = Now();
    auto Ini = std::make_unique<TCorvIniFile>(Master);
    size_t Wrong = 0;
    for (const Key& K : Keys)
      if (Ini->ReadString(K.Section, K.Ident, "") != K.Value) ++Wrong;
    double T = Now() - T0;
    Ini.reset();
    if (Wrong) F.Failed = true;
    if (F.Engine < 0 || T < F.Engine) F.Engine = T;
  }

  // Profile API: a cold load and a random sample give the estimate.
  std::string Sample = FreshCopy();
  double T0 = Now();
  ProfileRead(Keys[0], Sample);
  double Load = Now() - T0;
  std::vector<int> Idx = RandomIndexes(2000, static_cast<int>(Keys.size()));
  int Done = 0;
  T0 = Now();
  while (Done < static_cast<int>(Idx.size()) && Now() - T0 < 0.5) ProfileRead(Keys[Idx[Done++]], Sample);
  double PerCall = (Now() - T0) / Done;
  ProfileSpent += Load + PerCall * Done;
  if (!ProfileAllowed(Load + PerCall * static_cast<double>(Keys.size()), F)) return F;
  std::string Cold = FreshCopy();
  T0 = Now();
  size_t Wrong = 0;
  for (const Key& K : Keys)
    if (ProfileRead(K, Cold) != K.Value) ++Wrong;
  F.Profile = Now() - T0;
  ProfileSpent += F.Profile;
  if (Wrong) F.Failed = true;
  return F;
}

// (b) random reads of a loaded file. Baseline: the same reads from a plain hash map of the values,
// which shows what the memory hierarchy alone adds at the larger sizes.
Figure MeasureRandomReads(Figure& Baseline) {
  Figure F;
  F.Per = RandomReads;
  Baseline.Per = RandomReads;
  std::vector<int> Idx = RandomIndexes(RandomReads, static_cast<int>(Keys.size()));
  // The keys in the order of reading, so that the loop itself walks memory in order.
  std::vector<Key> Sequence;
  Sequence.reserve(Idx.size());
  for (int I : Idx) Sequence.push_back(Keys[I]);
  {
    std::unordered_map<std::string, std::string> Map;
    for (const Key& K : Keys) Map.emplace(K.Section + '\x01' + K.Ident, K.Value);
    std::vector<std::string> Names;
    for (const Key& K : Sequence) Names.push_back(K.Section + '\x01' + K.Ident);
    for (int R = 0; R < EngineRepeats; ++R) {
      size_t Wrong = 0;
      double T0 = Now();
      for (size_t I = 0; I < Names.size(); ++I) {
        auto It = Map.find(Names[I]);
        std::string Value = It == Map.end() ? std::string() : It->second;
        if (Value != Sequence[I].Value) ++Wrong;
      }
      double T = Now() - T0;
      if (Wrong) Baseline.Failed = true;
      if (Baseline.Engine < 0 || T < Baseline.Engine) Baseline.Engine = T;
    }
  }
  for (int R = 0; R < EngineRepeats; ++R) {
    TCorvIniFile Ini(Master);
    Ini.ReadString(Keys[0].Section, Keys[0].Ident, "");   // loads
    size_t Wrong = 0;
    double T0 = Now();
    for (const Key& K : Sequence)
      if (Ini.ReadString(K.Section, K.Ident, "") != K.Value) ++Wrong;
    double T = Now() - T0;
    if (Wrong) F.Failed = true;
    if (F.Engine < 0 || T < F.Engine) F.Engine = T;
  }

  std::string File = FreshCopy();
  ProfileRead(Keys[0], File);   // loads the profile cache
  int Done = 0;
  double T0 = Now();
  while (Done < 5000 && Now() - T0 < 0.5) ProfileRead(Keys[Idx[Done++]], File);
  double PerCall = (Now() - T0) / Done;
  ProfileSpent += PerCall * Done;
  if (!ProfileAllowed(PerCall * RandomReads, F)) return F;
  size_t Wrong = 0;
  T0 = Now();
  for (const Key& K : Sequence)
    if (ProfileRead(K, File) != K.Value) ++Wrong;
  F.Profile = Now() - T0;
  ProfileSpent += F.Profile;
  if (Wrong) F.Failed = true;
  return F;
}

// (c) writes of a loaded file, then the save; the write and save parts are reported on their own too.
void MeasureWrites(Figure& Total, Figure& WritePart, Figure& SavePart, Figure& WarmWrites) {
  Total.Per = Writes;
  WritePart.Per = Writes;
  WarmWrites.Per = Writes;
  SavePart.Per = static_cast<double>(Keys.size());
  std::vector<int> Idx = RandomIndexes(Writes, static_cast<int>(Keys.size()));
  std::vector<std::string> Values;
  for (int I = 0; I < Writes; ++I) Values.push_back("Changed " + std::to_string(I));

  for (int R = 0; R < EngineRepeats; ++R) {
    std::string File = FreshCopy();
    TCorvIniFile Ini(File);
    Ini.ReadString(Keys[0].Section, Keys[0].Ident, "");   // loads
    double T0 = Now();
    for (int I = 0; I < Writes; ++I) Ini.WriteString(Keys[Idx[I]].Section, Keys[Idx[I]].Ident, Values[I]);
    double T1 = Now();
    Ini.UpdateFile();
    double T2 = Now();
    if (Total.Engine < 0 || T2 - T0 < Total.Engine) Total.Engine = T2 - T0;
    if (WritePart.Engine < 0 || T1 - T0 < WritePart.Engine) WritePart.Engine = T1 - T0;
    if (SavePart.Engine < 0 || T2 - T1 < SavePart.Engine) SavePart.Engine = T2 - T1;
    // The last write of the run is on disk now.
    if (ProfileRead(Keys[Idx[Writes - 1]], File) != Values[Writes - 1]) Total.Failed = true;
  }

  // The same writes once every key has been read: what the writes cost without the first parse of
  // the lines their lookups pass.
  for (int R = 0; R < EngineRepeats; ++R) {
    std::string File = FreshCopy();
    TCorvIniFile Ini(File);
    for (const Key& K : Keys) Ini.ReadString(K.Section, K.Ident, "");
    double T0 = Now();
    for (int I = 0; I < Writes; ++I) Ini.WriteString(Keys[Idx[I]].Section, Keys[Idx[I]].Ident, Values[I]);
    double T = Now() - T0;
    if (WarmWrites.Engine < 0 || T < WarmWrites.Engine) WarmWrites.Engine = T;
    Ini.Clear();   // nothing to save
  }

  // Profile API: every write rewrites the file, so a few writes give the estimate.
  std::string Sample = FreshCopy();
  ProfileRead(Keys[0], Sample);
  int Done = 0;
  double T0 = Now();
  while (Done < 50 && Now() - T0 < 0.5) {
    WritePrivateProfileStringA(Keys[Idx[Done]].Section.c_str(), Keys[Idx[Done]].Ident.c_str(),
                               Values[Done].c_str(), Sample.c_str());
    ++Done;
  }
  double PerCall = (Now() - T0) / Done;
  ProfileSpent += PerCall * Done;
  bool Allowed = ProfileAllowed(PerCall * Writes, Total);
  WritePart.ProfileEstimate = Total.ProfileEstimate;
  if (!Allowed) return;
  std::string File = FreshCopy();
  ProfileRead(Keys[0], File);
  bool Ok = true;
  T0 = Now();
  for (int I = 0; I < Writes; ++I)
    Ok = WritePrivateProfileStringA(Keys[Idx[I]].Section.c_str(), Keys[Idx[I]].Ident.c_str(), Values[I].c_str(),
                                    File.c_str()) && Ok;
  double T1 = Now();
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, File.c_str());   // the flush; Wine answers FALSE
  double T2 = Now();
  TCorvIniFile Check(File);
  Ok = Check.ReadString(Keys[Idx[Writes - 1]].Section, Keys[Idx[Writes - 1]].Ident, "") == Values[Writes - 1] && Ok;
  Total.Profile = T2 - T0;
  WritePart.Profile = T1 - T0;
  SavePart.Profile = T2 - T1;
  ProfileSpent += Total.Profile;
  if (!Ok) Total.Failed = true;
}

// ---- report --------------------------------------------------------------------------------

std::string Seconds(double S) {
  char B[32];
  if (S < 0) return "-";
  std::snprintf(B, sizeof B, "%.4f s", S);
  return B;
}

void PrintRow(const Row& R) {
  char Profile[48], Ratio[32], PerKey[32];
  if (R.F.Profile >= 0) {
    std::snprintf(Profile, sizeof Profile, "%s", Seconds(R.F.Profile).c_str());
    std::snprintf(Ratio, sizeof Ratio, "%.1fx", R.F.Profile / R.F.Engine);
  } else if (R.F.ProfileEstimate >= 0) {
    std::snprintf(Profile, sizeof Profile, "skipped (budget; est. %.0f s)", R.F.ProfileEstimate);
    std::snprintf(Ratio, sizeof Ratio, "-");
  } else {
    std::snprintf(Profile, sizeof Profile, "-");
    std::snprintf(Ratio, sizeof Ratio, "-");
  }
  std::snprintf(PerKey, sizeof PerKey, "%.0f", R.F.Engine / R.F.Per * 1e9);
  std::printf("%-5s %7d  %-26s %12s %12s  %-32s %9s%s\n", ShapeName(R.S), R.N, R.Op, Seconds(R.F.Engine).c_str(),
              PerKey, Profile, Ratio, R.F.Failed ? "  WRONG VALUES READ" : "");
}

const Row* FindRow(Shape S, int N, const char* Op) {
  for (const Row& R : Rows)
    if (R.S == S && R.N == N && std::string(R.Op) == Op) return &R;
  return nullptr;
}

const char* OpLoad = "a load + read every key";
const char* OpRandom = "b 100,000 random reads";
const char* OpWrites = "c 1,000 writes + save";
const char* OpWritePart = "  c: the 1,000 writes";
const char* OpSavePart = "  c: the save";
const char* OpWarmWrites = "  c: writes, keys all read";
const char* OpBaseline = "  b: plain hash map";

void PrintGoals() {
  int Passed = 0, Failed = 0;
  auto Verdict = [&](bool Ok) {
    ++(Ok ? Passed : Failed);
    return Ok ? "PASS" : "FAIL";
  };
  std::printf("\nGoal: >= 20x faster than the profile API on (b) at 10,000 keys\n");
  for (Shape S : {Shape::Sections, Shape::OneSection}) {
    const Row* R = FindRow(S, 10000, OpRandom);
    if (!R) continue;
    bool Estimated = R->F.Profile < 0;
    double Profile = Estimated ? R->F.ProfileEstimate : R->F.Profile;
    double Ratio = Profile / R->F.Engine;
    std::printf("  %s shape %s: engine %s, profile API %s%s, ratio %.1fx\n", Verdict(Ratio >= 20), ShapeName(S),
                Seconds(R->F.Engine).c_str(), Seconds(Profile).c_str(), Estimated ? " (estimated)" : "", Ratio);
  }
  std::printf("\nGoal: time per key at 100,000 within 1.5x of that at 1,000\n");
  for (Shape S : {Shape::Sections, Shape::OneSection}) {
    for (const char* Op : {OpLoad, OpRandom, OpWarmWrites, OpSavePart}) {
      const Row* Small = FindRow(S, 1000, Op);
      const Row* Large = FindRow(S, 100000, Op);
      if (!Small || !Large) continue;
      double A = Small->F.Engine / Small->F.Per * 1e9, B = Large->F.Engine / Large->F.Per * 1e9;
      std::string Name = Op;
      Name.erase(0, Name.find_first_not_of(' '));
      const char* Unit = Op == OpRandom ? "per read" : Op == OpWarmWrites ? "per write" : "per key";
      std::printf("  %s shape %s, %-24s %s: %.0f ns at 1,000, %.0f ns at 100,000 (%.2fx)\n", Verdict(B <= 1.5 * A),
                  ShapeName(S), Name.c_str(), Unit, A, B, B / A);
    }
    const Row* Small = FindRow(S, 1000, OpBaseline);
    const Row* Large = FindRow(S, 100000, OpBaseline);
    if (Small && Large) {
      double A = Small->F.Engine / Small->F.Per * 1e9, B = Large->F.Engine / Large->F.Per * 1e9;
      std::printf("  (not a goal) shape %s, the same reads from a plain hash map: %.0f ns at 1,000, %.0f ns at "
                  "100,000 (%.2fx)\n",
                  ShapeName(S), A, B, B / A);
    }
  }
  bool Wrong = false;
  for (const Row& R : Rows) Wrong = Wrong || R.F.Failed;
  std::printf("\nValues read back: %s\n", Wrong ? "WRONG in some rows (see the table)" : "all correct");
  std::printf("Goal checks: %d passed, %d failed\n", Passed, Failed);
}

void Run() {
  double Start = Now();
  std::printf("INI engine benchmark: TCorvIniFile against GetPrivateProfileStringA/WritePrivateProfileStringA\n");
  std::printf("Shapes: A = sections of 20 keys, B = one section \"Dynamic Items\" holding all keys.\n");
  std::printf("Engine figures are the best of %d runs; profile-API measurements estimated above %.0f s "
              "(or beyond %.0f s in all) are skipped.\n",
              EngineRepeats, ProfileBudget, ProfileTotalBudget);
  std::printf("Per key: (a) time / keys, (b) time / reads, (c) time / writes, save time / keys.\n");
  std::printf("(c) starts from a freshly loaded file, so its writes include the first parse of the lines their\n"
              "lookups pass; \"writes, keys all read\" repeats them after every key was read once.\n\n");
  std::printf("%-5s %7s  %-26s %12s %12s  %-32s %9s\n", "shape", "keys", "operation", "engine", "ns per key",
              "profile API", "ratio");
  std::fflush(stdout);
  for (Shape S : {Shape::Sections, Shape::OneSection}) {
    for (int N : {1000, 10000, 100000}) {
      Text = MakeText(S, N, Keys);
      Master = Folder + "master_" + ShapeName(S) + std::to_string(N) + ".ini";
      if (!WriteBytes(Master, Text)) {
        std::printf("cannot write %s\n", Master.c_str());
        continue;
      }
      NoteHashSpread(S, N);
      Rows.push_back({S, N, OpLoad, MeasureLoadAndReadAll()});
      PrintRow(Rows.back());
      std::fflush(stdout);
      Figure Baseline;
      Rows.push_back({S, N, OpRandom, MeasureRandomReads(Baseline)});
      PrintRow(Rows.back());
      Rows.push_back({S, N, OpBaseline, Baseline});
      PrintRow(Rows.back());
      std::fflush(stdout);
      Figure Total, WritePart, SavePart, WarmWrites;
      MeasureWrites(Total, WritePart, SavePart, WarmWrites);
      Rows.push_back({S, N, OpWrites, Total});
      PrintRow(Rows.back());
      Rows.push_back({S, N, OpWritePart, WritePart});
      PrintRow(Rows.back());
      Rows.push_back({S, N, OpSavePart, SavePart});
      PrintRow(Rows.back());
      Rows.push_back({S, N, OpWarmWrites, WarmWrites});
      PrintRow(Rows.back());
      std::fflush(stdout);
    }
  }
  std::printf("\nName hashes (names sharing a hash are told apart by the locale comparison):\n");
  for (const std::string& Note : HashNotes) std::printf("%s\n", Note.c_str());
  PrintGoals();
  std::printf("Total time %.1f s (profile API %.1f s)\n", Now() - Start, ProfileSpent);
}

}  // namespace

int main() {
  Folder = MakeFolder("CorvIniBench");
  if (Folder.empty()) {
    std::printf("ini_bench: cannot create a temporary folder\n");
    return 0;
  }
  try {
    Run();
  } catch (const std::exception& E) {
    std::printf("ini_bench: stopped by an exception: %s\n", E.what());
  } catch (...) {
    std::printf("ini_bench: stopped by an unknown exception\n");
  }
  std::fflush(stdout);
  RemoveFolder(Folder);
  return 0;
}

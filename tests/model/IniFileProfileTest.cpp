// TIniFile against the profile API on the same files: seeded random files and reads, each answered
// by TIniFile and by GetPrivateProfileStringA / GetPrivateProfileSectionNamesA /
// GetPrivateProfileSectionA, then random writes through TIniFile and the same reads again.
//
// Reproduce a failure with CORVANE_PROFILE_SEED=<seed> and, for one case only, CORVANE_PROFILE_CASE=<case>.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "classlib/core/Classes.h"
#include "classlib/core/IniFiles.h"
#include "tests/model/IniTestFiles.h"
#include "tests/support/Seeds.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The profile API's answers, whole

// Calls Get(Buffer, Size) with a buffer that grows while the answer fills it (Slack: the
// characters the API keeps back when it cuts an answer); the answer stays in the buffer.
template <class TGet>
const std::vector<char>& Answer(DWORD Slack, TGet Get) {
  static std::vector<char> Buffer(16384);
  for (;;) {
    Buffer[0] = Buffer[1] = '\0';
    const DWORD Size = static_cast<DWORD>(Buffer.size());
    if (Get(Buffer.data(), Size) + Slack < Size) return Buffer;
    Buffer.resize(Buffer.size() * 4);
  }
}

std::string ProfileString(const std::string& File, const std::string& Section, const std::string& Ident,
                          const std::string& Default) {
  DWORD Len = 0;
  const std::vector<char>& Buffer = Answer(1, [&](char* Buf, DWORD Size) {
    return Len = GetPrivateProfileStringA(Section.c_str(), Ident.c_str(), Default.c_str(), Buf, Size, File.c_str());
  });
  return std::string(Buffer.data(), Len);
}

// A NUL-separated list as the class library reads one: up to its first empty string.
std::vector<std::string> NullList(const std::vector<char>& Buffer) {
  std::vector<std::string> Result;
  for (const char* P = Buffer.data(); *P != '\0'; P += Result.back().size() + 1) Result.emplace_back(P);
  return Result;
}

std::vector<std::string> ProfileKeyNames(const std::string& File, const std::string& Section) {
  return NullList(Answer(2, [&](char* Buf, DWORD Size) {
    return GetPrivateProfileStringA(Section.c_str(), nullptr, nullptr, Buf, Size, File.c_str());
  }));
}

std::vector<std::string> ProfileSectionNames(const std::string& File) {
  return NullList(Answer(2, [&](char* Buf, DWORD Size) { return GetPrivateProfileSectionNamesA(Buf, Size, File.c_str()); }));
}

// "name=value" of every key line of the section, the value as the profile API reads the name,
// from the section's lines as GetPrivateProfileSectionA gives them: those with "=" up to the
// first empty name (where a list of the names ends).
std::vector<std::string> ProfileSectionValues(const std::string& File, const std::string& Section) {
  const std::vector<std::string> Entries = NullList(Answer(2, [&](char* Buf, DWORD Size) {
    return GetPrivateProfileSectionA(Section.c_str(), Buf, Size, File.c_str());
  }));
  std::vector<std::string> Result;
  for (const std::string& Line : Entries) {
    const size_t Eq = Line.find('=');
    if (Eq == std::string::npos) continue;
    if (Eq == 0) break;
    const std::string Name = Line.substr(0, Eq);
    Result.push_back(Name + "=" + ProfileString(File, Section, Name, ""));
  }
  return Result;
}

std::vector<std::string> Lines(const TStrings& Strings) {
  std::vector<std::string> Result;
  for (int I = 0; I < Strings.Count(); ++I) Result.push_back(Strings[I]);
  return Result;
}

std::string Shown(const std::string& S) {
  std::string R = "\"";
  for (unsigned char C : S) {
    if (C >= 32 && C < 127 && C != '\\' && C != '"') {
      R += static_cast<char>(C);
    } else {
      char Hex[8];
      std::snprintf(Hex, sizeof(Hex), "\\x%02X", C);
      R += Hex;
    }
  }
  return R + "\"";
}

std::string Shown(const std::vector<std::string>& V) {
  std::string R = "{";
  for (size_t I = 0; I < V.size(); ++I) R += (I ? ", " : "") + (V[I].size() > 80 ? Shown(V[I].substr(0, 80)) + "..." : Shown(V[I]));
  return R + "}";
}

// ---------------------------------------------------------------------------------------------
// Random files

class TRandom {
public:
  explicit TRandom(uint64_t Seed) : FEngine(static_cast<std::mt19937::result_type>(Seed ^ (Seed >> 32))) {}
  int Below(int N) { return static_cast<int>(FEngine() % static_cast<unsigned>(N)); }
  bool Chance(int Percent) { return Below(100) < Percent; }
  template <class T>
  const T& Pick(const std::vector<T>& V) { return V[static_cast<size_t>(Below(static_cast<int>(V.size())))]; }

private:
  std::mt19937 FEngine;
};

const std::vector<std::string> SectionNames = {"A", "a", "Dynamic Items", "dynamic items", "B", "\xC4pfel",
                                               "\xE4pfel", "x;y", "Two  Words", "\xFF\x81"};
const std::vector<std::string> KeyNames = {"x", "X", "Caption1", "caption1", "key one", "\xE4", "\xC4", ";c",
                                           "#h", "k\x1A", "[k]", "Count", "y"};
const std::vector<std::string> Values = {"1", "a b", "\"q\"", "'q'", "\"", "'", "a;b", "; c", "\"a;b\"", "'a;b'",
                                         "\"%1\"", "\"a'", "x\x1A", "\xE9t\xE9", "\x80\x81\x8D\x9D\xA0\xFF", "",
                                         "=", "a=b", "[v]", "\"\"", "''"};
const std::vector<std::string> Blanks = {"", "", " ", "\t", "  \t", "\x1A", "\v", "\f", "\xA0"};
const std::vector<std::string> LineEnds = {"\r\n", "\r\n", "\n", "\r", "\n\r", "\r\r\n"};

std::string Blank(TRandom& R) { return R.Pick(Blanks); }

std::string RandomValue(TRandom& R) {
  if (R.Chance(5)) return std::string(static_cast<size_t>(2000 + R.Below(8000)), static_cast<char>('a' + R.Below(26)));
  std::string V = R.Pick(Values);
  if (R.Chance(20)) V += R.Pick(Values);
  if (R.Chance(10)) V = static_cast<char>(0x80 + R.Below(128)) + V;
  return V;
}

std::string RandomName(TRandom& R, const std::vector<std::string>& Names) {
  std::string N = R.Pick(Names);
  if (R.Chance(10)) N += static_cast<char>(0x80 + R.Below(128));
  return N;
}

std::string RandomLine(TRandom& R) {
  const std::string S = RandomName(R, SectionNames);
  switch (R.Below(16)) {
    case 0: return "[" + S + "]";
    case 1: return Blank(R) + "[" + Blank(R) + S + Blank(R) + "]" + Blank(R);
    case 2: return "[" + S + "]junk";
    case 3: return "[" + S;
    case 4: return "[]";
    case 5: return "[" + S + "]]";
    case 6: return "";
    case 7: return Blank(R);
    case 8: return ";" + RandomName(R, KeyNames) + "=" + RandomValue(R);
    case 9: return Blank(R) + RandomName(R, KeyNames) + Blank(R);
    default: return Blank(R) + RandomName(R, KeyNames) + Blank(R) + "=" + Blank(R) + RandomValue(R) + Blank(R);
  }
}

std::string RandomText(TRandom& R) {
  std::string Text;
  const int Count = R.Below(40);
  const std::string End = R.Chance(70) ? "\r\n" : "";
  for (int I = 0; I < Count; ++I) Text += RandomLine(R) + (End.empty() ? R.Pick(LineEnds) : End);
  if (R.Chance(20) && !Text.empty()) Text.resize(Text.size() - 1);  // no line end after the last line
  return Text;
}

// The text as UTF-16 with its byte-order mark (the text's bytes taken as Latin-1).
std::string Utf16(const std::string& Text) {
  std::string Result = "\xFF\xFE";
  for (char C : Text) {
    Result += C;
    Result += '\0';
  }
  return Result;
}

// ---------------------------------------------------------------------------------------------
// One case

class TCase {
public:
  TCase(uint64_t Seed, const std::string& File) : R(Seed), FFile(File) {}

  std::string Failure;  // empty while the case passes
  int Reads = 0;

  void Run() {
    const int Form = R.Below(100);
    std::string Text = RandomText(R);
    if (Form < 5) {
      DeleteFileA(FFile.c_str());
    } else {
      if (Form < 10) Text = Utf16(Text);
      else if (Form < 13) Text = "\xEF\xBB\xBF" + Text;
      if (!WriteBytes(FFile, Text)) return Fail("cannot write the file");
    }
    TIniFile Ini(FFile);
    Compare(Ini, "as written");
    for (int W = 0, Writes = 1 + R.Below(6); W < Writes && Failure.empty(); ++W) {
      const std::string S = RandomName(R, SectionNames), K = RandomName(R, KeyNames);
      std::string Step;
      switch (R.Below(10)) {
        case 0:
          Step = "EraseSection(" + Shown(S) + ")";
          Ini.EraseSection(S);
          break;
        case 1:
          Step = "DeleteKey(" + Shown(S) + ", " + Shown(K) + ")";
          Ini.DeleteKey(S, K);
          break;
        default: {
          const std::string V = RandomValue(R);
          Step = "WriteString(" + Shown(S) + ", " + Shown(K) + ", " + Shown(V) + ")";
          Ini.WriteString(S, K, V);
          break;
        }
      }
      Compare(Ini, "after " + Step);
    }
  }

private:
  void Fail(const std::string& Message) {
    if (!Failure.empty()) return;
    std::string File = Shown(FileBytesOr(FFile, "<missing>"));
    if (File.size() > 2000) File = File.substr(0, 2000) + "...";
    Failure = Message + "\n  file: " + File;
  }

  void Expect(const std::vector<std::string>& Got, const std::vector<std::string>& Expected, const std::string& What) {
    if (Got != Expected) Fail(What + " " + Shown(Got) + ", profile API " + Shown(Expected));
  }

  void Compare(TIniFile& Ini, const std::string& When) {
    TStringList List;
    Ini.ReadSections(List);
    Expect(Lines(List), ProfileSectionNames(FFile), When + ": ReadSections");
    for (int I = 0, Count = 10 + R.Below(30); I < Count && Failure.empty(); ++I) {
      std::string S = RandomName(R, SectionNames), K = RandomName(R, KeyNames);
      if (R.Chance(15)) S = Blank(R) + S + Blank(R);
      if (R.Chance(15)) K = Blank(R) + K + Blank(R);
      if (R.Chance(3)) S = "";
      if (R.Chance(3)) K = "";
      ++Reads;
      switch (R.Below(8)) {
        case 0:
          Ini.ReadSection(S, List);
          Expect(Lines(List), ProfileKeyNames(FFile, S), When + ": ReadSection(" + Shown(S) + ")");
          break;
        case 1:
          Ini.ReadSectionValues(S, List);
          Expect(Lines(List), ProfileSectionValues(FFile, S), When + ": ReadSectionValues(" + Shown(S) + ")");
          break;
        default: {
          static const std::vector<std::string> Defaults = {"", "", "d", "d  ", " ", "\"q\"", "'q' ", "\xE9"};
          const std::string D = R.Pick(Defaults);
          const std::string Got = Ini.ReadString(S, K, D), Expected = ProfileString(FFile, S, K, D);
          if (Got != Expected)
            Fail(When + ": ReadString(" + Shown(S) + ", " + Shown(K) + ", " + Shown(D) + ") " + Shown(Got) +
                 ", profile API " + Shown(Expected));
          break;
        }
      }
    }
  }

  TRandom R;
  std::string FFile;
};

TEST(IniFileProfileTest, RandomFilesReadAsTheProfileApiReadsThem) {
  const uint32_t Seed = SeedFromEnvironment("CORVANE_PROFILE_SEED", 20260110u);
  const char* OnlyCase = std::getenv("CORVANE_PROFILE_CASE");
  const int MaxCases = 200, MaxFailures = 5;
  const auto Limit = std::chrono::seconds(12);
  std::printf("IniFileProfileTest: seed %u (set CORVANE_PROFILE_SEED to change)\n", Seed);
  RecordProperty("seed", static_cast<int>(Seed));
  TScratchDir Dir;
  ASSERT_TRUE(Dir.Valid());
  const auto Start = std::chrono::steady_clock::now();
  int Cases = 0, Failures = 0, Reads = 0;
  for (int C = 0; C < MaxCases && Failures < MaxFailures; ++C) {
    if (OnlyCase && *OnlyCase && C != std::atoi(OnlyCase)) continue;
    if (std::chrono::steady_clock::now() - Start > Limit) break;
    TCase Case(static_cast<uint64_t>(Seed) * 1000003u + static_cast<uint64_t>(C), Dir.File("case" + std::to_string(C) + ".ini"));
    Case.Run();
    ++Cases;
    Reads += Case.Reads;
    if (!Case.Failure.empty()) {
      ++Failures;
      ADD_FAILURE() << "case " << C << ": " << Case.Failure;
    }
  }
  std::printf("IniFileProfileTest: %d cases, %d reads compared, %d failed\n", Cases, Reads, Failures);
  EXPECT_GE(Cases, 10);
}

}  // namespace

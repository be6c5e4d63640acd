// Seeded random-input test of TCorvIniFile: random INI texts go through random reads, writes and a
// save, and every result and the written file are compared with a small, slow reference model of
// the engine's rules kept here (a vector of lines, no indexes).
//
// Reproduce a failure with CORVANE_INI_SEED=<seed> and, for one case only, CORVANE_INI_CASE=<case>.
#include "tests/support/Files.h"
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "classlib/core/Classes.h"
#include "classlib/core/SysUtils.h"
#include "model/CorvIniFile.h"
#include "tests/support/Seeds.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Reference model
// ---------------------------------------------------------------------------------------------

bool IsParseBlank(unsigned char C) { return C >= 1 && C <= 32; }   // blanks when a line is parsed
bool IsTrimBlank(unsigned char C) { return C <= 32; }               // blanks of Trim

template <class Pred>
std::string TrimBy(const std::string& S, Pred IsBlank) {
  size_t B = 0, E = S.size();
  while (B < E && IsBlank(static_cast<unsigned char>(S[B]))) ++B;
  while (E > B && IsBlank(static_cast<unsigned char>(S[E - 1]))) --E;
  return S.substr(B, E - B);
}

std::string RefTrim(const std::string& S) { return TrimBy(S, IsTrimBlank); }

std::string RefUpper(const std::string& S) {
  std::string R = S;
  if (!R.empty()) CharUpperBuffA(R.data(), static_cast<DWORD>(R.size()));
  return R;
}

int RefCompareNames(const std::string& A, const std::string& B) {
  return CompareStringA(GetThreadLocale(), NORM_IGNORECASE, A.data(), static_cast<int>(A.size()),
                        B.data(), static_cast<int>(B.size())) - 2;
}

uint32_t RefHash(const std::string& Name) {
  uint32_t H = 0;
  for (unsigned char C : RefUpper(Name)) H = ((H << 2) | (H >> 30)) ^ C;
  return H;
}

// Position of the first ';' outside double quotes, or npos.
size_t RefCommentPos(const std::string& V) {
  bool Inside = false;
  for (size_t I = 0; I < V.size(); ++I) {
    if (V[I] == '"') Inside = !Inside;
    else if (V[I] == ';' && !Inside) return I;
  }
  return std::string::npos;
}

struct RefLine {
  int Kind = 1;   // 0 header, 1 unparsed, 2 key, 3 no '=', 4 comment, 5 empty
  uint32_t Hash = 0;
  std::string Text, Value;
};

struct RefSection {
  std::string Name;
  uint32_t Hash = 0;
  int BodyStart = 0;
  int Id = 0;
};

// The file as the model believes it is on disk.
struct RefDisk {
  bool Exists = false;
  std::string Bytes;
  int Writes = 0;
};

class RefIni {
public:
  explicit RefIni(RefDisk& Disk) : Disk_(Disk) {}

  bool Modified = false;

  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
    EnsureLoaded();
    int K = FindKey(Section, Ident, false);
    if (K < 0) return Default;
    std::string V = Lines_[K].Value;
    size_t P = RefCommentPos(V);
    if (P != std::string::npos) V = RefTrim(V.substr(0, P));
    if (V.size() >= 2 && (V[0] == '"' || V[0] == '\'') && V.back() == V[0]) V = V.substr(1, V.size() - 2);
    return V;
  }

  int ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    std::string S = ReadString(Section, Ident, "");
    if (S.size() > 2 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) S = "$" + S.substr(2);
    return StrToIntDef(S, Default);
  }

  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    EnsureLoaded();
    if (Ident.empty()) {
      if (!Value.empty()) return;
      if (!Section.empty()) EraseSection(Section);
      else Flush();
      return;
    }
    int K = FindKey(Section, Ident, true);
    std::string NewValue = Value;
    if (RefCommentPos(Value) != std::string::npos)
      NewValue = "\"" + Value + "\"";
    else if (Value.size() >= 2 && (Value[0] == '"' || Value[0] == '\'') && Value.back() == Value[0])
      NewValue = "'" + Value + "'";
    std::string& Stored = Lines_[K].Value;
    size_t P = RefCommentPos(Stored);
    std::string Old = Stored, Comment;
    if (P != std::string::npos) {
      Comment = Stored.substr(P);
      Old = RefTrim(Stored.substr(0, P));
    }
    if (Old == NewValue) return;
    if (P == std::string::npos) Stored = NewValue;
    else if (NewValue.size() < P) Stored = NewValue + std::string(P - NewValue.size(), ' ') + Comment;
    else Stored = NewValue + " " + Comment;
    Modified = true;
  }

  void WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    WriteString(Section, Ident, std::to_string(Value));
  }

  std::vector<std::string> ReadSection(const std::string& Section) {
    EnsureLoaded();
    std::vector<std::string> R;
    int B = FindSection(Section, false);
    if (B < 0) return R;
    for (int I = B; I < Count() && Lines_[I].Kind != 0; ++I) {
      Parse(I);
      if (Lines_[I].Kind == 2) R.push_back(Lines_[I].Text);
    }
    return R;
  }

  std::vector<std::string> ReadSections() {
    EnsureLoaded();
    std::vector<std::string> R;
    for (int I = 0; I < Count(); ++I) {
      Parse(I);
      if (Lines_[I].Kind == 0) R.push_back(Lines_[I].Text.substr(1, Lines_[I].Text.size() - 2));
    }
    return R;
  }

  std::vector<std::string> ReadSectionValues(const std::string& Section) {
    std::vector<std::string> R;
    for (const std::string& Name : ReadSection(Section)) R.push_back(Name + "=" + ReadString(Section, Name, ""));
    return R;
  }

  void EraseSection(const std::string& Section) {
    EnsureLoaded();
    Modified = true;
    int B = FindSection(Section, false);
    if (B < 0) return;
    int Header = B - 1, Last = Header, Counter = 0;
    for (int I = B; I < Count() && Lines_[I].Kind != 0; ++I) {
      int Kind = Lines_[I].Kind;
      if (Kind == 1 || Kind == 2 || Kind == 3) {
        Last = I;
        Counter = 0;
      } else if (Kind == 4) {
        Counter = -1;
      } else if (Kind == 5) {
        if (++Counter > 0) Last = I;
      }
    }
    int Removed = Last - Header + 1;
    Lines_.erase(Lines_.begin() + Header, Lines_.begin() + Last + 1);
    for (size_t S = 0; S < Sections_.size(); ++S) {
      if (Sections_[S].BodyStart == B) {
        if (LastSection_ == Sections_[S].Id) LastSection_ = -1;
        Sections_.erase(Sections_.begin() + S);
        break;
      }
    }
    for (RefSection& S : Sections_)
      if (S.BodyStart > Header) S.BodyStart -= Removed;
  }

  void DeleteKey(const std::string& Section, const std::string& Ident) {
    EnsureLoaded();
    int K = FindKey(Section, Ident, false);
    if (K < 0) return;
    Lines_.erase(Lines_.begin() + K);
    for (RefSection& S : Sections_)
      if (S.BodyStart > K) S.BodyStart -= 1;
    Modified = true;
  }

  void Flush() {
    if (!Modified) return;
    Disk_.Exists = true;
    Disk_.Bytes = Text();
    ++Disk_.Writes;
    Modified = false;
  }

  void Clear() {
    Lines_.clear();
    Sections_.clear();
    LastSection_ = -1;
    Loaded_ = false;
    Modified = false;
  }

  std::string Text() const {
    std::string R;
    for (const RefLine& L : Lines_) {
      std::string Line = L.Kind == 2 ? L.Text + "=" + L.Value : L.Text;
      // A parsed line that would load as a header or a comment keeps one leading blank.
      if ((L.Kind == 2 || L.Kind == 3) && !Line.empty() &&
          (Line[0] == ';' || (Line[0] == '[' && Line.back() == ']')))
        Line = " " + Line;
      R += Line;
      R += "\r\n";
    }
    return R;
  }

private:
  RefDisk& Disk_;
  std::vector<RefLine> Lines_;
  std::vector<RefSection> Sections_;   // in order of registration; a bucket chain starts at the newest
  int LastSection_ = -1;               // Id of the entry found last
  int NextId_ = 0;
  bool Loaded_ = false;

  int Count() const { return static_cast<int>(Lines_.size()); }

  void EnsureLoaded() {
    if (Loaded_) return;
    Clear();
    if (Disk_.Exists) Split(Disk_.Bytes);
    Loaded_ = true;
  }

  void Split(const std::string& T) {
    size_t P = 0;
    while (P < T.size()) {
      size_t E = P;
      while (E < T.size() && T[E] != '\r' && T[E] != '\n') ++E;
      AppendLine(T.substr(P, E - P));
      P = E;
      if (P < T.size() && T[P] == '\r') ++P;
      if (P < T.size() && T[P] == '\n') ++P;
    }
  }

  void AppendLine(const std::string& Text) {
    RefLine L;
    L.Text = Text;
    if (Text.empty()) L.Kind = 5;
    else if (Text[0] == ';') L.Kind = 4;
    else if (Text[0] == '[' && Text.size() >= 2 && Text.back() == ']') L.Kind = 0;
    else L.Kind = 1;
    Lines_.push_back(L);
    if (L.Kind == 0) {
      RefSection S;
      S.Name = Text.substr(1, Text.size() - 2);
      S.Hash = RefHash(S.Name);
      S.BodyStart = Count();
      S.Id = NextId_++;
      Sections_.push_back(S);
    }
  }

  void Parse(int I) {
    RefLine& L = Lines_[I];
    if (L.Kind != 1) return;
    size_t Eq = L.Text.find('=');
    if (Eq == std::string::npos) {
      L.Kind = 3;
      size_t B = 0;
      while (B < L.Text.size() && IsParseBlank(static_cast<unsigned char>(L.Text[B]))) ++B;
      if (B < L.Text.size()) L.Text = L.Text.substr(B);
      return;
    }
    L.Kind = 2;
    L.Value = TrimBy(L.Text.substr(Eq + 1), IsParseBlank);
    L.Text = TrimBy(L.Text.substr(0, Eq), IsParseBlank);
    L.Hash = RefHash(L.Text);
  }

  int SectionById(int Id) const {
    for (size_t S = 0; S < Sections_.size(); ++S)
      if (Sections_[S].Id == Id) return static_cast<int>(S);
    return -1;
  }

  int FindSection(const std::string& Name, bool Create) {
    if (!Name.empty() && LastSection_ >= 0) {
      int S = SectionById(LastSection_);
      if (Sections_[S].Hash == RefHash(Name) && RefCompareNames(Sections_[S].Name, Name) == 0)
        return Sections_[S].BodyStart;
    }
    uint32_t H = RefHash(Name);
    for (int S = static_cast<int>(Sections_.size()) - 1; S >= 0; --S) {
      if (Sections_[S].Hash == H && RefCompareNames(Sections_[S].Name, Name) == 0) {
        LastSection_ = Sections_[S].Id;
        return Sections_[S].BodyStart;
      }
    }
    if (!Create) return -1;
    if (!Lines_.empty() && Lines_.back().Kind != 5) AppendLine("");
    AppendLine("[" + Name + "]");
    LastSection_ = Sections_.back().Id;
    return Sections_.back().BodyStart;
  }

  int FindKey(const std::string& Section, const std::string& Ident, bool Create) {
    int B = FindSection(Section, Create);
    if (B < 0) return -1;
    uint32_t H = RefHash(Ident);
    int I = B;
    for (; I < Count() && Lines_[I].Kind != 0; ++I) {
      Parse(I);
      const RefLine& L = Lines_[I];
      if (L.Kind == 2 && L.Hash == H && RefCompareNames(L.Text, Ident) == 0) return I;
    }
    if (!Create) return -1;
    int At = B;
    for (int J = B; J < I; ++J)
      if (Lines_[J].Kind == 2 || Lines_[J].Kind == 3) At = J + 1;
    RefLine L;
    L.Kind = 2;
    L.Text = RefTrim(Ident);
    L.Hash = RefHash(L.Text);
    Lines_.insert(Lines_.begin() + At, L);
    for (RefSection& S : Sections_)
      if (S.BodyStart > At) S.BodyStart += 1;
    return At;
  }
};

// ---------------------------------------------------------------------------------------------
// Random input
// ---------------------------------------------------------------------------------------------

class Rng {
public:
  explicit Rng(uint64_t Seed) : State_(Seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  uint32_t Next() {   // splitmix64, identical on every platform
    uint64_t Z = (State_ += 0x9E3779B97F4A7C15ull);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((Z ^ (Z >> 31)) >> 32);
  }
  int Below(int N) { return N <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint32_t>(N)); }
  bool Chance(int Percent) { return Below(100) < Percent; }
  template <class T> const T& Pick(const std::vector<T>& V) { return V[Below(static_cast<int>(V.size()))]; }

private:
  uint64_t State_;
};

std::string Escape(const std::string& S) {
  std::string R;
  for (unsigned char C : S) {
    if (C == '\\') R += "\\\\";
    else if (C == '\r') R += "\\r";
    else if (C == '\n') R += "\\n";
    else if (C == '\t') R += "\\t";
    else if (C < 32 || C >= 127) {
      char B[8];
      std::snprintf(B, sizeof B, "\\x%02X", C);
      R += B;
    } else R += static_cast<char>(C);
  }
  return R;
}

std::string Quoted(const std::string& S) { return "\"" + Escape(S) + "\""; }

// Plain names: two of them are the same name exactly when they differ in ASCII letter case only, so
// written values can be checked after a reload.
const std::vector<std::string> PlainSections = {"A", "a", "B", "Sec", "Dynamic Items", "Debug Options", "Zz"};
const std::vector<std::string> PlainIdents = {"x", "X", "key", "Key", "k1", "Count", "Item0", "value"};
// Everything else: untrimmed names, empty names, bytes over 127, a control byte, brackets.
// The locale comparison ignores "\xAD" (soft hyphen), so "A\xAD" equals "A" by the locale but hashes apart.
const std::vector<std::string> OddSections = {" A ", "", "a ", "\xE9t\xE9", "\xC9T\xC9", "A\x01", "x]y",
                                              "Missing", "[A", "\xA0", "A\xAD"};
const std::vector<std::string> OddIdents = {" k", "k ", "", "\xFC", "\xDC", "k\x01", "a b", "missing",
                                            "=", "\xFFq", "x\xAD"};

std::string RandomBlanks(Rng& R) {
  static const std::vector<std::string> B = {"", "", "", " ", "  ", "\t", " \t "};
  return R.Pick(B);
}

std::string RandomValueText(Rng& R, bool AllowLineBreaks) {
  static const std::vector<std::string> Fixed = {
      "",      "1",      "22",      "-7",    "0x1F",     "0X",     "$10",      "abc",      "ABC",   "a;b",
      "\"a;b\"", "'a;b'", "x ; y",   "\"q\"", "'q'",      "\"",     "'",        "; all",    "a\"b;c", "\"a;b\";c",
      "1   ; note", "\xE9\xC9", " pad ", "=", "a=b",     "12 ",    "\xA0",     "2147483648", "abc\xAD"};
  if (R.Chance(45)) return R.Pick(Fixed);
  static const std::string Alphabet = "abcXYZ019 ;;\"\"''==[]\t\xE9\xC9\xFC\xA0\xFF\x80\xAD";
  std::string V;
  int Len = R.Below(12);
  for (int I = 0; I < Len; ++I) {
    int K = R.Below(1000);
    if (K < 8) V += '\0';
    else if (K < 12) V += '\x01';
    else if (AllowLineBreaks && K < 16) V += (K & 1) ? '\r' : '\n';
    else V += Alphabet[R.Below(static_cast<int>(Alphabet.size()))];
  }
  return V;
}

struct CaseNames {
  std::vector<std::string> Sections, Idents;
  bool Odd = false;   // odd names in play: no reload check of written values
};

std::string RandomLine(Rng& R, CaseNames& Names) {
  int K = R.Below(100);
  if (K < 14) {   // a header
    std::string N = R.Pick(Names.Sections);
    if (R.Chance(10)) N = " " + N + " ";
    return "[" + N + "]";
  }
  if (K < 17) {   // broken headers
    static const std::vector<std::string> B = {"[", "[A", "]", "[A] ", "[[A]]", "[A]x"};
    // " [A]" is no header, but once parsed it is written back as "[A]", which is one: a file where
    // that happens reads differently after the save, so only the odd cases have it.
    if (Names.Odd && R.Chance(30)) return " [" + R.Pick(Names.Sections) + "]";
    return R.Pick(B);
  }
  if (K < 55) {   // a key line
    return RandomBlanks(R) + R.Pick(Names.Idents) + RandomBlanks(R) + "=" + RandomBlanks(R) +
           RandomValueText(R, false) + RandomBlanks(R);
  }
  if (K < 60) return "=" + RandomValueText(R, false);
  if (K < 67) {   // no '='
    static const std::vector<std::string> B = {"no equals", "  indented", " \t ", "\t", "x", "\xE9\xC9"};
    return R.Pick(B);
  }
  if (K < 77) return ";" + RandomValueText(R, false);
  if (K < 80) return " ;not a comment";
  if (K < 86) {   // NUL bytes inside and at the ends of names and values
    static const std::vector<std::string> B = {std::string("a\0b=c", 5), std::string("k=v\0; x", 7),
                                               std::string("\0", 1), std::string("\0x = 1", 7),
                                               std::string("x=1\0", 4), std::string("X= \0 v \0", 8)};
    return R.Pick(B);
  }
  return "";
}

std::string RandomFile(Rng& R, CaseNames& Names) {
  static const std::vector<std::string> Eols = {"\r\n", "\r\n", "\r\n", "\n", "\n", "\r", "\n\r"};
  int Count = R.Below(R.Chance(10) ? 120 : 30);
  bool OneEol = R.Chance(50);
  std::string Eol = R.Pick(Eols);
  std::string T;
  for (int I = 0; I < Count; ++I) {
    T += RandomLine(R, Names);
    if (I + 1 < Count || R.Chance(70)) T += OneEol ? Eol : R.Pick(Eols);
  }
  return T;
}

// ---------------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------------

std::string MakeTempFolder() {
  char Path[MAX_PATH];
  DWORD N = GetTempPathA(MAX_PATH, Path);
  std::string Base(Path, N);
  for (int I = 0; I < 1000; ++I) {
    std::string D = Base + "CorvIniRandom" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(I);
    if (CreateDirectoryA(D.c_str(), nullptr)) return D + "\\";
  }
  return "";
}

std::vector<std::string> ListFolder(const std::string& Folder) {
  std::vector<std::string> R;
  WIN32_FIND_DATAA F;
  HANDLE H = FindFirstFileA((Folder + "*").c_str(), &F);
  if (H == INVALID_HANDLE_VALUE) return R;
  do {
    std::string N = F.cFileName;
    if (N != "." && N != "..") R.push_back(N);
  } while (FindNextFileA(H, &F));
  FindClose(H);
  return R;
}

void RemoveFolder(const std::string& Folder) {
  for (const std::string& N : ListFolder(Folder)) {
    SetFileAttributesA((Folder + N).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA((Folder + N).c_str());
  }
  RemoveDirectoryA(Folder.c_str());
}

bool ReadWholeFile(const std::string& Name, std::string& Bytes) { return ReadFileBytes(Name, Bytes); }

bool WriteWholeFile(const std::string& Name, const std::string& Bytes, const FILETIME& Time) {
  HANDLE H = CreateFileA(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) return false;
  DWORD Put = 0;
  bool Ok = Bytes.empty() || (WriteFile(H, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Put, nullptr) &&
                              Put == Bytes.size());
  Ok = SetFileTime(H, nullptr, nullptr, &Time) && Ok;
  CloseHandle(H);
  return Ok;
}

bool LastWriteTime(const std::string& Name, FILETIME& Time) {
  WIN32_FILE_ATTRIBUTE_DATA D;
  if (!GetFileAttributesExA(Name.c_str(), GetFileExInfoStandard, &D)) return false;
  Time = D.ftLastWriteTime;
  return true;
}

FILETIME OldFileTime() {
  SYSTEMTIME S = {};
  S.wYear = 2001;
  S.wMonth = 2;
  S.wDay = 3;
  S.wHour = 4;
  FILETIME F;
  SystemTimeToFileTime(&S, &F);
  return F;
}

std::vector<std::string> ToVector(const TStrings& L) {
  std::vector<std::string> R;
  for (int I = 0; I < L.Count(); ++I) R.push_back(L.Get(I));
  return R;
}

std::string Join(const std::vector<std::string>& V) {
  std::string R = "{";
  for (size_t I = 0; I < V.size(); ++I) R += (I ? ", " : "") + Quoted(V[I]);
  return R + "}";
}

// ---------------------------------------------------------------------------------------------
// One case
// ---------------------------------------------------------------------------------------------

// A value that reads back as written. "" is left out: written to a new key it changes nothing, so
// the key may never reach the file.
bool IsPlainValue(const std::string& V) {
  if (V.empty() || RefTrim(V) != V || V.find('"') != std::string::npos) return false;
  for (unsigned char C : V)
    if (C < 32 || C == 127) return false;
  return !(V.size() >= 2 && V[0] == '\'' && V.back() == '\'');
}

std::string PlainKey(const std::string& Section, const std::string& Ident) {
  return UpperCase(Section) + "\x01" + UpperCase(Ident);
}

class CaseRunner {
public:
  CaseRunner(uint32_t Seed, int Case, const std::string& Folder)
      : Seed_(Seed), Case_(Case), R_(Seed * 1000003ull + static_cast<uint64_t>(Case)),
        FileName_(Folder + "case" + std::to_string(Case) + ".ini"), Folder_(Folder), Model_(Disk_) {}

  // Returns false when the case failed (the failure is reported already).
  bool Run() {
    Names_.Odd = R_.Chance(30);
    Names_.Sections = PlainSections;
    Names_.Idents = PlainIdents;
    if (Names_.Odd) {
      Names_.Sections.insert(Names_.Sections.end(), OddSections.begin(), OddSections.end());
      Names_.Idents.insert(Names_.Idents.end(), OddIdents.begin(), OddIdents.end());
    }
    const FILETIME Old = OldFileTime();
    if (!R_.Chance(8)) {
      Disk_.Exists = true;
      Disk_.Bytes = RandomFile(R_, Names_);
      if (!WriteWholeFile(FileName_, Disk_.Bytes, Old)) return Fail("cannot write the input file");
    }
    Log("file " + (Disk_.Exists ? Quoted(Disk_.Bytes) : std::string("(missing)")));

    bool OnlyReads = true;
    try {
      auto Ini = std::make_unique<TCorvIniFile>(FileName_);
      int Ops = R_.Below(R_.Chance(20) ? 80 : 25);
      for (int I = 0; I < Ops; ++I) {
        if (!Step(*Ini, OnlyReads)) return false;
      }
      Ini.reset();   // the destructor saves
      Log("destroy");
      Model_.Flush();
    } catch (const std::exception& E) {
      return Fail(std::string("unexpected exception: ") + E.what());
    } catch (...) {
      return Fail("unexpected exception of an unknown type");
    }

    // The whole file against the model.
    std::string Bytes;
    bool Exists = ReadWholeFile(FileName_, Bytes);
    if (Exists != Disk_.Exists)
      return Fail(std::string("file exists: engine ") + (Exists ? "yes" : "no") + ", model " +
                  (Disk_.Exists ? "yes" : "no"));
    if (Exists && Bytes != Disk_.Bytes)
      return Fail("written file differs\n  engine: " + Quoted(Bytes) + "\n  model:  " + Quoted(Disk_.Bytes));
    if (Exists && Disk_.Writes == 0) {
      FILETIME Now;
      if (!LastWriteTime(FileName_, Now) || CompareFileTime(&Now, &Old) != 0)
        return Fail("the file was rewritten although nothing changed");
    }
    if (OnlyReads && Disk_.Writes != 0) return Fail("the model wrote a file after reads only");

    // No temporary file is left behind.
    for (const std::string& N : ListFolder(Folder_))
      if (N != ExtractFileName(FileName_)) return Fail("stray file left in the folder: " + Quoted(N));

    if (!CheckReload()) return false;
    DeleteFileA(FileName_.c_str());
    return true;
  }

  int Reloads() const { return Reloads_; }
  bool Rewritten() const { return Disk_.Writes > 0; }

private:
  uint32_t Seed_;
  int Case_;
  Rng R_;
  std::string FileName_, Folder_;
  RefDisk Disk_;
  RefIni Model_;
  CaseNames Names_;
  std::vector<std::string> Log_;
  struct WrittenValue {
    std::string Section, Ident, Value;
  };
  std::map<std::string, WrittenValue> Written_;   // by PlainKey: the last plain value written
  int Reloads_ = 0;

  void Log(const std::string& S) { Log_.push_back(S); }

  bool Fail(const std::string& What) {
    std::ostringstream S;
    S << "seed " << Seed_ << " case " << Case_ << ": " << What << "\n  steps:";
    for (const std::string& L : Log_) S << "\n    " << L;
    ADD_FAILURE() << S.str();
    return false;
  }

  std::string PickSection() {
    if (R_.Chance(5)) return "Nowhere";
    return R_.Pick(Names_.Sections);
  }
  std::string PickIdent() {
    if (R_.Chance(5)) return "nokey";
    return R_.Pick(Names_.Idents);
  }

  void Track(const std::string& S, const std::string& I, const std::string& V) {
    auto IsPlain = [](const std::vector<std::string>& Pool, const std::string& N) {
      for (const std::string& P : Pool)
        if (P == N) return true;
      return false;
    };
    if (Names_.Odd || !IsPlain(PlainSections, S) || !IsPlain(PlainIdents, I)) return;
    if (IsPlainValue(V)) Written_[PlainKey(S, I)] = {S, I, V};
    else Written_.erase(PlainKey(S, I));
  }

  void ForgetSection(const std::string& S) {
    for (auto It = Written_.begin(); It != Written_.end();)
      It = SameText(It->second.Section, S) ? Written_.erase(It) : std::next(It);
  }

  bool Step(TCorvIniFile& Ini, bool& OnlyReads) {
    const int WritesBefore = Disk_.Writes;
    int K = R_.Below(100);
    std::string S = PickSection(), I = PickIdent();
    if (K < 30) {
      static const std::vector<std::string> Defaults = {"", "<default>", "'d;x'"};
      std::string D = R_.Pick(Defaults);
      Log("ReadString(" + Quoted(S) + ", " + Quoted(I) + ", " + Quoted(D) + ")");
      std::string E = Ini.ReadString(S, I, D), M = Model_.ReadString(S, I, D);
      if (E != M) return Fail("ReadString: engine " + Quoted(E) + ", model " + Quoted(M));
    } else if (K < 36) {
      int D = R_.Below(2000) - 1000;
      Log("ReadInteger(" + Quoted(S) + ", " + Quoted(I) + ", " + std::to_string(D) + ")");
      int E = Ini.ReadInteger(S, I, D), M = Model_.ReadInteger(S, I, D);
      if (E != M) return Fail("ReadInteger: engine " + std::to_string(E) + ", model " + std::to_string(M));
    } else if (K < 45) {
      int Which = R_.Below(3);
      TStringList L;
      L.Add("stale");
      std::vector<std::string> M;
      if (Which == 0) {
        Log("ReadSection(" + Quoted(S) + ")");
        Ini.ReadSection(S, L);
        M = Model_.ReadSection(S);
      } else if (Which == 1) {
        Log("ReadSections()");
        Ini.ReadSections(L);
        M = Model_.ReadSections();
      } else {
        Log("ReadSectionValues(" + Quoted(S) + ")");
        Ini.ReadSectionValues(S, L);
        M = Model_.ReadSectionValues(S);
      }
      std::vector<std::string> E = ToVector(L);
      if (E != M) return Fail("listing: engine " + Join(E) + ", model " + Join(M));
    } else if (K < 75) {
      std::string V = RandomValueText(R_, Names_.Odd && R_.Chance(3));   // line breaks would move keys
      if (I.empty() && R_.Chance(50)) V.clear();
      Log("WriteString(" + Quoted(S) + ", " + Quoted(I) + ", " + Quoted(V) + ")");
      OnlyReads = false;
      Ini.WriteString(S, I, V);
      Model_.WriteString(S, I, V);
      if (I.empty() && V.empty()) {
        if (!S.empty()) ForgetSection(S);
      } else if (!I.empty()) {
        Track(S, I, V);
      }
    } else if (K < 79) {
      int V = static_cast<int>(R_.Next());
      Log("WriteInteger(" + Quoted(S) + ", " + Quoted(I) + ", " + std::to_string(V) + ")");
      OnlyReads = false;
      Ini.WriteInteger(S, I, V);
      Model_.WriteInteger(S, I, V);
      Track(S, I, std::to_string(V));
    } else if (K < 87) {
      Log("DeleteKey(" + Quoted(S) + ", " + Quoted(I) + ")");
      OnlyReads = false;
      Ini.DeleteKey(S, I);
      Model_.DeleteKey(S, I);
      Written_.erase(PlainKey(S, I));
    } else if (K < 94) {
      Log("EraseSection(" + Quoted(S) + ")");
      OnlyReads = false;
      Ini.EraseSection(S);
      Model_.EraseSection(S);
      ForgetSection(S);
    } else if (K < 98) {
      Log("UpdateFile()");
      Ini.UpdateFile();
      Model_.Flush();
    } else {
      Log("Clear()");
      Ini.Clear();
      Model_.Clear();
      Written_.clear();
    }
    if (Disk_.Writes != WritesBefore) {   // the step saved: the file must be there now
      std::string Bytes;
      if (!ReadWholeFile(FileName_, Bytes) || Bytes != Disk_.Bytes)
        return Fail("file after the save differs\n  engine: " + Quoted(Bytes) + "\n  model:  " + Quoted(Disk_.Bytes));
    }
    if (Ini.Modified() != Model_.Modified)
      return Fail(std::string("Modified: engine ") + (Ini.Modified() ? "true" : "false") + ", model " +
                  (Model_.Modified ? "true" : "false"));
    return true;
  }

  // A new engine on the saved file reads back every plain value that was written last.
  bool CheckReload() {
    if (Written_.empty()) return true;
    TCorvIniFile Ini(FileName_);
    for (const auto& W : Written_) {
      const std::string& S = W.second.Section;
      const std::string& I = W.second.Ident;
      const std::string& V = W.second.Value;
      std::string Got = Ini.ReadString(S, I, "<missing>");
      ++Reloads_;
      if (AnsiCompareStr(Got, V) != 0)
        return Fail("after reload, ReadString(" + Quoted(S) + ", " + Quoted(I) + ") gives " + Quoted(Got) +
                    ", written " + Quoted(V) + "\n  file: " + Quoted(Disk_.Bytes));
    }
    if (Ini.Modified()) return Fail("reading marked the reloaded file modified");
    return true;
  }
};

// The reference model itself, on the rules' own examples: a wrong oracle would hide engine faults.
TEST(CorvIniFileRandom, ReferenceModelFollowsTheRules) {
  using Op = std::function<std::string(RefIni&)>;
  auto Read = [](std::string S, std::string I) {
    return Op([=](RefIni& M) { return M.ReadString(S, I, "<none>"); });
  };
  auto Write = [](std::string S, std::string I, std::string V) {
    return Op([=](RefIni& M) {
      M.WriteString(S, I, V);
      return std::string(M.Modified ? "modified" : "unmodified");
    });
  };
  auto Erase = [](std::string S) {
    return Op([=](RefIni& M) {
      M.EraseSection(S);
      return std::string();
    });
  };
  auto Section = [](std::string S) {
    return Op([=](RefIni& M) {
      std::string R;
      for (const std::string& N : M.ReadSection(S)) R += "<" + N + ">";
      return R;
    });
  };
  struct Case {
    std::string Before;
    std::vector<std::pair<Op, std::string>> Steps;   // operation, expected answer
    std::string After;                                // "" when the file is not written
  };
  const std::string Z("\0", 1);
  const std::vector<Case> Cases = {
      {"[A]\r\nx = 1 ; note\r\n", {{Read("a", "X"), "1"}}, ""},
      {"[A]\r\nv=\"a;b\"\r\nw='a;b'\r\n", {{Read("A", "v"), "a;b"}, {Read("A", "w"), "'a"}}, ""},
      {"[A]\r\nx=1   ; note\r\n", {{Write("A", "x", "22"), "modified"}}, "[A]\r\nx=22  ; note\r\n"},
      {"[A]\r\nx=1   ; note\r\n", {{Write("A", "x", "12345"), "modified"}}, "[A]\r\nx=12345 ; note\r\n"},
      {"[A]\r\nx=abc\r\n", {{Write("A", "x", "abc"), "unmodified"}, {Write("A", "x", "ABC"), "modified"}},
       "[A]\r\nx=ABC\r\n"},
      {"[A]\r\nx=1", {{Write("B", "y", ""), "unmodified"}, {Write("A", "x", "2"), "modified"}},
       "[A]\r\nx=2\r\n\r\n[B]\r\ny=\r\n"},
      {"[A]\r\nx=1\r\n; c\r\n\r\n[B]\r\n", {{Write("A", "y", "2"), "modified"}},
       "[A]\r\nx=1\r\ny=2\r\n; c\r\n\r\n[B]\r\n"},
      {"", {{Write("A", "x", "1"), "modified"}}, "[A]\r\nx=1\r\n"},
      {"[A]\r\nx=1\r\n[A]\r\nx=2\r\n", {{Read("A", "x"), "2"}, {Erase("A"), ""}, {Read("A", "x"), "1"}},
       "[A]\r\nx=1\r\n"},
      {"[ A ]\r\nx=1\r\n", {{Read("A", "x"), "<none>"}, {Read(" A ", "x"), "1"}}, ""},
      {"[A]\r\n =x \r\n  b  =  c \r\n[B]\r\n  d = e\r\n", {{Section("A"), "<><b>"}, {Erase("C"), ""}},
       "[A]\r\n=x\r\nb=c\r\n[B]\r\n  d = e\r\n"},
      {" x = 1\r\n[A]\r\n", {{Read("", "x"), "<none>"}, {Write("A", "x", "2"), "modified"}},
       " x = 1\r\n[A]\r\nx=2\r\n"},
      {"[A]\n\rx=1\r[B]\n", {{Erase("Z"), ""}}, "[A]\r\n\r\nx=1\r\n[B]\r\n"},
      {"[A]\r\nx=a" + Z + "b\r\n", {{Read("A", "x"), "a" + Z + "b"}, {Write("A", "y", "1"), "modified"}},
       "[A]\r\nx=a" + Z + "b\r\ny=1\r\n"},
      {"[A]\r\nx=1 ; c\r\n", {{Write("A", "x", "a;b"), "modified"}, {Read("A", "x"), "a;b"}},
       "[A]\r\nx=\"a;b\" ; c\r\n"},
      {"[A]\r\nx=\"a;b\"\r\n", {{Write("A", "x", "a;b"), "unmodified"}}, ""},
      {"[A]\r\n", {{Write("A", "x", "\"%1\""), "modified"}, {Read("A", "x"), "\"%1\""}}, "[A]\r\nx='\"%1\"'\r\n"},
      {"[A]\r\nx='\"%1\"'\r\n", {{Write("A", "x", "\"%1\""), "unmodified"}}, ""},
      {"[A]\r\nx=\xC6sop\r\n", {{Write("A", "x", "AEsop"), "modified"}}, "[A]\r\nx=AEsop\r\n"},
      {"[A]\r\nx=1\r\n; c\r\n\r\n[B]\r\n", {{Erase("A"), ""}}, "; c\r\n\r\n[B]\r\n"},
      {"[A]\r\nx=1\r\n\r\n\r\n; c\r\n\r\n[B]\r\n", {{Erase("A"), ""}}, "; c\r\n\r\n[B]\r\n"},
      {"[A]\r\nx=1\r\n; c\r\n\r\n\r\n[B]\r\n", {{Erase("A"), ""}}, "[B]\r\n"},
  };
  for (size_t C = 0; C < Cases.size(); ++C) {
    RefDisk Disk;
    Disk.Exists = true;
    Disk.Bytes = Cases[C].Before;
    RefIni M(Disk);
    for (size_t S = 0; S < Cases[C].Steps.size(); ++S)
      EXPECT_EQ(Cases[C].Steps[S].first(M), Cases[C].Steps[S].second) << "case " << C << " step " << S;
    M.Flush();
    EXPECT_EQ(Disk.Writes != 0, !Cases[C].After.empty()) << "case " << C;
    if (!Cases[C].After.empty()) {
      EXPECT_EQ(Disk.Bytes, Cases[C].After) << "case " << C;
    }
  }
}

TEST(CorvIniFileRandom, RandomFilesMatchTheReferenceModel) {
  const uint32_t Seed = SeedFromEnvironment("CORVANE_INI_SEED", 20011120u);
  const char* OnlyCase = std::getenv("CORVANE_INI_CASE");
  const int MaxCases = 400, MaxFailures = 5;
  const auto Limit = std::chrono::seconds(10);
  std::printf("CorvIniFileRandom: seed %u (set CORVANE_INI_SEED to change)\n", Seed);
  std::fflush(stdout);
  RecordProperty("seed", static_cast<int>(Seed));

  std::string Folder = MakeTempFolder();
  ASSERT_FALSE(Folder.empty());
  auto Start = std::chrono::steady_clock::now();
  int Cases = 0, Failures = 0, Reloads = 0, Rewritten = 0;
  for (int C = 0; C < MaxCases && Failures < MaxFailures; ++C) {
    if (OnlyCase && *OnlyCase && C != std::atoi(OnlyCase)) continue;
    if (std::chrono::steady_clock::now() - Start > Limit) break;
    CaseRunner Runner(Seed, C, Folder);
    if (!Runner.Run()) ++Failures;
    Reloads += Runner.Reloads();
    Rewritten += Runner.Rewritten() ? 1 : 0;
    ++Cases;
    for (const std::string& N : ListFolder(Folder)) DeleteFileA((Folder + N).c_str());
  }
  RemoveFolder(Folder);
  std::printf("CorvIniFileRandom: %d cases (%d files rewritten), %d failed, %d values read back after reload\n",
              Cases, Rewritten, Failures, Reloads);
  EXPECT_GT(Cases, 0);
  EXPECT_GT(Reloads, 0);
  EXPECT_GT(Rewritten, 0);
  EXPECT_LT(Rewritten, Cases);
}

}  // namespace

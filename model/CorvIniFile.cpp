#include "model/CorvIniFile.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"
#include "resources/strings/IniFiles.h"

namespace {

// Blanks of the line parser: codes 1 to 32 (a NUL byte is data).
bool IsParseBlank(char C) {
  return static_cast<unsigned char>(C) >= 1 && static_cast<unsigned char>(C) <= 32;
}

// Narrows [First, Last) of S to exclude parser blanks at both ends.
void TrimParseBlanks(const std::string& S, size_t& First, size_t& Last) {
  while (First < Last && IsParseBlank(S[First])) ++First;
  while (Last > First && IsParseBlank(S[Last - 1])) --Last;
}

// The position of the first ";" outside double quotes, or npos.
size_t FindInlineComment(const std::string& Value) {
  bool Quoted = false;
  for (size_t I = 0; I < Value.size(); ++I) {
    if (Value[I] == '"')
      Quoted = !Quoted;
    else if (Value[I] == ';' && !Quoted)
      return I;
  }
  return std::string::npos;
}

void SetStrings(TStrings& Strings, const std::vector<std::string>& Lines) {
  TUpdateScope<TStrings> Update(Strings);
  Strings.Clear();
  for (const std::string& S : Lines) Strings.Add(S);
}

[[noreturn]] void RaiseSaveError(const std::string& FileName, DWORD Code) {
  throw EFCreateError(LoadResString(SIniFileSaveError), {FileName, SysErrorMessage(Code)});
}

}  // namespace

uint32_t IniNameHash(const std::string& S) {
  uint32_t H = 0;
  for (unsigned char B : S) H = ((H << 2) | (H >> 30)) ^ B;
  return H;
}

// ---------------------------------------------------------------------------------------------
// TKeyTable

void TKeyTable::Clear() {
  if (FUsed == 0) return;
  for (TSlot& S : FSlots) S.Offset = -1;
  FUsed = 0;
}

void TKeyTable::Grow() {
  const size_t Size = FSlots.empty() ? 16 : FSlots.size() * 2;
  std::vector<TSlot> Old(Size, TSlot{0, -1});
  Old.swap(FSlots);
  FMask = Size - 1;
  int Bits = 0;
  while ((size_t{1} << Bits) < Size) ++Bits;
  FShift = 32 - Bits;
  for (const TSlot& S : Old)
    if (S.Offset >= 0) {
      size_t I = Home(S.Tag);
      while (FSlots[I].Offset >= 0) I = (I + 1) & FMask;
      FSlots[I] = S;
    }
}

void TKeyTable::Insert(uint64_t Key, int Offset) {
  if (static_cast<size_t>(FUsed + 1) * 2 > FSlots.size()) Grow();
  const uint32_t T = Tag(Key);
  size_t I = Home(T);
  while (FSlots[I].Offset >= 0) I = (I + 1) & FMask;
  FSlots[I] = TSlot{T, Offset};
  ++FUsed;
}

// ---------------------------------------------------------------------------------------------
// TSectionItems

TSectionItems::TSectionItems() { SetNameFunctions(AnsiCompareText, AnsiUpperCase, false); }

TSectionItems::~TSectionItems() { Clear(); }

void TSectionItems::SetNameFunctions(TIniCompareFunc Compare, TIniUpperFunc Upper, bool ExactUpper) {
  FCompare = Compare;
  FUpper = Upper;
  FExactUpper = ExactUpper;
  std::string Ascii(128, '\0');
  for (int C = 0; C < 128; ++C) Ascii[C] = static_cast<char>(C);
  FAsciiUpper = FUpper(Ascii);
  bool Usable = FAsciiUpper.size() == 128;
  for (size_t C = 0; C < FAsciiUpper.size() && Usable; ++C)
    Usable = static_cast<unsigned char>(FAsciiUpper[C]) < 128 && (FAsciiUpper[C] != '\0') == (C != 0);
  if (!Usable) FAsciiUpper.clear();
}

bool TSectionItems::IsPlain(const std::string& S) const {
  if (FExactUpper) return true;
  for (char C : S)
    if (C < 0x20 || C > 0x7E) return false;
  return true;
}

std::string TSectionItems::UpperName(const std::string& S) const {
  std::string Result;
  UpperName(S, Result);
  return Result;
}

void TSectionItems::UpperName(const std::string& S, std::string& Result) const {
  // ASCII characters are upper-cased one by one, each as the function does it.
  if (!FAsciiUpper.empty()) {
    Result.resize(S.size());
    const char* Table = FAsciiUpper.data();
    size_t I = 0;
    for (; I < S.size(); ++I) {
      const unsigned char B = static_cast<unsigned char>(S[I]);
      if (B >= 128) break;
      Result[I] = Table[B];
    }
    if (I == S.size()) return;
  }
  Result = FUpper(S);
}

uint64_t TSectionItems::StrongHash(const std::string& Upper) {
  uint64_t H = 14695981039346656037ull;  // FNV-1a
  for (unsigned char B : Upper) H = (H ^ B) * 1099511628211ull;
  return H;
}

TIniName TSectionItems::Prepare(const std::string& Name) const {
  TIniName Result;
  Prepare(Name, Result);
  return Result;
}

void TSectionItems::Prepare(const std::string& Name, TIniName& Result) const {
  Result.Name = &Name;
  UpperName(Name, Result.Upper);
  Result.Hash = IniNameHash(Result.Upper);
  Result.Key = StrongHash(Result.Upper);
  Result.Plain = IsPlain(Name);
}

bool TSectionItems::Same(const TIniName& A, const std::string& Name, const std::string& Upper, bool Plain) const {
  if (*A.Name == Name) return true;
  if (A.Plain && Plain && A.Upper != Upper) return false;
  return FCompare(Name, *A.Name) == 0;
}

bool TSectionItems::Same(const TIniName& A, const std::string& Name) const {
  if (*A.Name == Name) return true;
  if (A.Plain && IsPlain(Name) && A.Upper != UpperName(Name)) return false;
  return FCompare(Name, *A.Name) == 0;
}

TSectionEntry* TSectionItems::Add(const std::string& Name, int BodyStart) {
  auto* Entry = new TSectionEntry;
  Entry->Upper = UpperName(Name);
  Entry->Hash = IniNameHash(Entry->Upper);
  Entry->Plain = IsPlain(Name);
  Entry->BodyStart = BodyStart;
  Entry->Name = Name;
  std::vector<TSlot>& Bucket = FBuckets[Entry->Hash & (BucketCount - 1)];
  // A new header is normally the last one in the file.
  auto Pos = Bucket.end();
  while (Pos != Bucket.begin() && (Pos - 1)->Entry->BodyStart > BodyStart) --Pos;
  Bucket.insert(Pos, TSlot{Entry->Hash, Entry->Plain, StrongHash(Entry->Upper), Entry});
  return Entry;
}

TSectionEntry* TSectionItems::Find(const TIniName& Name) const {
  const std::vector<TSlot>& Bucket = FBuckets[Name.Hash & (BucketCount - 1)];
  for (auto It = Bucket.rbegin(); It != Bucket.rend(); ++It) {
    if (It->Hash != Name.Hash || (Name.Plain && It->Plain && It->Key != Name.Key)) continue;
    TSectionEntry* E = It->Entry;
    if (Same(Name, E->Name, E->Upper, E->Plain)) return E;
  }
  return nullptr;
}

void TSectionItems::Remove(TSectionEntry* Entry) {
  std::vector<TSlot>& Bucket = FBuckets[Entry->Hash & (BucketCount - 1)];
  for (auto It = Bucket.begin(); It != Bucket.end(); ++It)
    if (It->Entry == Entry) {
      Bucket.erase(It);
      delete Entry;
      return;
    }
}

void TSectionItems::Clear() {
  for (std::vector<TSlot>& Bucket : FBuckets) {
    for (TSlot& Slot : Bucket) delete Slot.Entry;
    Bucket.clear();
  }
}

void TSectionItems::Shift(int Index, int Delta) {
  for (std::vector<TSlot>& Bucket : FBuckets)
    for (TSlot& Slot : Bucket)
      if (Slot.Entry->BodyStart > Index) Slot.Entry->BodyStart += Delta;
}

void TSectionItems::ResetKeys() {
  for (std::vector<TSlot>& Bucket : FBuckets)
    for (TSlot& Slot : Bucket) Slot.Entry->ResetKeys();
}

TSectionEntry* TSectionItems::EntryAt(const std::string& Name, int BodyStart) const {
  for (const TSlot& Slot : FBuckets[IniNameHash(UpperName(Name)) & (BucketCount - 1)])
    if (Slot.Entry->BodyStart == BodyStart) return Slot.Entry;
  return nullptr;
}

std::vector<const TSectionEntry*> TSectionItems::Chain(int Bucket) const {
  std::vector<const TSectionEntry*> Result;
  for (auto It = FBuckets[Bucket].rbegin(); It != FBuckets[Bucket].rend(); ++It) Result.push_back(It->Entry);
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TIniItems

TIniItems::TIniItems() = default;

TIniItems::~TIniItems() = default;

const TIniLine& TIniItems::Lines(int Index) const {
  if (Index < 0 || Index >= Count()) TList::Error(SListIndexError, Index);
  return FLines[Index];
}

void TIniItems::SetNameFunctions(TIniCompareFunc Compare, TIniUpperFunc Upper, bool ExactUpper) {
  FSections.SetNameFunctions(Compare, Upper, ExactUpper);
  FSections.Clear();
  FLastSection = nullptr;
  for (int I = 0; I < Count(); ++I) {
    TIniLine& Line = FLines[I];
    if (Line.Kind == ilkKey)
      Line.NameHash = IniNameHash(FSections.UpperName(Line.Text));
    else if (Line.Kind == ilkSection)
      FSections.Add(Line.Text.substr(1, Line.Text.size() - 2), I + 1);
  }
}

void TIniItems::Clear() {
  std::vector<TIniLine>().swap(FLines);
  FSections.Clear();
  FLastSection = nullptr;
}

void TIniItems::Grow() {
  int Cap = Capacity();
  if (Count() < Cap) return;
  int Delta = Cap > 64 ? Cap / 4 : Cap > 8 ? 16 : 4;
  FLines.reserve(Cap + Delta);
}

TSectionEntry* TIniItems::Classify(int Index, std::string Text) {
  TIniLine& Line = FLines[Index];
  Line.NameHash = 0;
  Line.Value.clear();
  Line.Text = std::move(Text);
  const std::string& T = Line.Text;
  if (T.empty()) {
    Line.Kind = ilkEmpty;
  } else if (T[0] == ';') {
    Line.Kind = ilkComment;
  } else if (T[0] == '[' && T.back() == ']') {
    Line.Kind = ilkSection;
    return FSections.Add(T.substr(1, T.size() - 2), Index + 1);
  } else {
    Line.Kind = ilkUnparsed;
  }
  return nullptr;
}

void TIniItems::Parse(TIniLine& Line, std::string* Upper) {
  const std::string& Text = Line.Text;
  size_t Eq = Text.find('=');
  if (Eq == std::string::npos) {
    Line.Kind = ilkNoValue;
    size_t First = 0;
    while (First < Text.size() && IsParseBlank(Text[First])) ++First;
    if (First < Text.size()) Line.Text.erase(0, First);
    return;
  }
  Line.Kind = ilkKey;
  size_t First = Eq + 1, Last = Text.size();
  TrimParseBlanks(Text, First, Last);
  Line.Value.assign(Text, First, Last - First);
  First = 0;
  Last = Eq;
  TrimParseBlanks(Text, First, Last);
  Line.Text.resize(Last);  // the name, in place
  Line.Text.erase(0, First);
  std::string& U = Upper ? *Upper : FUpper;
  FSections.UpperName(Line.Text, U);
  Line.NameHash = IniNameHash(U);
}

void TIniItems::PutText(int Index, const std::string& Text) {
  Lines(Index);  // range check
  TIniLine& Line = FLines[Index];
  if (Line.Kind == ilkKey) {
    Line.Text = Text;
    Line.NameHash = IniNameHash(FSections.UpperName(Text));
  } else {
    if (Line.Kind == ilkSection) {
      TSectionEntry* E = FSections.EntryAt(Line.Text.substr(1, Line.Text.size() - 2), Index + 1);
      if (E == FLastSection) FLastSection = nullptr;
      if (E) FSections.Remove(E);
    }
    Classify(Index, Text);
  }
  // Headers may have come or gone, and names changed: every key index starts afresh.
  FSections.ResetKeys();
}

void TIniItems::SetText(const std::string& Text) {
  Clear();
  FLines.reserve(Text.size() / 16);
  const size_t Len = Text.size();
  size_t Pos = 0;
  const char* const Data = Text.data();
  while (Pos < Len) {
    size_t End = Pos;
    while (End < Len && Data[End] != '\r' && Data[End] != '\n') ++End;
    Grow();
    FLines.emplace_back();
    Classify(Count() - 1, Text.substr(Pos, End - Pos));
    Pos = End;
    if (Pos < Len && Text[Pos] == '\r') ++Pos;
    if (Pos < Len && Text[Pos] == '\n') ++Pos;
  }
  FLines.shrink_to_fit();
}

namespace {

// A parsed line whose normalised text would load as a header or a comment (" [A]", " ;x=1"):
// it keeps one leading blank, so that a rewrite never changes the file's structure.
bool ReadsBackAsOther(const TIniLine& Line) {
  if ((Line.Kind != ilkKey && Line.Kind != ilkNoValue) || Line.Text.empty()) return false;
  if (Line.Text[0] == ';') return true;
  if (Line.Text[0] != '[') return false;
  const char Last = Line.Kind == ilkNoValue ? Line.Text.back() : Line.Value.empty() ? '=' : Line.Value.back();
  return Last == ']';
}

}  // namespace

std::string TIniItems::Text() const {
  size_t Size = 0;
  for (const TIniLine& Line : FLines)
    Size += Line.Text.size() + 3 + (Line.Kind == ilkKey ? Line.Value.size() + 1 : 0);
  std::string Result;
  Result.reserve(Size);
  for (const TIniLine& Line : FLines) {
    if (ReadsBackAsOther(Line)) Result += ' ';
    Result += Line.Text;
    if (Line.Kind == ilkKey) {
      Result += '=';
      Result += Line.Value;
    }
    Result += "\r\n";
  }
  return Result;
}

void TIniItems::LoadFromFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TIniItems::LoadFromStream(TStream& Stream) {
  long long Size = Stream.Size() - Stream.Position();
  std::string Text(Size > 0 ? static_cast<size_t>(Size) : 0, '\0');
  if (!Text.empty()) Stream.ReadBuffer(Text.data(), static_cast<int>(Text.size()));
  SetText(Text);
}

void TIniItems::SaveToStream(TStream& Stream) {
  std::string T = Text();
  if (!T.empty()) Stream.WriteBuffer(T.data(), static_cast<int>(T.size()));
}

void TIniItems::SaveToFile(const std::string& FileName) {
  std::string Dir = ExtractFilePath(FileName);
  if (Dir.empty()) Dir = ".";
  char Temp[MAX_PATH];
  if (!GetTempFileNameA(Dir.c_str(), "ini", 0, Temp)) RaiseSaveError(FileName, GetLastError());
  try {
    {
      TFileStream Stream(Temp, fmCreate);
      SaveToStream(Stream);
    }
    if (!MoveFileExA(Temp, FileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      RaiseSaveError(FileName, GetLastError());
  } catch (...) {
    DeleteFileA(Temp);
    throw;
  }
}

TSectionEntry* TIniItems::AddSection(const std::string& Name) {
  if (!FLines.empty() && FLines.back().Kind != ilkEmpty) {
    Grow();
    FLines.emplace_back();
  }
  Grow();
  FLines.emplace_back();
  return Classify(Count() - 1, "[" + Name + "]");
}

TSectionEntry* TIniItems::Lookup(const std::string& Name, bool Create) {
  if (!Name.empty() && FLastSection && FLastSection->Name == Name) return FLastSection;
  TIniName& N = FName;
  FSections.Prepare(Name, N);
  if (!Name.empty() && FLastSection && FSections.Same(N, FLastSection->Name, FLastSection->Upper, FLastSection->Plain))
    return FLastSection;
  TSectionEntry* E = FSections.Find(N);
  if (!E && Create) E = AddSection(Name);
  if (E) FLastSection = E;
  return E;
}

int TIniItems::FindSection(const std::string& Name, bool Create) {
  TSectionEntry* E = Lookup(Name, Create);
  return E ? E->BodyStart : -1;
}

void TIniItems::IndexKey(TSectionEntry* Section, int Offset, const TIniLine& Line, const std::string& Upper,
                         bool Plain) {
  const int Body = Section->BodyStart;
  TKeyTable& Table = Plain ? Section->PlainKeys : Section->OtherKeys;
  const uint64_t Key = Plain ? TSectionItems::StrongHash(Upper) : Line.NameHash;
  bool Repeated = false;
  Table.Visit(Key, [&](int Other) { return Repeated = FLines[Body + Other].Text == Line.Text; });
  if (!Repeated) Table.Insert(Key, Offset);
}

int TIniItems::Advance(TSectionEntry* Section, const TIniName* Ident) {
  const int Body = Section->BodyStart;
  std::string& Upper = FUpper;
  for (int I = Body + Section->Parsed; I < Count() && FLines[I].Kind != ilkSection; ++I) {
    TIniLine& Line = FLines[I];
    if (Line.Kind == ilkUnparsed)
      Parse(Line, &Upper);
    else if (Line.Kind == ilkKey)
      FSections.UpperName(Line.Text, Upper);
    const int Offset = I - Body;
    Section->Parsed = Offset + 1;
    if (Line.Kind == ilkKey) {
      const bool Plain = FSections.IsPlain(Line.Text);
      IndexKey(Section, Offset, Line, Upper, Plain);
      Section->LastKey = Offset;
      if (Ident && Line.NameHash == Ident->Hash && FSections.Same(*Ident, Line.Text, Upper, Plain)) return I;
    } else if (Line.Kind == ilkNoValue) {
      Section->LastKey = Offset;
    }
  }
  return -1;
}

int TIniItems::FindKeyIn(TSectionEntry* Section, const std::string& Ident, bool Create) {
  TIniName& Name = FName;
  FSections.Prepare(Ident, Name);
  const int Body = Section->BodyStart;
  // The first match in file order among the lines passed before, else further on. Of the plain
  // names only those of the same upper-cased form can compare equal to a plain name.
  int Found = -1;
  auto Better = [&](int Offset) {
    return (Found < 0 || Offset < Found) && FLines[Body + Offset].NameHash == Name.Hash &&
           FSections.Same(Name, FLines[Body + Offset].Text);
  };
  auto Visit = [&](int Offset) {
    if (Better(Offset)) Found = Offset;
    return false;
  };
  if (Name.Plain)
    Section->PlainKeys.Visit(Name.Key, Visit);
  else
    Section->PlainKeys.VisitAll(Visit);
  if (!Section->OtherKeys.Empty()) Section->OtherKeys.Visit(Name.Hash, Visit);
  if (Found >= 0) return Body + Found;

  int Index = Advance(Section, &Name);
  if (Index >= 0 || !Create) return Index;

  // The whole section has been passed: the new line goes after its last key line.
  const int Offset = Section->LastKey + 1;
  Index = Body + Offset;
  TIniLine Line;
  Line.Kind = ilkKey;
  Line.Text = Trim(Ident);
  FSections.UpperName(Line.Text, FUpper);
  Line.NameHash = IniNameHash(FUpper);
  const bool Plain = FSections.IsPlain(Line.Text);
  Grow();
  FLines.insert(FLines.begin() + Index, std::move(Line));
  FSections.Shift(Index, 1);
  Section->Parsed += 1;
  Section->LastKey = Offset;
  IndexKey(Section, Offset, FLines[Index], FUpper, Plain);
  return Index;
}

int TIniItems::FindKey(const std::string& Section, const std::string& Ident, bool Create) {
  TSectionEntry* E = Lookup(Section, Create);
  return E ? FindKeyIn(E, Ident, Create) : -1;
}

void TIniItems::SetValue(int Index, const std::string& Value) {
  Lines(Index);  // range check
  FLines[Index].Value = Value;
}

bool TIniItems::EraseSection(const std::string& Name) {
  TSectionEntry* E = Lookup(Name, false);
  if (!E) return false;
  const int Header = E->BodyStart - 1;
  // Blank lines after the last key go with the section; a comment block before the next
  // header stays with at most one blank line after it.
  int Last = Header;
  int Counter = 0;
  for (int I = E->BodyStart; I < Count() && FLines[I].Kind != ilkSection; ++I) {
    switch (FLines[I].Kind) {
      case ilkComment:
        Counter = -1;
        break;
      case ilkEmpty:
        if (++Counter > 0) Last = I;
        break;
      default:
        Counter = 0;
        Last = I;
        break;
    }
  }
  const int Removed = Last - Header + 1;
  FLines.erase(FLines.begin() + Header, FLines.begin() + Last + 1);
  if (FLastSection == E) FLastSection = nullptr;
  FSections.Remove(E);
  FSections.Shift(Header, -Removed);
  return true;
}

bool TIniItems::DeleteKey(const std::string& Section, const std::string& Ident) {
  TSectionEntry* E = Lookup(Section, false);
  if (!E) return false;
  int Index = FindKeyIn(E, Ident, false);
  if (Index < 0) return false;
  FLines.erase(FLines.begin() + Index);
  FSections.Shift(Index, -1);
  // Offsets after the line changed; the index is rebuilt by the next lookup.
  E->ResetKeys();
  return true;
}

void TIniItems::KeyNames(const std::string& Section, std::vector<std::string>& Names) {
  Names.clear();
  TSectionEntry* E = Lookup(Section, false);
  if (!E) return;
  Advance(E, nullptr);
  for (int I = E->BodyStart; I < E->BodyStart + E->Parsed; ++I)
    if (FLines[I].Kind == ilkKey) Names.push_back(FLines[I].Text);
}

void TIniItems::SectionNames(std::vector<std::string>& Names) {
  Names.clear();
  for (TIniLine& Line : FLines) {
    if (Line.Kind == ilkUnparsed)
      Parse(Line, nullptr);
    else if (Line.Kind == ilkSection)
      Names.push_back(Line.Text.substr(1, Line.Text.size() - 2));
  }
}

// ---------------------------------------------------------------------------------------------
// TCorvIniFile

TCorvIniFile::TCorvIniFile(const std::string& FileName)
    : TCustomIniFile(FileName), FValueCompare(AnsiCompareStr), FItems(std::make_unique<TIniItems>()) {
  SetUseLocale(true);
}

TCorvIniFile::~TCorvIniFile() {
  try {
    Flush();
  } catch (...) {
  }
  Clear();
}

void TCorvIniFile::SetUseLocale(bool Value) {
  FUseLocale = Value;
  FValueCompare = Value ? AnsiCompareStr : CompareStr;
  if (Value)
    FItems->SetNameFunctions(AnsiCompareText, AnsiUpperCase, false);
  else
    FItems->SetNameFunctions(CompareText, UpperCase, true);
}

void TCorvIniFile::Clear() {
  FItems->Clear();
  FLoaded = false;
  FModified = false;
}

int TCorvIniFile::CompareLists(const TStrings& A, const TStrings& B) const {
  if (A.Count() > B.Count()) return 1;
  if (A.Count() < B.Count()) return -1;
  for (int I = 0; I < A.Count(); ++I) {
    int R = FValueCompare(A[I], B[I]);
    if (R != 0) return R;
  }
  return 0;
}

void TCorvIniFile::Flush() {
  if (FModified) {
    FItems->SaveToFile(FileName());
    FModified = false;
  }
}

void TCorvIniFile::Load() {
  if (!FileName().empty() && FileExists(FileName()))
    FItems->LoadFromFile(FileName());
  else
    FItems->Clear();
  FLoaded = true;
}

std::string TCorvIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                     const std::string& Default) {
  EnsureLoaded();
  int Index = FItems->FindKey(Section, Ident, false);
  if (Index < 0) return Default;
  std::string Result = FItems->Lines(Index).Value;
  if (FInlineComments) {
    size_t Comment = FindInlineComment(Result);
    if (Comment != std::string::npos) Result = Trim(Result.substr(0, Comment));
  }
  if (Result.size() >= 2 && (Result[0] == '"' || Result[0] == '\'') && Result.back() == Result[0])
    Result = Result.substr(1, Result.size() - 2);
  return Result;
}

void TCorvIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  EnsureLoaded();
  if (Ident.empty()) {
    if (Value.empty()) {
      if (!Section.empty())
        EraseSection(Section);
      else
        UpdateFile();
    }
    return;
  }
  // The form stored: quoted when a ";" would otherwise start a comment.
  std::string NewValue = Value;
  if (FInlineComments && FindInlineComment(Value) != std::string::npos) NewValue = "\"" + Value + "\"";

  int Index = FItems->FindKey(Section, Ident, true);
  const std::string& Stored = FItems->Lines(Index).Value;
  size_t Comment = FInlineComments ? FindInlineComment(Stored) : std::string::npos;
  std::string OldValue = Comment == std::string::npos ? Stored : Trim(Stored.substr(0, Comment));
  if (FValueCompare(OldValue, NewValue) == 0) return;

  if (Comment != std::string::npos) {
    // The comment keeps its column when the new value leaves room for it.
    std::string Tail = Stored.substr(Comment);
    if (NewValue.size() < Comment)
      NewValue.append(Comment - NewValue.size(), ' ');
    else
      NewValue += ' ';
    NewValue += Tail;
  }
  FItems->SetValue(Index, NewValue);
  FModified = true;
}

void TCorvIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
  EnsureLoaded();
  std::vector<std::string> Names;
  FItems->KeyNames(Section, Names);
  SetStrings(Strings, Names);
}

void TCorvIniFile::ReadSections(TStrings& Strings) {
  EnsureLoaded();
  std::vector<std::string> Names;
  FItems->SectionNames(Names);
  SetStrings(Strings, Names);
}

void TCorvIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
  EnsureLoaded();
  std::vector<std::string> Lines;
  FItems->KeyNames(Section, Lines);
  for (std::string& Line : Lines) Line += "=" + ReadString(Section, Line, "");
  SetStrings(Strings, Lines);
}

void TCorvIniFile::EraseSection(const std::string& Section) {
  EnsureLoaded();
  FItems->EraseSection(Section);
  FModified = true;
}

void TCorvIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  EnsureLoaded();
  if (FItems->DeleteKey(Section, Ident)) FModified = true;
}

void TCorvIniFile::UpdateFile() { Flush(); }

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
void TrimParseBlanks(std::string_view S, size_t& First, size_t& Last) {
  while (First < Last && IsParseBlank(S[First])) ++First;
  while (Last > First && IsParseBlank(S[Last - 1])) --Last;
}

// The position of the first ";" outside double quotes, or npos.
size_t FindInlineComment(std::string_view Value) {
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

uint32_t IniNameHash(std::string_view S) {
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

bool TSectionItems::IsPlain(std::string_view S) const {
  if (FExactUpper) return true;
  for (char C : S)
    if (C < 0x20 || C > 0x7E) return false;
  return true;
}

std::string TSectionItems::UpperName(std::string_view S) const {
  std::string Result;
  UpperName(S, Result);
  return Result;
}

void TSectionItems::UpperName(std::string_view S, std::string& Result) const {
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
  Result = FUpper(std::string(S));
}

uint64_t TSectionItems::StrongHash(std::string_view Upper) {
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

bool TSectionItems::Same(const TIniName& A, std::string_view Name, std::string_view Upper, bool Plain) const {
  if (*A.Name == Name) return true;
  if (A.Plain && Plain && A.Upper != Upper) return false;
  return FCompare(std::string(Name), *A.Name) == 0;
}

bool TSectionItems::Same(const TIniName& A, std::string_view Name) const {
  if (*A.Name == Name) return true;
  if (A.Plain && IsPlain(Name) && A.Upper != UpperName(Name)) return false;
  return FCompare(std::string(Name), *A.Name) == 0;
}

TSectionEntry* TSectionItems::Add(std::string_view Name, int BodyStart) {
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

TSectionEntry* TSectionItems::EntryAt(std::string_view Name, int BodyStart) const {
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

TIniLine TIniItems::Lines(int Index) const {
  if (Index < 0 || Index >= Count()) TList::Error(SListIndexError, Index);
  const TLine& Line = FLines[Index];
  return TIniLine{Line.Kind, Line.NameHash, TextOf(Line), ValueOf(Line)};
}

void TIniItems::SetNameFunctions(TIniCompareFunc Compare, TIniUpperFunc Upper, bool ExactUpper) {
  FSections.SetNameFunctions(Compare, Upper, ExactUpper);
  FSections.Clear();
  FLastSection = nullptr;
  for (int I = 0; I < Count(); ++I) {
    TLine& Line = FLines[I];
    if (Line.Kind == ilkKey)
      Line.NameHash = IniNameHash(FSections.UpperName(TextOf(Line)));
    else if (Line.Kind == ilkSection)
      FSections.Add(TextOf(Line).substr(1, Line.TextLen - 2), I + 1);
  }
}

void TIniItems::Clear() {
  std::vector<TLine>().swap(FLines);
  std::string().swap(FBuffer);
  FGarbage = 0;
  FSections.Clear();
  FLastSection = nullptr;
}

void TIniItems::Grow() {
  int Cap = Capacity();
  if (Count() < Cap) return;
  int Delta = Cap > 64 ? Cap / 4 : Cap > 8 ? 16 : 4;
  FLines.reserve(Cap + Delta);
}

uint32_t TIniItems::Store(const std::string& S) {
  if (S.empty()) return 0;
  if (FGarbage > 4096 && FGarbage > FBuffer.size() / 2) Compact();
  const uint32_t Pos = static_cast<uint32_t>(FBuffer.size());
  FBuffer += S;
  return Pos;
}

void TIniItems::Compact() {
  std::string Buffer;
  Buffer.reserve(FBuffer.size() - FGarbage);
  for (TLine& Line : FLines) {
    const uint32_t Text = static_cast<uint32_t>(Buffer.size());
    Buffer += TextOf(Line);
    Line.TextPos = Text;
    const uint32_t Value = static_cast<uint32_t>(Buffer.size());
    Buffer += ValueOf(Line);
    Line.ValuePos = Value;
  }
  FBuffer.swap(Buffer);
  FGarbage = 0;
}

TSectionEntry* TIniItems::Classify(int Index, uint32_t Pos, uint32_t Len) {
  TLine& Line = FLines[Index];
  Line.NameHash = 0;
  Line.ValuePos = 0;
  Line.ValueLen = 0;
  Line.TextPos = Pos;
  Line.TextLen = Len;
  const std::string_view T = TextOf(Line);
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

void TIniItems::Parse(TLine& Line, std::string* Upper) {
  const std::string_view Text = TextOf(Line);
  size_t Eq = Text.find('=');
  if (Eq == std::string_view::npos) {
    Line.Kind = ilkNoValue;
    size_t First = 0;
    while (First < Text.size() && IsParseBlank(Text[First])) ++First;
    if (First < Text.size()) {
      Line.TextPos += static_cast<uint32_t>(First);
      Line.TextLen -= static_cast<uint32_t>(First);
    }
    return;
  }
  Line.Kind = ilkKey;
  size_t First = Eq + 1, Last = Text.size();
  TrimParseBlanks(Text, First, Last);
  Line.ValuePos = Line.TextPos + static_cast<uint32_t>(First);
  Line.ValueLen = static_cast<uint32_t>(Last - First);
  First = 0;
  Last = Eq;
  TrimParseBlanks(Text, First, Last);
  Line.TextPos += static_cast<uint32_t>(First);  // the name, in place
  Line.TextLen = static_cast<uint32_t>(Last - First);
  std::string& U = Upper ? *Upper : FUpper;
  FSections.UpperName(TextOf(Line), U);
  Line.NameHash = IniNameHash(U);
}

void TIniItems::PutText(int Index, const std::string& Text) {
  Lines(Index);  // range check
  if (FLines[Index].Kind == ilkKey) {
    FGarbage += FLines[Index].TextLen;
    const uint32_t Pos = Store(Text);
    TLine& Line = FLines[Index];
    Line.TextPos = Pos;
    Line.TextLen = static_cast<uint32_t>(Text.size());
    Line.NameHash = IniNameHash(FSections.UpperName(Text));
  } else {
    const TLine& Line = FLines[Index];
    if (Line.Kind == ilkSection) {
      TSectionEntry* E = FSections.EntryAt(TextOf(Line).substr(1, Line.TextLen - 2), Index + 1);
      if (E == FLastSection) FLastSection = nullptr;
      if (E) FSections.Remove(E);
    }
    Discard(Line);
    const uint32_t Pos = Store(Text);
    Classify(Index, Pos, static_cast<uint32_t>(Text.size()));
  }
  // Headers may have come or gone, and names changed: every key index starts afresh.
  FSections.ResetKeys();
}

namespace {

// A buffer for a loaded text of Size bytes, with room for the texts that later changes append.
std::string LoadBuffer(size_t Size) {
  std::string Buffer;
  Buffer.reserve(Size + Size / 8 + 256);
  Buffer.resize(Size);
  return Buffer;
}

}  // namespace

void TIniItems::SetText(const std::string& Text) {
  std::string Buffer = LoadBuffer(Text.size());
  Text.copy(Buffer.data(), Text.size());
  Assign(std::move(Buffer));
}

void TIniItems::Assign(std::string&& Text) {
  Clear();
  FBuffer = std::move(Text);
  const size_t Len = FBuffer.size();
  const char* const Data = FBuffer.data();
  // Count the lines first, so that the store is allocated once and exactly.
  size_t Lines = 0;
  for (size_t Pos = 0; Pos < Len; ++Lines) {
    while (Pos < Len && Data[Pos] != '\r' && Data[Pos] != '\n') ++Pos;
    if (Pos < Len && Data[Pos] == '\r') ++Pos;
    if (Pos < Len && Data[Pos] == '\n') ++Pos;
  }
  FLines.reserve(Lines);
  size_t Pos = 0;
  while (Pos < Len) {
    size_t End = Pos;
    while (End < Len && Data[End] != '\r' && Data[End] != '\n') ++End;
    Grow();
    FLines.emplace_back();
    Classify(Count() - 1, static_cast<uint32_t>(Pos), static_cast<uint32_t>(End - Pos));
    Pos = End;
    if (Pos < Len && Data[Pos] == '\r') ++Pos;
    if (Pos < Len && Data[Pos] == '\n') ++Pos;
  }
  FLines.shrink_to_fit();
}

// A parsed line whose normalised text would load as a header or a comment (" [A]", " ;x=1"):
// it keeps one leading blank, so that a rewrite never changes the file's structure.
bool TIniItems::ReadsBackAsOther(const TLine& Line) const {
  if ((Line.Kind != ilkKey && Line.Kind != ilkNoValue) || Line.TextLen == 0) return false;
  const std::string_view Text = TextOf(Line);
  if (Text[0] == ';') return true;
  if (Text[0] != '[') return false;
  const char Last = Line.Kind == ilkNoValue ? Text.back() : Line.ValueLen == 0 ? '=' : ValueOf(Line).back();
  return Last == ']';
}

std::string TIniItems::Text() const {
  size_t Size = 0;
  for (const TLine& Line : FLines) Size += Line.TextLen + 3 + (Line.Kind == ilkKey ? Line.ValueLen + 1 : 0);
  std::string Result;
  Result.reserve(Size);
  for (const TLine& Line : FLines) {
    if (ReadsBackAsOther(Line)) Result += ' ';
    Result += TextOf(Line);
    if (Line.Kind == ilkKey) {
      Result += '=';
      Result += ValueOf(Line);
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
  std::string Text = LoadBuffer(Size > 0 ? static_cast<size_t>(Size) : 0);
  if (!Text.empty()) Stream.ReadBuffer(Text.data(), static_cast<int>(Text.size()));
  Assign(std::move(Text));
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
  const std::string Header = "[" + Name + "]";
  const uint32_t Pos = Store(Header);
  Grow();
  FLines.emplace_back();
  return Classify(Count() - 1, Pos, static_cast<uint32_t>(Header.size()));
}

TSectionEntry* TIniItems::Lookup(const std::string& Name, bool Create) {
  if (!Name.empty() && FLastSection && FLastSection->Name == Name) return FLastSection;
  TIniName& N = FName;
  FSections.Prepare(Name, N);
  // The hash too, as the chain walk compares it: names the locale calls equal may hash apart.
  if (!Name.empty() && FLastSection && N.Hash == FLastSection->Hash &&
      FSections.Same(N, FLastSection->Name, FLastSection->Upper, FLastSection->Plain))
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

void TIniItems::IndexKey(TSectionEntry* Section, int Offset, const TLine& Line, const std::string& Upper,
                         bool Plain) {
  const int Body = Section->BodyStart;
  TKeyTable& Table = Plain ? Section->PlainKeys : Section->OtherKeys;
  const uint64_t Key = Plain ? TSectionItems::StrongHash(Upper) : Line.NameHash;
  const std::string_view Text = TextOf(Line);
  bool Repeated = false;
  Table.Visit(Key, [&](int Other) { return Repeated = TextOf(FLines[Body + Other]) == Text; });
  if (!Repeated) Table.Insert(Key, Offset);
}

int TIniItems::Advance(TSectionEntry* Section, const TIniName* Ident) {
  const int Body = Section->BodyStart;
  std::string& Upper = FUpper;
  for (int I = Body + Section->Parsed; I < Count() && FLines[I].Kind != ilkSection; ++I) {
    TLine& Line = FLines[I];
    if (Line.Kind == ilkUnparsed)
      Parse(Line, &Upper);
    else if (Line.Kind == ilkKey)
      FSections.UpperName(TextOf(Line), Upper);
    const int Offset = I - Body;
    Section->Parsed = Offset + 1;
    if (Line.Kind == ilkKey) {
      const std::string_view Text = TextOf(Line);
      const bool Plain = FSections.IsPlain(Text);
      IndexKey(Section, Offset, Line, Upper, Plain);
      Section->LastKey = Offset;
      if (Ident && Line.NameHash == Ident->Hash && FSections.Same(*Ident, Text, Upper, Plain)) return I;
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
    const TLine& Line = FLines[Body + Offset];
    return (Found < 0 || Offset < Found) && Line.NameHash == Name.Hash && FSections.Same(Name, TextOf(Line));
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
  const std::string Trimmed = Trim(Ident);
  TLine Line;
  Line.Kind = ilkKey;
  Line.TextPos = Store(Trimmed);
  Line.TextLen = static_cast<uint32_t>(Trimmed.size());
  FSections.UpperName(Trimmed, FUpper);
  Line.NameHash = IniNameHash(FUpper);
  const bool Plain = FSections.IsPlain(Trimmed);
  Grow();
  FLines.insert(FLines.begin() + Index, Line);
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
  FGarbage += FLines[Index].ValueLen;
  const uint32_t Pos = Store(Value);
  FLines[Index].ValuePos = Pos;
  FLines[Index].ValueLen = static_cast<uint32_t>(Value.size());
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
  for (int I = Header; I <= Last; ++I) Discard(FLines[I]);
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
  Discard(FLines[Index]);
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
    if (FLines[I].Kind == ilkKey) Names.emplace_back(TextOf(FLines[I]));
}

void TIniItems::SectionNames(std::vector<std::string>& Names) {
  Names.clear();
  for (TLine& Line : FLines) {
    if (Line.Kind == ilkUnparsed)
      Parse(Line, nullptr);
    else if (Line.Kind == ilkSection)
      Names.emplace_back(TextOf(Line).substr(1, Line.TextLen - 2));
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
  std::string Result(FItems->Lines(Index).Value);
  if (FInlineComments) {
    size_t Comment = FindInlineComment(Result);
    if (Comment != std::string::npos) Result = Trim(Result.substr(0, Comment));
  }
  if (Result.size() >= 2 && (Result[0] == '"' || Result[0] == '\'') && Result.back() == Result[0])
    Result = Result.substr(1, Result.size() - 2);
  return Result;
}

std::string TCorvIniFile::StoredForm(const std::string& Value) const {
  // Quoted when a ";" would otherwise start a comment.
  if (FInlineComments && FindInlineComment(Value) != std::string::npos) return "\"" + Value + "\"";
  // Both readers strip one pair of enclosing quotes: a value that has such a pair of its own gets
  // one more, single quotes, which leave the ";" inside double quotes as they are.
  if (Value.size() >= 2 && (Value[0] == '"' || Value[0] == '\'') && Value.back() == Value[0])
    return "'" + Value + "'";
  return Value;
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
  std::string NewValue = StoredForm(Value);

  int Index = FItems->FindKey(Section, Ident, true);
  const std::string_view Stored = FItems->Lines(Index).Value;  // valid until SetValue
  size_t Comment = FInlineComments ? FindInlineComment(Stored) : std::string::npos;
  std::string OldValue(Comment == std::string::npos ? Stored : Stored.substr(0, Comment));
  if (Comment != std::string::npos) OldValue = Trim(OldValue);
  // Byte for byte: the locale comparison calls different texts equal ("\xC6sop" and "AEsop").
  if (OldValue == NewValue) return;

  if (Comment != std::string::npos) {
    // The comment keeps its column when the new value leaves room for it.
    std::string Tail(Stored.substr(Comment));
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

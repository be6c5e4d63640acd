// The INI engine of both deliverables: reads the whole file on first use, answers every read and
// write from memory, and writes the file back (through a temporary file) only when it changed.
// Lines no operation touches are written back byte for byte.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/IniFiles.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using TIniCompareFunc = int (*)(const std::string& S1, const std::string& S2);
using TIniUpperFunc = std::string (*)(const std::string& S);

// Hash of a name: h := (h rotated left by 2 bits) xor byte, over every byte.
uint32_t IniNameHash(std::string_view S);

enum TIniLineKind : uint8_t {
  ilkSection = 0,   // "[name]"
  ilkUnparsed = 1,  // not yet parsed
  ilkKey = 2,       // Text is the name, Value the value
  ilkNoValue = 3,   // parsed, without "="; Text without its leading blanks
  ilkComment = 4,   // first character ";"
  ilkEmpty = 5
};

// A line as TIniItems hands it out: the views stay valid until the store next changes.
struct TIniLine {
  TIniLineKind Kind = ilkEmpty;
  uint32_t NameHash = 0;   // of the upper-cased name; kind ilkKey only
  std::string_view Text;   // the whole line; the name for ilkKey; empty for ilkEmpty
  std::string_view Value;  // ilkKey only
};

// A name prepared for lookups.
struct TIniName {
  const std::string* Name = nullptr;
  std::string Upper;   // upper-cased with the index's upper-case function
  uint32_t Hash = 0;   // IniNameHash of Upper
  uint64_t Key = 0;    // a strong hash of Upper: the key of plain names in a section's key index
  bool Plain = false;  // see TSectionItems::IsPlain
};

// The key lines of a section, by a 64-bit key: a power-of-two array of slots, open addressing
// with linear probing, at most half full. A slot keeps 32 bits of the key, so a lookup may also
// visit lines of other keys: callers confirm every line they are given. Several slots may hold
// one key; a lookup visits all of them.
class TKeyTable {
public:
  struct TSlot {
    uint32_t Tag;
    int Offset;  // -1: free
  };

  void Clear();
  bool Empty() const { return FUsed == 0; }
  void Insert(uint64_t Key, int Offset);
  // Calls F(Offset) for every slot of the key, until F returns true (which stops the walk).
  template <typename F>
  void Visit(uint64_t Key, F&& Fn) const {
    if (FSlots.empty()) return;
    const uint32_t T = Tag(Key);
    for (size_t I = Home(T);; I = (I + 1) & FMask) {
      const TSlot& S = FSlots[I];
      if (S.Offset < 0) return;
      if (S.Tag == T && Fn(S.Offset)) return;
    }
  }
  template <typename F>
  void VisitAll(F&& Fn) const {
    for (const TSlot& S : FSlots)
      if (S.Offset >= 0) Fn(S.Offset);
  }

private:
  static uint32_t Tag(uint64_t Key) { return static_cast<uint32_t>(Key ^ (Key >> 32)); }
  size_t Home(uint32_t T) const {
    // Fibonacci hashing: the top bits of the product depend on every bit of the tag.
    return static_cast<size_t>((T * 0x9E3779B1u) >> FShift);
  }
  void Grow();

  std::vector<TSlot> FSlots;
  size_t FMask = 0;
  int FShift = 32;
  int FUsed = 0;
};

// One section header of the file, with the index of the key lines that lookups have passed.
struct TSectionEntry {
  uint32_t Hash = 0;  // of the upper-cased name
  int BodyStart = 0;  // index of the line after the header
  std::string Name;   // between the brackets, untrimmed
  std::string Upper;
  bool Plain = false;

  // Lines [BodyStart, BodyStart + Parsed) have been passed by lookups, so none of them is
  // unparsed. Their key lines are indexed by offset from BodyStart: plain names under the strong
  // hash of their upper-cased form, the others under their NameHash. A key line whose name
  // repeats that of an earlier indexed line exactly is left out: the earlier one matches first.
  // LastKey is the offset of the last key or no-value line among them, -1 when none.
  int Parsed = 0;
  int LastKey = -1;
  TKeyTable PlainKeys;
  TKeyTable OtherKeys;

  void ResetKeys() {
    Parsed = 0;
    LastKey = -1;
    PlainKeys.Clear();
    OtherKeys.Clear();
  }
};

// The section index: 256 buckets, each a chain of entries from the last section in the file to the
// first (a new section joins its chain at the head). A chain is held as an array of slots that
// carry what a lookup needs to pass over an entry without reading it.
class TSectionItems : public TObject {
public:
  static constexpr int BucketCount = 256;

  TSectionItems();
  ~TSectionItems() override;
  TSectionItems(const TSectionItems&) = delete;
  TSectionItems& operator=(const TSectionItems&) = delete;

  // ExactUpper: two names compare equal exactly when their upper-cased forms are equal (true of
  // the ASCII functions).
  void SetNameFunctions(TIniCompareFunc Compare, TIniUpperFunc Upper, bool ExactUpper);

  // Whether the upper-cased form settles inequality: always with ExactUpper; with the locale
  // functions for names of printable ASCII characters (no two such names of different upper-cased
  // forms compare equal under the locale comparison; equal forms still need the comparison, as
  // contractions such as Danish "aa" make case matter).
  bool IsPlain(std::string_view S) const;
  std::string UpperName(std::string_view S) const;  // the upper-case function, faster on ASCII
  void UpperName(std::string_view S, std::string& Result) const;  // into Result, reusing its buffer
  static uint64_t StrongHash(std::string_view Upper);
  TIniName Prepare(const std::string& Name) const;
  void Prepare(const std::string& Name, TIniName& Result) const;  // reusing Result's buffer
  // Name (with its upper-cased form and plainness) compares equal to A.
  bool Same(const TIniName& A, std::string_view Name, std::string_view Upper, bool Plain) const;
  bool Same(const TIniName& A, std::string_view Name) const;

  TSectionEntry* Add(std::string_view Name, int BodyStart);
  // The first entry of the name's chain with the same hash and an equal name, or nullptr.
  TSectionEntry* Find(const TIniName& Name) const;
  void Remove(TSectionEntry* Entry);  // frees it
  void Clear();
  // Adds Delta to the BodyStart of every entry whose BodyStart is greater than Index.
  void Shift(int Index, int Delta);
  void ResetKeys();  // forgets every entry's key index
  TSectionEntry* EntryAt(std::string_view Name, int BodyStart) const;  // the header Name before BodyStart
  std::vector<const TSectionEntry*> Chain(int Bucket) const;             // from the head

private:
  struct TSlot {
    uint32_t Hash;
    bool Plain;
    uint64_t Key;  // TIniName::Key of the entry's name
    TSectionEntry* Entry;
  };
  // Each bucket in file order: its chain read from the back.
  std::array<std::vector<TSlot>, BucketCount> FBuckets;
  TIniCompareFunc FCompare;
  TIniUpperFunc FUpper;
  bool FExactUpper = false;
  std::string FAsciiUpper;  // the upper-case function of every ASCII character, by code
};

// The lines of an INI file in file order, with the section index. The loaded text stays in one
// buffer that the lines refer to by position; a changed text or value is appended to the buffer,
// which is compacted when more than half of it is no longer referred to.
class TIniItems : public TObject {
public:
  TIniItems();
  ~TIniItems() override;
  TIniItems(const TIniItems&) = delete;
  TIniItems& operator=(const TIniItems&) = delete;

  int Count() const { return static_cast<int>(FLines.size()); }
  int Capacity() const { return static_cast<int>(FLines.capacity()); }
  TIniLine Lines(int Index) const;  // EListError "List index out of bounds (%d)"
  TIniLine operator[](int Index) const { return Lines(Index); }
  TSectionItems& Sections() { return FSections; }
  const TSectionEntry* LastSection() const { return FLastSection; }

  void SetNameFunctions(TIniCompareFunc Compare, TIniUpperFunc Upper, bool ExactUpper);  // rehashes the lines

  // Replaces a line's text: a key line keeps its kind with the new name, any other line is
  // classified again.
  virtual void PutText(int Index, const std::string& Text);
  virtual void LoadFromFile(const std::string& FileName);  // read-only, denying others write access
  virtual void LoadFromStream(TStream& Stream);            // from the position to the end
  // Writes a temporary file beside FileName and moves it over FileName; on failure the
  // temporary file is removed, FileName is left as it was and the error is raised.
  virtual void SaveToFile(const std::string& FileName);
  virtual void SaveToStream(TStream& Stream);  // the joined text in one write

  void Clear();
  void SetText(const std::string& Text);  // splits at CR, LF, CR LF (LF CR ends two lines)
  std::string Text() const;               // every line followed by CR LF; key lines as name=value

  // The body start of a section, or -1; Create adds a missing section at the end.
  int FindSection(const std::string& Name, bool Create);
  // The line of a key, or -1; Create adds a missing section and key line.
  int FindKey(const std::string& Section, const std::string& Ident, bool Create);
  void SetValue(int Index, const std::string& Value);  // of a key line
  // Removes the section's header and the lines that belong to it; false when there is none.
  bool EraseSection(const std::string& Name);
  bool DeleteKey(const std::string& Section, const std::string& Ident);  // false when there is none
  // The names of the section's keys in file order (parses the section).
  void KeyNames(const std::string& Section, std::vector<std::string>& Names);
  // The names of all sections in file order (parses every line).
  void SectionNames(std::vector<std::string>& Names);

private:
  // A line of the store: Text and Value are ranges of FBuffer.
  struct TLine {
    uint32_t TextPos = 0;
    uint32_t TextLen = 0;
    uint32_t ValuePos = 0;
    uint32_t ValueLen = 0;
    uint32_t NameHash = 0;
    TIniLineKind Kind = ilkEmpty;
  };
  static_assert(sizeof(TLine) <= 24, "a line record stays small");

  std::string_view TextOf(const TLine& Line) const { return {FBuffer.data() + Line.TextPos, Line.TextLen}; }
  std::string_view ValueOf(const TLine& Line) const { return {FBuffer.data() + Line.ValuePos, Line.ValueLen}; }
  void Assign(std::string&& Text);
  // Appends S (which must not lie in the buffer) and returns its position; may compact first.
  uint32_t Store(const std::string& S);
  void Compact();
  void Discard(const TLine& Line) { FGarbage += Line.TextLen + Line.ValueLen; }
  void Grow();
  TSectionEntry* Classify(int Index, uint32_t Pos, uint32_t Len);  // the new entry of a header
  void Parse(TLine& Line, std::string* Upper);  // Upper: the key's upper-cased name
  TSectionEntry* Lookup(const std::string& Name, bool Create);
  TSectionEntry* AddSection(const std::string& Name);
  void IndexKey(TSectionEntry* Section, int Offset, const TLine& Line, const std::string& Upper, bool Plain);
  bool ReadsBackAsOther(const TLine& Line) const;
  // Walks the section from its parsed mark on, parsing and indexing, up to the first key that
  // matches Ident (its line) or the end of the section (-1). Without Ident, to the end.
  int Advance(TSectionEntry* Section, const TIniName* Ident);
  int FindKeyIn(TSectionEntry* Section, const std::string& Ident, bool Create);

  std::vector<TLine> FLines;
  std::string FBuffer;
  size_t FGarbage = 0;  // bytes of FBuffer no line refers to any more (not counting trimmed blanks)
  TSectionItems FSections;
  TSectionEntry* FLastSection = nullptr;
  // Scratch buffers of the lookups.
  TIniName FName;
  std::string FUpper;
};

class TCorvIniFile : public TCustomIniFile {
public:
  explicit TCorvIniFile(const std::string& FileName);
  // Writes the file when modified; a failure is swallowed: callers whose write errors must reach
  // the user call UpdateFile first.
  ~TCorvIniFile() override;

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  // A value holding ";" outside double quotes is stored in double quotes, so that it reads back
  // whole here and through the profile API (here not when it also holds a ";" inside double
  // quotes of its own: no stored form keeps such a value whole for this reader). Any other value
  // whose first and last characters are the same quote is stored in one more pair of single
  // quotes. The stored value changes only when its bytes differ.
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings& Strings) override;
  void ReadSections(TStrings& Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  void UpdateFile() override;

  virtual void Clear();  // back to unloaded and unmodified
  virtual int CompareLists(const TStrings& A, const TStrings& B) const;
  virtual void Flush();  // writes the file when modified
  virtual void Load();   // reads the file; a missing file or an empty name gives an empty INI

  bool Loaded() const { return FLoaded; }
  bool Modified() const { return FModified; }
  TIniItems& Items() { return *FItems; }

  bool InlineComments() const { return FInlineComments; }
  void SetInlineComments(bool Value) { FInlineComments = Value; }
  // True: locale comparisons (AnsiCompareText, AnsiUpperCase, AnsiCompareStr); False: ASCII ones.
  bool UseLocale() const { return FUseLocale; }
  void SetUseLocale(bool Value);

private:
  std::string StoredForm(const std::string& Value) const;  // the value as WriteString stores it
  void EnsureLoaded() {
    if (!FLoaded) Load();
  }

  TIniCompareFunc FValueCompare;
  std::unique_ptr<TIniItems> FItems;
  bool FInlineComments = true;
  bool FLoaded = false;
  bool FModified = false;
  bool FUseLocale = true;
};

// Resource strings: the linked string table, the replaceable loader, core messages through it.
#include "classlib/core/Classes.h"
#include "classlib/core/ResStrings.h"
#include "resources/ResStrings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// A source file of the repository as a name this process can open (Wine maps Unix paths).
std::string SourceFile(const std::string& Relative) {
  std::string Path = std::string(CORVANE_SOURCE_DIR) + "/" + Relative;
  using TGetDosName = WCHAR* (*)(const char*);
  const auto GetDosName = reinterpret_cast<TGetDosName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (GetDosName != nullptr && !Path.empty() && Path[0] == '/') {
    WCHAR* Dos = GetDosName(Path.c_str());
    if (Dos != nullptr) {
      char Buffer[MAX_PATH * 2] = {};
      WideCharToMultiByte(CP_ACP, 0, Dos, -1, Buffer, sizeof(Buffer), nullptr, nullptr);
      HeapFree(GetProcessHeap(), 0, Dos);
      return Buffer;
    }
  }
  return Path;
}

std::string ReadFile(const std::string& Name) {
  std::ifstream In(Name, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

// "#define Name Id" lines of the identifier header.
std::map<std::string, int> ReadIdentifiers(const std::string& Text) {
  std::map<std::string, int> Result;
  std::istringstream In(Text);
  std::string Line;
  while (std::getline(In, Line)) {
    std::istringstream L(Line);
    std::string Define, Name;
    int Id = 0;
    if (L >> Define >> Name >> Id && Define == "#define") Result[Name] = Id;
  }
  return Result;
}

// "Name, "text"" entries of the STRINGTABLE, with "" unescaped and \r\n turned into CR LF.
std::map<std::string, std::string> ReadTexts(const std::string& Text) {
  std::map<std::string, std::string> Result;
  std::istringstream In(Text);
  std::string Line;
  while (std::getline(In, Line)) {
    const size_t Comma = Line.find(',');
    const size_t Quote = Line.find('"');
    if (Comma == std::string::npos || Quote == std::string::npos || Quote < Comma) continue;
    std::string Name = Line.substr(0, Comma);
    Name.erase(0, Name.find_first_not_of(" \t"));
    std::string Value;
    for (size_t I = Quote + 1; I < Line.size(); ++I) {
      if (Line[I] == '"') {
        if (I + 1 < Line.size() && Line[I + 1] == '"') {
          Value += '"';
          ++I;
          continue;
        }
        break;
      }
      if (Line[I] == '\\' && I + 1 < Line.size()) {
        const char E = Line[++I];
        Value += E == 'r' ? '\r' : E == 'n' ? '\n' : E == 't' ? '\t' : E;
        continue;
      }
      Value += Line[I];
    }
    Result[Name] = Value;
  }
  return Result;
}

std::string TestLoader(int Ident) { return "replaced " + std::to_string(Ident) + " (%d)"; }

}  // namespace

TEST(ResStrings, EveryCoreStringIsLinked) {
  const auto Ids = ReadIdentifiers(ReadFile(SourceFile("resources/strings/Core.h")));
  const auto Texts = ReadTexts(ReadFile(SourceFile("resources/strings/Core.rc")));
  ASSERT_GE(Ids.size(), 10u);
  ASSERT_EQ(Ids.size(), Texts.size());
  for (const auto& [Name, Id] : Ids) {
    ASSERT_EQ(Texts.count(Name), 1u) << Name;
    EXPECT_GE(Id, 1000);
    EXPECT_LE(Id, 1999);
    EXPECT_EQ(LoadResString(Id), Texts.at(Name)) << Name;
  }
  // The C++ constants are the identifiers of the table.
  EXPECT_EQ(SListIndexError, Ids.at("SListIndexError"));
  EXPECT_EQ(SFOpenErrorEx, Ids.at("SFOpenErrorEx"));
  EXPECT_EQ(LoadResString(SListIndexError), "List index out of bounds (%d)");
  EXPECT_EQ(LoadResString(SFOpenErrorEx), "Cannot open file \"%s\". %s");
  EXPECT_EQ(LoadResString(SOSError), "System Error.  Code: %d.\r\n%s");
}

TEST(ResStrings, MissingStringIsEmpty) {
  EXPECT_EQ(DefaultResStringLoader(1999), "");
  EXPECT_EQ(DefaultResStringLoader(-1), "");
  EXPECT_EQ(DefaultResStringLoader(70000), "");
}

TEST(ResStrings, ReplacedLoaderIsUsedAndRestored) {
  const TResStringLoader Previous = SetResStringLoader(&TestLoader);
  EXPECT_EQ(LoadResString(SListIndexError), "replaced 1000 (%d)");
  // Messages of the core go through the loader.
  TList List;
  try {
    List.Get(3);
    ADD_FAILURE() << "no exception";
  } catch (const EListError& E) {
    EXPECT_EQ(E.Message(), "replaced " + std::to_string(SListIndexError) + " (3)");
  }
  EXPECT_EQ(SetResStringLoader(Previous), &TestLoader);
  EXPECT_EQ(LoadResString(SListIndexError), "List index out of bounds (%d)");

  SetResStringLoader(&TestLoader);
  EXPECT_EQ(SetResStringLoader(nullptr), &TestLoader);  // nullptr restores the default
  EXPECT_EQ(LoadResString(SReadError), "Stream read error");
  EXPECT_EQ(LoadResString(SReadError), DefaultResStringLoader(SReadError));
}

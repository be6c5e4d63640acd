// Small string helpers of the component library: integer maximum and minimum, replacing, words
// between delimiters, and the xor-and-hexadecimal coding of stored values. Positions are 1-based.
#pragma once

#include <bitset>
#include <initializer_list>
#include <string>

// A set of 8-bit characters, such as the delimiters between words.
class TSysCharSet {
public:
  TSysCharSet() = default;
  TSysCharSet(std::initializer_list<char> Chars) {
    for (char C : Chars) Include(C);
  }
  TSysCharSet& Include(char C) {
    FBits.set(static_cast<unsigned char>(C));
    return *this;
  }
  bool Contains(char C) const { return FBits.test(static_cast<unsigned char>(C)); }

private:
  std::bitset<256> FBits;
};

inline int Max(int A, int B) { return A > B ? A : B; }
inline int Min(int A, int B) { return A < B ? A : B; }

// Every occurrence of Search, scanned from the left, replaced by Replace; the scan goes on after
// the occurrence in the source, so replacements are never rescanned. An empty Search changes nothing.
std::string ReplaceAll(const std::string& S, const std::string& Search, const std::string& Replace);

// Words are maximal runs of characters outside Delims.
int CountWords(const std::string& S, const TSysCharSet& Delims);
// Position of the first character of word N (from 1); 0 when there is no such word.
int WordStart(int N, const std::string& S, const TSysCharSet& Delims);
// Word N; "" when there is none.
std::string WordAt(int N, const std::string& S, const TSysCharSet& Delims);

// Each byte xor the key byte at its index modulo the key length (no xor for an empty key), as
// two lower-case hexadecimal digits.
std::string XorToHex(const std::string& Key, const std::string& S);
// The inverse of XorToHex: a pair that is not hexadecimal reads as 32; an odd last digit is ignored.
std::string XorFromHex(const std::string& Key, const std::string& S);

// Whether some character of Chars occurs in S.
bool ContainsAnyChar(const std::string& S, const std::string& Chars);

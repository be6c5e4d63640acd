// Text helpers of the localizer: code-page conversions, cutting at a delimiter, pattern replacement and
// the decoding of language-file values (quoted literals, or plain text with a line-break divider).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// S in CodePage as wide text; "" when the code page is unknown to the system.
std::wstring AnsiToWideCP(const std::string& S, UINT CodePage);
// W as 8-bit text in CodePage; characters the code page lacks become its default character.
std::string WideToAnsiCP(const std::wstring& W, UINT CodePage);

// When Delimiter occurs in S: Head := the text before its first occurrence, S := the text after it.
// Otherwise Head := S and S := "".
void CutHead(std::string& S, const std::string& Delimiter, std::string& Head);
void WideCutHead(std::wstring& S, const std::wstring& Delimiter, std::wstring& Head);

constexpr unsigned rfReplaceAll = 1, rfIgnoreCase = 2;
// S with NewPattern in place of the first (rfReplaceAll: every) occurrence of OldPattern. With
// rfIgnoreCase the search runs on upper-cased copies and the output keeps the text of S. An empty
// OldPattern matches nothing.
std::wstring WideReplace(const std::wstring& S, const std::wstring& OldPattern, const std::wstring& NewPattern,
                         unsigned Flags);
std::wstring WideReplaceAll(const std::wstring& S, const std::wstring& OldPattern, const std::wstring& NewPattern);

// One run of quoted literals: 'text' with '' for a quote inside, #nnn for the character of decimal code
// nnn (its low 16 bits). Returns 0 when all of S decoded; else the 1-based position of the stray
// character outside a literal at which decoding stopped (the decoder's EDelphiToStringError), Result
// holding what was decoded before it. An unterminated quote or a non-digit in a code raises Exception
// "Bad decoded string: \"<S>\"", S quoted in MessageCodePage.
size_t DecodeQuotedLiteral(const std::wstring& S, std::wstring& Result, UINT MessageCodePage = CP_ACP);

// Runs of literals separated by stray characters, joined by CR: each stray character ends a part, and
// the rest is trimmed of codes below 33 before the next run. Raises as DecodeQuotedLiteral.
std::wstring DecodeQuotedLines(const std::wstring& S, UINT MessageCodePage = CP_ACP);

// A language-file value: with Humanize every Divider becomes LineBreak, else DecodeQuotedLines.
std::wstring DecodeValue(const std::wstring& S, bool Humanize, const std::wstring& Divider,
                         const std::wstring& LineBreak, UINT MessageCodePage = CP_ACP);

// Vellisk's debug log: timed, indented trace lines in a text file and on the debugger output,
// and the text forms of the flag values that the trace lines show.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/SysUtils.h"

#include <windows.h>
#include <shlobj.h>

#include <initializer_list>
#include <string>

class TFileDebug : public TObject {
public:
  // Level 0; opens the log when Enabled.
  TFileDebug(const std::string& FileName, bool Enabled);
  // Writes the closing line and closes the file when enabled.
  ~TFileDebug() override;
  TFileDebug(const TFileDebug&) = delete;
  TFileDebug& operator=(const TFileDebug&) = delete;

  // Enabled := True, then creates the file anew ("Starting debug session: <date time>");
  // a file that cannot be created turns logging off.
  void OpenLog();

  void Indent() { ++FLevel; }
  void Unindent() { --FLevel; }
  int Level() const { return FLevel; }
  void SetLevel(int Value) { FLevel = Value; }

  // "<long time>:" + two blanks per level + Message into the file, Message + CR LF to the
  // debugger. A failed write shows one error box and turns logging off.
  void WriteLine(const std::string& Message);
  void WriteFmt(const std::string& Fmt, std::initializer_list<TVarRec> Args);

  bool Enabled() const { return FEnabled; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  const std::string& FileName() const { return FFileName; }

private:
  int FLevel = 0;
  bool FEnabled = false;
  HANDLE FFile = INVALID_HANDLE_VALUE;
  std::string FCaption;
  std::string FFileName;

  bool WriteText(const std::string& Text);  // Text and CR LF at the file's end; false on failure
  // WriteLine's work; the session's first and last lines go without the time and the indent.
  void WriteLineChecked(const std::string& Message, bool Timed);
  void CloseLog();
};

// Local date and time in the user locale's short date form, a blank, and its long time form.
std::string DebugDateTimeStr();
// Local time in the user locale's long time form.
std::string DebugTimeStr();

// "False" / "True".
std::string BoolToStr(bool Value);
// QueryContextMenu flags: "5={CMF_DEFAULTONLY CMF_EXPLORE }".
std::string CMFFlagsToStr(UINT Flags);
// GetCommandString request type: "1=(GCS_HELPTEXTA)"; "3=()" for a value without a name.
std::string GCSTypeToStr(UINT Type);
// Storage medium type: "1={TYMED_HGLOBAL}", "0={TYMED_NULL}", "3={TYMED_HGLOBALTYMED_FILE}".
std::string TymedToStr(DWORD Tymed);

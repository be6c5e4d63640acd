// The look of the shell extension's owner-drawn menu items, kept in section
// "Custom-drawn Menu Properties" of the INI file. Loaded by both deliverables, saved by Corvane.
// Creates no windows.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/Graphics.h"

#include <cstdint>
#include <string>

// C as a COLORREF: Default when C is clDefault, the current system colour of C's low byte when C
// is negative, else C itself. Default is returned as given.
TColor ResolveColor(TColor C, TColor Default);

// The section's text forms of colours and Booleans.
std::string CustDrawColorToStr(TColor C);                         // "$" + upper-case hex, fewest digits
TColor CustDrawStrToColor(const std::string& S);                  // "$" marks hex; clDefault when not a number
std::string CustDrawBoolToStr(bool B);                            // "False" / "True"
bool CustDrawStrToBool(const std::string& S);                     // "True" in any case; anything else False

class TCustomDrawnMenuInfo : public TObject {
public:
  static constexpr const char* SectionName = "Custom-drawn Menu Properties";

  // Stores the file name and loads (this class's Load: a constructor calls no override).
  explicit TCustomDrawnMenuInfo(const std::string& FileName);
  ~TCustomDrawnMenuInfo() override;
  TCustomDrawnMenuInfo(const TCustomDrawnMenuInfo&) = delete;
  TCustomDrawnMenuInfo& operator=(const TCustomDrawnMenuInfo&) = delete;

  const std::string& FileName() const { return FFileName; }

  bool FirstLevelDefault() const { return FFirstLevelDefault; }  // top-level items keep the system's look
  bool BackgroundFix() const { return FBackgroundFix; }          // folder background's submenus keep it
  bool Modified() const { return FModified; }
  bool Enabled() const { return FEnabled; }
  int32_t TextIndent() const { return FTextIndent; }
  const std::string& TextFontFace() const { return FTextFontFace; }  // empty: the variable-pitch font
  int32_t TextFontSize() const { return FTextFontSize; }             // points
  TColor NormalIconBackColor() const { return FNormalIconBackColor; }
  TColor SelectedIconBackColor() const { return FSelectedIconBackColor; }
  bool FrameAll() const { return FFrameAll; }
  TColor FrameLightColor() const { return FFrameLightColor; }
  TColor SelectedBackColor() const { return FSelectedBackColor; }
  TColor SelectedTextColor() const { return FSelectedTextColor; }
  TColor NormalBackColor() const { return FNormalBackColor; }
  TColor NormalTextColor() const { return FNormalTextColor; }
  TColor FrameShadowColor() const { return FFrameShadowColor; }
  TColor FrameBorderColor() const { return FFrameBorderColor; }
  uint8_t FrameStyle() const { return FFrameStyle; }

  // Each stores a differing value (strings compared case-sensitively) and calls Changed.
  void SetFirstLevelDefault(bool Value);
  void SetBackgroundFix(bool Value);
  void SetEnabled(bool Value);
  void SetTextIndent(int32_t Value);
  void SetTextFontFace(const std::string& Value);
  void SetTextFontSize(int32_t Value);
  void SetNormalIconBackColor(TColor Value);
  void SetSelectedIconBackColor(TColor Value);
  void SetFrameAll(bool Value);
  void SetFrameLightColor(TColor Value);
  void SetSelectedBackColor(TColor Value);
  void SetSelectedTextColor(TColor Value);
  void SetNormalBackColor(TColor Value);
  void SetNormalTextColor(TColor Value);
  void SetFrameShadowColor(TColor Value);
  void SetFrameBorderColor(TColor Value);
  void SetFrameStyle(uint8_t Value);
  // Stores the value and calls DoModified, also when it is unchanged.
  void SetModified(bool Value);

  // OnChange is held back while an update is open; EndUpdate fires nothing.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // Reads the section (missing keys and unreadable values give the defaults), fires OnChange
  // once when no update is open, and clears Modified. INI errors pass to the caller.
  virtual void Load();
  // Writes the section in full; the file is rewritten only when a value differs. Clears Modified;
  // when writing raises, Modified stays as it was.
  virtual void Save();

  TNotifyEvent OnChange;    // after a change outside an update
  TNotifyEvent OnModified;  // whenever Modified is written

protected:
  virtual void Changed();     // Modified := True, then OnChange when no update is open
  virtual void DoModified();  // OnModified

private:
  template <typename T>
  void Store(T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    Changed();
  }

  std::string FFileName;
  bool FFirstLevelDefault = true;
  bool FBackgroundFix = true;
  bool FModified = false;
  bool FEnabled = false;
  int32_t FTextIndent = 20;
  std::string FTextFontFace;
  int32_t FTextFontSize = 0;
  TColor FNormalIconBackColor = clDefault;
  TColor FSelectedIconBackColor = clDefault;
  bool FFrameAll = false;
  TColor FFrameLightColor = clDefault;
  TColor FSelectedBackColor = clDefault;
  TColor FSelectedTextColor = clDefault;
  TColor FNormalBackColor = clDefault;
  TColor FNormalTextColor = clDefault;
  TColor FFrameShadowColor = clDefault;
  TColor FFrameBorderColor = clDefault;
  uint8_t FFrameStyle = 0;
  int32_t FUpdateCount = 0;
};

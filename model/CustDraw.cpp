#include "model/CustDraw.h"

#include "classlib/core/SysUtils.h"
#include "model/CorvIniFile.h"

#include <windows.h>

TColor ResolveColor(TColor C, TColor Default) { return C == clDefault ? Default : ColorToRGB(C); }

std::string CustDrawColorToStr(TColor C) { return "$" + IntToHex(static_cast<int>(C), 1); }

TColor CustDrawStrToColor(const std::string& S) { return static_cast<TColor>(StrToIntDef(S, clDefault)); }

std::string CustDrawBoolToStr(bool B) { return B ? "True" : "False"; }

bool CustDrawStrToBool(const std::string& S) { return AnsiCompareText(S, "True") == 0; }

// ---------------------------------------------------------------------------------------------

TCustomDrawnMenuInfo::TCustomDrawnMenuInfo(const std::string& FileName) : FFileName(FileName) {
  TCustomDrawnMenuInfo::Load();
}

TCustomDrawnMenuInfo::~TCustomDrawnMenuInfo() = default;

void TCustomDrawnMenuInfo::SetFirstLevelDefault(bool Value) { Store(FFirstLevelDefault, Value); }
void TCustomDrawnMenuInfo::SetBackgroundFix(bool Value) { Store(FBackgroundFix, Value); }
void TCustomDrawnMenuInfo::SetEnabled(bool Value) { Store(FEnabled, Value); }
void TCustomDrawnMenuInfo::SetTextIndent(int32_t Value) { Store(FTextIndent, Value); }
void TCustomDrawnMenuInfo::SetTextFontFace(const std::string& Value) { Store(FTextFontFace, Value); }
void TCustomDrawnMenuInfo::SetTextFontSize(int32_t Value) { Store(FTextFontSize, Value); }
void TCustomDrawnMenuInfo::SetNormalIconBackColor(TColor Value) { Store(FNormalIconBackColor, Value); }
void TCustomDrawnMenuInfo::SetSelectedIconBackColor(TColor Value) { Store(FSelectedIconBackColor, Value); }
void TCustomDrawnMenuInfo::SetFrameAll(bool Value) { Store(FFrameAll, Value); }
void TCustomDrawnMenuInfo::SetFrameLightColor(TColor Value) { Store(FFrameLightColor, Value); }
void TCustomDrawnMenuInfo::SetSelectedBackColor(TColor Value) { Store(FSelectedBackColor, Value); }
void TCustomDrawnMenuInfo::SetSelectedTextColor(TColor Value) { Store(FSelectedTextColor, Value); }
void TCustomDrawnMenuInfo::SetNormalBackColor(TColor Value) { Store(FNormalBackColor, Value); }
void TCustomDrawnMenuInfo::SetNormalTextColor(TColor Value) { Store(FNormalTextColor, Value); }
void TCustomDrawnMenuInfo::SetFrameShadowColor(TColor Value) { Store(FFrameShadowColor, Value); }
void TCustomDrawnMenuInfo::SetFrameBorderColor(TColor Value) { Store(FFrameBorderColor, Value); }
void TCustomDrawnMenuInfo::SetFrameStyle(uint8_t Value) { Store(FFrameStyle, Value); }

void TCustomDrawnMenuInfo::SetModified(bool Value) {
  FModified = Value;
  DoModified();
}

void TCustomDrawnMenuInfo::BeginUpdate() { ++FUpdateCount; }

void TCustomDrawnMenuInfo::EndUpdate() { --FUpdateCount; }

void TCustomDrawnMenuInfo::Changed() {
  SetModified(true);
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TCustomDrawnMenuInfo::DoModified() {
  if (OnModified) OnModified(this);
}

void TCustomDrawnMenuInfo::Load() {
  {
    auto Update = UpdateScope(*this);
    TCorvIniFile Ini(FFileName);
    const std::string S = SectionName;
    auto Bool = [&](const char* Key, const char* Default) { return CustDrawStrToBool(Ini.ReadString(S, Key, Default)); };
    auto Int = [&](const char* Key, int Default) {
      return StrToIntDef(Ini.ReadString(S, Key, IntToStr(Default)), Default);
    };
    auto Color = [&](const char* Key) { return CustDrawStrToColor(Ini.ReadString(S, Key, "$20000000")); };

    SetEnabled(Bool("Enabled", "False"));
    SetFirstLevelDefault(Bool("FirstLevelDefault", "True"));
    SetBackgroundFix(Bool("BackgroundFix", "True"));
    SetTextIndent(Int("TextIndent", 20));
    SetTextFontFace(Ini.ReadString(S, "TextFontFace", ""));
    SetTextFontSize(Int("TextFontSize", 0));
    SetNormalTextColor(Color("NormalTextColor"));
    SetSelectedTextColor(Color("SelectedTextColor"));
    SetNormalBackColor(Color("NormalBackColor"));
    SetSelectedBackColor(Color("SelectedBackColor"));
    SetNormalIconBackColor(Color("NormalIconBackColor"));
    SetSelectedIconBackColor(Color("SelectedIconBackColor"));
    SetFrameStyle(static_cast<uint8_t>(Int("FrameStyle", 0) & 0xFF));
    SetFrameLightColor(Color("FrameLightColor"));
    SetFrameShadowColor(Color("FrameShadowColor"));
    SetFrameBorderColor(Color("FrameBorderColor"));
    SetFrameAll(Bool("FrameAll", "False"));
  }
  Changed();
  SetModified(false);
}

void TCustomDrawnMenuInfo::Save() {
  {
    TCorvIniFile Ini(FFileName);
    const std::string S = SectionName;
    Ini.WriteString(S, "Enabled", CustDrawBoolToStr(FEnabled));
    Ini.WriteString(S, "FirstLevelDefault", CustDrawBoolToStr(FFirstLevelDefault));
    Ini.WriteString(S, "BackgroundFix", CustDrawBoolToStr(FBackgroundFix));
    Ini.WriteString(S, "TextIndent", IntToStr(FTextIndent));
    Ini.WriteString(S, "TextFontFace", FTextFontFace);
    Ini.WriteString(S, "TextFontSize", IntToStr(FTextFontSize));
    Ini.WriteString(S, "NormalTextColor", CustDrawColorToStr(FNormalTextColor));
    Ini.WriteString(S, "SelectedTextColor", CustDrawColorToStr(FSelectedTextColor));
    Ini.WriteString(S, "NormalBackColor", CustDrawColorToStr(FNormalBackColor));
    Ini.WriteString(S, "SelectedBackColor", CustDrawColorToStr(FSelectedBackColor));
    Ini.WriteString(S, "NormalIconBackColor", CustDrawColorToStr(FNormalIconBackColor));
    Ini.WriteString(S, "SelectedIconBackColor", CustDrawColorToStr(FSelectedIconBackColor));
    Ini.WriteString(S, "FrameStyle", IntToStr(FFrameStyle));
    Ini.WriteString(S, "FrameLightColor", CustDrawColorToStr(FFrameLightColor));
    Ini.WriteString(S, "FrameShadowColor", CustDrawColorToStr(FFrameShadowColor));
    Ini.WriteString(S, "FrameBorderColor", CustDrawColorToStr(FFrameBorderColor));
    Ini.WriteString(S, "FrameAll", CustDrawBoolToStr(FFrameAll));
    // The destructor swallows a failed write: flush here so that it reaches the caller.
    Ini.UpdateFile();
  }
  SetModified(false);
}

// Translated message texts in the class library's resource-string slot.
#include "localizer/uFreeLocalizer.h"

TResStringer* ResStringer = nullptr;

namespace {

std::string ResStringLookupHook(int Ident) {
  const TResStringer* Stringer = ResStringer;
  if (Stringer == nullptr) return DefaultResStringLoader(Ident);
  std::string Text;
  if (Stringer->Enabled() && Stringer->FindTranslatedString(Ident, Text)) return Text;
  const TResStringLoader Fallback = Stringer->Fallback();
  return Fallback != nullptr ? Fallback(Ident) : DefaultResStringLoader(Ident);
}

}  // namespace

TResStringer::TResStringer() { SetEnabled(true); }

TResStringer::~TResStringer() { SetEnabled(false); }

void TResStringer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  if (Value)
    FPrevious = SetResStringLoader(&ResStringLookupHook);
  else
    SetResStringLoader(FPrevious);
  FEnabled = Value;
}

void TResStringer::ClearStrings() {
  FStrings.clear();
  FHasStrings = true;
}

void TResStringer::AddString(int Id, const std::string& Text) {
  FStrings.push_back(TResString{Id, Text});
  FHasStrings = true;
}

bool TResStringer::FindTranslatedString(int Id, std::string& Text) const {
  if (FStrings.empty()) return false;
  size_t Lo = 0, Hi = FStrings.size() - 1;
  while (Hi > Lo) {
    const size_t Mid = (Lo + Hi) / 2;
    if (FStrings[Mid].Id < Id)
      Lo = Mid + 1;
    else
      Hi = Mid;
  }
  if (FStrings[Lo].Id != Id) return false;
  Text = FStrings[Lo].Text;
  return true;
}

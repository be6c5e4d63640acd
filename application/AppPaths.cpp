#include "application/AppPaths.h"

#include "classlib/core/SysUtils.h"
#include "model/Utils.h"

const char* const ProductTitle = "Corvane 2007";

namespace {
std::string& FolderOverride() {
  static std::string Folder;
  return Folder;
}

void ApplyFontTo(TWinControl* Parent, const TFont& Font) {
  for (int I = 0; I < Parent->ControlCount(); ++I) {
    TControl* Control = Parent->Controls(I);
    if (!Control->ParentFont() && Control->Font().Size() == 8) {
      Control->Font().SetName(Font.Name());
      Control->Font().SetCharset(Font.Charset());
    }
    if (auto* Win = dynamic_cast<TWinControl*>(Control)) ApplyFontTo(Win, Font);
  }
}
}  // namespace

std::string ProgramFolder() {
  if (!FolderOverride().empty()) return FolderOverride();
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  return ExtractFilePath(ExpandFileName(Path));
}

void SetProgramFolder(const std::string& Folder) {
  FolderOverride() = Folder;
  if (!Folder.empty() && Folder.back() != '\\') FolderOverride() += '\\';
}

void ApplySystemFont(TCustomForm* Form) {
  const std::unique_ptr<TFont> Font = CreateMessageFont();
  Form->Font().Assign(Font.get());
  ApplyFontTo(Form, *Font);
}

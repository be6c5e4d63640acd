#include "controls/DropFiles.h"

#include "classlib/core/Classes.h"

#include <memory>

namespace {

UINT ShellCount(HDROP Drop) { return DragQueryFileA(Drop, 0xFFFFFFFF, nullptr, 0); }

std::string ShellName(HDROP Drop, UINT Index) {
  const UINT Length = DragQueryFileA(Drop, Index, nullptr, 0);
  std::string Name(Length + 1, '\0');
  const UINT Got = DragQueryFileA(Drop, Index, Name.data(), Length + 1);
  Name.resize(Got < Length ? Got : Length);
  return Name;
}

}  // namespace

TDropQuery& DropQuery() {
  static TDropQuery Query{ShellCount, ShellName};
  return Query;
}

void HandleFileDrop(HDROP Drop, const std::function<void(TStrings* FileList)>& Handler) {
  std::unique_ptr<TStringList> List;
  try {
    const UINT Count = DropQuery().Count(Drop);
    if (Count > 0) {
      List = std::make_unique<TStringList>();
      for (UINT I = 0; I < Count; ++I) List->Add(DropQuery().Name(Drop, I));
    }
  } catch (...) {
    DragFinish(Drop);
    throw;
  }
  DragFinish(Drop);
  if (List) Handler(List.get());
}

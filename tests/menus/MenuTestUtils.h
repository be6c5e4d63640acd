// Helpers of the menu tests: a file-type model built by hand, a dump of a menu's tree, the
// message of a raised exception, and an event recorder.
#pragma once

#include "tests/support/Files.h"
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "model/FileTypes.h"
#include "model/MenuItems.h"
#include "tests/support/Expect.h"

namespace menutest {

inline TFileType* AddType(TFileTypes& Model, const std::string& Name, const std::string& Description) {
  TFileType* T = Model.Add();
  T->SetName(Name);
  T->SetDescription(Description);
  return T;
}

// Three ordinary types; the model sorts them by Description, so they stand in this order.
struct TThreeTypes {
  TFileTypes Model{nullptr};
  TFileType* Text = AddType(Model, "txtfile", "A text");
  TFileType* Batch = AddType(Model, "batfile", "B batch");
  TFileType* Settings = AddType(Model, "inifile", "C settings");
};

// "type:[caption,caption[child,...]],type:[...]" of the whole menu.
inline std::string DumpItems(TTreeItems* Items) {
  std::string Result;
  for (int I = 0; I < Items->Count(); ++I) {
    if (I > 0) Result += ",";
    TTreeItem* Item = Items->GetItem(I);
    if (auto* Category = dynamic_cast<TCustomFileTypeCategory*>(Item)) {
      TFileType* T = Category->GetFileType();
      Result += (T != nullptr ? T->Name() : std::string("nil")) + ":";
    } else if (auto* MenuItem = dynamic_cast<TCustomMenuItem*>(Item)) {
      Result += MenuItem->Caption();
    } else {
      Result += "?";
    }
    if (Item->Items()->Count() > 0 || dynamic_cast<TCustomFileTypeCategory*>(Item) != nullptr)
      Result += "[" + DumpItems(Item->Items()) + "]";
  }
  return Result;
}

inline std::string DumpMenu(const TCustomMenu& Menu) { return DumpItems(Menu.Items()); }

// Records the menu's item, change and focus events as lines.
inline void RecordEvents(TTreeCollection& Tree, std::vector<std::string>& Trace) {
  auto Name = [](TTreeItem* Item) -> std::string {
    if (Item == nullptr) return "nil";
    if (auto* M = dynamic_cast<TCustomMenuItem*>(Item)) return M->Caption();
    if (auto* C = dynamic_cast<TCustomFileTypeCategory*>(Item))
      return "cat " + (C->GetFileType() != nullptr ? C->GetFileType()->Name() : std::string("nil"));
    return "?";
  };
  Tree.OnItemAdded = [&Trace, Name](TObject*, TTreeItem* Item) { Trace.push_back("added " + Name(Item)); };
  Tree.OnItemDeleting = [&Trace, Name](TObject*, TTreeItem* Item) { Trace.push_back("deleting " + Name(Item)); };
  Tree.OnItemChange = [&Trace, Name](TObject*, TTreeItem* Item) { Trace.push_back("itemchange " + Name(Item)); };
  Tree.OnChange = [&Trace](TObject*, TTreeItems*, TTreeItem*) { Trace.push_back("change"); };
}

// The whole file as bytes; "" when it cannot be read.
inline std::string ReadFileText(const std::string& FileName) { return FileBytesOr(FileName, ""); }

inline void WriteFileText(const std::string& FileName, const std::string& Text) {
  HANDLE File = CreateFileA(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(File, INVALID_HANDLE_VALUE);
  DWORD Written = 0;
  WriteFile(File, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
  CloseHandle(File);
}

}  // namespace menutest

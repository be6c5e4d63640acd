// The file-type list view (types, extensions or both with the types' icons) bound to a file-type
// list component, and the edit whose drop-down holds such a list.
#pragma once

#include <climits>

#include "classlib/gui/ListView.h"
#include "controls/ToolEdit.h"
#include "model/FileTypeList.h"
#include "model/FileTypes.h"

enum TFileTypesViewStyle { ftvsTypes, ftvsExtensions, ftvsAll };
enum TFileTypesSortType { ftstType, ftstExtension };

class TFileTypeListView : public TCustomListView {
public:
  explicit TFileTypeListView(TComponent* AOwner);
  ~TFileTypeListView() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TFileTypeList* FileTypes() const { return FFileTypes; }
  void SetFileTypes(TFileTypeList* Value);
  TCustomImageList* Images() const { return SmallImages(); }
  void SetImages(TCustomImageList* Value) { SetSmallImages(Value); }
  TPredefinedTypes PredefinedTypes() const { return FPredefinedTypes; }
  void SetPredefinedTypes(TPredefinedTypes Value);
  TFileTypesViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TFileTypesViewStyle Value);
  TFileTypesSortType SortType() const { return FSortType; }
  void SetSortType(TFileTypesSortType Value);
  TFileTypeLink& Link() { return FLink; }

  // The rows from the model (sorted at the end); the columns of the view style.
  void RebuildRows();
  void RebuildColumns();
  void SetColumnWidths();
  void WndProc(TMessage& Message) override;

protected:
  int CompareItems(TListItem* Item1, TListItem* Item2, LPARAM Data) override;
  void Notify(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TFileTypesViewStyle FViewStyle = ftvsAll;
  TFileTypesSortType FSortType = ftstType;
  TFileTypeLink FLink;
  TFileTypeList* FFileTypes = nullptr;
  int FUpdateCount = 0;
  TPredefinedTypes FPredefinedTypes = TPredefinedTypes::All();
  void AddRow(const std::string& Caption, const std::string* Extension, int Index, TFileType* Type);
};

class TPopupFileTypes;

// The list inside the drop-down: the mouse focuses rows, a click or a lost focus closes.
class TPopupListView : public TFileTypeListView {
public:
  explicit TPopupListView(TComponent* AOwner);
  void WndProc(TMessage& Message) override;

protected:
  void Notify(TMessage& Message) override;

private:
  void ClosePopup(bool Accept);
};

class TPopupFileTypes : public TPopupWindow {
public:
  explicit TPopupFileTypes(TComponent* AOwner);
  TPopupListView* ListView() const { return FListView; }
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int Value) { FDropDownCount = std::max(1, Value); }

  // The focused row's caption; empty when none.
  std::string GetPopupValue() override;
  void SetPopupValue(const std::string&) override {}
  void SetFocus() override;
  // The height for DropDownCount rows (at most as many as there are, at least one); when that
  // exceeds MaxHeight, for the whole rows that fit it (one at least).
  void SizeToRows(int MaxHeight = INT_MAX);
  void WndProc(TMessage& Message) override;

private:
  TPopupListView* FListView;
  int FDropDownCount = 8;
};

class TFileTypeComboBox : public TCustomComboEdit {
public:
  explicit TFileTypeComboBox(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TPopupFileTypes* DropDown() const { return FDropDown; }
  TCustomImageList* Images() const { return FDropDown->ListView()->Images(); }
  void SetImages(TCustomImageList* Value) { FDropDown->ListView()->SetImages(Value); }
  TFileTypeList* FileTypes() const { return FDropDown->ListView()->FileTypes(); }
  void SetFileTypes(TFileTypeList* Value) { FDropDown->ListView()->SetFileTypes(Value); }
  TPredefinedTypes PredefinedTypes() const { return FDropDown->ListView()->PredefinedTypes(); }
  void SetPredefinedTypes(TPredefinedTypes Value) { FDropDown->ListView()->SetPredefinedTypes(Value); }
  TFileTypesViewStyle ViewStyle() const { return FDropDown->ListView()->ViewStyle(); }
  void SetViewStyle(TFileTypesViewStyle Value) { FDropDown->ListView()->SetViewStyle(Value); }
  TFileTypesSortType SortType() const { return FDropDown->ListView()->SortType(); }
  void SetSortType(TFileTypesSortType Value) { FDropDown->ListView()->SetSortType(Value); }
  int DropDownCount() const { return FDropDown->DropDownCount(); }
  void SetDropDownCount(int Value) { FDropDown->SetDropDownCount(Value); }

  // The focused row's type; nullptr when none.
  TFileType* GetFileType();
  // Focuses Type's row (none for nullptr); the text becomes the focused type's description.
  void SetFileType(TFileType* Type);
  void DropDownPopup(bool DisableEdit) override;
  void WndProc(TMessage& Message) override;
  void EnabledChanged() override;
  void FontChanged() override;

private:
  TPopupFileTypes* FDropDown;
};

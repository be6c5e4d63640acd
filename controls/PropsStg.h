// Property storage: published properties of components and named values as text under keys of a
// storage reached through read, write and erase callbacks (INI file or registry alike).
#pragma once

#include "classlib/core/TypInfo.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TFormPlacement;

// The published properties of an object's class, sorted by name.
class TPropInfoList : public TObject {
public:
  explicit TPropInfoList(TObject* Object);
  int Count() const { return static_cast<int>(FList.size()); }
  const TPropInfo* Items(int Index) const { return FList.at(static_cast<size_t>(Index)); }
  // The first property named Name without regard to ASCII case; nullptr when none.
  const TPropInfo* Find(const std::string& Name) const;

private:
  std::vector<const TPropInfo*> FList;
};

class TPropsStorage : public TObject {
public:
  TObject* Target = nullptr;
  TComponent* Root = nullptr;
  std::string Prefix;
  std::string Section;
  std::function<std::string(const std::string& Section, const std::string& Ident, const std::string& Default)> OnReadString;
  std::function<void(const std::string& Section, const std::string& Ident, const std::string& Value)> OnWriteString;
  std::function<void(const std::string& Section)> OnEraseSection;

  virtual std::string DoReadString(const std::string& Section, const std::string& Ident, const std::string& Default);
  virtual void DoWriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  virtual void DoEraseSection(const std::string& Section);
  virtual std::string GetItemName(const std::string& PropName) const { return Prefix + PropName; }
  virtual std::unique_ptr<TPropsStorage> CreateStorage() { return std::make_unique<TPropsStorage>(); }

  // The property of Target under its key; errors of the write callback go to the caller.
  void StoreAnyProperty(const TPropInfo& Prop);
  // Never raises: a value that cannot be read or converted is kept.
  void LoadAnyProperty(const TPropInfo& Prop);
  // Every published property of Target.
  void StoreProperties();
  void LoadProperties();

private:
  std::string PropText(const TPropInfo& Prop);
  void StoreObject(const TPropInfo& Prop, TObject* Object);
  void LoadObject(const TPropInfo& Prop, TObject* Object);
  std::unique_ptr<TPropsStorage> Nested(TObject* Object, const std::string& Prefix, const std::string& Section);
  void NestedStore(TObject* Object, const TClassInfo* Info, const std::string& Prefix, const std::string& Section);
  void NestedLoad(TObject* Object, const TClassInfo* Info, const std::string& Prefix, const std::string& Section);
};

// "<component>.<property>"; "" when either is empty.
std::string CreateStoredItem(const std::string& CompName, const std::string& PropName);
// The two trimmed parts of a line; false when it has no point or an empty part.
bool ParseStoredItem(const std::string& Item, std::string& CompName, std::string& PropName);
// The line with its component part replaced; "" for an invalid line.
std::string ReplaceComponentName(const std::string& Item, const std::string& CompName);
// The screen's form named Name (without regard to case); nullptr when none.
TComponent* FindRootComponent(const std::string& Name);
// Invalid lines go; FromForm: each line gets its component found in Root or goes; otherwise lines
// without a component go and the others take their component's current name.
void UpdateStoredList(TComponent* Root, TStringList& List, bool FromForm);
void StoreObjectsProps(TPropsStorage& Storage, TComponent* Root, TStringList& List);
void LoadObjectsProps(TPropsStorage& Storage, TComponent* Root, TStringList& List);

// A named value of a TFormStorage, stored under its name in the storage's section.
using TStoredValueEvent = std::function<void(TObject* Sender, std::optional<std::string>& Value)>;

class TStoredValue : public TCollectionItem {
public:
  explicit TStoredValue(TCollection* Collection = nullptr);
  static const TClassInfo& StaticClassInfo();
  const std::string& Name() const { return FName; }
  // "String list does not allow duplicates" when another value of the collection has the name.
  void SetName(const std::string& Value);
  std::optional<std::string> Value;  // empty: no value
  std::string KeyString;
  TStoredValueEvent OnSave, OnRestore;
  virtual void Save();
  virtual void Restore();
  void Clear() { Value.reset(); }
  void Assign(TPersistent* Source) override;
  std::string DisplayName() const override;

private:
  std::string FName;
  TFormPlacement* Storage() const;
};

class TStoredValues : public TOwnedCollection {
public:
  explicit TStoredValues(TPersistent* AOwner);
  ~TStoredValues() override;
  TFormPlacement* Storage = nullptr;
  TStoredValue* Items(int Index) const { return static_cast<TStoredValue*>(TCollection::Items(Index)); }
  TStoredValue* Add() { return static_cast<TStoredValue*>(TCollection::Add()); }
  int IndexOf(const std::string& Name) const;
  virtual void SaveValues();
  virtual void RestoreValues();
};

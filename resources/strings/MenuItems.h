// Identifiers of the menu model's resource strings (2600-2699); texts in MenuItems.rc.
#pragma once

#ifdef RC_INVOKED
#define SCantAddCategoryForItem 2600
#define SCantAddItemToTopLevel 2601
#define SInvalidTreeItemClass 2602
#define SFileTypesNotSet 2603
#define SCantAddSubItem 2604
#define SNewItemCaption 2605
#define SNewItemParameters 2606
#define SMenuFileTypeNotFound 2607
#define SMenuInvalidChecked 2608
#define SStaticItemRegistryError 2609
#else
constexpr int SCantAddCategoryForItem = 2600;
constexpr int SCantAddItemToTopLevel = 2601;
constexpr int SInvalidTreeItemClass = 2602;
constexpr int SFileTypesNotSet = 2603;
constexpr int SCantAddSubItem = 2604;
constexpr int SNewItemCaption = 2605;
constexpr int SNewItemParameters = 2606;
constexpr int SMenuFileTypeNotFound = 2607;
constexpr int SMenuInvalidChecked = 2608;
constexpr int SStaticItemRegistryError = 2609;
#endif

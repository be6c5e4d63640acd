// Identifiers of the dynamic menu's resource strings (2700-2799); texts in DynamicMenu.rc.
#pragma once

#ifdef RC_INVOKED
#define SDynamicInvalidParent 2700
#define SDynamicIconNotLoaded 2701
#else
constexpr int SDynamicInvalidParent = 2700;  // log line: "Parent" names no submenu loaded before the item
constexpr int SDynamicIconNotLoaded = 2701;  // log line: the item's icon could not be loaded
#endif

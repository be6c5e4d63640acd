// String identifiers of the tree model (2300-2399); texts in TreeCollection.rc.
#pragma once

#ifndef RC_INVOKED
constexpr int SItemNotInTreeToFocus = 2300;  // "Item must belong to collection to focus"
#endif

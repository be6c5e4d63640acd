// String identifiers of the colour combo box's colour names (4100-4142), in the order of its entries:
// the default entry, the 16 standard colours, the 25 system colours, the custom entry.
#pragma once

#ifdef RC_INVOKED
#define SColorNameFirst 4100
#else
constexpr int SColorNameFirst = 4100;
constexpr int SColorNameCount = 43;
#endif

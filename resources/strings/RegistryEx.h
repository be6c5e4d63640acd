// String identifiers of the registry helpers (2200-2299).
#pragma once

#ifdef RC_INVOKED
#define SRegistryOperationError 2200
#define SRegistryErrorDetails 2201
#define SRegOpeningReadOnly 2202
#define SRegOpeningCreating 2203
#define SRegOpening 2204
#define SRegDeleting 2205
#define SRegGettingInfo 2206
#define SRegReadingValueInfo 2207
#define SRegReadingValueData 2208
#define SRegMoveDestinationExists 2209
#define SRegReading 2210
#else
constexpr int SRegistryOperationError = 2200;  // "Registry operation error"
constexpr int SRegistryErrorDetails = 2201;    // " (details: %s; reason: %s)"
constexpr int SRegOpeningReadOnly = 2202;      // "opening read-only %s"
constexpr int SRegOpeningCreating = 2203;      // "opening/creating %s"
constexpr int SRegOpening = 2204;              // "opening %s"
constexpr int SRegDeleting = 2205;             // "deleting %s"
constexpr int SRegGettingInfo = 2206;          // "getting info on %s"
constexpr int SRegReadingValueInfo = 2207;     // "reading value info \"%s\" of %s"
constexpr int SRegReadingValueData = 2208;     // "reading value data \"%s\" of %s"
constexpr int SRegMoveDestinationExists = 2209;  // "Cannot move \"%s\": \"%s\" exists already"
constexpr int SRegReading = 2210;                // "reading %s"
#endif

// Identifiers of the file-type model's resource strings (2400-2499); texts in FileTypes.rc.
#pragma once

#ifdef RC_INVOKED
#define SFtAllFiles 2400
#define SFtAllFileSystemObjects 2401
#define SFtUnknown 2402
#define SFtFolder 2403
#define SFtDirectory 2404
#define SFtBackground 2405
#define SFtNetwork 2406
#define SFtNetShare 2407
#define SFtNetServer 2408
#define SFtPrinters 2409
#define SFtDrive 2410
#define SFtAudioCD 2411
#define SFtDVD 2412
#define SFtExtNoType 2420
#define SFtCurVerMissing 2421
#define SFtCurVerRecurrent 2422
#define SFtAccessDenied 2423
#define SFtInvalidDataType 2424
#define SFtIconMissing 2425
#define SFtNoMemoryForIcons 2426
#define SFtLinkNoFileTypes 2427
#else
constexpr int SFtAllFiles = 2400;              // "All files"
constexpr int SFtAllFileSystemObjects = 2401;  // "All files and file folders"
constexpr int SFtUnknown = 2402;               // "Non-associated files"
constexpr int SFtFolder = 2403;                // "All folders"
constexpr int SFtDirectory = 2404;             // "File folders"
constexpr int SFtBackground = 2405;            // "File folder background"
constexpr int SFtNetwork = 2406;               // "Entire network"
constexpr int SFtNetShare = 2407;              // "All network shares"
constexpr int SFtNetServer = 2408;             // "All network servers"
constexpr int SFtPrinters = 2409;              // "All printers"
constexpr int SFtDrive = 2410;                 // "All drives"
constexpr int SFtAudioCD = 2411;               // "Audio CD in CD drive"
constexpr int SFtDVD = 2412;                   // "DVD drive"
constexpr int SFtExtNoType = 2420;             // "Extension \"%s\" belongs to non-existing file type \"%s\""
constexpr int SFtCurVerMissing = 2421;         // "File type \"%s\" (\"%s\") refers to non-existing file type \"%s\""
constexpr int SFtCurVerRecurrent = 2422;       // "File type \"%s\" (\"%s\") refers recurrent to itself ..."
constexpr int SFtAccessDenied = 2423;          // "Access to the egistry key \"%s\" is denied"
constexpr int SFtInvalidDataType = 2424;       // "Invalid data type for value \"%s\" of registry key \"%s\""
constexpr int SFtIconMissing = 2425;           // "Icon file \"%s\" of file type \"%s\" (\"%s\") does not exist ..."
constexpr int SFtNoMemoryForIcons = 2426;      // "Not enough memory to load associated icons"
constexpr int SFtLinkNoFileTypes = 2427;       // "FileTypes property not set or item does not belong to FileTypes"
#endif

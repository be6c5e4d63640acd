// String identifiers of the model's common utilities and shared message texts (2500-2599).
#pragma once

#ifdef RC_INVOKED
#define SDeleteMenuItem 2500
#define SDeleteAllMenuItems 2501
#define SNoIconsInFile 2502
#define SApplyChangesBeforeExit 2503
#define SViewLoadErrorLog 2504
#define SErrorLoadingIcon 2505
#define SClearAllMenuItems 2506
#define SRevertMenuStructure 2507
#define SNoneText 2508
#define SErrorLoadingIcons 2509
#define SErrorRedirectingToLink 2520
#define SErrorExtractingIcon 2521
#define SFailedToLoadLibrary 2540
#define SProcNotFoundInLibrary 2541
#define SCallFailedInLibrary 2542
#define SCleanupUpdateUnbalanced 2560
#else
// Shared message texts of the windows.
constexpr int SDeleteMenuItem = 2500;          // "Delete menu item?"
constexpr int SDeleteAllMenuItems = 2501;      // "Delete all menu items?"
constexpr int SNoIconsInFile = 2502;           // "There are no icons in the specified file."
constexpr int SApplyChangesBeforeExit = 2503;  // "Changes to menu items were made. ..."
constexpr int SViewLoadErrorLog = 2504;        // "There were some errors while loading menu items. ..."
constexpr int SErrorLoadingIcon = 2505;        // "Error loading icon from specified file"
constexpr int SClearAllMenuItems = 2506;       // "Clear all the existing menu items to start from nothing?"
constexpr int SRevertMenuStructure = 2507;     // "Revert to the last saved version of menu structure?"
constexpr int SNoneText = 2508;                // "<none>"
constexpr int SErrorLoadingIcons = 2509;       // "Error loading icon(s):\r\n%s\r\nfrom file:\r\n\"%s\""
// Utilities.
constexpr int SErrorRedirectingToLink = 2520;  // "Error redirecting to link (%s)"
constexpr int SErrorExtractingIcon = 2521;     // "Error extracting icon from file"
// Shell-extension registration calls.
constexpr int SFailedToLoadLibrary = 2540;     // "Failed to load \"%s\""
constexpr int SProcNotFoundInLibrary = 2541;   // "%s procedure not found in \"%s\""
constexpr int SCallFailedInLibrary = 2542;     // "Call to %s failed in \"%s\""
// Static-verb cleanup.
constexpr int SCleanupUpdateUnbalanced = 2560;  // "EndUpdate without BeginUpdate in StaticItemsCleanup"
#endif

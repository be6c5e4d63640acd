// Identifiers of the graphics objects' resource strings (1100-1199); texts in Graphics.rc.
#pragma once

#ifdef RC_INVOKED
#define SInvalidBitmap 1100
#define SInvalidIcon 1101
#define SInvalidPixelFormat 1102
#define SScanLine 1103
#define SOutOfResources 1104
#define SResNotFound 1105
#define SInvalidImageList 1106
#define SImageIndexError 1107
#define SReplaceImage 1108
#define SInvalidImageSize 1109
#define SPNGInvalid 1110
#define SPNGSignature 1111
#define SPNGTruncated 1112
#define SPNGTooLarge 1113
#else
constexpr int SInvalidBitmap = 1100;
constexpr int SInvalidIcon = 1101;
constexpr int SInvalidPixelFormat = 1102;
constexpr int SScanLine = 1103;
constexpr int SOutOfResources = 1104;
constexpr int SResNotFound = 1105;
constexpr int SInvalidImageList = 1106;
constexpr int SImageIndexError = 1107;
constexpr int SReplaceImage = 1108;
constexpr int SInvalidImageSize = 1109;
constexpr int SPNGInvalid = 1110;
constexpr int SPNGSignature = 1111;
constexpr int SPNGTruncated = 1112;
constexpr int SPNGTooLarge = 1113;
#endif

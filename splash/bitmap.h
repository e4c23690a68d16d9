// The splash bitmap: which "SplashScreen" entry fits the screen, whether a bitmap file is
// one the launcher shows, and the DIB section made from it.
#ifndef KOL_SPLASH_BITMAP_H
#define KOL_SPLASH_BITMAP_H

#include "platform/platform.h"
#include "splash/config.h"
#include "text/strings.h"

// --- Pure rules: no OS calls, shared with tools that check bitmaps as the launcher does.

// Why a bitmap file is refused, in the order the tests run; BitmapAccepted when it isn't.
typedef enum {
    BitmapAccepted,
    BitmapTooShort,     // fewer than 54 bytes
    BitmapNoSignature,  // not "BM"
    BitmapHeaderSize,   // information header other than 40 bytes
    BitmapWidth,        // not 1 to 65535
    BitmapHeight,       // not 1 to 65535 (top-down files are negative)
    BitmapBitDepth,     // not 1, 4, 8 or 24 bits per pixel
    BitmapCompression,  // compressed
    BitmapDataOffset,   // pixel data before byte 54 or past the end of the file
    BitmapTooLarge      // its pixels take more than LargestSplashPixelBytes
} BitmapVerdict;

// No device makes a bitmap of more pixel memory than this (Windows CE 5 gives a process
// 32 MB), and asking for one the size of 65535x65535 pixels only fails slowly.
static const int LargestSplashPixelBytes = 64 << 20;

// A bitmap file's header as the launcher reads it. Fields that the check didn't reach
// before refusing are 0.
typedef struct {
    int width;
    int height;
    int bitsPerPixel;
    int compression;
    int headerSize;
    int dataOffset;   // where the bottom row begins
    int colourCount;  // colour table entries of the bitmap made: 2, 16, 256 or 0
    int stride;       // bytes per row, a multiple of 4
} BitmapHeader;

// Checks the length bytes of a bitmap file and fills header with what it read.
BitmapVerdict CheckSplashBitmap(const BYTE* data, int length, BitmapHeader* header);

// One "SplashScreen" entry: "<width>x<height>;<resource name>".
typedef struct {
    const char* resourceName;  // points into the value
    int width;
    int height;
} SplashEntry;

// Reads an entry's value: digits, any "x", digits, any ";", then the name. Missing digits
// read as 0; numbers too large for an int read as the largest int.
void ParseSplashEntry(const char* value, SplashEntry* entry);

// The entry of table that the launcher shows on a screen of that size: the first
// "SplashScreen" entry, replaced by each later one that fits the screen and exceeds the
// one taken in width or height. Returns 1 and fills picked, or 0 when there is no entry.
// Entries without "=" don't count.
int PickSplashEntry(const ConfigTable* table, int screenWidth, int screenHeight,
                    SplashEntry* picked);

// The first "SplashScreenTitle" value of table, or "My Splash Screen".
const char* SplashTitle(const ConfigTable* table);

// The bitmap resource of the entry that the launcher takes on a screen of that size.
typedef struct {
    SplashEntry entry;
    const BYTE* data;  // the resource's bytes; null when it can't be found or loaded
    int length;        // their count, when there are bytes
} SplashResource;

// Defined here, so that the launcher's one caller compiles it in place, keeping it small;
// static, so that each file compiles it with its own heap functions.
// Picks the entry for the screen and looks its "SplashScreen" resource up in module.
// Returns 0 when the table has no entry.
static inline int FindSplashResource(HMODULE module, const ConfigTable* table, int screenWidth,
                       int screenHeight, SplashResource* found)
{
    found->data = NULL;
    found->length = 0;
    if (!PickSplashEntry(table, screenWidth, screenHeight, &found->entry))
        return 0;
    WCHAR* wideName = WidenString(found->entry.resourceName, -1);
    if (wideName == NULL)
        return 1;
    HRSRC resource = FindResourceW(module, wideName, TEXT("SplashScreen"));
    free(wideName);
    if (resource == NULL)
        return 1;
    found->data = (const BYTE*)LoadResource(module, resource);
    found->length = (int)SizeofResource(module, resource);
    return 1;
}

// --- The bitmap that the splash shows.

// The chosen bitmap. Kept for the life of the process once complete.
typedef struct {
    const char* resourceName;  // points into the CONFIG table's text
    const char* title;
    int width;   // of the chosen entry; after decoding, the bitmap's own
    int height;
    int screenWidth;
    int screenHeight;
    HBITMAP bitmap;
} SplashChoice;

// Picks the entry for this screen and decodes its "SplashScreen" resource from module.
// Null when there is no entry, or the chosen one can't be found or decoded (no other
// entry is tried).
SplashChoice* ChooseSplash(HMODULE module, const ConfigTable* table);

// A new DIB section holding the bitmap file's pixels, or null when the file is refused or
// the bitmap can't be made. width and height receive the file's fields as soon as the
// header size has been accepted, whatever follows.
HBITMAP DecodeSplashBitmap(const BYTE* data, int length, int* width, int* height);

#endif

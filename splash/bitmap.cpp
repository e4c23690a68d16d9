#include "splash/bitmap.h"

#include <limits.h>
#include <string.h>

#include "text/strings.h"

// --- Pure rules ------------------------------------------------------------------------

// Header fields are assembled byte by byte: most don't lie on 4-byte boundaries.
static int ReadWord(const BYTE* at)
{
    return at[0] | at[1] << 8;
}

static int ReadLong(const BYTE* at)
{
    return (int)((uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 |
                 (uint32_t)at[3] << 24);
}

static int IsSideInRange(int side)
{
    return side >= 1 && side <= 65535;
}

static int IsShownDepth(int bitsPerPixel)
{
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24;
}

BitmapVerdict CheckSplashBitmap(const BYTE* data, int length, BitmapHeader* header)
{
    memset(header, 0, sizeof(*header));
    if (length < 54)
        return BitmapTooShort;
    if (data[0] != 'B' || data[1] != 'M')
        return BitmapNoSignature;
    header->dataOffset = ReadLong(data + 10);
    header->headerSize = ReadLong(data + 14);
    if (header->headerSize != 40)
        return BitmapHeaderSize;
    header->width = ReadLong(data + 18);
    header->height = ReadLong(data + 22);
    if (!IsSideInRange(header->width))
        return BitmapWidth;
    if (!IsSideInRange(header->height))
        return BitmapHeight;
    header->bitsPerPixel = ReadWord(data + 28);
    if (!IsShownDepth(header->bitsPerPixel))
        return BitmapBitDepth;
    header->compression = ReadLong(data + 30);
    if (header->compression != 0)
        return BitmapCompression;
    header->colourCount = header->bitsPerPixel <= 8 ? 1 << header->bitsPerPixel : 0;
    header->stride = ((header->bitsPerPixel * header->width + 7) / 8 + 3) / 4 * 4;
    // Rows are read from the offset on, the colour table below it: both stay in the file.
    if (header->dataOffset < 54 || header->dataOffset > length)
        return BitmapDataOffset;
    if (header->height > LargestSplashPixelBytes / header->stride)
        return BitmapTooLarge;
    return BitmapAccepted;
}

// Decimal digits as an int, the largest int when they exceed it; returns what follows.
static const char* ReadNumber(const char* at, int* number)
{
    int value = 0;
    for (; *at >= '0' && *at <= '9'; at++) {
        int digit = *at - '0';
        value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
    }
    *number = value;
    return at;
}

void ParseSplashEntry(const char* value, SplashEntry* entry)
{
    const char* at = ReadNumber(value, &entry->width);
    while (*at == 'x')
        at++;
    at = ReadNumber(at, &entry->height);
    while (*at == ';')
        at++;
    entry->resourceName = at;
}

// An entry written without "=" has no value and counts as absent.
static const char* ValueOfEntry(const ConfigTable* table, int index, const char* key)
{
    if (table->values[index] == NULL || strcmp(table->keys[index], key) != 0)
        return NULL;
    return table->values[index];
}

static int IsBetterFit(const SplashEntry* entry, const SplashEntry* taken, int screenWidth,
                       int screenHeight)
{
    int fits = entry->width <= screenWidth && entry->height <= screenHeight;
    return fits && (entry->width > taken->width || entry->height > taken->height);
}

int PickSplashEntry(const ConfigTable* table, int screenWidth, int screenHeight,
                    SplashEntry* picked)
{
    int taken = 0;
    for (int i = 0; i < table->count; i++) {
        const char* value = ValueOfEntry(table, i, "SplashScreen");
        if (value == NULL)
            continue;
        SplashEntry entry;
        ParseSplashEntry(value, &entry);
        if (!taken || IsBetterFit(&entry, picked, screenWidth, screenHeight)) {
            *picked = entry;
            taken = 1;
        }
    }
    return taken;
}

const char* SplashTitle(const ConfigTable* table)
{
    for (int i = 0; i < table->count; i++) {
        const char* value = ValueOfEntry(table, i, "SplashScreenTitle");
        if (value != NULL)
            return value;
    }
    return "My Splash Screen";
}

// --- The bitmap ----------------------------------------------------------------------

// The description of the DIB section: the header and a colour table of colourCount
// entries, as many of them as the file supplies copied, the rest zero.
static BITMAPINFO* NewBitmapInfo(const BYTE* data, const BitmapHeader* header)
{
    size_t size = 40 + 4 * (size_t)header->colourCount;
    BITMAPINFO* info = (BITMAPINFO*)malloc(size);
    if (info == NULL)
        return NULL;
    memset(info, 0, size);
    int supplied = (header->dataOffset - 54) / 4;
    if (supplied > header->colourCount)
        supplied = header->colourCount;
    memcpy(info->bmiColors, data + 54, 4 * (size_t)supplied);
    BITMAPINFOHEADER* fields = &info->bmiHeader;
    fields->biSize = 40;
    fields->biWidth = header->width;
    fields->biHeight = header->height;  // positive: bottom-up, as the file
    fields->biPlanes = 1;
    fields->biBitCount = (WORD)header->bitsPerPixel;
    fields->biCompression = BI_RGB;
    fields->biXPelsPerMeter = 1000000;
    fields->biYPelsPerMeter = 1000000;
    return info;
}

// File and DIB section both keep the bottom row first with the same stride, so the whole
// rows present go over in one copy; rows missing at the top keep what the platform gave.
static void CopyPixelRows(const BYTE* data, int length, const BitmapHeader* header,
                          BYTE* pixels)
{
    int rows = (length - header->dataOffset) / header->stride;
    if (rows > header->height)
        rows = header->height;
    memcpy(pixels, data + header->dataOffset, (size_t)rows * header->stride);
}

HBITMAP DecodeSplashBitmap(const BYTE* data, int length, int* width, int* height)
{
    BitmapHeader header;
    BitmapVerdict verdict = CheckSplashBitmap(data, length, &header);
    if (verdict == BitmapAccepted || verdict > BitmapHeaderSize) {
        *width = header.width;
        *height = header.height;
    }
    if (verdict != BitmapAccepted)
        return NULL;
    BITMAPINFO* info = NewBitmapInfo(data, &header);
    if (info == NULL)
        return NULL;
    void* pixels = NULL;
    HDC screen = CreateDCW(TEXT("DISPLAY"), NULL, NULL, NULL);
    HBITMAP bitmap = CreateDIBSection(screen, info, DIB_RGB_COLORS, &pixels, NULL, 0);
    DeleteDC(screen);
    free(info);
    if (bitmap == NULL || pixels == NULL)
        return NULL;
    CopyPixelRows(data, length, &header, (BYTE*)pixels);
    return bitmap;
}

SplashChoice* ChooseSplash(HMODULE module, const ConfigTable* table)
{
    SplashChoice* choice = (SplashChoice*)malloc(sizeof(SplashChoice));
    if (choice == NULL)
        return NULL;
    memset(choice, 0, sizeof(*choice));
    choice->screenWidth = GetSystemMetrics(SM_CXSCREEN);
    choice->screenHeight = GetSystemMetrics(SM_CYSCREEN);
    choice->title = SplashTitle(table);
    // The window takes the bitmap's own size, not the entry's.
    SplashResource resource;
    if (FindSplashResource(module, table, choice->screenWidth, choice->screenHeight,
                           &resource) &&
        resource.data != NULL) {
        choice->resourceName = resource.entry.resourceName;
        choice->bitmap = DecodeSplashBitmap(resource.data, resource.length, &choice->width,
                                            &choice->height);
    }
    if (choice->bitmap == NULL) {
        free(choice);
        return NULL;
    }
    return choice;
}

// DecodeSplashBitmap on arbitrary bytes, with the host stand-in's DIB sections.
//
// Input: the bitmap file itself, copied into a heap block of exactly its size, so that any
// read past its end is caught.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "check.h"
#include "platform/host/host.h"
#include "splash/bitmap.h"

namespace {

bool IsZero(const BYTE* bytes, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

void CheckColours(const BYTE* file, const BitmapHeader& header, const HostBitmapInfo& made)
{
    CHECK((int)made.colours.size() == header.colourCount);
    size_t supplied = (size_t)(header.dataOffset - 54) / 4;
    if (supplied > made.colours.size())
        supplied = made.colours.size();
    const BYTE* table = (const BYTE*)made.colours.data();
    CHECK(supplied == 0 || memcmp(table, file + 54, 4 * supplied) == 0);
    CHECK(IsZero(table + 4 * supplied, 4 * (made.colours.size() - supplied)));
}

void CheckRows(const BYTE* file, int length, const BitmapHeader& header,
               const HostBitmapInfo& made)
{
    size_t stride = (size_t)header.stride;
    CHECK(made.bits.size() == stride * header.height);
    size_t rows = (size_t)(length - header.dataOffset) / stride;
    if (rows > (size_t)header.height)
        rows = header.height;
    CHECK(rows == 0 || memcmp(made.bits.data(), file + header.dataOffset, rows * stride) == 0);
    CHECK(IsZero(made.bits.data() + rows * stride, made.bits.size() - rows * stride));
}

void CheckDescription(const BitmapHeader& header, const BITMAPINFOHEADER& made)
{
    CHECK(made.biSize == 40);
    CHECK(made.biWidth == header.width && made.biHeight == header.height);
    CHECK(made.biPlanes == 1 && made.biBitCount == header.bitsPerPixel);
    CHECK(made.biCompression == 0 && made.biSizeImage == 0);
    CHECK(made.biClrUsed == 0 && made.biClrImportant == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 24))
        return 0;
    int length = (int)size;
    BYTE* file = (BYTE*)malloc(size + (size == 0));
    memcpy(file, data, size);

    BitmapHeader header;
    BitmapVerdict verdict = CheckSplashBitmap(file, length, &header);
    int width = -7;
    int height = -7;
    HBITMAP bitmap = DecodeSplashBitmap(file, length, &width, &height);

    CHECK(bitmap == NULL || verdict == BitmapAccepted);
    // The stand-in makes every DIB section up to 64 MB.
    bool fitsTheHost = (size_t)header.stride * header.height <= (64u << 20);
    CHECK(verdict != BitmapAccepted || !fitsTheHost || bitmap != NULL);
    bool sizeRead = verdict == BitmapAccepted || verdict > BitmapHeaderSize;
    CHECK(width == (sizeRead ? header.width : -7));
    CHECK(height == (sizeRead ? header.height : -7));
    if (verdict == BitmapAccepted) {
        CHECK(header.width >= 1 && header.width <= 65535);
        CHECK(header.height >= 1 && header.height <= 65535);
        CHECK(header.dataOffset >= 54 && header.dataOffset <= length);
        CHECK(header.stride % 4 == 0 && header.stride * 8 >= header.width * header.bitsPerPixel);
    }
    if (bitmap != NULL) {
        HostBitmapInfo made = HostGetBitmap(bitmap);
        CheckDescription(header, made.header);
        CheckColours(file, header, made);
        CheckRows(file, length, header, made);
    }
    CHECK(HostLiveDcs() == 0);

    free(file);
    HostFreeProductAllocations();
    HostReset();
    return 0;
}

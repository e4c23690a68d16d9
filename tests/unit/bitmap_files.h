// Bitmap files for tests: a header with every field settable, a colour table and rows.
#ifndef KOL_TESTS_UNIT_BITMAP_FILES_H
#define KOL_TESTS_UNIT_BITMAP_FILES_H

#include <stdint.h>

#include <string>

struct BitmapFile {
    std::string signature = "BM";
    int32_t headerSize = 40;
    int32_t width = 2;
    int32_t height = 2;
    int bitsPerPixel = 24;
    int32_t compression = 0;
    int colours = -1;        // colour table entries written; -1: as many as the depth has
    int64_t dataOffset = -1;  // -1: right after the colour table
    int rows = -1;           // pixel rows written; -1: height
    int extraBytes = 0;      // after the rows
    int64_t length = -1;     // cuts the file to this length; -1: whole

    int Stride() const { return (bitsPerPixel * width + 31) / 32 * 4; }
    int ColourCount() const
    {
        return colours >= 0 ? colours : bitsPerPixel <= 8 ? 1 << bitsPerPixel : 0;
    }

    // Colour table entry i is {i, 2i, 3i, 0x40 + i} (low bytes); pixel byte k of the rows
    // is (k * 7 + 1) & 0xFF, so that misplaced bytes show.
    std::string Bytes() const
    {
        std::string file = signature.substr(0, 2);
        int table = ColourCount();
        int64_t offset = dataOffset >= 0 ? dataOffset : 54 + 4 * table;
        Put(&file, 0, 4);  // file size, never read
        Put(&file, 0, 4);
        Put(&file, (uint32_t)offset, 4);
        Put(&file, (uint32_t)headerSize, 4);
        Put(&file, (uint32_t)width, 4);
        Put(&file, (uint32_t)height, 4);
        Put(&file, 1, 2);
        Put(&file, (uint32_t)bitsPerPixel, 2);
        Put(&file, (uint32_t)compression, 4);
        for (int i = 0; i < 5; i++)
            Put(&file, 0, 4);
        for (int i = 0; i < table; i++)
            Put(&file, (uint32_t)((i & 0xFF) | (2 * i & 0xFF) << 8 | (3 * i & 0xFF) << 16 |
                                  ((0x40 + i) & 0xFF) << 24), 4);
        if (offset > (int64_t)file.size() && offset < (1 << 24))
            file.resize((size_t)offset, '\0');
        int64_t pixelBytes = (int64_t)Stride() * (rows >= 0 ? rows : height) + extraBytes;
        for (int64_t k = 0; k < pixelBytes; k++)
            file.push_back((char)((k * 7 + 1) & 0xFF));
        if (length >= 0)
            file.resize((size_t)length);
        return file;
    }

    static void Put(std::string* file, uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; i++)
            file->push_back((char)(value >> (8 * i) & 0xFF));
    }
};

#endif

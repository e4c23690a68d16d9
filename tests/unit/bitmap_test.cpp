// The splash bitmap: the choice of entry for a screen, the header check, and decoding into
// a DIB section.
#include "support.h"

#include "bitmap_files.h"
#include "splash/bitmap.h"

#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

class BitmapTest : public HostTest {};

ConfigTable* Table(const std::string& text)
{
    return ParseConfig(text.data(), (int)text.size());
}

std::string ShippedBitmap()
{
    std::ifstream file(KOL_SOURCE_DIR "/resources/splash.bmp", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const BYTE* Data(const std::string& bytes)
{
    return (const BYTE*)bytes.data();
}

// --- Choice ----------------------------------------------------------------------------

struct ParseCase {
    const char* value;
    int width;
    int height;
    const char* name;
};

TEST_F(BitmapTest, ParsesEntryValues)
{
    const ParseCase cases[] = {
        {"139x136;SPLASHSCREEN1", 139, 136, "SPLASHSCREEN1"},
        {"10xx10;;;NAME", 10, 10, "NAME"},
        {"139X136;NAME", 139, 0, "X136;NAME"},
        {"NAME", 0, 0, "NAME"},
        {"", 0, 0, ""},
        {"12;A;B", 12, 0, "A;B"},
        {"x7", 0, 7, ""},
        {"2147483647x2147483648;BIG", INT_MAX, INT_MAX, "BIG"},
        {"99999999999999999999x5;BIG", INT_MAX, 5, "BIG"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.value);
        SplashEntry entry = {nullptr, -7, -7};
        ParseSplashEntry(c.value, &entry);
        EXPECT_EQ(c.width, entry.width);
        EXPECT_EQ(c.height, entry.height);
        EXPECT_STREQ(c.name, entry.resourceName);
    }
}

struct PickCase {
    int screenWidth;
    int screenHeight;
    const char* config;
    const char* picked;  // null: no entry
};

TEST_F(BitmapTest, PicksTheEntryForTheScreen)
{
    const PickCase cases[] = {
        {240, 320, "SplashScreenTitle=Kol|SplashScreen=139x136;SPLASHSCREEN1", "SPLASHSCREEN1"},
        {100, 100, "SplashScreen=139x136;SPLASHSCREEN1", "SPLASHSCREEN1"},
        {240, 320, "SplashScreen=139x136;A|SplashScreen=240x320;B", "B"},
        {240, 320, "SplashScreen=240x320;B|SplashScreen=139x136;A", "B"},
        {240, 320, "SplashScreen=480x640;A|SplashScreen=200x200;B", "A"},
        {240, 320, "SplashScreen=300x100;A|SplashScreen=200x200;B", "B"},
        {240, 320, "SplashScreen=200x200;A|SplashScreen=241x320;B", "A"},
        {240, 320, "SplashScreen=200x200;A|SplashScreen=240x321;B", "A"},
        {1000, 1000, "SplashScreen=100x200;P|SplashScreen=200x100;Q|SplashScreen=150x150;R", "R"},
        {240, 320, "SplashScreen=100x100;A|SplashScreen=100x100;B", "A"},
        {240, 320, "SplashScreenTitle=T|UseJavaVM=true", nullptr},
        {240, 320, "splashscreen=10x10;A| SplashScreen=10x10;B", nullptr},
        {240, 320, "SplashScreen", nullptr},
        {240, 320, "SplashScreen|SplashScreen=300x300;A|SplashScreen=10x10;B", "A"},
        {240, 320, "SplashScreen=;EMPTY|SplashScreen=1x0;C", "C"},
        {240, 320, "SplashScreen=99999999999x1;HUGE|SplashScreen=1x2;D", "D"},
        {0, 0, "SplashScreen=0x0;ZERO|SplashScreen=0x0;SAME", "ZERO"},
        {-1, -1, "SplashScreen=1x1;A|SplashScreen=0x0;B", "A"},
    };
    for (const PickCase& c : cases) {
        SCOPED_TRACE(std::string(c.config) + " on " + std::to_string(c.screenWidth) + "x" +
                     std::to_string(c.screenHeight));
        SplashEntry picked = {"(untouched)", -7, -7};
        int found = PickSplashEntry(Table(c.config), c.screenWidth, c.screenHeight, &picked);
        if (c.picked == nullptr) {
            EXPECT_EQ(0, found);
            EXPECT_STREQ("(untouched)", picked.resourceName);
        } else {
            EXPECT_EQ(1, found);
            EXPECT_STREQ(c.picked, picked.resourceName);
        }
    }
}

TEST_F(BitmapTest, PickedEntryCarriesItsSizes)
{
    SplashEntry picked;
    ASSERT_EQ(1, PickSplashEntry(Table("SplashScreen=480x640;A|SplashScreen=200x200;B"), 240,
                                 320, &picked));
    EXPECT_EQ(480, picked.width);
    EXPECT_EQ(640, picked.height);
}

TEST_F(BitmapTest, EmptyTableHasNoEntry)
{
    ConfigTable* table = ParseConfig(nullptr, 0);
    SplashEntry picked;
    EXPECT_EQ(0, PickSplashEntry(table, 240, 320, &picked));
    EXPECT_STREQ("My Splash Screen", SplashTitle(table));
}

TEST_F(BitmapTest, TitleIsTheFirstWithAValue)
{
    const std::pair<const char*, const char*> cases[] = {
        {"SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;S", "Kol Virtual Machine"},
        {"SplashScreen=139x136;S", "My Splash Screen"},
        {"SplashScreenTitle=A|SplashScreenTitle=B", "A"},
        {"SplashScreenTitle|SplashScreenTitle=B", "B"},
        {"SplashScreenTitle", "My Splash Screen"},
        {"SplashScreenTitle=", ""},
        {"splashscreentitle=a", "My Splash Screen"},
        {"SplashScreenTitle=a=b", "a=b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_STREQ(c.second, SplashTitle(Table(c.first)));
    }
}

// --- Header check ------------------------------------------------------------------------

struct Decoded {
    HBITMAP bitmap;
    int width = -7;
    int height = -7;
};

Decoded Decode(const std::string& bytes)
{
    Decoded decoded;
    decoded.bitmap =
        DecodeSplashBitmap(Data(bytes), (int)bytes.size(), &decoded.width, &decoded.height);
    return decoded;
}

struct VerdictCase {
    const char* what;
    BitmapFile file;
    BitmapVerdict verdict;
};

BitmapFile With(void (*change)(BitmapFile*))
{
    BitmapFile file;
    change(&file);
    return file;
}

TEST_F(BitmapTest, ChecksTheHeader)
{
    const VerdictCase cases[] = {
        {"plain 24-bit", BitmapFile(), BitmapAccepted},
        {"signature AM", With([](BitmapFile* f) { f->signature = "AM"; }), BitmapNoSignature},
        {"signature BN", With([](BitmapFile* f) { f->signature = "BN"; }), BitmapNoSignature},
        {"signature bm", With([](BitmapFile* f) { f->signature = "bm"; }), BitmapNoSignature},
        {"header 12", With([](BitmapFile* f) { f->headerSize = 12; }), BitmapHeaderSize},
        {"header 108", With([](BitmapFile* f) { f->headerSize = 108; }), BitmapHeaderSize},
        {"header 124", With([](BitmapFile* f) { f->headerSize = 124; }), BitmapHeaderSize},
        {"width 0", With([](BitmapFile* f) { f->width = 0; }), BitmapWidth},
        {"width -2", With([](BitmapFile* f) { f->width = -2; }), BitmapWidth},
        {"width 65536", With([](BitmapFile* f) { f->width = 65536; f->rows = 0; }), BitmapWidth},
        {"width 65535", With([](BitmapFile* f) { f->width = 65535; f->height = 1; }),
         BitmapAccepted},
        {"height 0", With([](BitmapFile* f) { f->height = 0; }), BitmapHeight},
        {"height -2 (top-down)", With([](BitmapFile* f) { f->height = -2; f->rows = 2; }),
         BitmapHeight},
        {"height 65536", With([](BitmapFile* f) { f->height = 65536; f->rows = 0; }),
         BitmapHeight},
        {"height 65535", With([](BitmapFile* f) { f->width = 1; f->height = 65535; }),
         BitmapAccepted},
        {"width 0 before height 0", With([](BitmapFile* f) { f->width = 0; f->height = 0; }),
         BitmapWidth},
        {"1 bit", With([](BitmapFile* f) { f->bitsPerPixel = 1; }), BitmapAccepted},
        {"4 bits", With([](BitmapFile* f) { f->bitsPerPixel = 4; }), BitmapAccepted},
        {"8 bits", With([](BitmapFile* f) { f->bitsPerPixel = 8; }), BitmapAccepted},
        {"16 bits", With([](BitmapFile* f) { f->bitsPerPixel = 16; }), BitmapBitDepth},
        {"32 bits", With([](BitmapFile* f) { f->bitsPerPixel = 32; }), BitmapBitDepth},
        {"2 bits", With([](BitmapFile* f) { f->bitsPerPixel = 2; }), BitmapBitDepth},
        {"0 bits", With([](BitmapFile* f) { f->bitsPerPixel = 0; f->colours = 0; }),
         BitmapBitDepth},
        {"compression 1", With([](BitmapFile* f) { f->compression = 1; }), BitmapCompression},
        {"compression 2", With([](BitmapFile* f) { f->compression = 2; }), BitmapCompression},
        {"compression 3", With([](BitmapFile* f) { f->compression = 3; }), BitmapCompression},
        {"data offset 53", With([](BitmapFile* f) { f->dataOffset = 53; }), BitmapDataOffset},
        {"data offset 0", With([](BitmapFile* f) { f->dataOffset = 0; }), BitmapDataOffset},
        {"data offset 2^31", With([](BitmapFile* f) { f->dataOffset = 0x80000000; }),
         BitmapDataOffset},
        {"data offset past the end",
         With([](BitmapFile* f) { f->dataOffset = 70; f->length = 69; }), BitmapDataOffset},
        {"data offset at the end, no rows",
         With([](BitmapFile* f) { f->dataOffset = 54; f->rows = 0; }), BitmapAccepted},
        {"one row more than 64 MB of pixels",
         With([](BitmapFile* f) { f->width = 8192; f->height = 8193; f->bitsPerPixel = 8;
                                  f->rows = 0; }), BitmapTooLarge},
        {"65535x65535 at 24 bits",
         With([](BitmapFile* f) { f->width = f->height = 65535; f->rows = 0; }),
         BitmapTooLarge},
    };
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = c.file.Bytes();
        BitmapHeader header;
        EXPECT_EQ(c.verdict, CheckSplashBitmap(Data(bytes), (int)bytes.size(), &header));
        EXPECT_EQ(c.verdict == BitmapAccepted, Decode(bytes).bitmap != nullptr);
    }
}

TEST_F(BitmapTest, RefusesShortFilesWithoutReadingThem)
{
    std::string bytes = BitmapFile().Bytes();
    for (int length : {53, 0, -1, INT_MIN}) {
        SCOPED_TRACE(length);
        // Exactly the bytes given, so that a read past them trips the sanitizer.
        size_t size = length > 0 ? (size_t)length : 0;
        BYTE* cut = (BYTE*)malloc(size + (size == 0));
        memcpy(cut, bytes.data(), size);
        BitmapHeader header;
        EXPECT_EQ(BitmapTooShort, CheckSplashBitmap(cut, length, &header));
        free(cut);
    }
}

struct HeaderCase {
    int bitsPerPixel;
    int width;
    int stride;
    int colourCount;
};

TEST_F(BitmapTest, HeaderGivesStrideAndTableSize)
{
    const HeaderCase cases[] = {
        {1, 139, 20, 2},  {4, 139, 72, 16}, {8, 139, 140, 256}, {24, 139, 420, 0},
        {1, 1, 4, 2},     {1, 32, 4, 2},    {1, 33, 8, 2},      {24, 1, 4, 0},
        {24, 65535, 196608, 0},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.bitsPerPixel) + " bits, width " + std::to_string(c.width));
        BitmapFile file;
        file.bitsPerPixel = c.bitsPerPixel;
        file.width = c.width;
        file.height = 1;
        std::string bytes = file.Bytes();
        BitmapHeader header;
        ASSERT_EQ(BitmapAccepted, CheckSplashBitmap(Data(bytes), (int)bytes.size(), &header));
        EXPECT_EQ(c.stride, header.stride);
        EXPECT_EQ(c.colourCount, header.colourCount);
    }
}

TEST_F(BitmapTest, RefusedHeaderKeepsOnlyWhatWasRead)
{
    BitmapFile file;
    file.bitsPerPixel = 16;
    std::string bytes = file.Bytes();
    BitmapHeader header;
    memset(&header, 0x5A, sizeof(header));
    ASSERT_EQ(BitmapBitDepth, CheckSplashBitmap(Data(bytes), (int)bytes.size(), &header));
    EXPECT_EQ(2, header.width);
    EXPECT_EQ(16, header.bitsPerPixel);
    EXPECT_EQ(0, header.compression);
    EXPECT_EQ(0, header.stride);
    EXPECT_EQ(0, header.colourCount);
}

// --- Decoding ----------------------------------------------------------------------------

TEST_F(BitmapTest, DecodesTheShippedBitmap)
{
    std::string shipped = ShippedBitmap();
    ASSERT_EQ(57174u, shipped.size());
    Decoded decoded = Decode(shipped);
    ASSERT_NE(nullptr, decoded.bitmap);
    EXPECT_EQ(139, decoded.width);
    EXPECT_EQ(136, decoded.height);
    HostBitmapInfo info = HostGetBitmap(decoded.bitmap);
    const BITMAPINFOHEADER& h = info.header;
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(139, h.biWidth);
    EXPECT_EQ(136, h.biHeight) << "positive: bottom-up";
    EXPECT_EQ(1, h.biPlanes);
    EXPECT_EQ(24, h.biBitCount);
    EXPECT_EQ(0u, h.biCompression);
    EXPECT_EQ(0u, h.biSizeImage);
    EXPECT_EQ(1000000, h.biXPelsPerMeter);
    EXPECT_EQ(1000000, h.biYPelsPerMeter);
    EXPECT_EQ(0u, h.biClrUsed);
    EXPECT_EQ(0u, h.biClrImportant);
    EXPECT_TRUE(info.colours.empty());
    ASSERT_EQ(57120u, info.bits.size());
    EXPECT_EQ(0, memcmp(shipped.data() + 54, info.bits.data(), 57120)) << "rows as in the file";
    EXPECT_EQ(std::vector<std::u16string>{u"DISPLAY"}, HostCreateDcDrivers());
    EXPECT_EQ(0, HostLiveDcs());
}

TEST_F(BitmapTest, SizeIsStoredOnceTheHeaderSizeIsRight)
{
    BitmapFile wide;
    wide.width = 65536;
    wide.height = 3;
    wide.rows = 0;
    Decoded decoded = Decode(wide.Bytes());
    EXPECT_EQ(nullptr, decoded.bitmap);
    EXPECT_EQ(65536, decoded.width);
    EXPECT_EQ(3, decoded.height);

    BitmapFile topDown;
    topDown.height = -2;
    topDown.rows = 2;
    decoded = Decode(topDown.Bytes());
    EXPECT_EQ(-2, decoded.height);

    BitmapFile oldHeader;
    oldHeader.headerSize = 12;
    decoded = Decode(oldHeader.Bytes());
    EXPECT_EQ(-7, decoded.width) << "refused before the size was read";
    EXPECT_EQ(-7, decoded.height);
}

struct TableCase {
    const char* what;
    int bitsPerPixel;
    int colours;        // entries written into the file
    int64_t dataOffset;  // -1: after them
    int copied;         // entries expected from the file; the rest zero
};

TEST_F(BitmapTest, CopiesWhatTheColourTableSupplies)
{
    const TableCase cases[] = {
        {"1 bit, full", 1, 2, -1, 2},
        {"4 bits, full", 4, 16, -1, 16},
        {"8 bits, full, data at 1078", 8, 256, 1078, 256},
        {"4 bits, 3 supplied", 4, 3, -1, 3},
        {"8 bits, none supplied", 8, 0, -1, 0},
        {"8 bits, 2 and a half supplied", 8, 3, 54 + 10, 2},
        {"1 bit, gap of 10 entries", 1, 10, -1, 2},
        {"4 bits, gap of 256 entries", 4, 256, -1, 16},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.what);
        BitmapFile file;
        file.bitsPerPixel = c.bitsPerPixel;
        file.colours = c.colours;
        file.dataOffset = c.dataOffset;
        Decoded decoded = Decode(file.Bytes());
        ASSERT_NE(nullptr, decoded.bitmap);
        std::vector<RGBQUAD> colours = HostGetBitmap(decoded.bitmap).colours;
        ASSERT_EQ((size_t)1 << c.bitsPerPixel, colours.size());
        for (int i = 0; i < (int)colours.size(); i++) {
            RGBQUAD expected = {0, 0, 0, 0};
            if (i < c.copied)
                expected = {(BYTE)i, (BYTE)(2 * i), (BYTE)(3 * i), (BYTE)(0x40 + i)};
            EXPECT_EQ(0, memcmp(&expected, &colours[i], 4)) << "entry " << i;
        }
    }
}

TEST_F(BitmapTest, TwentyFourBitFileWithAColourTableTakesItsRowsFromTheOffset)
{
    BitmapFile file;
    file.colours = 256;
    std::string bytes = file.Bytes();
    Decoded decoded = Decode(bytes);
    ASSERT_NE(nullptr, decoded.bitmap);
    HostBitmapInfo info = HostGetBitmap(decoded.bitmap);
    EXPECT_TRUE(info.colours.empty());
    ASSERT_EQ(16u, info.bits.size());
    EXPECT_EQ(0, memcmp(bytes.data() + 54 + 1024, info.bits.data(), 16));
}

struct RowsCase {
    const char* what;
    int rows;
    int extraBytes;
    int copiedRows;
};

TEST_F(BitmapTest, CopiesOnlyTheWholeRowsPresent)
{
    const RowsCase cases[] = {
        {"all rows", 4, 0, 4},
        {"bytes after the last row", 4, 9, 4},
        {"two and a half rows", 2, 6, 2},
        {"less than a row", 0, 11, 0},
        {"no pixel data", 0, 0, 0},
    };
    for (const RowsCase& c : cases) {
        SCOPED_TRACE(c.what);
        BitmapFile file;
        file.width = 3;  // stride 12
        file.height = 4;
        file.rows = c.rows;
        file.extraBytes = c.extraBytes;
        std::string bytes = file.Bytes();
        Decoded decoded = Decode(bytes);
        ASSERT_NE(nullptr, decoded.bitmap) << "a short file still gives a bitmap";
        std::vector<BYTE> bits = HostGetBitmap(decoded.bitmap).bits;
        ASSERT_EQ(48u, bits.size());
        std::string expected = bytes.substr(54, 12 * c.copiedRows);
        expected.resize(48, '\0');  // the top rows keep the zeroes of a new DIB section
        EXPECT_EQ(0, memcmp(expected.data(), bits.data(), 48));
    }
}

TEST_F(BitmapTest, PlatformFailuresGiveNoBitmap)
{
    std::string bytes = BitmapFile().Bytes();
    HostFailDibSection(true);
    EXPECT_EQ(nullptr, Decode(bytes).bitmap);
    HostFailDibSection(false);
    HostDibWithoutBits(true);
    EXPECT_EQ(nullptr, Decode(bytes).bitmap);
    HostDibWithoutBits(false);
    HostFailAllocation(1);
    EXPECT_EQ(nullptr, Decode(bytes).bitmap);
    EXPECT_EQ(0, HostLiveDcs());
    EXPECT_EQ(0, HostLiveAllocations()) << "the description is freed";
}

TEST_F(BitmapTest, HugeBitmapThePlatformCannotMakeIsRefused)
{
    BitmapFile file;
    file.width = 65535;
    file.height = 65535;
    file.rows = 1;
    EXPECT_EQ(nullptr, Decode(file.Bytes()).bitmap);
}

// --- ChooseSplash ------------------------------------------------------------------------

void AddConfig(const std::string& text)
{
    HostAddResource(HostMainModule(), u"CONFIG", u"Text", text);
}

void AddSplashBitmap(const std::u16string& name, const BitmapFile& file)
{
    HostAddResource(HostMainModule(), name, u"SPLASHSCREEN", file.Bytes());
}

BitmapFile Sized(int width, int height)
{
    BitmapFile file;
    file.bitsPerPixel = 1;
    file.width = width;
    file.height = height;
    return file;
}

TEST_F(BitmapTest, ChoosesTheShippedSplash)
{
    AddConfig("SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;SPLASHSCREEN1");
    HostAddResource(HostMainModule(), u"SPLASHSCREEN1", u"SPLASHSCREEN", ShippedBitmap());
    SplashChoice* choice = ChooseSplash(HostMainModule(), LoadConfig(HostMainModule()));
    ASSERT_NE(nullptr, choice);
    EXPECT_STREQ("SPLASHSCREEN1", choice->resourceName);
    EXPECT_STREQ("Kol Virtual Machine", choice->title);
    EXPECT_EQ(139, choice->width);
    EXPECT_EQ(136, choice->height);
    EXPECT_EQ(240, choice->screenWidth);
    EXPECT_EQ(320, choice->screenHeight);
    EXPECT_EQ(24, HostGetBitmap(choice->bitmap).header.biBitCount);
}

TEST_F(BitmapTest, ChoiceMeasuresTheScreenAndTakesTheBitmapsOwnSize)
{
    HostSetScreenSize(800, 600);
    AddConfig("SplashScreen=139x136;SMALL|SplashScreen=800x600;LARGE");
    AddSplashBitmap(u"SMALL", Sized(139, 136));
    AddSplashBitmap(u"large", Sized(30, 20));
    SplashChoice* choice = ChooseSplash(HostMainModule(), LoadConfig(HostMainModule()));
    ASSERT_NE(nullptr, choice);
    EXPECT_STREQ("LARGE", choice->resourceName);
    EXPECT_EQ(800, choice->screenWidth);
    EXPECT_EQ(600, choice->screenHeight);
    EXPECT_EQ(30, choice->width) << "the bitmap's own width, not the entry's";
    EXPECT_EQ(20, choice->height);
    EXPECT_STREQ("My Splash Screen", choice->title);
}

TEST_F(BitmapTest, ChosenEntryThatFailsGivesNoSplash)
{
    const char* const twoEntries = "SplashScreen=200x200;CHOSEN|SplashScreen=100x100;OTHER";
    struct Case {
        const char* what;
        const char* config;
        void (*arrange)();
    };
    const Case cases[] = {
        {"no entry", "SplashScreenTitle=T", []() { AddSplashBitmap(u"OTHER", Sized(10, 10)); }},
        {"chosen resource missing", twoEntries,
         []() { AddSplashBitmap(u"OTHER", Sized(10, 10)); }},
        {"chosen bitmap refused", twoEntries,
         []() {
             BitmapFile refused = Sized(10, 10);
             refused.compression = 1;
             AddSplashBitmap(u"CHOSEN", refused);
             AddSplashBitmap(u"OTHER", Sized(10, 10));
         }},
        {"chosen resource can't be loaded", twoEntries,
         []() {
             AddSplashBitmap(u"CHOSEN", Sized(10, 10));
             HostFailResourceLoad(HostMainModule(), u"CHOSEN", u"SplashScreen");
         }},
        {"wrong resource type", twoEntries,
         []() { HostAddResource(HostMainModule(), u"CHOSEN", u"BITMAP", Sized(10, 10).Bytes()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        c.arrange();
        ConfigTable* table = Table(c.config);
        int before = HostLiveAllocations();
        EXPECT_EQ(nullptr, ChooseSplash(HostMainModule(), table));
        EXPECT_EQ(before, HostLiveAllocations()) << "the record and the wide name are freed";
    }
}

TEST_F(BitmapTest, ResourceNameIsWidenedByteByByte)
{
    AddConfig("SplashScreen=10x10;N\xE9");
    AddSplashBitmap(u"N\uFFE9", Sized(10, 10));
    EXPECT_NE(nullptr, ChooseSplash(HostMainModule(), LoadConfig(HostMainModule())));
}

}  // namespace

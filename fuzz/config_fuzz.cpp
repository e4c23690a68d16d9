// ParseConfig, the splash entry choice and ChooseSplash on arbitrary bytes.
//
// Input: screen width and height as two signed 16-bit little-endian numbers, then the
// CONFIG text, copied into a heap block of exactly its size. The program carries a small
// valid bitmap under the names "A" and "SPLASHSCREEN1", and a refused one under "B".
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <string>

#include "check.h"
#include "platform/host/host.h"
#include "splash/bitmap.h"
#include "splash/config.h"

namespace {

// 2x3 pixels, 24 bits; "B" is the same with 16 bits.
std::string SmallBitmap(int bitsPerPixel)
{
    std::string file = "BM";
    auto put = [&file](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; i++)
            file.push_back((char)(value >> (8 * i)));
    };
    put(0, 4), put(0, 4), put(54, 4), put(40, 4), put(2, 4), put(3, 4), put(1, 2);
    put((uint32_t)bitsPerPixel, 2);
    for (int i = 0; i < 6; i++)
        put(0, 4);
    file.append(8 * 3, '\x5A');
    return file;
}

// The table's keys and values, joined again with their separators, give the text back.
void CheckTableRebuildsTheText(const ConfigTable* table, const char* text, size_t length)
{
    std::string original(text, strnlen(text, length));
    int bars = 0;
    for (char c : original)
        bars += c == '|';
    CHECK(table->count == bars + 1);
    std::string rebuilt;
    for (int i = 0; i < table->count; i++) {
        CHECK(table->keys[i] != NULL);
        CHECK(strchr(table->keys[i], '=') == NULL && strchr(table->keys[i], '|') == NULL);
        if (i > 0)
            rebuilt += '|';
        rebuilt += table->keys[i];
        if (table->values[i] != NULL) {
            CHECK(strchr(table->values[i], '|') == NULL);
            rebuilt += '=';
            rebuilt += table->values[i];
        }
    }
    CHECK(rebuilt == original);
}

bool IsSplashEntry(const ConfigTable* table, int i)
{
    return table->values[i] != NULL && strcmp(table->keys[i], "SplashScreen") == 0;
}

// Picked is a "SplashScreen" entry and no entry after it fits and exceeds it.
void CheckPick(const ConfigTable* table, int screenWidth, int screenHeight)
{
    SplashEntry picked;
    int found = PickSplashEntry(table, screenWidth, screenHeight, &picked);
    int pickedAt = -1;
    for (int i = 0; i < table->count; i++) {
        if (!IsSplashEntry(table, i))
            continue;
        CHECK(found);
        SplashEntry entry;
        ParseSplashEntry(table->values[i], &entry);
        CHECK(entry.width >= 0 && entry.height >= 0);
        if (entry.resourceName == picked.resourceName)
            pickedAt = i;
        else if (pickedAt >= 0)
            CHECK(!(entry.width <= screenWidth && entry.height <= screenHeight &&
                    (entry.width > picked.width || entry.height > picked.height)));
    }
    CHECK(!found || pickedAt >= 0);
}

void CheckTitle(const ConfigTable* table)
{
    const char* title = SplashTitle(table);
    for (int i = 0; i < table->count; i++) {
        if (table->values[i] != NULL && strcmp(table->keys[i], "SplashScreenTitle") == 0) {
            CHECK(title == table->values[i]);
            return;
        }
    }
    CHECK(strcmp(title, "My Splash Screen") == 0);
}

void CheckChoice(const ConfigTable* table, int screenWidth, int screenHeight)
{
    HostSetScreenSize(screenWidth, screenHeight);
    HostAddResource(HostMainModule(), u"A", u"SplashScreen", SmallBitmap(24));
    HostAddResource(HostMainModule(), u"SPLASHSCREEN1", u"SplashScreen", SmallBitmap(24));
    HostAddResource(HostMainModule(), u"B", u"SplashScreen", SmallBitmap(16));
    SplashChoice* choice = ChooseSplash(HostMainModule(), table);
    SplashEntry picked;
    if (!PickSplashEntry(table, screenWidth, screenHeight, &picked)) {
        CHECK(choice == NULL);
        return;
    }
    // Resource names match regardless of case.
    bool shown = strcasecmp(picked.resourceName, "A") == 0 ||
                 strcasecmp(picked.resourceName, "SPLASHSCREEN1") == 0;
    CHECK(shown == (choice != NULL));
    if (choice != NULL) {
        CHECK(choice->resourceName == picked.resourceName);
        CHECK(choice->width == 2 && choice->height == 3 && choice->bitmap != NULL);
        CHECK(choice->screenWidth == screenWidth && choice->screenHeight == screenHeight);
        CHECK(choice->title == SplashTitle(table));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    int screenWidth = (int16_t)(data[0] | data[1] << 8);
    int screenHeight = (int16_t)(data[2] | data[3] << 8);
    size_t length = size - 4;
    char* text = (char*)malloc(length + (length == 0));
    memcpy(text, data + 4, length);

    ConfigTable* table = ParseConfig(text, (int)length);
    CHECK(table != NULL);
    CheckTableRebuildsTheText(table, text, length);
    CheckPick(table, screenWidth, screenHeight);
    CheckTitle(table);
    CheckChoice(table, screenWidth, screenHeight);

    free(text);
    HostFreeProductAllocations();
    HostReset();
    return 0;
}

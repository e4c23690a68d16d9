#include "tools/kolbrand/config.h"

#include "splash/config.h"
#include "tools/kolbrand/bitmaps.h"
#include "tools/kolbrand/text.h"

std::vector<ConfigEntry> ConfigEntriesOf(const ConfigTable* table)
{
    std::vector<ConfigEntry> entries;
    for (int i = 0; table != NULL && i < table->count; i++) {
        const char* value = table->values[i];
        entries.push_back({table->keys[i], value != NULL, value != NULL ? value : ""});
    }
    return entries;
}

std::vector<ConfigEntry> ReadConfigEntries(const std::string& config)
{
    ConfigTable* table = ParseConfig(config.data(), (int)config.size());
    std::vector<ConfigEntry> entries = ConfigEntriesOf(table);
    FreeConfig(table);
    return entries;
}

// A NUL ends the text and a line break would join a key or value: both silently lose
// entries, so they are refused before the entries are looked at.
static int CheckConfigBytes(const std::string& origin, const std::string& config,
                            Diagnostics* diagnostics)
{
    size_t nul = config.find('\0');
    if (nul != std::string::npos) {
        diagnostics->errors.push_back(origin + ": CONFIG holds a NUL byte at offset " +
                                      std::to_string(nul) +
                                      ": the launcher would ignore everything after it");
        return 0;
    }
    size_t lineBreak = config.find_first_of("\r\n");
    if (lineBreak != std::string::npos
        && config.find_first_not_of("\r\n", lineBreak) == std::string::npos) {
        diagnostics->errors.push_back(
            origin + ": CONFIG ends with a line break, as text editors leave one: remove it, "
                     "or the launcher takes it as part of the last value");
        return 0;
    }
    if (lineBreak != std::string::npos) {
        diagnostics->errors.push_back(
            origin + ": CONFIG holds a line break at offset " + std::to_string(lineBreak) +
            ": entries are separated by \"|\", and the line break would become part of a key "
            "or value");
        return 0;
    }
    long high = FirstHighByte(config);
    if (high >= 0)
        diagnostics->warnings.push_back(origin + ": CONFIG holds a byte above 0x7F at offset " +
                                        std::to_string(high) +
                                        ": the launcher shows each byte as one character");
    return 1;
}

static const char* const KnownKeys[] = {"SplashScreenTitle", "SplashScreen", "UseJavaVM"};

static int IsKnownKey(const std::string& key)
{
    for (const char* known : KnownKeys) {
        if (key == known)
            return 1;
    }
    return 0;
}

static void CheckConfigEntry(const std::string& origin, const ConfigEntry& entry,
                             Diagnostics* diagnostics)
{
    if (!IsKnownKey(entry.key)) {
        diagnostics->warnings.push_back(
            origin + ": CONFIG entry \"" + Shown(entry.key) +
            "\" is not read by the launcher (it reads SplashScreenTitle, SplashScreen, "
            "UseJavaVM; keys are case-sensitive)");
    } else if (!entry.hasValue) {
        diagnostics->errors.push_back(origin + ": CONFIG entry \"" + entry.key +
                                      "\" has no \"=\" and so no value");
    } else if (entry.key == "UseJavaVM" && entry.value != "true" && entry.value != "false") {
        diagnostics->warnings.push_back(origin + ": UseJavaVM=" + Shown(entry.value) +
                                        " counts as false: only exactly \"true\" turns it on");
    }
}

static std::string BitmapNames(const std::vector<SplashBitmap>& bitmaps)
{
    if (bitmaps.empty())
        return "it holds none";
    std::string names = "it holds";
    for (size_t i = 0; i < bitmaps.size(); i++)
        names += (i == 0 ? " " : ", ") + bitmaps[i].name;
    return names;
}

// A "SplashScreen" entry must name a bitmap the output holds; a size that differs from
// the bitmap's own only misleads the choice.
static void CheckSplashEntry(const std::string& origin, const std::string& value,
                             const std::vector<SplashBitmap>& bitmaps, Diagnostics* diagnostics)
{
    SplashEntry entry;
    ParseSplashEntry(value.c_str(), &entry);
    std::string name = entry.resourceName;
    std::string size = std::to_string(entry.width) + "x" + std::to_string(entry.height);
    int found = FindBitmap(bitmaps, name);
    if (found < 0) {
        diagnostics->errors.push_back(
            origin + ": SplashScreen=" + Shown(value) + " is read as size " + size +
            " and bitmap \"" + Shown(name) + "\", which the output would not contain (" +
            BitmapNames(bitmaps) + ")");
        return;
    }
    BitmapHeader header;
    if (CheckBitmap(bitmaps[(size_t)found], &header) != BitmapAccepted)
        return;
    if (header.width != entry.width || header.height != entry.height)
        diagnostics->warnings.push_back(
            origin + ": SplashScreen=" + Shown(value) + " gives " + size + ", but " + name +
            " is " + std::to_string(header.width) + "x" + std::to_string(header.height) +
            "; the entry's size only serves the choice of bitmap");
}

void CheckConfig(const std::string& origin, const std::string& config,
                 const std::vector<SplashBitmap>& bitmaps, Diagnostics* diagnostics)
{
    if (!CheckConfigBytes(origin, config, diagnostics))
        return;
    for (const ConfigEntry& entry : ReadConfigEntries(config)) {
        CheckConfigEntry(origin, entry, diagnostics);
        if (entry.key == "SplashScreen" && entry.hasValue)
            CheckSplashEntry(origin, entry.value, bitmaps, diagnostics);
    }
}

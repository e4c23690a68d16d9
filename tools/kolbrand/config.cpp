#include "tools/kolbrand/config.h"

#include "splash/config.h"
#include "tools/kolbrand/bitmaps.h"
#include "tools/kolbrand/text.h"

#include <string.h>

#include <map>
#include <set>

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
static int CheckConfigBytes(const std::string& origin, const std::string& config, bool typed,
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
    if (high >= 0 && typed)
        diagnostics->errors.push_back(CheckAscii(origin, config));
    else if (high >= 0)
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

// Past this many, a message names no more bitmaps.
static const size_t MostBitmapsNamed = 10;

static std::string BitmapNames(const std::vector<SplashBitmap>& bitmaps)
{
    if (bitmaps.empty())
        return "it holds none";
    std::string names = "it holds";
    for (size_t i = 0; i < bitmaps.size() && i < MostBitmapsNamed; i++)
        names += (i == 0 ? " " : ", ") + bitmaps[i].name;
    if (bitmaps.size() > MostBitmapsNamed)
        names += " and " + std::to_string(bitmaps.size() - MostBitmapsNamed) + " more";
    return names;
}

// The index of each bitmap by its name in capitals; the first of a name counts.
typedef std::map<std::string, size_t> BitmapIndex;

static BitmapIndex IndexBitmaps(const std::vector<SplashBitmap>& bitmaps)
{
    BitmapIndex index;
    for (size_t i = 0; i < bitmaps.size(); i++)
        index.insert({Upper(bitmaps[i].name), i});
    return index;
}

// A "SplashScreen" entry must name a bitmap the output holds; a size that differs from
// the bitmap's own only misleads the choice.
static void CheckSplashEntry(const std::string& origin, const std::string& value,
                             const std::vector<SplashBitmap>& bitmaps, const BitmapIndex& index,
                             Diagnostics* diagnostics)
{
    SplashEntry entry;
    ParseSplashEntry(value.c_str(), &entry);
    std::string name = entry.resourceName;
    std::string size = std::to_string(entry.width) + "x" + std::to_string(entry.height);
    auto found = index.find(Upper(name));
    if (found == index.end()) {
        diagnostics->errors.push_back(
            origin + ": SplashScreen=" + Shown(value) + " is read as size " + size +
            " and bitmap \"" + Shown(name) + "\", which the output would not contain (" +
            BitmapNames(bitmaps) + ")");
        return;
    }
    BitmapHeader header;
    if (!SplashRefusal(bitmaps[found->second], &header).empty())
        return;
    if (header.width != entry.width || header.height != entry.height)
        diagnostics->warnings.push_back(
            origin + ": SplashScreen=" + Shown(value) + " gives " + size + ", but " + name +
            " is " + std::to_string(header.width) + "x" + std::to_string(header.height) +
            "; the entry's size only serves the choice of bitmap");
}

// The encoding a text editor saved the file in, when it isn't single bytes; "" otherwise.
// UTF-16 without a byte-order mark shows as a NUL after or before the first character.
static std::string WideEncoding(const std::string& data)
{
    if (data.compare(0, 2, "\xFF\xFE") == 0 || (data.size() >= 2 && data[0] != 0 && data[1] == 0))
        return "UTF-16 (little-endian)";
    if (data.compare(0, 2, "\xFE\xFF") == 0 || (data.size() >= 2 && data[0] == 0 && data[1] != 0))
        return "UTF-16 (big-endian)";
    return "";
}

std::string ConfigFromFile(const std::string& path, const std::string& data,
                           Diagnostics* diagnostics)
{
    static const std::string Utf8Mark = "\xEF\xBB\xBF";
    std::string encoding = WideEncoding(data);
    if (!encoding.empty()) {
        diagnostics->errors.push_back(
            path + ": is saved as " + encoding + ", but the launcher reads CONFIG one byte per "
                   "character: save it as UTF-8 without a byte-order mark, or as ANSI");
        return data;
    }
    if (data.compare(0, Utf8Mark.size(), Utf8Mark) != 0)
        return data;
    diagnostics->warnings.push_back(
        path + ": begins with a UTF-8 byte-order mark, which kolbrand leaves out (the launcher "
               "would read it as part of the first key)");
    return data.substr(Utf8Mark.size());
}

// Screen sizes that between them meet every case of the choice: for each dimension, each
// entry's size and one pixel less than the smallest, as the choice only compares them.
static std::vector<int> CandidateSides(const std::vector<int>& sides)
{
    std::vector<int> candidates;
    int smallest = sides.empty() ? 1 : sides[0];
    for (int side : sides) {
        candidates.push_back(side < 1 ? 1 : side);
        smallest = side < smallest ? side : smallest;
    }
    candidates.push_back(smallest > 1 ? smallest - 1 : 1);
    return candidates;
}

// Past this many entries, trying every screen would take long; no author writes so many.
static const size_t MostEntriesChecked = 100;

// Warns of each "SplashScreen" entry that the launcher's choice takes on no screen. The
// choice walks a table of those entries alone, as it passes over any other.
static void CheckChoosableEntries(const std::string& origin, const std::string& config,
                                  Diagnostics* diagnostics)
{
    ConfigTable* table = ParseConfig(config.data(), (int)config.size());
    std::vector<char*> keys, values;
    std::vector<const char*> names;  // where each entry's name begins, which tells it apart
    std::vector<int> widths, heights;
    for (int i = 0; i < table->count; i++) {
        if (table->values[i] == NULL || strcmp(table->keys[i], "SplashScreen") != 0)
            continue;
        SplashEntry entry;
        ParseSplashEntry(table->values[i], &entry);
        keys.push_back(table->keys[i]);
        values.push_back(table->values[i]);
        names.push_back(entry.resourceName);
        widths.push_back(entry.width);
        heights.push_back(entry.height);
    }
    if (names.size() > MostEntriesChecked) {
        diagnostics->warnings.push_back(origin + ": CONFIG holds " + std::to_string(names.size()) +
                                        " SplashScreen entries; kolbrand checks which of them "
                                        "a screen can choose only up to " +
                                        std::to_string(MostEntriesChecked));
        FreeConfig(table);
        return;
    }
    ConfigTable entries = {keys.data(), values.data(), (int)names.size()};
    std::vector<bool> chosen(names.size(), false);
    SplashEntry picked;
    for (int width : CandidateSides(widths)) {
        for (int height : CandidateSides(heights)) {
            if (!PickSplashEntry(&entries, width, height, &picked))
                continue;
            for (size_t i = 0; i < names.size(); i++)
                chosen[i] = chosen[i] || picked.resourceName == names[i];
        }
    }
    for (size_t i = 0; i < names.size(); i++) {
        if (!chosen[i])
            diagnostics->warnings.push_back(
                origin + ": SplashScreen=" + Shown(values[i]) +
                " is chosen on no screen: the launcher takes a later entry only when it fits "
                "the screen and is wider or taller than the one taken");
    }
    FreeConfig(table);
}

// The keys of which the launcher reads the first entry alone.
static const char* const FirstReadKeys[] = {"SplashScreenTitle", "UseJavaVM"};

// A later entry of such a key is never read.
static void CheckRepeatedKey(const std::string& origin, const ConfigEntry& entry,
                             std::set<std::string>* seen, Diagnostics* diagnostics)
{
    for (const char* key : FirstReadKeys) {
        if (entry.key == key && !seen->insert(key).second)
            diagnostics->warnings.push_back(origin + ": " + key + "=" + Shown(entry.value) +
                                            " is never read: the launcher takes the first " +
                                            key);
    }
}

// The longest title that kolbrand writes: a caption shows far less, and a title of some
// megabytes makes no window at all (seen under Wine).
static const size_t LongestTitle = 255;

int CheckConfig(const std::string& origin, const std::string& config, bool typed,
                const std::vector<SplashBitmap>& bitmaps, Diagnostics* diagnostics)
{
    if (!CheckConfigBytes(origin, config, typed, diagnostics))
        return 0;
    std::set<std::string> seen;
    BitmapIndex index = IndexBitmaps(bitmaps);
    for (const ConfigEntry& entry : ReadConfigEntries(config)) {
        // An empty CONFIG, or "|" doubled or at an end, gives entries of nothing at all.
        if (entry.key.empty() && !entry.hasValue)
            continue;
        CheckConfigEntry(origin, entry, diagnostics);
        if (!entry.hasValue)
            continue;
        if (entry.key == "SplashScreen")
            CheckSplashEntry(origin, entry.value, bitmaps, index, diagnostics);
        if (entry.key == "SplashScreenTitle" && entry.value.size() > LongestTitle)
            diagnostics->errors.push_back(origin + ": SplashScreenTitle has " +
                                          std::to_string(entry.value.size()) + " characters; "
                                          "kolbrand writes titles of at most " +
                                          std::to_string(LongestTitle));
        CheckRepeatedKey(origin, entry, &seen, diagnostics);
    }
    CheckChoosableEntries(origin, config, diagnostics);
    return 1;
}

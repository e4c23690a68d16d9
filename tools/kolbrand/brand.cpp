#include "tools/kolbrand/brand.h"

#include "splash/bitmap.h"
#include "splash/config.h"

#include <stdio.h>
#include <stdlib.h>

const char* const KolbrandUsage =
    "usage: kolbrand OUTPUT.exe [--from LAUNCHER.exe] [--command-line TEXT | --launch-line TEXT]\n"
    "                [--config TEXT | --config-file FILE] [--splash NAME=FILE.bmp]...\n"
    "                [--remove-splash NAME]... [--icon FILE.ico]\n"
    "       kolbrand --list LAUNCHER.exe\n";

// ---- Command line ---------------------------------------------------------------------

static std::string Upper(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    }
    return upper;
}

int SameResourceName(const std::string& a, const std::string& b)
{
    return Upper(a) == Upper(b);
}

// Letters, digits, "_", "-" and ".": a name that survives CONFIG's "|", "=" and ";".
static int IsPlainResourceName(const std::string& name)
{
    if (name.empty() || name[0] == '#')
        return 0;
    for (char c : name) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                     || c == '_' || c == '-' || c == '.';
        if (!plain)
            return 0;
    }
    return 1;
}

static int Contains(const std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& other : names) {
        if (SameResourceName(other, name))
            return 1;
    }
    return 0;
}

static int ParseSplashOption(const std::string& value, BrandOptions* options, std::string* error)
{
    size_t equals = value.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == value.size()) {
        *error = "--splash " + value + ": expected NAME=FILE.bmp";
        return 0;
    }
    SplashFile splash{value.substr(0, equals), value.substr(equals + 1)};
    if (!IsPlainResourceName(splash.name)) {
        *error = "--splash " + value + ": a bitmap name is made of letters, digits, \"_\", \"-\" "
                 "and \".\"";
        return 0;
    }
    for (const SplashFile& other : options->splashes) {
        if (SameResourceName(other.name, splash.name)) {
            *error = "--splash " + splash.name + " is given twice";
            return 0;
        }
    }
    options->splashes.push_back(splash);
    return 1;
}

// Options that may be given once.
struct OptionsSeen {
    int from = 0;
    int line = 0;
    int icon = 0;
};

static int SetOnce(const std::string& option, int* seen, std::string* error)
{
    if (*seen) {
        *error = option + " is given twice";
        return 0;
    }
    *seen = 1;
    return 1;
}

// Options that take a value; the value has been taken from the next argument.
static int ApplyOption(const std::string& option, const std::string& value,
                       BrandOptions* options, OptionsSeen* seen, std::string* error)
{
    if (option == "--from")
        return SetOnce(option, &seen->from, error) && (options->from = value, 1);
    if (option == "--command-line" || option == "--launch-line") {
        LineKind kind = option == "--command-line" ? CommandLineKind : LaunchLineKind;
        if (options->lineKind != NoLine && options->lineKind != kind) {
            *error = "--command-line and --launch-line both given: a launcher carries one "
                     "kind of line (the launch line would never be read)";
            return 0;
        }
        if (!SetOnce(option, &seen->line, error))
            return 0;
        options->lineKind = kind;
        options->line = value;
        return 1;
    }
    if (option == "--config" || option == "--config-file") {
        if (options->hasConfig) {
            *error = "give one of --config and --config-file, once";
            return 0;
        }
        options->hasConfig = true;
        options->configIsFile = option == "--config-file";
        options->config = value;
        return 1;
    }
    if (option == "--splash")
        return ParseSplashOption(value, options, error);
    if (option == "--remove-splash") {
        if (Contains(options->removals, value)) {
            *error = "--remove-splash " + value + " is given twice";
            return 0;
        }
        options->removals.push_back(value);
        return 1;
    }
    if (option == "--icon")
        return SetOnce(option, &seen->icon, error) && (options->icon = value, 1);
    *error = "unknown option " + option;
    return 0;
}

static int HasValue(const std::string& option)
{
    static const char* const valued[] = {"--from", "--command-line", "--launch-line",
                                         "--config", "--config-file", "--splash",
                                         "--remove-splash", "--icon", "--list"};
    for (const char* name : valued) {
        if (option == name)
            return 1;
    }
    return 0;
}

static int CheckCombination(const BrandOptions& options, std::string* error)
{
    for (const SplashFile& splash : options.splashes) {
        if (Contains(options.removals, splash.name)) {
            *error = "--splash " + splash.name + " and --remove-splash " + splash.name +
                     " both given";
            return 0;
        }
    }
    bool branding = !options.from.empty() || options.lineKind != NoLine || options.hasConfig
                    || !options.splashes.empty() || !options.removals.empty()
                    || !options.icon.empty();
    if (options.list && branding) {
        *error = "--list takes the launcher alone";
        return 0;
    }
    if (options.output.empty()) {
        *error = options.list ? "--list needs a launcher" : "no OUTPUT.exe given";
        return 0;
    }
    return 1;
}

int ParseBrandOptions(const std::vector<std::string>& arguments, BrandOptions* options,
                      std::string* error)
{
    *options = BrandOptions();
    OptionsSeen seen;
    for (size_t i = 0; i < arguments.size(); i++) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            if (!options->output.empty()) {
                *error = options->list ? "--list takes one launcher"
                                       : "more than one OUTPUT given: " + options->output +
                                             ", " + argument;
                return 0;
            }
            options->output = argument;
            continue;
        }
        if (argument == "--help") {
            options->help = true;
            return 1;
        }
        if (!HasValue(argument)) {
            *error = "unknown option " + argument;
            return 0;
        }
        if (i + 1 == arguments.size()) {
            *error = argument + " needs a value";
            return 0;
        }
        const std::string& value = arguments[++i];
        if (argument == "--list") {
            if (options->list || !options->output.empty()) {
                *error = "--list takes one launcher";
                return 0;
            }
            options->list = true;
            options->output = value;
        } else if (!ApplyOption(argument, value, options, &seen, error)) {
            return 0;
        }
    }
    return CheckCombination(*options, error);
}

// ---- Texts ----------------------------------------------------------------------------

static std::string Hex(unsigned value, int digits)
{
    char text[16];
    snprintf(text, sizeof(text), "%0*X", digits, value);
    return text;
}

// Bytes as the launcher would take them, one character each: the rest escaped as \xHH.
static std::string Shown(const std::string& bytes)
{
    std::string shown;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F)
            shown += (char)c;
        else
            shown += "\\x" + Hex(c, 2);
    }
    return shown;
}

// Offset of the first byte above 0x7F, or -1.
static long FirstHighByte(const std::string& text)
{
    for (size_t i = 0; i < text.size(); i++) {
        if ((unsigned char)text[i] > 0x7F)
            return (long)i;
    }
    return -1;
}

// Text given on kolbrand's command line arrives as UTF-8, but the launcher widens each
// byte to one character (0xE9 to U+FFE9): only ASCII arrives as it was typed.
static std::string CheckAscii(const std::string& option, const std::string& text)
{
    if (FirstHighByte(text) < 0)
        return "";
    return option + ": holds a character outside ASCII; the launcher takes each byte as one "
                    "character, so it would not arrive as typed";
}

std::string CheckEmbeddedLine(const std::string& option, const std::string& line)
{
    size_t cut = line.find_first_of(std::string("\r\n\0", 3));
    if (cut != std::string::npos) {
        const char* what = line[cut] == 0 ? "a NUL" : "a line break";
        return option + ": holds " + what + " at offset " + std::to_string(cut) +
               ": only the text before it would count";
    }
    return CheckAscii(option, line);
}

// ---- CONFIG ---------------------------------------------------------------------------

struct ConfigEntry {
    std::string key;
    bool hasValue;
    std::string value;
};

// The entries as the launcher's own parser reads them.
static std::vector<ConfigEntry> ReadConfigEntries(const std::string& config)
{
    std::vector<ConfigEntry> entries;
    ConfigTable* table = ParseConfig(config.data(), (int)config.size());
    for (int i = 0; table != NULL && i < table->count; i++) {
        const char* value = table->values[i];
        entries.push_back({table->keys[i], value != NULL, value != NULL ? value : ""});
    }
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

// ---- Bitmaps -------------------------------------------------------------------------

static BitmapVerdict CheckBitmap(const SplashBitmap& bitmap, BitmapHeader* header)
{
    return CheckSplashBitmap((const BYTE*)bitmap.data.data(), (int)bitmap.data.size(), header);
}

// Why the launcher would refuse a bitmap, and what to do about it.
static std::string BitmapRefusal(BitmapVerdict verdict, const BitmapHeader& header,
                                 size_t length)
{
    switch (verdict) {
    case BitmapAccepted:
        return "";
    case BitmapTooShort:
        return "too short for a bitmap file (" + std::to_string(length) +
               " bytes; its headers alone take 54)";
    case BitmapNoSignature:
        return "not a BMP file: it does not begin with \"BM\"";
    case BitmapHeaderSize:
        return "a " + std::to_string(header.headerSize) +
               "-byte information header is not supported: save it as a BMP with the 40-byte "
               "header (no colour space information)";
    case BitmapWidth:
        return "width " + std::to_string(header.width) + " is not 1 to 65535";
    case BitmapHeight:
        if (header.height < 0)
            return "stored top-down (height " + std::to_string(header.height) +
                   "): save it bottom-up, as BMP files usually are";
        return "height " + std::to_string(header.height) + " is not 1 to 65535";
    case BitmapBitDepth:
        return std::to_string(header.bitsPerPixel) +
               " bits per pixel is not supported: save it with 1, 4, 8 or 24 bits per pixel";
    case BitmapCompression:
        return "compression " + std::to_string(header.compression) +
               " is not supported: save it as an uncompressed BMP";
    case BitmapDataOffset:
        return "pixel data offset " + std::to_string(header.dataOffset) +
               " lies outside the file";
    }
    return "is refused";
}

static std::string BitmapLabel(const SplashBitmap& bitmap, const std::string& fromPath)
{
    if (!bitmap.source.empty())
        return bitmap.source;
    return fromPath + ": SplashScreen bitmap " + bitmap.name;
}

static int FindBitmap(const std::vector<SplashBitmap>& bitmaps, const std::string& name)
{
    for (size_t i = 0; i < bitmaps.size(); i++) {
        if (SameResourceName(bitmaps[i].name, name))
            return (int)i;
    }
    return -1;
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

static int IsNamedByConfig(const LauncherResources& launcher, const std::string& name)
{
    if (!launcher.hasConfig)
        return 0;
    for (const ConfigEntry& entry : ReadConfigEntries(launcher.config)) {
        SplashEntry splash;
        ParseSplashEntry(entry.value.c_str(), &splash);
        if (entry.key == "SplashScreen" && entry.hasValue
            && SameResourceName(splash.resourceName, name))
            return 1;
    }
    return 0;
}

// The launcher shows a file cut short, with the rows it lacks (the top ones) left blank.
static void CheckBitmapRows(const std::string& label, const BitmapHeader& header,
                            size_t length, Diagnostics* diagnostics)
{
    size_t rows = (length - (size_t)header.dataOffset) / (size_t)header.stride;
    if (rows < (size_t)header.height)
        diagnostics->warnings.push_back(label + ": holds " + std::to_string(rows) + " of its " +
                                        std::to_string(header.height) +
                                        " rows; the launcher leaves the top ones blank");
}

// Added bitmaps and those CONFIG names must be ones the launcher shows.
static void CheckBitmaps(const std::string& fromPath, const LauncherResources& out,
                         Diagnostics* diagnostics)
{
    for (const SplashBitmap& bitmap : out.bitmaps) {
        int named = IsNamedByConfig(out, bitmap.name);
        if (bitmap.source.empty() && !named)
            continue;
        BitmapHeader header;
        std::string refusal =
            BitmapRefusal(CheckBitmap(bitmap, &header), header, bitmap.data.size());
        std::string label = BitmapLabel(bitmap, fromPath);
        if (!refusal.empty())
            diagnostics->errors.push_back(label + ": " + refusal);
        else
            CheckBitmapRows(label, header, bitmap.data.size(), diagnostics);
        if (refusal.empty() && !named)
            diagnostics->warnings.push_back(
                label + ": no SplashScreen entry of CONFIG names " + bitmap.name +
                ", so the launcher never shows it");
    }
}

// ---- Icons ----------------------------------------------------------------------------

static unsigned ReadU16(const std::string& data, size_t at)
{
    return (unsigned char)data[at] | (unsigned)(unsigned char)data[at + 1] << 8;
}

static unsigned ReadU32(const std::string& data, size_t at)
{
    return ReadU16(data, at) | ReadU16(data, at + 2) << 16;
}

static void PutU16(std::string* data, unsigned value)
{
    *data += (char)(value & 0xFF);
    *data += (char)(value >> 8 & 0xFF);
}

static void PutU32(std::string* data, unsigned value)
{
    PutU16(data, value & 0xFFFF);
    PutU16(data, value >> 16);
}

// A directory's size byte: 0 stands for 256.
static int IconSize(unsigned byte)
{
    return byte == 0 ? 256 : (int)byte;
}

static std::string ImageLabel(size_t index, const IconImage& image)
{
    return "image " + std::to_string(index + 1) + " (" + std::to_string(image.width) + "x" +
           std::to_string(image.height) + ")";
}

// The bytes an uncompressed icon image needs: header, colour table, colour and mask rows.
static unsigned long IconImageSize(const std::string& bitmap, int bits, int width, int height)
{
    unsigned long colours = bits <= 8 ? ReadU32(bitmap, 32) : 0;
    if (bits <= 8 && colours == 0)
        colours = 1ul << bits;
    unsigned long colourStride = ((unsigned long)width * (unsigned long)bits + 31) / 32 * 4;
    unsigned long maskStride = ((unsigned long)width + 31) / 32 * 4;
    return 40 + colours * 4 + (colourStride + maskStride) * (unsigned long)height;
}

// "" when the image is one that the device can show, else the rule it breaks.
static std::string CheckIconImage(const std::string& bitmap, IconImage* image)
{
    static const char png[] = "\x89PNG";
    if (bitmap.compare(0, 4, png) == 0)
        return "is PNG-compressed, which Windows CE does not show: save it uncompressed";
    if (bitmap.size() < 40 || ReadU32(bitmap, 0) != 40)
        return "has no 40-byte bitmap header";
    int width = (int)ReadU32(bitmap, 4);
    int height = (int)ReadU32(bitmap, 8);
    int bits = (int)ReadU16(bitmap, 14);
    if (width != image->width || height != 2 * image->height)
        return "holds a bitmap of " + std::to_string(width) + "x" + std::to_string(height / 2) +
               ", not the size its directory entry gives";
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "has " + std::to_string(bits) + " bits per pixel, which no icon has";
    if (ReadU32(bitmap, 16) != 0)
        return "is compressed: save it uncompressed";
    if (bitmap.size() < IconImageSize(bitmap, bits, width, image->height))
        return "is cut short: its rows run past its data";
    image->planes = 1;
    image->bits = bits;
    return "";
}

static std::string CheckIcoHeader(const std::string& data)
{
    if (data.size() < 6)
        return "is too short to be an icon file";
    if (ReadU16(data, 0) != 0 || (ReadU16(data, 2) != 1 && ReadU16(data, 2) != 2))
        return "is not an icon file (.ico)";
    if (ReadU16(data, 2) == 2)
        return "is a cursor file, not an icon file";
    unsigned count = ReadU16(data, 4);
    if (count == 0)
        return "holds no images";
    if (data.size() < 6 + 16 * (size_t)count)
        return "is cut short: its directory lists " + std::to_string(count) + " images";
    return "";
}

std::vector<IconImage> ReadIcoFile(const std::string& path, const std::string& data,
                                   std::string* error)
{
    std::vector<IconImage> images;
    std::string problem = CheckIcoHeader(data);
    unsigned count = problem.empty() ? ReadU16(data, 4) : 0;
    size_t directoryEnd = 6 + 16 * (size_t)count;
    for (unsigned i = 0; i < count && problem.empty(); i++) {
        size_t entry = 6 + 16 * (size_t)i;
        IconImage image;
        image.width = IconSize((unsigned char)data[entry]);
        image.height = IconSize((unsigned char)data[entry + 1]);
        image.colours = (unsigned char)data[entry + 2];
        size_t size = ReadU32(data, entry + 8);
        size_t offset = ReadU32(data, entry + 12);
        if (size == 0 || offset < directoryEnd || offset > data.size()
            || size > data.size() - offset) {
            problem = ImageLabel(i, image) + " lies outside the file";
            break;
        }
        image.data = data.substr(offset, size);
        std::string rule = CheckIconImage(image.data, &image);
        if (!rule.empty())
            problem = ImageLabel(i, image) + " " + rule;
        images.push_back(image);
    }
    if (!problem.empty()) {
        *error = path + ": " + problem;
        images.clear();
    }
    return images;
}

std::string MakeIconGroup(const std::vector<IconImage>& images)
{
    std::string group;
    PutU16(&group, 0);
    PutU16(&group, 1);
    PutU16(&group, (unsigned)images.size());
    for (const IconImage& image : images) {
        group += (char)(image.width % 256);
        group += (char)(image.height % 256);
        group += (char)image.colours;
        group += '\0';
        PutU16(&group, (unsigned)image.planes);
        PutU16(&group, (unsigned)image.bits);
        PutU32(&group, (unsigned)image.data.size());
        PutU16(&group, (unsigned)image.id);
    }
    return group;
}

std::vector<IconImage> ReadIconGroup(const std::string& data)
{
    std::vector<IconImage> images;
    unsigned count = data.size() >= 6 ? ReadU16(data, 4) : 0;
    for (unsigned i = 0; i < count && 6 + 14 * (size_t)(i + 1) <= data.size(); i++) {
        size_t entry = 6 + 14 * (size_t)i;
        IconImage image;
        image.width = IconSize((unsigned char)data[entry]);
        image.height = IconSize((unsigned char)data[entry + 1]);
        image.colours = (unsigned char)data[entry + 2];
        image.planes = (int)ReadU16(data, entry + 4);
        image.bits = (int)ReadU16(data, entry + 6);
        image.id = (int)ReadU16(data, entry + 12);
        images.push_back(image);
    }
    return images;
}

std::vector<int> FreeIconIds(const std::vector<int>& used, int count)
{
    std::vector<int> ids;
    for (int id = 1; (int)ids.size() < count; id++) {
        bool taken = false;
        for (int other : used)
            taken = taken || other == id;
        if (!taken)
            ids.push_back(id);
    }
    return ids;
}

// ---- Branding -------------------------------------------------------------------------

static void SetLine(const BrandOptions& options, LauncherResources* out, Diagnostics* diagnostics)
{
    if (options.lineKind == NoLine)
        return;
    bool command = options.lineKind == CommandLineKind;
    std::string refusal =
        CheckEmbeddedLine(command ? "--command-line" : "--launch-line", options.line);
    if (!refusal.empty())
        diagnostics->errors.push_back(refusal);
    // One kind replaces the other: with both, "CommandLine" wins and "LaunchLine" is dead.
    out->hasCommandLine = command;
    out->commandLine = command ? options.line : "";
    out->hasLaunchLine = !command;
    out->launchLine = command ? "" : options.line;
}

static void SetConfig(const BrandOptions& options, const BrandInputs& inputs,
                      LauncherResources* out, Diagnostics* diagnostics)
{
    if (!options.hasConfig)
        return;
    if (!options.configIsFile) {
        std::string refusal = CheckAscii("--config", options.config);
        if (!refusal.empty())
            diagnostics->errors.push_back(refusal);
    }
    out->hasConfig = true;
    out->config = options.configIsFile ? inputs.configFileData : options.config;
}

static void SetBitmaps(const BrandOptions& options, const BrandInputs& inputs,
                       LauncherResources* out, Diagnostics* diagnostics)
{
    for (const std::string& name : options.removals) {
        int found = FindBitmap(out->bitmaps, name);
        if (found < 0)
            diagnostics->errors.push_back("--remove-splash " + name + ": " + inputs.fromPath +
                                          " has no SplashScreen bitmap of that name");
        else
            out->bitmaps.erase(out->bitmaps.begin() + found);
    }
    for (size_t i = 0; i < options.splashes.size(); i++) {
        const SplashFile& splash = options.splashes[i];
        SplashBitmap bitmap{splash.name, inputs.splashData[i], splash.path};
        int found = FindBitmap(out->bitmaps, splash.name);
        if (found < 0)
            out->bitmaps.push_back(bitmap);
        else
            out->bitmaps[(size_t)found] = bitmap;
    }
}

static void SetIcon(const BrandOptions& options, const BrandInputs& inputs,
                    LauncherResources* out, Diagnostics* diagnostics)
{
    if (options.icon.empty())
        return;
    std::string refusal;
    std::vector<IconImage> images = ReadIcoFile(options.icon, inputs.iconData, &refusal);
    if (!refusal.empty())
        diagnostics->errors.push_back(refusal);
    out->hasIcon = true;
    out->icons = images;
}

static std::string ConfigOrigin(const BrandOptions& options, const BrandInputs& inputs)
{
    if (!options.hasConfig)
        return inputs.fromPath;
    return options.configIsFile ? options.config : "--config";
}

LauncherResources PlanBrand(const BrandOptions& options, const BrandInputs& inputs,
                            Diagnostics* diagnostics)
{
    LauncherResources out = inputs.from;
    SetLine(options, &out, diagnostics);
    SetConfig(options, inputs, &out, diagnostics);
    SetBitmaps(options, inputs, &out, diagnostics);
    SetIcon(options, inputs, &out, diagnostics);
    if (out.hasConfig)
        CheckConfig(ConfigOrigin(options, inputs), out.config, out.bitmaps, diagnostics);
    CheckBitmaps(inputs.fromPath, out, diagnostics);
    return out;
}

// ---- The branded image ---------------------------------------------------------------

static const char* const IconType = "#3";
static const char* const IconGroupType = "#14";
static const char* const IconGroupName = "#50";

static int IsResource(const ImageResource& resource, const std::string& type,
                      const std::string& name)
{
    return SameResourceName(resource.type, type) && SameResourceName(resource.name, name);
}

static int IsOldIconImage(const ImageResource& resource, const LauncherResources& from)
{
    for (const IconImage& image : from.icons) {
        if (IsResource(resource, IconType, "#" + std::to_string(image.id)))
            return 1;
    }
    return 0;
}

// The first resource of that type and name, or null.
static const ImageResource* FindResource(const std::vector<ImageResource>& image,
                                         const std::string& type, const std::string& name)
{
    for (const ImageResource& resource : image) {
        if (IsResource(resource, type, name))
            return &resource;
    }
    return nullptr;
}

static bool ReadText(const std::vector<ImageResource>& image, const char* name, std::string* text)
{
    const ImageResource* found = FindResource(image, "TEXT", name);
    if (found != nullptr)
        *text = found->data;
    return found != nullptr;
}

LauncherResources ReadLauncherResources(const std::vector<ImageResource>& image)
{
    LauncherResources launcher;
    launcher.hasCommandLine = ReadText(image, "CommandLine", &launcher.commandLine);
    launcher.hasLaunchLine = ReadText(image, "LaunchLine", &launcher.launchLine);
    launcher.hasConfig = ReadText(image, "CONFIG", &launcher.config);
    for (const ImageResource& resource : image) {
        if (SameResourceName(resource.type, "SPLASHSCREEN")
            && FindResource(image, resource.type, resource.name) == &resource)
            launcher.bitmaps.push_back({resource.name, resource.data, ""});
    }
    const ImageResource* group = FindResource(image, IconGroupType, IconGroupName);
    launcher.hasIcon = group != nullptr;
    if (group != nullptr)
        launcher.icons = ReadIconGroup(group->data);
    return launcher;
}

// Whether the branding replaces or removes a resource of the source launcher.
static int IsReplaced(const ImageResource& resource, const BrandOptions& options,
                      const LauncherResources& from)
{
    if (options.lineKind != NoLine
        && (IsResource(resource, "TEXT", "COMMANDLINE") || IsResource(resource, "TEXT", "LAUNCHLINE")))
        return 1;
    if (options.hasConfig && IsResource(resource, "TEXT", "CONFIG"))
        return 1;
    if (SameResourceName(resource.type, "SPLASHSCREEN")) {
        for (const SplashFile& splash : options.splashes)
            if (SameResourceName(resource.name, splash.name))
                return 1;
        for (const std::string& name : options.removals)
            if (SameResourceName(resource.name, name))
                return 1;
    }
    return !options.icon.empty()
           && (IsResource(resource, IconGroupType, IconGroupName) || IsOldIconImage(resource, from));
}

// Adds a new resource in every language of the one it replaces, or in the default one.
static void AddResource(const std::vector<ImageResource>& source, const std::string& type,
                        const std::string& name, const std::string& data,
                        std::vector<ImageResource>* image)
{
    int languages = 0;
    for (const ImageResource& old : source) {
        if (IsResource(old, type, name)) {
            image->push_back({old.type, old.name, old.language, data});
            languages++;
        }
    }
    if (languages == 0)
        image->push_back({type, name, source.empty() ? 0 : source[0].language, data});
}

// The new icon images take the lowest numbers that the kept images leave free.
static void AddIcon(const std::vector<ImageResource>& source, const LauncherResources& out,
                    std::vector<ImageResource>* image)
{
    std::vector<int> used;
    for (const ImageResource& resource : *image) {
        if (SameResourceName(resource.type, IconType))
            used.push_back(atoi(resource.name.c_str() + 1));
    }
    std::vector<IconImage> icons = out.icons;
    std::vector<int> ids = FreeIconIds(used, (int)icons.size());
    for (size_t i = 0; i < icons.size(); i++) {
        icons[i].id = ids[i];
        AddResource(source, IconType, "#" + std::to_string(ids[i]), icons[i].data, image);
    }
    AddResource(source, IconGroupType, IconGroupName, MakeIconGroup(icons), image);
}

std::vector<ImageResource> BrandedResources(const std::vector<ImageResource>& source,
                                            const BrandOptions& options,
                                            const LauncherResources& from,
                                            const LauncherResources& out)
{
    std::vector<ImageResource> image;
    for (const ImageResource& resource : source) {
        if (!IsReplaced(resource, options, from))
            image.push_back(resource);
    }
    // New names in capitals, as the resource compiler stores them: the system's lookup
    // compares stored names with the capitalised name it is asked for.
    if (options.lineKind == CommandLineKind)
        AddResource(source, "TEXT", "COMMANDLINE", out.commandLine, &image);
    if (options.lineKind == LaunchLineKind)
        AddResource(source, "TEXT", "LAUNCHLINE", out.launchLine, &image);
    if (options.hasConfig)
        AddResource(source, "TEXT", "CONFIG", out.config, &image);
    for (const SplashBitmap& bitmap : out.bitmaps) {
        if (!bitmap.source.empty())
            AddResource(source, "SPLASHSCREEN", Upper(bitmap.name), bitmap.data, &image);
    }
    if (!options.icon.empty())
        AddIcon(source, out, &image);
    return image;
}

// ---- Listing --------------------------------------------------------------------------

// The line as the launcher embeds it: up to the first NUL, CR or LF.
static std::string FirstLine(const std::string& resource)
{
    return resource.substr(0, resource.find_first_of(std::string("\r\n\0", 3)));
}

static std::string DescribeLine(const char* name, const std::string& resource)
{
    std::string line = FirstLine(resource);
    std::string text = std::string(name) + ": \"" + Shown(line) + "\"";
    if (line.size() < resource.size())
        text += " (" + std::to_string(resource.size() - line.size()) +
                " bytes after the first line are ignored)";
    return text + "\n";
}

static std::string DescribeMode(const LauncherResources& launcher)
{
    if (!launcher.hasCommandLine && launcher.hasLaunchLine)
        return "mode: launch-line\n" + DescribeLine("LaunchLine", launcher.launchLine);
    std::string text = "mode: in-process\n";
    if (launcher.hasCommandLine)
        text += DescribeLine("CommandLine", launcher.commandLine);
    else
        text += "embedded line: none\n";
    if (launcher.hasCommandLine && launcher.hasLaunchLine)
        text += "LaunchLine: present but never read (CommandLine wins)\n";
    return text;
}

static std::string DescribeConfig(const LauncherResources& launcher)
{
    if (!launcher.hasConfig)
        return "CONFIG: none (no splash)\n";
    std::string text = "CONFIG:\n";
    for (const ConfigEntry& entry : ReadConfigEntries(launcher.config)) {
        text += "  " + Shown(entry.key);
        text += entry.hasValue ? "=" + Shown(entry.value) : " (no \"=\")";
        text += "\n";
    }
    return text;
}

static std::string DescribeIcon(const LauncherResources& launcher)
{
    if (!launcher.hasIcon)
        return "icon group 50: none\n";
    std::string text = "icon group 50:";
    for (size_t i = 0; i < launcher.icons.size(); i++) {
        const IconImage& image = launcher.icons[i];
        text += std::string(i == 0 ? " " : ", ") + std::to_string(image.width) + "x" +
                std::to_string(image.height) + " (" + std::to_string(image.bits) + " bits)";
    }
    return text + "\n";
}

static std::string DescribeBitmaps(const LauncherResources& launcher)
{
    if (launcher.bitmaps.empty())
        return "SplashScreen bitmaps: none\n";
    std::string text = "SplashScreen bitmaps:\n";
    for (const SplashBitmap& bitmap : launcher.bitmaps) {
        BitmapHeader header;
        BitmapVerdict verdict = CheckBitmap(bitmap, &header);
        text += "  " + bitmap.name + ": ";
        if (header.width != 0 || header.height != 0)
            text += std::to_string(header.width) + "x" + std::to_string(header.height) + ", ";
        if (header.bitsPerPixel != 0)
            text += std::to_string(header.bitsPerPixel) + " bits per pixel, ";
        if (verdict == BitmapAccepted)
            text += "accepted\n";
        else
            text += "refused: " + BitmapRefusal(verdict, header, bitmap.data.size()) + "\n";
    }
    return text;
}

// The bitmap the launcher would pick on a screen, and whether it could show it.
static std::string DescribeChoice(const LauncherResources& launcher, const ConfigTable* table,
                                  int width, int height)
{
    std::string text = "  " + std::to_string(width) + "x" + std::to_string(height) + ": ";
    SplashEntry picked;
    PickSplashEntry(table, width, height, &picked);
    text += Shown(picked.resourceName);
    int found = FindBitmap(launcher.bitmaps, picked.resourceName);
    BitmapHeader header;
    if (found < 0)
        return text + " (missing: no splash)\n";
    if (CheckBitmap(launcher.bitmaps[(size_t)found], &header) != BitmapAccepted)
        return text + " (refused: no splash)\n";
    return text + "\n";
}

static std::string DescribeChoices(const LauncherResources& launcher)
{
    static const int screens[][2] = {{240, 320}, {320, 240}, {480, 640}, {640, 480}, {800, 480}};
    ConfigTable* table = launcher.hasConfig
                             ? ParseConfig(launcher.config.data(), (int)launcher.config.size())
                             : NULL;
    SplashEntry any;
    std::string text = "splash shown: none (no SplashScreen entry)\n";
    if (table != NULL && PickSplashEntry(table, 0, 0, &any)) {
        text = "splash shown on a screen of:\n";
        for (const auto& screen : screens)
            text += DescribeChoice(launcher, table, screen[0], screen[1]);
    }
    FreeConfig(table);
    return text;
}

std::string DescribeLauncher(const std::string& path, const LauncherResources& launcher)
{
    return path + "\n" + DescribeMode(launcher) + DescribeConfig(launcher) +
           DescribeBitmaps(launcher) + DescribeChoices(launcher) + DescribeIcon(launcher);
}

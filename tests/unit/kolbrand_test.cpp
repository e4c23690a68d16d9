// kolbrand's rules: its command line, the checks it makes before writing, the icon
// formats it reads and writes, and what --list reports.
#include "support.h"

#include "tools/kolbrand/config.h"
#include "tools/kolbrand/icons.h"
#include "tools/kolbrand/listing.h"
#include "tools/kolbrand/lookup.h"
#include "tools/kolbrand/options.h"
#include "tools/kolbrand/plan.h"
#include "tools/kolbrand/resources.h"
#include "tools/kolbrand/text.h"
#include "tools/kolbrand/version.h"

#include "bitmap_files.h"
#include "executable_images.h"

#include <functional>

namespace {

class KolbrandTest : public HostTest {};

std::string U16(unsigned value)
{
    return std::string{(char)(value & 0xFF), (char)(value >> 8 & 0xFF)};
}

std::string U32(unsigned value)
{
    return U16(value & 0xFFFF) + U16(value >> 16);
}

// An uncompressed icon image: header, colour rows and mask rows, nothing else.
std::string IconBitmap(int size, int bits)
{
    int colourStride = (size * bits + 31) / 32 * 4;
    int maskStride = (size + 31) / 32 * 4;
    std::string header = U32(40) + U32((unsigned)size) + U32((unsigned)size * 2) + U16(1) +
                         U16((unsigned)bits) + U32(0) + U32(0) + U32(0) + U32(0) + U32(0) +
                         U32(0);
    return header + std::string((size_t)(colourStride + maskStride) * (size_t)size, '\x55');
}

// A .ico file of 32-bit images of the given sizes.
std::string IcoFile(const std::vector<int>& sizes)
{
    std::string directory = U16(0) + U16(1) + U16((unsigned)sizes.size());
    std::string images;
    size_t offset = 6 + 16 * sizes.size();
    for (int size : sizes) {
        std::string image = IconBitmap(size, 32);
        directory += std::string{(char)(size % 256), (char)(size % 256), 0, 0} + U16(1) +
                     U16(32) + U32((unsigned)image.size()) + U32((unsigned)(offset + images.size()));
        images += image;
    }
    return directory + images;
}

// The headers of an unsigned image for the processor of that machine field.
ExecutableImage Headers(unsigned machine)
{
    ExecutableImage image;
    image.machine = machine;
    return image;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

// A version resource that branding makes, which no test here expects it to refuse.
std::string VersionResource(const std::string& resource, const VersionChanges& changes,
                            const std::string& originalFilename)
{
    VersionInfo meant;
    std::string refusal;
    std::string made = BrandVersionResource(resource, changes, originalFilename, &meant, &refusal);
    EXPECT_EQ("", refusal);
    return made;
}

struct OptionCase {
    std::vector<std::string> arguments;
    const char* error;  // null: accepted
};

TEST_F(KolbrandTest, CommandLineUsageErrors)
{
    const OptionCase cases[] = {
        {{"out.exe"}, nullptr},
        {{"out.exe", "--command-line", ""}, nullptr},
        {{"out.exe", "--command-line", "--fullscreen"}, nullptr},
        {{"--list", "launcher.exe"}, nullptr},
        {{}, "no OUTPUT.exe given"},
        {{"--icon", "a.ico"}, "no OUTPUT.exe given"},
        {{"out.exe", "other.exe"}, "more than one OUTPUT given"},
        {{"out.exe", "--command-line"}, "--command-line needs a value"},
        {{"out.exe", "--colour", "x"}, "unknown option --colour"},
        {{"out.exe", "--command-line", "a", "--launch-line", "b"},
         "--command-line and --launch-line both given"},
        {{"out.exe", "--launch-line", "a", "--command-line", "b"},
         "--command-line and --launch-line both given"},
        {{"out.exe", "--command-line", "a", "--command-line", "b"}, "given twice"},
        {{"out.exe", "--config", "a", "--config-file", "b"}, "one of --config and --config-file"},
        {{"out.exe", "--from", "a.exe", "--from", "b.exe"}, "--from is given twice"},
        {{"out.exe", "--icon", "a.ico", "--icon", "b.ico"}, "--icon is given twice"},
        {{"out.exe", "--splash", "A.bmp"}, "expected NAME=FILE.bmp"},
        {{"out.exe", "--splash", "=a.bmp"}, "expected NAME=FILE.bmp"},
        {{"out.exe", "--splash", "A="}, "expected NAME=FILE.bmp"},
        {{"out.exe", "--splash", "A;B=a.bmp"}, "letters, digits"},
        {{"out.exe", "--splash", "#1=a.bmp"}, "letters, digits"},
        {{"out.exe", "--splash", "a=1.bmp", "--splash", "A=2.bmp"}, "--splash A is given twice"},
        {{"out.exe", "--remove-splash", "a", "--remove-splash", "A"}, "given twice"},
        {{"out.exe", "--splash", "A=a.bmp", "--remove-splash", "a"}, "both given"},
        {{"--list", "a.exe", "--icon", "b.ico"}, "--list takes the launcher alone"},
        {{"--list", "a.exe", "out.exe"}, "--list takes one launcher"},
        {{"--list"}, "--list needs a value"},
        {{"out.exe", "--command-line", "", "--config", ""}, nullptr},
        {{"out.exe", "--icon", ""}, "--icon is given an empty value"},
        {{"out.exe", "--from", ""}, "--from is given an empty value"},
        {{"out.exe", "--config-file", ""}, "--config-file is given an empty value"},
        {{"out.exe", "--remove-splash", ""}, "--remove-splash is given an empty value"},
        {{"--list", ""}, "--list is given an empty value"},
        {{""}, "an empty OUTPUT name given"},
        {{"-x.exe"}, "unknown option -x.exe (an OUTPUT name may not begin with \"-\", nor with "
                     "\"/\" unless it is a Unix path: /home/me/Chess.exe)"},
        {{"/out.exe"}, "unknown option /out.exe"},
        {{"/home/me/Chess.exe", "--command-line", "a.kol"}, nullptr},
        {{"/list"}, "unknown option /list"},
        {{"out.exe", "--version", "1.2.3.4", "--copyright", "\xC2\xA9 Me"}, nullptr},
        {{"out.exe", "--version", "65535.0.0.65535"}, nullptr},
        {{"out.exe", "--version", "1.2.3"}, "expected four numbers a.b.c.d"},
        {{"out.exe", "--version", "1.2.3.65536"}, "each at most 65535"},
        {{"out.exe", "--version", "1.2.3.4."}, "expected four numbers"},
        {{"out.exe", "--version", "1..3.4"}, "expected four numbers"},
        {{"out.exe", "--version", "+1.2.3.4"}, "expected four numbers"},
        {{"out.exe", "--product", "a", "--product", "b"}, "--product is given twice"},
        {{"--list", "a.exe", "--version", "1.2.3.4"}, "--list takes the launcher alone"},
        {{"--explain", "a.exe", "--line", "", "--screen", "240x320"}, nullptr},
        {{"--explain", "a.exe", "--icon", "b.ico"}, "--explain takes no branding options"},
        {{"--explain", "a.exe", "--list", "b.exe"}, "--list takes one launcher"},
        {{"--explain"}, "--explain needs a value"},
        {{"out.exe", "--line", ""}, "--line and --screen go with --explain"},
        {{"--list", "a.exe", "--screen", "1x1"}, "--list takes the launcher alone"},
        {{"--explain", "a.exe", "--screen", "240X320"}, "expected WIDTHxHEIGHT"},
        {{"--explain", "a.exe", "--screen", "0x320"}, "each 1 to 65535"},
        {{"--explain", "a.exe", "--screen", "240x65536"}, "each 1 to 65535"},
        {{"--explain", "a.exe", "--screen", "240x"}, "expected WIDTHxHEIGHT"},
        {{"--explain", "a.exe", "--screen", ""}, "--screen is given an empty value"},
        {{"out.exe", "--version", ""}, "--version is given an empty value"},
        {{"out.exe", "--description", ""}, nullptr},
        {{"out.exe", "--product", "a\xED\xA0\x80"},
         "--product: holds half a character, the unpaired surrogate <U+D800>: give the "
         "character whole"},
        {{"out.exe", "--copyright", "\xED\xA0\xBD\xED\xB8\x80"}, nullptr},
    };
    for (const OptionCase& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments)
            shown += " [" + argument + "]";
        SCOPED_TRACE("arguments:" + shown);
        BrandOptions options;
        std::string error = "(untouched)";
        int accepted = ParseBrandOptions(c.arguments, &options, &error);
        if (c.error == nullptr) {
            EXPECT_EQ(1, accepted) << error;
        } else {
            EXPECT_EQ(0, accepted);
            EXPECT_NE(std::string::npos, error.find(c.error)) << error;
        }
    }
}

TEST_F(KolbrandTest, CommandLineValues)
{
    BrandOptions options;
    std::string error;
    ASSERT_EQ(1, ParseBrandOptions({"--launch-line", "x.kol -v", "out.exe", "--from", "l.exe",
                                    "--config-file", "c.txt", "--splash", "Wide=w.bmp",
                                    "--splash", "tall=t.bmp", "--remove-splash", "OLD",
                                    "--icon", "i.ico"},
                                   &options, &error))
        << error;
    EXPECT_FALSE(options.list);
    EXPECT_EQ("out.exe", options.output);
    EXPECT_EQ("l.exe", options.from);
    EXPECT_EQ(LaunchLineKind, options.lineKind);
    EXPECT_EQ("x.kol -v", options.line);
    EXPECT_TRUE(options.hasConfig);
    EXPECT_TRUE(options.configIsFile);
    EXPECT_EQ("c.txt", options.config);
    ASSERT_EQ(2u, options.splashes.size());
    EXPECT_EQ("Wide", options.splashes[0].name);
    EXPECT_EQ("w.bmp", options.splashes[0].path);
    EXPECT_EQ("tall", options.splashes[1].name);
    EXPECT_EQ(std::vector<std::string>{"OLD"}, options.removals);
    EXPECT_EQ("i.ico", options.icon);

    ASSERT_EQ(1, ParseBrandOptions({"out.exe", "--help", "--colour"}, &options, &error));
    EXPECT_TRUE(options.help) << "--help wins over whatever follows";
    for (const char* help : {"-h", "/?", "help"}) {
        ASSERT_EQ(1, ParseBrandOptions({help}, &options, &error)) << help;
        EXPECT_TRUE(options.help) << help << " asks for the usage, not for an output of that name";
    }

    ASSERT_EQ(1, ParseBrandOptions({"--list", "l.exe"}, &options, &error));
    EXPECT_TRUE(options.list);
    EXPECT_EQ("l.exe", options.output);
    EXPECT_FALSE(options.help);
    EXPECT_EQ(NoLine, options.lineKind);
    EXPECT_TRUE(options.splashes.empty());
}

TEST_F(KolbrandTest, EmbeddedLineRefusals)
{
    const struct {
        std::string line;
        const char* error;  // null: accepted
    } cases[] = {
        {"app.kol start", nullptr},
        {"", nullptr},
        {"\"\\Program Files\\App\\app.kol\"\t-x", nullptr},
        {"app.kol\nmore", "holds a line break at offset 7"},
        {"app.kol\r\n", "holds a line break at offset 7"},
        {"\rapp.kol", "holds a line break at offset 0"},
        {std::string("app\0kol", 7), "holds a NUL at offset 3"},
        {"caf\xC3\xA9.kol", "outside ASCII"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("line: " + c.line);
        std::string refusal = CheckEmbeddedLine("--command-line", c.line);
        if (c.error == nullptr) {
            EXPECT_EQ("", refusal);
        } else {
            EXPECT_EQ(0u, refusal.find("--command-line: ")) << refusal;
            EXPECT_NE(std::string::npos, refusal.find(c.error)) << refusal;
        }
    }
}

struct ConfigCase {
    std::string config;
    std::vector<std::string> errors;    // a piece of each message, in order
    std::vector<std::string> warnings;
};

// Each message holds its piece, in order, and there are no others.
void ExpectMessages(const std::vector<std::string>& pieces, const std::vector<std::string>& messages)
{
    ASSERT_EQ(pieces.size(), messages.size()) << Joined(messages);
    for (size_t i = 0; i < pieces.size(); i++)
        EXPECT_NE(std::string::npos, messages[i].find(pieces[i])) << messages[i];
}

void ExpectDiagnostics(const ConfigCase& c, const Diagnostics& diagnostics)
{
    ExpectMessages(c.errors, diagnostics.errors);
    ExpectMessages(c.warnings, diagnostics.warnings);
}

TEST_F(KolbrandTest, ConfigRules)
{
    const ConfigCase cases[] = {
        {"SplashScreenTitle=Kol Virtual Machine", {}, {}},
        {"SplashScreenTitle=|UseJavaVM=true", {}, {}},
        {"UseJavaVM=false", {}, {}},
        {"UseJavaVM=TRUE", {}, {"UseJavaVM=TRUE counts as false"}},
        {"SplashScreenTitle=A\r\n", {"CONFIG ends with a line break"}, {}},
        {"SplashScreenTitle=A\n|UseJavaVM=true", {"line break at offset 19"}, {}},
        {"SplashScreenTitle=A\r\n|UseJavaVM=true", {"line break at offset 19"}, {}},
        {std::string("SplashScreenTitle=A\0|UseJavaVM=true", 35), {"NUL byte at offset 19"}, {}},
        {"SplashScreenTitle", {"entry \"SplashScreenTitle\" has no \"=\""}, {}},
        {"UseJavaVM|SplashScreenTitle=x", {"entry \"UseJavaVM\" has no \"=\""}, {}},
        {"splashscreentitle=A", {}, {"\"splashscreentitle\" is not read by the launcher"}},
        {"SplashScreenTitle=A|", {}, {}},
        {"", {}, {}},
        {"|||", {}, {}},
        {"=A", {}, {"entry \"\" is not read"}},
        {"SplashScreenTitle=Caf\xE9", {}, {"byte above 0x7F at offset 21"}},
        {"UseJavaVM=true|UseJavaVM=false",
         {}, {"c.txt: UseJavaVM=false is never read: the launcher takes the first UseJavaVM"}},
        {"SplashScreenTitle=" + std::string(255, 't'), {}, {}},
        {"SplashScreenTitle=" + std::string(256, 't') + "|SplashScreenTitle=B",
         {"c.txt: SplashScreenTitle has 256 characters; kolbrand writes titles of at most 255"},
         {"c.txt: SplashScreenTitle=B is never read: the launcher takes the first "
          "SplashScreenTitle"}},
    };
    for (const ConfigCase& c : cases) {
        SCOPED_TRACE("config: " + c.config);
        Diagnostics diagnostics;
        CheckConfig("c.txt", c.config, false, {}, &diagnostics);
        ExpectDiagnostics(c, diagnostics);
        for (const std::string& message : diagnostics.errors)
            EXPECT_EQ(0u, message.find("c.txt: ")) << message;
    }
}

TEST_F(KolbrandTest, ReadsAValidIcoFile)
{
    std::string data = IcoFile({16, 32, 256});
    std::string error;
    std::vector<IconImage> images = ReadIcoFile("a.ico", data, &error);
    EXPECT_EQ("", error);
    ASSERT_EQ(3u, images.size());
    const int sizes[] = {16, 32, 256};
    for (size_t i = 0; i < 3; i++) {
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(sizes[i], images[i].width);
        EXPECT_EQ(sizes[i], images[i].height);
        EXPECT_EQ(32, images[i].bits);
        EXPECT_EQ(1, images[i].planes);
        EXPECT_EQ(IconBitmap(sizes[i], 32), images[i].data);
    }
}

// The directory entry of image index, at its field.
size_t Entry(int index, int field)
{
    return 6 + 16 * (size_t)index + (size_t)field;
}

TEST_F(KolbrandTest, RefusesBrokenIcoFiles)
{
    const std::string good = IcoFile({16, 32});
    const size_t second = 6 + 32 + IconBitmap(16, 32).size();  // the 32x32 image
    struct IcoCase {
        const char* what;
        std::string data;
        const char* error;
    };
    std::vector<IcoCase> cases = {
        {"empty", "", "too short to be an icon file"},
        {"a bitmap file", "BM" + good.substr(2), "is not an icon file"},
        {"a cursor", good.substr(0, 2) + U16(2) + good.substr(4), "is a cursor file"},
        {"no images", U16(0) + U16(1) + U16(0), "holds no images"},
        {"directory cut", good.substr(0, 30), "its directory lists 2 images"},
        {"image beyond the end", good.substr(0, good.size() - 1),
         "image 2 (32x32) lies outside the file"},
        {"an empty image", good.substr(0, Entry(1, 8)) + U32(0) + good.substr(Entry(1, 12)),
         "image 2 (32x32) is empty: its directory entry gives it 0 bytes"},
        {"png", good.substr(0, second) + "\x89PNG\r\n\x1a\n" + good.substr(second + 8),
         "image 2 (32x32) is PNG-compressed"},
        {"header 12", good.substr(0, second) + U32(12) + good.substr(second + 4),
         "no 40-byte bitmap header"},
        {"wrong size", good.substr(0, second + 4) + U32(48) + good.substr(second + 8),
         "image 2 (32x32) holds a bitmap of 48x32"},
        {"2 bits", good.substr(0, second + 14) + U16(2) + good.substr(second + 16),
         "2 bits per pixel"},
        {"compressed", good.substr(0, second + 16) + U32(1) + good.substr(second + 20),
         "is compressed"},
        {"image inside the directory", good.substr(0, Entry(1, 12)) + U32(10) +
                                           good.substr(Entry(1, 16)),
         "image 2 (32x32) begins at byte 10, inside the file's directory of images, which ends "
         "at byte 38"},
    };
    std::string shortImage = good;
    shortImage.replace(Entry(1, 8), 4, U32((unsigned)IconBitmap(32, 32).size() - 1));
    cases.push_back({"rows cut", shortImage, "image 2 (32x32) is cut short"});
    for (const IcoCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        std::vector<IconImage> images = ReadIcoFile("b.ico", c.data, &error);
        EXPECT_TRUE(images.empty());
        EXPECT_EQ(0u, error.find("b.ico: ")) << error;
        EXPECT_NE(std::string::npos, error.find(c.error)) << error;
    }
}

TEST_F(KolbrandTest, IconGroupRoundTrip)
{
    std::string error;
    std::vector<IconImage> images = ReadIcoFile("a.ico", IcoFile({16, 256}), &error);
    ASSERT_EQ(2u, images.size()) << error;
    images[0].id = 3;
    images[1].id = 7;
    std::string group = MakeIconGroup(images);
    ASSERT_EQ(6u + 2 * 14, group.size());
    EXPECT_EQ(U16(0) + U16(1) + U16(2), group.substr(0, 6));
    // A 256-pixel image is written as size 0; the size in bytes and the id close the entry.
    EXPECT_EQ(std::string("\0\0\0\0", 4) + U16(1) + U16(32) +
                  U32((unsigned)IconBitmap(256, 32).size()) + U16(7),
              group.substr(20, 14));
    std::vector<IconImage> read = ReadIconGroup(group);
    ASSERT_EQ(2u, read.size());
    for (size_t i = 0; i < 2; i++) {
        EXPECT_EQ(images[i].width, read[i].width);
        EXPECT_EQ(images[i].height, read[i].height);
        EXPECT_EQ(images[i].bits, read[i].bits);
        EXPECT_EQ(images[i].id, read[i].id);
    }
    EXPECT_TRUE(ReadIconGroup(group.substr(0, 5)).empty());
    EXPECT_EQ(1u, ReadIconGroup(group.substr(0, 6 + 14 + 13)).size()) << "a cut entry is dropped";
}

TEST_F(KolbrandTest, FreeIconIdsSkipThoseInUse)
{
    EXPECT_EQ((std::vector<int>{1, 2, 3}), FreeIconIds({}, 3));
    EXPECT_EQ((std::vector<int>{2, 4, 5}), FreeIconIds({1, 3}, 3));
    EXPECT_EQ((std::vector<int>{}), FreeIconIds({1}, 0));
}

BrandInputs DefaultLauncher()
{
    BrandInputs inputs;
    inputs.fromPath = "launcher.exe";
    inputs.from.hasConfig = true;
    inputs.from.config = "SplashScreenTitle=Kol Virtual Machine";
    inputs.from.bitmaps.push_back({"SPLASHSCREEN1", "old", ""});
    inputs.from.hasIcon = true;
    return inputs;
}

LauncherResources Plan(const std::vector<std::string>& arguments, const BrandInputs& inputs,
                       Diagnostics* diagnostics)
{
    BrandOptions options;
    std::string error;
    EXPECT_EQ(1, ParseBrandOptions(arguments, &options, &error)) << error;
    return PlanBrand(options, inputs, diagnostics);
}

TEST_F(KolbrandTest, OneKindOfLineReplacesTheOther)
{
    BrandInputs inputs = DefaultLauncher();
    inputs.from.hasLaunchLine = true;
    inputs.from.launchLine = "old.kol";
    Diagnostics diagnostics;
    LauncherResources out = Plan({"o.exe", "--command-line", "app.kol"}, inputs, &diagnostics);
    EXPECT_TRUE(diagnostics.errors.empty()) << Joined(diagnostics.errors);
    EXPECT_TRUE(out.hasCommandLine);
    EXPECT_EQ("app.kol", out.commandLine);
    EXPECT_FALSE(out.hasLaunchLine);

    inputs.from = out;
    out = Plan({"o.exe", "--launch-line", "x.kol"}, inputs, &diagnostics);
    EXPECT_FALSE(out.hasCommandLine);
    EXPECT_TRUE(out.hasLaunchLine);
    EXPECT_EQ("x.kol", out.launchLine);
}

TEST_F(KolbrandTest, PlanRefusals)
{
    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } cases[] = {
        {{"o.exe", "--command-line", "a\nb"}, "--command-line: holds a line break"},
        {{"o.exe", "--launch-line", "a\rb"}, "--launch-line: holds a line break"},
        {{"o.exe", "--config", "SplashScreenTitle=Caf\xC3\xA9"}, "--config: holds a character outside ASCII"},
        {{"o.exe", "--config", "UseJavaVM"}, "--config: CONFIG entry \"UseJavaVM\" has no"},
        {{"o.exe", "--remove-splash", "NONE"}, "--remove-splash NONE: launcher.exe has no SplashScreen"},
        {{"o.exe", "--icon", "i.ico"}, "i.ico: is too short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        Diagnostics diagnostics;
        Plan(c.arguments, DefaultLauncher(), &diagnostics);
        ASSERT_EQ(1u, diagnostics.errors.size()) << Joined(diagnostics.errors);
        EXPECT_EQ(0u, diagnostics.errors[0].find(c.error)) << diagnostics.errors[0];
    }
}

TEST_F(KolbrandTest, BitmapsAreAddedReplacedAndRemovedByName)
{
    BrandInputs inputs = DefaultLauncher();
    inputs.from.bitmaps.push_back({"OTHER", "other", ""});
    inputs.splashData = {"new1", "new2"};
    Diagnostics diagnostics;
    LauncherResources out = Plan({"o.exe", "--splash", "splashscreen1=a.bmp", "--splash",
                                  "Wide=b.bmp", "--remove-splash", "other"},
                                 inputs, &diagnostics);
    ASSERT_EQ(2u, out.bitmaps.size());
    EXPECT_EQ("splashscreen1", out.bitmaps[0].name);
    EXPECT_EQ("new1", out.bitmaps[0].data);
    EXPECT_EQ("a.bmp", out.bitmaps[0].source);
    EXPECT_EQ("Wide", out.bitmaps[1].name);
    EXPECT_EQ("new2", out.bitmaps[1].data);
}

TEST_F(KolbrandTest, ConfigFromAFileKeepsItsBytes)
{
    BrandInputs inputs = DefaultLauncher();
    inputs.configFileData = "SplashScreenTitle=Caf\xE9";
    Diagnostics diagnostics;
    LauncherResources out = Plan({"o.exe", "--config-file", "c.txt"}, inputs, &diagnostics);
    EXPECT_TRUE(diagnostics.errors.empty()) << Joined(diagnostics.errors);
    ASSERT_EQ(2u, diagnostics.warnings.size()) << "the byte above 0x7F; SPLASHSCREEN1 unnamed";
    EXPECT_EQ(0u, diagnostics.warnings[0].find("c.txt: ")) << diagnostics.warnings[0];
    EXPECT_EQ("SplashScreenTitle=Caf\xE9", out.config);
}

TEST_F(KolbrandTest, ListingShowsModeLineConfigAndIcon)
{
    LauncherResources launcher;
    launcher.hasCommandLine = true;
    launcher.commandLine = "caf\xE9 start\r\nsecond";
    launcher.hasLaunchLine = true;
    launcher.launchLine = "x";
    launcher.hasConfig = true;
    launcher.config = "SplashScreenTitle=T|UseJavaVM";
    launcher.hasIcon = true;
    launcher.icons = {{16, 16, 0, 1, 32, 1, ""}, {256, 256, 0, 1, 8, 2, ""}};
    // The byte 0xE9 as the launcher widens it, U+FFE9.
    EXPECT_EQ("L.exe\n"
              "architecture: x86 (32-bit)\n"
              "signed: no\n"
              "mode: in-process\n"
              "CommandLine: \"caf\xEF\xBF\xA9 start\" (8 bytes after the first line are ignored)\n"
              "LaunchLine: present but never read (CommandLine wins)\n"
              "CONFIG:\n"
              "  SplashScreenTitle=T\n"
              "  UseJavaVM (no \"=\")\n"
              "SplashScreen bitmaps: none\n"
              "splash shown: none (no SplashScreen entry)\n"
              "icon group 50: 16x16 (32 bits), 256x256 (8 bits)\n"
              "version: none\n",
              DescribeLauncher("L.exe", Headers(0x14C), launcher));

    LauncherResources bare;
    bare.hasLaunchLine = true;
    bare.launchLine = "run.kol";
    EXPECT_EQ("L.exe\narchitecture: ARM (32-bit)\nsigned: no\nmode: launch-line\n"
              "LaunchLine: \"run.kol\"\nCONFIG: none (no splash)\nSplashScreen bitmaps: none\n"
              "splash shown: none (no SplashScreen entry)\nicon group 50: none\nversion: none\n",
              DescribeLauncher("L.exe", Headers(0x1C2), bare));
    ExecutableImage signedImage = Headers(0x8664);
    signedImage.certificates = {0x9000, 1464};
    EXPECT_EQ(0u, DescribeLauncher("L.exe", signedImage, bare)
                      .find("L.exe\narchitecture: x64 (64-bit)\nsigned: yes (a certificate table "
                            "of 1464 bytes; a branded copy is unsigned)\nmode: launch-line\n"));
    EXPECT_EQ(0u, DescribeLauncher("L.exe", Headers(0x166), bare)
                      .find("L.exe\narchitecture: an unknown processor (machine 0x0166)\n"));
}

std::string Bmp(int width, int height, int bits = 24)
{
    BitmapFile file;
    file.width = width;
    file.height = height;
    file.bitsPerPixel = bits;
    return file.Bytes();
}

TEST_F(KolbrandTest, RefusedBitmapsSayWhichRule)
{
    struct BitmapCase {
        const char* what;
        BitmapFile file;
        const char* error;
    };
    std::vector<BitmapCase> cases;
    auto add = [&cases](const char* what, void (*change)(BitmapFile*), const char* error) {
        BitmapFile file;
        change(&file);
        cases.push_back({what, file, error});
    };
    add("53 bytes", [](BitmapFile* f) { f->length = 53; }, "too short for a bitmap file (53 bytes");
    add("signature", [](BitmapFile* f) { f->signature = "BN"; }, "not a BMP file");
    add("header 108", [](BitmapFile* f) { f->headerSize = 108; },
        "a 108-byte information header is not supported");
    add("width 0", [](BitmapFile* f) { f->width = 0; }, "width 0 is not 1 to 65535");
    add("height 65536", [](BitmapFile* f) { f->height = 65536; f->rows = 0; },
        "height 65536 is not 1 to 65535");
    add("top-down", [](BitmapFile* f) { f->height = -2; f->rows = 2; },
        "stored top-down (height -2): save it bottom-up");
    add("32 bits", [](BitmapFile* f) { f->bitsPerPixel = 32; },
        "32 bits per pixel is not supported: save it with 1, 4, 8 or 24 bits per pixel");
    add("compression", [](BitmapFile* f) { f->compression = 1; },
        "compression 1 is not supported: save it as an uncompressed BMP");
    add("offset", [](BitmapFile* f) { f->dataOffset = 4000; f->length = 100; },
        "pixel data offset 4000 lies outside the file");
    for (const BitmapCase& c : cases) {
        SCOPED_TRACE(c.what);
        BrandInputs inputs = DefaultLauncher();
        inputs.splashData = {c.file.Bytes()};
        Diagnostics diagnostics;
        Plan({"o.exe", "--config", "SplashScreen=2x2;NEW", "--splash", "NEW=new.bmp"}, inputs,
             &diagnostics);
        ASSERT_EQ(1u, diagnostics.errors.size()) << Joined(diagnostics.errors);
        EXPECT_EQ("new.bmp: " + std::string(c.error),
                  diagnostics.errors[0].substr(0, 9 + strlen(c.error)));
    }
}

TEST_F(KolbrandTest, SplashEntriesMustNameBitmapsTheOutputHolds)
{
    BrandInputs inputs = DefaultLauncher();
    inputs.from.bitmaps[0].data = Bmp(139, 136);
    inputs.splashData = {Bmp(240, 320, 8)};
    const ConfigCase cases[] = {
        {"SplashScreen=139x136;SPLASHSCREEN1|SplashScreen=240x320;tall", {}, {}},
        {"SplashScreen=139x136;splashscreen1", {}, {"t.bmp: no SplashScreen entry of CONFIG names TALL"}},
        {"SplashScreen=240x320;Tall|SplashScreen=100x100;SPLASHSCREEN1",
         {},
         {"gives 100x100, but SPLASHSCREEN1 is 139x136",
          "SplashScreen=100x100;SPLASHSCREEN1 is chosen on no screen"}},
        {"SplashScreen=240x320;TALL|SplashScreen=139X136;SPLASHSCREEN1",
         {"SplashScreen=139X136;SPLASHSCREEN1 is read as size 139x0 and bitmap "
          "\"X136;SPLASHSCREEN1\", which the output would not contain (it holds "
          "SPLASHSCREEN1, TALL)"},
         {"is chosen on no screen", "bitmap SPLASHSCREEN1: no SplashScreen entry of CONFIG"}},
        {"SplashScreen=240x320;TALL|SplashScreen=1x1;GONE",
         {"bitmap \"GONE\", which"},
         {"SplashScreen=1x1;GONE is chosen on no screen",
          "launcher.exe: SplashScreen bitmap SPLASHSCREEN1: no SplashScreen entry of CONFIG names "
          "SPLASHSCREEN1, so the launcher never shows it (--remove-splash SPLASHSCREEN1 leaves "
          "it out)"}},
        {"SplashScreen=240x320;TALL|SplashScreen",
         {"entry \"SplashScreen\" has no \"=\""},
         {"bitmap SPLASHSCREEN1: no SplashScreen entry"}},
    };
    for (const ConfigCase& c : cases) {
        SCOPED_TRACE("config: " + c.config);
        Diagnostics diagnostics;
        Plan({"o.exe", "--config", c.config, "--splash", "TALL=t.bmp"}, inputs, &diagnostics);
        ExpectDiagnostics(c, diagnostics);
    }
}

// A message about a bitmap the output lacks names at most 10 of those it holds.
TEST_F(KolbrandTest, AMissingBitmapIsToldWithTenOfThoseThere)
{
    const struct {
        size_t count;
        const char* held;
    } cases[] = {
        {10, "(it holds B1, B2, B3, B4, B5, B6, B7, B8, B9, B10)"},
        {11, "(it holds B1, B2, B3, B4, B5, B6, B7, B8, B9, B10 and 1 more)"},
    };
    for (const auto& c : cases) {
        std::vector<SplashBitmap> bitmaps;
        for (size_t i = 1; i <= c.count; i++)
            bitmaps.push_back({"B" + std::to_string(i), Bmp(2, 2), ""});
        Diagnostics diagnostics;
        CheckConfig("c.txt", "SplashScreen=2x2;NONE", false, bitmaps, &diagnostics);
        ExpectMessages({c.held}, diagnostics.errors);
    }
}

TEST_F(KolbrandTest, ABitmapCutShortIsAWarning)
{
    BitmapFile file;
    file.width = 139;
    file.height = 136;
    const struct {
        int rows;
        int extraBytes;
        std::vector<std::string> warnings;
    } cases[] = {
        {136, 0, {}},
        {136, 17, {"n.bmp: 17 bytes follow its pixels, which the launcher never reads"}},
        {135, 419, {"n.bmp: holds 135 of its 136 rows; the launcher leaves the top ones blank"}},
        {0, 0, {"n.bmp: holds 0 of its 136 rows; the launcher leaves the top ones blank"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("rows " + std::to_string(c.rows) + " and " + std::to_string(c.extraBytes));
        file.rows = c.rows;
        file.extraBytes = c.extraBytes;
        BrandInputs inputs = DefaultLauncher();
        inputs.splashData = {file.Bytes()};
        Diagnostics diagnostics;
        Plan({"o.exe", "--config", "SplashScreen=139x136;NEW", "--splash", "NEW=n.bmp",
              "--remove-splash", "SPLASHSCREEN1"},
             inputs, &diagnostics);
        EXPECT_TRUE(diagnostics.errors.empty()) << Joined(diagnostics.errors);
        EXPECT_EQ(Joined(c.warnings), Joined(diagnostics.warnings));
    }
}

TEST_F(KolbrandTest, KeptConfigIsCheckedAgainstWhatRemains)
{
    BrandInputs inputs = DefaultLauncher();
    inputs.from.config = "SplashScreen=139x136;SPLASHSCREEN1";
    inputs.from.bitmaps[0].data = Bmp(139, 136);
    Diagnostics diagnostics;
    Plan({"o.exe", "--remove-splash", "splashscreen1"}, inputs, &diagnostics);
    ASSERT_EQ(1u, diagnostics.errors.size()) << Joined(diagnostics.errors);
    EXPECT_EQ(0u, diagnostics.errors[0].find("launcher.exe: SplashScreen=139x136;SPLASHSCREEN1 "
                                             "is read as size 139x136"))
        << diagnostics.errors[0];
    EXPECT_NE(std::string::npos, diagnostics.errors[0].find("(it holds none)"));

    // A kept bitmap that CONFIG names is held to the same rules as a new one.
    inputs.from.bitmaps[0].data = Bmp(139, 136, 32);
    diagnostics = Diagnostics();
    Plan({"o.exe"}, inputs, &diagnostics);
    ASSERT_EQ(1u, diagnostics.errors.size()) << Joined(diagnostics.errors);
    EXPECT_EQ(0u, diagnostics.errors[0].find("launcher.exe: SplashScreen bitmap SPLASHSCREEN1: 32 "
                                             "bits per pixel"))
        << diagnostics.errors[0];
}

TEST_F(KolbrandTest, ListingShowsBitmapsAndTheChoicePerScreen)
{
    LauncherResources launcher;
    launcher.hasConfig = true;
    launcher.config = "SplashScreen=139x136;SMALL|SplashScreen=240x320;TALL|"
                      "SplashScreen=320x240;WIDE|SplashScreen=480x640;BIG";
    launcher.bitmaps = {{"SMALL", Bmp(139, 136), ""},
                        {"TALL", Bmp(240, 320, 4), ""},
                        {"WIDE", Bmp(320, 240, 32), ""}};
    std::string listing = DescribeLauncher("L.exe", Headers(0x8664), launcher);
    std::string expected = "SplashScreen bitmaps:\n"
                           "  SMALL: 139x136, 24 bits per pixel, accepted\n"
                           "  TALL: 240x320, 4 bits per pixel, accepted\n"
                           "  WIDE: 320x240, 32 bits per pixel, refused: 32 bits per pixel is "
                           "not supported: save it with 1, 4, 8 or 24 bits per pixel\n"
                           "splash shown on a screen of:\n"
                           "  240x320: TALL\n"
                           "  320x240: WIDE (refused: no splash)\n"
                           "  480x640: BIG (missing: no splash)\n"
                           "  640x480: WIDE (refused: no splash)\n"
                           "  800x480: WIDE (refused: no splash)\n";
    EXPECT_NE(std::string::npos, listing.find(expected)) << listing;
}

// An icon file of one 16x16 image with its colour count field set.
std::string IcoWithColours(int bits, uint32_t colours)
{
    std::string ico = U16(0) + U16(1) + U16(1) + std::string{16, 16, 0, 0} + U16(1) +
                      U16((unsigned)bits);
    std::string image = IconBitmap(16, bits);
    image.replace(32, 4, U32(colours));
    image += std::string(4 * (bits <= 8 ? 1u << bits : 0u), '\0');
    return ico + U32((unsigned)image.size()) + U32(22) + image;
}

// Branding's refusals and warnings of input that a careless or hostile author gives.
TEST_F(KolbrandTest, HostileInputs)
{
    struct HostileCase {
        const char* what;
        std::vector<std::string> arguments;
        std::function<void(BrandInputs*)> input;
        std::vector<std::string> errors;
        std::vector<std::string> warnings;
    };
    auto none = [](BrandInputs*) {};
    auto config = [](const std::string& data) {
        return [data](BrandInputs* inputs) { inputs->configFileData = data; };
    };
    auto bitmap = [](int width, int height, int bits, int rows) {
        return [=](BrandInputs* inputs) {
            BitmapFile file;
            file.width = width;
            file.height = height;
            file.bitsPerPixel = bits;
            file.rows = rows;
            inputs->splashData = {file.Bytes()};
        };
    };
    auto icon = [](int bits, uint32_t colours) {
        return [=](BrandInputs* inputs) { inputs->iconData = IcoWithColours(bits, colours); };
    };
    // A bitmap of that depth whose colour table has that many entries, its pixels at offset.
    auto paletted = [](int bits, int colours, int offset) {
        return [=](BrandInputs* inputs) {
            BitmapFile file;
            file.bitsPerPixel = bits;
            file.colours = colours;
            file.dataOffset = offset;
            inputs->splashData = {file.Bytes()};
        };
    };
    // A source whose version texts are those of the shipped launcher, the description in
    // the case given.
    auto shipped = [](const std::string& description) {
        return [=](BrandInputs* inputs) {
            VersionChanges changes;
            changes.fields = {{"CompanyName", "Morvane"},
                              {"FileDescription", description},
                              {"LegalCopyright", "Copyright (C) 2026 Morvane"},
                              {"ProductName", "Kol Virtual Machine"}};
            inputs->from.hasVersion = true;
            inputs->from.version = VersionResource("", changes, "launcher.exe");
        };
    };
    const std::vector<std::string> configFile = {"o.exe", "--config-file", "c.txt"};
    const std::vector<std::string> bigSplash = {"o.exe", "--config", "SplashScreen=1x1;BIG",
                                                "--splash", "BIG=big.bmp", "--remove-splash",
                                                "SPLASHSCREEN1"};
    const std::vector<std::string> newSplash = {"o.exe", "--config", "SplashScreen=2x2;NEW",
                                                "--splash", "NEW=n.bmp", "--remove-splash",
                                                "SPLASHSCREEN1"};
    const char* const noColours = "n.bmp: has 8 bits per pixel but no colour table (its pixels "
                                  "begin right after its header), so the launcher would show "
                                  "it black: save it with its colour table, or with 24 bits per "
                                  "pixel";
    const HostileCase cases[] = {
        {"UTF-16 with its mark", configFile, config(std::string("\xFF\xFEU\0s\0", 6)),
         {"c.txt: is saved as UTF-16 (little-endian), but the launcher reads CONFIG one byte "
          "per character: save it as UTF-8 without a byte-order mark, or as ANSI"},
         {}},
        {"UTF-16 without", configFile, config(std::string("U\0s\0", 4)),
         {"c.txt: is saved as UTF-16 (little-endian)"}, {}},
        {"UTF-16 big-endian", configFile, config(std::string("\0U\0s", 4)),
         {"c.txt: is saved as UTF-16 (big-endian)"}, {}},
        {"a final line break", configFile, config("SplashScreen=2x2;SPLASHSCREEN1\r\n"),
         {"c.txt: CONFIG ends with a line break"}, {}},
        {"UTF-8 mark", configFile,
         config("\xEF\xBB\xBFSplashScreenTitle=A|SplashScreen=2x2;SPLASHSCREEN1"),
         {},
         {"c.txt: begins with a UTF-8 byte-order mark, which kolbrand leaves out"}},
        {"a second title", {"o.exe", "--config", "SplashScreenTitle=A|SplashScreenTitle=B"}, none,
         {},
         {"--config: SplashScreenTitle=B is never read: the launcher takes the first",
          "SPLASHSCREEN1"}},
        {"an entry never chosen",
         {"o.exe", "--config", "SplashScreen=240x320;SPLASHSCREEN1|SplashScreen=100x80;SMALL",
          "--splash", "SMALL=s.bmp"},
         bitmap(100, 80, 24, -1),
         {},
         {"gives 240x320, but SPLASHSCREEN1 is 2x2",
          "--config: SplashScreen=100x80;SMALL is chosen on no screen: the launcher takes a "
          "later entry only when it fits the screen and is wider or taller than the one "
          "taken"}},
        {"a bitmap left over", {"o.exe", "--config", "SplashScreenTitle=A"}, none, {},
         {"launcher.exe: SplashScreen bitmap SPLASHSCREEN1: no SplashScreen entry of CONFIG "
          "names SPLASHSCREEN1, so the launcher never shows it (--remove-splash SPLASHSCREEN1 "
          "leaves it out)"}},
        {"54 bytes claiming 40000x40000", bigSplash, bitmap(40000, 40000, 24, 0),
         {"big.bmp: 40000x40000 pixels at 24 bits per pixel take 4577 MB, more than the 64 MB "
          "a device makes a splash bitmap of: the launcher would show none"},
         {}},
        {"65535x65535 at 1 bit", bigSplash, bitmap(65535, 65535, 1, 0),
         {"big.bmp: 65535x65535 pixels at 1 bits per pixel take 511 MB"}, {}},
        {"64 MB exactly", bigSplash, bitmap(8192, 8192, 8, 0), {},
         {"gives 1x1, but BIG is 8192x8192", "big.bmp: holds 0 of its 8192 rows"}},
        {"icon colour count", {"o.exe", "--icon", "i.ico"}, icon(8, 0x40000000),
         {"i.ico: image 1 (16x16) lists 1073741824 colours, more than 8 bits per pixel can use"},
         {}},
        {"icon colour count in range", {"o.exe", "--icon", "i.ico"}, icon(4, 16), {}, {}},
        {"both lines in the source", {"o.exe"},
         [](BrandInputs* inputs) {
             inputs->from.hasCommandLine = inputs->from.hasLaunchLine = true;
         },
         {},
         {"launcher.exe: carries both a CommandLine and a LaunchLine: the command line wins and "
          "the launch line is never read (--command-line TEXT drops the launch line, "
          "--launch-line TEXT the command line)"}},
        {"both lines, one given", {"o.exe", "--launch-line", "b.kol"},
         [](BrandInputs* inputs) {
             inputs->from.hasCommandLine = inputs->from.hasLaunchLine = true;
         },
         {}, {}},
        {"8 bits without a colour table", newSplash, paletted(8, 0, -1), {noColours}, {}},
        {"1 bit, 3 bytes of a colour table", newSplash, paletted(1, 0, 57),
         {"n.bmp: has 1 bits per pixel but no colour table"}, {}},
        {"1 bit, one colour of two", newSplash, paletted(1, 1, -1), {}, {}},
        {"a bitmap named in small letters, CONFIG's in capitals",
         {"o.exe", "--config", "SplashScreen=2x2;SPLASHSCREEN1|SplashScreen=100x80;BIG",
          "--splash", "big=b.bmp"},
         bitmap(100, 80, 24, -1), {}, {}},
        {"the shipped launcher's texts", {"o.exe", "--copyright", "(C) Me"},
         shipped("Kol launcher"), {},
         {"o.exe: FileDescription is still the shipped launcher's \"Kol launcher\": "
          "--description sets your own",
          "o.exe: ProductName is still the shipped launcher's \"Kol Virtual Machine\": "
          "--product sets your own",
          "o.exe: CompanyName is still the shipped launcher's \"Morvane\": --company sets "
          "your own"}},
        {"texts like the shipped launcher's", {"o.exe", "--product", "P", "--company", "C"},
         shipped("kol launcher"), {},
         {"o.exe: LegalCopyright is still the shipped launcher's \"Copyright (C) 2026 "
          "Morvane\": --copyright sets your own"}},
        {"a signed source", {"o.exe"}, [](BrandInputs* inputs) { inputs->fromSigned = true; }, {},
         {"launcher.exe: is signed, and branding changes bytes that its signature covers: "
          "o.exe is written unsigned; sign it after branding"}},
        {"a typed CONFIG outside ASCII",
         {"o.exe", "--config", "SplashScreen=2x2;SPLASHSCREEN1|SplashScreenTitle=Caf\xC3\xA9"},
         none, {"--config: holds a character outside ASCII"}, {}},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.what);
        BrandInputs inputs = DefaultLauncher();
        inputs.from.config = "SplashScreen=2x2;SPLASHSCREEN1";
        inputs.from.bitmaps[0].data = Bmp(2, 2);
        c.input(&inputs);
        Diagnostics diagnostics;
        Plan(c.arguments, inputs, &diagnostics);
        ExpectMessages(c.errors, diagnostics.errors);
        ExpectMessages(c.warnings, diagnostics.warnings);
    }
}

TEST_F(KolbrandTest, AConfigFileWithAUtf8MarkIsReadWithoutIt)
{
    BrandInputs inputs = DefaultLauncher();
    inputs.configFileData = "\xEF\xBB\xBFSplashScreenTitle=A";
    Diagnostics diagnostics;
    LauncherResources out = Plan({"o.exe", "--config-file", "c.txt"}, inputs, &diagnostics);
    EXPECT_EQ("SplashScreenTitle=A", out.config);
}

// A launcher's image as the resource compiler leaves it, with a manifest and a second
// icon group that branding must not touch.
std::vector<ImageResource> ShippedImage()
{
    IconImage old16{16, 16, 0, 1, 32, 1, ""};
    IconImage old32{32, 32, 0, 1, 32, 2, ""};
    IconImage other{48, 48, 0, 1, 32, 3, ""};
    return {
        {"SPLASHSCREEN", "SPLASHSCREEN1", 0x409, "bmp1"},
        {"SPLASHSCREEN", "OTHER", 0x409, "bmp2"},
        {"TEXT", "CONFIG", 0x407, "SplashScreen=139x136;SPLASHSCREEN1"},
        {"TEXT", "CONFIG", 0x409, "SplashScreen=139x136;SPLASHSCREEN1"},
        {"TEXT", "LAUNCHLINE", 0x409, "old.kol"},
        {"#3", "#1", 0x409, "icon16"},
        {"#3", "#2", 0x409, "icon32"},
        {"#3", "#3", 0x409, "icon48"},
        {"#14", "#50", 0x409, MakeIconGroup({old16, old32})},
        {"#14", "#51", 0x409, MakeIconGroup({other})},
        {"#24", "#1", 0x409, "<manifest/>"},
    };
}

std::string Shown(const std::vector<ImageResource>& image)
{
    std::string shown;
    for (const ImageResource& resource : image)
        shown += resource.type + "/" + resource.name + "/" + std::to_string(resource.language) +
                 " " + std::to_string(resource.data.size()) + " bytes\n";
    return shown;
}

TEST_F(KolbrandTest, ReadsWhatALauncherCarries)
{
    LauncherResources launcher = ReadLauncherResources(ShippedImage());
    EXPECT_FALSE(launcher.hasCommandLine);
    EXPECT_TRUE(launcher.hasLaunchLine);
    EXPECT_EQ("old.kol", launcher.launchLine);
    EXPECT_TRUE(launcher.hasConfig);
    ASSERT_EQ(2u, launcher.bitmaps.size());
    EXPECT_EQ("SPLASHSCREEN1", launcher.bitmaps[0].name);
    EXPECT_EQ("bmp2", launcher.bitmaps[1].data);
    EXPECT_TRUE(launcher.bitmaps[1].source.empty());
    ASSERT_TRUE(launcher.hasIcon);
    ASSERT_EQ(2u, launcher.icons.size());
    EXPECT_EQ(2, launcher.icons[1].id);

    LauncherResources bare = ReadLauncherResources({{"#24", "#1", 0, "<manifest/>"}});
    EXPECT_FALSE(bare.hasConfig || bare.hasIcon || bare.hasCommandLine || bare.hasLaunchLine);
    EXPECT_TRUE(bare.bitmaps.empty());
}

TEST_F(KolbrandTest, OnlyAWholeLauncherIsRead)
{
    using test_images::BuildImage;
    using test_images::TestImage;
    const std::vector<ImageResource> launcher = {
        {"TEXT", "COMMANDLINE", 0x409, std::string(1, '\0')},
        {"#10", "KOLLAUNCHER", 0x409, std::string("\1\0", 2)},
        {"#24", "#1", 0x409, "<assembly/>"},
    };
    TestImage exe64, exe32, dll, program;
    exe64.resources = exe32.resources = dll.resources = launcher;
    exe32.pe32Plus = false;
    dll.dll = true;
    program.resources = {launcher[2]};
    const std::string whole = BuildImage(exe64);
    const struct {
        const char* what;
        std::string file;
        const char* error;  // null: read
    } cases[] = {
        {"a launcher", whole, nullptr},
        {"a 32-bit launcher", BuildImage(exe32), nullptr},
        {"a DLL", BuildImage(dll), "l.exe: is a DLL, not a launcher"},
        {"another program", BuildImage(program),
         "l.exe: is not a launcher: it lacks the resource KOLLAUNCHER that every launcher built "
         "by kol_add_launcher carries"},
        {"cut short", whole.substr(0, whole.size() - 200), "l.exe: is cut short: its section 1"},
        {"cut after its headers", whole.substr(0, 0x200), "l.exe: is cut short: its section 1"},
        {"a text", "SplashScreenTitle=A", "l.exe: is not a Windows program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ImageResource> resources = {{"poison", "", 0, ""}};
        std::string error;
        ExecutableImage headers;
        int read = ReadLauncherImage("l.exe", c.file, LanguagePreference(), &headers, &resources,
                                     &error);
        EXPECT_EQ(c.error == nullptr, read == 1) << error;
        if (c.error != nullptr) {
            EXPECT_EQ(0u, error.find(c.error)) << error;
            EXPECT_TRUE(resources.empty());
            continue;
        }
        ASSERT_EQ(3u, resources.size());
        LauncherResources read2 = ReadLauncherResources(resources);
        EXPECT_TRUE(read2.hasCommandLine);
        EXPECT_EQ("", read2.commandLine) << "one NUL byte is how an empty line is written";
    }
}

// The launcher's lines, CONFIG and bitmaps as the system's lookups find them, in launchers
// whose bytes were edited; a re-brand writes them sorted and in capitals, where each is found.
TEST_F(KolbrandTest, ResourcesAreTakenByTheSystemsRules)
{
    const ImageResource mark = {"#10", "KOLLAUNCHER", 0x409, std::string("\1\0", 2)};
    LanguagePreference english;
    LanguagePreference german;
    german.user = german.system = 0x407;
    const struct {
        const char* what;
        std::vector<ImageResource> resources;  // in the order the file lists them
        LanguagePreference languages;
        std::string listed;       // a piece of the listing
        std::string warnings;     // the listing's warnings
        std::string rewritten;    // a piece of the listing once re-branded
    } cases[] = {
        {"sorted",
         {{"TEXT", "COMMANDLINE", 0x409, "sorted.kol"}, {"TEXT", "CONFIG", 0x409, ""}, mark},
         english, "CommandLine: \"sorted.kol\"", "", "CommandLine: \"sorted.kol\""},
        {"TEXT's entries out of order",
         {{"TEXT", "CONFIG", 0x409, "SplashScreenTitle=A"},
          {"TEXT", "COMMANDLINE", 0x409, "lower.kol -x"}, mark},
         english, "embedded line: none\nCONFIG:\n  SplashScreenTitle=A\n",
         "warning: resource TEXT/COMMANDLINE (language 1033) is never found: the names of type "
         "TEXT are out of order, and the system's search, which expects them sorted, misses "
         "\"COMMANDLINE\"\n",
         "CommandLine: \"lower.kol -x\""},
        {"a bitmap stored in small letters",
         {{"SPLASHSCREEN", "small", 0x409, Bmp(100, 80)},
          {"TEXT", "CONFIG", 0x409, "SplashScreen=100x80;SMALL"}, mark},
         english, "SplashScreen bitmaps: none\nsplash shown on a screen of:\n  240x320: SMALL "
                  "(missing: no splash)\n",
         "warning: resource SPLASHSCREEN/small (language 1033) is never found: \"small\" is "
         "stored in small letters, and the system looks the names of type SPLASHSCREEN up in "
         "capitals\n",
         "  SMALL: 100x80, 24 bits per pixel, accepted\nsplash shown on a screen of:\n"
         "  240x320: SMALL\n"},
        {"a type in small letters", {{"text", "COMMANDLINE", 0x409, "a.kol"}, mark}, english,
         "embedded line: none",
         "warning: resource text/COMMANDLINE (language 1033) is never found: \"text\" is stored "
         "in small letters, and the system looks the types up in capitals\n",
         "CommandLine: \"a.kol\""},
        {"German and English, on an English machine",
         {{"TEXT", "COMMANDLINE", 0x407, "deutsch.kol"},
          {"TEXT", "COMMANDLINE", 0x409, "english.kol"}, mark},
         english, "CommandLine: \"english.kol\"",
         "warning: resource TEXT/COMMANDLINE (language 1031) is not taken: the system takes "
         "language 1033 of it instead, by this machine's language preferences\n",
         "CommandLine: \"english.kol\""},
        {"German and English, on a German machine",
         {{"TEXT", "COMMANDLINE", 0x407, "deutsch.kol"},
          {"TEXT", "COMMANDLINE", 0x409, "english.kol"}, mark},
         german, "CommandLine: \"deutsch.kol\"",
         "warning: resource TEXT/COMMANDLINE (language 1033) is not taken: the system takes "
         "language 1031 of it instead, by this machine's language preferences\n",
         "CommandLine: \"deutsch.kol\""},
        {"German and English out of order, on a German machine",
         {{"TEXT", "COMMANDLINE", 0x409, "english.kol"},
          {"TEXT", "COMMANDLINE", 0x407, "deutsch.kol"}, mark},
         german, "CommandLine: \"english.kol\"",
         "warning: resource TEXT/COMMANDLINE (language 1031) is not taken: its languages are "
         "out of order, and the system's search, which expects them sorted, misses language "
         "1031\n",
         "CommandLine: \"deutsch.kol\""},
        {"CONFIG in German and English, on an English machine",
         {{"TEXT", "CONFIG", 0x407, "SplashScreenTitle=Titel"},
          {"TEXT", "CONFIG", 0x409, "SplashScreenTitle=Title"}, mark},
         english, "CONFIG:\n  SplashScreenTitle=Title\n",
         "warning: resource TEXT/CONFIG (language 1031) is not taken: the system takes "
         "language 1033 of it instead, by this machine's language preferences\n",
         "CONFIG:\n  SplashScreenTitle=Title\n"},
        {"neither language preferred: the first one listed",
         {{"TEXT", "COMMANDLINE", 0x40C, "francais.kol"},
          {"TEXT", "COMMANDLINE", 0x407, "deutsch.kol"}, mark},
         english, "CommandLine: \"francais.kol\"",
         "warning: resource TEXT/COMMANDLINE (language 1031) is not taken: the system takes "
         "language 1036 of it instead, by this machine's language preferences\n",
         "CommandLine: \"deutsch.kol\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test_images::TestImage test;
        test.resources = c.resources;
        ExecutableImage headers;
        std::vector<ImageResource> image;
        std::string error;
        ASSERT_EQ(1, ReadLauncherImage("l.exe", test_images::BuildImage(test), c.languages,
                                       &headers, &image, &error))
            << error;
        std::string listing = DescribeLauncher("L", headers, ReadLauncherResources(image));
        EXPECT_NE(std::string::npos, listing.find(c.listed)) << listing;
        EXPECT_EQ(c.warnings, listing.substr(std::min(listing.find("warning: "), listing.size())));
        std::string rewritten =
            DescribeLauncher("L", headers, ReadLauncherResources(AsRewritten(image, c.languages)));
        EXPECT_NE(std::string::npos, rewritten.find(c.rewritten)) << rewritten;
        EXPECT_EQ(std::string::npos, rewritten.find("is never found")) << rewritten;
    }
}

// The system searches a directory's names in capitals, by halves, comparing code units, with
// a stored name that begins the one searched for coming before it: an entry the search
// never lands on is one the launcher never finds, and the listing says why.
TEST_F(KolbrandTest, TheSearchLandsOnEachEntryOrSaysWhyNot)
{
    const struct {
        const char* what;
        DirectoryKeys keys;
        std::vector<std::string> missed;  // a piece of why, for each entry; "": found
    } cases[] = {
        {"sorted, a name before the longer one it begins", {{u"TEXT", u"TEXTS"}, {3, 14}},
         {"", "", "", ""}},
        {"a name whose only small letter is z", {{u"SIZz"}, {}},
         {"\"SIZz\" is stored in small letters, and the system looks the types up in capitals"}},
        {"a name whose only small letter is a", {{u"aBC"}, {}}, {"\"aBC\" is stored in small"}},
        {"a name listed twice", {{u"A", u"A"}, {}},
         {"", "\"A\" is listed twice among the types, and the system's search lands on the "
              "other one"}},
        {"names out of order", {{u"B", u"A"}, {}},
         {"", "the types are out of order, and the system's search, which expects them sorted, "
              "misses \"A\""}},
        {"a number listed twice", {{}, {1, 1}}, {"", "#1 is listed twice among the types"}},
        {"numbers out of order", {{}, {2, 1}}, {"", "the types are out of order"}},
        {"names sorted as code units", {{u"Z", u"\u00C9"}, {}}, {"", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.missed.size(), c.keys.names.size() + c.keys.numbers.size());
        for (size_t i = 0; i < c.missed.size(); i++) {
            std::string why = MissedEntry(c.keys, i, "the types");
            EXPECT_EQ(0u, why.find(c.missed[i])) << i << ": " << why;
            EXPECT_EQ(c.missed[i].empty(), why.empty()) << i << ": " << why;
        }
    }
}

// Of a resource's languages, a lookup naming none takes the first there of: each preferred
// UI language (the thread's, the user's, the system's) and its primary language alone, the
// neutral language, US English; else the first listed.
TEST_F(KolbrandTest, TheLanguageTakenIsTheFirstPreferredUiLanguageThere)
{
    const struct {
        const char* what;
        LanguagePreference preference;    // the thread's, the user's, the system's
        std::vector<unsigned> languages;  // as the file lists them
        unsigned taken;
    } cases[] = {
        {"the thread's first", {{0x40C, 0x407}, 0x410, 0x410}, {0x407, 0x40C, 0x410}, 0x40C},
        {"the thread's next", {{0x416, 0x407}, 0x410, 0x410}, {0x407, 0x410}, 0x407},
        {"the user's before the system's", {{}, 0x407, 0x40C}, {0x407, 0x40C}, 0x407},
        {"the system's", {{}, 0x410, 0x40C}, {0x407, 0x40C}, 0x40C},
        {"the exact language before its primary one", {{}, 0xC07, 0x40C}, {0x007, 0xC07}, 0xC07},
        {"a primary one before the next preferred", {{}, 0xC07, 0x40C}, {0x007, 0x40C}, 0x007},
        {"a preferred one before the neutral one", {{}, 0x407, 0x407}, {0x000, 0x407}, 0x407},
        {"the neutral one before US English", {{}, 0x410, 0x410}, {0x000, 0x409}, 0x000},
        {"US English", {{}, 0x410, 0x410}, {0x407, 0x409}, 0x409},
        {"else the first listed", {{}, 0x410, 0x410}, {0x40C, 0x407}, 0x40C},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (size_t i = 0; i < c.languages.size(); i++) {
            std::string why = UntakenLanguage(c.languages, i, c.preference);
            EXPECT_EQ(c.languages[i] == c.taken, why.empty()) << c.languages[i] << ": " << why;
        }
    }
}

TEST_F(KolbrandTest, AnInputIsNeverTheOutput)
{
    // The system compares the files themselves: here, names that differ in case are one.
    auto sameFile = [](const std::string& a, const std::string& b) { return Upper(a) == Upper(b); };
    const struct {
        std::vector<std::string> arguments;
        const char* refusal;  // "": none
    } cases[] = {
        {{"victim.bmp", "--splash", "A=VICTIM.BMP", "--config", "SplashScreen=100x80;A"},
         "victim.bmp: is the file that --splash A=VICTIM.BMP names: the launcher would replace "
         "that input"},
        {{"c.txt", "--splash", "A=a.bmp", "--config-file", "C.txt"},
         "c.txt: is the file that --config-file C.txt names"},
        {{"i.ico", "--icon", "i.ico"}, "i.ico: is the file that --icon i.ico names"},
        {{"app.exe", "--from", "APP.EXE", "--icon", "i.ico"}, ""},
        {{"app.exe", "--splash", "A=a.bmp", "--config-file", "c.txt", "--icon", "i.ico"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        BrandOptions options;
        std::string error;
        ASSERT_EQ(1, ParseBrandOptions(c.arguments, &options, &error)) << error;
        std::string refusal = CheckOutputIsNoInput(options, sameFile);
        EXPECT_EQ(c.refusal, refusal.substr(0, strlen(c.refusal)));
        EXPECT_EQ(*c.refusal == 0, refusal.empty()) << refusal;
    }
}

// An output names a file of its own: not a stream of one, a device, or a folder.
TEST_F(KolbrandTest, AnOutputNamesAFile)
{
    const char* const stream = "names a stream of the file before its \":\", not a file of its "
                               "own: give a name without \":\"";
    const char* const device = "is the name of a device, not of a file";
    const char* const folder = "names a folder, not a file: give the output's name after it";
    const struct {
        std::string output;
        const char* refusal;  // "": a file
    } cases[] = {
        {"app.exe", ""},
        {"C:\\Apps\\app.exe", ""},
        {"C:app.exe", ""},
        {"/home/me/Chess.exe", ""},
        {"\\\\?\\C:\\Apps\\app.exe", ""},
        {"out.exe:s", stream},
        {"base.exe::$DATA", stream},
        {"C:\\Apps\\a:b.exe", stream},
        {"Apps\\C:app.exe", stream},
        {"Apps\\", folder},
        {"/home/me/", folder},
        {"C:", folder},
        {"NUL", device},
        {"C:\\Apps\\nul.exe", device},
        {"CON .txt", device},
        {"conin$", device},
        {"COM1.exe", device},
        {"LPT0", device},
        {"COM\xC2\xB9.exe", device},
        {"COM10.exe", ""},
        {"NULL.exe", ""},
        {"CONSOLE", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        std::string refusal = CheckOutputName(c.output);
        EXPECT_EQ(*c.refusal == 0 ? "" : c.output + ": " + c.refusal, refusal);
    }
}

// The temporary file lies in the output's folder, and its name fits where the output's
// does, however long that is.
TEST_F(KolbrandTest, TheTemporaryFileLiesBesideTheOutput)
{
    const struct {
        std::string output;
        unsigned long id;
        std::string temporary;
    } cases[] = {
        {"app.exe", 7, "kolbrand-7.tmp"},
        {"C:\\Apps\\app.exe", 42, "C:\\Apps\\kolbrand-42.tmp"},
        {"C:app.exe", 1, "C:kolbrand-1.tmp"},
        {"/home/me/app.exe", 1, "/home/me/kolbrand-1.tmp"},
        {"D:\\" + std::string(251, 'n') + ".exe", 4294967295ul, "D:\\kolbrand-4294967295.tmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.temporary, TemporaryPathFor(c.output, c.id)) << c.output;
}

// What --list, --explain and every message print of a value is what Windows shows, but for
// what can't be shown plainly: that is written <U+XXXX>, which no path holds.
TEST_F(KolbrandTest, PrintedValuesAreShownAsWindowsShowsThem)
{
    const struct {
        std::u16string units;
        const char* shown;
    } cases[] = {
        {u"\\\\server\\share\\C:\\K\u00F6l\\a b.exe", "\\\\server\\share\\C:\\K\xC3\xB6l\\a b.exe"},
        {u"\u001F \u007E\u007F", "<U+001F> ~<U+007F>"},
        {u"\u009F\u00A0\u00AD", "<U+009F>\xC2\xA0<U+00AD>"},
        {u"\u200A\u200B\u200F\u2010", "\xE2\x80\x8A<U+200B><U+200F>\xE2\x80\x90"},
        {u"\u2027\u2028\u202E\u202F", "\xE2\x80\xA7<U+2028><U+202E>\xE2\x80\xAF"},
        {u"\u2066\uFEFF\uFFFD\uFFFE\uFFFF", "<U+2066><U+FEFF>\xEF\xBF\xBD<U+FFFE><U+FFFF>"},
        {u"\U0001F600\U0001FFFE\U000E0041", "\xF0\x9F\x98\x80<U+1FFFE><U+E0041>"},
        // Unpaired surrogates, and one low before a high, which pair with nothing.
        {u"a\xD800" u"b\xDFFF", "a<U+D800>b<U+DFFF>"},
        {std::u16string{0xDC00, 0xD800}, "<U+DC00><U+D800>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(c.shown, ShownUnits(c.units));
        EXPECT_EQ(c.shown, ShownText(Utf8FromUtf16(c.units))) << "UTF-8 shows the same";
        EXPECT_EQ(c.units, Utf16FromUtf8(Utf8FromUtf16(c.units))) << "and survives the trip";
    }
    // The launcher's bytes, widened one character each: 0xE9 to U+FFE9.
    EXPECT_EQ("C:\\j\xEF\xBF\xA9<U+000A><U+FFFB><U+FFFF>", ::Shown("C:\\j\xE9\n\xFB\xFF"));
    // A byte that begins no UTF-8 sequence is U+FFFD; a surrogate's own bytes are itself.
    EXPECT_EQ("\xEF\xBF\xBD<U+D800>", ShownText("\xFF\xED\xA0\x80"));
    EXPECT_EQ("kolbrand: A.bmp<U+000A>KOLBRAND: W<U+0009><U+0089>: is cut short\n",
              MessageLine("A.bmp\nKOLBRAND: W\t\xC2\x89: is cut short"));
    LauncherResources launcher;
    launcher.bitmaps = {{"A\nCommandLine: x", Bmp(2, 2), ""}};
    EXPECT_NE(std::string::npos, DescribeLauncher("L", Headers(0x8664), launcher)
                                     .find("  A<U+000A>CommandLine: x: 2x2, 24 bits"));
}

TEST_F(KolbrandTest, TheFirstUnpairedSurrogate)
{
    const struct {
        const char* text;
        unsigned surrogate;
    } cases[] = {
        {"", 0},
        {"\xEF\xBF\xBD \xFF", 0},
        {"\xF0\x9F\x98\x80", 0},
        {"\xED\xA0\xBD\xED\xB8\x80", 0},  // the halves of U+1F600, each in its own bytes
        {"a\xED\xA0\x80", 0xD800},
        {"\xED\xB0\x80\xED\xA0\x80", 0xDC00},
        {"\xED\xAF\xBF", 0xDBFF},
        {"\xED\xBF\xBF", 0xDFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.surrogate, FirstUnpairedSurrogate(c.text)) << ShownText(c.text);
}

TEST_F(KolbrandTest, TheWrittenCopyMustHoldWhatWasMeant)
{
    const std::vector<ImageResource> meant = {
        {"TEXT", "COMMANDLINE", 0x409, std::string(1, '\0')},
        {"TEXT", "CONFIG", 0x409, "SplashScreenTitle=A"},
        {"#3", "#1", 0x409, "icon"},
    };
    auto changed = [&meant](std::function<void(std::vector<ImageResource>*)> change) {
        std::vector<ImageResource> written = {meant[2], meant[0], meant[1]};
        change(&written);
        return written;
    };
    const struct {
        const char* what;
        std::vector<ImageResource> written;
        const char* difference;  // "": none
    } cases[] = {
        {"the same in another order", changed([](std::vector<ImageResource>*) {}), ""},
        {"names in other case",
         changed([](std::vector<ImageResource>* w) { (*w)[2].name = "config"; }), ""},
        {"a deletion not carried out",
         changed([](std::vector<ImageResource>* w) { w->push_back({"TEXT", "LAUNCHLINE", 0x409, "x"}); }),
         "the written copy holds resource TEXT/LAUNCHLINE (language 1033), which was to go"},
        {"a resource lost", changed([](std::vector<ImageResource>* w) { w->erase(w->begin()); }),
         "the written copy lacks resource #3/#1 (language 1033)"},
        {"an empty resource written as nothing",
         changed([](std::vector<ImageResource>* w) { (*w)[1].data = ""; }),
         "the written copy's resource TEXT/COMMANDLINE (language 1033) differs from what was "
         "written (0 bytes instead of 1)"},
        {"another language",
         changed([](std::vector<ImageResource>* w) { (*w)[0].language = 0; }),
         "the written copy holds resource #3/#1 (language 0), which was to go"},
        {"a resource that the lookup misses",
         changed([](std::vector<ImageResource>* w) {
             (*w)[0].reach = ResourceMissed;
             (*w)[0].why = "the types are out of order";
         }),
         "the system's lookup never finds the written copy's resource #3/#1 (language 1033): "
         "the types are out of order"},
        {"a language that the lookup doesn't take",
         changed([](std::vector<ImageResource>* w) { (*w)[0].reach = LanguageNotTaken; }), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.difference, CompareWritten(meant, VersionInfo(), c.written));
    }

    VersionChanges changes;
    changes.fields = {{"ProductName", "Chess"}};
    VersionInfo version;
    std::string refusal;
    std::string resource = BrandVersionResource("", changes, "o.exe", &version, &refusal);
    std::vector<ImageResource> written = {{"#16", "#1", 0x409, resource}};
    EXPECT_EQ("", CompareWritten(written, version, written));
    version.fields[0].second = "Draughts";
    EXPECT_EQ("its version field ProductName reads back otherwise",
              CompareWritten(written, version, written));

}

// What the system's resource update can't write, and an output too large to read back, are
// refused before anything is written.
TEST_F(KolbrandTest, WhatCantBeWrittenIsRefusedFirst)
{
    const ImageResource icon = {"#3", "#1", 0x409, "0123456789"};
    // Its data, what its entries and padding may take, and its names in UTF-16.
    const uint64_t iconBound = 10 + 96 + 2 * (2 + 2);
    EXPECT_EQ(100 + (1u << 20) + iconBound, WrittenSizeBound(100, {icon}));
    const uint64_t largestSource = LargestOutput - WrittenSizeBound(0, {icon});
    const struct {
        const char* what;
        std::vector<ImageResource> image;
        uint64_t sourceSize;
        const char* refusal;  // "": writable
    } cases[] = {
        {"plain", {icon, {"TEXT", "CONFIG", 0x409, "A"}}, 0, ""},
        {"an empty resource", {icon, {"#24", "#1", 0, ""}}, 0,
         "resource #24/#1 (language 0) is empty, and the system's resource update cannot "
         "write an empty resource"},
        {"two names that differ in case",
         {{"SPLASHSCREEN", "SMALL", 0x409, "a"}, icon, {"SPLASHSCREEN", "SMALL", 0x409, "b"}}, 0,
         "resource SPLASHSCREEN/SMALL (language 1033) is twice in the source, in names that "
         "differ in small and capital letters: written in capitals, as the system looks names "
         "up, the two would be one"},
        {"a name outside ASCII", {icon, {"SPLASHSCREEN", "CAF\xC3\xA9", 0x409, "a"}}, 0,
         "resource SPLASHSCREEN/CAF\xC3\xA9 (language 1033) has a name with a character outside "
         "ASCII: kolbrand writes names in capitals, as the system looks them up, and knows the "
         "capitals of ASCII letters only (the launcher never looks such a name up)"},
        {"a type outside ASCII", {icon, {"\xC3\x89" "CRAN", "A", 0x409, "a"}}, 0,
         "resource \xC3\x89" "CRAN/A (language 1033) has a name with a character outside ASCII"},
        {"the largest output", {icon}, largestSource, ""},
        {"a byte more", {icon}, largestSource + 1,
         "it would take up to 1024 MB, more than the 1024 MB that kolbrand writes (the "
         "system's resource update fails on 2 GB)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string refusal = CheckWritable(c.image, c.sourceSize);
        EXPECT_EQ(c.refusal, refusal.substr(0, strlen(c.refusal)));
        EXPECT_EQ(*c.refusal == 0, refusal.empty()) << refusal;
    }
}

// UTF-16 text as the version resource holds it, without its NUL.
std::string Utf16Bytes(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii)
        bytes += std::string{c, 0};
    return bytes;
}

// A version resource's lengths are 16 bits: branding refuses one they can't hold, and a
// written one must give back its fields as the system's version functions read them.
TEST_F(KolbrandTest, VersionInformationFitsItsLengths)
{
    const struct {
        const char* what;
        size_t description;  // characters of each field
        size_t product;
        const char* refusal;  // "": written
    } cases[] = {
        {"32,600 characters in two fields", 20000, 12600,
         "the version information would take 65552 bytes, more than the 65535 its 16-bit "
         "lengths can give: its field FileDescription takes 40042 of them"},
        {"32,000 characters in one", 32000, 0, ""},
        // ProductName's key is 4 characters shorter.
        {"two longest fields alike: the first one named", 16400, 16404,
         "the version information would take 65960 bytes, more than the 65535 its 16-bit "
         "lengths can give: its field FileDescription takes 32842 of them"},
        {"the most a text may hold, in one", 32767, 0,
         "the version information would take 65848 bytes, more than the 65535 its 16-bit "
         "lengths can give: its field FileDescription takes 65576 of them"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> arguments = {"o.exe", "--description",
                                              std::string(c.description, 'd')};
        if (c.product > 0)
            arguments.insert(arguments.end(), {"--product", std::string(c.product, 'p')});
        Diagnostics diagnostics;
        LauncherResources out = Plan(arguments, BrandInputs(), &diagnostics);
        EXPECT_EQ(c.refusal, Joined(diagnostics.errors).substr(0, strlen(c.refusal)));
        EXPECT_EQ(*c.refusal == 0, diagnostics.errors.empty()) << Joined(diagnostics.errors);
        if (*c.refusal == 0) {
            EXPECT_EQ("", CompareVersion(out.versionMeant, out.version));
        }
    }

    VersionChanges changes;
    changes.hasVersion = true;
    changes.version.parts[0] = 2;
    changes.fields = {{"ProductName", "Chess"}};
    VersionInfo meant;
    std::string refusal;
    const std::string good = BrandVersionResource("", changes, "o.exe", &meant, &refusal);
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string damaged = good;
        return damaged.replace(damaged.find(from), from.size(), to);
    };
    auto blockOf = [](const std::string& resource, const char* key) {
        return resource.find(Utf16Bytes(key)) - 6;
    };
    // Each block's length, its value's length (a text's in characters, with the NUL) and
    // its type, as the resource compiler writes them.
    const struct {
        const char* key;
        std::string block;
    } blocks[] = {
        {"VS_VERSION_INFO", U16((unsigned)good.size()) + U16(52) + U16(0) +
                                Utf16Bytes("VS_VERSION_INFO") + U32(0) + U32(0xFEEF04BD)},
        {"ProductName", U16(44) + U16(6) + U16(1) + Utf16Bytes("ProductName") + U32(0) +
                            Utf16Bytes("Chess") + U16(0)},
        {"Translation", U16(36) + U16(4) + U16(0) + Utf16Bytes("Translation") + U32(0) +
                            U32(0x04B00409)},
    };
    for (const auto& b : blocks)
        EXPECT_EQ(b.block, good.substr(blockOf(good, b.key), b.block.size())) << b.key;

    // The ProductName block, 44 bytes as written, with its value run on past its end into
    // padding that isn't zero.
    const size_t field = blockOf(good, "ProductName");
    std::string pastItsBlock = good;
    test_images::Put16(&pastItsBlock, field, 42);
    test_images::Put16(&pastItsBlock, field + 2, 0x100);
    pastItsBlock[field + 42] = 'y';
    // Blocks without keys or values, levels deep under the ProductName block, itself four deep.
    auto nested = [&good, &blockOf, field](unsigned levels) {
        std::string chain;
        for (unsigned i = 0; i < levels; i++)
            chain = U16(8 + (unsigned)chain.size()) + U16(0) + U32(0) + chain;
        std::string deeper = good;
        deeper.insert(field + 44, chain);
        for (const char* key : {"VS_VERSION_INFO", "StringFileInfo", "040904B0", "ProductName"}) {
            size_t at = blockOf(deeper, key);
            unsigned length = (unsigned char)deeper[at] | (unsigned char)deeper[at + 1] << 8;
            test_images::Put16(&deeper, at, length + (unsigned)chain.size());
        }
        return deeper;
    };
    const struct {
        const char* what;
        std::string written;
        const char* difference;  // "": none
    } damages[] = {
        {"as written", good, ""},
        {"a length cut as a wrap leaves it", std::string("\xC8\x00", 2) + good.substr(2),
         "its version information can't be read"},
        {"the fixed part's signature", replaced(U32(0xFEEF04BD), U32(0xFEEF04BC)),
         "its version information can't be read"},
        {"a version number", replaced(U32(0x20000), U32(0x30000)),
         "its version numbers read 3.0.0.0 and 2.0.0.0"},
        {"a key", replaced(Utf16Bytes("ProductName"), Utf16Bytes("ProductNamf")),
         "its version field ProductName can't be found"},
        {"a key in capitals, as the system finds it",
         replaced(Utf16Bytes("ProductName"), Utf16Bytes("PRODUCTNAME")), ""},
        {"a value", replaced(Utf16Bytes("Chess"), Utf16Bytes("Chesz")),
         "its version field ProductName reads back otherwise"},
        {"a value length past its block", pastItsBlock, ""},
        {"blocks nested eight deep", nested(4), ""},
        {"nine deep", nested(5), "its version information can't be read"},
    };
    for (const auto& c : damages) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.difference, CompareVersion(meant, c.written));
    }
}

// A resource's blocks all fit 16-bit lengths: one of exactly 65535 bytes is written.
TEST_F(KolbrandTest, AVersionResourceMayTakeAll65535Bytes)
{
    // A source whose Translation, its last block, holds 3 bytes more, so that the whole
    // takes an odd number of bytes: its length, and those of the blocks around it, grow.
    std::string source = VersionResource("", VersionChanges(), "o.exe") + "\1\1\1";
    auto grow = [&source](size_t at) {
        unsigned length = (unsigned char)source[at] | (unsigned char)source[at + 1] << 8;
        test_images::Put16(&source, at, length + 3);
    };
    size_t translation = source.find(Utf16Bytes("Translation")) - 6;
    for (size_t at : {(size_t)0, source.find(Utf16Bytes("VarFileInfo")) - 6, translation,
                      translation + 2})
        grow(at);
    const struct {
        size_t description;
        size_t size;  // 0: refused
    } cases[] = {{32608, 65535}, {32610, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        VersionChanges changes;
        changes.fields = {{"FileDescription", std::string(c.description, 'd')}};
        VersionInfo meant;
        std::string refusal;
        std::string made = BrandVersionResource(source, changes, "o.exe", &meant, &refusal);
        EXPECT_EQ(c.size, made.size());
        EXPECT_EQ(c.size == 0, !refusal.empty()) << refusal;
    }
}

// A version block as the resource compiler writes it: a text's value with its NUL, and
// counted in characters.
std::string VersionBlock(const std::string& key, bool text, const std::string& value,
                         const std::vector<std::string>& children = {})
{
    std::string data = text ? Utf16Bytes(value) + U16(0) : value;
    std::string block = U16(0) + U16((unsigned)(text ? value.size() + 1 : value.size())) +
                        U16(text) + Utf16Bytes(key) + U16(0);
    block.resize((block.size() + 3) / 4 * 4, '\0');
    block += data;
    for (const std::string& child : children) {
        block.resize((block.size() + 3) / 4 * 4, '\0');
        block += child;
    }
    test_images::Put16(&block, 0, (unsigned)block.size());
    return block;
}

// Programs read the fields of the string table that the Translation names, as
// GetFileVersionInfo and VerQueryValue give it them: branding sets them there.
TEST_F(KolbrandTest, VersionFieldsGoToTheTableTheTranslationNames)
{
    const std::string fixed = U32(0xFEEF04BD) + std::string(48, '\0');
    auto source = [&fixed](const char* first, const char* second, int language) {
        std::vector<std::string> translation;
        if (language >= 0)
            translation.push_back(VersionBlock("Translation", false,
                                               U16((unsigned)language) + U16(1200)));
        std::vector<std::string> tables = {
            VersionBlock(first, true, "", {VersionBlock("ProductName", true, "Alt")}),
            VersionBlock(second, true, "", {VersionBlock("ProductName", true, "Old")})};
        return VersionBlock("VS_VERSION_INFO", false, fixed,
                            {VersionBlock("StringFileInfo", true, "", tables),
                             VersionBlock("VarFileInfo", true, "", translation)});
    };
    const struct {
        const char* what;
        std::string resource;
        const char* replaced;  // the value set anew
        const char* kept;      // the other table's, kept
    } cases[] = {
        {"the second table named", source("040704B0", "040904B0", 0x409), "Old", "Alt"},
        {"the first table named", source("040704B0", "040904B0", 0x407), "Alt", "Old"},
        {"named in small letters", source("040704B0", "040904b0", 0x409), "Old", "Alt"},
        {"no table of that name: the first", source("040704B0", "040904B0", 0x40C), "Alt", "Old"},
        {"no Translation: the first", source("040704B0", "040904B0", -1), "Alt", "Old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(ReadVersionInfo(c.resource).present);
        VersionChanges changes;
        changes.fields = {{"ProductName", "New"}};
        std::string made = VersionResource(c.resource, changes, "o.exe");
        EXPECT_EQ(std::string::npos, made.find(Utf16Bytes(c.replaced)));
        EXPECT_NE(std::string::npos, made.find(Utf16Bytes(c.kept)));
        EXPECT_EQ("New", *FindVersionField(ReadVersionInfo(made), "ProductName"));
    }
}

TEST_F(KolbrandTest, BrandedImageKeepsWhatIsNotReplaced)
{
    std::vector<ImageResource> source = ShippedImage();
    BrandInputs inputs;
    inputs.fromPath = "launcher.exe";
    inputs.from = ReadLauncherResources(source);
    inputs.splashData = {Bmp(139, 136), Bmp(200, 150)};
    inputs.iconData = IcoFile({16, 24, 32});
    BrandOptions options;
    std::string error;
    ASSERT_EQ(1, ParseBrandOptions({"o.exe", "--command-line", "", "--config",
                                    "SplashScreen=200x150;Wide", "--splash",
                                    "splashscreen1=a.bmp", "--splash", "Wide=w.bmp",
                                    "--remove-splash", "other", "--icon", "i.ico"},
                                   &options, &error))
        << error;
    Diagnostics diagnostics;
    LauncherResources out = PlanBrand(options, inputs, &diagnostics);
    ASSERT_TRUE(diagnostics.errors.empty()) << Joined(diagnostics.errors);
    std::vector<ImageResource> image = BrandedResources(source, options, inputs.from, out);

    std::vector<IconImage> icons = ReadIcoFile("i.ico", inputs.iconData, &error);
    icons[0].id = 1;
    icons[1].id = 2;
    icons[2].id = 4;  // 3 belongs to the other group, which stays
    const std::vector<ImageResource> expected = {
        {"#3", "#3", 0x409, "icon48"},
        {"#14", "#51", 0x409, source[9].data},
        {"#24", "#1", 0x409, "<manifest/>"},
        // An empty command line is a resource of its own, in the launcher's language: one
        // NUL byte, which the launcher reads as empty, as the system writes no empty one.
        {"TEXT", "COMMANDLINE", 0x409, std::string(1, '\0')},
        {"TEXT", "CONFIG", 0x407, "SplashScreen=200x150;Wide"},
        {"TEXT", "CONFIG", 0x409, "SplashScreen=200x150;Wide"},
        {"SPLASHSCREEN", "SPLASHSCREEN1", 0x409, inputs.splashData[0]},
        {"SPLASHSCREEN", "WIDE", 0x409, inputs.splashData[1]},
        {"#3", "#1", 0x409, icons[0].data},
        {"#3", "#2", 0x409, icons[1].data},
        {"#3", "#4", 0x409, icons[2].data},
        {"#14", "#50", 0x409, MakeIconGroup(icons)},
        // A launcher without version information gets one that names the output.
        {"#16", "#1", 0x409, VersionResource("", VersionChanges(), "o.exe")},
    };
    ASSERT_EQ(Shown(expected), Shown(image));
    for (size_t i = 0; i < image.size(); i++)
        EXPECT_EQ(expected[i].data, image[i].data) << "resource " << i;
}

const ImageResource* FindIn(const std::vector<ImageResource>& image, const std::string& type,
                            const std::string& name)
{
    for (const ImageResource& resource : image) {
        if (resource.type == type && resource.name == name)
            return &resource;
    }
    return nullptr;
}

// --icon replaces group 50's images, but those that another group shows stay, so that the
// other group stays whole. A new resource takes the languages of the one it replaces, else
// the language of the source's first resource.
TEST_F(KolbrandTest, OtherIconGroupsStayWhole)
{
    const struct {
        const char* what;
        std::vector<int> otherGroup;  // the images that icon group 1 shows
        std::vector<int> kept;        // of group 50's images, 1 and 2
        std::vector<int> newIds;
        std::vector<int> newLanguages;
    } cases[] = {
        {"no image shared", {3}, {}, {1, 2}, {0x409, 0x409}},
        {"image 2 shared", {2}, {2}, {1, 3}, {0x409, 0x407}},
        {"both shared", {1, 2}, {1, 2}, {3, 4}, {0x407, 0x407}},
    };
    std::string error;
    const std::vector<IconImage> icons = ReadIcoFile("i.ico", IcoFile({16, 24}), &error);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<IconImage> shown;
        for (int id : c.otherGroup)
            shown.push_back({16, 16, 0, 1, 32, id, ""});
        const std::string otherGroup = MakeIconGroup(shown);
        std::vector<ImageResource> source = {{"#14", "#1", 0x407, otherGroup},
                                             {"#3", "#1", 0x409, "old1"},
                                             {"#3", "#2", 0x409, "old2"}};
        if (c.otherGroup == std::vector<int>{3})
            source.push_back({"#3", "#3", 0x409, "old3"});
        source.push_back({"#14", "#50", 0x409,
                          MakeIconGroup({{16, 16, 0, 1, 32, 1, ""}, {32, 32, 0, 1, 32, 2, ""}})});
        BrandInputs inputs;
        inputs.fromPath = "l.exe";
        inputs.from = ReadLauncherResources(source);
        inputs.iconData = IcoFile({16, 24});
        BrandOptions options;
        ASSERT_EQ(1, ParseBrandOptions({"o.exe", "--icon", "i.ico"}, &options, &error));
        Diagnostics diagnostics;
        LauncherResources out = PlanBrand(options, inputs, &diagnostics);
        std::vector<ImageResource> image = BrandedResources(source, options, inputs.from, out);
        for (int id : c.kept) {
            const ImageResource* kept = FindIn(image, "#3", "#" + std::to_string(id));
            ASSERT_NE(nullptr, kept);
            EXPECT_EQ("old" + std::to_string(id), kept->data);
        }
        std::vector<int> listed;
        for (const IconImage& icon : ReadIconGroup(FindIn(image, "#14", "#50")->data))
            listed.push_back(icon.id);
        EXPECT_EQ(c.newIds, listed);
        for (size_t i = 0; i < c.newIds.size(); i++) {
            const ImageResource* written = FindIn(image, "#3", "#" + std::to_string(c.newIds[i]));
            ASSERT_NE(nullptr, written);
            EXPECT_EQ(icons[i].data, written->data);
            EXPECT_EQ(c.newLanguages[i], written->language);
        }
        EXPECT_EQ(otherGroup, FindIn(image, "#14", "#1")->data);
    }
}

TEST_F(KolbrandTest, BrandingNothingCopiesTheImage)
{
    std::vector<ImageResource> source = ShippedImage();
    LauncherResources from = ReadLauncherResources(source);
    BrandOptions options;
    options.output = "o.exe";
    std::vector<ImageResource> image = BrandedResources(source, options, from, from);
    EXPECT_EQ(Shown(source), Shown(image));
    EXPECT_TRUE(BrandedResources({}, options, from, from).empty());
}

// Branding keeps the fields it isn't given, sets those it is, and names the output.
TEST_F(KolbrandTest, VersionFieldsAreKeptOrSet)
{
    VersionChanges shipped;
    ASSERT_EQ(1, ParseVersionNumber("1.0.0.0", &shipped.version));
    shipped.hasVersion = true;
    shipped.fields = {{"CompanyName", "Morvane"}, {"FileDescription", "Kol launcher"}};
    std::string launcher = VersionResource("", shipped, "launcher.exe");

    struct Case {
        const char* what;
        std::vector<std::string> options;
        const char* output;
        std::string expected;
    } cases[] = {
        {"nothing given", {}, "app.exe",
         "version: file 1.0.0.0, product 1.0.0.0\n  FileVersion: 1.0.0.0\n"
         "  ProductVersion: 1.0.0.0\n  CompanyName: Morvane\n  FileDescription: Kol launcher\n"
         "  OriginalFilename: app.exe\n"},
        {"every field", {"--version", "2.05.65535.7", "--description", "Chess \"Pro\"",
                         "--company", "A \\ B", "--product", "Chess", "--copyright",
                         "\xC2\xA9 2026 \xE2\x82\xAC \xF0\x9F\x98\x80"},
         "dir\\Chess.exe",
         "version: file 2.5.65535.7, product 2.5.65535.7\n  FileVersion: 2.5.65535.7\n"
         "  ProductVersion: 2.5.65535.7\n  CompanyName: A \\ B\n"
         "  FileDescription: Chess \"Pro\"\n  OriginalFilename: Chess.exe\n"
         "  ProductName: Chess\n"
         "  LegalCopyright: \xC2\xA9 2026 \xE2\x82\xAC \xF0\x9F\x98\x80\n"},
        // Windows drops the dots and blanks that end a file's name; a field's line break
        // can't begin a line of the listing.
        {"a name that Windows trims", {"--copyright", "(C)\r\nCommandLine: \"x\""}, "dot.exe. .",
         "version: file 1.0.0.0, product 1.0.0.0\n  FileVersion: 1.0.0.0\n"
         "  ProductVersion: 1.0.0.0\n  CompanyName: Morvane\n  FileDescription: Kol launcher\n"
         "  OriginalFilename: dot.exe\n  LegalCopyright: (C)<U+000D><U+000A>CommandLine: \"x\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> arguments = {c.output};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        BrandOptions options;
        std::string error;
        ASSERT_EQ(1, ParseBrandOptions(arguments, &options, &error)) << error;
        BrandInputs inputs;
        inputs.from.hasVersion = true;
        inputs.from.version = launcher;
        Diagnostics diagnostics;
        LauncherResources out = PlanBrand(options, inputs, &diagnostics);
        std::string listing = DescribeLauncher("L", Headers(0x8664), out);
        EXPECT_EQ(c.expected, listing.substr(listing.find("version:"))) << listing;
    }
    // A field is set where the system's version functions find it, whatever its key's case.
    VersionChanges capitals;
    capitals.fields = {{"PRODUCTNAME", "Old"}};
    BrandInputs inputs;
    inputs.from.hasVersion = true;
    inputs.from.version = VersionResource("", capitals, "a.exe");
    Diagnostics diagnostics;
    std::string listing =
        DescribeLauncher("L", Headers(0x8664),
                         Plan({"o.exe", "--product", "Chess"}, inputs, &diagnostics));
    EXPECT_EQ("version: file 0.0.0.0, product 0.0.0.0\n  PRODUCTNAME: Chess\n"
              "  OriginalFilename: o.exe\n",
              listing.substr(listing.find("version:")));
    EXPECT_FALSE(ReadVersionInfo(launcher.substr(0, 100)).present) << "cut short";
    EXPECT_FALSE(ReadVersionInfo("").present);
}

}  // namespace

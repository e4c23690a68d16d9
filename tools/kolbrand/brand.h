// kolbrand's rules: what it reads from its command line and from a launcher, and every
// check it makes before it writes a branded copy. Portable, so host tests cover it; the
// Windows side (tools/kolbrand/main.cpp) only reads and writes resources and files.
#ifndef KOL_TOOLS_KOLBRAND_BRAND_H
#define KOL_TOOLS_KOLBRAND_BRAND_H

#include <string>
#include <vector>

// Which embedded line a launcher carries or a branding sets.
enum LineKind { NoLine, CommandLineKind, LaunchLineKind };

// One bitmap of type "SplashScreen"; source names its file, or is empty for a bitmap
// that the launcher carries already.
struct SplashBitmap {
    std::string name;
    std::string data;
    std::string source;
};

// One image of an icon: its group entry's fields and, from a .ico file, its bytes.
struct IconImage {
    int width = 0;
    int height = 0;
    int colours = 0;
    int planes = 0;
    int bits = 0;
    int id = 0;
    std::string data;
};

// The resources of a launcher that kolbrand reads and writes.
struct LauncherResources {
    bool hasCommandLine = false;
    std::string commandLine;
    bool hasLaunchLine = false;
    std::string launchLine;
    bool hasConfig = false;
    std::string config;
    std::vector<SplashBitmap> bitmaps;
    bool hasIcon = false;
    std::vector<IconImage> icons;
};

struct SplashFile {
    std::string name;
    std::string path;
};

// The command line, UTF-8.
struct BrandOptions {
    bool help = false;
    bool list = false;
    std::string output;  // with list: the launcher to list
    std::string from;    // empty: the launcher.exe beside kolbrand.exe
    LineKind lineKind = NoLine;
    std::string line;
    bool hasConfig = false;
    bool configIsFile = false;
    std::string config;  // the text, or with configIsFile the file's path
    std::vector<SplashFile> splashes;
    std::vector<std::string> removals;
    std::string icon;
};

// What the Windows side read for a branding: the source launcher and the input files.
struct BrandInputs {
    LauncherResources from;
    std::string fromPath;
    std::string configFileData;            // with --config-file
    std::vector<std::string> splashData;   // one per --splash, in order
    std::string iconData;                  // with --icon
};

struct Diagnostics {
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
};

extern const char* const KolbrandUsage;

// Reads the arguments after the program's name; 0 with a message on a usage error.
int ParseBrandOptions(const std::vector<std::string>& arguments, BrandOptions* options,
                      std::string* error);

// Checks everything and returns the resources the output is to carry; any error in
// diagnostics means nothing may be written.
LauncherResources PlanBrand(const BrandOptions& options, const BrandInputs& inputs,
                            Diagnostics* diagnostics);

// An embedded line's refusal ("" when fine); option is how it was given, for the message.
std::string CheckEmbeddedLine(const std::string& option, const std::string& line);

// Refusals of a CONFIG text, and the warnings it earns, with the bitmaps the output holds.
void CheckConfig(const std::string& origin, const std::string& config,
                 const std::vector<SplashBitmap>& bitmaps, Diagnostics* diagnostics);

// A .ico file's images, or a refusal in *error.
std::vector<IconImage> ReadIcoFile(const std::string& path, const std::string& data,
                                   std::string* error);

// The RT_GROUP_ICON resource for images whose ids are set, and back.
std::string MakeIconGroup(const std::vector<IconImage>& images);
std::vector<IconImage> ReadIconGroup(const std::string& data);

// count ids from 1 up that are not in used, for new RT_ICON images.
std::vector<int> FreeIconIds(const std::vector<int>& used, int count);

// Resource names match without regard to case, as the launcher's lookup does.
int SameResourceName(const std::string& a, const std::string& b);

// One resource of a launcher's image, as kolbrand copies it: types and names as text,
// numbered ones as "#n" (RT_ICON is "#3", RT_GROUP_ICON "#14", the icon group "#50").
struct ImageResource {
    std::string type;
    std::string name;
    int language = 0;
    std::string data;
};

// What kolbrand reads and writes among a launcher's resources (the first language of each).
LauncherResources ReadLauncherResources(const std::vector<ImageResource>& image);

// Every resource the branded copy carries: those of source that the branding leaves as
// they are, and the new ones; a new one takes the languages of the one it replaces, or
// else the language of the launcher's other resources.
std::vector<ImageResource> BrandedResources(const std::vector<ImageResource>& source,
                                            const BrandOptions& options,
                                            const LauncherResources& from,
                                            const LauncherResources& out);

// The --list report of a launcher.
std::string DescribeLauncher(const std::string& path, const LauncherResources& launcher);

#endif

// kolbrand's command line, read into a record; nothing is read from the files it names.
#ifndef KOL_TOOLS_KOLBRAND_OPTIONS_H
#define KOL_TOOLS_KOLBRAND_OPTIONS_H

#include "tools/kolbrand/version.h"

#include <string>
#include <vector>

// Which embedded line a launcher carries or a branding sets.
enum LineKind { NoLine, CommandLineKind, LaunchLineKind };

struct SplashFile {
    std::string name;
    std::string path;
};

// The command line, UTF-8.
struct BrandOptions {
    bool help = false;
    bool list = false;
    bool explain = false;
    std::string output;  // with list or explain: the launcher to list or explain
    bool hasExplainOptions = false;  // --line or --screen, which go with explain only
    std::string startLine;  // the raw command line of the start explained
    int screenWidth = 0;    // the screen's size; 0 for this display's
    int screenHeight = 0;
    std::string from;    // empty: the launcher.exe beside kolbrand.exe
    LineKind lineKind = NoLine;
    std::string line;
    bool hasConfig = false;
    bool configIsFile = false;
    std::string config;  // the text, or with configIsFile the file's path
    std::vector<SplashFile> splashes;
    std::vector<std::string> removals;
    std::string icon;
    VersionChanges version;
};

// A version text that branding sets: its option, its key in the version resource, and the
// value that the shipped launcher carries (cmake/KolLauncher.cmake).
struct VersionTextOption {
    const char* option;
    const char* key;
    const char* shipped;
};
extern const VersionTextOption VersionTextOptions[4];

// The usage lines, shown with a usage error too; what each option does, for --help.
extern const char* const KolbrandUsage;
extern const char* const KolbrandHelp;

// Reads the arguments after the program's name; 0 with a message on a usage error.
int ParseBrandOptions(const std::vector<std::string>& arguments, BrandOptions* options,
                      std::string* error);

#endif

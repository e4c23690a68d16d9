// kolbrand's command line, read into a record; nothing is read from the files it names.
#ifndef KOL_TOOLS_KOLBRAND_OPTIONS_H
#define KOL_TOOLS_KOLBRAND_OPTIONS_H

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

extern const char* const KolbrandUsage;

// Reads the arguments after the program's name; 0 with a message on a usage error.
int ParseBrandOptions(const std::vector<std::string>& arguments, BrandOptions* options,
                      std::string* error);

#endif

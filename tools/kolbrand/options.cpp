#include "tools/kolbrand/options.h"

#include "tools/kolbrand/text.h"

const char* const KolbrandUsage =
    "usage: kolbrand OUTPUT.exe [--from LAUNCHER.exe] [--command-line TEXT | --launch-line TEXT]\n"
    "                [--config TEXT | --config-file FILE] [--splash NAME=FILE.bmp]...\n"
    "                [--remove-splash NAME]... [--icon FILE.ico]\n"
    "                [--version a.b.c.d] [--description TEXT] [--product TEXT]\n"
    "                [--company TEXT] [--copyright TEXT]\n"
    "       kolbrand --list LAUNCHER.exe\n"
    "       kolbrand --explain LAUNCHER.exe [--line TEXT] [--screen WIDTHxHEIGHT]\n"
    "       kolbrand --help       (what each option does, with examples)\n";

const char* const KolbrandHelp =
    "\n"
    "kolbrand OUTPUT.exe writes a branded copy of a launcher; what no option names is copied\n"
    "unchanged. Everything is checked first: with anything wrong, nothing is written.\n"
    "  --from LAUNCHER.exe     the launcher to copy; by default launcher.exe beside kolbrand\n"
    "  --command-line TEXT     the embedded command line: the machine runs in the launcher's\n"
    "                          process, the user's arguments after it; drops a launch line\n"
    "  --launch-line TEXT      the embedded launch line: the machine runs as a child process,\n"
    "                          kolw.exe or kol.exe; drops a command line\n"
    "  --config TEXT           CONFIG: SplashScreenTitle=TEXT, SplashScreen=WIDTHxHEIGHT;NAME\n"
    "                          (one per bitmap, small to large), UseJavaVM=true, joined by |\n"
    "  --config-file FILE      CONFIG from a file's bytes (ASCII, without a final line break)\n"
    "  --splash NAME=FILE.bmp  adds or replaces the splash bitmap NAME: an uncompressed,\n"
    "                          bottom-up BMP of 1, 4, 8 or 24 bits per pixel\n"
    "  --remove-splash NAME    removes the splash bitmap NAME\n"
    "  --icon FILE.ico         the program's and its documents' icon (icon group 50)\n"
    "  --version a.b.c.d       the file and product version, four numbers of at most 65535\n"
    "  --description TEXT      the file description that Explorer shows\n"
    "  --product TEXT          the product name\n"
    "  --company TEXT          the company name\n"
    "  --copyright TEXT        the copyright notice\n"
    "  example: kolbrand Chess.exe --command-line \"\\Apps\\Chess\\chess.kol\"\n"
    "             --config \"SplashScreenTitle=Chess|SplashScreen=240x320;CHESS\"\n"
    "             --splash CHESS=chess.bmp --icon chess.ico --version 2.1.0.0 --product Chess\n"
    "\n"
    "kolbrand --list LAUNCHER.exe tells what a launcher carries: its architecture, mode and\n"
    "line, CONFIG, splash bitmaps and the one each screen shows, icon and version.\n"
    "  example: kolbrand --list Chess.exe\n"
    "\n"
    "kolbrand --explain LAUNCHER.exe tells what the launcher would do if started now on this\n"
    "machine's registry and files, and does none of it.\n"
    "  --line TEXT             the command line after the program's name (empty by default)\n"
    "  --screen WIDTHxHEIGHT   the screen the splash is chosen for (by default this display)\n"
    "  example: kolbrand --explain Chess.exe --line \"\\\"C:\\My Documents\\Game.kol\\\"\"\n"
    "\n"
    "Exit codes: 0 done; 1 refused, nothing written (--explain: the start would fail);\n"
    "2 usage error.\n";

const VersionTextOption VersionTextOptions[4] = {
    {"--description", "FileDescription", "Kol launcher"},
    {"--product", "ProductName", "Kol Virtual Machine"},
    {"--company", "CompanyName", "Morvane"},
    {"--copyright", "LegalCopyright", "Copyright (C) 2026 Morvane"},
};

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
    int startLine = 0;
    int screen = 0;
    int version = 0;
    int versionTexts[4] = {0, 0, 0, 0};
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

// "WIDTHxHEIGHT", each 1 to 65535.
static int ParseScreen(const std::string& text, int* width, int* height)
{
    size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size() ||
        text.find_first_not_of("0123456789x") != std::string::npos || x != text.rfind('x') ||
        x > 5 || text.size() - x - 1 > 5)
        return 0;
    *width = std::stoi(text.substr(0, x));
    *height = std::stoi(text.substr(x + 1));
    return *width >= 1 && *width <= 65535 && *height >= 1 && *height <= 65535;
}

// --line or --screen.
static int ApplyExplainOption(const std::string& option, const std::string& value,
                              BrandOptions* options, OptionsSeen* seen, std::string* error)
{
    options->hasExplainOptions = true;
    if (option == "--line")
        return SetOnce(option, &seen->startLine, error) && (options->startLine = value, 1);
    if (!SetOnce(option, &seen->screen, error))
        return 0;
    if (!ParseScreen(value, &options->screenWidth, &options->screenHeight)) {
        *error = "--screen " + value + ": expected WIDTHxHEIGHT, each 1 to 65535";
        return 0;
    }
    return 1;
}

// --version, a text field of the version, or an unknown option.
static int ApplyVersionOption(const std::string& option, const std::string& value,
                              BrandOptions* options, OptionsSeen* seen, std::string* error)
{
    if (option == "--version") {
        if (!SetOnce(option, &seen->version, error))
            return 0;
        if (!ParseVersionNumber(value, &options->version.version)) {
            *error = "--version " + value + ": expected four numbers a.b.c.d, each at most 65535";
            return 0;
        }
        options->version.hasVersion = true;
        return 1;
    }
    for (int i = 0; i < 4; i++) {
        if (option != VersionTextOptions[i].option)
            continue;
        if (!SetOnce(option, &seen->versionTexts[i], error))
            return 0;
        // Half a character is no text: Windows would show U+FFFD in its place.
        unsigned surrogate = FirstUnpairedSurrogate(value);
        if (surrogate != 0) {
            *error = option + ": holds half a character, the unpaired surrogate " +
                     ShownUnits(std::u16string(1, (char16_t)surrogate)) + ": give the "
                     "character whole";
            return 0;
        }
        options->version.fields.push_back({VersionTextOptions[i].key, value});
        return 1;
    }
    *error = "unknown option " + option;
    return 0;
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
    if (option == "--line" || option == "--screen")
        return ApplyExplainOption(option, value, options, seen, error);
    return ApplyVersionOption(option, value, options, seen, error);
}

static int HasValue(const std::string& option)
{
    static const char* const valued[] = {
        "--from",       "--command-line", "--launch-line", "--config",    "--config-file",
        "--splash",     "--remove-splash", "--icon",       "--list",      "--explain",
        "--line",       "--screen",       "--version",     "--description", "--product",
        "--company",    "--copyright"};
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
                    || !options.icon.empty() || options.version.hasVersion
                    || !options.version.fields.empty();
    const char* command = options.list ? "--list" : "--explain";
    if (options.list && (branding || options.hasExplainOptions)) {
        *error = "--list takes the launcher alone";
        return 0;
    }
    if (options.explain && branding) {
        *error = "--explain takes no branding options";
        return 0;
    }
    if (options.hasExplainOptions && !options.explain) {
        *error = "--line and --screen go with --explain";
        return 0;
    }
    if (options.output.empty()) {
        *error = options.list || options.explain ? std::string(command) + " needs a launcher"
                                                 : "no OUTPUT.exe given";
        return 0;
    }
    return 1;
}

static int IsHelpRequest(const std::string& argument)
{
    return argument == "--help" || argument == "-h" || argument == "/?" || argument == "help";
}

// The texts may be empty (an empty line, an empty CONFIG, an empty version field, the
// empty line of a start explained); a name may not.
static int MayBeEmpty(const std::string& option)
{
    static const char* const texts[] = {"--command-line", "--launch-line", "--config",
                                        "--description", "--product", "--company",
                                        "--copyright", "--line"};
    for (const char* text : texts) {
        if (option == text)
            return 1;
    }
    return 0;
}

// "/" with another "/" after it: an absolute Unix path, as a shell under Wine passes it
// on and Wine opens it; "/name" alone would be an option of Windows' form.
static int IsUnixPath(const std::string& argument)
{
    return argument[0] == '/' && argument.find('/', 1) != std::string::npos;
}

static int SetOutput(const std::string& argument, BrandOptions* options, std::string* error)
{
    if (argument.empty()) {
        *error = "an empty OUTPUT name given";
        return 0;
    }
    if (argument[0] == '-' || (argument[0] == '/' && !IsUnixPath(argument))) {
        *error = "unknown option " + argument + " (an OUTPUT name may not begin with \"-\", nor "
                 "with \"/\" unless it is a Unix path: /home/me/Chess.exe)";
        return 0;
    }
    if (!options->output.empty()) {
        *error = options->list || options->explain
                     ? std::string(options->list ? "--list" : "--explain") + " takes one launcher"
                     : "more than one OUTPUT given: " + options->output + ", " + argument;
        return 0;
    }
    options->output = argument;
    return 1;
}

int ParseBrandOptions(const std::vector<std::string>& arguments, BrandOptions* options,
                      std::string* error)
{
    *options = BrandOptions();
    OptionsSeen seen;
    for (size_t i = 0; i < arguments.size(); i++) {
        const std::string& argument = arguments[i];
        if (IsHelpRequest(argument)) {
            options->help = true;
            return 1;
        }
        if (!HasValue(argument)) {
            if (argument.compare(0, 2, "--") == 0) {
                *error = "unknown option " + argument;
                return 0;
            }
            if (!SetOutput(argument, options, error))
                return 0;
            continue;
        }
        if (i + 1 == arguments.size()) {
            *error = argument + " needs a value";
            return 0;
        }
        const std::string& value = arguments[++i];
        if (value.empty() && !MayBeEmpty(argument)) {
            *error = argument + " is given an empty value";
            return 0;
        }
        if (argument == "--list" || argument == "--explain") {
            if (options->list || options->explain || !options->output.empty()) {
                *error = argument + " takes one launcher";
                return 0;
            }
            (argument == "--list" ? options->list : options->explain) = true;
            options->output = value;
        } else if (!ApplyOption(argument, value, options, &seen, error)) {
            return 0;
        }
    }
    return CheckCombination(*options, error);
}

#include "tools/kolbrand/options.h"

#include "tools/kolbrand/text.h"

const char* const KolbrandUsage =
    "usage: kolbrand OUTPUT.exe [--from LAUNCHER.exe] [--command-line TEXT | --launch-line TEXT]\n"
    "                [--config TEXT | --config-file FILE] [--splash NAME=FILE.bmp]...\n"
    "                [--remove-splash NAME]... [--icon FILE.ico]\n"
    "       kolbrand --list LAUNCHER.exe\n";

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

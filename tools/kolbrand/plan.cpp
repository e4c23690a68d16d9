#include "tools/kolbrand/plan.h"

#include "tools/kolbrand/bitmaps.h"
#include "tools/kolbrand/config.h"
#include "tools/kolbrand/icons.h"
#include "tools/kolbrand/text.h"
#include "tools/kolbrand/version.h"

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

// 0 when the CONFIG is refused before its entries could be read.
static int SetConfig(const BrandOptions& options, const BrandInputs& inputs,
                     LauncherResources* out, Diagnostics* diagnostics)
{
    if (!options.hasConfig)
        return 1;
    size_t errors = diagnostics->errors.size();
    out->hasConfig = true;
    out->config = options.configIsFile
                      ? ConfigFromFile(options.config, inputs.configFileData, diagnostics)
                      : options.config;
    return !options.configIsFile || diagnostics->errors.size() == errors;
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

// The name Windows gives the file that a path creates: its last part, without the dots
// and blanks at its end, which Windows drops.
static std::string FileName(const std::string& path)
{
    size_t separator = path.find_last_of("\\/:");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    return name.substr(0, name.find_last_not_of(". ") + 1);
}

// The output always says its own file name; the other fields stay unless given.
static void SetVersion(const BrandOptions& options, const BrandInputs& inputs,
                       LauncherResources* out, Diagnostics* diagnostics)
{
    std::string refusal;
    out->hasVersion = true;
    out->version = BrandVersionResource(inputs.from.version, options.version,
                                        FileName(options.output), &out->versionMeant, &refusal);
    if (!refusal.empty())
        diagnostics->errors.push_back(refusal);
}

// Branding refuses to make both lines, but a source may carry them.
static void CheckBothLines(const BrandInputs& inputs, const LauncherResources& out,
                           Diagnostics* diagnostics)
{
    if (out.hasCommandLine && out.hasLaunchLine)
        diagnostics->warnings.push_back(
            inputs.fromPath + ": carries both a CommandLine and a LaunchLine: the command line "
                              "wins and the launch line is never read (--command-line TEXT "
                              "drops the launch line, --launch-line TEXT the command line)");
}

static std::string ConfigOrigin(const BrandOptions& options, const BrandInputs& inputs)
{
    if (!options.hasConfig)
        return inputs.fromPath;
    return options.configIsFile ? options.config : "--config";
}

std::string CheckOutputIsNoInput(
    const BrandOptions& options,
    const std::function<bool(const std::string&, const std::string&)>& sameFile)
{
    std::vector<std::pair<std::string, std::string>> inputs;  // the option, and its file
    if (options.configIsFile)
        inputs.push_back({"--config-file " + options.config, options.config});
    for (const SplashFile& splash : options.splashes)
        inputs.push_back({"--splash " + splash.name + "=" + splash.path, splash.path});
    if (!options.icon.empty())
        inputs.push_back({"--icon " + options.icon, options.icon});
    for (const auto& input : inputs) {
        if (sameFile(options.output, input.second))
            return options.output + ": is the file that " + input.first + " names: the "
                   "launcher would replace that input";
    }
    return "";
}

LauncherResources PlanBrand(const BrandOptions& options, const BrandInputs& inputs,
                            Diagnostics* diagnostics)
{
    LauncherResources out = inputs.from;
    SetLine(options, &out, diagnostics);
    int configRead = SetConfig(options, inputs, &out, diagnostics);
    SetBitmaps(options, inputs, &out, diagnostics);
    SetIcon(options, inputs, &out, diagnostics);
    SetVersion(options, inputs, &out, diagnostics);
    CheckBothLines(inputs, out, diagnostics);
    bool typed = options.hasConfig && !options.configIsFile;
    bool configRefused = !configRead || (out.hasConfig &&
                                         !CheckConfig(ConfigOrigin(options, inputs), out.config,
                                                      typed, out.bitmaps, diagnostics));
    CheckBitmaps(inputs.fromPath, out, configRefused, diagnostics);
    return out;
}

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

std::string FolderOf(const std::string& path)
{
    size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? "" : path.substr(0, separator + 1);
}

// The name Windows gives the file that a path creates: its last part, without the dots
// and blanks at its end, which Windows drops.
static std::string FileName(const std::string& path)
{
    std::string name = path.substr(FolderOf(path).size());
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

// A signature covers bytes that every branding changes: no copy can keep it.
static void CheckSignature(const BrandOptions& options, const BrandInputs& inputs,
                           Diagnostics* diagnostics)
{
    if (inputs.fromSigned)
        diagnostics->warnings.push_back(
            inputs.fromPath + ": is signed, and branding changes bytes that its signature "
                              "covers: " + options.output + " is written unsigned; sign it "
                              "after branding");
}

// A version text kept from the shipped launcher tells users that the author's program is
// the launcher, made by its makers.
static void CheckOwnTexts(const BrandOptions& options, const LauncherResources& out,
                          Diagnostics* diagnostics)
{
    for (const VersionTextOption& text : VersionTextOptions) {
        const std::string* value = FindVersionField(out.versionMeant, text.key);
        if (value != nullptr && *value == text.shipped)
            diagnostics->warnings.push_back(options.output + ": " + text.key + " is still the "
                                            "shipped launcher's \"" + text.shipped + "\": " +
                                            text.option + " sets your own");
    }
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

// The names that Windows takes for devices, alone or before an extension, in any case.
static const char* const DeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
static const char* const PortNumbers[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                                          "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

static bool IsDeviceName(const std::string& name)
{
    std::string base = Upper(name.substr(0, name.find('.')));
    base = base.substr(0, base.find_last_not_of(' ') + 1);
    for (const char* device : DeviceNames) {
        if (base == device)
            return true;
    }
    for (const char* number : PortNumbers) {
        if (base == std::string("COM") + number || base == std::string("LPT") + number)
            return true;
    }
    return false;
}

std::string CheckOutputName(const std::string& output)
{
    size_t separator = output.find_last_of("\\/");
    std::string name = separator == std::string::npos ? output : output.substr(separator + 1);
    // "C:app.exe" names app.exe in drive C's current folder.
    bool drive = separator == std::string::npos && name.size() >= 2 && name[1] == ':' &&
                 ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    if (drive)
        name = name.substr(2);
    if (name.find(':') != std::string::npos)
        return output + ": names a stream of the file before its \":\", not a file of its own: "
               "give a name without \":\"";
    if (name.empty())
        return output + ": names a folder, not a file: give the output's name after it";
    if (IsDeviceName(name))
        return output + ": is the name of a device, not of a file";
    return "";
}

std::string TemporaryPathFor(const std::string& output, unsigned long id)
{
    return FolderOf(output) + "kolbrand-" + std::to_string(id) + ".tmp";
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
    CheckSignature(options, inputs, diagnostics);
    CheckOwnTexts(options, out, diagnostics);
    CheckBothLines(inputs, out, diagnostics);
    bool typed = options.hasConfig && !options.configIsFile;
    bool configRefused = !configRead || (out.hasConfig &&
                                         !CheckConfig(ConfigOrigin(options, inputs), out.config,
                                                      typed, out.bitmaps, diagnostics));
    CheckBitmaps(inputs.fromPath, out, configRefused, diagnostics);
    return out;
}

// kolbrand: writes a branded copy of a built launcher, or lists what a launcher carries.
// The rules live in the portable files beside this one; files.cpp reads and writes
// through the system, and this file runs the commands.
#include "tools/kolbrand/files.h"
#include "tools/kolbrand/listing.h"
#include "tools/kolbrand/options.h"
#include "tools/kolbrand/plan.h"
#include "tools/kolbrand/resources.h"

static int Fail(const std::string& message)
{
    WriteError("kolbrand: " + message + "\n");
    return 1;
}

static void PrintDiagnostics(const Diagnostics& diagnostics)
{
    for (const std::string& warning : diagnostics.warnings)
        WriteError("kolbrand: warning: " + warning + "\n");
    for (const std::string& error : diagnostics.errors)
        WriteError("kolbrand: " + error + "\n");
}

static int ReadInputs(const BrandOptions& options, BrandInputs* inputs, std::string* sourceFile,
                      std::vector<ImageResource>* source, std::string* error)
{
    inputs->fromPath = options.from.empty() ? BesideSelf(L"launcher.exe") : options.from;
    if (!ReadLauncherFile(inputs->fromPath, sourceFile, source, error))
        return 0;
    inputs->from = ReadLauncherResources(*source);
    if (options.configIsFile && !ReadWholeFile(options.config, &inputs->configFileData, error))
        return 0;
    for (const SplashFile& splash : options.splashes) {
        inputs->splashData.emplace_back();
        if (!ReadWholeFile(splash.path, &inputs->splashData.back(), error))
            return 0;
    }
    return options.icon.empty() || ReadWholeFile(options.icon, &inputs->iconData, error);
}

static int Brand(const BrandOptions& options)
{
    BrandInputs inputs;
    std::string sourceFile;
    std::vector<ImageResource> source;
    std::string error;
    if (!ReadInputs(options, &inputs, &sourceFile, &source, &error))
        return Fail(error);
    Diagnostics diagnostics;
    LauncherResources out = PlanBrand(options, inputs, &diagnostics);
    PrintDiagnostics(diagnostics);
    if (!diagnostics.errors.empty())
        return Fail(options.output + " not written");
    std::vector<ImageResource> image = BrandedResources(source, options, inputs.from, out);
    std::string unwritable = CheckWritable(image);
    if (!unwritable.empty())
        return Fail(options.output + ": " + unwritable + "; not written");
    if (!WriteBranded(sourceFile, options.output, image, &error))
        return Fail(error);
    WriteOutput("kolbrand: wrote " + options.output + "\n");
    return 0;
}

static int List(const std::string& path)
{
    std::string file;
    std::vector<ImageResource> resources;
    std::string error;
    if (!ReadLauncherFile(path, &file, &resources, &error))
        return Fail(error);
    WriteOutput(DescribeLauncher(path, ReadLauncherResources(resources)));
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; i++)
        arguments.push_back(Utf8(argv[i]));
    BrandOptions options;
    std::string error;
    if (!ParseBrandOptions(arguments, &options, &error)) {
        WriteError("kolbrand: " + error + "\n" + KolbrandUsage);
        return 2;
    }
    if (options.help) {
        WriteOutput(KolbrandUsage);
        return 0;
    }
    return options.list ? List(options.output) : Brand(options);
}

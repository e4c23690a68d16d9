// kolbrand: writes a branded copy of a built launcher, lists what a launcher carries, or
// explains what it would do with a command line. The rules live in the portable files
// beside this one; files.cpp reads and writes through the system, and this file runs the
// commands.
#include "tools/kolbrand/explain.h"

#include "tools/kolbrand/executable.h"
#include "tools/kolbrand/files.h"
#include "tools/kolbrand/listing.h"
#include "tools/kolbrand/options.h"
#include "tools/kolbrand/plan.h"
#include "tools/kolbrand/resources.h"

#include "tools/kolbrand/text.h"

#include <stdio.h>

static void PrintDiagnostics(const Diagnostics& diagnostics)
{
    for (const std::string& warning : diagnostics.warnings)
        fprintf(stderr, "kolbrand: warning: %s\n", warning.c_str());
    for (const std::string& error : diagnostics.errors)
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
}

static int ReadInputs(const BrandOptions& options, BrandInputs* inputs,
                      std::vector<ImageResource>* source, std::string* error)
{
    inputs->fromPath = options.from.empty() ? BesideSelf(L"launcher.exe") : options.from;
    if (!ReadImageResources(inputs->fromPath, source, error))
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
    std::vector<ImageResource> source;
    std::string error;
    if (!ReadInputs(options, &inputs, &source, &error)) {
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
        return 1;
    }
    Diagnostics diagnostics;
    LauncherResources out = PlanBrand(options, inputs, &diagnostics);
    PrintDiagnostics(diagnostics);
    if (!diagnostics.errors.empty()) {
        fprintf(stderr, "kolbrand: %s not written\n", options.output.c_str());
        return 1;
    }
    if (!WriteBranded(inputs.fromPath, options.output,
                      BrandedResources(source, options, inputs.from, out), &error)) {
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
        return 1;
    }
    printf("kolbrand: wrote %s\n", options.output.c_str());
    return 0;
}

static int List(const std::string& path)
{
    LauncherResources launcher;
    std::string error;
    if (!ReadLauncher(path, &launcher, &error)) {
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
        return 1;
    }
    fputs(DescribeLauncher(path, launcher).c_str(), stdout);
    return 0;
}

// ---- --explain -------------------------------------------------------------------------

static std::u16string Utf16(const std::wstring& text)
{
    return std::u16string(text.begin(), text.end());
}

static int ReadFileBytes(const std::u16string& path, std::string* bytes)
{
    std::string error;
    return ReadWholeFile(Utf8FromUtf16(path), bytes, &error);
}

// Reads the launcher as an executable of its own first, so that what isn't one, or is
// damaged, is refused here rather than met by the system's resource lookups.
static int ReadExplained(const BrandOptions& options, ExplainInputs* in, std::string* error)
{
    std::string bytes;
    std::string problem;
    ExecutableImage image;
    std::vector<ImageResource> resources;
    if (!ReadWholeFile(options.output, &bytes, error))
        return 0;
    if (!ReadExecutable(bytes, &image, &problem) ||
        !ReadResources(bytes, image, &resources, &problem)) {
        *error = options.output + " " + problem;
        return 0;
    }
    std::wstring path = FullPathOf(options.output);
    in->launcherPath = Utf16(path);
    in->module = LoadLibraryExW(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (in->module == NULL) {
        *error = options.output + ": cannot be read as a Windows program (error " +
                 std::to_string(GetLastError()) + ")";
        return 0;
    }
    in->machine = image.machine;
    return 1;
}

static int Explain(const BrandOptions& options)
{
    ExplainInputs in;
    std::string error;
    if (!ReadExplained(options, &in, &error)) {
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
        return 2;
    }
    in.line = Utf16FromUtf8(options.startLine);
    in.screenGiven = options.screenWidth != 0;
    in.screenWidth = in.screenGiven ? options.screenWidth : GetSystemMetrics(SM_CXSCREEN);
    in.screenHeight = in.screenGiven ? options.screenHeight : GetSystemMetrics(SM_CYSCREEN);
    in.systemFolder = Utf16(SystemFolderFor(in.machine));
    in.readFile = ReadFileBytes;
    in.isListening = IsListeningOnLoopback;
    Explanation explanation = ExplainStart(in);
    fputs(explanation.report.c_str(), stdout);
    return explanation.exitCode;
}

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; i++)
        arguments.push_back(Utf8(argv[i]));
    BrandOptions options;
    std::string error;
    if (!ParseBrandOptions(arguments, &options, &error)) {
        fprintf(stderr, "kolbrand: %s\n%s", error.c_str(), KolbrandUsage);
        return 2;
    }
    if (options.help) {
        fputs(KolbrandUsage, stdout);
        return 0;
    }
    if (options.explain)
        return Explain(options);
    return options.list ? List(options.output) : Brand(options);
}

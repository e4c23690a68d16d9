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

static int Fail(const std::string& message)
{
    WriteError(MessageLine(message));
    return 1;
}

// In one write: each write is a call into the system, and thousands of them take seconds.
static void PrintDiagnostics(const Diagnostics& diagnostics)
{
    std::string text;
    for (const std::string& warning : diagnostics.warnings)
        text += MessageLine("warning: " + warning);
    for (const std::string& error : diagnostics.errors)
        text += MessageLine(error);
    WriteError(text);
}

// The source is read without its signature, which no branded copy could keep.
static int ReadInputs(const BrandOptions& options, BrandInputs* inputs, std::string* sourceFile,
                      std::vector<ImageResource>* source, std::string* error)
{
    inputs->fromPath = options.from.empty() ? BesideSelf(L"launcher.exe") : options.from;
    if (inputs->fromPath.empty()) {
        *error = "the system doesn't give kolbrand's own path, to find the launcher.exe beside "
                 "it: give --from LAUNCHER.exe";
        return 0;
    }
    ExecutableImage image;
    if (!ReadLauncherFile(inputs->fromPath, sourceFile, &image, source, error))
        return 0;
    inputs->fromSigned = IsSigned(image);
    *sourceFile = WithoutSignature(*sourceFile, image);
    *source = AsRewritten(*source, LanguagesOfThisMachine());
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
    std::string name = CheckOutputName(options.output);
    if (!name.empty())
        return Fail(name + "; not written");
    std::string input = CheckOutputIsNoInput(options, IsSameFilePath);
    if (!input.empty())
        return Fail(input + "; not written");
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
    std::string unwritable = CheckWritable(image, sourceFile.size());
    if (!unwritable.empty())
        return Fail(options.output + ": " + unwritable + "; not written");
    if (!WriteBranded(sourceFile, options.output, image, out.versionMeant, &error))
        return Fail(error);
    WriteOutput(MessageLine("wrote " + options.output));
    return 0;
}

static int List(const std::string& path)
{
    std::string file;
    std::vector<ImageResource> resources;
    std::string error;
    ExecutableImage image;
    if (!ReadLauncherFile(path, &file, &image, &resources, &error))
        return Fail(error);
    WriteOutput(DescribeLauncher(path, image, ReadLauncherResources(resources)));
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

// Reads the launcher as kolbrand reads any first, so that what isn't one, or is damaged,
// is refused here rather than met by the system's resource lookups.
static int ReadExplained(const BrandOptions& options, ExplainInputs* in, std::string* error)
{
    std::string file;
    std::vector<ImageResource> resources;
    ExecutableImage image;
    std::string problem;
    if (!ReadLauncherFile(options.output, &file, &image, &resources, error))
        return 0;
    std::wstring path = FullPathOf(options.output);
    in->launcherPath = Utf16(path);
    in->machine = image.machine;
    in->module = LoadResourcesOf(path, &problem);
    if (in->module == NULL)
        *error = options.output + ": cannot be opened for its resources: " + problem;
    return in->module != NULL;
}

REGSAM KolToolRegistryView = 0;

static int Explain(const BrandOptions& options)
{
    ExplainInputs in;
    std::string error;
    if (!ReadExplained(options, &in, &error)) {
        WriteError(MessageLine(error));
        return 2;  // nothing to explain, as with a usage error
    }
    in.line = Utf16FromUtf8(options.startLine);
    in.screenGiven = options.screenWidth != 0;
    in.screenWidth = in.screenGiven ? options.screenWidth : GetSystemMetrics(SM_CXSCREEN);
    in.screenHeight = in.screenGiven ? options.screenHeight : GetSystemMetrics(SM_CYSCREEN);
    in.systemFolder = Utf16(SystemFolderFor(in.machine));
    // A 32-bit launcher reads HKEY_LOCAL_MACHINE\Software in the 32-bit view.
    if (in.machine == IMAGE_FILE_MACHINE_I386 && sizeof(void*) == 8)
        KolToolRegistryView = KEY_WOW64_32KEY;
    in.readFile = ReadFileBytes;
    in.listeningSockets = ListeningSockets;
    in.isMarkHeld = IsNamedEventHeld;
    Explanation explanation = ExplainStart(in);
    WriteOutput(explanation.report);
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
        WriteError(MessageLine(error) + KolbrandUsage);
        return 2;
    }
    if (options.help) {
        WriteOutput(std::string(KolbrandUsage) + KolbrandHelp);
        return 0;
    }
    if (options.explain)
        return Explain(options);
    return options.list ? List(options.output) : Brand(options);
}

// A branding's plan: what the output is to carry, with every check made before anything
// is written.
#ifndef KOL_TOOLS_KOLBRAND_PLAN_H
#define KOL_TOOLS_KOLBRAND_PLAN_H

#include "tools/kolbrand/options.h"
#include "tools/kolbrand/records.h"

#include <functional>

// What the Windows side read for a branding: the source launcher and the input files.
struct BrandInputs {
    LauncherResources from;
    std::string fromPath;
    bool fromSigned = false;               // its signature is left out of the copy
    std::string configFileData;            // with --config-file
    std::vector<std::string> splashData;   // one per --splash, in order
    std::string iconData;                  // with --icon
};

// A refusal of an output path that names no file of its own: a stream of a file
// ("app.exe:s", "app.exe::$DATA"), a device ("NUL", "com1.exe"), or nothing after its last
// separator; "" when it names a file.
std::string CheckOutputName(const std::string& output);

// The folder part of a path with its separator ("dir\", and "C:" of "C:app.exe"); "" for a
// name alone.
std::string FolderOf(const std::string& path);

// The temporary file that a branding writes and then renames into place: in the output's
// folder, so that the rename stays on its disk, and named apart from it, so that an output
// name of any length that Windows takes leaves room for it. id tells kolbrands apart.
std::string TemporaryPathFor(const std::string& output, unsigned long id);

// A refusal of an output that is one of the input files other than --from, which the
// branding would overwrite, naming the option; "" when none is. sameFile tells whether two
// paths name one file.
std::string CheckOutputIsNoInput(
    const BrandOptions& options,
    const std::function<bool(const std::string&, const std::string&)>& sameFile);

// Checks everything and returns the resources the output is to carry; any error in
// diagnostics means nothing may be written.
LauncherResources PlanBrand(const BrandOptions& options, const BrandInputs& inputs,
                            Diagnostics* diagnostics);

#endif

#include "tools/mirolan-play/options.h"

#include "platform/pwKernel/pwKernel_control.h"
#include "tools/mirolan-play/parameters.h"

#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>

namespace {

constexpr const char* kDescription =
    "mirolan-play: loads the particle effect plug-in, creates an effect from a parameter text, drives it\n"
    "frame by frame as an engine would (SetGlobalTime, PrepareForRender, Draw, RestoreAfterRender) and\n"
    "writes its texture as PNG pictures.\n";

constexpr const char* kFooterBefore =
    "Parameters: lines of key = value (keys in any letter case, ';' starts a comment), as the engine\n"
    "would pass them. --param lines come before the --params file, so a --param overrides the same key\n"
    "in the file (the first matching line wins). With neither, the effect's defaults apply.\n";

constexpr const char* kFooterAfter =
    "The effect receives the text unchanged; the host warns about unknown keys (naming the nearest),\n"
    "values that do not parse and values outside the range, and names the parameters behind a failed\n"
    "Create. --print-params shows the values the effect reads.\n"
    "\n"
    "Time: frame n (from 1) runs at engine time n * dt, and the kernel's frame timer returns dt.\n"
    "\n"
    "Output, in the --out folder: frame_NNNN.png for every --every-th frame and for the last frame,\n"
    "contact_sheet.png with --sheet evenly spaced frames, each labelled with its number (at most 2048\n"
    "pixels wide), and with mipmaps on last_level_K.png for each mip level K of the last frame, at its\n"
    "true size. --scale enlarges frames and the sheet (nearest). --animation writes every frame as an\n"
    "animated WebP (a name ending in .webp, not the --params file), each frame encoded and written as it\n"
    "is drawn, so memory stays that of a frame or two. Each file replaces one of its name only when it is\n"
    "complete (a hidden temporary beside it, removed on an interrupt); nothing else in the folder is\n"
    "touched, so pictures of an earlier run that this run does not write stay. At exit the effect is\n"
    "disposed of and the allocation tracker's leak report is printed.\n"
    "\n"
    "Exit codes: 0 success; 1 usage error; 2 file error (parameter file unreadable or not text, an\n"
    "output folder or file that cannot be made or written); 3 effect failure (module not loadable, no\n"
    "CreateEffect, Create failed) or out of memory; 4 leak (memory or a texture left behind).\n";

// Whether two paths name one file: the same device and inode when both
// exist (links, "./" and other spellings), else the same path.
bool SameFile(const std::string& first, const std::string& second)
{
    struct stat a {};
    struct stat b {};
    if (::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    std::error_code failure;
    const auto normal = [&](const std::string& path) { return std::filesystem::weakly_canonical(path, failure); };
    return normal(first) == normal(second);
}

bool EndsWithWebp(const std::string& path)
{
    const std::string ending = ".webp";
    if (path.size() < ending.size())
        return false;
    return std::equal(ending.begin(), ending.end(), path.end() - std::ptrdiff_t(ending.size()),
                      [](char e, char c) { return e == std::tolower(static_cast<unsigned char>(c)); });
}

// The animation file is written over whatever has its name: it must be
// neither the parameter file nor a name that promises another format.
bool CheckAnimationPath(const PlayOptions& options)
{
    if (options.animationFile.empty())
        return true;
    if (!EndsWithWebp(options.animationFile)) {
        std::fprintf(stderr,
                     "mirolan-play: --animation writes an animated WebP file; its name must end in .webp, not '%s'\n",
                     options.animationFile.c_str());
        return false;
    }
    if (!options.paramsFile.empty() && SameFile(options.animationFile, options.paramsFile)) {
        std::fprintf(stderr, "mirolan-play: --animation '%s' is the parameter file given to --params; it would be "
                             "overwritten\n",
                     options.animationFile.c_str());
        return false;
    }
    return true;
}

} // namespace

ParsedOptions ParseOptions(int argc, char** argv)
{
    PlayOptions options;
    options.seed = kwoHost_DefaultRandomSeed;

    CLI::App app{kDescription, "mirolan-play"};
    app.footer(std::string(kFooterBefore) + ParameterTable() + "\n" + kFooterAfter);
    app.set_version_flag("--version", std::string("mirolan-play ") + MIROLAN_PLAY_VERSION, "Print the version and exit");
    app.add_option("--module", options.modulePath,
                   "Path of the effect plug-in (default: libMirolan.so beside this program, or in ../lib)");
    app.add_option("--params", options.paramsFile, "Parameter text file");
    app.add_option("--param", options.params, "One parameter line key=value (repeatable)")
        ->allow_extra_args(false)
        ->take_all();
    app.add_option("--frames", options.frames, "Number of frames to run")
        ->check(CLI::Range(1u, 1000000u))
        ->capture_default_str();
    app.add_option("--dt", options.step, "Time step per frame")->capture_default_str();
    app.add_option("--seed", options.seed, "Seed of the kernel's random numbers")->capture_default_str();
    app.add_option("--every", options.every, "Also write every K-th frame (0: off)")->capture_default_str();
    app.add_option("--sheet", options.sheetFrames, "Frames on the contact sheet (0: no sheet)")
        ->check(CLI::Range(0u, 64u))
        ->capture_default_str();
    app.add_option("--scale", options.scale, "Enlarge frames and the sheet N times (nearest)")
        ->check(CLI::Range(1u, 16u))
        ->capture_default_str();
    app.add_option("--out", options.outputDirectory, "Output folder, created if missing")->capture_default_str();
    app.add_option("--animation", options.animationFile,
                   "Also write every frame as an animated WebP file (FILE.webp; its folder is created if missing)");
    app.add_flag("--print-params", options.printParams, "Print the parameter values the effect reads, and stop");
    const std::map<std::string, tools::ProgressDisplay> progressModes = {{"auto", tools::ProgressDisplay::OnTerminal},
                                                                         {"always", tools::ProgressDisplay::Always},
                                                                         {"never", tools::ProgressDisplay::Off}};
    app.add_option("--progress", options.progress,
                   "Frames done on standard error: auto (on a terminal, for runs over two seconds), always, never")
        ->transform(CLI::CheckedTransformer(progressModes, CLI::ignore_case));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return ParsedOptions{std::nullopt, code == 0 ? ExitCode::Success : ExitCode::Usage};
    }

    // NaN passes a range check, so the step is checked here.
    if (!std::isfinite(options.step) || options.step <= 0.0f) {
        std::fprintf(stderr, "mirolan-play: --dt must be a positive finite number\n");
        return ParsedOptions{std::nullopt, ExitCode::Usage};
    }
    for (const std::string& param : options.params) {
        size_t equals = param.find('=');
        if (equals == std::string::npos || equals == 0 || param.find('\n') != std::string::npos) {
            std::fprintf(stderr, "mirolan-play: --param '%s' is not of the form key=value\n", param.c_str());
            return ParsedOptions{std::nullopt, ExitCode::Usage};
        }
    }
    if (!CheckAnimationPath(options))
        return ParsedOptions{std::nullopt, ExitCode::Usage};
    return ParsedOptions{options, ExitCode::Success};
}

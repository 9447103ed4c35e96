// mirolan-play's command line.
#pragma once

#include "tools/mirolan-play/exit_codes.h"
#include "tools/common/progress.h"

#include <optional>
#include <string>
#include <vector>

struct PlayOptions {
    std::string modulePath;             // empty: libMirolan.so beside the executable
    std::string paramsFile;             // empty: none
    std::vector<std::string> params;    // "key=value" each
    unsigned frames = 120;
    float step = 1.0f / 60.0f;
    unsigned seed = 0;
    unsigned every = 0;                 // 0: no periodic frames
    unsigned sheetFrames = 8;
    unsigned scale = 1;
    std::string outputDirectory = "out";
    std::string animationFile;          // empty: no animation
    bool printParams = false;           // print the values in effect and stop
    tools::ProgressDisplay progress = tools::ProgressDisplay::OnTerminal; // auto
};

// The options, or the exit code when the program should stop now (after
// --help, or on a usage error, which has been reported).
struct ParsedOptions {
    std::optional<PlayOptions> options;
    ExitCode exitCode = ExitCode::Success;
};

ParsedOptions ParseOptions(int argc, char** argv);

// One run of the host: load the module, create the effect, drive the frames,
// write the pictures, dispose of everything and report leaks.
#pragma once

#include "tools/mirolan-play/exit_codes.h"
#include "tools/mirolan-play/options.h"
#include "tools/mirolan-play/parameters.h"

#include <string>
#include <vector>

// The text handed to Create: each --param line, then the --params file. On
// failure (unreadable file, or one holding a NUL byte) `error` says why.
bool BuildParameterText(const PlayOptions& options, std::string& text, std::string& error);

// The lines of that text, each with where it came from.
std::vector<ParameterLine> ParameterLines(const PlayOptions& options, const std::string& text);

ExitCode Play(const PlayOptions& options);

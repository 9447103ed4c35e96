// What mirolan-play's exit code means; --help lists the same.
#pragma once

enum class ExitCode {
    Success = 0,
    Usage = 1,         // bad command line
    FileError = 2,     // a parameter file or an output file could not be read or written
    EffectFailure = 3, // the module could not be loaded, the effect could not be made or created, or memory ran out
    Leak = 4,          // the effect left memory or a texture behind
};

inline int ToInt(ExitCode code) { return static_cast<int>(code); }

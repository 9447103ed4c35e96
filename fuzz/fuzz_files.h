// What the targets over the texture library's file readers share.
#pragma once

#include "fuzz/fuzz_support.h"
#include "r3az8/tex/texture/texture_error.h"

#include <string>

namespace fuzzing {

// A reader may refuse a file only with a TextureError that says "malformed" or
// "unsupported" (exit code 3 or 4) and starts with the file's name.
inline void CheckFileRefusal(const r3az8tex::TextureError& error, const std::string& name)
{
    if (error.Code() != r3az8tex::ErrorKind::Malformed && error.Code() != r3az8tex::ErrorKind::Unsupported)
        Fail("reader refused a file with exit code %d: %s", int(error.Code()), error.what());
    if (std::string(error.what()).rfind(name + ": ", 0) != 0)
        Fail("reader's message does not start with the file name: %s", error.what());
}

} // namespace fuzzing

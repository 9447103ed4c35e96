// `r3aztex diff A B --html page.html`: both textures on one page, split or
// flipped at one zoom and position, with the heat map of level 0 and the
// figures the command printed.
#pragma once

#include "r3az8/tex/compare/compare_textures.h"
#include "tools/r3aztex/tool_error.h"

#include <string>

namespace r3aztex {

// Before any work: throws ToolError (CommandLine) for a page name that is
// not .html, an input read from standard input (the page reads both files
// again) or a page that would overwrite an input.
void CheckDiffPage(const std::string& page, const std::string& first, const std::string& second);

// The page for the comparison of the two files, written whole, with the
// figures `diff --json` prints (`figures`: its JSON object, whose "levels"
// the page lists); a line on standard error says so unless `quiet`.
void WriteDiffPage(const std::string& page, const std::string& first, const std::string& second,
                   const Comparison& comparison, const std::string& figures, bool quiet);

} // namespace r3aztex

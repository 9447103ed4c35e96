// The parts of reading r3aztex's command line that are not one command's
// own: names the user mistyped (caught before CLI11 sees them, so the
// message can suggest what was meant), CLI11's errors in the tool's words,
// value checks with such messages, and `r3aztex help [COMMAND]`.
#pragma once

#include "tools/r3aztex/commands/command.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace r3aztex {

// The message for the first unknown command or option among the
// arguments (without the program name), naming the nearest known ones; no
// value when every name is known.
std::optional<std::string> FindMistypedName(const CLI::App& tool, const std::vector<std::string>& arguments);

// A CLI11 parse error as one line for the user.
std::string ExplainParseError(const CLI::ParseError& error);

// A whole number from `least` to `most`: "--mips: 'abc' is not a whole
// number from 0 to 32" (no upper bound named when `most` is the largest
// value an option of 32 bits holds).
CLI::Validator WholeNumber(uint32_t least = 0, uint32_t most = UINT32_MAX);
// A finite decimal number: "--min-psnr: 'abc' is not a number".
CLI::Validator DecimalNumber();

// One of `names` in any letter case (the value is then stored in lower
// case); otherwise "'cubic' is not one of ...", naming the nearest.
CLI::Validator OneOfNames(std::vector<std::string> names);

// `r3aztex help [COMMAND]`: the tool's or the command's help on standard
// output.
CommandRunner AddHelpCommand(CLI::App& tool);

} // namespace r3aztex

// Keeping outputs off inputs: two names are the same file when they lead to
// the same device and inode, however they are spelled (relative, "./",
// through symbolic or hard links).
#pragma once

#include "tools/r3aztex/tool_error.h"

#include <string>
#include <vector>

namespace r3aztex {

// Throws ToolError (CommandLine), naming both, when any output that
// already exists is the same file as any input. "-" stands for standard
// input among the inputs and standard output among the outputs, so a
// redirection onto an input is caught too.
void RefuseToOverwriteInputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

// Throws ToolError (CommandLine) when two of the outputs of one run are the
// same file however they are spelled: generated names (array layers, cube
// faces, volume slices) included, nothing may be written twice.
void RefuseCollidingOutputs(const std::vector<std::string>& outputs);

} // namespace r3aztex

// A run's pictures never mix with an earlier run's: before writing into
// the output folder, the host removes the files it would itself have
// written there (frame_NNNN.png, last_level_K.png, contact_sheet.png) and
// nothing else.
#pragma once

#include <string>

// How many were removed; -1 with `error` set when one could not be.
int RemoveEarlierOutputs(const std::string& folder, std::string& error);

// Whether a file name is one the host writes into its output folder.
bool IsHostOutputName(const std::string& name);

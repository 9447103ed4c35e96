// Suggestions for a mistyped name: which of the names a tool knows the user
// most likely meant. Shared by r3aztex (formats, options, commands) and
// mirolan-play (parameter keys).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tools {

// Edits (insert, delete, replace, swap two neighbours) that turn one name
// into the other, ignoring the case of ASCII letters.
size_t EditDistance(std::string_view first, std::string_view second);

// The known names closest to `typed`, in the order given: every name at the
// smallest distance, provided that distance is small for the typed length
// (at most 3 edits, or a third of the length plus one for long names).
// Names made of words joined by '_' are also compared word by word: the
// first words with each other, and a later word left out or added counts
// one and a half edits, so "bc6h" finds "bc6h_uf16" before "bc4" and
// "bc1_unrom" finds "bc1_unorm" before "bc1". Empty when nothing is close.
std::vector<std::string> NearestNames(std::string_view typed, const std::vector<std::string>& known);

// "a", "a or b", "a, b or c".
std::string OneOf(const std::vector<std::string>& names);

} // namespace tools

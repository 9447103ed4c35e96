// Just enough JSON writing for the tool's reports: strings escaped, numbers
// printed so that they read back the same.
#pragma once

#include <cstdint>
#include <string>

namespace r3aztex {

// The string as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);
std::string JsonNumber(uint64_t value);
// Finite values with up to 6 decimals; infinite or NaN values as null.
std::string JsonNumber(double value);

} // namespace r3aztex

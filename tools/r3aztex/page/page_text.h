// The text a page is made of: binary data as base64 and data URIs, and
// JSON that may sit inside an HTML <script> element.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace r3aztex {

// Base64 with padding, the alphabet of RFC 4648 section 4.
std::string Base64(std::span<const uint8_t> bytes);

// "data:MIME;base64,..." (RFC 2397), which a browser shows without
// fetching anything.
std::string DataUri(const std::string& mime, std::span<const uint8_t> bytes);

// The JSON with every "</" written "<\/", which JSON reads the same and
// which cannot close the <script> element it is embedded in.
std::string ScriptSafe(std::string json);

} // namespace r3aztex

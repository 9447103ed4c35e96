// The key/value data of a KTX2 file: entries of a byte count, a
// NUL-terminated key and its value, each padded to 4 bytes, sorted by key
// (KTX 2.0, section 3.11).
#pragma once

#include "d3d8.h"

#include <span>
#include <string>
#include <vector>

namespace r3az8tex::ktx2 {

struct KeyValue {
    std::string key;
    std::vector<BYTE> value; // as stored; the text values we write end with their NUL
};

// The entries' bytes, sorted by key, padding included.
std::vector<BYTE> EncodeKeyValues(std::vector<KeyValue> entries);

// The entries of a key/value block. Throws TextureError (Malformed) with
// the reason alone: an entry beyond the block, a key without its NUL or
// empty, keys out of order or repeated, padding that is missing.
std::vector<KeyValue> DecodeKeyValues(std::span<const BYTE> block);

// A text value without its NUL, as shown ("rd").
std::string ValueText(const KeyValue& entry);

// The value of `key`, or null.
const KeyValue* FindKey(const std::vector<KeyValue>& entries, const std::string& key);

} // namespace r3az8tex::ktx2

#include "r3az8/tex/files/ktx2_key_values.h"

#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>

namespace r3az8tex::ktx2 {
namespace {

size_t Padded(size_t bytes) { return (bytes + 3) & ~size_t(3); }

[[noreturn]] void Broken(const std::string& reason)
{
    throw TextureError(ErrorKind::Malformed, "key/value data: " + reason);
}

} // namespace

std::vector<BYTE> EncodeKeyValues(std::vector<KeyValue> entries)
{
    // Keys compare as bytes, which std::string does.
    std::ranges::sort(entries, {}, &KeyValue::key);
    std::vector<BYTE> out;
    for (const KeyValue& entry : entries) {
        const uint32_t length = uint32_t(entry.key.size() + 1 + entry.value.size());
        for (int i = 0; i < 4; ++i)
            out.push_back(BYTE(length >> (8 * i)));
        out.insert(out.end(), entry.key.begin(), entry.key.end());
        out.push_back(0);
        out.insert(out.end(), entry.value.begin(), entry.value.end());
        out.resize(Padded(out.size()), 0);
    }
    return out;
}

std::vector<KeyValue> DecodeKeyValues(std::span<const BYTE> block)
{
    std::vector<KeyValue> entries;
    size_t at = 0;
    while (at < block.size()) {
        if (block.size() - at < 4)
            Broken("an entry's length is cut short");
        const uint32_t length =
            block[at] | uint32_t(block[at + 1]) << 8 | uint32_t(block[at + 2]) << 16 | uint32_t(block[at + 3]) << 24;
        at += 4;
        if (length > block.size() - at)
            Broken("an entry of " + std::to_string(length) + " bytes runs past the data");
        const std::span<const BYTE> entry = block.subspan(at, length);
        const auto end = std::ranges::find(entry, BYTE(0));
        if (end == entry.end())
            Broken("a key without its terminating NUL");
        if (end == entry.begin())
            Broken("an empty key");
        KeyValue value{std::string(entry.begin(), end), std::vector<BYTE>(end + 1, entry.end())};
        if (!entries.empty() && !(entries.back().key < value.key))
            Broken("key \"" + value.key + "\" follows \"" + entries.back().key + "\"; keys must be sorted and distinct");
        entries.push_back(std::move(value));
        const size_t padded = Padded(at + length);
        if (padded > block.size())
            Broken("the padding after key \"" + entries.back().key + "\" is missing");
        at = padded;
    }
    return entries;
}

std::string ValueText(const KeyValue& entry)
{
    std::string text(entry.value.begin(), entry.value.end());
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

const KeyValue* FindKey(const std::vector<KeyValue>& entries, const std::string& key)
{
    const auto found = std::ranges::find(entries, key, &KeyValue::key);
    return found == entries.end() ? nullptr : &*found;
}

} // namespace r3az8tex::ktx2
